# CoveApplication.py - the application of "The Secret of Orrelin Cove".
#
# The engine makes one CoveApplication at start-up (the mod's ClassName) and
# calls its methods for start-up, shutdown, every frame and every input event;
# each returns True. The game: walk the cove (W A S D and the mouse, or the
# arrow keys to turn), gather the three glowing shells (walk over them, or
# look at one and press E or click), talk with the lighthouse keeper (E near
# him), and enter the sea cave he opens. Escape pauses.
import math

import Engine
import _Core
import _Engine
import _Menu
import _World

import CoveMenus
import CoveWorld

V = Engine.Vector3D
PC = Engine.PlayerController

KEY_ESCAPE, KEY_W, KEY_E, KEY_A, KEY_S, KEY_D, KEY_SPACE = 1, 17, 18, 29, 30, 31, 55
KEY_LEFT, KEY_RIGHT, MOUSE_LEFT = 121, 122, 143
MOVES = {KEY_W: PC.moveForward, KEY_S: PC.moveBackward, KEY_A: PC.moveLeft, KEY_D: PC.moveRight,
         KEY_SPACE: PC.moveJump}
NO_SAVE = 1

START = (0.0, 0.6, -4.0)
EYE_HEIGHT = 1.6
WALK_SPEED = 5.0
TURN_SPEED = 1.6          # radians a second with the arrow keys
MOUSE_RADIANS = 0.004     # per mouse unit at sensitivity 1
PICK_REACH = 4.0
WALK_OVER = 1.3
TALK_REACH = 4.5
CAVE_DEPTH = 2.0          # metres past the cliff face that count as inside
STEP_SECONDS = 0.45


class Random:
    """A small linear congruential generator: the same seed, the same cove."""

    def __init__(self, seed):
        self.state = seed & 0x7fffffff

    def Next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7fffffff
        return self.state

    def Range(self, low, high):
        return low + (high - low) * (self.Next() / float(0x7fffffff))


class CoveApplication:
    def __init__(self):
        self.frames = 0
        self.world = None
        self.player = None
        self.controller = None
        self.keys = set()
        self.yaw = 0.0
        self.pitch = 0.0
        self.shellsFound = 0
        self.talked = False
        self.caveOpen = False
        self.ended = False
        self.playing = False
        self.stepTime = 0.0
        self.shakeTime = 0.0

    # ---- the engine's calls -----------------------------------------------

    def OnPreStartup(self):
        _Engine.SetCVar('cove_seed', 1)
        _Engine.SetCVar('cove_name', 'Wanderer')
        _Engine.SetCVar('cove_trace', False)  # prints where you are every ten frames
        for name in ('cove_seed', 'cove_name', 'cove_trace'):
            _Engine.SetCVarFlags(name, NO_SAVE)
        # The glow's blur costs most of a software-rendered frame at the
        # engine's 512; the cove's soft halos look the same at 256. A size the
        # player chose (configuration or command line) is kept.
        if _Engine.GetCVar('GlowTextureSize') == 512:
            _Engine.SetCVar('GlowTextureSize', 256)
        return True

    def OnStartup(self):
        seed = _Engine.GetCVar('cove_seed')
        self.random = Random(seed if isinstance(seed, int) else 1)
        _Engine.RegisterCCmd('cove', self.CoveCommand, 'Tells how the search for the cove\'s secret goes.')
        _Engine.RegisterCCmd('cove_where', self.WhereCommand, 'Prints where you stand and look.')
        self.world = CoveWorld.CoveWorld(self.random)
        self.world.Build()
        self.MakePlayer()
        self.title = CoveMenus.TitleMenu(self)
        self.options = CoveMenus.OptionsMenu(self)
        self.pause = CoveMenus.PauseMenu(self)
        self.credits = CoveMenus.CreditsMenu(self)
        self.title.Push()
        self.ScheduleGull()
        print('Cove: the cove awaits (seed %d).' % seed)
        print('Cove: mouse sensitivity %.2f, %s.' % (_Engine.GetCVar('MouseSensitivity'),
                                                   'inverted' if _Engine.GetCVar('InvertMouse') else 'upright'))
        return True

    def OnShutdown(self):
        print('Cove: leaving the cove after %d frames.' % self.frames)
        return True

    def OnUpdate(self):
        self.frames += 1
        dt = _Engine.GetFrameDeltaTime()
        self.world.Update(dt)
        if self.InPlay():
            self.Walk(dt)
            self.CheckShells()
            self.CheckCave()
        else:
            self.controller.Update(0)
        self.PlaceCamera(dt)
        if self.frames == 1:
            # From the first frame on, not at start-up: loading takes its own time.
            _Engine.StartFade(1.0, 0)
        elif self.frames % 10 == 0 and self.playing and _Engine.GetCVar('cove_trace'):
            self.WhereCommand(())
        return True

    def OnMouseMove(self, x, y):
        if self.InPlay():
            scale = MOUSE_RADIANS * _Engine.GetCVar('MouseSensitivity')
            self.yaw += x * scale
            dy = -y if _Engine.GetCVar('InvertMouse') else y
            self.pitch = max(-1.2, min(1.2, self.pitch + dy * scale))
        return True

    def OnButtonPress(self, key):
        if key == KEY_ESCAPE:
            self.OnEscape()
        elif self.InPlay():
            self.keys.add(key)
            if key in (KEY_E, MOUSE_LEFT):
                self.Use()
        return True

    def OnButtonHold(self, key):
        return True

    def OnButtonRelease(self, key):
        self.keys.discard(key)
        return True

    def OnCharPress(self, character):
        self.options.OnChar(character)
        return True

    # ---- the player -----------------------------------------------------

    def MakePlayer(self):
        self.player = _World.CreateObject(CoveWorld.NULL, {
            'transform': CoveWorld.At(*START), 'colType': CoveWorld.CAPSULE, 'dynamic': True,
            'mins': V(-0.35, 0.0, -0.35), 'maxs': V(0.35, 1.8, 0.35)})
        _World.objSetAngularDamping(self.player, V(10.0, 10.0, 10.0))
        # Keep the body upright whatever it bumps into.
        self.upright = _World.CreateObject(CoveWorld.JOINT, {
            'type': CoveWorld.UP_VECTOR_JOINT, 'pinDir1': V(0, 1, 0), 'object1': self.player})
        self.controller = PC()
        self.controller.Init(self.player)
        self.controller.SetRunSpeed(WALK_SPEED)
        self.world.MakeCamera()

    def Position(self):
        return _World.objGetWorldTransform(self.player).GetTranslation()

    def InPlay(self):
        return self.playing and not self.ended and _Menu.GetActiveMenu() is None

    def Walk(self, dt):
        if KEY_LEFT in self.keys:
            self.yaw -= TURN_SPEED * dt
        if KEY_RIGHT in self.keys:
            self.yaw += TURN_SPEED * dt
        flags = 0
        for key, flag in MOVES.items():
            if key in self.keys:
                flags |= flag
        self.controller.SetHeadingAngle(self.yaw)
        self.controller.Update(flags)
        if flags & (PC.moveForward | PC.moveBackward | PC.moveLeft | PC.moveRight):
            self.stepTime += dt
            if self.stepTime >= STEP_SECONDS:
                self.stepTime = 0.0
                self.world.PlaySound('Step.wav')

    def PlaceCamera(self, dt):
        view = Engine.Matrix4x4.MakeYRotation(self.yaw)
        view.RotateX(self.pitch)
        eye = self.Position() + V(0.0, EYE_HEIGHT, 0.0)
        view.Translate(eye)
        _World.objSetWorldTransform(self.world.camera, view)
        self.world.FollowEye(eye)
        if self.shakeTime > 0.0:
            # The ground rumbles while the cave door grinds open.
            self.shakeTime -= dt
            amount = 0.04 * min(self.shakeTime, 1.0)
            shake = Engine.Matrix4x4.MakeTranslation(
                V(self.random.Range(-amount, amount), self.random.Range(-amount, amount), 0.0))
            _World.objCamSetSecondaryTransform(self.world.camera, shake)
        else:
            _World.objCamSetSecondaryTransform(self.world.camera, Engine.Matrix4x4())

    def LookDirection(self):
        view = _World.objGetWorldTransform(self.world.camera)
        return view.GetForward()

    # ---- the story --------------------------------------------------------

    def NewGame(self):
        _Menu.ClearMenuStack()
        self.playing = True
        _Engine.StartFade(1.0, 0)
        name = _Engine.GetCVar('cove_name')
        print('Cove: a new game begins for %s.' % name)
        CoveMenus.ShowHint('Welcome, %s. Three shells glow on the sand of Orrelin Cove. '
                           'Gather them and bring them to the keeper of the lighthouse.' % name, 2.5)

    def Use(self):
        """E or a click: talk to the keeper when near him, else pick what you look at."""
        if self.Distance(self.world.KeeperPosition()) < TALK_REACH:
            self.TalkToKeeper()
            return
        eye = self.Position() + V(0.0, EYE_HEIGHT, 0.0)
        hit = _World.IntersectRay(eye, self.LookDirection(), 1)
        if hit is None or hit[4] > PICK_REACH:
            return
        for shell in self.world.shells:
            if _World.objIsEqual(shell, hit[0]):
                self.TakeShell(shell)
                return

    def Distance(self, point):
        here = self.Position()
        return math.hypot(here.x - point.x, here.z - point.z)

    def CheckShells(self):
        for shell in list(self.world.shells):
            if self.Distance(_World.objGetWorldTransform(shell).GetTranslation()) < WALK_OVER:
                self.TakeShell(shell)

    def TakeShell(self, shell):
        self.world.shells = [s for s in self.world.shells if not _World.objIsEqual(s, shell)]
        _World.RemoveObject(shell)
        self.shellsFound += 1
        self.world.PlaySound('Pickup.wav')
        self.world.ShowCarriedShell()
        _Engine.StartFlash(0.4, 1.0, 0.9, 0.6)
        print('Cove: a glowing shell (%d of 3).' % self.shellsFound)
        if self.shellsFound == 3:
            CoveMenus.ShowHint('That is all three shells. The keeper waits by the lighthouse.', 3.0)

    def TalkToKeeper(self):
        self.world.KeeperWave(self.Position())
        if self.shellsFound < 3:
            CoveMenus.ShowHint('Keeper: "The cave keeps its secret until three glowing shells come '
                               'home. You have %d."' % self.shellsFound, 3.0)
            return
        if self.caveOpen:
            CoveMenus.ShowHint('Keeper: "Go on, the cave is open."', 2.0)
            return
        self.talked = True
        self.caveOpen = True
        # He waves first, then speaks.
        _Core.SetTimer(1.0, CoveMenus.ShowHint, 'Keeper: "Three shells! Listen... the sea cave opens. '
                       'Its secret is yours, %s."' % _Engine.GetCVar('cove_name'), 3.0)
        self.world.OpenDoor()
        self.shakeTime = CoveWorld.DOOR_SECONDS
        print('Cove: the sea cave opens.')

    def CheckCave(self):
        here = self.Position()
        inside = (self.world.DoorOpen() and abs(here.x - CoveWorld.CAVE_AT[0]) < 2.5
                  and here.z > CoveWorld.CAVE_AT[2] + CAVE_DEPTH)
        if inside:
            self.ended = True
            self.keys.clear()
            _Engine.StartFade(2.0, 1)
            _Core.SetTimer(2.0, self.ShowEnding)

    def ShowEnding(self):
        print('Cove: the end.')
        _Engine.StopFade()
        _Engine.StartFade(1.0, 0)
        self.credits.Show(_Engine.GetCVar('cove_name'))

    # ---- menus --------------------------------------------------------------

    def OnEscape(self):
        if self.options.IsActive():
            _Menu.PopMenu()
        elif self.pause.IsActive():
            self.Resume()
        elif self.credits.IsActive():
            self.BackToTitle()
        elif not self.title.IsActive() and (self.playing or self.ended):
            self.keys.clear()
            _Engine.SetCVar('GamePaused', True)
            self.pause.Push()

    def BackToTitle(self):
        """Escape after the ending: a fresh cove, as at start-up, behind the title menu."""
        print('Cove: back to the title.')
        _Menu.ClearMenuStack()
        # The old cove goes before the new one is built: never two at once.
        self.world = self.player = self.upright = self.controller = None
        _World.Reset()
        self.keys.clear()
        self.yaw = self.pitch = 0.0
        self.shellsFound = 0
        self.talked = self.caveOpen = self.ended = self.playing = False
        self.stepTime = self.shakeTime = 0.0
        seed = _Engine.GetCVar('cove_seed')
        self.random = Random(seed if isinstance(seed, int) else 1)
        self.world = CoveWorld.CoveWorld(self.random)
        self.world.Build()
        self.MakePlayer()
        self.title.Push()
        _Engine.StartFade(1.0, 0)

    def Resume(self):
        if self.pause.IsActive():
            _Menu.PopMenu()
        _Engine.SetCVar('GamePaused', False)

    def AskQuit(self):
        CoveMenus.AskYesNo('Leave Orrelin Cove?', self.OnQuitAnswer)

    def OnQuitAnswer(self, yes):
        if yes:
            print('Cove: farewell.')
            _Engine.ConExecute('quit')
        else:
            print('Cove: you stay a while.')

    # ---- sounds and console commands -------------------------------------

    def ScheduleGull(self):
        _Core.SetTimer(self.random.Range(3.0, 8.0), self.GullCries)

    def GullCries(self):
        self.world.PlaySound('Gull.wav')
        self.ScheduleGull()

    def CoveCommand(self, args):
        state = 'the cave is open' if self.caveOpen else 'the cave is shut'
        print('Cove: %d of 3 shells, %s%s.' % (self.shellsFound, state,
                                              ', the story has ended' if self.ended else ''))
        return 0

    def WhereCommand(self, args):
        here = self.Position()
        print('Cove: you stand at (%.1f, %.1f, %.1f) facing %.0f degrees.'
              % (here.x, here.y, here.z, math.degrees(self.yaw)))
        return 0
