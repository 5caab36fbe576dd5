#!/usr/bin/env python3
# summarize.py - the peer benchmark's table: reads the frame-time files run.sh
# collected (TIMES/<program>-<N>-<M>.txt, one frame a line in milliseconds)
# and prints, per case, each program's median and p99, the engine's ratio to
# Irrlicht and the 1-minute load average the case began under (TIMES/load-<N>-<M>.txt)
# as markdown. Exits 1 when a case lacks a frame-time file.
import argparse
import os
import sys

sys.dont_write_bytecode = True

PROGRAMS = (('irrlicht', 'Irrlicht'), ('engine', 'engine (glow on, as shipped)'),
            ('engine-noglow', 'engine, `-GlowEnable 0`'))


def read_times(path):
    with open(path) as f:
        return sorted(float(line) for line in f if line.strip())


def read_load(path):
    try:
        with open(path) as f:
            return f.read().strip() or '?'
    except OSError:
        return '?'


def median(times):
    mid = len(times) // 2
    return times[mid] if len(times) % 2 else (times[mid - 1] + times[mid]) / 2.0


def p99(times):
    """Nearest rank: the smallest time at or above 99 % of the frames."""
    rank = -(-99 * len(times) // 100)  # ceil
    return times[max(rank, 1) - 1]


def cell(stats, base):
    if stats is None:
        return 'n/a'
    text = '%.1f / %.1f' % stats
    if base is not None and stats is not base:
        text += ' (%.2fx / %.2fx)' % (stats[0] / base[0], stats[1] / base[1])
    return text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('times')
    parser.add_argument('--objects', default='100 1000')
    parser.add_argument('--lights', default='0 1 4')
    parser.add_argument('--frames', default='?')
    parser.add_argument('--warmup', default='?')
    parser.add_argument('--load-before', default='')
    parser.add_argument('--load-after', default='')
    parser.add_argument('--renderer', default='')
    args = parser.parse_args()

    missing = 0
    print('Median / p99 frame time in ms over %s frames after %s of warm-up; in brackets the '
          'engine\'s ratio to Irrlicht (median / p99); load: the 1-minute load average as the '
          'case began.' % (args.frames, args.warmup))
    print()
    print('| N | M | ' + ' | '.join(title for _, title in PROGRAMS) + ' | load |')
    print('|---|---|' + '---|' * len(PROGRAMS) + '---|')
    for n in args.objects.split():
        for m in args.lights.split():
            stats = []
            for name, _ in PROGRAMS:
                path = os.path.join(args.times, '%s-%s-%s.txt' % (name, n, m))
                try:
                    times = read_times(path)
                except (OSError, ValueError):
                    times = []
                if not times:
                    missing += 1
                stats.append((median(times), p99(times)) if times else None)
            base = stats[0]
            print('| %s | %s | ' % (n, m) + ' | '.join(cell(s, base) for s in stats) +
                  ' | %s |' % read_load(os.path.join(args.times, 'load-%s-%s.txt' % (n, m))))
    print()
    if args.renderer:
        print('Renderer: %s' % args.renderer)
    if args.load_before or args.load_after:
        print('Load: before `%s`; after `%s`' % (args.load_before.strip(), args.load_after.strip()))
    if missing:
        print('%d measurement(s) missing (n/a): see the FAILED lines above.' % missing)
    return 1 if missing else 0


if __name__ == '__main__':
    sys.exit(main())
