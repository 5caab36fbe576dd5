// WorldModule.h - what the _World module's source files share.
//
// The module's two types hold one counted reference each: WorldObject a world
// object (of no world once removed, but still valid memory), and
// RenderMaterial a render material. Instances made from script code directly
// hold nothing and count as "not a WorldObject". Include PythonSupport.h first.
#pragma once

#include "tier1/World.h"

#include <memory>

class Material;
struct ObjectParams;

struct PyWorldObject {
  PyObject_HEAD WorldObject* object;
};

struct PyRenderMaterial {
  PyObject_HEAD Material* material;
};

// A new WorldObject instance for the object (one more reference), or None.
PyObject* WrapWorldObject(WorldObject* object);
// The object an instance (or subclass instance) holds; null for anything else.
WorldObject* WorldObjectArg(PyObject* value);
Material* RenderMaterialArg(PyObject* value);
// The engine's world, or null before it exists.
World* ScriptWorld();

// The creation record for a type id from the keys of a dictionary; keys that
// are absent or of the wrong kind keep the record's defaults. Unknown keys and
// wrong kinds are reported once per type and key; null, after an error line,
// when a required key is missing.
std::unique_ptr<ObjectParams> BuildObjectParams(uint32_t type, PyObject* keys);

// The argument helpers: the value as that kind, or null / false with the
// TypeError raised ("parameter <position> must be an Engine.Vector3D.").
WorldObject* RequireObject(PyObject* value,
                           const char* message = "parameter 1 must be a WorldObject.");
bool RequireVector(PyObject* value, Vector3D* out, int position);
bool RequireMatrix(PyObject* value, Matrix4x4* out, int position);

// The functions every object has, in table order (WorldObjectFunctions.cpp).
PyObject* ObjIsEqual(PyObject*, PyObject* args);
PyObject* ObjGetType(PyObject*, PyObject* args);
PyObject* ObjGetSphereRadius(PyObject*, PyObject* args);
PyObject* ObjSetSphereRadius(PyObject*, PyObject* args);
PyObject* ObjGetBoundingBox(PyObject*, PyObject* args);
PyObject* ObjSetBoundingBox(PyObject*, PyObject* args);
PyObject* ObjGetWorldTransform(PyObject*, PyObject* args);
PyObject* ObjSetWorldTransform(PyObject*, PyObject* args);
PyObject* ObjIsVisible(PyObject*, PyObject* args);
PyObject* ObjSetVisible(PyObject*, PyObject* args);
PyObject* ObjGetVelocity(PyObject*, PyObject* args);
PyObject* ObjSetVelocity(PyObject*, PyObject* args);
PyObject* ObjApplyForce(PyObject*, PyObject* args);
PyObject* ObjSetLinearDamping(PyObject*, PyObject* args);
PyObject* ObjSetAngularDamping(PyObject*, PyObject* args);
PyObject* ObjSetAutoFreeze(PyObject*, PyObject* args);
PyObject* ObjIsOnGround(PyObject*, PyObject* args);
PyObject* ObjSetOnGroundThreshold(PyObject*, PyObject* args);
PyObject* ObjAttachObject(PyObject*, PyObject* args);
PyObject* ObjDetachObject(PyObject*, PyObject* args);

// The type-specific functions, in table order (WorldTypeFunctions.cpp).
PyObject* DynMeshPlayCycleAnimation(PyObject*, PyObject* args);
PyObject* DynMeshPlayActionAnimation(PyObject*, PyObject* args);
PyObject* DynMeshStopAnimation(PyObject*, PyObject* args);
PyObject* DynMeshStopAllAnimations(PyObject*, PyObject* args);
PyObject* DynMeshGetBonePosition(PyObject*, PyObject* args);
PyObject* DynMeshGetAnimLength(PyObject*, PyObject* args);
PyObject* CamSetSecondaryTransform(PyObject*, PyObject* args);
PyObject* CamGetSecondaryTransform(PyObject*, PyObject* args);
PyObject* CamAttachPVObject(PyObject*, PyObject* args);
PyObject* CamDetachPVObject(PyObject*, PyObject* args);
PyObject* AnimAddWaypoint(PyObject*, PyObject* args);
PyObject* AnimGetWaypointCount(PyObject*, PyObject* args);
PyObject* AnimRemoveAllWaypoints(PyObject*, PyObject* args);
PyObject* AnimPlayObject(PyObject*, PyObject* args);
PyObject* SndPlay(PyObject*, PyObject* args);
PyObject* SndPause(PyObject*, PyObject* args);
PyObject* PsEmitOnce(PyObject*, PyObject* args);
PyObject* PsSetSpawnVelocity(PyObject*, PyObject* args);
