// WorldCreation.cpp - creation records from the keyword dictionaries of
// _World.CreateObject.
//
// The keys are CreationKeys.cpp's; this visitor reads them from a dictionary.
// A present key of the wrong kind keeps the record's default: integers must
// be numbers (floats truncated, then masked to unsigned long) inside the key's
// range, booleans exactly True or False, floats any number, strings anything
// str() accepts, matrices and vectors the math module's. Each mistake (an
// unknown key, a value of the wrong kind, a missing required key) is reported
// once per object type and key, naming both.
#include "script/PythonSupport.h"

#include "script/CreationKeys.h"
#include "script/MathBridge.h"
#include "script/WorldModule.h"

#include "base/Log.h"
#include "tier1/WorldObject.h"

#include <cmath>
#include <set>
#include <string>

namespace {

class DictReader final : public CreationKeyVisitor {
 public:
  DictReader(PyObject* dict, uint32_t type) : m_dict(dict), m_typeName(GetObjectTypeName(type)) {}

  void Count(const CreationKey& key, uint32_t& out) override {
    if (PyObject* value = Get(key)) {
      if (!ReadInt(value, out, 0, 0xffffffffu)) WrongKind(key, KeyKind::Count, value);
    }
  }
  void Enum(const CreationKey& key, uint32_t& out, const EnumTable& table) override {
    PyObject* value = Get(key);
    if (!value) return;
    uint32_t read = out;
    const uint32_t first = table.values.front().value, last = table.values.back().value;
    if (ReadInt(value, read, first, last) && table.Contains(read)) {
      out = read;
      return;
    }
    const std::string kind = std::string("one of the ") + table.title + " (" +
                             std::to_string(first) + " to " + std::to_string(last) + ")";
    WrongKind(key, kind.c_str(), value);
  }
  void Bool(const CreationKey& key, bool& out) override {
    PyObject* value = Get(key);
    if (!value) return;
    if (value == Py_True || value == Py_False)
      out = value == Py_True;
    else
      WrongKind(key, KeyKind::Bool, value);
  }
  void Float(const CreationKey& key, float& out) override {
    if (PyObject* value = Get(key)) {
      if (!Number(value, &out)) WrongKind(key, KeyKind::Float, value);
    }
  }
  void String(const CreationKey& key, std::string& out) override {
    if (PyObject* value = Get(key)) {
      if (!PythonStr(value, out)) WrongKind(key, KeyKind::String, value);
    }
  }
  void Vector(const CreationKey& key, Vector3D& out) override {
    if (PyObject* value = Get(key)) {
      if (!KazMath_ToVector3D(value, &out)) WrongKind(key, KeyKind::Vector, value);
    }
  }
  void Colour(const CreationKey& key, Vector3D& out) override {
    PyObject* value = Get(key);
    Vector4D colour;
    if (!value || KazMath_ToVector3D(value, &out)) return;
    if (KazMath_ToVector4D(value, &colour))
      out = Vector3D(colour.x, colour.y, colour.z);
    else
      WrongKind(key, KeyKind::Colour, value);
  }
  void Matrix(const CreationKey& key, Matrix4x4& out) override {
    if (PyObject* value = Get(key)) {
      if (!KazMath_ToMatrix(value, &out)) WrongKind(key, KeyKind::Matrix, value);
    }
  }
  // None stands for "no object" and "no material", as the keys' absence does.
  void Object(const CreationKey& key, WorldObject*& out) override {
    PyObject* value = Get(key);
    if (!value || value == Py_None) return;
    if (WorldObject* object = WorldObjectArg(value))
      out = object;
    else
      WrongKind(key, KeyKind::Object, value);
  }
  void Material(const CreationKey& key, ::Material*& out) override {
    PyObject* value = Get(key);
    if (!value || value == Py_None) return;
    if (::Material* material = RenderMaterialArg(value))
      out = material;
    else
      WrongKind(key, KeyKind::Material, value);
  }
  // str() of each name -> RenderMaterial; entries of other values are skipped.
  void Materials(const CreationKey& key, MaterialMap& out) override {
    PyObject* value = Get(key);
    if (!value) return;
    if (!PyDict_Check(value)) return WrongKind(key, KeyKind::Materials, value);
    PyObject *name, *entry;
    Py_ssize_t position = 0;
    while (PyDict_Next(value, &position, &name, &entry)) {
      std::string text;
      ::Material* material = RenderMaterialArg(entry);
      if (material && PythonStr(name, text))
        out[text] = material;
      else
        WrongKind(key, KeyKind::Materials, entry);
    }
  }
  void ColourKeys(const CreationKey& key, LinearKeyframeTrack<Vector4D>& out) override {
    Track(key, KeyKind::ColourKeys, out);
  }
  void RadiusKeys(const CreationKey& key, LinearKeyframeTrack<float>& out) override {
    Track(key, KeyKind::RadiusKeys, out);
  }

  // Reports the dictionary's keys that no visit asked for.
  void ReportUnknownKeys() const {
    PyObject *name, *value;
    Py_ssize_t position = 0;
    while (PyDict_Next(m_dict, &position, &name, &value)) {
      const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8(name) : nullptr;
      if (text && m_asked.count(text)) continue;
      if (!text) PyErr_Clear();
      const std::string shown = text ? text : Repr(name);
      if (FirstReport("CreateObject unknown " + m_typeName + " " + shown))
        LogWarning("CreateObject: %s objects have no key '%s'; it is ignored.", m_typeName.c_str(),
                   shown.c_str());
    }
  }
  bool MissedRequiredKey() const { return m_missedRequired; }

 private:
  // Borrowed; null when absent (a required key's absence is reported).
  PyObject* Get(const CreationKey& key) {
    m_asked.insert(key.name);
    PyObject* value = PyDict_GetItemString(m_dict, key.name);
    if (!value && key.required) {
      m_missedRequired = true;
      if (FirstReport("CreateObject required " + m_typeName + " " + key.name))
        LogError("CreateObject: a %s needs the key '%s'; none was made.", m_typeName.c_str(),
                 key.name);
    }
    return value;
  }
  void WrongKind(const CreationKey& key, const char* kind, PyObject* value) {
    if (FirstReport("CreateObject kind " + m_typeName + " " + key.name))
      LogWarning("CreateObject: the key '%s' of a %s takes %s; %s is ignored.", key.name,
                 m_typeName.c_str(), kind, Repr(value).c_str());
  }
  static std::string Repr(PyObject* value) {
    PyObject* repr = PyObject_Repr(value);
    const char* text = repr ? PyUnicode_AsUTF8(repr) : nullptr;
    std::string shown = text ? text : "the value";
    Py_XDECREF(repr);
    PyErr_Clear();
    // A long value would bury the line.
    if (shown.size() > 60) shown = shown.substr(0, 57) + "...";
    return shown;
  }
  static bool ReadInt(PyObject* value, uint32_t& out, uint32_t first, uint32_t last) {
    if (!PyNumber_Check(value)) return false;
    unsigned long result;
    if (PyFloat_Check(value)) {
      const double d = PyFloat_AsDouble(value);
      if (!std::isfinite(d) || std::fabs(d) > 4294967295.0) return false;
      result = static_cast<unsigned long>(static_cast<long long>(d));
    } else {
      result = PyLong_AsUnsignedLongMask(value);
      if (PyErr_Occurred()) {
        PyErr_Clear();
        return false;
      }
    }
    if (result < first || result > last) return false;
    out = static_cast<uint32_t>(result);
    return true;
  }
  static bool Number(PyObject* value, float* out) {
    if (!value || !PyNumber_Check(value)) return false;
    const double d = PyFloat_AsDouble(value);
    if (d == -1.0 && PyErr_Occurred()) {
      PyErr_Clear();
      return false;
    }
    *out = static_cast<float>(d);
    return true;
  }
  static bool KeyValue(PyObject* value, float* out) { return Number(value, out); }
  static bool KeyValue(PyObject* value, Vector4D* out) {
    return value && KazMath_ToVector4D(value, out);
  }
  // A list or tuple of (time, value) pairs into a fresh track; one malformed
  // pair leaves the track as it was.
  template <class T>
  void Track(const CreationKey& key, const char* kind, LinearKeyframeTrack<T>& out) {
    PyObject* value = Get(key);
    if (!value) return;
    if (!(PyList_Check(value) || PyTuple_Check(value))) return WrongKind(key, kind, value);
    LinearKeyframeTrack<T> track;
    track.Initialize();
    const Py_ssize_t count = PySequence_Size(value);
    for (Py_ssize_t i = 0; i < count; ++i) {
      PyObject* pair = PySequence_GetItem(value, i);  // new reference
      float time;
      T keyValue;
      const bool good = pair && PyTuple_Check(pair) && PyTuple_Size(pair) == 2 &&
                        Number(PyTuple_GetItem(pair, 0), &time) &&
                        KeyValue(PyTuple_GetItem(pair, 1), &keyValue);
      if (!good) {
        WrongKind(key, kind, pair ? pair : value);
        Py_XDECREF(pair);
        PyErr_Clear();
        return;
      }
      Py_DECREF(pair);
      track.InsertKeyframe(time, keyValue);
    }
    out = track;
  }

  PyObject* m_dict;
  std::string m_typeName;
  std::set<std::string> m_asked;
  bool m_missedRequired = false;
};

}  // namespace

std::unique_ptr<ObjectParams> BuildObjectParams(uint32_t type, PyObject* dict) {
  std::unique_ptr<ObjectParams> params = MakeObjectParams(type);
  if (!params) return nullptr;
  DictReader reader(dict, type);
  VisitCommonKeys(*params, reader);
  VisitTypeKeys(*params, reader);
  reader.ReportUnknownKeys();
  if (reader.MissedRequiredKey()) return nullptr;
  return params;
}
