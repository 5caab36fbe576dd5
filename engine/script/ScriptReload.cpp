// ScriptReload.cpp - running a saved script module again; see ScriptReload.h.
#include "script/PythonSupport.h"

#include "script/ScriptReload.h"

namespace {

// reload(path) returns None when no module came from the file, True when it
// ran again, or the reason it did not. Patching the old functions' code
// rather than rebinding their names is what lets objects made before the
// reload (the application above all) reach the new bodies.
const char kReloadScript[] = R"(
import posix, sys

# Built-in modules only: a game's scripts may run without the library.
_Function = type(lambda: None)

def _same(a, b):
    if a.rpartition('/')[2] != b.rpartition('/')[2]:
        return False
    try:
        x, y = posix.stat(a), posix.stat(b)
    except (OSError, TypeError, ValueError):
        return False
    return (x.st_dev, x.st_ino) == (y.st_dev, y.st_ino)

def _patch_function(old, new):
    try:
        old.__code__ = new.__code__
    except ValueError:  # other free variables: the caller rebinds instead
        return False
    old.__defaults__ = new.__defaults__
    old.__kwdefaults__ = new.__kwdefaults__
    old.__doc__ = new.__doc__
    old.__dict__.update(new.__dict__)
    return True

_OWN = ('__dict__', '__weakref__')

def _patch_class(old, new):
    for key in [k for k in old.__dict__ if k not in new.__dict__ and k not in _OWN]:
        try:
            delattr(old, key)
        except (AttributeError, TypeError):
            pass
    for key, value in list(new.__dict__.items()):
        if key in _OWN:
            continue
        current = old.__dict__.get(key)
        if (isinstance(current, _Function) and isinstance(value, _Function)
                and _patch_function(current, value)):
            continue
        try:
            setattr(old, key, value)
        except (AttributeError, TypeError):
            pass

def _reason(error, path):
    line = None
    trace = error.__traceback__
    while trace is not None:
        if _same(trace.tb_frame.f_code.co_filename, path):
            line = trace.tb_lineno
        trace = trace.tb_next
    text = '%s: %s' % (type(error).__name__, error)
    if line is not None and not isinstance(error, SyntaxError):
        text += ' (line %d)' % line
    return text

def reload(path):
    module = None
    for candidate in list(sys.modules.values()):
        file = getattr(candidate, '__file__', None)
        if isinstance(file, str) and _same(file, path):
            module = candidate
            break
    if module is None:
        return None
    namespace = module.__dict__
    before = dict(namespace)
    try:
        with open(path, 'rb') as source:
            code = compile(source.read(), module.__file__, 'exec')
        exec(code, namespace)
    except BaseException as error:
        namespace.clear()
        namespace.update(before)
        return _reason(error, path)
    name = module.__name__
    for key, old in before.items():
        new = namespace.get(key)
        if new is old or new is None:
            continue
        if (isinstance(old, _Function) and isinstance(new, _Function)
                and new.__module__ == name and _patch_function(old, new)):
            namespace[key] = old
        elif (isinstance(old, type) and isinstance(new, type)
                and old.__module__ == name and new.__module__ == name):
            _patch_class(old, new)
            namespace[key] = old
    return True
)";

// A new reference to the helper's reload function, or null (error printed).
PyObject* ReloadFunction() {
  PyObject* globals = PyDict_New();
  if (!globals || PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) != 0) {
    Py_XDECREF(globals);
    return nullptr;
  }
  PyObject* result = PyRun_String(kReloadScript, Py_file_input, globals, globals);
  PyObject* function = nullptr;
  if (result) {
    Py_DECREF(result);
    function = PyDict_GetItemString(globals, "reload");  // borrowed
    Py_XINCREF(function);
  }
  Py_DECREF(globals);
  return function;
}

}  // namespace

ScriptReload ReloadScriptModule(const std::string& nativePath, std::string* reason) {
  if (!ScriptsRunning()) return ScriptReload::NotLoaded;
  PyObject* function = ReloadFunction();
  PyObject* path = function ? PyUnicode_DecodeFSDefault(nativePath.c_str()) : nullptr;
  PyObject* result = path ? PyObject_CallOneArg(function, path) : nullptr;
  Py_XDECREF(path);
  Py_XDECREF(function);
  if (!result) {
    PrintPythonError();
    if (reason) *reason = "the reload itself failed";
    return ScriptReload::Failed;
  }
  ScriptReload outcome = ScriptReload::Reloaded;
  if (result == Py_None) {
    outcome = ScriptReload::NotLoaded;
  } else if (result != Py_True) {
    outcome = ScriptReload::Failed;
    std::string text;
    if (reason) *reason = PythonStr(result, text) ? text : "unknown error";
  }
  Py_DECREF(result);
  return outcome;
}
