#!/usr/bin/env python3
# new-mod.py - writes a new game from the new-game template: a game folder
# with a mod file, the mod's package and a README, which runs at once.
#
#   new-mod.py [--title TITLE] [--meshconv PROGRAM] [--template DIR] NAME [DIR]
#
# NAME names the mod, its package folder and its script module: lower-case
# letters, digits and '_', a letter first, and no name Python or the engine
# already uses. DIR is the game folder (default: NAME in the working folder):
# new, empty, or a game folder (holding mods/) that gets one more mod. In the
# template's file names and text files @NAME@ becomes NAME and @TITLE@ the
# title (default: NAME in words); its models (sources/*.obj) are converted by
# meshconv into NAME/Meshes/. The template is found beside this script
# (template/) or, installed, in ../share/kaz/template; meshconv beside this
# script or on PATH. Exit status: 0 made, 1 failed, 2 a bad command line.
import argparse
import os
import re
import shutil
import subprocess
import sys

TEXT_SUFFIXES = ('.mod', '.py', '.md', '.obj', '.txt', '.cfg')
# Module names the game's own would hide, or be hidden by.
ENGINE_NAMES = {'base', 'engine', '_core', '_engine', '_world', '_menu', '_engine_swig'}


def Fail(status, text):
    print('new-mod: ' + text, file=sys.stderr)
    sys.exit(status)


def CheckName(name):
    if not re.fullmatch(r'[a-z][a-z0-9_]*', name):
        Fail(2, "'%s' cannot name a mod: use lower-case letters, digits and '_', a letter first" % name)
    taken = {n.lower() for n in sys.builtin_module_names} | {n.lower() for n in sys.stdlib_module_names}
    if name in taken or name in ENGINE_NAMES:
        Fail(2, "'%s' is the name of a module Python or the engine has; choose another" % name)


def CheckTitle(title):
    # The title goes into the scripts' string literals and the mod file's one line.
    if not title.strip() or any(c in title for c in '\'"\\') or any(ord(c) < 32 for c in title):
        Fail(2, "the title '%s' must be one line without quotes or backslashes" % title)


def FindTemplate(given):
    here = os.path.dirname(os.path.abspath(__file__))
    for folder in ([given] if given else [os.path.join(here, 'template'),
                                          os.path.join(here, '..', 'share', 'kaz', 'template')]):
        if os.path.isdir(folder):
            return os.path.normpath(folder)
    Fail(1, 'the template is not there: %s' % (given or os.path.join(here, 'template')))


def FindMeshconv(given):
    here = os.path.dirname(os.path.abspath(__file__))
    for program in ([given] if given else [os.path.join(here, 'meshconv'), shutil.which('meshconv')]):
        if program and os.path.isfile(program) and os.access(program, os.X_OK):
            return program
    Fail(1, 'meshconv is not there (%s); build it, or name it with --meshconv' % (given or 'PATH'))


def CheckFolder(folder, name):
    if os.path.exists(folder) and not os.path.isdir(folder):
        Fail(1, '%s is not a folder' % folder)
    if os.path.isdir(folder) and os.listdir(folder) and not os.path.isdir(os.path.join(folder, 'mods')):
        Fail(1, '%s is neither empty nor a game folder (it holds no mods/)' % folder)
    for taken in (os.path.join(folder, 'mods', name + '.mod'), os.path.join(folder, name)):
        if os.path.exists(taken):
            Fail(1, '%s exists already; choose another name' % taken)


def CopyTemplate(template, folder, words):
    """Copies every file, names and text replaced; files a game folder has
    already (its README, the shared model sources) are kept."""
    written = []
    for root, _, files in os.walk(template):
        for file in sorted(files):
            source = os.path.join(root, file)
            relative = os.path.relpath(source, template)
            for key, value in words.items():
                relative = relative.replace(key, value)
            target = os.path.join(folder, relative)
            if os.path.exists(target):
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if file.endswith(TEXT_SUFFIXES):
                with open(source, encoding='utf-8') as f:
                    text = f.read()
                for key, value in words.items():
                    text = text.replace(key, value)
                with open(target, 'w', encoding='utf-8') as f:
                    f.write(text)
            else:
                shutil.copyfile(source, target)
            written.append(relative)
    return written


def ConvertModels(meshconv, template, folder, name):
    meshes = os.path.join(folder, name, 'Meshes')
    os.makedirs(meshes, exist_ok=True)
    sources = os.path.join(template, 'sources')
    for model in sorted(os.listdir(sources)):
        stem, _ = os.path.splitext(model)
        result = subprocess.run([meshconv, os.path.join(folder, 'sources', model),
                                 os.path.join(meshes, stem + '.mesh')],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        print(result.stdout, end='')
        if result.returncode != 0:
            Fail(1, 'meshconv could not convert sources/%s (status %d)' % (model, result.returncode))


def main():
    parser = argparse.ArgumentParser(description='Writes a new game from the Kaz new-game template.')
    parser.add_argument('--title', help='the game\'s full name (default: NAME in words)')
    parser.add_argument('--meshconv', help='the model converter (default: beside this script, or on PATH)')
    parser.add_argument('--template', help='the template folder (default: beside this script)')
    parser.add_argument('name', metavar='NAME', help='the mod\'s name')
    parser.add_argument('folder', metavar='DIR', nargs='?', help='the game folder (default: ./NAME)')
    args = parser.parse_args()

    CheckName(args.name)
    title = args.title if args.title is not None else args.name.replace('_', ' ').title()
    CheckTitle(title)
    folder = os.path.abspath(args.folder or args.name)
    CheckFolder(folder, args.name)
    template = FindTemplate(args.template)
    meshconv = FindMeshconv(args.meshconv)

    CopyTemplate(template, folder, {'@NAME@': args.name, '@TITLE@': title})
    ConvertModels(meshconv, template, folder, args.name)
    print('Made the game "%s" (mod %s) in %s' % (title, args.name, folder))
    print('Run it from there with: shell    (or from anywhere: shell -basedir %s)' % folder)


if __name__ == '__main__':
    main()
