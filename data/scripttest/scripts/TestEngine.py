# TestEngine.py - the _Engine module, run at start-up.
import _Core
import _Engine
from Checks import check, equal, raises

timerEvents = []


def Run(application):
    equal('GetApplication', _Engine.GetApplication() is application, True)
    equal('ConPrint', _Engine.ConPrint('[check] ConPrint prints this line\n'), None)

    equal('ConExecute unknown name', _Engine.ConExecute('nosuchname'), -1)
    equal('ConExecute sets silently', _Engine.ConExecute('ResX 800'), 0)
    equal('GetCVar after ConExecute', _Engine.GetCVar('resx'), 800)
    _Engine.SetCVar('ResX', 1024)
    equal('GetCVar unknown', _Engine.GetCVar('nothing'), None)

    equal('SetCVar creates', _Engine.SetCVar('ScriptTestFloat', 3.5), True)
    equal('GetCVar dynamic float', _Engine.GetCVar('ScriptTestFloat'), 3.5)
    equal('IsCVarStatic dynamic', _Engine.IsCVarStatic('ScriptTestFloat'), False)
    equal('IsCVarStatic builtin', _Engine.IsCVarStatic('ResX'), True)
    equal('IsCVarStatic unknown', _Engine.IsCVarStatic('nothing'), None)
    equal('GetCVarFlags dynamic', _Engine.GetCVarFlags('ScriptTestFloat'), 0)
    equal('GetCVarFlags unknown', _Engine.GetCVarFlags('nothing'), None)
    equal('SetCVarFlags', _Engine.SetCVarFlags('ScriptTestFloat', 1), True)
    equal('SetCVarFlags read back', _Engine.GetCVarFlags('ScriptTestFloat'), 1)
    equal('SetCVarFlags unknown', _Engine.SetCVarFlags('nothing', 1), False)

    raises('RegisterCCmd existing', _Engine.RegisterCCmd, ('help', print, ''), TypeError,
           'CCmd is already registered.')
    raises('RegisterCCmd not callable', _Engine.RegisterCCmd, ('scripttest_x', 5, ''),
           TypeError, 'Second parameter must be a callable object.')
    raises('RegisterCCmd arguments', _Engine.RegisterCCmd, ('scripttest_x',), TypeError)
    equal('RegisterCCmd', _Engine.RegisterCCmd('scripttest_five', lambda args: 5, 'Five.'), True)
    _Engine.RegisterCCmd('scripttest_text', lambda args: 'abc', '')
    _Engine.RegisterCCmd('scripttest_args', lambda args: len(args), '')
    equal('command result', _Engine.ConExecute('scripttest_five'), 5)
    equal('command text result', _Engine.ConExecute('scripttest_text'), 0)
    equal('command arguments', _Engine.ConExecute('scripttest_args a "b c" d'), 3)

    check('GetFrameDeltaTime', isinstance(_Engine.GetFrameDeltaTime(), float))
    check('GetTime', isinstance(_Engine.GetTime(), float))
    check('EnumerateFiles', 'ScriptTest.py' in _Engine.EnumerateFiles('scripts'))
    equal('EnumerateFiles missing', _Engine.EnumerateFiles('no/such/folder'), ())
    raises('EnumerateFiles argument', _Engine.EnumerateFiles, (5,), TypeError)

    _Core.SetEventHandler(9001, lambda value: timerEvents.append((value, _Engine.GetTime())))
    equal('RegisterTimerEvent', _Engine.RegisterTimerEvent(9001, 0.25), None)
    raises('RegisterTimerEvent arguments', _Engine.RegisterTimerEvent, ('x', 1.0), TypeError)

    equal('StartFade', _Engine.StartFade(0.5, 1), None)
    equal('StopFade', _Engine.StopFade(), None)
    equal('StartFlash', _Engine.StartFlash(0.25, 1.0, 0.5, 0.0), None)
    equal('StopFlash', _Engine.StopFlash(), None)
    raises('StartFlash arguments', _Engine.StartFlash, (1.0,), TypeError)
    equal('ForceRedraw', _Engine.ForceRedraw(), None)


def Finish():
    """Checks made at shutdown, after the frames."""
    equal('timer event fired once', len(timerEvents), 1)
    if timerEvents:
        value, when = timerEvents[0]
        equal('timer event value', value, None)
        check('timer event after its interval', when > 0.25, 'at %r' % when)
