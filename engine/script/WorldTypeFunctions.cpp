// WorldTypeFunctions.cpp - the _World functions for one object type each:
// dynamic meshes, cameras, animation paths, sounds and particle systems.
#include "script/PythonSupport.h"

#include "script/MathBridge.h"
#include "script/WorldModule.h"

#include "render/world/cal3d/DynamicMeshObject.h"
#include "render/world/ParticleSystemObject.h"
#include "tier1/AnimPathObject.h"
#include "tier1/CameraObject.h"
#include "tier1/SoundObject.h"
#include "tier1/WorldEnums.h"

namespace {

const char kNotDynamicMesh[] = "parameter 1 must be a DynamicMesh WorldObject.";
const char kNotCamera[] = "parameter 1 must be a Camera WorldObject.";
const char kNotAnimPath[] = "parameter 1 must be a AnimPath WorldObject.";
const char kNotSound[] = "parameter 1 must be a Sound WorldObject.";
const char kNotParticleSystem[] = "parameter 1 must be a ParticleSystem WorldObject.";
const char kSecondNotObject[] = "parameter 2 must be a WorldObject.";

// The object when it is of the type, else null with the TypeError raised.
WorldObject* RequireType(PyObject* value, uint32_t type, const char* message) {
  WorldObject* object = WorldObjectArg(value);
  if (!object || object->GetType() != type) {
    PyErr_SetString(PyExc_TypeError, message);
    return nullptr;
  }
  return object;
}

enum class DynMeshOp { PlayCycle, PlayAction, Stop };

// Animation with a name and floats: play cycle, play action, stop. The floats
// go to the object's operation in the order given.
PyObject* DynMeshAnimation(PyObject* args, const char* format, DynMeshOp op) {
  PyObject* value;
  const char* name;
  float a = 0.0f, b = 0.0f;
  if (!PyArg_ParseTuple(args, format, &value, &name, &a, &b)) return nullptr;
  auto* mesh =
      static_cast<DynamicMeshObject*>(RequireType(value, ObjectType_DynamicMesh, kNotDynamicMesh));
  if (!mesh) return nullptr;
  const uint32_t handle = mesh->FindAnimation(name);
  bool done = false;
  switch (op) {
    case DynMeshOp::PlayCycle:
      done = mesh->PlayCycle(handle, a, b);
      break;
    case DynMeshOp::PlayAction:
      done = mesh->PlayAction(handle, a, b);
      break;
    case DynMeshOp::Stop:
      done = mesh->StopAnimation(handle, a);
      break;
  }
  return PyBool_FromLong(done);
}

}  // namespace

// ---------------------------------------------------------------------------
// Dynamic meshes
// ---------------------------------------------------------------------------

PyObject* DynMeshPlayCycleAnimation(PyObject*, PyObject* args) {
  return DynMeshAnimation(args, "Osff:_World.objDynMeshPlayCycleAnimation", DynMeshOp::PlayCycle);
}

PyObject* DynMeshPlayActionAnimation(PyObject*, PyObject* args) {
  return DynMeshAnimation(args, "Osff:_World.objDynMeshPlayActionAnimation", DynMeshOp::PlayAction);
}

PyObject* DynMeshStopAnimation(PyObject*, PyObject* args) {
  return DynMeshAnimation(args, "Osf:_World.objDynMeshStopAnimation", DynMeshOp::Stop);
}

PyObject* DynMeshStopAllAnimations(PyObject*, PyObject* args) {
  PyObject* value;
  int delay;
  if (!PyArg_ParseTuple(args, "Oi:_World.objDynMeshStopAllAnimations", &value, &delay))
    return nullptr;
  auto* mesh =
      static_cast<DynamicMeshObject*>(RequireType(value, ObjectType_DynamicMesh, kNotDynamicMesh));
  if (!mesh) return nullptr;
  mesh->StopAllAnimations();
  Py_RETURN_TRUE;
}

PyObject* DynMeshGetBonePosition(PyObject*, PyObject* args) {
  PyObject* value;
  const char* bone;
  if (!PyArg_ParseTuple(args, "Os:_World.objDynMeshGetBonePosition", &value, &bone)) return nullptr;
  auto* mesh =
      static_cast<DynamicMeshObject*>(RequireType(value, ObjectType_DynamicMesh, kNotDynamicMesh));
  if (!mesh) return nullptr;
  Vector3D position;
  if (!mesh->GetBonePosition(bone, position)) Py_RETURN_NONE;
  return KazMath_FromVector3D(position);
}

PyObject* DynMeshGetAnimLength(PyObject*, PyObject* args) {
  PyObject* value;
  const char* animation;
  if (!PyArg_ParseTuple(args, "Os:_World.objDynMeshGetAnimLength", &value, &animation))
    return nullptr;
  auto* mesh =
      static_cast<DynamicMeshObject*>(RequireType(value, ObjectType_DynamicMesh, kNotDynamicMesh));
  if (!mesh) return nullptr;
  const uint32_t handle = mesh->FindAnimation(animation);
  if (!handle) Py_RETURN_NONE;
  return PyFloat_FromDouble(mesh->GetAnimationLength(handle));
}

// ---------------------------------------------------------------------------
// Cameras
// ---------------------------------------------------------------------------

PyObject* CamSetSecondaryTransform(PyObject*, PyObject* args) {
  PyObject *value, *matrixValue;
  Matrix4x4 matrix;
  if (!PyArg_ParseTuple(args, "OO:_World.objCamSetSecondaryTransform", &value, &matrixValue))
    return nullptr;
  auto* camera = static_cast<CameraObject*>(RequireType(value, ObjectType_Camera, kNotCamera));
  if (!camera) return nullptr;
  if (!KazMath_ToMatrix(matrixValue, &matrix)) {
    PyErr_SetString(PyExc_TypeError, "parameter 2 must be an Engine.Matrix4x4.");
    return nullptr;
  }
  camera->SetSecondaryTransform(matrix);
  Py_RETURN_TRUE;
}

PyObject* CamGetSecondaryTransform(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objCamGetSecondaryTransform", &value)) return nullptr;
  WorldObject* object = WorldObjectArg(value);
  if (!object || object->GetType() != ObjectType_Camera) return KazMath_FromMatrix(Matrix4x4());
  return KazMath_FromMatrix(static_cast<CameraObject*>(object)->GetSecondaryTransform());
}

PyObject* CamAttachPVObject(PyObject*, PyObject* args) {
  PyObject *value, *otherValue;
  if (!PyArg_ParseTuple(args, "OO:_World.objCamAttachPVObject", &value, &otherValue))
    return nullptr;
  auto* camera = static_cast<CameraObject*>(RequireType(value, ObjectType_Camera, kNotCamera));
  WorldObject* other = camera ? RequireObject(otherValue, kSecondNotObject) : nullptr;
  if (!other) return nullptr;
  camera->AttachPVObject(other);
  Py_RETURN_NONE;
}

PyObject* CamDetachPVObject(PyObject*, PyObject* args) {
  PyObject *value, *otherValue;
  if (!PyArg_ParseTuple(args, "OO:_World.objCamDetachPVObject", &value, &otherValue))
    return nullptr;
  auto* camera = static_cast<CameraObject*>(RequireType(value, ObjectType_Camera, kNotCamera));
  WorldObject* other = camera ? RequireObject(otherValue, kSecondNotObject) : nullptr;
  if (!other) return nullptr;
  camera->DetachPVObject(other);
  Py_RETURN_NONE;
}

// ---------------------------------------------------------------------------
// Animation paths
// ---------------------------------------------------------------------------

PyObject* AnimAddWaypoint(PyObject*, PyObject* args) {
  PyObject *value, *matrixValue, *targetValue;
  float duration;
  int rotationType;
  Matrix4x4 matrix;
  if (!PyArg_ParseTuple(args, "OOfiO:_World.animAddWaypoint", &value, &matrixValue, &duration,
                        &rotationType, &targetValue))
    return nullptr;
  auto* path = static_cast<AnimPathObject*>(RequireType(value, ObjectType_AnimPath, kNotAnimPath));
  if (!path) return nullptr;
  if (!KazMath_ToMatrix(matrixValue, &matrix)) {
    PyErr_SetString(PyExc_TypeError, "parameter 2 must be an Engine.Matrix4x4.");
    return nullptr;
  }
  if (rotationType < 0 || !PathRotationTable().Contains(static_cast<uint32_t>(rotationType))) {
    PyErr_SetString(PyExc_TypeError, "rotation type ID is invalid.");
    return nullptr;
  }
  path->AddWaypoint(matrix, duration, static_cast<uint32_t>(rotationType),
                    WorldObjectArg(targetValue));
  Py_RETURN_NONE;
}

PyObject* AnimGetWaypointCount(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.animGetWaypointCount", &value)) return nullptr;
  auto* path = static_cast<AnimPathObject*>(RequireType(value, ObjectType_AnimPath, kNotAnimPath));
  return path ? PyLong_FromUnsignedLong(path->GetWaypointCount()) : nullptr;
}

PyObject* AnimRemoveAllWaypoints(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.animRemoveAllWaypoints", &value)) return nullptr;
  auto* path = static_cast<AnimPathObject*>(RequireType(value, ObjectType_AnimPath, kNotAnimPath));
  if (!path) return nullptr;
  path->RemoveAllWaypoints();
  Py_RETURN_NONE;
}

PyObject* AnimPlayObject(PyObject*, PyObject* args) {
  PyObject *value, *objectValue;
  int loop;
  float startTime;
  if (!PyArg_ParseTuple(args, "OOif:_World.animPlayObject", &value, &objectValue, &loop,
                        &startTime))
    return nullptr;
  auto* path = static_cast<AnimPathObject*>(RequireType(value, ObjectType_AnimPath, kNotAnimPath));
  WorldObject* object = path ? RequireObject(objectValue, kSecondNotObject) : nullptr;
  if (!object) return nullptr;
  return PyBool_FromLong(path->PlayObject(object, loop != 0, startTime));
}

// ---------------------------------------------------------------------------
// Sounds and particle systems
// ---------------------------------------------------------------------------

PyObject* SndPlay(PyObject*, PyObject* args) {
  PyObject* value;
  int loop;
  if (!PyArg_ParseTuple(args, "Oi:_World.sndPlay", &value, &loop)) return nullptr;
  auto* sound = static_cast<SoundObject*>(RequireType(value, ObjectType_Sound, kNotSound));
  if (!sound) return nullptr;
  sound->Play(loop != 0);
  Py_RETURN_TRUE;
}

PyObject* SndPause(PyObject*, PyObject* args) {
  PyObject* value;
  int pause;
  if (!PyArg_ParseTuple(args, "Oi:_World.sndPause", &value, &pause)) return nullptr;
  auto* sound = static_cast<SoundObject*>(RequireType(value, ObjectType_Sound, kNotSound));
  if (!sound) return nullptr;
  sound->Pause(pause != 0);
  Py_RETURN_TRUE;
}

PyObject* PsEmitOnce(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.psEmitOnce", &value)) return nullptr;
  auto* system = static_cast<ParticleSystemObject*>(
      RequireType(value, ObjectType_ParticleSystem, kNotParticleSystem));
  if (!system) return nullptr;
  system->EmitOnce();
  Py_RETURN_NONE;
}

PyObject* PsSetSpawnVelocity(PyObject*, PyObject* args) {
  PyObject *value, *minValue, *maxValue;
  Vector3D minimum, maximum;
  if (!PyArg_ParseTuple(args, "OOO:_World.psSetSpawnVelocity", &value, &minValue, &maxValue))
    return nullptr;
  auto* system = static_cast<ParticleSystemObject*>(
      RequireType(value, ObjectType_ParticleSystem, kNotParticleSystem));
  if (!system) return nullptr;
  if (!RequireVector(minValue, &minimum, 2) || !RequireVector(maxValue, &maximum, 3))
    return nullptr;
  system->SetSpawnVelocity(minimum, maximum);
  Py_RETURN_NONE;
}
