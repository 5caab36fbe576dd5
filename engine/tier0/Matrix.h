// Matrix.h - 4x4 single-precision matrix.
//
// Storage is row by row: element (row r, column c) is m[4r + c]. Points are
// column vectors transformed as M * p, so the translation sits in column 3
// (m[3], m[7], m[11]) and an affine matrix ends with the row (0, 0, 0, 1).
// Rows 0, 1 and 2 of a transform are its right, up and forward axes.
//
// The conventions are fixed because the physics world, the renderer and the
// scripts depend on them, quirks included:
//   - Multiply(o) and *= o PRE-multiply: m becomes o * m ("apply o after m").
//     Product(a, b) is the plain mathematical a * b.
//   - MakeXRotation/MakeYRotation turn the opposite way to MakeZRotation and
//     MakeRotation (their signs are fixed by the data and scripts).
//   - MakePerspectiveProjectionFovRH keeps m[10] positive: depth runs 0 to -1.
//   - The builders are static and return a new matrix.
// Other libraries (OpenGL uniforms, Bullet) keep the translation in the fourth
// row: ToColumnMajor/FromColumnMajor convert. Depends on Vector.h only.
#pragma once

#include "tier0/Vector.h"

#include <string>
#include <type_traits>

struct Matrix4x4 {
  float m[16];

  // Identity.
  constexpr Matrix4x4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}
  // Elements in index order (row by row).
  constexpr Matrix4x4(float m0, float m1, float m2, float m3, float m4, float m5, float m6,
                      float m7, float m8, float m9, float m10, float m11, float m12, float m13,
                      float m14, float m15)
      : m{m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15} {}
  // Axes as rows 0..2, translation as column 3, bottom row (0, 0, 0, 1).
  constexpr Matrix4x4(const Vector3D& right, const Vector3D& up, const Vector3D& forward,
                      const Vector3D& translation)
      : m{right.x,   right.y,   right.z,   translation.x, up.x, up.y, up.z, translation.y,
          forward.x, forward.y, forward.z, translation.z, 0,    0,    0,    1} {}

  float& operator[](int i) { return m[i]; }
  float operator[](int i) const { return m[i]; }

  // ---- builders ----
  static Matrix4x4 MakeIdentity() { return Matrix4x4(); }
  static Matrix4x4 MakeTranslation(const Vector3D& t);
  static Matrix4x4 MakeScale(const Vector3D& s);
  static Matrix4x4 MakeXRotation(float angle);
  static Matrix4x4 MakeYRotation(float angle);
  static Matrix4x4 MakeZRotation(float angle);
  // Axis taken as given (not normalised).
  static Matrix4x4 MakeRotation(const Vector3D& axis, float angle);
  static Matrix4x4 MakeLookAtLH(const Vector3D& eye, const Vector3D& at, const Vector3D& up);
  static Matrix4x4 MakeLookAtRH(const Vector3D& eye, const Vector3D& at, const Vector3D& up);
  static Matrix4x4 MakePerspectiveProjectionFovLH(float fovY, float aspect, float zNear,
                                                  float zFar);
  static Matrix4x4 MakePerspectiveProjectionFovRH(float fovY, float aspect, float zNear,
                                                  float zFar);
  static Matrix4x4 MakePerspectiveProjectionLH(float width, float height, float zNear, float zFar);
  static Matrix4x4 MakeOrthoLH(float width, float height, float zNear, float zFar);
  // Maps x0..x1 and y0..y1 to -1..1, depth near..far to 0..1.
  static Matrix4x4 Make2DProjectionLH(float x0, float x1, float y0, float y1, float zNear,
                                      float zFar);

  // Mathematical product a * b (b applied first to a column vector).
  static Matrix4x4 Product(const Matrix4x4& a, const Matrix4x4& b) {
    Matrix4x4 r;
    for (int row = 0; row < 4; ++row) {
      const float* ar = &a.m[row * 4];
      for (int col = 0; col < 4; ++col)
        r.m[row * 4 + col] =
            ar[0] * b.m[col] + ar[1] * b.m[4 + col] + ar[2] * b.m[8 + col] + ar[3] * b.m[12 + col];
    }
    return r;
  }

  // ---- composition (all pre-multiply: m = x * m) ----
  Matrix4x4& Multiply(const Matrix4x4& o) {
    *this = Product(o, *this);
    return *this;
  }
  Matrix4x4& Multiply(float s) {
    for (float& e : m) e *= s;
    return *this;
  }
  Matrix4x4& Divide(float s) { return Multiply(1.0f / s); }
  Matrix4x4& operator*=(const Matrix4x4& o) { return Multiply(o); }
  Matrix4x4& operator*=(float s) { return Multiply(s); }
  Matrix4x4& operator/=(float s) { return Divide(s); }
  Matrix4x4& Translate(const Vector3D& t) { return Multiply(MakeTranslation(t)); }
  Matrix4x4& RotateX(float angle) { return Multiply(MakeXRotation(angle)); }
  Matrix4x4& RotateY(float angle) { return Multiply(MakeYRotation(angle)); }
  Matrix4x4& RotateZ(float angle) { return Multiply(MakeZRotation(angle)); }

  void Transpose();
  Matrix4x4 GetTranspose() const {
    Matrix4x4 r = *this;
    r.Transpose();
    return r;
  }
  float GetDeterminant() const;
  float GetTrace() const { return m[0] + m[5] + m[10] + m[15]; }
  // Inverse of an orthonormal affine matrix (rotation + translation only).
  Matrix4x4 GetFastInverse() const;
  // General inverse; false (out untouched) when the matrix is singular or not finite.
  bool GetInverse(Matrix4x4& out) const;

  Vector3D TransformVector(const Vector3D& v, bool translate = true) const {
    Vector3D r(m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
               m[8] * v.x + m[9] * v.y + m[10] * v.z);
    if (translate) {
      r.x += m[3];
      r.y += m[7];
      r.z += m[11];
    }
    return r;
  }
  // Full homogeneous transform M * v.
  Vector4D TransformVector(const Vector4D& v) const {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3] * v.w,
            m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7] * v.w,
            m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11] * v.w,
            m[12] * v.x + m[13] * v.y + m[14] * v.z + m[15] * v.w};
  }

  Vector3D GetRight() const { return {m[0], m[1], m[2]}; }
  Vector3D GetUp() const { return {m[4], m[5], m[6]}; }
  Vector3D GetForward() const { return {m[8], m[9], m[10]}; }
  Vector3D GetTranslation() const { return {m[3], m[7], m[11]}; }
  void SetTranslation(const Vector3D& t) { m[3] = t.x, m[7] = t.y, m[11] = t.z; }

  // Layout of OpenGL and Bullet (translation in elements 12, 13, 14).
  void ToColumnMajor(float out[16]) const;
  static Matrix4x4 FromColumnMajor(const float in[16]);

  bool operator==(const Matrix4x4& o) const;
  bool operator!=(const Matrix4x4& o) const { return !(*this == o); }
  bool NearlyEquals(const Matrix4x4& o, float epsilon = kMathEpsilon) const;

  std::string ToString() const;  // "<%g, ... %g>", four elements per line
  std::string ToRepr() const;    // "Matrix4x4(%g, ... %g)"
};

static_assert(sizeof(Matrix4x4) == 16 * sizeof(float));
static_assert(std::is_trivially_copyable_v<Matrix4x4>);
