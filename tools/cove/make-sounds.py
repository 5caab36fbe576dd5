#!/usr/bin/env python3
# make-sounds.py - synthesises the cove's sound effects (mono 16-bit WAV, so
# they can be placed in the world) and its theme, which the build encodes to
# Ogg Vorbis with oggenc.
#
#   tools/cove/make-sounds.py OUT_DIR THEME_WAV   (writes OUT_DIR/Sounds/*.wav)
import math
import os
import sys

sys.dont_write_bytecode = True  # the build runs these from the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import covelib  # noqa: E402
from covelib import RATE, Noise  # noqa: E402

TAU = 2 * math.pi


def seconds(s):
    return int(round(s * RATE))


def lowpass(samples, cutoff):
    """A one-pole low-pass filter."""
    k = 1.0 - math.exp(-TAU * cutoff / RATE)
    out, y = [], 0.0
    for s in samples:
        y += k * (s - y)
        out.append(y)
    return out


def noise(count, seed):
    n = Noise(seed)
    return [n.next() for _ in range(count)]


def loop(samples, fade):
    """Makes a seamless loop: the last `fade` samples cross-fade into the first."""
    body = samples[:len(samples) - fade]
    for i in range(fade):
        t = i / fade
        body[i] = body[i] * t + samples[len(samples) - fade + i] * (1 - t)
    return body


def normalise(samples, peak=0.8):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def fade_edges(samples, ms=5):
    n = min(len(samples) // 2, seconds(ms / 1000.0))
    for i in range(n):
        samples[i] *= i / n
        samples[-1 - i] *= i / n
    return samples


def waves():
    """Surf: low-passed noise swelling twice, with a brighter hiss at each crest."""
    length, period = 5.0, 2.0
    rumble = lowpass(noise(seconds(length), 1), 400)
    hiss = lowpass(noise(seconds(length), 2), 2500)
    out = []
    for i in range(seconds(length)):
        phase = (i / RATE) % period / period
        swell = math.sin(math.pi * phase) ** 2
        out.append(rumble[i] * (0.3 + 0.7 * swell) + 0.35 * hiss[i] * swell ** 3)
    return normalise(loop(out, seconds(1.0)), 0.6)


def gull():
    """Three falling cries with a rasp of harmonics."""
    out = [0.0] * seconds(1.3)
    for start, length in ((0.0, 0.35), (0.42, 0.3), (0.8, 0.45)):
        phase = 0.0
        for i in range(seconds(length)):
            t = i / seconds(length)
            freq = 1900 - 700 * t + 250 * math.sin(TAU * 3 * t)
            phase += TAU * freq / RATE
            env = math.sin(math.pi * t) ** 0.6
            tone = math.sin(phase) + 0.5 * math.sin(2 * phase) + 0.25 * math.sin(3 * phase)
            out[seconds(start) + i] += env * tone
    return fade_edges(normalise(out))


def pickup():
    """A rising arpeggio (C, E, G, C) of bell-like notes."""
    out = [0.0] * seconds(0.7)
    for n, semitone in enumerate((0, 4, 7, 12)):
        freq = 523.25 * 2 ** (semitone / 12)
        start = seconds(0.07 * n)
        for i in range(seconds(0.4)):
            t = i / RATE
            env = math.exp(-t * 9)
            out[start + i] += env * (math.sin(TAU * freq * t) + 0.3 * math.sin(TAU * 2 * freq * t))
    return fade_edges(normalise(out, 0.7))


def door():
    """Stone grinding on stone: a low rumble swelling and dying away."""
    count = seconds(1.6)
    grind = lowpass(lowpass(noise(count, 3), 180), 220)
    out = []
    for i in range(count):
        t = i / count
        env = min(1.0, t * 6) * (1 - t) ** 1.5
        wobble = 0.5 + 0.5 * math.sin(TAU * 7 * t)
        out.append(env * (grind[i] * (0.7 + 0.3 * wobble) + 0.03 * math.sin(TAU * 42 * i / RATE)))
    return fade_edges(normalise(out))


def step():
    """A footfall in sand: a soft low thud with a short scuff."""
    count = seconds(0.18)
    scuff = lowpass(noise(count, 4), 1500)
    out = []
    for i in range(count):
        t = i / RATE
        out.append(math.exp(-t * 30) * math.sin(TAU * 75 * t) + 0.4 * math.exp(-t * 45) * scuff[i])
    return fade_edges(normalise(out, 0.7))


def fire():
    """A crackling fire: a soft roar with scattered pops."""
    length = 4.0
    count = seconds(length)
    out = [0.6 * s for s in lowpass(noise(count, 5), 300)]
    pops = Noise(6)
    at = 0
    while True:
        at += seconds(0.03 + 0.12 * (pops.next() + 1) / 2)
        if at >= count - seconds(0.02):
            break
        size = 0.4 + 0.6 * (pops.next() + 1) / 2
        click = Noise(at)
        for i in range(seconds(0.015)):
            out[at + i] += size * math.exp(-i / (RATE * 0.002)) * click.next()
    return normalise(loop(out, seconds(0.5)), 0.6)


# ---- The theme --------------------------------------------------------------------

BPM = 80
BEAT = 60.0 / BPM
# I - V - vi - IV, twice, in G major: root notes (MIDI) and chord tones.
CHORDS = [(43, (0, 4, 7)), (50, (0, 4, 7)), (52, (0, 3, 7)), (48, (0, 4, 7))] * 2
# One melody note per beat (MIDI; 0 rests), four beats a chord.
MELODY = [74, 0, 71, 72, 74, 0, 78, 76, 76, 0, 74, 71, 72, 0, 71, 69,
          71, 0, 74, 76, 78, 0, 76, 74, 72, 0, 71, 69, 67, 0, 0, 0]


def midi(note):
    return 440.0 * 2 ** ((note - 69) / 12)


def add_note(out, start, length, freq, gain, attack, partials):
    first = seconds(start)
    for i in range(seconds(length)):
        if first + i >= len(out):
            break
        t = i / RATE
        env = min(1.0, t / attack) * math.exp(-t * 1.5 / length)
        tail = min(1.0, (length - t) / 0.05)
        wave = sum(g * math.sin(TAU * freq * k * t) for k, g in partials)
        out[first + i] += gain * env * tail * wave


def theme():
    """Pad chords, a bass line and a plucked melody: 24 s that loop."""
    bar = 4 * BEAT
    total = len(CHORDS) * bar
    out = [0.0] * seconds(total)
    for n, (root, tones) in enumerate(CHORDS):
        for tone in tones:
            add_note(out, n * bar, bar, midi(root + 12 + tone), 0.12, 0.6, ((1, 1.0), (2, 0.15)))
        for beat in (0, 2):
            add_note(out, n * bar + beat * BEAT, 2 * BEAT, midi(root - 12 + 12), 0.22, 0.02,
                     ((1, 1.0), (2, 0.3)))
    for n, note in enumerate(MELODY):
        if note:
            add_note(out, n * BEAT, 1.4 * BEAT, midi(note), 0.16, 0.01,
                     ((1, 1.0), (2, 0.35), (3, 0.12)))
    return normalise(out, 0.7)


EFFECTS = [('Waves', waves), ('Gull', gull), ('Pickup', pickup), ('Door', door), ('Step', step),
           ('Fire', fire)]


def main():
    if sys.argv[1:] == ['--list']:
        print(';'.join(['Sounds/' + name + '.wav' for name, _ in EFFECTS]))
        return 0
    if len(sys.argv) != 3:
        print('usage: make-sounds.py OUT_DIR THEME_WAV', file=sys.stderr)
        return 2
    for name, make in EFFECTS:
        covelib.write_bytes(os.path.join(sys.argv[1], 'Sounds', name + '.wav'), covelib.wav(make()))
    covelib.write_bytes(sys.argv[2], covelib.wav(theme()))
    return 0


if __name__ == '__main__':
    sys.exit(main())
