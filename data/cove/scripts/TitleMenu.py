# TitleMenu.py - the cove's title menu: the game's name, three buttons and a
# Yes/No box before leaving.
#
# The menu's events arrive at _Core.HandleEvent with the menu's event id as
# tuples: (2, width, height) when the screen is resized, (3, widget id, code)
# for widget events (code 2: activated).
import _Core
import _Engine
import _Menu

MENU_EVENT = 100
QUIT_BOX_EVENT = 101

TITLE, NEW_GAME, OPTIONS, QUIT = 1, 2, 3, 4
BUTTONS = ((NEW_GAME, "New Game"), (OPTIONS, "Options"), (QUIT, "Quit"))
ACTIVATED = 2
YES = 3


class TitleMenu:
    def __init__(self):
        self.menu = _Menu.CreateMenu(MENU_EVENT)
        _Core.SetEventHandler(MENU_EVENT, self.OnMenuEvent)
        _Core.SetEventHandler(QUIT_BOX_EVENT, self.OnQuitAnswer)
        self.title = _Menu.menuAddWidget(self.menu, 0, TITLE, "The Secret of Orrelin Cove",
                                         0, 0, 0, 0)
        self.buttons = [_Menu.menuAddWidget(self.menu, 2, id, text, 0, 0, 200, 20)
                        for id, text in BUTTONS]
        _Menu.menuSetFocusWidget(self.menu, self.buttons[0])
        self.Layout(*_Menu.GetScreenSize())

    def Show(self):
        _Menu.PushMenu(self.menu)

    def Layout(self, width, height):
        text = _Menu.widgetGetText(self.title)
        _Menu.widgetSetPos(self.title, (width - _Menu.widgetGetFontWidth(self.title, text)) // 2,
                           height // 4)
        y = height // 2
        for button in self.buttons:
            label = _Menu.widgetGetText(button)
            _Menu.widgetSetPos(button, (width - _Menu.widgetGetFontWidth(button, label)) // 2, y)
            y += 2 * max(_Menu.widgetGetFontHeight(button), 10)

    def OnMenuEvent(self, value):
        if value[0] == 2:
            self.Layout(value[1], value[2])
        elif value[0] == 3 and value[2] == ACTIVATED:
            self.OnActivated(value[1])

    def OnActivated(self, widgetId):
        if widgetId == NEW_GAME:
            _Menu.PopMenu()
            print("Cove: a new game begins.")
        elif widgetId == OPTIONS:
            _Menu.MessageBox("There is nothing to set yet.", 1, 0.0, 0, 0)
        elif widgetId == QUIT:
            _Menu.MessageBox("Leave Orrelin Cove?", 3, 0.0, 0, QUIT_BOX_EVENT)

    def OnQuitAnswer(self, button):
        if button == YES:
            _Engine.ConExecute("quit")
