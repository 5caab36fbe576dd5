// WorldCreation.cpp - creation records from the keyword dictionaries of
// _World.CreateObject.
//
// Present keys of the wrong kind are ignored and the record keeps its default:
// integers must be numbers (floats truncated, then masked to unsigned long)
// inside the key's range, booleans exactly True or False, floats any number,
// strings anything str() accepts, matrices and vectors the math module's.
#include "script/PythonSupport.h"

#include "script/MathBridge.h"
#include "script/WorldModule.h"

#include "tier1/CameraObject.h"
#include "tier1/FieldObject.h"
#include "tier1/JointObject.h"
#include "tier1/LightObject.h"
#include "tier1/SoundObject.h"
#include "tier1/WorldObject.h"

#include <cmath>
#include <string>

namespace {

class Keys {
 public:
  explicit Keys(PyObject* dict) : m_dict(dict) {}

  void Int(const char* key, uint32_t& out, uint32_t first, uint32_t last) const {
    PyObject* value = Get(key);
    if (!value || !PyNumber_Check(value)) return;
    unsigned long result;
    if (PyFloat_Check(value)) {
      const double d = PyFloat_AsDouble(value);
      if (!std::isfinite(d) || std::fabs(d) > 4294967295.0) return;
      result = static_cast<unsigned long>(static_cast<long long>(d));
    } else {
      result = PyLong_AsUnsignedLongMask(value);
      if (PyErr_Occurred()) {
        PyErr_Clear();
        return;
      }
    }
    if (result >= first && result <= last) out = static_cast<uint32_t>(result);
  }
  void Bool(const char* key, bool& out) const {
    PyObject* value = Get(key);
    if (value == Py_True) out = true;
    if (value == Py_False) out = false;
  }
  void Float(const char* key, float& out) const {
    PyObject* value = Get(key);
    if (!value || !PyNumber_Check(value)) return;
    const double d = PyFloat_AsDouble(value);
    if (d == -1.0 && PyErr_Occurred()) {
      PyErr_Clear();
      return;
    }
    out = static_cast<float>(d);
  }
  void String(const char* key, std::string& out) const {
    PyObject* value = Get(key);
    if (value) PythonStr(value, out);
  }
  void Vector(const char* key, Vector3D& out) const {
    if (PyObject* value = Get(key)) KazMath_ToVector3D(value, &out);
  }
  void Matrix(const char* key, Matrix4x4& out) const {
    if (PyObject* value = Get(key)) KazMath_ToMatrix(value, &out);
  }
  void Object(const char* key, WorldObject*& out) const {
    if (WorldObject* object = WorldObjectArg(Get(key))) out = object;
  }
  void Colour(const char* key, Vector3D& out) const {
    PyObject* value = Get(key);
    Vector4D colour;
    if (!value || KazMath_ToVector3D(value, &out)) return;
    if (KazMath_ToVector4D(value, &colour)) out = Vector3D(colour.x, colour.y, colour.z);
  }

 private:
  // Borrowed; null when absent.
  PyObject* Get(const char* key) const {
    PyObject* value = PyDict_GetItemString(m_dict, key);
    return value;
  }
  PyObject* m_dict;
};

void ReadCommon(const Keys& keys, ObjectParams& params) {
  keys.Matrix("transform", params.transform);
  keys.Int("colType", params.colType, 0, kCollisionTypeCount - 1);
  keys.Bool("visible", params.visible);
  keys.Bool("dynamic", params.dynamic);
  keys.Bool("gravity", params.gravity);
  keys.Vector("mins", params.mins);
  keys.Vector("maxs", params.maxs);
  keys.Float("radius", params.radius);
}

std::unique_ptr<ObjectParams> LightParams(const Keys& keys) {
  auto params = std::make_unique<LightObjectParams>();
  ReadCommon(keys, *params);
  keys.Int("type", params->lightType, 0, 1);
  keys.Colour("color", params->colour);
  return params;
}

std::unique_ptr<ObjectParams> JointParams(const Keys& keys) {
  auto params = std::make_unique<JointObjectParams>();
  ReadCommon(keys, *params);
  keys.Int("type", params->jointType, 0, 4);
  keys.Vector("pinDir1", params->pin1);
  keys.Vector("pinDir2", params->pin2);
  keys.Float("stiffness", params->stiffness);
  keys.Float("maxConeAngle", params->maxConeAngle);
  keys.Float("maxTwistAngle", params->maxTwistAngle);
  keys.Bool("enableJointCollision", params->jointCollision);
  keys.Object("object1", params->object1);
  keys.Object("object2", params->object2);
  return params;
}

std::unique_ptr<ObjectParams> SoundParams(const Keys& keys) {
  auto params = std::make_unique<SoundObjectParams>();
  ReadCommon(keys, *params);
  keys.String("filename", params->fileName);
  keys.Bool("play", params->play);
  keys.Bool("loop", params->loop);
  keys.Bool("positional", params->positional);
  return params;
}

std::unique_ptr<ObjectParams> FieldParams(const Keys& keys) {
  auto params = std::make_unique<FieldObjectParams>();
  ReadCommon(keys, *params);
  keys.Int("type", params->fieldType, 0, 2);
  keys.Float("fluidDensity", params->fluidDensity);
  keys.Float("fluidLinearViscosity", params->fluidLinearViscosity);
  keys.Float("fluidAngularViscosity", params->fluidAngularViscosity);
  return params;
}

}  // namespace

std::unique_ptr<ObjectParams> BuildObjectParams(uint32_t type, PyObject* dict) {
  const Keys keys(dict);
  switch (type) {
    case ObjectType_Camera: {
      auto params = std::make_unique<CameraObjectParams>();
      ReadCommon(keys, *params);
      return params;
    }
    case ObjectType_Light:
      return LightParams(keys);
    case ObjectType_Joint:
      return JointParams(keys);
    case ObjectType_Sound:
      return SoundParams(keys);
    case ObjectType_Field:
      return FieldParams(keys);
    default: {
      // Null objects and animation paths have no keys of their own; meshes
      // and particle systems get theirs with their object classes.
      auto params = std::make_unique<ObjectParams>(type);
      ReadCommon(keys, *params);
      return params;
    }
  }
}
