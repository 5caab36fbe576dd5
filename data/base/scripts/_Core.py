# _Core.py - where the engine enters the game's scripts.
#
# The engine calls three functions here: GetApplicationClass(name) once at
# start-up for the mod's application object, HandleEvent(eventId, value) for
# timer events, menu events and message-box results, and PythonShutdown() at
# shutdown. Scripts set timers with SetTimer and listen for menu events with
# SetEventHandler. Only built-in modules can be imported besides the game's
# own scripts, so this module uses __import__ and nothing from the library.
import _Engine

# Timer ids count down from here so they never meet the ids games pick for menus.
_FIRST_TIMER_ID = -1000

_timers = {}
_handlers = {}
_nextTimerId = _FIRST_TIMER_ID


def GetApplicationClass(name):
    """Makes the application object for "module.Class"; a bare "Class" lives
    in a module of the same name."""
    moduleName, dot, className = name.rpartition('.')
    if not dot:
        moduleName = className
    module = __import__(moduleName)
    for part in moduleName.split('.')[1:]:
        module = getattr(module, part)
    return getattr(module, className)()


def SetTimer(seconds, callback, *args):
    """Calls callback(*args) once after the given seconds of game time.
    Returns the timer's event id."""
    global _nextTimerId
    eventId = _nextTimerId
    _nextTimerId -= 1
    _timers[eventId] = (callback, args)
    _Engine.RegisterTimerEvent(eventId, seconds)
    return eventId


def CancelTimer(eventId):
    """The timer's callback will not run; True when it was still waiting."""
    return _timers.pop(eventId, None) is not None


def SetEventHandler(eventId, callback):
    """Calls callback(value) for every HandleEvent with this id (menus,
    message boxes); None removes the handler."""
    if callback is None:
        _handlers.pop(eventId, None)
    else:
        _handlers[eventId] = callback


def HandleEvent(eventId, value):
    timer = _timers.pop(eventId, None)
    if timer is not None:
        callback, args = timer
        callback(*args)
        return
    handler = _handlers.get(eventId)
    if handler is not None:
        handler(value)


def PythonShutdown():
    _timers.clear()
    _handlers.clear()


class Application:
    """A base for a mod's application class: every callback the engine makes
    returns True, so a subclass defines only the ones it needs."""

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
