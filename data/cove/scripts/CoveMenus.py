# CoveMenus.py - the cove's menus: the title, the options, the pause menu,
# the credits, the Yes/No box before leaving and the timed hint boxes.
#
# Menu events arrive at _Core.HandleEvent with the menu's event id as
# tuples: (2, width, height) when the screen is resized, (3, widget id, code)
# for widget events (code 2 activated, 3 value changed).
import Engine
import _Core
import _Engine
import _Menu

TITLE_EVENT, OPTIONS_EVENT, PAUSE_EVENT, CREDITS_EVENT = 100, 101, 102, 103
QUIT_BOX_EVENT, HINT_EVENT = 110, 111

STATIC_TEXT, BUTTON, SWITCH, LIST, EDIT_BOX = 0, 2, 3, 4, 5
ACTIVATED, VALUE_CHANGED, FOCUS_NEXT, FOCUS_PREVIOUS = 2, 3, 4, 5
OKAY_STYLE, YES_NO_STYLE = 1, 3
YES = 3
BACKSPACE = '\b'

NAME_PREFIX = 'Your name: '
SENSITIVITIES = ('0.5', '0.75', '1.0', '1.5', '2.0', '3.0')


def TitleFont(widget):
    """The game's large title font, golden, where the packages have it."""
    if 'Title.f' in _Engine.EnumerateFiles('Fonts'):
        _Menu.widgetSetFont(widget, 'Fonts/Title.f')
    _Menu.widgetSetColor(widget, 4, Engine.Vector4D(1.0, 0.85, 0.45, 1.0))


class CoveMenu:
    """A scripted menu of one column of widgets, centred on the screen."""

    def __init__(self, eventId, title):
        self.eventId = eventId
        self.menu = _Menu.CreateMenu(eventId)
        _Core.SetEventHandler(eventId, self.OnEvent)
        self.widgets = []
        self.nextId = 1
        self.title = self.Add(STATIC_TEXT, title)
        self.actions = {}
        self.focus = None

    def Add(self, kind, text, action=None, width=220):
        widget = _Menu.menuAddWidget(self.menu, kind, self.nextId, text, 0, 0, width, 20)
        if action is not None:
            self.actions[self.nextId] = action
        self.nextId += 1
        self.widgets.append(widget)
        return widget

    def Focus(self, widget):
        _Menu.menuSetFocusWidget(self.menu, widget)
        self.focus = _Menu.widgetGetID(widget)

    def Focusable(self):
        return [_Menu.widgetGetID(w) for w in self.widgets
                if _Menu.widgetIsVisible(w) and _Menu.widgetIsEnabled(w) and not _Menu.widgetIsStatic(w)]

    def FollowFocus(self, widgetId, code):
        """The menu moves the focus itself; this keeps track of where it went."""
        ids = self.Focusable()
        if widgetId in ids:
            step = 1 if code == FOCUS_NEXT else -1
            self.focus = ids[(ids.index(widgetId) + step) % len(ids)]

    def IsActive(self):
        active = _Menu.GetActiveMenu()
        return active is not None and _Menu.menuGetEventListener(active) == self.eventId

    def Push(self):
        _Menu.PushMenu(self.menu)

    def Layout(self, width, height):
        y = height * self.top // 8
        for widget in self.widgets:
            label = _Menu.widgetGetText(widget)
            textWidth = _Menu.widgetGetFontWidth(widget, label)
            # Switches and lists show their value 150 pixels right of the label.
            shown = textWidth + (170 if _Menu.widgetGetID(widget) in self.valued else 0)
            _Menu.widgetSetPos(widget, (width - shown) // 2, int(y))
            y += max(_Menu.widgetGetFontHeight(widget), 10) * self.spacing

    valued = ()
    spacing = 2      # rows, in font heights
    top = 3          # eighths of the screen above the first row

    def OnEvent(self, value):
        if value[0] == 2:
            self.Layout(value[1], value[2])
        elif value[0] == 3 and value[2] in (FOCUS_NEXT, FOCUS_PREVIOUS):
            self.FollowFocus(value[1], value[2])
        elif value[0] == 3 and value[2] in (ACTIVATED, VALUE_CHANGED):
            action = self.actions.get(value[1])
            if action is not None:
                action(value[2])


class TitleMenu(CoveMenu):
    def __init__(self, game):
        CoveMenu.__init__(self, TITLE_EVENT, 'The Secret of Orrelin Cove')
        TitleFont(self.title)
        self.newGame = self.Add(BUTTON, 'New Game', lambda code: game.NewGame())
        self.Add(BUTTON, 'Options', lambda code: game.options.Push())
        self.Add(BUTTON, 'Quit', lambda code: game.AskQuit())
        self.Focus(self.newGame)
        _Menu.menuSetBgColor(self.menu, Engine.Vector4D(0.05, 0.08, 0.15, 0.55))


class OptionsMenu(CoveMenu):
    """InvertMouse (a switch), MouseSensitivity (a list) and the player's
    name (an edit box that takes typed characters while it has the focus)."""

    def __init__(self, game):
        CoveMenu.__init__(self, OPTIONS_EVENT, 'Options')
        self.game = game
        self.invert = self.Add(SWITCH, 'Invert mouse', self.OnInvert)
        self.sensitivity = self.Add(LIST, 'Mouse sensitivity', self.OnSensitivity)
        for item in SENSITIVITIES:
            _Menu.widgetListAddString(self.sensitivity, item)
        self.name = self.Add(EDIT_BOX, NAME_PREFIX, width=300)
        self.back = self.Add(BUTTON, 'Back', lambda code: self.Close())
        self.valued = (_Menu.widgetGetID(self.invert), _Menu.widgetGetID(self.sensitivity))
        self.Focus(self.invert)

    def Push(self):
        # Show the settings as they are now: the configuration may have changed them.
        _Menu.widgetBooleanSetValue(self.invert, 1 if _Engine.GetCVar('InvertMouse') else 0)
        current = _Engine.GetCVar('MouseSensitivity')
        best = min(range(len(SENSITIVITIES)), key=lambda i: abs(float(SENSITIVITIES[i]) - current))
        _Menu.widgetListSetCurSel(self.sensitivity, best)
        _Menu.widgetSetText(self.name, NAME_PREFIX + _Engine.GetCVar('cove_name'))
        self.Focus(self.invert)
        CoveMenu.Push(self)

    def Close(self):
        if self.IsActive():
            _Menu.PopMenu()

    def OnInvert(self, code):
        value = bool(_Menu.widgetBooleanGetValue(self.invert))
        _Engine.SetCVar('InvertMouse', value)
        print('Cove: the mouse is %s.' % ('inverted' if value else 'upright'))

    def OnSensitivity(self, code):
        item = _Menu.widgetListGetString(self.sensitivity, _Menu.widgetListGetCurSel(self.sensitivity))
        _Engine.SetCVar('MouseSensitivity', float(item))

    def OnChar(self, character):
        """Typing edits the name while the edit box has the focus."""
        if not self.IsActive() or self.focus != _Menu.widgetGetID(self.name):
            return
        text = _Menu.widgetGetText(self.name)
        if character == BACKSPACE:
            text = text[:-1] if len(text) > len(NAME_PREFIX) else text
        elif ' ' <= character <= '~' and len(text) < len(NAME_PREFIX) + 20:
            text += character
        else:
            return
        _Menu.widgetSetText(self.name, text)
        _Engine.SetCVar('cove_name', text[len(NAME_PREFIX):])


class PauseMenu(CoveMenu):
    def __init__(self, game):
        CoveMenu.__init__(self, PAUSE_EVENT, 'Paused')
        self.resume = self.Add(BUTTON, 'Resume', lambda code: game.Resume())
        self.Add(BUTTON, 'Options', lambda code: game.options.Push())
        self.Add(BUTTON, 'Quit', lambda code: game.AskQuit())
        self.Focus(self.resume)

    def Push(self):
        self.Focus(self.resume)
        CoveMenu.Push(self)


class CreditsMenu(CoveMenu):
    LINES = ('You opened the sea cave of Orrelin Cove.', '', 'A demo of the Kaz engine',
             'Made by the Kaz engine team', '', 'Press Escape to leave.')
    spacing = 1.5
    top = 1

    def __init__(self, game):
        CoveMenu.__init__(self, CREDITS_EVENT, 'The End')
        TitleFont(self.title)
        self.thanks = self.Add(STATIC_TEXT, '')
        for line in self.LINES:
            self.Add(STATIC_TEXT, line, width=500)
        _Menu.menuSetBgColor(self.menu, Engine.Vector4D(0.0, 0.0, 0.0, 0.6))

    def Show(self, name):
        _Menu.widgetSetText(self.thanks, 'Thank you for playing, %s.' % name)
        self.Push()


def ShowHint(text, seconds):
    """A box that closes by itself after the given seconds (or with Enter)."""
    _Menu.MessageBox(text, OKAY_STYLE, seconds, 1, HINT_EVENT)


def AskYesNo(text, callback):
    _Core.SetEventHandler(QUIT_BOX_EVENT, lambda button: callback(button == YES))
    _Menu.MessageBox(text, YES_NO_STYLE, 0.0, 0, QUIT_BOX_EVENT)
