# ScriptTest.py - the application of the script test harness.
#
# At start-up it runs one test script per engine module; over the frames a
# driver feeds (tests/script/HarnessTest.cpp) it records the callbacks, and at
# shutdown it checks them and prints the summary:
#   10 frames; key 30 held for 3 frames; character 'a'; mouse (3, -2) for one
#   frame; "scripttest_mark"; GamePaused 1; key 31 pressed, 3 frames, released;
#   GamePaused 0; "scripttest_mark"; 2 frames.
import _Core
import _Engine
import Checks
from Checks import check, equal

Checks.record_calls()


class Harness:
    def __init__(self):
        self.updates = 0
        self.presses, self.holds, self.releases = [], [], []
        self.chars, self.mouse, self.marks = [], [], []
        self.timerTimes, self.pausedTimer = [], []

    def OnPreStartup(self):
        if _Engine.GetCVar('ScriptTestMode') is None:
            _Engine.SetCVar('ScriptTestMode', 'run')
        return True

    def OnStartup(self):
        mode = _Engine.GetCVar('ScriptTestMode')
        if mode == 'cancel':
            return False
        if mode == 'cancel1':
            return 1
        import TestEngine
        import TestMath
        import TestWorld
        self.tests = (TestEngine, TestWorld, TestMath)
        TestEngine.Run(self)
        body = TestWorld.Run(self)
        TestMath.Run(self, body)
        _Core.SetTimer(0.5, self.OnTimer)
        _Engine.RegisterCCmd('scripttest_mark', self.Mark, 'Marks a point of the harness run.')
        print('ScriptTest: start-up checks done')
        return True

    def OnTimer(self):
        self.timerTimes.append((_Engine.GetTime(), _Engine.GetFrameDeltaTime()))

    def Mark(self, args):
        self.marks.append(self.updates)
        if len(self.marks) == 1:
            _Core.SetTimer(0.15, self.pausedTimer.append, 'fired')
        else:
            equal('paused timer did not run', self.pausedTimer, [])
        return 0

    def OnShutdown(self):
        if not hasattr(self, 'tests'):
            return True
        equal('key presses (also while paused)', self.presses, [30, 31])
        equal('key holds (none while paused)', self.holds, [30, 30, 30])
        equal('key releases', self.releases, [30, 31])
        equal('characters', self.chars, ['a'])
        equal('mouse motion', self.mouse, [(3, -2)])
        equal('no updates while paused', len(self.marks) == 2 and self.marks[0] == self.marks[1], True)
        equal('updates', self.updates, 16)
        equal('timer fired once', len(self.timerTimes), 1)
        if self.timerTimes:
            now, delta = self.timerTimes[0]
            check('timer fired in the first frame beyond 0.5 s', now > 0.5 and now - delta <= 0.5,
                  'at %r' % now)
        equal('timer set while paused fired after the pause', self.pausedTimer, ['fired'])
        self.tests[0].Finish()
        Checks.summary()
        return True

    def OnUpdate(self):
        self.updates += 1
        return True

    def OnMouseMove(self, x, y):
        self.mouse.append((x, y))
        return True

    def OnButtonPress(self, key):
        self.presses.append(key)
        return True

    def OnButtonHold(self, key):
        self.holds.append(key)
        return True

    def OnButtonRelease(self, key):
        self.releases.append(key)
        return True

    def OnCharPress(self, character):
        self.chars.append(character)
        return True
