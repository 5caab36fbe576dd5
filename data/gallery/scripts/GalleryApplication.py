# GalleryApplication.py - the application of the gallery sample mod.
#
# The mesh gallery needs no game logic of its own: its scene is placed by the test that runs it.
# Every callback returns True so that start-up and shutdown go on.


class GalleryApplication:
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
