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
        for bones in (1, 15, 30):
            runs = []
            for run in range(2):
                folder = os.path.join(scratch, '%d_%d' % (bones, run))
                argv = [sys.executable, os.path.abspath(__file__), '--bones', str(bones), '--anims',
                        'walk,idle', '--material', os.path.join(folder, 'cal3dmat.xrf'), '--check',
                        folder, 'figure']
                if subprocess.run(argv).returncode != 0:
                    ok = False
                runs.append({f: open(os.path.join(folder, f), 'rb').read()
                             for f in sorted(os.listdir(folder))})
            if runs[0] != runs[1] or len(runs[0]) != 6:
                print('make-character: %d bones: the two runs differ' % bones)
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
    parser.add_argument('--check', action='store_true', help='load each file with cal3d_converter')
    parser.add_argument('out')
    parser.add_argument('name')
    args = parser.parse_args()
    anims = [a for a in args.anims.split(',') if a]
    if args.bones < 1 or args.sides < 3 or '\\' in args.name:
        parser.error('need at least 1 bone, 3 sides and a plain name')
    os.makedirs(args.out, exist_ok=True)
    base = os.path.join(args.out, args.name)
    cal3d = [write(base + '.xsf', skeleton(args.bones)), write(base + '.xmf', mesh(args.bones, args.sides))]
    for index, anim in enumerate(anims):
        cal3d.append(write('%s_%s.xaf' % (base, anim), animation(args.bones, index)))
    write(base + '.xml', definition(args.name, anims))
    if args.material:
        cal3d.append(write(args.material, material()))
    return 0 if not args.check or check(cal3d) else 1


if __name__ == '__main__':
    sys.exit(main())
