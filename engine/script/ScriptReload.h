// ScriptReload.h - runs a saved script file again in the module loaded from it.
//
// The module's code runs again in its own namespace. Functions and classes
// the new code defines again keep their identity and take the new bodies, so
// the application object (and anything else made from them) keeps its state
// while every call from then on reaches the new code. Module-level statements
// run again too. A file that does not compile, or whose code raises, leaves
// the namespace as it was. Only with a running script manager.
// Builds on the Python C API (inside engine/script only).
#pragma once

#include <string>

enum class ScriptReload {
  NotLoaded,  // no module was loaded from that file: nothing runs it yet
  Reloaded,
  Failed,  // the reason says why; the module is as it was
};

// nativePath: the file as the operating system names it.
ScriptReload ReloadScriptModule(const std::string& nativePath, std::string* reason);
