// ScriptFixture.h - a script manager over a scratch package, with the console
// output captured and helpers that run Python text in the interpreter.
//
// Each test writes the scripts it needs (an application module, or a _Core of
// its own) into a temporary package mounted ahead of the repository's base
// package, then starts the manager. Eval returns repr() of an expression, or
// "raise <Type>: <message>" when it raised; Exec runs statements.
#pragma once

#include "script/PythonSupport.h"

#include "script/ScriptHost.h"
#include "script/ScriptManager.h"

#include "common/LogCapture.h"
#include "common/TestFiles.h"
#include "tier0/FileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scripttest {

// An application that accepts every callback.
inline const char kAcceptingApp[] = R"(
import _Engine
class App:
    def OnPreStartup(self): return True
    def OnStartup(self): return True
    def OnShutdown(self): return True
    def OnUpdate(self): return True
)";

// Prints into the fixture's text and hands out its world.
class FixtureHost : public ScriptHost {
 public:
  FixtureHost(std::string& printed, World*& world) : m_printed(printed), m_world(world) {}
  void Print(const char* text, bool) override { m_printed += text; }
  World* GetWorld() override { return m_world; }

 private:
  std::string& m_printed;
  World*& m_world;
};

class ScriptFixture : public ::testing::Test {
 protected:
  void SetUp() override { SetScriptHost(&m_host); }
  void TearDown() override {
    DestroyScriptManager();
    SetScriptHost(nullptr);
  }

  // Writes scripts/<name> into the scratch package.
  void WriteScript(const std::string& name, const std::string& text) {
    m_package.Write("scripts/" + name, text);
  }
  // Mounts the scratch package and base, then creates the manager.
  ScriptManager* Start(const std::string& className = "TestApp.App",
                       const std::string& appSource = kAcceptingApp) {
    if (!appSource.empty()) WriteScript("TestApp.py", appSource);
    kaztest::MountPackages({m_package.Str(), kaztest::BasePackageDir()});
    return CreateScriptManager(&m_events, className.c_str());
  }

  static std::string Eval(const std::string& expression) { return Run(expression, Py_eval_input); }
  static std::string Exec(const std::string& statements) { return Run(statements, Py_file_input); }
  static std::string Run(const std::string& text, int mode) {
    PyObject* globals = PyModule_GetDict(PyImport_AddModule("__main__"));
    PyObject* result = PyRun_String(text.c_str(), mode, globals, globals);
    if (!result) return Raised();
    PyObject* repr = mode == Py_eval_input ? PyObject_Repr(result) : nullptr;
    Py_DECREF(result);
    if (mode != Py_eval_input) return "ok";
    std::string shown = repr ? PyUnicode_AsUTF8(repr) : "<no repr>";
    Py_XDECREF(repr);
    return shown;
  }
  static std::string Raised() {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    std::string text = "raise ";
    text += type ? reinterpret_cast<PyTypeObject*>(type)->tp_name : "?";
    std::string message;
    if (value && PythonStr(value, message)) text += ": " + message;
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    return text;
  }
  // Whether scripts printed the text; the stream arrives in pieces, each
  // marked yellow, so the marks are dropped before looking.
  bool Printed(const std::string& text) const {
    std::string plain = m_printed;
    for (size_t at; (at = plain.find("[yellow]")) != std::string::npos;) plain.erase(at, 8);
    return plain.find(text) != std::string::npos;
  }

  kaztest::TempDir m_package{"kaz_script"};
  EngineEventListenerList m_events;
  std::string m_printed;
  World* m_world = nullptr;
  FixtureHost m_host{m_printed, m_world};
};

}  // namespace scripttest
