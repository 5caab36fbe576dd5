# Checks.py - what the harness's test scripts share: checks that print one
# line each, and a record of every module function called.
import _Engine
import _Engine_SWIG
import _World

MODULES = (_Engine, _World, _Engine_SWIG)

passed = 0
failed = 0
called = set()


def check(name, condition, detail=''):
    global passed, failed
    if condition:
        passed += 1
        print('[check] PASS %s' % name)
    else:
        failed += 1
        print('[check] FAIL %s %s' % (name, detail))


def equal(name, actual, expected):
    check(name, actual == expected, 'got %r, expected %r' % (actual, expected))


def raises(name, function, args, kind, message=None):
    """Checks that function(*args) raises kind (with exactly that message)."""
    try:
        function(*args)
    except kind as error:
        if message is None or str(error) == message:
            check(name, True)
        else:
            check(name, False, 'message %r, expected %r' % (str(error), message))
        return
    except Exception as error:
        check(name, False, 'raised %r' % error)
        return
    check(name, False, 'did not raise')


def near(a, b, epsilon=1e-4):
    return abs(a - b) < epsilon


def functions(module):
    return sorted(name for name in dir(module)
                  if not name.startswith('__') and callable(getattr(module, name))
                  and not isinstance(getattr(module, name), type))


def _recording(moduleName, name, function):
    def call(*args):
        called.add(moduleName + '.' + name)
        return function(*args)
    call.__name__ = name
    return call


def record_calls():
    """Replaces every function of the three modules with a recording one."""
    for module in MODULES:
        for name in functions(module):
            setattr(module, name, _recording(module.__name__, name, getattr(module, name)))


def missing():
    result = []
    for module in MODULES:
        for name in functions(module):
            if module.__name__ + '.' + name not in called:
                result.append(module.__name__ + '.' + name)
    return result


def summary():
    notCalled = missing()
    total = sum(len(functions(module)) for module in MODULES)
    for name in notCalled:
        print('[check] NOT EXERCISED %s' % name)
    print('ScriptTest summary: %d passed, %d failed, %d of %d functions exercised'
          % (passed, failed, total - len(notCalled), total))
