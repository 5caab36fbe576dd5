// ScriptErrors.cpp - import failures and repeated callback exceptions; see ScriptErrors.h.
#include "script/PythonSupport.h"

#include "script/ScriptErrors.h"

#include "base/Log.h"

#include <vector>

namespace {

// A new reference to an attribute, or null (error cleared).
PyObject* Attr(PyObject* object, const char* name) {
  PyObject* value = object ? PyObject_GetAttrString(object, name) : nullptr;
  if (!value) PyErr_Clear();
  return value;
}

std::string TextAttr(PyObject* object, const char* name) {
  PyObject* value = Attr(object, name);
  std::string text;
  if (value && value != Py_None) PythonStr(value, text);
  Py_XDECREF(value);
  return text;
}

long IntAttr(PyObject* object, const char* name) {
  PyObject* value = Attr(object, name);
  long number = value && PyLong_Check(value) ? PyLong_AsLong(value) : 0;
  Py_XDECREF(value);
  PyErr_Clear();
  return number;
}

// Where a traceback last ran a module's own code (a frame named "<module>"),
// or where it ends: file, line and, for module code, the module's name.
struct Place {
  std::string file;
  long line = 0;
  std::string module;
};

Place InnermostPlace(PyObject* traceback, bool moduleCodeOnly) {
  Place place;
  PyObject* tb = traceback;
  Py_XINCREF(tb);
  while (tb && tb != Py_None) {
    PyObject* frame = Attr(tb, "tb_frame");
    PyObject* code = Attr(frame, "f_code");
    const bool moduleCode = TextAttr(code, "co_name") == "<module>";
    if (moduleCode || !moduleCodeOnly) {
      place.file = TextAttr(code, "co_filename");
      place.line = IntAttr(tb, "tb_lineno");
      place.module.clear();
      PyObject* globals = moduleCode ? Attr(frame, "f_globals") : nullptr;
      PyObject* name = globals && PyDict_Check(globals)
                           ? PyDict_GetItemString(globals, "__name__")  // borrowed
                           : nullptr;
      if (name) PythonStr(name, place.module);
      Py_XDECREF(globals);
    }
    Py_XDECREF(code);
    Py_XDECREF(frame);
    PyObject* next = Attr(tb, "tb_next");
    Py_DECREF(tb);
    tb = next;
  }
  Py_XDECREF(tb);
  return place;
}

// The dotted module name of a file below one of sys.path's folders.
std::string ModuleOfFile(const std::string& file) {
  PyObject* path = PySys_GetObject("path");  // borrowed
  const Py_ssize_t count = path && PyList_Check(path) ? PyList_Size(path) : 0;
  for (Py_ssize_t i = 0; i < count; ++i) {
    std::string folder;
    if (!PythonStr(PyList_GetItem(path, i), folder) || folder.empty()) continue;
    if (folder.back() != '/') folder += '/';
    if (file.compare(0, folder.size(), folder) != 0) continue;
    std::string name = file.substr(folder.size());
    if (name.size() > 3 && name.ends_with(".py")) name.resize(name.size() - 3);
    if (name.ends_with("/__init__")) name.resize(name.size() - 9);
    for (char& c : name)
      if (c == '/') c = '.';
    return name;
  }
  return "?";
}

}  // namespace

bool ReportImportFailure(const std::string& wantedModule) {
  if (!PyErr_Occurred()) return false;
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  if (traceback && value) PyException_SetTraceback(value, traceback);

  std::string line;
  if (PyErr_GivenExceptionMatches(type, PyExc_SyntaxError)) {
    const std::string file = TextAttr(value, "filename");
    line = "Failed to import script module '" + ModuleOfFile(file) + "' (" + file + ", line " +
           std::to_string(IntAttr(value, "lineno")) + ").";
  } else if (Place place = InnermostPlace(traceback, true); !place.file.empty()) {
    line = "Failed to import script module '" + place.module + "' (" + place.file + ", line " +
           std::to_string(place.line) + ").";
  } else if (PyErr_GivenExceptionMatches(type, PyExc_ModuleNotFoundError) &&
             TextAttr(value, "name") == wantedModule) {
    line = "Failed to import script module '" + wantedModule + "': no " + wantedModule +
           ".py in the scripts folders of the mod's packages.";
  }
  if (line.empty()) {
    PyErr_Restore(type, value, traceback);
    return false;
  }
  PyErr_Display(type, value, traceback);
  Py_XDECREF(type);
  Py_XDECREF(value);
  Py_XDECREF(traceback);
  PyErr_Clear();
  LogError("%s", line.c_str());
  return true;
}

// ---------------------------------------------------------------------------

namespace {
// What makes two exceptions "the same": their type, text and the place they
// were raised.
std::string PendingSignature() {
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  std::string signature = type ? reinterpret_cast<PyTypeObject*>(type)->tp_name : "?";
  std::string text;
  if (value && PythonStr(value, text)) signature += ": " + text;
  const Place place = InnermostPlace(traceback, false);
  signature += " @ " + place.file + ":" + std::to_string(place.line);
  PyErr_Restore(type, value, traceback);
  return signature;
}
}  // namespace

void RepeatedErrorFilter::Failed(const char* callback) {
  const std::string signature = PendingSignature();
  const auto now = std::chrono::steady_clock::now();
  auto it = m_repeats.find(callback);
  if (it != m_repeats.end() && it->second.signature == signature) {
    PyErr_Clear();
    Repeat& repeat = it->second;
    ++repeat.count;
    if (std::chrono::duration<double>(now - repeat.since).count() >= kSummarySeconds) {
      LogCount(callback, repeat, false);
      repeat.count = 0;
      repeat.since = now;
    }
    return;
  }
  if (it != m_repeats.end()) LogCount(callback, it->second, true);
  PrintPythonError();
  m_repeats[callback] = Repeat{signature, 0, now};
}

void RepeatedErrorFilter::Succeeded(const char* callback) {
  if (m_repeats.empty()) return;  // the usual case, every frame
  auto it = m_repeats.find(callback);
  if (it == m_repeats.end()) return;
  LogCount(callback, it->second, true);
  m_repeats.erase(it);
}

void RepeatedErrorFilter::Flush() {
  for (const auto& [callback, repeat] : m_repeats) LogCount(callback, repeat, true);
  m_repeats.clear();
}

void RepeatedErrorFilter::LogCount(const std::string& callback, const Repeat& repeat, bool ended) {
  if (repeat.count == 0) return;
  if (ended)
    LogWarning("%s raised the same exception %d more time(s) in a row.", callback.c_str(),
               repeat.count);
  else
    LogWarning("%s keeps raising the same exception: %d more time(s) in the last %g seconds.",
               callback.c_str(), repeat.count, kSummarySeconds);
}
