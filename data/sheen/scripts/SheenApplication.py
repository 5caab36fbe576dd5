# SheenApplication.py - the application of the "sheen" sample: a glossy
# figure under a point light and another held by the camera, seen from well
# away from the world's origin.
import Engine
import _Core
import _World

V = Engine.Vector3D
M = Engine.Matrix4x4

CAMERA, STATIC_MESH, DYNAMIC_MESH, LIGHT = 2, 3, 4, 5

# Where the camera stands and which way it looks: away from the origin and
# back towards -z, so that the eye's position in world space and in a held
# figure's own (the camera's) space lie on opposite sides of the figure.
CAMERA_AT = (1.4, 1.5, 3.3)


def Material(effect, parameters):
    return _World.CreateRenderMaterial(effect, parameters)


class SheenApplication(_Core.Application):
    def OnStartup(self):
        turned = M(V(-1, 0, 0), V(0, 1, 0), V(0, 0, -1), V(*CAMERA_AT))
        camera = _World.CreateObject(CAMERA, {'transform': turned})
        _World.SetRenderCamera(camera)
        wall = Material('RenderEffects/default.fx', {'DiffuseMap': 'Textures/wall.tga'})
        floor = Material('RenderEffects/default.fx', {'DiffuseMap': 'Textures/floor.tga'})
        gloss = Material('RenderEffects/gloss.fx', {'DiffuseMap': 'Textures/glaze.tga'})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/room.mesh',
                                          'materials': {'floor': floor}, 'defaultMaterial': wall})
        _World.CreateObject(LIGHT, {'type': 1, 'radius': 5.0, 'color': V(1.0, 0.8, 0.6),
                                    'transform': M.MakeTranslation(V(0.4, 2.2, 1.6))})
        # The figure in the room, standing still so that every frame looks the same.
        _World.CreateObject(DYNAMIC_MESH, {'filename': 'Characters/walker.xml',
                                           'materials': {'skin': gloss},
                                           'transform': M.MakeTranslation(V(1.0, 0.0, 0.2))})
        # The held one: placed in the camera's own space, low on the right.
        held = _World.CreateObject(DYNAMIC_MESH, {'filename': 'Characters/walker.xml',
                                                  'materials': {'skin': gloss},
                                                  'transform': M.MakeTranslation(V(0.5, -0.95, 1.25))})
        _World.objCamAttachPVObject(camera, held)
        print('Sheen: a glossy figure in the room and one held by the camera.')
        return True
