#!/usr/bin/env python3
# make-meshes.py - writes the cove's static meshes as Wavefront OBJ files,
# which the build converts with obj2mesh (collision included).
#
#   tools/cove/make-meshes.py OUT_DIR
#
# Metres, Y up, the sea toward -Z. A face's corners run so that
# (b - a) x (c - a) points out of the solid, as the converter expects; large
# surfaces map texture coordinates at metres / 4 so their textures tile.
import math
import os
import sys

sys.dont_write_bytecode = True  # the build runs these from the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import covelib  # noqa: E402


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalize(v):
    length = math.sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])
    return (v[0] / length, v[1] / length, v[2] / length) if length > 1e-12 else (0.0, 1.0, 0.0)


def num(value):
    text = '%.4f' % value
    return '0.0000' if text == '-0.0000' else text


class Obj:
    """Faces grouped by material, written in first-use order."""

    def __init__(self, comment):
        self.comment = comment
        self.groups = []  # (name, [face lines])
        self.v, self.vt, self.vn = [], [], []
        self.index = {}

    def _ref(self, kind, value):
        table = getattr(self, kind)
        key = (kind, tuple(num(x) for x in value))
        if key not in self.index:
            table.append(key[1])
            self.index[key] = len(table)
        return self.index[key]

    def face(self, group, points, uvs, normals=None):
        """A polygon; flat-shaded unless per-corner normals are given. Corners
        that repeat the one before (a cone's apex) are dropped."""
        keep = [i for i in range(len(points))
                if tuple(map(num, points[i])) != tuple(map(num, points[i - 1]))]
        points, uvs = [points[i] for i in keep], [uvs[i] for i in keep]
        normals = [normals[i] for i in keep] if normals else None
        if normals is None:
            n = normalize(cross(sub(points[1], points[0]), sub(points[2], points[0])))
            normals = [n] * len(points)
        corners = ['%d/%d/%d' % (self._ref('v', p), self._ref('vt', t), self._ref('vn', n))
                   for p, t, n in zip(points, uvs, normals)]
        for name, faces in self.groups:
            if name == group:
                faces.append('f ' + ' '.join(corners))
                return
        self.groups.append((group, ['f ' + ' '.join(corners)]))

    def planar(self, group, points, axes=(0, 2), scale=0.25):
        """A polygon whose texture coordinates are two of its position axes / 4."""
        self.face(group, points, [(p[axes[0]] * scale, p[axes[1]] * scale) for p in points])

    def text(self):
        out = ['# ' + self.comment]
        out += ['v ' + ' '.join(p) for p in self.v]
        out += ['vt ' + ' '.join(t) for t in self.vt]
        out += ['vn ' + ' '.join(n) for n in self.vn]
        for name, faces in self.groups:
            out.append('usemtl ' + name)
            out += faces
        return '\n'.join(out) + '\n'


def box(obj, group, lo, hi, uv_scale=None):
    """An axis-aligned box; texture coordinates per face (0..1), or metres * uv_scale."""
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    quads = [
        [(x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1)],  # +X
        [(x0, y0, z1), (x0, y1, z1), (x0, y1, z0), (x0, y0, z0)],  # -X
        [(x0, y1, z0), (x0, y1, z1), (x1, y1, z1), (x1, y1, z0)],  # +Y
        [(x0, y0, z1), (x0, y0, z0), (x1, y0, z0), (x1, y0, z1)],  # -Y
        [(x1, y0, z1), (x1, y1, z1), (x0, y1, z1), (x0, y0, z1)],  # +Z
        [(x0, y0, z0), (x0, y1, z0), (x1, y1, z0), (x1, y0, z0)],  # -Z
    ]
    unit = [(0, 1), (0, 0), (1, 0), (1, 1)]
    axes = [(2, 1), (2, 1), (0, 2), (0, 2), (0, 1), (0, 1)]
    for quad, (a, b) in zip(quads, axes):
        if uv_scale is None:
            obj.face(group, quad, unit)
        else:
            obj.face(group, quad, [(p[a] * uv_scale, -p[b] * uv_scale) for p in quad])


# ---- The shore -----------------------------------------------------------------

BEACH_Y = 0.5
CLIFF_TOP = 12.0


def beach_height(z):
    if z >= -12:
        return BEACH_Y
    return BEACH_Y + (z + 12) / 13.0 * 2.5  # down to -2 at z = -25


def rugged(along, y):
    """How far a cliff face stands out from its line at a distance along the
    walls (x + z) and a height: broad buttresses and hollows (-1.5..1.5 m),
    finer knobs of rock on them, and bands of harder stone that stand out as
    ledges every few metres."""
    broad = 3.0 * covelib.fractal(along / 5.0, y / 3.0, 64, 4, 11) - 1.5
    knobs = 0.7 * covelib.fractal(along / 1.3, y / 1.1, 256, 2, 12) - 0.35
    band = (y - BEACH_Y) / 2.3 + 0.4 * covelib.fractal(along / 9.0, 0.0, 32, 2, 13)
    ledge = 0.3 * max(0.0, 1.0 - abs(band - math.floor(band) - 0.5) * 4.0)
    return broad + knobs + ledge


def sand(obj):
    xs = [-35 + 5 * i for i in range(15)]
    zs = [-25, -21, -17, -12, -7, -2, 3, 8, 13, 18, 22, 25, 28, 32]
    for z0, z1 in zip(zs, zs[1:]):
        for x0, x1 in zip(xs, xs[1:]):
            quad = [(x0, beach_height(z0), z0), (x0, beach_height(z1), z1),
                    (x1, beach_height(z1), z1), (x1, beach_height(z0), z0)]
            obj.planar('sand', quad)


CLIFF_ROWS = (-3.0, BEACH_Y, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.5, 10.5, 11.25, CLIFF_TOP)
# The rows above the cave mouth (4 m high).
ABOVE_DOOR = tuple(y for y in CLIFF_ROWS if y >= BEACH_Y + 4)


def wall(obj, start, end, inward, ys=CLIFF_ROWS, flat=None):
    """A cliff face from `start` to `end` (x, z) facing `inward`, in columns
    of about 1.25 m and rows of about 1 m, each point pushed out by the rugged noise except at the
    bottom and where flat(x, z, y) says (where other walls join)."""
    length = math.hypot(end[0] - start[0], end[1] - start[1])
    columns = max(1, int(round(length / 1.25)))

    def point(i, y):
        t = i / columns
        x = start[0] + (end[0] - start[0]) * t
        z = start[1] + (end[1] - start[1]) * t
        out = 0.0
        if y != CLIFF_ROWS[0] and not (flat and flat(x, z, y)):
            out = rugged(x + z, y)
        return (x + inward[0] * out, y, z + inward[1] * out)

    for i in range(columns):
        u0, u1 = i * length / columns / 4, (i + 1) * length / columns / 4
        for y0, y1 in zip(ys, ys[1:]):
            quad = [point(i, y0), point(i, y1), point(i + 1, y1), point(i + 1, y0)]
            obj.face('rock', quad, [(u0, -y0 / 4), (u0, -y1 / 4), (u1, -y1 / 4), (u1, -y0 / 4)])
        if ys[-1] == CLIFF_TOP:
            # The cliff's top, reaching back 10 m.
            a, b = point(i, CLIFF_TOP), point(i + 1, CLIFF_TOP)
            bx, bz = -inward[0] * 10, -inward[1] * 10
            obj.planar('rock', [a, (a[0] + bx, a[1], a[2] + bz), (b[0] + bx, b[1], b[2] + bz), b])


def corner_or_door(x, z, y):
    """Where walls meet: the cliff corners, and the cave mouth's edges."""
    corner = abs(abs(x) - 35) < 0.01 and abs(z - 32) < 0.01
    door = abs(z - 32) < 0.01 and 17.99 <= x <= 22.01 and y <= BEACH_Y + 4.01
    return corner or door


def cave(obj):
    """The tunnel behind the cave mouth (x 18..22, 6 m deep) and its chamber."""
    y0, y1 = BEACH_Y, BEACH_Y + 4
    obj.planar('rock', [(18, y0, 32), (18, y1, 32), (18, y1, 38), (18, y0, 38)], (2, 1))
    obj.planar('rock', [(22, y0, 38), (22, y1, 38), (22, y1, 32), (22, y0, 32)], (2, 1))
    obj.planar('rock', [(18, y1, 32), (22, y1, 32), (22, y1, 38), (18, y1, 38)])
    obj.planar('sand', [(18, y0, 32), (18, y0, 38), (22, y0, 38), (22, y0, 32)])
    # The chamber: x 15..25, z 38..44, 5 m high, open where the tunnel meets it.
    c0, c1 = BEACH_Y, BEACH_Y + 5
    obj.planar('sand', [(15, c0, 38), (15, c0, 44), (25, c0, 44), (25, c0, 38)])
    obj.planar('rock', [(15, c1, 38), (25, c1, 38), (25, c1, 44), (15, c1, 44)])
    obj.planar('rock', [(15, c0, 44), (15, c1, 44), (25, c1, 44), (25, c0, 44)], (0, 1))
    obj.planar('rock', [(15, c0, 38), (15, c1, 38), (15, c1, 44), (15, c0, 44)], (2, 1))
    obj.planar('rock', [(25, c0, 44), (25, c1, 44), (25, c1, 38), (25, c0, 38)], (2, 1))
    obj.planar('rock', [(15, c0, 38), (18, c0, 38), (18, c1, 38), (15, c1, 38)], (0, 1))
    obj.planar('rock', [(22, c0, 38), (25, c0, 38), (25, c1, 38), (22, c1, 38)], (0, 1))
    obj.planar('rock', [(18, y1, 38), (22, y1, 38), (22, c1, 38), (18, c1, 38)], (0, 1))


def shore():
    obj = Obj('The cove: a beach between cliffs, with a sea cave in the back wall.')
    sand(obj)
    wall(obj, (-35, -40), (-35, 32), (1, 0), flat=corner_or_door)
    wall(obj, (35, 32), (35, -40), (-1, 0), flat=corner_or_door)
    # The back wall, around the cave mouth (x 18..22, 4 m high).
    wall(obj, (-35, 32), (18, 32), (0, -1), flat=corner_or_door)
    wall(obj, (18, 32), (22, 32), (0, -1), ys=ABOVE_DOOR, flat=corner_or_door)
    wall(obj, (22, 32), (35, 32), (0, -1), flat=corner_or_door)
    cave(obj)
    return obj


# ---- Props ---------------------------------------------------------------------------

def water():
    obj = Obj('The sea: a plane at y = 0.')
    step = 30
    for x in range(-120, 120, step):
        for z in range(-120, -10, 10):
            obj.planar('water', [(x, 0, z), (x, 0, z + 10), (x + step, 0, z + 10), (x + step, 0, z)])
    return obj


def lathe(obj, group, profile, sides, v_of, smooth=True, u_turns=4):
    """A surface of revolution about Y through (radius, y) points, bottom up;
    the texture wraps u_turns times around."""
    for (r0, y0), (r1, y1) in zip(profile, profile[1:]):
        slope = (y1 - y0, r0 - r1)  # outward normal in the (r, y) plane
        length = math.hypot(*slope) or 1.0
        for i in range(sides):
            a0, a1 = 2 * math.pi * i / sides, 2 * math.pi * (i + 1) / sides
            pts = [(r0 * math.cos(a0), y0, r0 * math.sin(a0)), (r1 * math.cos(a0), y1, r1 * math.sin(a0)),
                   (r1 * math.cos(a1), y1, r1 * math.sin(a1)), (r0 * math.cos(a1), y0, r0 * math.sin(a1))]
            u0, u1 = u_turns * i / sides, u_turns * (i + 1) / sides
            us = [u0, u0, u1, u1]
            vs = [v_of(y0), v_of(y1), v_of(y1), v_of(y0)]
            normals = None
            if smooth:
                normals = [(slope[0] / length * math.cos(a), slope[1] / length, slope[0] / length * math.sin(a))
                           for a in (a0, a0, a1, a1)]
            obj.face(group, pts, list(zip(us, vs)), normals)


def lighthouse():
    obj = Obj('The lighthouse: a tapered tower of radius 3 and height 14; the top 2 m is the lamp room.')
    # The wall texture goes once around, so its door and windows appear once:
    # the door faces (+X, -Z), toward the keeper.
    lathe(obj, 'wall', [(3.0, 0.0), (2.4, 12.0)], 32, lambda y: 1.0 - y / 12.0, u_turns=1)
    # The gallery under the lamp room: a ledge wider than the tower. It and the
    # roof are their own group: the lamp inside shines on the ledge's top and
    # under the roof's rim, but never on the outside of the shaft below.
    lathe(obj, 'gallery', [(2.4, 12.0), (2.9, 12.0), (2.9, 12.25), (2.0, 12.25)], 24,
          lambda y: 0.05, smooth=False)
    lathe(obj, 'lamp', [(1.8, 12.25), (1.8, 13.4)], 16, lambda y: (y - 12.25) / 1.15)
    lathe(obj, 'gallery', [(1.8, 13.4), (2.0, 13.4), (2.0, 13.5), (0.0, 14.0)], 16, lambda y: 0.05,
          smooth=False)
    return obj


def cave_door():
    obj = Obj('The cave door: a stone slab 4 x 4 x 0.5 standing on its origin.')
    box(obj, 'rock', (-2, 0, -0.25), (2, 4, 0.25), uv_scale=0.25)
    return obj


def crate():
    obj = Obj('A crate: a 1 m cube centred on its origin.')
    box(obj, 'wood', (-0.5, -0.5, -0.5), (0.5, 0.5, 0.5))
    return obj


def shell():
    """A snail-like spiral: a tube growing by 1.8 times a turn along a
    falling helix, each whorl overlapping the one before; apex up."""
    obj = Obj('A spiral shell about 0.4 m across, standing on its origin.')
    turns, steps, sides = 3.5 * 2 * math.pi, 56, 12
    growth = math.log(1.8) / (2 * math.pi)
    last = 0.111

    def point(t, s):
        radius = last * math.exp(growth * (t - turns))
        tube = 0.8 * radius
        y = 0.8 * last + 1.2 * (last - radius)
        phi = 2 * math.pi * s / sides
        out = (math.cos(t), 0.0, math.sin(t))
        r = radius + tube * math.cos(phi)
        return (r * out[0], y + tube * math.sin(phi), r * out[2]), \
            (math.cos(phi) * out[0], math.sin(phi), math.cos(phi) * out[2])

    for i in range(steps):
        t0, t1 = turns * i / steps, turns * (i + 1) / steps
        for s in range(sides):
            corners = [point(t0, s), point(t0, s + 1), point(t1, s + 1), point(t1, s)]
            u0, u1 = i / steps * 4, (i + 1) / steps * 4
            uvs = [(u0, s / sides), (u0, (s + 1) / sides), (u1, (s + 1) / sides), (u1, s / sides)]
            obj.face('shell', [c[0] for c in corners], uvs, [c[1] for c in corners])
    return obj


def lantern():
    obj = Obj('A hanging lantern, 0.3 x 0.5 x 0.3, its origin at the top where it hangs.')
    box(obj, 'metal', (-0.02, -0.06, -0.02), (0.02, 0.0, 0.02))  # the hook
    obj.face('metal', [(-0.15, -0.12, -0.15), (0.15, -0.12, -0.15), (0.0, -0.06, 0.0)],
             [(0, 0), (1, 0), (0.5, 1)])
    obj.face('metal', [(0.15, -0.12, -0.15), (0.15, -0.12, 0.15), (0.0, -0.06, 0.0)],
             [(0, 0), (1, 0), (0.5, 1)])
    obj.face('metal', [(0.15, -0.12, 0.15), (-0.15, -0.12, 0.15), (0.0, -0.06, 0.0)],
             [(0, 0), (1, 0), (0.5, 1)])
    obj.face('metal', [(-0.15, -0.12, 0.15), (-0.15, -0.12, -0.15), (0.0, -0.06, 0.0)],
             [(0, 0), (1, 0), (0.5, 1)])
    box(obj, 'metal', (-0.15, -0.5, -0.15), (0.15, -0.44, 0.15))  # the base
    for x in (-0.13, 0.11):
        for z in (-0.13, 0.11):
            box(obj, 'metal', (x, -0.44, z), (x + 0.02, -0.12, z + 0.02))
    box(obj, 'glass', (-0.11, -0.44, -0.11), (0.11, -0.12, 0.11))
    return obj


def gull():
    obj = Obj('A gull with spread wings (1 m across), facing +Z, centred on its origin.')
    # The body: a spindle from tail to beak, six sides.
    rings = [(-0.22, 0.0), (-0.12, 0.055), (0.05, 0.075), (0.16, 0.06), (0.22, 0.025), (0.3, 0.0)]
    sides = 6
    for (z0, r0), (z1, r1) in zip(rings, rings[1:]):
        for s in range(sides):
            a0, a1 = 2 * math.pi * s / sides, 2 * math.pi * (s + 1) / sides
            p = [(r0 * math.cos(a0), r0 * math.sin(a0), z0), (r0 * math.cos(a1), r0 * math.sin(a1), z0),
                 (r1 * math.cos(a1), r1 * math.sin(a1), z1), (r1 * math.cos(a0), r1 * math.sin(a0), z1)]
            if r0 == 0.0:
                p = [p[0], p[2], p[3]]
            elif r1 == 0.0:
                p = [p[0], p[1], p[2]]
            obj.face('feather', p, [(0.5, 0.5)] * len(p))
    # Wings: an inner panel rising from the body and an outer one bent down,
    # both faces so they show from above and below.
    for side in (-1, 1):
        root_front, root_back = (0.05 * side, 0.02, 0.1), (0.05 * side, 0.02, -0.1)
        elbow_front, elbow_back = (0.28 * side, 0.09, 0.09), (0.28 * side, 0.09, -0.15)
        tip = (0.5 * side, 0.04, -0.2)
        panels = [[root_front, elbow_front, elbow_back, root_back], [elbow_front, tip, elbow_back]]
        for panel in panels:
            uv = [(abs(p[0]) * 2, 0.5 + p[2] * 2) for p in panel]
            top = panel if side < 0 else list(reversed(panel))
            obj.face('feather', top, uv if side < 0 else list(reversed(uv)))
            bottom = list(reversed(top))
            obj.face('feather', bottom, uv if side > 0 else list(reversed(uv)))
    # The tail: a small fan.
    tail = [(-0.06, 0.0, -0.2), (0.0, 0.0, -0.2), (0.06, 0.0, -0.2)]
    obj.face('feather', [tail[0], (0.0, 0.01, -0.32), tail[2]], [(0, 0), (0.5, 1), (1, 0)])
    obj.face('feather', [tail[2], (0.0, 0.01, -0.32), tail[0]], [(1, 0), (0.5, 1), (0, 0)])
    return obj


def rock():
    """A boulder: a sphere pushed in and out by noise, its base cut flat."""
    obj = Obj('A boulder about 2 m across, standing on its origin.')
    rings, sides = 10, 16

    def point(i, j):
        lat = math.pi * i / rings - math.pi / 2
        lon = 2 * math.pi * (j % sides) / sides
        bump = 0.65 + 0.6 * covelib.fractal(j / 4.0, i / 4.0, 4, 3, 5) if 0 < i < rings else 0.9
        r = 1.0 * bump
        p = (r * math.cos(lat) * math.cos(lon), 0.75 * r * math.sin(lat) + 0.6, r * math.cos(lat) * math.sin(lon))
        return (p[0], max(0.0, p[1]), p[2])

    for i in range(rings):
        for j in range(sides):
            quad = [point(i, j), point(i + 1, j), point(i + 1, j + 1), point(i, j + 1)]
            obj.face('rock', quad, [(p[0] / 2 + p[2] / 4, -p[1] / 2) for p in quad])
    return obj


MESHES = [('Shore', shore), ('Water', water), ('Lighthouse', lighthouse), ('CaveDoor', cave_door),
          ('Crate', crate), ('Shell', shell), ('Lantern', lantern), ('Gull', gull), ('Rock', rock)]


def main():
    if sys.argv[1:] == ['--list']:
        print(';'.join([name + '.obj' for name, _ in MESHES]))
        return 0
    if len(sys.argv) != 2:
        print('usage: make-meshes.py OUT_DIR', file=sys.stderr)
        return 2
    for name, build in MESHES:
        covelib.write_bytes(os.path.join(sys.argv[1], name + '.obj'), build().text().encode('ascii'))
    return 0


if __name__ == '__main__':
    sys.exit(main())
