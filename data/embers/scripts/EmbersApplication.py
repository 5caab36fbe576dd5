# EmbersApplication.py - the application of the "embers" sample: a glowing
# lamp in the gallery's room between a smoking brazier and a spark fountain,
# with a generated figure walking a loop among them, all built from _World calls.
import Engine
import _Core
import _World

V = Engine.Vector3D
V4 = Engine.Vector4D
M = Engine.Matrix4x4

CAMERA, STATIC_MESH, DYNAMIC_MESH, LIGHT, ANIM_PATH, PARTICLES = 2, 3, 4, 5, 8, 9
FACE_ALONG_PATH = 2

# The walker's loop round the pedestal, passing between the camera and the
# emitters and behind them: (x, z) of each waypoint and the seconds to the next.
WALK_LOOP = [((-1.6, -0.9), 1.6), ((1.6, -0.9), 1.2), ((1.7, 0.9), 1.6), ((-1.7, 0.9), 1.2),
             ((-1.6, -0.9), 1.0)]


def Material(effect, parameters):
    return _World.CreateRenderMaterial(effect, parameters)


class EmbersApplication(_Core.Application):
    def OnStartup(self):
        camera = _World.CreateObject(CAMERA, {'transform': M.MakeTranslation(V(0, 1.6, -3.5))})
        _World.SetRenderCamera(camera)
        wall = Material('RenderEffects/default.fx', {'DiffuseMap': 'Textures/wall.tga'})
        floor = Material('RenderEffects/default.fx', {'DiffuseMap': 'Textures/floor.tga'})
        stone = Material('RenderEffects/default.fx', {'DiffuseMap': 'Textures/stone.tga'})
        lamp = Material('RenderEffects/lamp.fx', {})
        puff = Material('RenderEffects/default.fx', {'DiffuseMap': 'Textures/puff.tga'})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/room.mesh', 'materials': {'floor': floor},
                                          'defaultMaterial': wall})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/pedestal.mesh', 'defaultMaterial': stone,
                                          'transform': M.MakeTranslation(V(0, 0, 0))})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/sphere.mesh', 'defaultMaterial': lamp,
                                          'transform': M.MakeTranslation(V(0, 1.0, 0))})
        _World.CreateObject(LIGHT, {'type': 1, 'radius': 6.0, 'color': V(1.0, 0.7, 0.4),
                                    'transform': M.MakeTranslation(V(0, 1.6, -0.5))})
        # Grey smoke rising slowly from the left, drawn farthest first.
        _World.CreateObject(PARTICLES, {
            'material': puff, 'transform': M.MakeTranslation(V(-1.1, 0.2, 0.3)),
            'maxParticles': 200, 'emissionInterval': 0.1, 'particlesPerEmission': 3,
            'particlesOnCreate': 30, 'ageOffsetOnCreate': 0.5, 'minLife': 2.0, 'maxLife': 3.0,
            'minVelocity': V(-0.1, 0.4, -0.1), 'maxVelocity': V(0.1, 0.8, 0.1),
            'minTorque': -40.0, 'maxTorque': 40.0, 'emitterShape': 1,
            'minEmitRadius': 0.0, 'maxEmitRadius': 0.2, 'sorted': True,
            'colorKeys': [(0, V4(0.5, 0.5, 0.5, 0.6)), (1, V4(0.2, 0.2, 0.2, 0.0))],
            'radiusKeys': [(0, 0.25), (1, 0.8)]})
        # Orange sparks thrown up on the right.
        _World.CreateObject(PARTICLES, {
            'material': puff, 'transform': M.MakeTranslation(V(1.1, 0.3, 0.1)),
            'maxParticles': 300, 'emissionInterval': 0.05, 'particlesPerEmission': 4,
            'minLife': 0.6, 'maxLife': 1.2,
            'minVelocity': V(-0.6, 1.2, -0.3), 'maxVelocity': V(0.6, 2.2, 0.3),
            'colorKeys': [(0, V4(1.0, 0.8, 0.3, 1.0)), (1, V4(1.0, 0.2, 0.0, 0.0))],
            'radiusKeys': [(0, 0.09), (1, 0.04)]})
        self.Walker(Material('RenderEffects/default.fx', {'DiffuseMap': 'Textures/glaze.tga'}))
        print('Embers: built a lamp, a brazier, a spark fountain and a walker.')
        return True

    def Walker(self, skin):
        # The figure comes from tools/make-character.py at build time (embers_built).
        walker = _World.CreateObject(DYNAMIC_MESH, {'filename': 'Characters/walker.xml',
                                                    'materials': {'skin': skin}})
        _World.objDynMeshPlayCycleAnimation(walker, 'walk', 1.0, 0.0)
        path = _World.CreateObject(ANIM_PATH, {})
        for (x, z), seconds in WALK_LOOP:
            _World.animAddWaypoint(path, M.MakeTranslation(V(x, 0, z)), seconds, FACE_ALONG_PATH, None)
        _World.animPlayObject(path, walker, 1, 0.0)
