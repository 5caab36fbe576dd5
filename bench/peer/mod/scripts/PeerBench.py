# PeerBench.py - the peer benchmark's scene in the engine: builds the camera,
# spheres and lights of a layout file written by make_scene.py, then records
# the wall-clock time between consecutive frames and quits.
#
# Driven by console variables this script creates before the command line is
# applied, so the launcher sets them like any other:
#   -PeerLayout FILE  the layout (absolute path)
#   -PeerOut FILE     where the frame times go, one a line in milliseconds
#   -PeerWarmup N     frames left out first (60), -PeerFrames N frames kept (200)
import math
import time

import Engine
import _Core
import _Engine
import _World

V = Engine.Vector3D
M = Engine.Matrix4x4

CAMERA, STATIC_MESH, LIGHT = 2, 3, 5
POINT_LIGHT = 1
SETTINGS = (('PeerLayout', ''), ('PeerOut', ''), ('PeerWarmup', 60), ('PeerFrames', 200))


def Fail(text):
    # The runner looks for this word in the log.
    print('PeerBench: FAILED: ' + text)
    _Engine.ConExecute('quit')


def CameraTransform(eye, target):
    """The camera's world transform: at eye, its forward axis toward target."""
    d = target - eye
    yaw = math.atan2(d.x, d.z)
    pitch = math.atan2(-d.y, math.hypot(d.x, d.z))
    m = M.MakeXRotation(pitch)
    m.RotateY(yaw)
    m.Translate(eye)
    return m


def ReadLayout(path, f):
    """(kind, numbers) per line; ValueError naming the line when one is malformed."""
    sizes = {'camera': 7, 'sphere': 3, 'light': 4}
    lines = []
    for number, line in enumerate(f, 1):
        words = line.split()
        if not words or words[0].startswith('#'):
            continue
        try:
            numbers = [float(w) for w in words[1:]]
        except ValueError:
            numbers = None
        if words[0] not in sizes or numbers is None or len(numbers) != sizes[words[0]]:
            raise ValueError('%s:%d: bad line %r' % (path, number, line.strip()))
        lines.append((words[0], numbers))
    return lines


class PeerApplication(_Core.Application):
    def __init__(self):
        self.times = []
        self.last = None
        self.wanted = 0
        self.out = ''

    def OnPreStartup(self):
        for name, value in SETTINGS:
            _Engine.SetCVar(name, value)
            _Engine.SetCVarFlags(name, 1)  # not saved: every run says what it wants
        return True

    def OnStartup(self):
        self.out = str(_Engine.GetCVar('PeerOut'))
        self.wanted = int(_Engine.GetCVar('PeerWarmup')) + int(_Engine.GetCVar('PeerFrames'))
        path = str(_Engine.GetCVar('PeerLayout'))
        try:
            with open(path) as f:
                lines = ReadLayout(path, f)
        except (OSError, ValueError) as e:
            Fail('cannot read the layout %r: %s' % (path, e))
            return True
        if not self.out or self.wanted <= 0:
            Fail('PeerOut and PeerFrames must be set')
            return True
        material = _World.CreateRenderMaterial('RenderEffects/default.fx',
                                               {'DiffuseMap': 'Textures/checker.tga'})
        if material is None:
            Fail('cannot create the material')
            return True
        counts = {'sphere': 0, 'light': 0}
        for kind, numbers in lines:
            if kind == 'camera':
                eye, target = V(*numbers[0:3]), V(*numbers[3:6])
                # numbers[6], the field of view, is the engine's default camera's.
                _World.SetNearZ(1.0)
                _World.SetFarZ(500.0)
                camera = _World.CreateObject(CAMERA, {'transform': CameraTransform(eye, target)})
                _World.SetRenderCamera(camera)
                forward = _World.objGetWorldTransform(camera).GetForward()
                if forward.Dot((target - eye).GetNormalized()) < 0.999:
                    Fail('the camera looks along %s' % forward)
                    return True
            elif kind == 'sphere':
                obj = _World.CreateObject(STATIC_MESH, {
                    'filename': 'Meshes/sphere.mesh', 'defaultMaterial': material,
                    'transform': M.MakeTranslation(V(*numbers[0:3]))})
                if obj is None:
                    Fail('cannot create sphere %d' % counts['sphere'])
                    return True
                counts['sphere'] += 1
            elif kind == 'light':
                _World.CreateObject(LIGHT, {'type': POINT_LIGHT, 'radius': numbers[3],
                                            'color': V(1.0, 1.0, 1.0),
                                            'transform': M.MakeTranslation(V(*numbers[0:3]))})
                counts['light'] += 1
        print('PeerBench: %d spheres, %d lights, GlowEnable %s, VSync %s' %
              (counts['sphere'], counts['light'], _Engine.GetCVar('GlowEnable'), _Engine.GetCVar('VSync')))
        return True

    def OnUpdate(self):
        now = time.perf_counter()
        if self.last is not None and len(self.times) < self.wanted:
            self.times.append(now - self.last)
            if len(self.times) == self.wanted:
                self.Finish()
        self.last = now

    def Finish(self):
        kept = self.times[int(_Engine.GetCVar('PeerWarmup')):]
        try:
            with open(self.out, 'w') as f:
                f.write(''.join('%.4f\n' % (t * 1000.0) for t in kept))
        except OSError as e:
            Fail('cannot write %r: %s' % (self.out, e))
            return
        print('PeerBench: wrote %d frame times to %s' % (len(kept), self.out))
        _Engine.ConExecute('quit')
