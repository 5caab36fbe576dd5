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

// An application that accepts every callback and counts them.
inline const char kCountingApp[] = R"(
import _Engine
class App:
    def __init__(self):
        self.calls = []
    def OnPreStartup(self): return True
    def OnStartup(self): return True
    def OnShutdown(self): return True
    def OnUpdate(self): self.calls.append('update')
    def OnMouseMove(self, x, y): self.calls.append('mouse %d %d' % (x, y))
    def OnButtonPress(self, key): self.calls.append('press %d' % key)
    def OnButtonHold(self, key): self.calls.append('hold %d' % key)
    def OnButtonRelease(self, key): self.calls.append('release %d' % key)
    def OnCharPress(self, c): self.calls.append('char %s' % c)
)";

class ScriptFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptHost host;
    host.print = [this](const char* text, bool) { m_printed += text; };
    host.getWorld = [this] { return m_world; };
    SetScriptHost(host);
  }
  void TearDown() override {
    DestroyScriptManager();
    SetScriptHost({});
  }

  // Writes scripts/<name> into the scratch package.
  void WriteScript(const std::string& name, const std::string& text) {
    m_package.Write("scripts/" + name, text);
  }
  // Mounts the scratch package and base, then creates the manager.
  ScriptManager* Start(const std::string& className = "TestApp.App",
                       const std::string& appSource = kCountingApp) {
    if (!appSource.empty()) WriteScript("TestApp.py", appSource);
    kaztest::MountPackages({m_package.Str(), kaztest::SourceDir() + "/data/base"});
    return CreateScriptManager(&m_events, className.c_str());
  }

  static std::string Eval(const std::string& expression) {
    PyObject* main = PyImport_AddModule("__main__");
    PyObject* globals = PyModule_GetDict(main);
    PyObject* result = PyRun_String(expression.c_str(), Py_eval_input, globals, globals);
    if (!result) return Raised();
    PyObject* repr = PyObject_Repr(result);
    Py_DECREF(result);
    std::string text = repr ? PyUnicode_AsUTF8(repr) : "<no repr>";
    Py_XDECREF(repr);
    return text;
  }
  static std::string Exec(const std::string& statements) {
    PyObject* main = PyImport_AddModule("__main__");
    PyObject* globals = PyModule_GetDict(main);
    PyObject* result = PyRun_String(statements.c_str(), Py_file_input, globals, globals);
    if (!result) return Raised();
    Py_DECREF(result);
    return "ok";
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
};

inline EngineEvent MakeEvent(int code, int key = 0, int dx = 0, int dy = 0) {
  EngineEvent event;
  event.code = code;
  event.category = EngineEvent::CategoryOf(code);
  event.key = key;
  event.dx = dx;
  event.dy = dy;
  return event;
}

}  // namespace scripttest
