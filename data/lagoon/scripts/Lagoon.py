# Lagoon.py - the application of the "lagoon" sample: a scene built from
# _World calls, a console command and a timer.
import Engine
import _Core
import _Engine
import _World

V = Engine.Vector3D
M = Engine.Matrix4x4

CAMERA, STATIC_BOX, STATIC_MESH, LIGHT = 2, 1, 3, 5


class LagoonApplication(_Core.Application):
    def __init__(self):
        self.crates = []

    def OnStartup(self):
        camera = _World.CreateObject(CAMERA, {'transform': M.MakeTranslation(V(0, 2, -4))})
        _World.SetRenderCamera(camera)
        _World.CreateObject(LIGHT, {'type': 1, 'radius': 8.0, 'color': V(1.0, 0.9, 0.7),
                                    'transform': M.MakeTranslation(V(1, 3, -2))})
        _World.CreateObject(STATIC_BOX, {'colType': 2, 'mins': V(-10, -0.5, -10), 'maxs': V(10, 0.5, 10)})
        # The gallery's room and textures (packages gallery, gallery_built) around them.
        wall = _World.CreateRenderMaterial('RenderEffects/default.fx', {'DiffuseMap': 'Textures/wall.tga'})
        floor = _World.CreateRenderMaterial('RenderEffects/default.fx', {'DiffuseMap': 'Textures/floor.tga'})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/room.mesh', 'materials': {'floor': floor},
                                          'defaultMaterial': wall})
        for i in range(3):
            crate = _World.CreateObject(STATIC_BOX, {
                'colType': 2, 'dynamic': True, 'mins': V(-0.5, -0.5, -0.5), 'maxs': V(0.5, 0.5, 0.5),
                'transform': M.MakeTranslation(V(i * 1.5 - 1.5, 3 + i, 0))})
            self.crates.append(crate)
        print('Lagoon: built a floor, a room, a light, a camera and %d crates.' % len(self.crates))
        _Engine.RegisterCCmd('lagoon_crates', self.ReportCrates, 'Prints where the crates are.')
        print('Lagoon: type lagoon_crates in the console to see the crates.')
        _Core.SetTimer(2.0, self.OnSettled)
        _Engine.StartFade(1.0, 0)
        return True

    def CrateHeights(self):
        return [_World.objGetWorldTransform(crate).GetTranslation().y for crate in self.crates]

    def ReportCrates(self, args):
        print('Lagoon: crate heights ' + ', '.join('%.1f' % y for y in self.CrateHeights()))
        return 0

    def OnSettled(self):
        resting = all(y < 1.5 for y in self.CrateHeights())
        print('Lagoon: after two seconds the crates %s.' % ('rest on the floor' if resting else 'still fall'))

    def OnShutdown(self):
        print('Lagoon: goodbye.')
        return True
