# SoundDemoApplication.py - the application of the sounddemo sample mod.
#
# The sound demo needs no game logic of its own: its sounds are placed by the test that runs it. _Core.Application answers
# every engine callback with True.
import _Core


class SoundDemoApplication(_Core.Application):
    pass
