// WorldModule.cpp - the _World script module: its two types, the world
// functions and the functions every object has.
#include "script/PythonSupport.h"

#include "script/WorldModule.h"

#include "script/MathBridge.h"
#include "script/ScriptDocs.h"
#include "script/ScriptHost.h"

#include "render/gpu/RenderEffect.h"
#include "tier1/WorldObject.h"

#include <stdexcept>

namespace {

PyTypeObject* g_worldObjectType = nullptr;
PyTypeObject* g_renderMaterialType = nullptr;

const char kNotWorldObject[] = "parameter 1 must be a WorldObject.";

void WorldObjectDealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  auto* wrapper = reinterpret_cast<PyWorldObject*>(self);
  if (wrapper->object) wrapper->object->Release();
  wrapper->object = nullptr;
  type->tp_free(self);
  Py_DECREF(type);
}

void RenderMaterialDealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  auto* wrapper = reinterpret_cast<PyRenderMaterial*>(self);
  if (wrapper->material) wrapper->material->Release();
  wrapper->material = nullptr;
  type->tp_free(self);
  Py_DECREF(type);
}

PyType_Slot g_worldObjectSlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(&WorldObjectDealloc)},
    {Py_tp_new, reinterpret_cast<void*>(&PyType_GenericNew)},
    {Py_tp_doc, const_cast<char*>("WorldObject object")},
    {0, nullptr},
};
PyType_Spec g_worldObjectSpec = {"_World.WorldObject", sizeof(PyWorldObject), 0,
                                 Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, g_worldObjectSlots};

PyType_Slot g_renderMaterialSlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(&RenderMaterialDealloc)},
    {Py_tp_new, reinterpret_cast<void*>(&PyType_GenericNew)},
    {Py_tp_doc, const_cast<char*>("RenderMaterial object")},
    {0, nullptr},
};
PyType_Spec g_renderMaterialSpec = {"_World.RenderMaterial", sizeof(PyRenderMaterial), 0,
                                    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE,
                                    g_renderMaterialSlots};

// The object behind the argument, or null with the TypeError raised.
WorldObject* RequireObject(PyObject* value, const char* message = kNotWorldObject) {
  WorldObject* object = WorldObjectArg(value);
  if (!object) PyErr_SetString(PyExc_TypeError, message);
  return object;
}

bool RequireVector(PyObject* value, Vector3D* out, int position) {
  if (KazMath_ToVector3D(value, out)) return true;
  PyErr_Format(PyExc_TypeError, "parameter %d must be an Engine.Vector3D.", position);
  return false;
}

bool RequireMatrix(PyObject* value, Matrix4x4* out, int position) {
  if (KazMath_ToMatrix(value, out)) return true;
  PyErr_Format(PyExc_TypeError, "parameter %d must be an Engine.Matrix4x4.", position);
  return false;
}

// ---------------------------------------------------------------------------
// World functions
// ---------------------------------------------------------------------------

PyObject* Reset(PyObject*, PyObject*) {
  if (World* world = ScriptWorld()) {
    try {
      world->Reset();
    } catch (const std::exception& e) {
      PyErr_SetString(PyExc_RuntimeError, e.what());
      return nullptr;
    }
  }
  Py_RETURN_NONE;
}

PyObject* GetNearZ(PyObject*, PyObject*) {
  World* world = ScriptWorld();
  if (!world) Py_RETURN_NONE;
  return PyFloat_FromDouble(world->GetNearZ());
}

PyObject* GetFarZ(PyObject*, PyObject*) {
  World* world = ScriptWorld();
  if (!world) Py_RETURN_NONE;
  return PyFloat_FromDouble(world->GetFarZ());
}

PyObject* SetNearZ(PyObject*, PyObject* args) {
  float z;
  if (!PyArg_ParseTuple(args, "f:_World.SetNearZ", &z)) return nullptr;
  if (World* world = ScriptWorld()) world->SetNearZ(z);
  Py_RETURN_NONE;
}

PyObject* SetFarZ(PyObject*, PyObject* args) {
  float z;
  if (!PyArg_ParseTuple(args, "f:_World.SetFarZ", &z)) return nullptr;
  if (World* world = ScriptWorld()) world->SetFarZ(z);
  Py_RETURN_NONE;
}

PyObject* GetGravity(PyObject*, PyObject*) {
  World* world = ScriptWorld();
  if (!world) Py_RETURN_NONE;
  return KazMath_FromVector3D(world->GetGravity());
}

PyObject* SetGravity(PyObject*, PyObject* args) {
  PyObject* value;
  Vector3D gravity;
  if (!PyArg_ParseTuple(args, "O:_World.SetGravity", &value)) return nullptr;
  if (!RequireVector(value, &gravity, 1)) return nullptr;
  if (World* world = ScriptWorld()) world->SetGravity(gravity);
  Py_RETURN_NONE;
}

PyObject* CreateObject(PyObject*, PyObject* args) {
  unsigned int type;
  PyObject* keys;
  if (!PyArg_ParseTuple(args, "IO:_World.CreateObject", &type, &keys)) return nullptr;
  if (type == ObjectType_None || type >= kObjectTypeCount) {
    PyErr_SetString(PyExc_TypeError, "first param must be a valid object type ID.");
    return nullptr;
  }
  if (!PyDict_Check(keys)) {
    PyErr_SetString(PyExc_TypeError, "second param must be kwargs (ie. a dict)");
    return nullptr;
  }
  World* world = ScriptWorld();
  if (!world) Py_RETURN_NONE;
  std::unique_ptr<ObjectParams> params = BuildObjectParams(type, keys);
  if (!params) return nullptr;
  return WrapWorldObject(world->CreateObject(*params));
}

PyObject* RemoveObject(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.RemoveObject", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  if (World* world = ScriptWorld()) world->RemoveObject(object);
  Py_RETURN_NONE;
}

PyObject* CreateRenderMaterial(PyObject*, PyObject* args) {
  const char* effect;
  PyObject* parameters;
  if (!PyArg_ParseTuple(args, "sO:_World.CreateRenderMaterial", &effect, &parameters))
    return nullptr;
  if (!PyDict_Check(parameters)) {
    PyErr_SetString(PyExc_TypeError, "Second parameter must be a dictionary");
    return nullptr;
  }
  Material* material = CreateMaterial();
  if (!material) Py_RETURN_NONE;
  if (!material->SetRenderEffect(effect)) {
    material->Release();
    Py_RETURN_NONE;
  }
  PyObject *key, *value;
  Py_ssize_t position = 0;
  while (PyDict_Next(parameters, &position, &key, &value)) {
    std::string name, texture;
    if (PythonStr(key, name) && PythonStr(value, texture))
      material->SetTexture(name.c_str(), texture.c_str());
  }
  auto* wrapper =
      reinterpret_cast<PyRenderMaterial*>(g_renderMaterialType->tp_alloc(g_renderMaterialType, 0));
  if (!wrapper) {
    material->Release();
    return nullptr;
  }
  wrapper->material = material;
  return reinterpret_cast<PyObject*>(wrapper);
}

PyObject* SetRenderCamera(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.SetRenderCamera", &value)) return nullptr;
  WorldObject* object = WorldObjectArg(value);
  if (ScriptHost* host = GetScriptHost())
    host->SetRenderCamera(object && object->GetType() == ObjectType_Camera ? object : nullptr);
  Py_RETURN_NONE;
}

PyObject* GetRenderCamera(PyObject*, PyObject*) {
  ScriptHost* host = GetScriptHost();
  return WrapWorldObject(host ? host->GetRenderCamera() : nullptr);
}

PyObject* IntersectRay(PyObject*, PyObject* args) {
  PyObject *originValue, *directionValue;
  int flags;
  Vector3D origin, direction;
  if (!PyArg_ParseTuple(args, "OOi:_World.IntersectRay", &originValue, &directionValue, &flags))
    return nullptr;
  if (!RequireVector(originValue, &origin, 1) || !RequireVector(directionValue, &direction, 2))
    return nullptr;
  World* world = ScriptWorld();
  RayHit hit;
  if (!world || !world->IntersectRay(origin, direction, &hit, static_cast<uint32_t>(flags)))
    Py_RETURN_NONE;
  return Py_BuildValue("(NONNd)", WrapWorldObject(hit.object), Py_None,
                       KazMath_FromVector3D(hit.point), KazMath_FromVector3D(hit.normal),
                       static_cast<double>(hit.distance));
}

// ---------------------------------------------------------------------------
// Object functions
// ---------------------------------------------------------------------------

PyObject* ObjIsEqual(PyObject*, PyObject* args) {
  PyObject *a, *b;
  if (!PyArg_ParseTuple(args, "OO:_World.objIsEqual", &a, &b)) return nullptr;
  WorldObject* first = WorldObjectArg(a);
  return PyBool_FromLong(first && first == WorldObjectArg(b));
}

PyObject* ObjGetType(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objGetType", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  return object ? PyLong_FromUnsignedLong(object->GetType()) : nullptr;
}

PyObject* ObjGetSphereRadius(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objGetSphereRadius", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  return object ? PyFloat_FromDouble(object->GetRadius()) : nullptr;
}

PyObject* ObjSetSphereRadius(PyObject*, PyObject* args) {
  PyObject* value;
  float radius;
  if (!PyArg_ParseTuple(args, "Of:_World.objSetSphereRadius", &value, &radius)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  object->SetRadius(radius);
  Py_RETURN_NONE;
}

PyObject* ObjGetBoundingBox(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objGetBoundingBox", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  return Py_BuildValue("(NN)", KazMath_FromVector3D(object->GetBoxMins()),
                       KazMath_FromVector3D(object->GetBoxMaxs()));
}

PyObject* ObjSetBoundingBox(PyObject*, PyObject* args) {
  PyObject *value, *minsValue, *maxsValue;
  Vector3D mins, maxs;
  if (!PyArg_ParseTuple(args, "OOO:_World.objSetBoundingBox", &value, &minsValue, &maxsValue))
    return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object || !RequireVector(minsValue, &mins, 2) || !RequireVector(maxsValue, &maxs, 3))
    return nullptr;
  object->SetBox(mins, maxs);
  Py_RETURN_NONE;
}

PyObject* ObjGetWorldTransform(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objGetWorldTransform", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  return object ? KazMath_FromMatrix(object->GetWorldTransform()) : nullptr;
}

PyObject* ObjSetWorldTransform(PyObject*, PyObject* args) {
  PyObject *value, *matrixValue;
  Matrix4x4 matrix;
  if (!PyArg_ParseTuple(args, "OO:_World.objSetWorldTransform", &value, &matrixValue))
    return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object || !RequireMatrix(matrixValue, &matrix, 2)) return nullptr;
  object->SetWorldTransform(matrix);
  return KazMath_FromMatrix(object->GetWorldTransform());
}

PyObject* ObjIsVisible(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objIsVisible", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  return object ? PyBool_FromLong(object->IsVisible()) : nullptr;
}

PyObject* ObjSetVisible(PyObject*, PyObject* args) {
  PyObject* value;
  int visible;
  if (!PyArg_ParseTuple(args, "Oi:_World.objSetVisible", &value, &visible)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  object->SetVisible(visible != 0);
  Py_RETURN_NONE;
}

PyObject* ObjGetVelocity(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objGetVelocity", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  return object ? KazMath_FromVector3D(object->GetVelocity()) : nullptr;
}

PyObject* ObjSetVelocity(PyObject*, PyObject* args) {
  PyObject *value, *velocityValue;
  Vector3D velocity;
  if (!PyArg_ParseTuple(args, "OO:_World.objSetVelocity", &value, &velocityValue)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object || !RequireVector(velocityValue, &velocity, 2)) return nullptr;
  object->SetVelocity(velocity);
  Py_RETURN_NONE;
}

PyObject* ObjApplyForce(PyObject*, PyObject* args) {
  PyObject *value, *pointValue, *impulseValue;
  int worldSpace;
  Vector3D point, impulse;
  if (!PyArg_ParseTuple(args, "OOOi:_World.objApplyForce", &value, &pointValue, &impulseValue,
                        &worldSpace))
    return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object || !RequireVector(pointValue, &point, 2) || !RequireVector(impulseValue, &impulse, 3))
    return nullptr;
  object->ApplyImpulse(point, impulse, worldSpace != 0);
  Py_RETURN_NONE;
}

PyObject* ObjSetLinearDamping(PyObject*, PyObject* args) {
  PyObject* value;
  float damping;
  if (!PyArg_ParseTuple(args, "Of:_World.objSetLinearDamping", &value, &damping)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  object->SetLinearDamping(damping);
  Py_RETURN_NONE;
}

PyObject* ObjSetAngularDamping(PyObject*, PyObject* args) {
  PyObject *value, *dampingValue;
  Vector3D damping;
  if (!PyArg_ParseTuple(args, "OO:_World.objSetAngularDamping", &value, &dampingValue))
    return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object || !RequireVector(dampingValue, &damping, 2)) return nullptr;
  object->SetAngularDamping(damping);
  Py_RETURN_NONE;
}

PyObject* ObjSetAutoFreeze(PyObject*, PyObject* args) {
  PyObject* value;
  int autoFreeze;
  if (!PyArg_ParseTuple(args, "Oi:_World.objSetAutoFreeze", &value, &autoFreeze)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  object->SetAutoFreeze(autoFreeze != 0);
  Py_RETURN_NONE;
}

PyObject* ObjIsOnGround(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_World.objIsOnGround", &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  return object ? PyBool_FromLong(object->IsOnGround()) : nullptr;
}

PyObject* ObjSetOnGroundThreshold(PyObject*, PyObject* args) {
  PyObject* value;
  float threshold;
  if (!PyArg_ParseTuple(args, "Of:_World.objSetOnGroundThreshold", &value, &threshold))
    return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  object->SetOnGroundThreshold(threshold);
  Py_RETURN_NONE;
}

PyObject* ObjAttachObject(PyObject*, PyObject* args) {
  PyObject *parentValue, *childValue;
  int attachType, keepOffset;
  if (!PyArg_ParseTuple(args, "OOii:_World.objAttachObject", &parentValue, &childValue, &attachType,
                        &keepOffset))
    return nullptr;
  if (attachType < 0 || attachType > 2) {
    PyErr_SetString(PyExc_TypeError, "param 3 must be a valid attach type ID.");
    return nullptr;
  }
  WorldObject* parent = WorldObjectArg(parentValue);
  WorldObject* child = WorldObjectArg(childValue);
  if (!parent || !child) {
    PyErr_SetString(PyExc_TypeError, "parameter 1 and 2 must be WorldObjects.");
    return nullptr;
  }
  return PyBool_FromLong(parent->Attach(child, static_cast<uint32_t>(attachType), keepOffset != 0));
}

PyObject* ObjDetachObject(PyObject*, PyObject* args) {
  PyObject *parentValue, *childValue;
  if (!PyArg_ParseTuple(args, "OO:_World.objDetachObject", &parentValue, &childValue))
    return nullptr;
  WorldObject* parent = WorldObjectArg(parentValue);
  WorldObject* child = WorldObjectArg(childValue);
  if (!parent || !child) {
    PyErr_SetString(PyExc_TypeError, "parameter 1 and 2 must be WorldObjects.");
    return nullptr;
  }
  return PyBool_FromLong(parent->Detach(child));
}

#define KAZ_FN(name, fn, doc) \
  { name, reinterpret_cast<PyCFunction>(fn), METH_VARARGS, doc }

PyMethodDef g_methods[] = {
    KAZ_FN("Reset", Reset, "Clears the world of all objects."),
    KAZ_FN("GetNearZ", GetNearZ, "Gets the near clipping plane distance for the world."),
    KAZ_FN("GetFarZ", GetFarZ, nullptr),
    KAZ_FN("SetNearZ", SetNearZ, "Sets the near clipping plane distance for the world."),
    KAZ_FN("SetFarZ", SetFarZ, nullptr),
    KAZ_FN("GetGravity", GetGravity, "Gets the gravity vector (as a Engine.Vector3D)"),
    KAZ_FN("SetGravity", SetGravity, "Sets the gravity vector (from a Engine.Vector3D)"),
    KAZ_FN("CreateObject", CreateObject, "Creates a new WorldObject."),
    KAZ_FN("RemoveObject", RemoveObject, "Removes an object from the world."),
    KAZ_FN("CreateRenderMaterial", CreateRenderMaterial, "Creates a new RenderMaterial."),
    KAZ_FN("SetRenderCamera", SetRenderCamera, "Sets the camera to render through."),
    KAZ_FN("GetRenderCamera", GetRenderCamera, "Gets the camera being used to render."),
    KAZ_FN("IntersectRay", IntersectRay, "Does a ray->world intersection test."),
    KAZ_FN("objIsEqual", ObjIsEqual, "Returns whether the two pointers are the same world object."),
    KAZ_FN("objGetType", ObjGetType, "Gets the typeID of the object."),
    KAZ_FN("objGetSphereRadius", ObjGetSphereRadius, "Gets the object's radius."),
    KAZ_FN("objSetSphereRadius", ObjSetSphereRadius, "Sets the object's radius."),
    KAZ_FN("objGetBoundingBox", ObjGetBoundingBox, "Returns a tuple with mins/maxs as Vector3Ds"),
    KAZ_FN("objSetBoundingBox", ObjSetBoundingBox, "Takes mins/maxs as Vector3Ds"),
    KAZ_FN("objGetWorldTransform", ObjGetWorldTransform,
           "Gets the world transform for the given object."),
    KAZ_FN("objSetWorldTransform", ObjSetWorldTransform,
           "Sets the world transform for the given object."),
    KAZ_FN("objIsVisible", ObjIsVisible, nullptr),
    KAZ_FN("objSetVisible", ObjSetVisible, nullptr),
    KAZ_FN("objGetVelocity", ObjGetVelocity, nullptr),
    KAZ_FN("objSetVelocity", ObjSetVelocity, nullptr),
    KAZ_FN("objApplyForce", ObjApplyForce, "Applies a force vector onto the object."),
    KAZ_FN("objSetLinearDamping", ObjSetLinearDamping, nullptr),
    KAZ_FN("objSetAngularDamping", ObjSetAngularDamping, nullptr),
    KAZ_FN("objSetAutoFreeze", ObjSetAutoFreeze, nullptr),
    KAZ_FN("objIsOnGround", ObjIsOnGround, nullptr),
    KAZ_FN("objSetOnGroundThreshold", ObjSetOnGroundThreshold, nullptr),
    KAZ_FN("objAttachObject", ObjAttachObject, "Attaches the given object to this object."),
    KAZ_FN("objDetachObject", ObjDetachObject, "Detaches the given object from this object."),
    KAZ_FN("objDynMeshPlayCycleAnimation", DynMeshPlayCycleAnimation, nullptr),
    KAZ_FN("objDynMeshPlayActionAnimation", DynMeshPlayActionAnimation, nullptr),
    KAZ_FN("objDynMeshStopAnimation", DynMeshStopAnimation, nullptr),
    KAZ_FN("objDynMeshStopAllAnimations", DynMeshStopAllAnimations, nullptr),
    KAZ_FN("objDynMeshGetBonePosition", DynMeshGetBonePosition, nullptr),
    KAZ_FN("objDynMeshGetAnimLength", DynMeshGetAnimLength, nullptr),
    KAZ_FN("objCamSetSecondaryTransform", CamSetSecondaryTransform, nullptr),
    KAZ_FN("objCamGetSecondaryTransform", CamGetSecondaryTransform, nullptr),
    KAZ_FN("objCamAttachPVObject", CamAttachPVObject, nullptr),
    KAZ_FN("objCamDetachPVObject", CamDetachPVObject, nullptr),
    KAZ_FN("animAddWaypoint", AnimAddWaypoint,
           "Adds a waypoint to the end of the list of waypoints."),
    KAZ_FN("animGetWaypointCount", AnimGetWaypointCount, "Gets the number of waypoints."),
    KAZ_FN("animRemoveAllWaypoints", AnimRemoveAllWaypoints,
           "Clears all waypoints out of the given animpath."),
    KAZ_FN("animPlayObject", AnimPlayObject, "Plays the object on the path, looping if requested."),
    KAZ_FN("sndPlay", SndPlay, "Plays the given sound object."),
    KAZ_FN("sndPause", SndPause, "Pauses/unpauses the given sound object."),
    KAZ_FN("psEmitOnce", PsEmitOnce, nullptr),
    KAZ_FN("psSetSpawnVelocity", PsSetSpawnVelocity, nullptr),
    {nullptr, nullptr, 0, nullptr},
};

#undef KAZ_FN

PyModuleDef g_module = {
    PyModuleDef_HEAD_INIT, "_World", nullptr, -1, g_methods, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyObject* PyInit__World() {
  PyObject* module = PyModule_Create2(&g_module, PYTHON_API_VERSION);
  if (!module) return nullptr;
  g_worldObjectType = AddModuleType(module, &g_worldObjectSpec, "WorldObject");
  g_renderMaterialType = AddModuleType(module, &g_renderMaterialSpec, "RenderMaterial");
  if (!g_worldObjectType || !g_renderMaterialType) {
    Py_DECREF(module);
    return nullptr;
  }
  return module;
}

PyObject* WrapWorldObject(WorldObject* object) {
  if (!object || !g_worldObjectType) Py_RETURN_NONE;
  auto* wrapper =
      reinterpret_cast<PyWorldObject*>(g_worldObjectType->tp_alloc(g_worldObjectType, 0));
  if (!wrapper) return nullptr;
  object->AddRef();
  wrapper->object = object;
  return reinterpret_cast<PyObject*>(wrapper);
}

WorldObject* WorldObjectArg(PyObject* value) {
  if (!value || !g_worldObjectType || !PyObject_TypeCheck(value, g_worldObjectType)) return nullptr;
  return reinterpret_cast<PyWorldObject*>(value)->object;
}

Material* RenderMaterialArg(PyObject* value) {
  if (!value || !g_renderMaterialType || !PyObject_TypeCheck(value, g_renderMaterialType))
    return nullptr;
  return reinterpret_cast<PyRenderMaterial*>(value)->material;
}

WorldObject* KazWorld_ObjectFromPython(PyObject* value) {
  return WorldObjectArg(value);
}

World* ScriptWorld() {
  ScriptHost* host = GetScriptHost();
  return host ? host->GetWorld() : nullptr;
}

const PyMethodDef* GetWorldModuleMethods() {
  return g_methods;
}
