// EngineModule.cpp - the _Engine script module: console, variables, time,
// files, timers and the screen effects.
#include "script/PythonSupport.h"

#include "script/CVarPython.h"
#include "script/ScriptFunctions.h"
#include "script/ScriptHost.h"
#include "script/ScriptManager.h"

#include "base/KazEngine.h"
#include "console/CommandRegistry.h"
#include "console/CVarRegistry.h"
#include "tier0/FileSystem.h"

#include <climits>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The callables behind script commands, one reference each.
struct ScriptCommand {
  std::string name;
  PyObject* callable;
};
std::vector<ScriptCommand> g_commands;

// The console command handler of every script command.
int CommandTrampoline(int argc, const char* const* argv, void* userData) {
  if (!ScriptsRunning() || !userData) return 0;
  PyObject* arguments = PyTuple_New(argc);
  if (!arguments) {
    PyErr_Clear();
    return 0;
  }
  for (int i = 0; i < argc; ++i) {
    const char* token = argv[i] ? argv[i] : "";
    PyObject* text = PyUnicode_DecodeUTF8(token, static_cast<Py_ssize_t>(strlen(token)), "replace");
    if (!text) {
      PyErr_Clear();
      Py_DECREF(arguments);
      return 0;
    }
    PyTuple_SET_ITEM(arguments, i, text);
  }
  PyObject* result = PyObject_CallOneArg(static_cast<PyObject*>(userData), arguments);
  Py_DECREF(arguments);
  if (!result) {
    PrintPythonError();
    return 0;
  }
  // Numbers only (floats truncated); None and anything else mean success.
  PyObject* number = PyNumber_Check(result) ? PyNumber_Long(result) : nullptr;
  Py_DECREF(result);
  if (!number) {
    PyErr_Clear();
    return 0;
  }
  int overflow = 0;
  long value = PyLong_AsLongAndOverflow(number, &overflow);
  Py_DECREF(number);
  if (PyErr_Occurred()) {
    PyErr_Clear();
    return 0;
  }
  if (overflow != 0 || value > INT_MAX || value < INT_MIN)
    return overflow < 0 || value < 0 ? INT_MIN : INT_MAX;
  return static_cast<int>(value);
}

PyObject* GetApplication(PyObject*, PyObject*) {
  ScriptManager* manager = GetScriptManager();
  PyObject* application = manager ? manager->GetApplication() : nullptr;
  if (!application) Py_RETURN_NONE;
  Py_INCREF(application);
  return application;
}

PyObject* ConPrint(PyObject*, PyObject* args) {
  const char* text;
  if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
  std::string line = std::string("[yellow]") + text;
  if (ScriptHost* host = GetScriptHost())
    host->Print(line.c_str(), true);
  else
    std::fputs(text, stdout);
  Py_RETURN_NONE;
}

PyObject* ConExecute(PyObject*, PyObject* args) {
  const char* text;
  if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
  IKazEngine* engine = kazGetInterface();
  return PyLong_FromLong(engine ? engine->ExecuteCommand(false, "%s", text) : -1);
}

PyObject* RegisterCCmd(PyObject*, PyObject* args) {
  const char* name;
  PyObject* callable;
  const char* doc;
  if (!PyArg_ParseTuple(args, "sOs:_Engine.RegisterCCmd", &name, &callable, &doc)) return nullptr;
  if (!PyCallable_Check(callable)) {
    PyErr_SetString(PyExc_TypeError, "Second parameter must be a callable object.");
    return nullptr;
  }
  if (!CommandRegistry::Instance().RegisterCommand(name, &CommandTrampoline, doc, callable)) {
    PyErr_SetString(PyExc_TypeError, "CCmd is already registered.");
    return nullptr;
  }
  Py_INCREF(callable);
  g_commands.push_back(ScriptCommand{name, callable});
  Py_RETURN_TRUE;
}

PyObject* SetCVar(PyObject*, PyObject* args) {
  const char* name;
  PyObject* value;
  if (!PyArg_ParseTuple(args, "sO", &name, &value)) return nullptr;
  CVarRegistry& cvars = CVarRegistry::Instance();
  CVar* cvar = cvars.Find(name);
  const bool created = !cvar;
  if (!cvar) cvar = cvars.CreateDynamic(name, 0);
  if (!cvar) Py_RETURN_FALSE;
  CVarSetFromPython(*cvar, value);
  // The first call declares a script's setting with its default; a value the
  // configuration file saved for it (kept until now) replaces that default.
  if (created) cvars.TakeKeptValue(*cvar);
  Py_RETURN_TRUE;
}

PyObject* GetCVar(PyObject*, PyObject* args) {
  const char* name;
  if (!PyArg_ParseTuple(args, "s", &name)) return nullptr;
  const CVar* cvar = CVarRegistry::Instance().Find(name);
  if (!cvar) Py_RETURN_NONE;
  return CVarToPython(*cvar);
}

PyObject* SetCVarFlags(PyObject*, PyObject* args) {
  const char* name;
  int flags;
  if (!PyArg_ParseTuple(args, "si", &name, &flags)) return nullptr;
  CVar* cvar = CVarRegistry::Instance().Find(name);
  if (!cvar) Py_RETURN_FALSE;
  cvar->SetFlags(static_cast<uint32_t>(flags));
  Py_RETURN_TRUE;
}

PyObject* GetCVarFlags(PyObject*, PyObject* args) {
  const char* name;
  if (!PyArg_ParseTuple(args, "s", &name)) return nullptr;
  const CVar* cvar = CVarRegistry::Instance().Find(name);
  if (!cvar) Py_RETURN_NONE;
  return PyLong_FromUnsignedLong(cvar->GetFlags());
}

PyObject* IsCVarStatic(PyObject*, PyObject* args) {
  const char* name;
  if (!PyArg_ParseTuple(args, "s", &name)) return nullptr;
  const CVar* cvar = CVarRegistry::Instance().Find(name);
  if (!cvar) Py_RETURN_NONE;
  return PyBool_FromLong(cvar->IsStatic());
}

PyObject* GetFrameDeltaTime(PyObject*, PyObject*) {
  IKazEngine* engine = kazGetInterface();
  return PyFloat_FromDouble(engine ? engine->GetFrameDeltaTime() : 0.0);
}

PyObject* GetTime(PyObject*, PyObject*) {
  IKazEngine* engine = kazGetInterface();
  return PyFloat_FromDouble(engine ? engine->GetTime() : 0.0);
}

PyObject* EnumerateFiles(PyObject*, PyObject* args) {
  const char* path;
  if (!PyArg_ParseTuple(args, "s:_Engine.EnumerateFiles", &path)) return nullptr;
  std::vector<std::string> names = FileSystem::EnumerateFiles(path);
  PyObject* tuple = PyTuple_New(static_cast<Py_ssize_t>(names.size()));
  if (!tuple) return nullptr;
  for (size_t i = 0; i < names.size(); ++i) {
    PyObject* name =
        PyUnicode_DecodeUTF8(names[i].data(), static_cast<Py_ssize_t>(names[i].size()), "replace");
    if (!name) {
      Py_DECREF(tuple);
      return nullptr;
    }
    PyTuple_SET_ITEM(tuple, static_cast<Py_ssize_t>(i), name);
  }
  return tuple;
}

PyObject* RegisterTimerEvent(PyObject*, PyObject* args) {
  int eventId;
  float seconds;
  if (!PyArg_ParseTuple(args, "if:_Engine.RegisterTimerEvent", &eventId, &seconds)) return nullptr;
  if (ScriptManager* manager = GetScriptManager()) manager->RegisterTimerEvent(eventId, seconds);
  Py_RETURN_NONE;
}

PyObject* StartFade(PyObject*, PyObject* args) {
  float seconds;
  int mode;
  if (!PyArg_ParseTuple(args, "fi:_Engine.StartFade", &seconds, &mode)) return nullptr;
  if (ScriptHost* host = GetScriptHost()) host->StartFade(seconds, mode != 0);
  Py_RETURN_NONE;
}

PyObject* StopFade(PyObject*, PyObject*) {
  if (ScriptHost* host = GetScriptHost()) host->StopFade();
  Py_RETURN_NONE;
}

PyObject* StartFlash(PyObject*, PyObject* args) {
  float seconds, red, green, blue;
  if (!PyArg_ParseTuple(args, "ffff:_Engine.StartFlash", &seconds, &red, &green, &blue))
    return nullptr;
  if (ScriptHost* host = GetScriptHost()) host->StartFlash(seconds, red, green, blue);
  Py_RETURN_NONE;
}

PyObject* StopFlash(PyObject*, PyObject*) {
  if (ScriptHost* host = GetScriptHost()) host->StopFlash();
  Py_RETURN_NONE;
}

PyObject* ForceRedraw(PyObject*, PyObject*) {
  if (ScriptHost* host = GetScriptHost()) host->ForceRedraw();
  Py_RETURN_NONE;
}

const char kNone[] = "";

const ScriptFunction kFunctions[] = {
    {"GetApplication", GetApplication,
     "Gets the Engine.Application class instance currently being used.", "none",
     "the application object, or None", kNone},
    {"ConPrint", ConPrint, "Prints to the ingame console.", "text (str)",
     "None; prints the text to the console in yellow, as a stream", kNone},
    {"ConExecute", ConExecute,
     "Executes a console command. Returns numeric return code (0 on sucess).", "line (str)",
     "the result code of the last console line (0 success, -1 unknown name or read-only variable)",
     kNone},
    {"RegisterCCmd", RegisterCCmd, "Registers a ccmd callback.", "name (str), callable, doc (str)",
     "True; typing the name in the console calls callable(args) with a tuple of the argument "
     "strings; a number returned is the line's result code (anything else gives 0)",
     "TypeError \"Second parameter must be a callable object.\", \"CCmd is already registered.\""},
    {"SetCVar", SetCVar, "Sets the value of the given cvar.", "name (str), value",
     "True, or False when the variable could not be created; an unknown name creates a variable "
     "whose type follows the value, and a value the configuration file saved for it then "
     "replaces the one given",
     kNone},
    {"GetCVar", GetCVar, "Gets the value of the given cvar.", "name (str)",
     "the value (bool, int, float or str), or None for an unknown name", kNone},
    {"SetCVarFlags", SetCVarFlags, "Sets the flags for the given cvar.", "name (str), flags (int)",
     "True, or False for an unknown name", kNone},
    {"GetCVarFlags", GetCVarFlags, "Gets the flags for the given cvar.", "name (str)",
     "the flags (int), or None for an unknown name", kNone},
    {"IsCVarStatic", IsCVarStatic, "Determines whether the cvar is static.", "name (str)",
     "True for built-in variables, False for script variables, None for an unknown name", kNone},
    {"GetFrameDeltaTime", GetFrameDeltaTime,
     "Gets the current delta time for this frame (in seconds).", "none",
     "the scaled duration of the frame in seconds (float)", kNone},
    {"GetTime", GetTime, "Gets the value of the global timer (in seconds).", "none",
     "the sum of all scaled frame durations in seconds (float)", kNone},
    {"EnumerateFiles", EnumerateFiles,
     "Returns a tuple containing all the file names in the given path.", "path (str)",
     "a tuple of the file names in the virtual folder", kNone},
    {"RegisterTimerEvent", RegisterTimerEvent, "", "eventId (int), seconds (float)",
     "None; after that much unpaused game time _Core.HandleEvent(eventId, None) runs once", kNone},
    {"StartFade", StartFade, "", "seconds (float), mode (int)",
     "None; mode 0 fades in from black, any other mode fades out to black", kNone},
    {"StopFade", StopFade, "", "none", "None; ends the fade", kNone},
    {"StartFlash", StartFlash, "", "seconds (float), red, green, blue (floats)",
     "None; flashes the screen in that colour", kNone},
    {"StopFlash", StopFlash, "", "none", "None; ends the flash", kNone},
    {"ForceRedraw", ForceRedraw, "", "none", "None; draws and presents the overlays at once",
     kNone},
};

PyModuleDef g_module = {
    PyModuleDef_HEAD_INIT, "_Engine", nullptr, -1, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyObject* PyInit__Engine() {
  static MethodTable methods(kFunctions);
  g_module.m_methods = methods.Get();
  return PyModule_Create2(&g_module, PYTHON_API_VERSION);
}

void ReleaseScriptCommands() {
  CommandRegistry& registry = CommandRegistry::Instance();
  for (ScriptCommand& command : g_commands) {
    // Only our own entry leaves: the name may have been taken over since.
    const ConsoleCommand* entry = registry.Find(command.name);
    if (entry && entry->userData == command.callable) registry.UnregisterCommand(command.name);
    Py_DECREF(command.callable);
  }
  g_commands.clear();
}

std::span<const ScriptFunction> GetEngineModuleFunctions() {
  return kFunctions;
}
