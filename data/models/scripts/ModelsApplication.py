# ModelsApplication.py - the application of the "models" sample: a yard, a crate, a lamp
# post and a walking figure, all made in Blender and converted by meshconv at build time.
import Engine
import _Core
import _World

# Written by meshconv beside the converted files (models_built/scripts): the textures each
# material group of a model names.
import crate_materials
import post_materials
import walker_materials
import yard_materials

V = Engine.Vector3D
M = Engine.Matrix4x4

CAMERA, STATIC_MESH, DYNAMIC_MESH, LIGHT, ANIM_PATH = 2, 3, 4, 5, 8
FACE_ALONG_PATH = 2

# The figure's loop: out of the arch towards the camera, across, and back; (x, z) of each
# waypoint and the seconds to the next.
WALK_LOOP = [((0.0, 1.6), 1.8), ((0.0, -0.6), 1.6), ((1.4, -0.6), 2.4), ((1.4, 1.6), 1.2),
             ((0.0, 1.6), 1.0)]


def Materials(module):
    """One default.fx material per material group, with the textures the model names."""
    return {group: _World.CreateRenderMaterial('RenderEffects/default.fx', textures)
            for group, textures in module.MATERIALS.items()}


def Place(mesh, materials, x, z, turn=0.0):
    where = M.MakeYRotation(turn)
    where.Translate(V(x, 0, z))
    return _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/%s.mesh' % mesh,
                                             'materials': Materials(materials), 'transform': where})


class ModelsApplication(_Core.Application):
    def OnStartup(self):
        eye = M.MakeXRotation(0.22)
        eye.Translate(V(0.1, 1.6, -3.2))
        _World.SetRenderCamera(_World.CreateObject(CAMERA, {'transform': eye}))
        Place('yard', yard_materials, 0, 0)
        Place('crate', crate_materials, -1.3, -0.4, 0.4)
        Place('post', post_materials, 1.6, 0.3)
        for x, y, z, colour in ((-1.0, 2.2, -2.2, V(1.0, 0.85, 0.7)), (2.0, 2.0, 0.0, V(0.6, 0.7, 1.0)),
                                (0.0, 3.0, 2.0, V(0.8, 0.8, 0.8))):
            _World.CreateObject(LIGHT, {'type': 1, 'radius': 7.0, 'color': colour,
                                        'transform': M.MakeTranslation(V(x, y, z))})
        self.Walker()
        print('Models: placed the yard, a crate, a lamp post and a walker.')
        return True

    def Walker(self):
        walker = _World.CreateObject(DYNAMIC_MESH, {'filename': 'Characters/walker/walker.xml',
                                                    'materials': Materials(walker_materials)})
        _World.objDynMeshPlayCycleAnimation(walker, 'Walk', 1.0, 0.0)
        path = _World.CreateObject(ANIM_PATH, {})
        for (x, z), seconds in WALK_LOOP:
            _World.animAddWaypoint(path, M.MakeTranslation(V(x, 0, z)), seconds, FACE_ALONG_PATH, None)
        _World.animPlayObject(path, walker, 1, 0.0)
