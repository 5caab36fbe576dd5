// WorldModule.cpp - the _World script module: its two types, the world
// functions, the argument helpers and the module's function table.
#include "script/PythonSupport.h"

#include "script/WorldModule.h"

#include "script/MathBridge.h"
#include "script/ScriptFunctions.h"
#include "script/ScriptHost.h"

#include "render/gpu/RenderEffect.h"
#include "tier1/WorldObject.h"

#include <stdexcept>

namespace {

PyTypeObject* g_worldObjectType = nullptr;
PyTypeObject* g_renderMaterialType = nullptr;

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
  // A missing required key was reported; nothing is made.
  std::unique_ptr<ObjectParams> params = BuildObjectParams(type, keys);
  if (!params) Py_RETURN_NONE;
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

const char kNone[] = "";
const char kObj[] = "TypeError \"parameter 1 must be a WorldObject.\"";
const char kVec[] = "TypeError when a vector argument is not an Engine.Vector3D";

const ScriptFunction kFunctions[] = {
    {"Reset", Reset, "Clears the world of all objects.", "none", "None; removes every object",
     kNone},
    {"GetNearZ", GetNearZ, "Gets the near clipping plane distance for the world.", "none",
     "the near clipping distance (float)", kNone},
    {"GetFarZ", GetFarZ, nullptr, "none", "the far clipping distance (float)", kNone},
    {"SetNearZ", SetNearZ, "Sets the near clipping plane distance for the world.",
     "distance (float)", "None", kNone},
    {"SetFarZ", SetFarZ, nullptr, "distance (float)", "None", kNone},
    {"GetGravity", GetGravity, "Gets the gravity vector (as a Engine.Vector3D)", "none",
     "the gravity (Vector3D)", kNone},
    {"SetGravity", SetGravity, "Sets the gravity vector (from a Engine.Vector3D)",
     "gravity (Vector3D)", "None", kVec},
    {"CreateObject", CreateObject, "Creates a new WorldObject.",
     "typeId (int 1 to 10), keys (dict)", "a new WorldObject, or None when creation failed",
     "TypeError \"first param must be a valid object type ID.\", \"second param must be kwargs "
     "(ie. a dict)\""},
    {"RemoveObject", RemoveObject, "Removes an object from the world.", "object", "None", kObj},
    {"CreateRenderMaterial", CreateRenderMaterial, "Creates a new RenderMaterial.",
     "effect file (str), textures (dict: parameter -> texture name)",
     "a new RenderMaterial, or None when the effect cannot be loaded",
     "TypeError \"Second parameter must be a dictionary\""},
    {"SetRenderCamera", SetRenderCamera, "Sets the camera to render through.",
     "camera object, or anything else to clear", "None", kNone},
    {"GetRenderCamera", GetRenderCamera, "Gets the camera being used to render.", "none",
     "the render camera (WorldObject), or None", kNone},
    {"IntersectRay", IntersectRay, "Does a ray->world intersection test.",
     "origin (Vector3D), direction (Vector3D), flags (1 static, 2 dynamic)",
     "(object, None, point, normal, distance) for the nearest hit, or None", kVec},
    {"objIsEqual", ObjIsEqual, "Returns whether the two pointers are the same world object.",
     "a, b", "True when both hold the same world object", kNone},
    {"objGetType", ObjGetType, "Gets the typeID of the object.", "object", "the type id (int)",
     kObj},
    {"objGetSphereRadius", ObjGetSphereRadius, "Gets the object's radius.", "object",
     "the radius (float)", kObj},
    {"objSetSphereRadius", ObjSetSphereRadius, "Sets the object's radius.",
     "object, radius (float)", "None", kObj},
    {"objGetBoundingBox", ObjGetBoundingBox, "Returns a tuple with mins/maxs as Vector3Ds",
     "object", "(mins, maxs) as Vector3Ds, in object space", kObj},
    {"objSetBoundingBox", ObjSetBoundingBox, "Takes mins/maxs as Vector3Ds",
     "object, mins (Vector3D), maxs (Vector3D)", "None", kObj},
    {"objGetWorldTransform", ObjGetWorldTransform, "Gets the world transform for the given object.",
     "object", "the world transform (Matrix4x4)", kObj},
    {"objSetWorldTransform", ObjSetWorldTransform, "Sets the world transform for the given object.",
     "object, transform (Matrix4x4)", "the stored transform", kObj},
    {"objIsVisible", ObjIsVisible, nullptr, "object", "True or False", kObj},
    {"objSetVisible", ObjSetVisible, nullptr, "object, visible (int)", "None", kObj},
    {"objGetVelocity", ObjGetVelocity, nullptr, "object",
     "the body's velocity (Vector3D; zero without a body)", kObj},
    {"objSetVelocity", ObjSetVelocity, nullptr, "object, velocity (Vector3D)", "None", kObj},
    {"objApplyForce", ObjApplyForce, "Applies a force vector onto the object.",
     "object, point (Vector3D), impulse (Vector3D), worldSpace (int)", "None", kObj},
    {"objSetLinearDamping", ObjSetLinearDamping, nullptr, "object, damping (float)", "None", kObj},
    {"objSetAngularDamping", ObjSetAngularDamping, nullptr, "object, damping (Vector3D)", "None",
     kObj},
    {"objSetAutoFreeze", ObjSetAutoFreeze, nullptr, "object, autoFreeze (int)",
     "None; also wakes the body", kObj},
    {"objIsOnGround", ObjIsOnGround, nullptr, "object", "True or False", kObj},
    {"objSetOnGroundThreshold", ObjSetOnGroundThreshold, nullptr, "object, threshold (float)",
     "None", kObj},
    {"objAttachObject", ObjAttachObject, "Attaches the given object to this object.",
     "parent, child, attachType (0 to 2), keepOffset (int)", "True or False",
     "TypeError \"param 3 must be a valid attach type ID.\", \"parameter 1 and 2 must be "
     "WorldObjects.\""},
    {"objDetachObject", ObjDetachObject, "Detaches the given object from this object.",
     "parent, child", "True or False", "TypeError \"parameter 1 and 2 must be WorldObjects.\""},
    {"objDynMeshPlayCycleAnimation", DynMeshPlayCycleAnimation, nullptr,
     "mesh, animation (str), weight, delay (floats)", "True, or False for an unknown animation",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshPlayActionAnimation", DynMeshPlayActionAnimation, nullptr,
     "mesh, animation (str), delayIn, delayOut (floats)", "True, or False for an unknown animation",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshStopAnimation", DynMeshStopAnimation, nullptr,
     "mesh, animation (str), delay (float)", "True or False",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshStopAllAnimations", DynMeshStopAllAnimations, nullptr, "mesh, int", "True",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshGetBonePosition", DynMeshGetBonePosition, nullptr, "mesh, bone (str)",
     "the position (Vector3D), or None",
     "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objDynMeshGetAnimLength", DynMeshGetAnimLength, nullptr, "mesh, animation (str)",
     "seconds (float), or None", "TypeError \"parameter 1 must be a DynamicMesh WorldObject.\""},
    {"objCamSetSecondaryTransform", CamSetSecondaryTransform, nullptr,
     "camera, transform (Matrix4x4)", "True",
     "TypeError \"parameter 1 must be a Camera WorldObject.\""},
    {"objCamGetSecondaryTransform", CamGetSecondaryTransform, nullptr, "camera",
     "the secondary transform; the identity for other objects", kNone},
    {"objCamAttachPVObject", CamAttachPVObject, nullptr, "camera, object", "None",
     "TypeError \"parameter 1 must be a Camera WorldObject.\", \"parameter 2 must be a "
     "WorldObject.\""},
    {"objCamDetachPVObject", CamDetachPVObject, nullptr, "camera, object", "None",
     "TypeError \"parameter 1 must be a Camera WorldObject.\", \"parameter 2 must be a "
     "WorldObject.\""},
    {"animAddWaypoint", AnimAddWaypoint, "Adds a waypoint to the end of the list of waypoints.",
     "path, transform (Matrix4x4), duration (float), rotationType (0 to 3), target or None", "None",
     "TypeError \"parameter 1 must be a AnimPath WorldObject.\", \"rotation type ID is invalid.\""},
    {"animGetWaypointCount", AnimGetWaypointCount, "Gets the number of waypoints.", "path",
     "the number of waypoints", "TypeError \"parameter 1 must be a AnimPath WorldObject.\""},
    {"animRemoveAllWaypoints", AnimRemoveAllWaypoints,
     "Clears all waypoints out of the given animpath.", "path", "None",
     "TypeError \"parameter 1 must be a AnimPath WorldObject.\""},
    {"animPlayObject", AnimPlayObject, "Plays the object on the path, looping if requested.",
     "path, object, loop (int), startTime (float)", "True or False",
     "TypeError \"parameter 1 must be a AnimPath WorldObject.\", \"parameter 2 must be a "
     "WorldObject.\""},
    {"sndPlay", SndPlay, "Plays the given sound object.", "sound, loop (int)", "True",
     "TypeError \"parameter 1 must be a Sound WorldObject.\""},
    {"sndPause", SndPause, "Pauses/unpauses the given sound object.", "sound, pause (int)", "True",
     "TypeError \"parameter 1 must be a Sound WorldObject.\""},
    {"psEmitOnce", PsEmitOnce, nullptr, "system", "None",
     "TypeError \"parameter 1 must be a ParticleSystem WorldObject.\""},
    {"psSetSpawnVelocity", PsSetSpawnVelocity, nullptr,
     "system, minimum (Vector3D), maximum (Vector3D)", "None",
     "TypeError \"parameter 1 must be a ParticleSystem WorldObject.\""},
};

PyModuleDef g_module = {
    PyModuleDef_HEAD_INIT, "_World", nullptr, -1, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

WorldObject* RequireObject(PyObject* value, const char* message) {
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

PyObject* PyInit__World() {
  static MethodTable methods(kFunctions);
  g_module.m_methods = methods.Get();
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

std::span<const ScriptFunction> GetWorldModuleFunctions() {
  return kFunctions;
}
