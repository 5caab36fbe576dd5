# ShadeApplication.py - the application of the "shade" sample: a crate between
# a shadow-casting light and the floor, seen from above and in front, and a
# glass block that casts nothing.
import Engine
import _Core
import _World

V = Engine.Vector3D
M = Engine.Matrix4x4

CAMERA, STATIC_MESH, LIGHT = 2, 3, 5

# Where things are; the test works out from these where the shadow must fall.
CAMERA_AT = (0.0, 3.8, -4.8)
CRATE_AT = (0.0, 1.0, 0.0)  # the unit cube stands on its origin: it spans y 1..2
GLASS_AT = (2.5, 1.0, 2.5)  # a block whose effect has no ShadowMap technique
LIGHT_AT = (1.2, 3.6, 0.3)
LIGHT_RANGE = 9.0


def Material(texture):
    return _World.CreateRenderMaterial('RenderEffects/default.fx', {'DiffuseMap': texture})


class ShadeApplication(_Core.Application):
    def OnStartup(self):
        # Looking down at the crate: forward (0, -0.625, 0.781), up (0, 0.781, 0.625).
        view = M(V(1, 0, 0), V(0, 0.781, 0.625), V(0, -0.625, 0.781), V(*CAMERA_AT))
        camera = _World.CreateObject(CAMERA, {'transform': view})
        _World.SetRenderCamera(camera)
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/room.mesh',
                                          'materials': {'floor': Material('Textures/floor.tga')},
                                          'defaultMaterial': Material('Textures/wall.tga')})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/pedestal.mesh',
                                          'defaultMaterial': Material('Textures/stone.tga'),
                                          'transform': M.MakeTranslation(V(*CRATE_AT))})
        glass = _World.CreateRenderMaterial('RenderEffects/glass.fx', {})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/pedestal.mesh', 'defaultMaterial': glass,
                                          'transform': M.MakeTranslation(V(*GLASS_AT))})
        _World.CreateObject(LIGHT, {'type': 1, 'radius': LIGHT_RANGE, 'color': V(1.0, 0.95, 0.85),
                                    'castShadows': True,
                                    'transform': M.MakeTranslation(V(*LIGHT_AT))})
        print('Shade: a crate between a light and the floor.')
        return True
