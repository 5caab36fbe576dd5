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

#include "render/world/cal3d/DynamicMeshObject.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/StaticMeshObject.h"
#include "tier1/CameraObject.h"
#include "tier1/FieldObject.h"
#include "tier1/JointObject.h"
#include "tier1/LightObject.h"
#include "tier1/SoundObject.h"
#include "tier1/WorldObject.h"

#include <cmath>
#include <map>
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
  void Material(const char* key, ::Material*& out) const {
    if (::Material* material = RenderMaterialArg(Get(key))) out = material;
  }
  // A list or tuple of (time, value) pairs into a fresh track; one malformed
  // pair leaves the track as it was.
  template <class T>
  void Track(const char* key, LinearKeyframeTrack<T>& out) const {
    PyObject* value = Get(key);
    if (!value || !(PyList_Check(value) || PyTuple_Check(value))) return;
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
      Py_XDECREF(pair);
      if (!good) return;
      track.InsertKeyframe(time, keyValue);
    }
    out = track;
  }
  // str() of each key -> RenderMaterial; entries of other values are skipped.
  void Materials(const char* key, std::map<std::string, ::Material*, NoCaseLess>& out) const {
    PyObject* value = Get(key);
    if (!value || !PyDict_Check(value)) return;
    PyObject *name, *entry;
    Py_ssize_t position = 0;
    while (PyDict_Next(value, &position, &name, &entry)) {
      std::string text;
      ::Material* material = RenderMaterialArg(entry);
      if (material && PythonStr(name, text)) out[text] = material;
    }
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

std::unique_ptr<ObjectParams> StaticMeshParams(const Keys& keys) {
  auto params = std::make_unique<StaticMeshObjectParams>();
  ReadCommon(keys, *params);
  keys.String("filename", params->fileName);
  keys.Materials("materials", params->materials);
  keys.Material("defaultMaterial", params->defaultMaterial);
  return params;
}

std::unique_ptr<ObjectParams> DynamicMeshParams(const Keys& keys) {
  auto params = std::make_unique<DynamicMeshObjectParams>();
  ReadCommon(keys, *params);
  keys.String("filename", params->fileName);
  keys.String("defaultCycleAnim", params->defaultCycle);
  keys.Materials("materials", params->materials);
  keys.Material("defaultMaterial", params->defaultMaterial);
  return params;
}

std::unique_ptr<ObjectParams> ParticleParams(const Keys& keys) {
  auto params = std::make_unique<ParticleSystemObjectParams>();
  ParticleSystemSettings& s = params->settings;
  ReadCommon(keys, *params);
  keys.Material("material", params->material);
  keys.Int("maxParticles", s.maxParticles, 0, 0xffffffffu);
  keys.Int("particlesPerEmission", s.particlesPerEmission, 0, 0xffffffffu);
  keys.Float("emissionInterval", s.emissionInterval);
  keys.Int("particlesOnCreate", s.particlesOnCreate, 0, 0xffffffffu);
  keys.Float("ageOffsetOnCreate", s.ageOffsetOnCreate);
  keys.Bool("playing", params->playing);
  keys.Float("minLife", s.minLife);
  keys.Float("maxLife", s.maxLife);
  keys.Vector("minVelocity", s.minVelocity);
  keys.Vector("maxVelocity", s.maxVelocity);
  keys.Float("minRotation", s.minRotation);
  keys.Float("maxRotation", s.maxRotation);
  keys.Float("minTorque", s.minTorque);
  keys.Float("maxTorque", s.maxTorque);
  keys.Track("colorKeys", s.colourTrack);
  keys.Track("radiusKeys", s.radiusTrack);
  keys.Bool("sorted", s.sorted);
  keys.Float("minEmitRadius", s.minEmitRadius);
  keys.Float("maxEmitRadius", s.maxEmitRadius);
  keys.Int("emitterShape", s.emitterShape, 0, 1);
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
    case ObjectType_StaticMesh:
      return StaticMeshParams(keys);
    case ObjectType_DynamicMesh:
      return DynamicMeshParams(keys);
    case ObjectType_ParticleSystem:
      return ParticleParams(keys);
    default: {
      // Null objects and animation paths have no keys of their own.
      auto params = std::make_unique<ObjectParams>(type);
      ReadCommon(keys, *params);
      return params;
    }
  }
}
