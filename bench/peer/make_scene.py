#!/usr/bin/env python3
# make_scene.py - writes the peer benchmark's scene, which both programs (the
# engine's script and irrlicht_scene) read, so they cannot drift apart:
#
#   make_scene.py content DIR      DIR/sphere.obj (obj2mesh converts it for the
#                                  engine; Irrlicht loads it as it is) and
#                                  DIR/checker.tga, the one texture
#   make_scene.py layout N M FILE  the camera, N spheres and M point lights
#
# The layout: the camera at (0, 12, -20) looking at (0, 0, 20) with the
# engine's default field of view (1.3099 rad, vertical); spheres on a grid 3
# units apart, 10 across (x), 10 deep (z), then layers up (y), centred on
# (0, 0, 20), so 100 make one layer and 1,000 a cube, all in view; lights of
# radius 40 six units above the top layer, on a circle of radius 8 round the
# grid's axis (one light: on the axis).
#
# The sphere has radius 1 and 16 x 16 segments: 16 stacks of 16 quads, each
# split in two, 512 triangles (the 32 at the poles have no area, as in any
# UV sphere built this way), 17 x 17 vertices with their seams doubled.
import math
import os
import sys

sys.dont_write_bytecode = True  # run from the source tree, which must stay clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'cove'))
import covelib  # noqa: E402

SEGMENTS = 16
TEXTURE_SIZE = 256
SPACING = 3.0
ROW = 10  # spheres across and deep in one layer
CENTRE = (0.0, 0.0, 20.0)
EYE = (0.0, 12.0, -20.0)
FIELD_OF_VIEW = 1.3099  # radians, vertical: the engine's default camera
LIGHT_RADIUS = 40.0


def sphere_obj():
    lines = ['# A UV sphere of radius 1, %d x %d segments, centred on the origin.' % (SEGMENTS, SEGMENTS)]
    for i in range(SEGMENTS + 1):
        theta = math.pi * i / SEGMENTS
        for j in range(SEGMENTS + 1):
            phi = 2.0 * math.pi * j / SEGMENTS
            n = (math.sin(theta) * math.cos(phi), math.cos(theta), math.sin(theta) * math.sin(phi))
            lines.append('v %.6f %.6f %.6f' % n)
            lines.append('vn %.6f %.6f %.6f' % n)
            lines.append('vt %.6f %.6f' % (j / SEGMENTS, i / SEGMENTS))
    for i in range(SEGMENTS):
        for j in range(SEGMENTS):
            a = i * (SEGMENTS + 1) + j + 1  # OBJ counts from 1
            b, c, d = a + SEGMENTS + 1, a + SEGMENTS + 2, a + 1
            # (b - a) x (c - a) points out of the sphere, as the converter expects.
            for tri in ((a, d, c), (a, c, b)):
                lines.append('f ' + ' '.join('%d/%d/%d' % (k, k, k) for k in tri))
    return '\n'.join(lines) + '\n'


def checker():
    rows = []
    for y in range(TEXTURE_SIZE):
        row = []
        for x in range(TEXTURE_SIZE):
            light = ((x // 32) + (y // 32)) % 2 == 0
            row.append((230, 200, 150, 255) if light else (90, 110, 160, 255))
        rows.append(row)
    return rows


def layout(objects, lights):
    """Lines "camera ex ey ez tx ty tz fov", "sphere x y z", "light x y z radius"."""
    lines = ['# %d spheres, %d lights' % (objects, lights),
             'camera %g %g %g %g %g %g %g' % (EYE + CENTRE + (FIELD_OF_VIEW,))]
    per_layer = ROW * ROW
    layers = max(1, (objects + per_layer - 1) // per_layer)
    half = (ROW - 1) * SPACING / 2.0
    bottom = CENTRE[1] - (layers - 1) * SPACING / 2.0
    for i in range(objects):
        x = CENTRE[0] - half + (i % ROW) * SPACING
        z = CENTRE[2] - half + (i // ROW % ROW) * SPACING
        y = bottom + (i // per_layer) * SPACING
        lines.append('sphere %g %g %g' % (x, y, z))
    top = bottom + (layers - 1) * SPACING
    for k in range(lights):
        ring = 0.0 if lights == 1 else 8.0
        angle = 2.0 * math.pi * k / max(lights, 1)
        x = round(CENTRE[0] + ring * math.cos(angle), 4) + 0.0  # + 0.0: no "-0"
        z = round(CENTRE[2] + ring * math.sin(angle), 4) + 0.0
        lines.append('light %g %g %g %g' % (x, top + 6.0, z, LIGHT_RADIUS))
    return '\n'.join(lines) + '\n'


def main(argv):
    if len(argv) == 3 and argv[1] == 'content':
        out = argv[2]
        os.makedirs(out, exist_ok=True)
        with open(os.path.join(out, 'sphere.obj'), 'w') as f:
            f.write(sphere_obj())
        with open(os.path.join(out, 'checker.tga'), 'wb') as f:
            f.write(covelib.tga(checker()))
        return 0
    if len(argv) == 5 and argv[1] == 'layout' and argv[2].isdigit() and argv[3].isdigit():
        with open(argv[4], 'w') as f:
            f.write(layout(int(argv[2]), int(argv[3])))
        return 0
    print('usage: make_scene.py content DIR | make_scene.py layout OBJECTS LIGHTS FILE', file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
