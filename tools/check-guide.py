#!/usr/bin/env python3
# check-guide.py - runs every snippet of a guide, in order, in an empty folder,
# so that what the guide shows cannot rot.
#
#   tools/check-guide.py GUIDE.md BIN_DIR
#
# Each fenced block of the guide follows a comment that says what to do with it:
#   <!-- guide: run -->          run it with bash (set -e) in the folder the
#                                previous block left (cd carries on, as in a terminal)
#   <!-- guide: file PATH -->    write it to PATH (relative to that folder)
#   <!-- guide: append PATH -->  append it to PATH
#   <!-- guide: output -->       each of its lines must appear in what the
#                                previous run printed
# A block without such a comment fails the check: every snippet is run. BIN_DIR
# (the launcher and meshconv) comes first on PATH; the launcher runs headless.
# A run that fails, prints a traceback or a fatal error, fails the check.
# KAZ_GUIDE_DIR=DIR runs it in DIR (made if missing) and keeps what was made.
# Exit status: 0 every snippet ran, 1 one failed (the block's line is named).
import os
import re
import subprocess
import sys
import tempfile

ACTION = re.compile(r'^<!-- guide: (run|file|append|output)(?: (\S+))? -->$')
FENCE = re.compile(r'^(```+)(\S*)\s*$')
# What a run must never print.
FAILURES = ('Traceback (most recent call last)', 'FATAL ERROR', 'KazStartup:')
COLOUR_TAG = re.compile(r'\[(white|gray|grey|red|green|blue|orange|cyan|purple|yellow)\]', re.I)


def Blocks(path):
    """(line number, action, argument, text) for every fenced block."""
    lines = open(path, encoding='utf-8').read().split('\n')
    blocks, pending, i = [], None, 0
    while i < len(lines):
        line = lines[i]
        action = ACTION.match(line.strip())
        fence = FENCE.match(line)
        if action:
            pending = (action.group(1), action.group(2))
        elif fence:
            start, body = i + 1, []
            i += 1
            while i < len(lines) and lines[i] != fence.group(1):
                body.append(lines[i])
                i += 1
            if pending is None:
                sys.exit('%s:%d: a block without a <!-- guide: ... --> comment' % (path, start))
            blocks.append((start, pending[0], pending[1], '\n'.join(body) + '\n'))
            pending = None
        elif line.strip():
            pending = None
        i += 1
    return blocks


def Run(text, cwd, env):
    """Runs the block in cwd; returns (status, output, the folder it ended in)."""
    with tempfile.NamedTemporaryFile('r', suffix='.cwd') as where:
        script = 'set -e\ncd "$1"\n' + text + '\npwd >"$2"\n'
        result = subprocess.run(['bash', '-c', script, 'guide', cwd, where.name], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                errors='replace', timeout=600)
        ended = where.read().strip() or cwd
    return result.returncode, COLOUR_TAG.sub('', result.stdout), ended


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: check-guide.py GUIDE.md BIN_DIR')
    guide, bin_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    env = dict(os.environ)
    env['PATH'] = bin_dir + os.pathsep + env.get('PATH', '')
    env.update({'SDL_VIDEODRIVER': 'offscreen', 'ALSOFT_DRIVERS': 'null', 'NO_COLOR': '1'})
    env.pop('DISPLAY', None)
    env.pop('WAYLAND_DISPLAY', None)
    kept = os.environ.get('KAZ_GUIDE_DIR')
    if kept:
        os.makedirs(kept, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix='kaz-guide-') as scratch:
        top = os.path.abspath(kept) if kept else scratch
        env['XDG_DATA_HOME'] = os.path.join(top, 'user-data')
        cwd, output = top, ''
        for line, action, argument, text in Blocks(guide):
            where = '%s:%d' % (guide, line)
            if action in ('file', 'append'):
                target = os.path.join(cwd, argument)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                with open(target, 'w' if action == 'file' else 'a', encoding='utf-8') as f:
                    f.write(text)
            elif action == 'run':
                status, output, cwd = Run(text, cwd, env)
                bad = [f for f in FAILURES if f in output]
                if status != 0 or bad:
                    print(output)
                    sys.exit('%s: the run failed (status %d%s)' % (where, status,
                                                                   ', printed ' + bad[0] if bad else ''))
            else:
                missing = [l for l in text.splitlines() if l.strip() and l.strip() not in output]
                if missing:
                    print(output)
                    sys.exit('%s: the run before did not print: %s' % (where, missing[0]))
            print('ok %s %s%s' % (where, action, ' ' + argument if argument else ''))
    print('every snippet of %s ran' % guide)


if __name__ == '__main__':
    main()
