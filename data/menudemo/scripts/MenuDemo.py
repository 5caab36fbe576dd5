# MenuDemo.py - one widget of each kind and the four message-box styles.
#
# The menu's events arrive at _Core.HandleEvent with MENU_EVENT as tuples;
# the boxes answer with BOX_EVENT and the pressed button (1 Okay, 2 Cancel,
# 3 Yes, 4 No) or the timeout result.
import _Core
import _Menu
import Engine

MENU_EVENT = 200
BOX_EVENT = 201

STATIC_TEXT, STATIC_IMAGE, BUTTON, SWITCH, LIST, EDIT_BOX = range(6)
BOX_TEXTS = (
    "Style 1 has one button. It closes by itself after ten seconds.",
    "Style 2 asks Okay or Cancel.",
    "Style 3 asks Yes or No.",
    "Style 4 asks Yes, No or Cancel. After this one the demo is done.",
)
BACKSPACE = 8


class MenuDemoApplication:
    def OnPreStartup(self):
        return True

    def OnStartup(self):
        self.menu = _Menu.CreateMenu(MENU_EVENT)
        _Core.SetEventHandler(MENU_EVENT, self.OnMenuEvent)
        _Core.SetEventHandler(BOX_EVENT, self.OnBoxAnswer)
        add = lambda type, id, text, x, y, w, h: _Menu.menuAddWidget(self.menu, type, id, text,
                                                                     x, y, w, h)
        add(0, 1, "Every widget, and the four message boxes:", 20, 10, 400, 16)
        image = add(1, 2, "", 540, 370, 64, 64)
        _Menu.widgetSetTexture(image, 0, "Textures/badge.tga")
        _Menu.widgetSetColor(image, 4, Engine.Vector4D(1, 1, 1, 1))
        self.button = add(2, 3, "Button", 20, 40, 120, 16)
        self.switch = add(3, 4, "Switch", 20, 62, 120, 16)
        _Menu.widgetBooleanSetValue(self.switch, 1)
        self.list = add(4, 5, "List", 20, 84, 120, 16)
        for item in ("Alpha", "Beta", "Gamma"):
            _Menu.widgetListAddString(self.list, item)
        self.edit = add(5, 6, "Name: kaz", 20, 106, 200, 16)
        _Menu.menuSetFocusWidget(self.menu, self.button)
        _Menu.PushMenu(self.menu)
        self.style = 0
        self.NextBox()
        return True

    def NextBox(self):
        self.style += 1
        if self.style <= len(BOX_TEXTS):
            timeout = 10.0 if self.style == 1 else 0.0
            _Menu.MessageBox(BOX_TEXTS[self.style - 1], self.style, timeout, 1, BOX_EVENT)

    def OnBoxAnswer(self, result):
        print("MenuDemo: box %d answered %d" % (self.style, result))
        self.NextBox()

    def OnMenuEvent(self, value):
        if value[0] == 3:
            print("MenuDemo: widget %d event %d" % (value[1], value[2]))

    def OnCharPress(self, character):
        if _Menu.GetActiveMenu() is None:
            return True
        text = _Menu.widgetGetText(self.edit)
        if character == chr(BACKSPACE):
            text = text[:-1] if len(text) > len("Name: ") else text
        elif character >= " ":
            text += character
        _Menu.widgetSetText(self.edit, text)
        return True

    def OnShutdown(self):
        return True

    def OnUpdate(self):
        return True

    def OnMouseMove(self, x, y):
        return True

    def OnButtonPress(self, key):
        return True

    def OnButtonHold(self, key):
        return True

    def OnButtonRelease(self, key):
        return True
