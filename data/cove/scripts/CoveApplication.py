# CoveApplication.py - the application of "The Secret of Orrelin Cove".
#
# The engine makes one CoveApplication at start-up (the mod's ClassName) and
# calls its methods for start-up, shutdown, every frame and every input event.
# Start-up shows the title menu.
# Each returns True: OnPreStartup, OnStartup and OnShutdown must, or the
# engine stops starting up.
import _Core
import _Engine

import TitleMenu


class CoveApplication:
    def __init__(self):
        self.frames = 0

    def OnPreStartup(self):
        print("Cove: preparing the game.")
        return True

    def OnStartup(self):
        print("Cove: the cove awaits.")
        _Engine.RegisterCCmd("cove", self.CoveCommand, "Says where you are.")
        _Core.SetTimer(1.0, self.OnFirstSecond)
        self.titleMenu = TitleMenu.TitleMenu()
        self.titleMenu.Show()
        return True

    def OnShutdown(self):
        print("Cove: leaving the cove after %d frames." % self.frames)
        return True

    def OnUpdate(self):
        self.frames += 1
        return True

    def OnMouseMove(self, x, y):
        return True

    def OnButtonPress(self, key):
        return True

    def OnButtonHold(self, key):
        return True

    def OnButtonRelease(self, key):
        return True

    def OnCharPress(self, character):
        return True

    def OnFirstSecond(self):
        print("Cove: one second has passed.")

    def CoveCommand(self, args):
        print("You stand on the shore of Orrelin Cove.")
        return 0
