// WorldObjectFunctions.cpp - the _World functions every object has: identity,
// type, bounds, transform, visibility, motion and attachment.
#include "script/PythonSupport.h"

#include "script/MathBridge.h"
#include "script/WorldModule.h"

#include "tier1/WorldEnums.h"
#include "tier1/WorldObject.h"

namespace {

// The forms most of these functions take: the object alone, or the object and
// one value. Each parses the arguments with its format (whose name after ':'
// goes into Python's messages), raises the module's TypeError for a value
// that holds no object, and returns a new reference or null.
template <class Answer>
PyObject* ObjectQuery(PyObject* args, const char* format, Answer answer) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, format, &value)) return nullptr;
  WorldObject* object = RequireObject(value);
  return object ? answer(object) : nullptr;
}

// format takes an object and a float ("Of") or an int ("Oi").
template <class T, class Apply>
PyObject* ObjectSetter(PyObject* args, const char* format, Apply apply) {
  PyObject* value;
  T argument;
  if (!PyArg_ParseTuple(args, format, &value, &argument)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object) return nullptr;
  apply(object, argument);
  Py_RETURN_NONE;
}

// format takes an object and a vector ("OO").
template <class Apply>
PyObject* ObjectVectorSetter(PyObject* args, const char* format, Apply apply) {
  PyObject *value, *vectorValue;
  Vector3D vector;
  if (!PyArg_ParseTuple(args, format, &value, &vectorValue)) return nullptr;
  WorldObject* object = RequireObject(value);
  if (!object || !RequireVector(vectorValue, &vector, 2)) return nullptr;
  apply(object, vector);
  Py_RETURN_NONE;
}

}  // namespace

PyObject* ObjIsEqual(PyObject*, PyObject* args) {
  PyObject *a, *b;
  if (!PyArg_ParseTuple(args, "OO:_World.objIsEqual", &a, &b)) return nullptr;
  WorldObject* first = WorldObjectArg(a);
  return PyBool_FromLong(first && first == WorldObjectArg(b));
}

PyObject* ObjGetType(PyObject*, PyObject* args) {
  return ObjectQuery(args, "O:_World.objGetType",
                     [](WorldObject* o) { return PyLong_FromUnsignedLong(o->GetType()); });
}

PyObject* ObjGetSphereRadius(PyObject*, PyObject* args) {
  return ObjectQuery(args, "O:_World.objGetSphereRadius",
                     [](WorldObject* o) { return PyFloat_FromDouble(o->GetRadius()); });
}

PyObject* ObjSetSphereRadius(PyObject*, PyObject* args) {
  return ObjectSetter<float>(args, "Of:_World.objSetSphereRadius",
                             [](WorldObject* o, float radius) { o->SetRadius(radius); });
}

PyObject* ObjGetBoundingBox(PyObject*, PyObject* args) {
  return ObjectQuery(args, "O:_World.objGetBoundingBox", [](WorldObject* o) {
    return Py_BuildValue("(NN)", KazMath_FromVector3D(o->GetBoxMins()),
                         KazMath_FromVector3D(o->GetBoxMaxs()));
  });
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
  return ObjectQuery(args, "O:_World.objGetWorldTransform",
                     [](WorldObject* o) { return KazMath_FromMatrix(o->GetWorldTransform()); });
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
  return ObjectQuery(args, "O:_World.objIsVisible",
                     [](WorldObject* o) { return PyBool_FromLong(o->IsVisible()); });
}

PyObject* ObjSetVisible(PyObject*, PyObject* args) {
  return ObjectSetter<int>(args, "Oi:_World.objSetVisible",
                           [](WorldObject* o, int visible) { o->SetVisible(visible != 0); });
}

PyObject* ObjGetVelocity(PyObject*, PyObject* args) {
  return ObjectQuery(args, "O:_World.objGetVelocity",
                     [](WorldObject* o) { return KazMath_FromVector3D(o->GetVelocity()); });
}

PyObject* ObjSetVelocity(PyObject*, PyObject* args) {
  return ObjectVectorSetter(args, "OO:_World.objSetVelocity",
                            [](WorldObject* o, const Vector3D& v) { o->SetVelocity(v); });
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
  return ObjectSetter<float>(args, "Of:_World.objSetLinearDamping",
                             [](WorldObject* o, float damping) { o->SetLinearDamping(damping); });
}

PyObject* ObjSetAngularDamping(PyObject*, PyObject* args) {
  return ObjectVectorSetter(args, "OO:_World.objSetAngularDamping",
                            [](WorldObject* o, const Vector3D& v) { o->SetAngularDamping(v); });
}

PyObject* ObjSetAutoFreeze(PyObject*, PyObject* args) {
  return ObjectSetter<int>(args, "Oi:_World.objSetAutoFreeze",
                           [](WorldObject* o, int freeze) { o->SetAutoFreeze(freeze != 0); });
}

PyObject* ObjIsOnGround(PyObject*, PyObject* args) {
  return ObjectQuery(args, "O:_World.objIsOnGround",
                     [](WorldObject* o) { return PyBool_FromLong(o->IsOnGround()); });
}

PyObject* ObjSetOnGroundThreshold(PyObject*, PyObject* args) {
  return ObjectSetter<float>(args, "Of:_World.objSetOnGroundThreshold",
                             [](WorldObject* o, float t) { o->SetOnGroundThreshold(t); });
}

PyObject* ObjAttachObject(PyObject*, PyObject* args) {
  PyObject *parentValue, *childValue;
  int attachType, keepOffset;
  if (!PyArg_ParseTuple(args, "OOii:_World.objAttachObject", &parentValue, &childValue, &attachType,
                        &keepOffset))
    return nullptr;
  if (attachType < 0 || !AttachTypeTable().Contains(static_cast<uint32_t>(attachType))) {
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
