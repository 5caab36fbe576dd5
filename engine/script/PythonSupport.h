// PythonSupport.h - the Python C API for the script area, and what its
// modules share.
//
// Include this first in every script source that talks to Python (Python.h
// must precede the standard headers). Nothing outside engine/script includes it.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string>

// Prints the pending exception, if any, through sys.stderr (the console) and
// clears it. The exception is not kept in sys.last_*: a kept traceback would
// hold frames and the world objects they reference.
void PrintPythonError();

// True while the interpreter runs under a script manager: engine-side entries
// (commands, timers, callbacks) do nothing otherwise.
bool ScriptsRunning();

// The engine's modules, registered before the interpreter starts.
PyObject* PyInit__Engine();
PyObject* PyInit__World();
PyObject* PyInit__Menu();

// Puts the importer of the engine's packages on sys.meta_path: modules come
// from folders and .pak archives in the file system's search order. False
// (after an error line) when it could not be installed.
bool InstallPackageImporter();

// Releases the callables behind script console commands and takes the
// commands out of the registry. Called before the interpreter finishes.
void ReleaseScriptCommands();
// Takes their menus and widgets from every live _Menu instance and stops menu
// events reaching the scripts. Called before the interpreter finishes.
void ReleaseScriptMenus();

// A new reference to the str of an object as UTF-8 text; false (error
// cleared) when it has none.
bool PythonStr(PyObject* object, std::string& out);

// Makes a type from its spec and publishes it in the module under `name`;
// the module keeps it alive. Null (with the Python error set) on failure.
PyTypeObject* AddModuleType(PyObject* module, PyType_Spec* spec, const char* name);
