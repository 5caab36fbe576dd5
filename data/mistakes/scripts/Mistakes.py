# Mistakes.py - the application of the "mistakes" sample: a small scene
# built with common mistakes, each made twice, so the console shows what the
# engine reports (once each). See ../README.txt.
import Engine
import _Core
import _Engine
import _Menu
import _World

V = Engine.Vector3D
M = Engine.Matrix4x4

CAMERA, STATIC_MESH, LIGHT, SOUND = 2, 3, 5, 7
EFFECT = 'RenderEffects/default.fx'

# OnUpdate raises on these frames, the same exception every time.
FIRST_BAD_FRAME, LAST_BAD_FRAME = 5, 24


class MistakesApplication(_Core.Application):
    def __init__(self):
        self.frame = 0

    def OnStartup(self):
        camera = _World.CreateObject(CAMERA, {'transform': M.MakeTranslation(V(0, 2, -4))})
        _World.SetRenderCamera(camera)
        for x in (-2.0, 2.0):
            # 'colour' is not a key of lights ('color' is); type 7 is no light type.
            _World.CreateObject(LIGHT, {'type': 1, 'radius': 9.0, 'colour': V(1, 0, 0), 'color': V(1, 1, 1),
                                        'transform': M.MakeTranslation(V(x, 3, -2))})
        _World.CreateObject(LIGHT, {'type': 7, 'radius': 1.0})

        stone = _World.CreateRenderMaterial(EFFECT, {'DiffuseMap': 'Textures/stone.tga'})
        wall = _World.CreateRenderMaterial(EFFECT, {'DiffuseMap': 'Textures/wall.tga'})
        # No such file: the floor shows the placeholder checker.
        missing = _World.CreateRenderMaterial(EFFECT, {'DiffuseMap': 'Textures/missing.png'})
        # No such parameter in the effect.
        _World.CreateRenderMaterial(EFFECT, {'Diffuse': 'Textures/stone.tga'})
        _World.CreateRenderMaterial(EFFECT, {'Diffuse': 'Textures/stone.tga'})

        # The sphere is drawn with a good texture; the floor after it must not borrow it.
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/sphere.mesh', 'defaultMaterial': stone,
                                          'transform': M.MakeTranslation(V(1.2, 0.6, 0))})
        for group in ('flor', 'flor'):
            # The room has a group 'floor', not 'flor'.
            _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/room.mesh', 'defaultMaterial': wall,
                                              'materials': {group: stone, 'floor': missing}})
        for i in range(2):
            _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/nothere.mesh'})
            _World.CreateObject(SOUND, {'filename': 'Sounds/nothere.wav'})

        menu = _Menu.CreateMenu(1)
        label = _Menu.menuAddWidget(menu, 0, 1, 'Mistakes', 8, 8, 200, 20)
        for i in range(2):
            _Menu.widgetSetFont(label, 'Fonts/nothere.f')
        _Menu.PushMenu(menu)
        print('Mistakes: the scene is built.')
        return True

    def OnUpdate(self):
        self.frame += 1
        if FIRST_BAD_FRAME <= self.frame <= LAST_BAD_FRAME:
            raise ValueError('frame counter out of step')
        return True
