// CVarPython.cpp - console variables as Python values; see CVarPython.h.
#include "script/CVarPython.h"

#include <climits>
#include <string>

namespace {

int32_t IntFromPython(PyObject* value) {
  if (!value || !PyNumber_Check(value)) return 0;
  PyObject* number = PyNumber_Long(value);
  if (!number) {
    PyErr_Clear();
    return 0;
  }
  int overflow = 0;
  long long result = PyLong_AsLongLongAndOverflow(number, &overflow);
  Py_DECREF(number);
  if (result == -1 && PyErr_Occurred()) {
    PyErr_Clear();
    return 0;
  }
  if (overflow > 0 || result > INT32_MAX) return INT32_MAX;
  if (overflow < 0 || result < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(result);
}

float FloatFromPython(PyObject* value) {
  if (!value || !PyNumber_Check(value)) return 0.0f;
  double result = PyFloat_AsDouble(value);
  if (result == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    return 0.0f;
  }
  return static_cast<float>(result);
}

std::string StringFromPython(PyObject* value) {
  std::string text;
  PythonStr(value, text);
  return text;
}

void DynamicFromPython(CVarDynamic& cvar, PyObject* value) {
  if (PyLong_Check(value)) {
    cvar.SetInt(IntFromPython(value));
  } else if (PyFloat_Check(value)) {
    cvar.SetFloat(FloatFromPython(value));
  } else if (PyUnicode_Check(value)) {
    const char* text = PyUnicode_AsUTF8(value);
    if (!text) PyErr_Clear();
    cvar.SetString(text ? text : "");
  } else {
    std::string text;
    if (PythonStr(value, text))
      cvar.SetString(text);
    else
      cvar.SetInt(0);
  }
}

}  // namespace

void CVarSetFromPython(CVar& cvar, PyObject* value) {
  switch (cvar.GetType()) {
    case CVarType::Bool:
      static_cast<CVarBool&>(cvar).Set(value == Py_True);
      break;
    case CVarType::Int:
      static_cast<CVarInt&>(cvar).Set(IntFromPython(value));
      break;
    case CVarType::Float:
      static_cast<CVarFloat&>(cvar).Set(FloatFromPython(value));
      break;
    case CVarType::String:
      static_cast<CVarString&>(cvar).Set(StringFromPython(value));
      break;
    case CVarType::Dynamic:
      if (value) DynamicFromPython(static_cast<CVarDynamic&>(cvar), value);
      break;
  }
}

PyObject* CVarToPython(const CVar& cvar) {
  switch (cvar.GetType()) {
    case CVarType::Bool:
      return PyBool_FromLong(static_cast<const CVarBool&>(cvar).Get());
    case CVarType::Int:
      return PyLong_FromLong(static_cast<const CVarInt&>(cvar).Get());
    case CVarType::Float:
      return PyFloat_FromDouble(static_cast<const CVarFloat&>(cvar).Get());
    case CVarType::String: {
      const std::string& text = static_cast<const CVarString&>(cvar).Get();
      return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
    }
    case CVarType::Dynamic:
      return CVarToPython(static_cast<const CVarDynamic&>(cvar).GetValue());
  }
  Py_RETURN_NONE;
}
