# GalleryApplication.py - the application of the gallery sample mod.
#
# The mesh gallery needs no game logic of its own: its scene is placed by the test that runs it. _Core.Application answers
# every engine callback with True.
import _Core


class GalleryApplication(_Core.Application):
    pass
