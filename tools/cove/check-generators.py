#!/usr/bin/env python3
# check-generators.py - runs the whole cove content pipeline twice into
# scratch folders and fails unless both runs give the same bytes, file for
# file; with --pak, the archive made here must also equal the build's.
#
#   tools/cove/check-generators.py --obj2mesh BIN --fontbake BIN --font TTF [--pak cove.pak]
import argparse
import filecmp
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHARACTER = os.path.join(HERE, '..', 'make-character.py')


def run(*argv):
    result = subprocess.run(list(argv), capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError('%s failed: %s' % (' '.join(argv), result.stdout + result.stderr))


def script(name, *args):
    run(sys.executable, os.path.join(HERE, name), *args)


def pipeline(out, tools):
    """The build's steps, in the build's words (see CMakeLists.txt here)."""
    stage, pak = os.path.join(out, 'stage'), os.path.join(out, 'pak')
    script('make-meshes.py', os.path.join(stage, 'obj'))
    os.makedirs(os.path.join(pak, 'Meshes'))
    names = []
    for obj in sorted(os.listdir(os.path.join(stage, 'obj'))):
        mesh = 'Meshes/' + obj[:-4] + '.mesh'
        run(tools.obj2mesh, os.path.join(stage, 'obj', obj), os.path.join(pak, mesh))
        names.append(mesh)
    script('make-textures.py', pak)
    script('make-sounds.py', pak, os.path.join(stage, 'Theme.wav'))
    os.makedirs(os.path.join(pak, 'Music'))
    run('oggenc', '-s', '1234', '-Q', '-o', os.path.join(pak, 'Music', 'Theme.ogg'),
        os.path.join(stage, 'Theme.wav'))
    os.makedirs(os.path.join(pak, 'Fonts'))
    run(tools.fontbake, tools.font, '48', '1024', os.path.join(pak, 'Fonts', 'Title.f'))
    for folder in ('Textures', 'Sounds', 'Music', 'Fonts'):
        names += [folder + '/' + f for f in sorted(os.listdir(os.path.join(pak, folder)))]
    script('make-pak.py', os.path.join(out, 'cove.pak'), pak, *names)
    run(sys.executable, CHARACTER, '--shape', 'humanoid', '--anims', 'idle,walk,wave',
        os.path.join(out, 'Characters'), 'Keeper')


def tree(root):
    found = []
    for folder, _, files in os.walk(root):
        found += [os.path.relpath(os.path.join(folder, f), root) for f in files]
    return sorted(found)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--obj2mesh', required=True)
    parser.add_argument('--fontbake', required=True)
    parser.add_argument('--font', required=True)
    parser.add_argument('--pak', help="the build's cove.pak, to compare with this run's")
    tools = parser.parse_args()
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        runs = [os.path.join(scratch, 'a'), os.path.join(scratch, 'b')]
        for out in runs:
            pipeline(out, tools)
        files = tree(runs[0])
        if files != tree(runs[1]):
            problems.append('the runs wrote different files')
        for name in files:
            if not filecmp.cmp(os.path.join(runs[0], name), os.path.join(runs[1], name), shallow=False):
                problems.append('%s differs between runs' % name)
        if tools.pak and not filecmp.cmp(tools.pak, os.path.join(runs[0], 'cove.pak'), shallow=False):
            problems.append("the build's cove.pak differs from a fresh run's")
        print('check-generators: %d files compared' % len(files))
    for problem in problems:
        print('check-generators: ' + problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
