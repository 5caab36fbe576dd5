#!/usr/bin/env python3
# make-textures.py - writes the cove's textures: tiling surfaces with a little
# deterministic noise (PNG, TGA, DXT1/DXT5 DDS), the sky as a cube DDS and the
# particle sprites with alpha.
#
#   tools/cove/make-textures.py OUT_DIR     (writes OUT_DIR/Textures/...)
import math
import os
import sys

sys.dont_write_bytecode = True  # the build runs these from the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import covelib  # noqa: E402
from covelib import fractal, hash01, mix  # noqa: E402


def shade(colour, factor):
    return tuple(c * factor for c in colour)


def sand(size=128):
    base, dark = (222, 200, 150), (186, 160, 112)

    def pixel(x, y):
        n = fractal(x / 16.0, y / 16.0, size // 16, 4, 1)
        grain = hash01(x, y, 2) * 0.12 - 0.06
        c = mix(dark, base, n)
        return shade(c, 1.0 + grain)
    return covelib.image(size, size, pixel)


def rock(size=128):
    light, dark = (140, 134, 124), (82, 78, 74)

    def pixel(x, y):
        n = fractal(x / 32.0, y / 32.0, size // 32, 5, 3)
        # Strata: soft horizontal bands, bent by the noise.
        band = 0.5 + 0.5 * math.sin((y / size * 6 + n * 1.5) * 2 * math.pi)
        c = mix(dark, light, 0.65 * n + 0.35 * band)
        return shade(c, 1.0 + hash01(x, y, 4) * 0.1 - 0.05)
    return covelib.image(size, size, pixel)


def wood(size=128):
    light, dark, gap = (170, 120, 70), (120, 80, 45), (50, 34, 20)
    planks = 4

    def pixel(x, y):
        plank = y * planks // size
        within = (y % (size // planks)) / (size / planks)
        if within < 0.06 or within > 0.96:
            return gap
        grain = fractal(x / 32.0, (y + plank * 7) / 4.0, size // 32, 3, 10 + plank)
        c = mix(dark, light, grain)
        c = shade(c, 0.9 + 0.2 * hash01(plank, 0, 6))
        # Nails at the plank ends.
        if (x % (size // 2) in (4, 5)) and 0.4 < within < 0.6:
            return (60, 60, 64)
        return c
    return covelib.image(size, size, pixel)


def shell(size=64):
    inner, outer = (250, 220, 200), (230, 150, 120)

    def pixel(x, y):
        # Ridges across, pearly in the middle; alpha fades at the rim.
        u, v = (x + 0.5) / size, (y + 0.5) / size
        ridge = 0.5 + 0.5 * math.cos(u * 24 * math.pi)
        c = mix(outer, inner, 0.4 + 0.4 * ridge + 0.2 * hash01(x, y, 7))
        alpha = 255 * min(1.0, 0.6 + 0.4 * math.sin(v * math.pi))
        return c + (alpha,)
    return covelib.image(size, size, pixel)


def water(size=128):
    deep, light = (20, 70, 100), (60, 130, 150)

    def pixel(x, y):
        n = fractal(x / 16.0, y / 32.0, size // 32, 4, 8)
        ripple = 0.5 + 0.5 * math.sin((y / size * 8 + n * 2) * 2 * math.pi)
        c = mix(deep, light, 0.6 * n + 0.4 * ripple ** 4)
        return c + (200,)
    return covelib.image(size, size, pixel)


def water_normals(size=128):
    """The slopes of small waves for the sea's normal map: red is the slope
    along x, green along z (0.5 level), blue the upward part; it tiles."""
    period = size // 16

    def height(x, y):
        n = fractal(x / 16.0, y / 16.0, period, 4, 30)
        swell = math.sin((x + y * 0.5) / size * 4 * 2 * math.pi + n * 3.0)
        return 6.0 * n + 0.8 * swell

    def pixel(x, y):
        dx = height((x + 1) % size, y) - height((x - 1) % size, y)
        dz = height(x, (y + 1) % size) - height(x, (y - 1) % size)
        nx, ny, nz = -dx * 0.5, 1.0, -dz * 0.5
        length = math.sqrt(nx * nx + ny * ny + nz * nz)
        return (128 + 127 * nx / length, 128 + 127 * nz / length, 255 * ny / length)
    return covelib.image(size, size, pixel)


def wall(size=256):
    """The tower's paint: four red bands on white, weathered, with the door
    (u = 7/8 faces +X, -Z) and small windows (the texture wraps once around)."""
    white, red, dark, frame = (236, 232, 224), (178, 40, 36), (40, 32, 28), (90, 70, 50)
    bands = 4

    def opening(u, v, centre, half_width, top, bottom):
        if abs(u - centre) > half_width + 0.006 or not top - 0.012 <= v <= bottom:
            return None
        inside = abs(u - centre) <= half_width and v >= top
        return dark if inside else frame

    def pixel(x, y):
        u, v = (x + 0.5) / size, (y + 0.5) / size
        door = opening(u, v, 0.875, 0.034, 1.0 - 2.2 / 12.0, 1.0)
        if door:
            return door
        for centre, top in ((0.375, 0.18), (0.625, 0.43), (0.125, 0.62)):
            window = opening(u, v, centre, 0.012, top, top + 0.07)
            if window:
                return window
        band = y * bands * 2 // size
        c = red if band % 2 else white
        # Weathering: darker streaks running down.
        streak = fractal(x / 8.0, y / 64.0, size // 8, 3, 9)
        return shade(c, 0.85 + 0.15 * streak)
    return covelib.image(size, size, pixel)


def metal(size=64):
    def pixel(x, y):
        n = fractal(x / 8.0, y / 8.0, size // 8, 3, 12)
        brushed = hash01(0, y, 13) * 0.15
        v = 70 + 60 * n + 60 * brushed
        return (v * 0.95, v * 0.9, v * 0.8)
    return covelib.image(size, size, pixel)


def feather(size=64):
    def pixel(x, y):
        u, v = (x + 0.5) / size, (y + 0.5) / size
        # White body, grey wing backs, dark tips at the far end.
        barbs = 0.5 + 0.5 * math.sin((u * 3 + v * 10) * 2 * math.pi)
        c = mix((240, 240, 236), (150, 156, 164), min(1.0, u * 1.6))
        if u > 0.85:
            c = (40, 40, 44)
        return shade(c, 0.92 + 0.08 * barbs)
    return covelib.image(size, size, pixel)


def sprite(size, colour, softness, seed, speckle=0.0):
    """A round particle sprite, its alpha falling off from the centre."""
    def pixel(x, y):
        dx, dy = (x + 0.5) / size * 2 - 1, (y + 0.5) / size * 2 - 1
        r = math.sqrt(dx * dx + dy * dy)
        a = max(0.0, 1.0 - r) ** softness
        if speckle:
            a *= 1.0 - speckle * fractal(x / 8.0, y / 8.0, size // 8, 2, seed)
        return colour + (255 * a,)
    return covelib.image(size, size, pixel)


# ---- The sky -------------------------------------------------------------------------

SUN = (-0.35, 0.3, -0.89)  # low over the sea


def sky_colour(d):
    horizon, zenith, sea = (236, 214, 190), (70, 120, 190), (40, 70, 90)
    up = d[1]
    if up >= 0:
        c = mix(horizon, zenith, min(1.0, up * 1.6) ** 0.7)
        if up > 0.02:
            # Fair-weather clouds on a plane overhead, thinning toward the horizon.
            n = fractal(d[0] / up * 1.5 + 100, d[2] / up * 1.5 + 100, 64, 4, 30)
            cover = min(1.0, max(0.0, (n - 0.55) / 0.2)) * min(1.0, up * 4)
            c = mix(c, (246, 246, 250), 0.75 * cover)
    else:
        c = mix(horizon, sea, min(1.0, -up * 4))
    sun = max(0.0, d[0] * SUN[0] + d[1] * SUN[1] + d[2] * SUN[2])
    glow = sun ** 64 * 0.9 + sun ** 8 * 0.25
    disc = 1.0 if sun > 0.9985 else 0.0
    c = mix(c, (255, 236, 180), min(1.0, glow + disc))
    return c


def cube_direction(face, u, v):
    """Direction through (u, v) in [-1, 1] on a face: +X, -X, +Y, -Y, +Z, -Z."""
    return [(1, -v, -u), (-1, -v, u), (u, 1, v), (u, -1, -v), (u, -v, 1), (-u, -v, -1)][face]


def sky_faces(size=128):
    faces = []
    for face in range(6):
        def pixel(x, y, face=face):
            u, v = (x + 0.5) / size * 2 - 1, (y + 0.5) / size * 2 - 1
            d = cube_direction(face, u, v)
            length = math.sqrt(d[0] ** 2 + d[1] ** 2 + d[2] ** 2)
            return sky_colour((d[0] / length, d[1] / length, d[2] / length))
        faces.append(covelib.image(size, size, pixel))
    return faces


TEXTURES = [
    ('Sand.png', lambda: covelib.png(sand())),
    ('Rock.tga', lambda: covelib.tga(rock())),
    ('Wood.dds', lambda: covelib.dds([wood()])),
    ('Shell.dds', lambda: covelib.dds([shell()], alpha=True)),
    ('Water.png', lambda: covelib.png(water(), alpha=True)),
    ('WaterNormal.png', lambda: covelib.png(water_normals())),
    ('Wall.png', lambda: covelib.png(wall())),
    ('Metal.tga', lambda: covelib.tga(metal())),
    ('Feather.png', lambda: covelib.png(feather())),
    ('Sky.dds', lambda: covelib.dds(sky_faces())),
    ('Spray.tga', lambda: covelib.tga(sprite(32, (235, 245, 250), 1.5, 20, 0.5))),
    ('Smoke.tga', lambda: covelib.tga(sprite(64, (120, 118, 115), 1.2, 21, 0.6))),
    ('Firefly.tga', lambda: covelib.tga(sprite(16, (255, 240, 140), 2.5, 22))),
]


def main():
    if sys.argv[1:] == ['--list']:
        print(';'.join(['Textures/' + name for name, _ in TEXTURES]))
        return 0
    if len(sys.argv) != 2:
        print('usage: make-textures.py OUT_DIR', file=sys.stderr)
        return 2
    for name, make in TEXTURES:
        covelib.write_bytes(os.path.join(sys.argv[1], 'Textures', name), make())
    return 0


if __name__ == '__main__':
    sys.exit(main())
