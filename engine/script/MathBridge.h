// MathBridge.h - how the hand-written script modules meet the generated math
// module and each other.
//
// The math module's wrapper defines the KazMath_ functions with its own type
// descriptors: From* makes a new owning Engine.Vector3D / Vector4D /
// Matrix4x4 (null with a Python error set when that fails), To* copies the
// value out and is false (no error left set) for any other object. The _World
// module defines KazWorld_ObjectFromPython for the math module's player
// controller: the world object a WorldObject instance holds, or null.
#pragma once

#include "tier0/Math.h"

struct _object;
class WorldObject;

_object* KazMath_FromVector3D(const Vector3D& v);
_object* KazMath_FromVector4D(const Vector4D& v);
_object* KazMath_FromMatrix(const Matrix4x4& m);
bool KazMath_ToVector3D(_object* object, Vector3D* out);
bool KazMath_ToVector4D(_object* object, Vector4D* out);
bool KazMath_ToMatrix(_object* object, Matrix4x4* out);

WorldObject* KazWorld_ObjectFromPython(_object* object);

extern "C" _object* PyInit__Engine_SWIG();
