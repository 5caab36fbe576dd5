// Engine.i - the scripts' math module: vectors, matrices, boxes, the player
// controller and float keyframe tracks, wrapped by SWIG.
//
// The build runs SWIG with "-interface _Engine_SWIG": the flat functions live
// in the extension module _Engine_SWIG (linked into the engine, registered by
// the script manager) and the proxy classes in Engine.py, which the build puts
// into the base package's scripts folder. The declarations below are the part
// of each native class that scripts see; the wrappers call the real classes.
// The bridge functions at the top let the hand-written modules make and read
// these objects with the same type descriptors.
%module Engine

%{
#include "script/MathBridge.h"
#include "tier0/AABB.h"
#include "tier0/Matrix.h"
#include "tier0/Vector.h"
#include "tier1/KeyframeTrack.h"
#include "tier1/PlayerController.h"

typedef LinearKeyframeTrack<float> FloatKeyTrack;

// Component-wise division, which the native vectors leave out.
static Vector2D& KazDivideInPlace(Vector2D& a, const Vector2D& b) {
  a.x /= b.x, a.y /= b.y;
  return a;
}
static Vector3D& KazDivideInPlace(Vector3D& a, const Vector3D& b) {
  a.x /= b.x, a.y /= b.y, a.z /= b.z;
  return a;
}
static Vector4D& KazDivideInPlace(Vector4D& a, const Vector4D& b) {
  a.x /= b.x, a.y /= b.y, a.z /= b.z, a.w /= b.w;
  return a;
}

// The overload dispatchers report a failed choice through this (see the
// build's patch step).
static void KazSwig_OverloadError(const char* name) {
  PyErr_Clear();
  PyErr_Format(PyExc_NotImplementedError, "No matching function for overloaded '%s'", name);
}
%}

%include <std_string.i>

// The bridge: owning copies out, copies in when the object has the right type.
%{
template <typename T>
static PyObject* KazSwig_New(const T& value, swig_type_info* type) {
  return SWIG_NewPointerObj(SWIG_as_voidptr(new T(value)), type, SWIG_POINTER_OWN);
}
template <typename T>
static bool KazSwig_Get(PyObject* object, swig_type_info* type, T* out) {
  void* pointer = nullptr;
  if (!object || !SWIG_IsOK(SWIG_ConvertPtr(object, &pointer, type, 0)) || !pointer) {
    PyErr_Clear();
    return false;
  }
  *out = *static_cast<T*>(pointer);
  return true;
}
PyObject* KazMath_FromVector3D(const Vector3D& v) { return KazSwig_New(v, SWIGTYPE_p_Vector3D); }
PyObject* KazMath_FromVector4D(const Vector4D& v) { return KazSwig_New(v, SWIGTYPE_p_Vector4D); }
PyObject* KazMath_FromMatrix(const Matrix4x4& m) { return KazSwig_New(m, SWIGTYPE_p_Matrix4x4); }
bool KazMath_ToVector3D(PyObject* o, Vector3D* out) { return KazSwig_Get(o, SWIGTYPE_p_Vector3D, out); }
bool KazMath_ToVector4D(PyObject* o, Vector4D* out) { return KazSwig_Get(o, SWIGTYPE_p_Vector4D, out); }
bool KazMath_ToMatrix(PyObject* o, Matrix4x4* out) { return KazSwig_Get(o, SWIGTYPE_p_Matrix4x4, out); }
%}

// The player controller takes a WorldObject of the _World module.
class WorldObject;
%typemap(in) WorldObject* {
  $1 = KazWorld_ObjectFromPython($input);
  if (!$1) {
    PyErr_SetString(PyExc_TypeError, "argument must be a WorldObject.");
    SWIG_fail;
  }
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER) WorldObject* {
  $1 = KazWorld_ObjectFromPython($input) != nullptr;
}

// mins and maxs point into their box: the returned vector keeps the box alive,
// so AABB(a, b).mins stays valid after the temporary box is gone.
// The proxy classes refuse new attributes from Python code, so the reference
// is stored past their __setattr__.
%typemap(ret) Vector3D* mins, Vector3D* maxs {
  PyObject* kazOwnerName = PyUnicode_InternFromString("_owner");
  if ($result && kazOwnerName &&
      PyObject_GenericSetAttr($result, kazOwnerName, swig_obj[0]) != 0)
    PyErr_Clear();
  Py_XDECREF(kazOwnerName);
}

// In-place operators change their left operand and give back that very script
// object. SWIG's default hands the native object's ownership from the operand to
// a second wrapper, so an alias of the operand read freed memory once that
// wrapper was gone; here nothing changes hands.
%feature("del", "") *::operator+=;
%feature("new", "") *::operator+=;
%feature("del", "") *::operator-=;
%feature("new", "") *::operator-=;
%feature("del", "") *::operator*=;
%feature("new", "") *::operator*=;
%feature("del", "") *::operator/=;
%feature("new", "") *::operator/=;
// Whatever returns a reference to its own object (in-place operators, the
// matrix's chained methods) returns the script object it was called on.
%typemap(out) Vector2D&, Vector3D&, Vector4D&, Matrix4x4&, AABB& {
  if ((void*)$1 == (void*)arg1 && swig_obj[0]) {
    $result = swig_obj[0];
    Py_INCREF($result);
  } else {
    $result = SWIG_NewPointerObj(SWIG_as_voidptr(new $*1_ltype(*$1)), $descriptor, SWIG_POINTER_OWN);
  }
}

%define KAZ_VECTOR_COMMON(T)
  float Length() const;
  float LengthSquared() const;
  void Normalize();
  T GetNormalized() const;
  float Distance(const T& o) const;
  float DistanceSquared(const T& o) const;
  float SetLength(float s);
  float SetLengthSquared(float s);
  float Dot(const T& o) const;
  void Scale(float s);
  bool NearlyEquals(const T& o, float epsilon = kMathEpsilon) const;
  void Add(const T& o);
  void Add(const T& a, const T& b);
  void Subtract(const T& o);
  void Subtract(const T& a, const T& b);
  bool operator==(const T& o) const;
  bool operator!=(const T& o) const;
  T& operator+=(const T& o);
  T& operator-=(const T& o);
  T& operator*=(float s);
  T& operator/=(float s);
  T operator+(const T& o) const;
  T operator-(const T& o) const;
  T operator*(float s) const;
  T operator/(float s) const;
  T operator-() const;
  %extend {
    T& operator/=(const T& o) { return KazDivideInPlace(*$self, o); }
    std::string __str__() const { return $self->ToString(); }
    std::string __repr__() const { return $self->ToRepr(); }
  }
%enddef

struct Vector4D {
  float x, y, z, w;
  Vector4D();
  Vector4D(const Vector4D& o);
  Vector4D(float x_, float y_, float z_, float w_);
  void Set(const Vector4D& o);
  void Set(float x_, float y_, float z_, float w_);
  KAZ_VECTOR_COMMON(Vector4D)
};

struct Vector3D {
  float x, y, z;
  Vector3D();
  Vector3D(const Vector3D& o);
  Vector3D(float x_, float y_, float z_);
  void Set(const Vector3D& o);
  void Set(float x_, float y_, float z_);
  KAZ_VECTOR_COMMON(Vector3D)
  void RotateX(float angle);
  void RotateY(float angle);
  void RotateZ(float angle);
  Vector3D Cross(const Vector3D& o) const;
  void MinExtent(const Vector3D& o);
  void MaxExtent(const Vector3D& o);
};

struct Vector2D {
  float x, y;
  Vector2D();
  Vector2D(const Vector2D& o);
  Vector2D(float x_, float y_);
  void Set(const Vector2D& o);
  void Set(float x_, float y_);
  KAZ_VECTOR_COMMON(Vector2D)
  Vector2D Reflect(const Vector2D& n) const;
};

struct Matrix4x4 {
  static Matrix4x4 MakeIdentity();
  static Matrix4x4 MakeTranslation(const Vector3D& t);
  static Matrix4x4 MakeScale(const Vector3D& s);
  static Matrix4x4 MakeXRotation(float angle);
  static Matrix4x4 MakeYRotation(float angle);
  static Matrix4x4 MakeZRotation(float angle);
  static Matrix4x4 MakeRotation(const Vector3D& axis, float angle);
  static Matrix4x4 MakePerspectiveProjectionFovLH(float fovY, float aspect, float zNear, float zFar);
  static Matrix4x4 MakePerspectiveProjectionFovRH(float fovY, float aspect, float zNear, float zFar);
  static Matrix4x4 MakePerspectiveProjectionLH(float width, float height, float zNear, float zFar);
  static Matrix4x4 MakeOrthoLH(float width, float height, float zNear, float zFar);
  static Matrix4x4 Make2DProjectionLH(float x0, float x1, float y0, float y1, float zNear,
                                      float zFar);
  static Matrix4x4 MakeLookAtLH(const Vector3D& eye, const Vector3D& at, const Vector3D& up);
  static Matrix4x4 MakeLookAtRH(const Vector3D& eye, const Vector3D& at, const Vector3D& up);
  Matrix4x4();
  Matrix4x4(const Matrix4x4& o);
  Matrix4x4(const Vector3D& right, const Vector3D& up, const Vector3D& forward,
            const Vector3D& translation);
  Matrix4x4(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7,
            float m8, float m9, float m10, float m11, float m12, float m13, float m14, float m15);
  Matrix4x4& Multiply(const Matrix4x4& o);
  Matrix4x4& Multiply(float s);
  Matrix4x4& Divide(float s);
  Matrix4x4& Translate(const Vector3D& t);
  Matrix4x4& RotateX(float angle);
  Matrix4x4& RotateY(float angle);
  Matrix4x4& RotateZ(float angle);
  void Transpose();
  Matrix4x4 GetTranspose() const;
  Matrix4x4 GetFastInverse() const;
  float GetDeterminant() const;
  float GetTrace() const;
  Vector3D GetRight() const;
  Vector3D GetUp() const;
  Vector3D GetForward() const;
  Vector3D GetTranslation() const;
  Vector3D TransformVector(const Vector3D& v, bool translate = true) const;
  Vector4D TransformVector(const Vector4D& v) const;
  Matrix4x4& operator*=(const Matrix4x4& o);
  Matrix4x4& operator*=(float s);
  Matrix4x4& operator/=(float s);
  %extend {
    std::string __str__() const { return $self->ToString(); }
    std::string __repr__() const { return $self->ToRepr(); }
  }
};

struct AABB {
  Vector3D mins;
  Vector3D maxs;
  AABB();
  AABB(const AABB& o);
  AABB(const Vector3D& a, const Vector3D& b);
  Vector3D GetCenter() const;
  float GetXWidth() const;
  float GetYWidth() const;
  float GetZWidth() const;
  bool ContainsPoint(const Vector3D& p) const;
  bool Intersects(const AABB& o) const;
  AABB operator+(const Vector3D& v) const;
  AABB operator-(const Vector3D& v) const;
  AABB& operator+=(const Vector3D& v);
  AABB& operator-=(const Vector3D& v);
};

class PlayerController {
 public:
  enum MoveFlags {
    moveLeft = 1,
    moveRight = 2,
    moveForward = 4,
    moveBackward = 8,
    moveJump = 16,
    moveCrouch = 32,
    moveWalk = 64
  };
  PlayerController();
  ~PlayerController();
  bool Init(WorldObject* object);
  void Update(unsigned int flags);
  %extend {
    // The three-argument form's last value is accepted and ignored.
    void Update(unsigned int flags, float) { $self->Update(flags); }
  }
  void SetHeadingAngle(float radians);
  void SetRunSpeed(float speed);
  void SetWalkSpeed(float speed);
};

class FloatKeyTrack {
 public:
  FloatKeyTrack();
  %extend {
    // A track from start to end over length seconds.
    FloatKeyTrack(float start, float end, float length) {
      auto* track = new FloatKeyTrack();
      track->Initialize(start, end, length);
      return track;
    }
  }
  void Initialize();
  void Initialize(const float& start, const float& end, float length);
  void InsertKeyframe(float time, const float& value);
  size_t GetKeyframeCount() const;
  float GetKeyframeTime(size_t index) const;
  float GetKeyframeValue(size_t index) const;
  float Sample(float t) const;
  %extend {
    // Sampling with the caller's cursor (a key index) gives (value, cursor): the
    // cursor handed back makes the next sample at a later time start there.
    PyObject* Sample(float t, unsigned int cursor) const {
      size_t at = cursor;
      const float value = $self->Sample(t, at);
      return Py_BuildValue("(dI)", static_cast<double>(value), static_cast<unsigned int>(at));
    }
  }
  void Normalize();
};
