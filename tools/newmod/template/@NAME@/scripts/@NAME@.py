# @NAME@.py - the application of "@TITLE@", made from the Kaz new-game template.
#
# The engine makes one Game at start-up (the mod file's ClassName) and calls
# its methods: OnStartup once, OnUpdate every frame, OnButtonPress and the
# others for input. Here: a camera, a floor, a box that falls onto it, a
# light, a player who walks (W A S D, the mouse to look, Space to jump) and a
# title menu with New Game and Quit; Escape brings the menu back.
# docs/making-a-game.md explains every call; docs/scripting.md lists them all.
import Engine
import _Core
import _Engine
import _Menu
import _World

V = Engine.Vector3D
M = Engine.Matrix4x4
PC = Engine.PlayerController

# _World.CreateObject's object types, and values of its keys.
NULL, CAMERA, STATIC_MESH, LIGHT, JOINT = 1, 2, 3, 5, 6
BOX, CAPSULE = 2, 3            # 'colType'
POINT_LIGHT = 1                # a light's 'type'
UP_VECTOR_JOINT = 0            # a joint's 'type': keeps the player upright
# Engine key codes (a replay file names them: W, A, S, D, Space, Escape).
KEY_ESCAPE, KEY_W, KEY_A, KEY_S, KEY_D, KEY_SPACE = 1, 17, 29, 30, 31, 55
MOVES = {KEY_W: PC.moveForward, KEY_S: PC.moveBackward, KEY_A: PC.moveLeft,
         KEY_D: PC.moveRight, KEY_SPACE: PC.moveJump}
# _Menu widget types, and the events a menu sends to its handler.
STATIC_TEXT, BUTTON = 0, 2
MENU_RESIZED, WIDGET_EVENT, ACTIVATED = 2, 3, 2
TITLE_MENU = 1                 # the title menu's event id
TITLE, NEW_GAME, QUIT = 1, 2, 3  # its widgets' ids

START = (0.0, 0.1, -6.0)
EYE_HEIGHT = 1.6
WALK_SPEED = 4.0
MOUSE_RADIANS = 0.004          # per mouse unit at MouseSensitivity 1


def At(x, y, z):
    return M.MakeTranslation(V(x, y, z))


def Material(texture):
    """The base package's lit effect with one picture."""
    return _World.CreateRenderMaterial('RenderEffects/default.fx', {'DiffuseMap': texture})


class Game(_Core.Application):
    def __init__(self):
        self.keys = set()
        self.yaw = 0.0
        self.pitch = 0.25
        self.playing = False

    def OnStartup(self):
        self.camera = _World.CreateObject(CAMERA, {'transform': At(0.0, EYE_HEIGHT, -6.0)})
        _World.SetRenderCamera(self.camera)
        _World.CreateObject(LIGHT, {'type': POINT_LIGHT, 'radius': 20.0, 'color': V(1.0, 0.95, 0.85),
                                    'transform': At(2.0, 5.0, -3.0)})
        _World.CreateObject(STATIC_MESH, {'filename': 'Meshes/floor.mesh', 'colType': BOX,
                                          'defaultMaterial': Material('Textures/floor.png')})
        self.box = _World.CreateObject(STATIC_MESH, {
            'filename': 'Meshes/box.mesh', 'colType': BOX, 'dynamic': True,
            'defaultMaterial': Material('Textures/box.png'), 'transform': At(0.0, 4.0, 0.0)})
        self.MakePlayer()
        self.MakeTitleMenu()
        print('@TITLE@: ready.')
        return True

    def OnShutdown(self):
        print('@TITLE@: goodbye.')
        return True

    # ---- the player ----------------------------------------------------

    def MakePlayer(self):
        self.player = _World.CreateObject(NULL, {
            'transform': At(*START), 'colType': CAPSULE, 'dynamic': True,
            'mins': V(-0.35, 0.0, -0.35), 'maxs': V(0.35, 1.8, 0.35)})
        _World.objSetAngularDamping(self.player, V(10.0, 10.0, 10.0))
        _World.CreateObject(JOINT, {'type': UP_VECTOR_JOINT, 'pinDir1': V(0, 1, 0), 'object1': self.player})
        self.controller = PC()
        self.controller.Init(self.player)
        self.controller.SetRunSpeed(WALK_SPEED)

    def OnUpdate(self):
        flags = 0
        if self.playing:
            for key, flag in MOVES.items():
                if key in self.keys:
                    flags |= flag
        self.controller.SetHeadingAngle(self.yaw)
        self.controller.Update(flags)
        # The camera rides at the player's eyes.
        view = M.MakeYRotation(self.yaw)
        view.RotateX(self.pitch)
        eye = _World.objGetWorldTransform(self.player).GetTranslation() + V(0.0, EYE_HEIGHT, 0.0)
        view.Translate(eye)
        _World.objSetWorldTransform(self.camera, view)
        return True

    def OnMouseMove(self, x, y):
        if self.playing:
            turn = MOUSE_RADIANS * _Engine.GetCVar('MouseSensitivity')
            self.yaw += x * turn
            self.pitch = max(-1.2, min(1.2, self.pitch + y * turn))
        return True

    def OnButtonPress(self, key):
        if key == KEY_ESCAPE and self.playing:
            self.ShowMenu()
        else:
            self.keys.add(key)
        return True

    def OnButtonRelease(self, key):
        self.keys.discard(key)
        return True

    # ---- the title menu --------------------------------------------------

    def MakeTitleMenu(self):
        self.menu = _Menu.CreateMenu(TITLE_MENU)
        _Core.SetEventHandler(TITLE_MENU, self.OnMenuEvent)
        self.widgets = [_Menu.menuAddWidget(self.menu, STATIC_TEXT, TITLE, '@TITLE@', 0, 0, 300, 20),
                        _Menu.menuAddWidget(self.menu, BUTTON, NEW_GAME, 'New Game', 0, 0, 200, 20),
                        _Menu.menuAddWidget(self.menu, BUTTON, QUIT, 'Quit', 0, 0, 200, 20)]
        _Menu.menuSetFocusWidget(self.menu, self.widgets[1])
        _Menu.menuSetBgColor(self.menu, Engine.Vector4D(0.0, 0.0, 0.1, 0.5))
        self.Layout(*_Menu.GetScreenSize())
        self.ShowMenu()

    def ShowMenu(self):
        self.playing = False
        self.keys.clear()
        _Menu.PushMenu(self.menu)

    def Layout(self, width, height):
        """One centred column; runs again when the screen size changes."""
        y = height // 3
        for widget in self.widgets:
            textWidth = _Menu.widgetGetFontWidth(widget, _Menu.widgetGetText(widget))
            _Menu.widgetSetPos(widget, (width - textWidth) // 2, y)
            y += 2 * max(_Menu.widgetGetFontHeight(widget), 10)

    def OnMenuEvent(self, value):
        if value[0] == MENU_RESIZED:
            self.Layout(value[1], value[2])
        elif value[0] == WIDGET_EVENT and value[2] == ACTIVATED:
            if value[1] == NEW_GAME:
                _Menu.PopMenu()
                self.playing = True
            elif value[1] == QUIT:
                _Engine.ConExecute('quit')
