#!/usr/bin/env python3
# make-character.py - writes a skinned test figure as Cal3D XML files.
#
# The figure is a column of BONES bones stacked along +Y; its mesh is a tube
# of (BONES + 1) rings of SIDES vertices, each ring skinned to the bones
# meeting there. Each named animation sways every bone about Z with its own
# phase. Written, all from the parameters and byte-identical on every run:
#   OUT/NAME.xsf (skeleton), OUT/NAME.xmf (mesh), OUT/NAME_ANIM.xaf per
#   animation, OUT/NAME.xml (the engine's DynamicMesh definition: no prolog,
#   comments or backslashes), and with --material FILE the Cal3D material
#   the engine loads for every definition material (base/cal3dmat.xrf).
# --shape humanoid writes a person instead (1.9 m tall, feet at the origin,
# facing +Z): twelve bones (pelvis, spine, chest, head, two arms, forearms,
# thighs and shins), a box for each, rigidly skinned, and the animations
# "idle" (breathing), "walk" (a stride cycle) and "wave" (the right arm
# raised, waving); any other animation name sways the spine.
# --check runs cal3d_converter over each Cal3D file when it is installed;
# --self-test writes 1-, 15- and 30-bone figures twice and checks that the
# runs are byte-identical and that Cal3D loads every file (CTest runs it).
#
#   tools/make-character.py --bones 15 --sides 6 --anims walk,idle OUT NAME
import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile

BONE_LENGTH = 0.25
RADIUS = 0.1
VERSION = '919'
KEYFRAMES = 9


def num(value):
    text = '%.6f' % value
    return '0.000000' if text == '-0.000000' else text


def nums(*values):
    return ' '.join(num(v) for v in values)


def skeleton(bones):
    out = ['<HEADER MAGIC="XSF" VERSION="%s" />' % VERSION, '<SKELETON NUMBONES="%d">' % bones]
    for i in range(bones):
        children = 1 if i + 1 < bones else 0
        out.append('  <BONE ID="%d" NAME="bone%02d" NUMCHILDS="%d">' % (i, i, children))
        out.append('    <TRANSLATION>%s</TRANSLATION>' % nums(0, BONE_LENGTH if i else 0, 0))
        out.append('    <ROTATION>%s</ROTATION>' % nums(0, 0, 0, 1))
        # Bone space: the inverse of the bone's place in the figure.
        out.append('    <LOCALTRANSLATION>%s</LOCALTRANSLATION>' % nums(0, -BONE_LENGTH * i, 0))
        out.append('    <LOCALROTATION>%s</LOCALROTATION>' % nums(0, 0, 0, 1))
        out.append('    <PARENTID>%d</PARENTID>' % (i - 1))
        if children:
            out.append('    <CHILDID>%d</CHILDID>' % (i + 1))
        out.append('  </BONE>')
    out.append('</SKELETON>')
    return '\n'.join(out) + '\n'


def influences(ring, bones):
    # A ring where two bones meet is shared half and half.
    if ring == 0:
        return [(0, 1.0)]
    if ring >= bones:
        return [(bones - 1, 1.0)]
    return [(ring - 1, 0.5), (ring, 0.5)]


def mesh(bones, sides):
    rings = bones + 1
    out = ['<HEADER MAGIC="XMF" VERSION="%s" />' % VERSION, '<MESH NUMSUBMESH="1">',
           '  <SUBMESH NUMVERTICES="%d" NUMFACES="%d" MATERIAL="0" NUMLODSTEPS="0" NUMSPRINGS="0" '
           'NUMTEXCOORDS="1">' % (rings * sides, bones * sides * 2)]
    for ring in range(rings):
        for side in range(sides):
            angle = 2.0 * math.pi * side / sides
            weights = influences(ring, bones)
            out.append('    <VERTEX ID="%d" NUMINFLUENCES="%d">' % (ring * sides + side, len(weights)))
            out.append('      <POS>%s</POS>' % nums(RADIUS * math.cos(angle), BONE_LENGTH * ring,
                                                    RADIUS * math.sin(angle)))
            out.append('      <NORM>%s</NORM>' % nums(math.cos(angle), 0, math.sin(angle)))
            out.append('      <TEXCOORD>%s</TEXCOORD>' % nums(side / sides, ring / bones))
            for bone, weight in weights:
                out.append('      <INFLUENCE ID="%d">%s</INFLUENCE>' % (bone, num(weight)))
            out.append('    </VERTEX>')
    for ring in range(bones):
        for side in range(sides):
            a = ring * sides + side
            b = ring * sides + (side + 1) % sides
            c, d = a + sides, b + sides
            out.append('    <FACE VERTEXID="%d %d %d" />' % (a, c, b))
            out.append('    <FACE VERTEXID="%d %d %d" />' % (b, c, d))
    out += ['  </SUBMESH>', '</MESH>']
    return '\n'.join(out) + '\n'


def animation(bones, index):
    amplitude = 0.3 / (index + 1)
    out = ['<HEADER MAGIC="XAF" VERSION="%s" />' % VERSION,
           '<ANIMATION DURATION="%s" NUMTRACKS="%d">' % (num(1.0), bones)]
    for bone in range(bones):
        out.append('  <TRACK BONEID="%d" NUMKEYFRAMES="%d">' % (bone, KEYFRAMES))
        for key in range(KEYFRAMES):
            time = key / (KEYFRAMES - 1)
            angle = amplitude * math.sin(2.0 * math.pi * time + 0.5 * bone)
            out.append('    <KEYFRAME TIME="%s">' % num(time))
            out.append('      <TRANSLATION>%s</TRANSLATION>' % nums(0, BONE_LENGTH if bone else 0, 0))
            out.append('      <ROTATION>%s</ROTATION>' % nums(0, 0, math.sin(angle / 2),
                                                            math.cos(angle / 2)))
            out.append('    </KEYFRAME>')
        out.append('  </TRACK>')
    out.append('</ANIMATION>')
    return '\n'.join(out) + '\n'


# ---- The humanoid shape -------------------------------------------------------------

# name, parent, place relative to the parent (metres; the figure faces +Z, its
# left is +X).
BODY = [('pelvis', -1, (0, 0.95, 0)), ('spine', 0, (0, 0.2, 0)), ('chest', 1, (0, 0.25, 0)),
        ('head', 2, (0, 0.2, 0)), ('arm_l', 2, (0.24, 0.12, 0)), ('forearm_l', 4, (0, -0.3, 0)),
        ('arm_r', 2, (-0.24, 0.12, 0)), ('forearm_r', 6, (0, -0.3, 0)),
        ('thigh_l', 0, (0.1, -0.05, 0)), ('shin_l', 8, (0, -0.45, 0)),
        ('thigh_r', 0, (-0.1, -0.05, 0)), ('shin_r', 10, (0, -0.45, 0))]
# bone, lower corner, upper corner: boxes in the figure's rest pose.
BOXES = [(0, (-0.16, 0.85, -0.1), (0.16, 1.15, 0.1)), (1, (-0.17, 1.15, -0.11), (0.17, 1.4, 0.11)),
         (2, (-0.22, 1.4, -0.12), (0.22, 1.62, 0.12)), (3, (-0.1, 1.62, -0.1), (0.1, 1.86, 0.11)),
         (3, (-0.14, 1.84, -0.14), (0.14, 1.9, 0.14)),
         (4, (0.2, 1.24, -0.05), (0.3, 1.6, 0.05)), (5, (0.21, 0.94, -0.045), (0.29, 1.24, 0.045)),
         (6, (-0.3, 1.24, -0.05), (-0.2, 1.6, 0.05)), (7, (-0.29, 0.94, -0.045), (-0.21, 1.24, 0.045)),
         (8, (0.02, 0.47, -0.08), (0.18, 0.92, 0.08)), (9, (0.03, 0.06, -0.07), (0.17, 0.47, 0.07)),
         (9, (0.03, 0.0, -0.07), (0.17, 0.06, 0.17)),
         (10, (-0.18, 0.47, -0.08), (-0.02, 0.92, 0.08)), (11, (-0.17, 0.06, -0.07), (-0.03, 0.47, 0.07)),
         (11, (-0.17, 0.0, -0.07), (-0.03, 0.06, 0.17))]
HUMAN_KEYFRAMES = 17


def body_position(bone):
    x, y, z = 0.0, 0.0, 0.0
    while bone >= 0:
        offset = BODY[bone][2]
        x, y, z = x + offset[0], y + offset[1], z + offset[2]
        bone = BODY[bone][1]
    return x, y, z


def humanoid_skeleton():
    out = ['<HEADER MAGIC="XSF" VERSION="%s" />' % VERSION, '<SKELETON NUMBONES="%d">' % len(BODY)]
    for i, (name, parent, offset) in enumerate(BODY):
        children = [c for c, bone in enumerate(BODY) if bone[1] == i]
        out.append('  <BONE ID="%d" NAME="%s" NUMCHILDS="%d">' % (i, name, len(children)))
        out.append('    <TRANSLATION>%s</TRANSLATION>' % nums(*offset))
        out.append('    <ROTATION>%s</ROTATION>' % nums(0, 0, 0, 1))
        out.append('    <LOCALTRANSLATION>%s</LOCALTRANSLATION>' % nums(*[-c for c in body_position(i)]))
        out.append('    <LOCALROTATION>%s</LOCALROTATION>' % nums(0, 0, 0, 1))
        out.append('    <PARENTID>%d</PARENTID>' % parent)
        out += ['    <CHILDID>%d</CHILDID>' % c for c in children]
        out.append('  </BONE>')
    out.append('</SKELETON>')
    return '\n'.join(out) + '\n'


def box_faces(lo, hi):
    """The six faces of a box as (normal, four corners counter-clockwise seen from outside)."""
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    return [((1, 0, 0), [(x1, y0, z1), (x1, y0, z0), (x1, y1, z0), (x1, y1, z1)]),
            ((-1, 0, 0), [(x0, y0, z0), (x0, y0, z1), (x0, y1, z1), (x0, y1, z0)]),
            ((0, 1, 0), [(x0, y1, z1), (x1, y1, z1), (x1, y1, z0), (x0, y1, z0)]),
            ((0, -1, 0), [(x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1)]),
            ((0, 0, 1), [(x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)]),
            ((0, 0, -1), [(x1, y0, z0), (x0, y0, z0), (x0, y1, z0), (x1, y1, z0)])]


def humanoid_mesh():
    vertices, faces = [], []
    for bone, lo, hi in BOXES:
        for normal, corners in box_faces(lo, hi):
            first = len(vertices)
            for corner, uv in zip(corners, ((0, 1), (1, 1), (1, 0), (0, 0))):
                vertices.append((corner, normal, uv, bone))
            # Cal3D draws counter-clockwise triangles as front faces, as the tube does.
            faces += [(first, first + 1, first + 2), (first, first + 2, first + 3)]
    out = ['<HEADER MAGIC="XMF" VERSION="%s" />' % VERSION, '<MESH NUMSUBMESH="1">',
           '  <SUBMESH NUMVERTICES="%d" NUMFACES="%d" MATERIAL="0" NUMLODSTEPS="0" NUMSPRINGS="0" '
           'NUMTEXCOORDS="1">' % (len(vertices), len(faces))]
    for i, (position, normal, uv, bone) in enumerate(vertices):
        out.append('    <VERTEX ID="%d" NUMINFLUENCES="1">' % i)
        out.append('      <POS>%s</POS>' % nums(*position))
        out.append('      <NORM>%s</NORM>' % nums(*normal))
        out.append('      <TEXCOORD>%s</TEXCOORD>' % nums(*uv))
        out.append('      <INFLUENCE ID="%d">%s</INFLUENCE>' % (bone, num(1.0)))
        out.append('    </VERTEX>')
    out += ['    <FACE VERTEXID="%d %d %d" />' % f for f in faces]
    out += ['  </SUBMESH>', '</MESH>']
    return '\n'.join(out) + '\n'


def rotation(axis, angle):
    """Cal3D's quaternion for turning a bone by `angle` about an axis of its parent."""
    s = -math.sin(angle / 2)  # Cal3D turns by the conjugate
    return (axis[0] * s, axis[1] * s, axis[2] * s, math.cos(angle / 2))


def pose(anim, phase):
    """Bone turns {bone: (axis, angle)} and the pelvis' lift at a phase in [0, 1]."""
    X, Y, Z = (1, 0, 0), (0, 1, 0), (0, 0, 1)
    swing = math.sin(2 * math.pi * phase)
    if anim == 'walk':
        # Legs swing forward (the foot toward +Z) in turn; knees bend as a leg swings through.
        knee_l = 0.7 * max(0.0, math.sin(2 * math.pi * phase - 0.8))
        knee_r = 0.7 * max(0.0, -math.sin(2 * math.pi * phase - 0.8))
        return {8: (X, -0.5 * swing), 10: (X, 0.5 * swing), 9: (X, knee_l), 11: (X, knee_r),
                4: (X, 0.4 * swing), 6: (X, -0.4 * swing), 5: (X, -0.25), 7: (X, -0.25),
                1: (Y, 0.08 * swing)}, 0.025 * math.cos(4 * math.pi * phase)
    if anim == 'idle':
        return {2: (X, 0.03 * swing), 3: (Y, 0.2 * math.sin(2 * math.pi * phase + 1.0)),
                4: (Z, 0.04 + 0.02 * swing), 6: (Z, -0.04 - 0.02 * swing)}, 0.005 * swing
    if anim == 'wave':
        # Up over 0.25 of the time, three waves, down again.
        lift = min(1.0, phase / 0.25, (1.0 - phase) / 0.25)
        return {6: (Z, -2.6 * lift), 7: (Z, -0.6 * lift * math.sin(6 * math.pi * phase)),
                3: (X, -0.1 * lift)}, 0.0
    return {1: (Z, 0.2 * swing)}, 0.0


def humanoid_animation(anim):
    duration = {'walk': 1.0, 'idle': 2.0, 'wave': 1.6}.get(anim, 1.0)
    frames = [pose(anim, key / (HUMAN_KEYFRAMES - 1)) for key in range(HUMAN_KEYFRAMES)]
    out = ['<HEADER MAGIC="XAF" VERSION="%s" />' % VERSION,
           '<ANIMATION DURATION="%s" NUMTRACKS="%d">' % (num(duration), len(BODY))]
    for bone, (_, _, offset) in enumerate(BODY):
        out.append('  <TRACK BONEID="%d" NUMKEYFRAMES="%d">' % (bone, HUMAN_KEYFRAMES))
        for key, (turns, lift) in enumerate(frames):
            axis, angle = turns.get(bone, ((1, 0, 0), 0.0))
            place = (offset[0], offset[1] + (lift if bone == 0 else 0.0), offset[2])
            out.append('    <KEYFRAME TIME="%s">' % num(duration * key / (HUMAN_KEYFRAMES - 1)))
            out.append('      <TRANSLATION>%s</TRANSLATION>' % nums(*place))
            out.append('      <ROTATION>%s</ROTATION>' % nums(*rotation(axis, angle)))
            out.append('    </KEYFRAME>')
        out.append('  </TRACK>')
    out.append('</ANIMATION>')
    return '\n'.join(out) + '\n'


def material():
    return '\n'.join(['<HEADER MAGIC="XRF" VERSION="%s" />' % VERSION, '<MATERIAL NUMMAPS="0">',
                      '  <AMBIENT>255 255 255 255</AMBIENT>', '  <DIFFUSE>255 255 255 255</DIFFUSE>',
                      '  <SPECULAR>0 0 0 0</SPECULAR>', '  <SHININESS>0</SHININESS>',
                      '</MATERIAL>']) + '\n'


def definition(name, anims):
    out = ['<DynamicMesh version="1.0" skeleton="%s.xsf">' % name,
           '  <Piece filename="%s.xmf" name="body" />' % name]
    for anim in anims:
        out.append('  <Animation filename="%s_%s.xaf" name="%s" />' % (name, anim, anim))
    out += ['  <Material name="skin" />', '</DynamicMesh>']
    return '\n'.join(out) + '\n'


def write(path, text):
    with open(path, 'w', newline='\n') as f:
        f.write(text)
    return path


def check(paths):
    converter = shutil.which('cal3d_converter')
    if not converter:
        print('make-character: cal3d_converter not installed, files not checked')
        return True
    ok = True
    with tempfile.TemporaryDirectory() as scratch:
        for path in paths:
            extension = os.path.splitext(path)[1].replace('x', 'c')
            target = os.path.join(scratch, 'converted' + extension)
            result = subprocess.run([converter, path, target], capture_output=True, text=True)
            if result.returncode != 0 or not os.path.exists(target):
                print('make-character: Cal3D refuses %s: %s' % (path, result.stdout + result.stderr))
                ok = False
    return ok


def self_test():
    ok = True
    with tempfile.TemporaryDirectory() as scratch:
        for shape in ('1', '15', '30', 'humanoid'):
            runs = []
            for run in range(2):
                folder = os.path.join(scratch, '%s_%d' % (shape, run))
                figure = ['--shape', shape, '--anims', 'walk,idle,wave'] if shape == 'humanoid' else \
                    ['--bones', shape, '--anims', 'walk,idle']
                argv = [sys.executable, os.path.abspath(__file__)] + figure + \
                    ['--material', os.path.join(folder, 'cal3dmat.xrf'), '--check', folder, 'figure']
                if subprocess.run(argv).returncode != 0:
                    ok = False
                runs.append({f: open(os.path.join(folder, f), 'rb').read()
                             for f in sorted(os.listdir(folder))})
            if runs[0] != runs[1] or len(runs[0]) != (7 if shape == 'humanoid' else 6):
                print('make-character: %s: the two runs differ' % shape)
                ok = False
    print('make-character: self-test %s' % ('passed' if ok else 'FAILED'))
    return 0 if ok else 1


def main():
    if sys.argv[1:] == ['--self-test']:
        return self_test()
    parser = argparse.ArgumentParser(description='Writes a skinned test figure as Cal3D XML files.')
    parser.add_argument('--bones', type=int, default=15)
    parser.add_argument('--sides', type=int, default=6)
    parser.add_argument('--anims', default='walk')
    parser.add_argument('--material', help='also write the Cal3D material to this file')
    parser.add_argument('--shape', choices=('tube', 'humanoid'), default='tube')
    parser.add_argument('--check', action='store_true', help='load each file with cal3d_converter')
    parser.add_argument('out')
    parser.add_argument('name')
    args = parser.parse_args()
    anims = [a for a in args.anims.split(',') if a]
    if args.bones < 1 or args.sides < 3 or '\\' in args.name:
        parser.error('need at least 1 bone, 3 sides and a plain name')
    os.makedirs(args.out, exist_ok=True)
    base = os.path.join(args.out, args.name)
    if args.shape == 'humanoid':
        cal3d = [write(base + '.xsf', humanoid_skeleton()), write(base + '.xmf', humanoid_mesh())]
        for anim in anims:
            cal3d.append(write('%s_%s.xaf' % (base, anim), humanoid_animation(anim)))
    else:
        cal3d = [write(base + '.xsf', skeleton(args.bones)), write(base + '.xmf', mesh(args.bones, args.sides))]
        for index, anim in enumerate(anims):
            cal3d.append(write('%s_%s.xaf' % (base, anim), animation(args.bones, index)))
    write(base + '.xml', definition(args.name, anims))
    if args.material:
        cal3d.append(write(args.material, material()))
    return 0 if not args.check or check(cal3d) else 1


if __name__ == '__main__':
    sys.exit(main())
