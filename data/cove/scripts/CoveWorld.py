# CoveWorld.py - the cove itself: the shore, the sea and the sky, the
# lighthouse and its keeper, the shells, the cave door, the gull on its path,
# the lantern on its joint, the floating crate, the particles, the lights and
# the sounds, all made through _World.
#
# Content comes from the packages by the names the content build gives it;
# whatever is missing is left out with one line on the console, so the game
# still runs on a partial checkout.
import math

import Engine
import _Engine
import _World

V = Engine.Vector3D
V4 = Engine.Vector4D
M = Engine.Matrix4x4

NULL, CAMERA, STATIC_MESH, DYNAMIC_MESH, LIGHT, JOINT, SOUND, ANIM_PATH, PARTICLES, FIELD = range(1, 11)
SPHERE, BOX, CAPSULE, HULL, TRIANGLES = 1, 2, 3, 5, 6
POINT_LIGHT = 1
BALL_JOINT, UP_VECTOR_JOINT = 1, 0
FLUID = 2
FACE_ALONG_PATH = 2
WHOLE, POSITION_ONLY = 0, 1

LIGHTHOUSE_AT = (-22.0, 0.5, 14.0)
KEEPER_POST = (-18.0, 0.5, 10.0)
KEEPER_START = (-13.0, 0.5, 5.0)
KEEPER_WALK_SECONDS = 5.0
DOOR_AT = (20.0, 0.5, 31.7)
DOOR_SLIDE = 4.5
DOOR_SECONDS = 3.0
CAVE_AT = (20.0, 0.5, 32.0)
SKY_SIZE = 400.0
CAMPFIRE_AT = (-12.0, 0.5, 2.0)
SHELL_SPOTS = ((0.0, 0.5, 5.0), (10.0, 0.5, 7.0), (11.0, 0.5, 15.0))
ROCKS = ((-4.0, 0.5, 21.0, 0.4), (16.0, 0.5, 24.0, 1.9), (-28.0, 0.5, -2.0, 2.8), (26.0, 0.5, 6.0, 1.1))


def At(x, y, z, yaw=0.0):
    m = M.MakeYRotation(yaw)
    m.Translate(V(x, y, z))
    return m


def Scaled(x, y, z, scale):
    m = M.MakeScale(V(scale, scale, scale))
    m.Translate(V(x, y, z))
    return m


class Content:
    """Which files the packages hold, folder by folder (case-sensitive)."""

    def __init__(self):
        self.folders = {}

    def Has(self, path):
        folder, _, name = path.rpartition('/')
        if folder.startswith('!Cube!'):
            folder = folder[len('!Cube!'):]
        if folder not in self.folders:
            self.folders[folder] = set(_Engine.EnumerateFiles(folder))
        if name in self.folders[folder]:
            return True
        print('Cove: %s is missing; the cove goes on without it.' % path)
        return False

    def Names(self, folder, suffix):
        if folder not in self.folders:
            self.folders[folder] = set(_Engine.EnumerateFiles(folder))
        return sorted(n for n in self.folders[folder] if n.endswith(suffix))


class CoveWorld:
    def __init__(self, random):
        self.random = random
        self.content = Content()
        self.materials = {}
        self.shells = []
        self.sounds = {}
        self.door = None
        self.doorTrack = None
        self.doorTime = -1.0
        self.keeper = None
        self.keeperTrack = None
        self.keeperTime = 0.0
        self.walking = False
        self.gull = None
        self.lantern = None
        self.crate = None
        self.camera = None
        self.pvShell = None
        self.sky = None

    # ---- building -------------------------------------------------------

    def Build(self):
        _World.SetFarZ(600.0)
        _World.SetNearZ(0.1)
        _World.SetGravity(V(0.0, -9.8, 0.0))
        self.MakeMaterials()
        self.BuildScenery()
        self.BuildShells()
        self.BuildKeeper()
        self.BuildMovingThings()
        self.BuildParticles()
        self.BuildLights()
        self.BuildSounds()
        print('Cove: the world holds %d shells, a keeper, a gull, a lantern and a crate.'
              % len(self.shells))

    def Material(self, name, effect, textures):
        for texture in textures.values():
            if not self.content.Has(texture):
                textures = {}
                break
        material = _World.CreateRenderMaterial(effect, textures)
        self.materials[name] = material
        return material

    def MakeMaterials(self):
        lit = 'RenderEffects/cove.fx'
        for name, texture in (('rock', 'Rock.tga'), ('wood', 'Wood.dds'),
                              ('metal', 'Metal.tga'), ('feather', 'Feather.png'),
                              ('spray', 'Spray.tga'), ('smoke', 'Smoke.tga')):
            self.Material(name, lit, {'DiffuseMap': 'Textures/' + texture})
        # The lighthouse and the shore cast no shadow (scenery.fx says why);
        # no light reaches the outside of the tower (tower.fx).
        scenery = 'RenderEffects/scenery.fx'
        self.Material('tower', 'RenderEffects/tower.fx', {'DiffuseMap': 'Textures/Wall.png'})
        self.Material('gallery', scenery, {'DiffuseMap': 'Textures/Wall.png'})
        self.Material('shore sand', scenery, {'DiffuseMap': 'Textures/Sand.png'})
        self.Material('shore rock', scenery, {'DiffuseMap': 'Textures/Rock.tga'})
        self.Material('water', 'RenderEffects/water.fx', {'DiffuseMap': 'Textures/Water.png',
                                                          'NormalMap': 'Textures/WaterNormal.png',
                                                          'SkyMap': '!Cube!Textures/Sky.dds'})
        self.Material('shell', 'RenderEffects/glow.fx', {'DiffuseMap': 'Textures/Shell.dds'})
        self.Material('lamp', 'RenderEffects/glow.fx', {})
        self.Material('sky', 'RenderEffects/sky.fx', {'SkyMap': '!Cube!Textures/Sky.dds'})
        self.Material('firefly', 'RenderEffects/default.fx', {'DiffuseMap': 'Textures/Firefly.tga'})
        self.Material('spark', 'RenderEffects/default.fx', {'DiffuseMap': 'Textures/Firefly.tga'})

    def Mesh(self, name, transform, materials, colType=0, **keys):
        path = 'Meshes/%s.mesh' % name
        if not self.content.Has(path):
            return None
        params = {'filename': path, 'transform': transform, 'colType': colType,
                  'materials': dict((group, self.materials[m]) for group, m in materials.items())}
        params.update(keys)
        return _World.CreateObject(STATIC_MESH, params)

    def BuildScenery(self):
        self.Mesh('Shore', At(0, 0, 0), {'sand': 'shore sand', 'rock': 'shore rock'}, TRIANGLES)
        self.Mesh('Water', At(0, 0, 0), {'water': 'water'})
        # The crate's cube, four hundred times larger, carries the sky; it
        # follows the eye (FollowEye), which keeps it round the camera.
        self.sky = self.Mesh('Crate', Scaled(0, 0, 0, SKY_SIZE), {'wood': 'sky'})
        self.Mesh('Lighthouse', At(*LIGHTHOUSE_AT),
                  {'wall': 'tower', 'gallery': 'gallery', 'lamp': 'lamp'}, TRIANGLES)
        for x, y, z, yaw in ROCKS:
            self.Mesh('Rock', At(x, y, z, yaw), {'rock': 'rock'}, HULL)
        self.door = self.Mesh('CaveDoor', At(*DOOR_AT), {'rock': 'rock'}, HULL)
        # Logs of the campfire: two crates, half sunk in the sand.
        for dx, yaw in ((-0.4, 0.3), (0.4, -0.5)):
            self.Mesh('Crate', At(CAMPFIRE_AT[0] + dx, 0.3, CAMPFIRE_AT[2], yaw), {'wood': 'wood'})

    def BuildShells(self):
        for i, (x, y, z) in enumerate(SHELL_SPOTS):
            shell = self.Mesh('Shell', At(x, y, z, self.random.Range(0.0, 6.28)), {'shell': 'shell'}, HULL)
            if shell is not None:
                self.shells.append(shell)

    def BuildKeeper(self):
        path = 'Characters/Keeper.xml'
        if not self.content.Has(path):
            return
        self.keeper = _World.CreateObject(DYNAMIC_MESH, {
            'filename': path, 'defaultCycleAnim': 'walk', 'colType': CAPSULE,
            'mins': V(-0.4, 0.0, -0.4), 'maxs': V(0.4, 1.8, 0.4),
            'transform': At(*KEEPER_START, yaw=self.KeeperWalkYaw())})
        if self.keeper is None:
            return
        # He walks from the campfire to his post at the lighthouse door.
        self.keeperTrack = Engine.FloatKeyTrack(0.0, 1.0, KEEPER_WALK_SECONDS)
        self.walking = True

    @staticmethod
    def KeeperWalkYaw():
        return math.atan2(KEEPER_POST[0] - KEEPER_START[0], KEEPER_POST[2] - KEEPER_START[2])

    def BuildMovingThings(self):
        # A gull circling over the beach.
        self.gull = self.Mesh('Gull', At(0, 12, 0), {'feather': 'feather'})
        if self.gull is not None:
            path = _World.CreateObject(ANIM_PATH, {'transform': At(0, 0, 4)})
            for i in range(8):
                angle = i * math.pi / 4
                point = At(14 * math.cos(angle), 10 + 2 * math.sin(2 * angle), 10 * math.sin(angle))
                _World.animAddWaypoint(path, point, 2.0, FACE_ALONG_PATH, None)
            _World.animPlayObject(path, self.gull, 1, 0.0)
            self.path = path
        # A lantern hanging from a ball joint beside the lighthouse door.
        hook = (-18.4, 3.4, 12.2)
        self.lantern = self.Mesh('Lantern', At(*hook), {'metal': 'metal', 'glass': 'lamp'}, BOX,
                                 dynamic=True, mins=V(-0.15, -0.5, -0.15), maxs=V(0.15, 0.0, 0.15))
        if self.lantern is not None:
            self.lanternJoint = _World.CreateObject(JOINT, {
                'type': BALL_JOINT, 'transform': At(*hook), 'object1': self.lantern,
                'pinDir1': V(0, -1, 0), 'maxConeAngle': 1.0, 'maxTwistAngle': 0.5})
            _World.objSetAutoFreeze(self.lantern, 0)
            _World.objApplyForce(self.lantern, V(*hook) + V(0, -0.5, 0), V(0.6, 0, 0.3), 1)
        # A crate floating in the sea.
        self.crate = self.Mesh('Crate', At(6.0, 1.5, -21.0, 0.4), {'wood': 'wood'}, BOX, dynamic=True,
                               mins=V(-0.5, -0.5, -0.5), maxs=V(0.5, 0.5, 0.5))
        _World.CreateObject(FIELD, {'type': FLUID, 'mins': V(-120, -10, -120), 'maxs': V(120, 0, -15),
                                    'fluidDensity': 1.5, 'fluidLinearViscosity': 0.9,
                                    'fluidAngularViscosity': 0.9})

    def Particles(self, material, at, **keys):
        keys['material'] = self.materials[material]
        keys['transform'] = At(*at)
        return _World.CreateObject(PARTICLES, keys)

    def BuildParticles(self):
        for x in (-16.0, -2.0, 12.0):
            self.Particles('spray', (x, 0.1, -14.5), maxParticles=120, emissionInterval=0.1,
                           particlesPerEmission=3, particlesOnCreate=40, ageOffsetOnCreate=1.0,
                           minLife=0.8, maxLife=1.6, emitterShape=1, minEmitRadius=0.0, maxEmitRadius=4.0,
                           minVelocity=V(-0.4, 1.2, -0.6), maxVelocity=V(0.4, 2.4, 0.2),
                           colorKeys=[(0, V4(0.9, 0.95, 1.0, 0.8)), (1, V4(0.8, 0.9, 1.0, 0.0))],
                           radiusKeys=[(0, 0.15), (1, 0.45)])
        self.Particles('smoke', (CAMPFIRE_AT[0], 0.8, CAMPFIRE_AT[2]), maxParticles=150,
                       emissionInterval=0.15, particlesPerEmission=2, particlesOnCreate=30,
                       ageOffsetOnCreate=2.0, minLife=3.0, maxLife=4.5, sorted=True,
                       minVelocity=V(-0.2, 0.8, -0.2), maxVelocity=V(0.3, 1.4, 0.2),
                       minTorque=-30.0, maxTorque=30.0, emitterShape=1, minEmitRadius=0.0,
                       maxEmitRadius=0.3,
                       colorKeys=[(0, V4(0.4, 0.4, 0.4, 0.7)), (1, V4(0.6, 0.6, 0.6, 0.0))],
                       radiusKeys=[(0, 0.3), (1, 1.4)])
        self.Particles('spark', (CAMPFIRE_AT[0], 0.6, CAMPFIRE_AT[2]), maxParticles=100,
                       emissionInterval=0.05, particlesPerEmission=2, minLife=0.4, maxLife=0.9,
                       minVelocity=V(-0.3, 0.8, -0.3), maxVelocity=V(0.3, 1.8, 0.3),
                       colorKeys=[(0, V4(1.0, 0.7, 0.2, 1.0)), (1, V4(1.0, 0.2, 0.0, 0.0))],
                       radiusKeys=[(0, 0.25), (1, 0.08)])
        # Chimney smoke from the lamp room's roof.
        top = (LIGHTHOUSE_AT[0], LIGHTHOUSE_AT[1] + 14.2, LIGHTHOUSE_AT[2])
        self.Particles('smoke', top, maxParticles=80, emissionInterval=0.3, particlesPerEmission=1,
                       particlesOnCreate=15, ageOffsetOnCreate=3.0, minLife=4.0, maxLife=5.0,
                       sorted=True, minVelocity=V(0.3, 0.6, -0.1), maxVelocity=V(0.6, 1.0, 0.1),
                       colorKeys=[(0, V4(0.8, 0.8, 0.8, 0.6)), (1, V4(0.9, 0.9, 0.9, 0.0))],
                       radiusKeys=[(0, 0.3), (1, 1.6)])
        self.Particles('firefly', (CAVE_AT[0], 1.6, CAVE_AT[2] - 3.0), maxParticles=60,
                       emissionInterval=0.25, particlesPerEmission=2, particlesOnCreate=30,
                       ageOffsetOnCreate=2.0, minLife=3.0, maxLife=6.0, emitterShape=1,
                       minEmitRadius=0.5, maxEmitRadius=3.0,
                       minVelocity=V(-0.3, -0.1, -0.3), maxVelocity=V(0.3, 0.2, 0.3),
                       colorKeys=[(0, V4(0.7, 1.0, 0.3, 0.0)), (0.3, V4(0.8, 1.0, 0.4, 1.0)),
                                  (1, V4(0.5, 0.9, 0.2, 0.0))],
                       radiusKeys=[(0, 0.2), (1, 0.12)])

    def Light(self, at, radius, colour):
        # Both lights cast shadows: the keeper, the crates and the rocks darken the sand.
        return _World.CreateObject(LIGHT, {'type': POINT_LIGHT, 'radius': radius, 'color': V(*colour),
                                           'castShadows': True, 'transform': At(*at)})

    def BuildLights(self):
        # Few lights: each one draws everything it reaches once more. The sun
        # is no light object: the effects add it in their ambient pass. The
        # lantern and the cave shine by glow.
        lamp = (LIGHTHOUSE_AT[0], LIGHTHOUSE_AT[1] + 13.0, LIGHTHOUSE_AT[2])
        self.Light(lamp, 24.0, (0.6, 0.5, 0.3))
        self.Light((CAMPFIRE_AT[0], 1.2, CAMPFIRE_AT[2]), 9.0, (1.0, 0.55, 0.2))

    def Sound(self, name, at=None, loop=False, play=False):
        path = ('Music/' if name.endswith('.ogg') else 'Sounds/') + name
        if not self.content.Has(path):
            return None
        keys = {'filename': path, 'loop': loop, 'play': play, 'positional': at is not None}
        if at is not None:
            keys['transform'] = At(*at)
        sound = _World.CreateObject(SOUND, keys)
        self.sounds[name] = sound
        return sound

    def BuildSounds(self):
        print('Cove: sounds of the cove: ' + ', '.join(self.content.Names('Sounds', '.wav')))
        self.Sound('Waves.wav', (0.0, 0.5, -14.0), loop=True, play=True)
        self.Sound('Fire.wav', CAMPFIRE_AT, loop=True, play=True)
        gull = self.Sound('Gull.wav', (0.0, 12.0, 0.0))
        if gull is not None and self.gull is not None:
            _World.objAttachObject(self.gull, gull, POSITION_ONLY, 0)
        self.Sound('Door.wav', DOOR_AT)
        self.Sound('Pickup.wav')
        self.Sound('Step.wav')
        self.Sound('Theme.ogg', loop=True, play=True)

    # ---- the player's view ---------------------------------------------

    def MakeCamera(self):
        self.camera = _World.CreateObject(CAMERA, {'transform': At(0, 1.7, -4)})
        _World.SetRenderCamera(self.camera)
        # The shell the player carries, seen in the corner of the view.
        self.pvShell = self.Mesh('Shell', At(0.32, -0.3, 0.7, 0.5), {'shell': 'shell'}, visible=False)
        if self.pvShell is not None:
            _World.objCamAttachPVObject(self.camera, self.pvShell)
        return self.camera

    def FollowEye(self, eye):
        if self.sky is not None:
            _World.objSetWorldTransform(self.sky, Scaled(eye.x, eye.y, eye.z, SKY_SIZE))

    def ShowCarriedShell(self):
        if self.pvShell is not None:
            _World.objSetVisible(self.pvShell, 1)

    # ---- what moves each frame ------------------------------------------

    def PlaySound(self, name):
        sound = self.sounds.get(name)
        if sound is not None:
            _World.sndPlay(sound, 0)

    def OpenDoor(self):
        self.doorTrack = Engine.FloatKeyTrack(0.0, DOOR_SLIDE, DOOR_SECONDS)
        self.doorTrack.InsertKeyframe(DOOR_SECONDS + 0.5, DOOR_SLIDE)
        self.doorTime = 0.0
        self.PlaySound('Door.wav')

    def DoorOpen(self):
        return self.doorTrack is not None and self.doorTime >= DOOR_SECONDS

    def DoorMoving(self):
        return self.doorTrack is not None and 0.0 <= self.doorTime < DOOR_SECONDS

    def Update(self, dt):
        if self.DoorMoving() and self.door is not None:
            self.doorTime += dt
            offset = self.doorTrack.Sample(min(self.doorTime, DOOR_SECONDS))
            _World.objSetWorldTransform(self.door, At(DOOR_AT[0] + offset, DOOR_AT[1], DOOR_AT[2]))
        elif self.DoorMoving():
            self.doorTime += dt
        if self.walking:
            self.keeperTime += dt
            f = self.keeperTrack.Sample(min(self.keeperTime, KEEPER_WALK_SECONDS))
            x = KEEPER_START[0] + (KEEPER_POST[0] - KEEPER_START[0]) * f
            z = KEEPER_START[2] + (KEEPER_POST[2] - KEEPER_START[2]) * f
            if self.keeperTime >= KEEPER_WALK_SECONDS:
                self.walking = False
                # At his post he turns to the beach and stands.
                _World.objSetWorldTransform(self.keeper, At(x, KEEPER_POST[1], z, 2.4))
                _World.objDynMeshStopAnimation(self.keeper, 'walk', 0.3)
                _World.objDynMeshPlayCycleAnimation(self.keeper, 'idle', 1.0, 0.3)
            else:
                _World.objSetWorldTransform(self.keeper, At(x, KEEPER_POST[1], z, self.KeeperWalkYaw()))

    def KeeperWave(self, toward):
        """He turns to whoever speaks to him and waves."""
        if self.keeper is None:
            return
        if not self.walking:
            here = self.KeeperPosition()
            yaw = math.atan2(toward.x - here.x, toward.z - here.z)
            _World.objSetWorldTransform(self.keeper, At(here.x, here.y, here.z, yaw))
        _World.objDynMeshPlayActionAnimation(self.keeper, 'wave', 0.3, 0.3)

    def KeeperPosition(self):
        if self.keeper is None:
            return V(*KEEPER_POST)
        return _World.objGetWorldTransform(self.keeper).GetTranslation()
