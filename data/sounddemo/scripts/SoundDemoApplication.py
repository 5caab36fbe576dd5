# SoundDemoApplication.py - the application of the sounddemo sample mod.
#
# The sound demo needs no game logic of its own: its sounds are placed by the test that runs it.
# Every callback returns True so that start-up and shutdown go on.


class SoundDemoApplication:
    def OnPreStartup(self):
        return True

    def OnStartup(self):
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

    def OnCharPress(self, character):
        return True
