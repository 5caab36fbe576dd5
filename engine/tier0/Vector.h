// Vector.h - 2, 3 and 4 component single-precision vectors.
//
// Plain values (no heap, trivially copyable, standard layout) shared by the
// physics world, the renderer and the script math module. The conventions are
// relied on elsewhere and are deliberate:
//   - division by a scalar multiplies by its reciprocal;
//   - Normalize/SetLength do not guard against zero length (the result is
//     non-finite, which callers test for);
//   - NearlyEquals is strict: a difference of exactly epsilon is not "near";
//   - == and != compare exactly.
// Depends on <cmath> and <string> only; text forms live in Vector.cpp.
#pragma once

#include <cmath>
#include <string>
#include <type_traits>

// Default tolerance of NearlyEquals (vectors and matrices).
constexpr float kMathEpsilon = 0.001f;

struct Vector2D {
  float x, y;

  constexpr Vector2D() : x(0.0f), y(0.0f) {}
  constexpr Vector2D(float x_, float y_) : x(x_), y(y_) {}

  void Set(float x_, float y_) { x = x_, y = y_; }
  void Set(const Vector2D& o) { *this = o; }

  float LengthSquared() const { return x * x + y * y; }
  float Length() const { return std::sqrt(LengthSquared()); }
  float DistanceSquared(const Vector2D& o) const { return (o - *this).LengthSquared(); }
  float Distance(const Vector2D& o) const { return (o - *this).Length(); }
  float Dot(const Vector2D& o) const { return x * o.x + y * o.y; }

  void Normalize() { Scale(1.0f / Length()); }
  Vector2D GetNormalized() const {
    Vector2D v = *this;
    v.Normalize();
    return v;
  }
  float SetLength(float s) {
    float old = Length();
    Scale(s / old);
    return old;
  }
  float SetLengthSquared(float s) {
    float old = LengthSquared();
    Scale(s / old);
    return old;
  }
  void Scale(float s) { x *= s, y *= s; }

  void Add(const Vector2D& o) { x += o.x, y += o.y; }
  void Subtract(const Vector2D& o) { x -= o.x, y -= o.y; }
  void Add(const Vector2D& a, const Vector2D& b) { x = a.x + b.x, y = a.y + b.y; }
  void Subtract(const Vector2D& a, const Vector2D& b) { x = a.x - b.x, y = a.y - b.y; }

  // Mirror about a line with unit normal n.
  Vector2D Reflect(const Vector2D& n) const { return *this - n * (2.0f * Dot(n)); }

  Vector2D operator+(const Vector2D& o) const { return {x + o.x, y + o.y}; }
  Vector2D operator-(const Vector2D& o) const { return {x - o.x, y - o.y}; }
  Vector2D operator-() const { return {-x, -y}; }
  Vector2D operator*(float s) const { return {x * s, y * s}; }
  Vector2D operator/(float s) const { return *this * (1.0f / s); }
  Vector2D& operator+=(const Vector2D& o) {
    Add(o);
    return *this;
  }
  Vector2D& operator-=(const Vector2D& o) {
    Subtract(o);
    return *this;
  }
  Vector2D& operator*=(float s) {
    Scale(s);
    return *this;
  }
  Vector2D& operator/=(float s) {
    Scale(1.0f / s);
    return *this;
  }
  bool operator==(const Vector2D& o) const { return x == o.x && y == o.y; }
  bool operator!=(const Vector2D& o) const { return !(*this == o); }

  bool NearlyEquals(const Vector2D& o, float epsilon = kMathEpsilon) const {
    return std::fabs(x - o.x) < epsilon && std::fabs(y - o.y) < epsilon;
  }

  std::string ToString() const;  // "<%g, %g>"
  std::string ToRepr() const;    // "Vector2D(%g, %g)"
};

struct Vector3D {
  float x, y, z;

  constexpr Vector3D() : x(0.0f), y(0.0f), z(0.0f) {}
  constexpr Vector3D(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

  void Set(float x_, float y_, float z_) { x = x_, y = y_, z = z_; }
  void Set(const Vector3D& o) { *this = o; }

  float LengthSquared() const { return x * x + y * y + z * z; }
  float Length() const { return std::sqrt(LengthSquared()); }
  float DistanceSquared(const Vector3D& o) const { return (o - *this).LengthSquared(); }
  float Distance(const Vector3D& o) const { return (o - *this).Length(); }
  float Dot(const Vector3D& o) const { return x * o.x + y * o.y + z * o.z; }
  Vector3D Cross(const Vector3D& o) const {
    return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
  }

  void Normalize() { Scale(1.0f / Length()); }
  Vector3D GetNormalized() const {
    Vector3D v = *this;
    v.Normalize();
    return v;
  }
  float SetLength(float s) {
    float old = Length();
    Scale(s / old);
    return old;
  }
  float SetLengthSquared(float s) {
    float old = LengthSquared();
    Scale(s / old);
    return old;
  }
  void Scale(float s) { x *= s, y *= s, z *= s; }

  void Add(const Vector3D& o) { x += o.x, y += o.y, z += o.z; }
  void Subtract(const Vector3D& o) { x -= o.x, y -= o.y, z -= o.z; }
  void Add(const Vector3D& a, const Vector3D& b) { Set(a.x + b.x, a.y + b.y, a.z + b.z); }
  void Subtract(const Vector3D& a, const Vector3D& b) { Set(a.x - b.x, a.y - b.y, a.z - b.z); }

  // In-place rotations about the axes, radians, right-handed sense.
  void RotateX(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float ny = y * c - z * s, nz = z * c + y * s;
    y = ny, z = nz;
  }
  void RotateY(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float nx = x * c + z * s, nz = z * c - x * s;
    x = nx, z = nz;
  }
  void RotateZ(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float nx = x * c - y * s, ny = y * c + x * s;
    x = nx, y = ny;
  }

  // Grow a running minimum / maximum (bounding boxes).
  void MinExtent(const Vector3D& o) {
    if (o.x < x) x = o.x;
    if (o.y < y) y = o.y;
    if (o.z < z) z = o.z;
  }
  void MaxExtent(const Vector3D& o) {
    if (o.x > x) x = o.x;
    if (o.y > y) y = o.y;
    if (o.z > z) z = o.z;
  }

  Vector3D operator+(const Vector3D& o) const { return {x + o.x, y + o.y, z + o.z}; }
  Vector3D operator-(const Vector3D& o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vector3D operator-() const { return {-x, -y, -z}; }
  Vector3D operator*(float s) const { return {x * s, y * s, z * s}; }
  Vector3D operator/(float s) const { return *this * (1.0f / s); }
  Vector3D& operator+=(const Vector3D& o) {
    Add(o);
    return *this;
  }
  Vector3D& operator-=(const Vector3D& o) {
    Subtract(o);
    return *this;
  }
  Vector3D& operator+=(float s) {
    x += s, y += s, z += s;
    return *this;
  }
  Vector3D& operator-=(float s) {
    x -= s, y -= s, z -= s;
    return *this;
  }
  Vector3D& operator*=(float s) {
    Scale(s);
    return *this;
  }
  Vector3D& operator/=(float s) {
    Scale(1.0f / s);
    return *this;
  }
  bool operator==(const Vector3D& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const Vector3D& o) const { return !(*this == o); }

  bool NearlyEquals(const Vector3D& o, float epsilon = kMathEpsilon) const {
    return std::fabs(x - o.x) < epsilon && std::fabs(y - o.y) < epsilon &&
           std::fabs(z - o.z) < epsilon;
  }

  std::string ToString() const;  // "<%g, %g, %g>"
  std::string ToRepr() const;    // "Vector3D(%g, %g, %g)"
};

struct Vector4D {
  float x, y, z, w;

  constexpr Vector4D() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
  constexpr Vector4D(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

  void Set(float x_, float y_, float z_, float w_) { x = x_, y = y_, z = z_, w = w_; }
  void Set(const Vector4D& o) { *this = o; }

  float LengthSquared() const { return x * x + y * y + z * z + w * w; }
  float Length() const { return std::sqrt(LengthSquared()); }
  float DistanceSquared(const Vector4D& o) const { return (o - *this).LengthSquared(); }
  float Distance(const Vector4D& o) const { return (o - *this).Length(); }
  float Dot(const Vector4D& o) const { return x * o.x + y * o.y + z * o.z + w * o.w; }

  void Normalize() { Scale(1.0f / Length()); }
  Vector4D GetNormalized() const {
    Vector4D v = *this;
    v.Normalize();
    return v;
  }
  float SetLength(float s) {
    float old = Length();
    Scale(s / old);
    return old;
  }
  float SetLengthSquared(float s) {
    float old = LengthSquared();
    Scale(s / old);
    return old;
  }
  void Scale(float s) { x *= s, y *= s, z *= s, w *= s; }

  void Add(const Vector4D& o) { x += o.x, y += o.y, z += o.z, w += o.w; }
  void Subtract(const Vector4D& o) { x -= o.x, y -= o.y, z -= o.z, w -= o.w; }
  void Add(const Vector4D& a, const Vector4D& b) { *this = a + b; }
  void Subtract(const Vector4D& a, const Vector4D& b) { *this = a - b; }

  Vector4D operator+(const Vector4D& o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
  Vector4D operator-(const Vector4D& o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
  Vector4D operator-() const { return {-x, -y, -z, -w}; }
  Vector4D operator*(float s) const { return {x * s, y * s, z * s, w * s}; }
  Vector4D operator/(float s) const { return *this * (1.0f / s); }
  Vector4D& operator+=(const Vector4D& o) {
    Add(o);
    return *this;
  }
  Vector4D& operator-=(const Vector4D& o) {
    Subtract(o);
    return *this;
  }
  Vector4D& operator*=(float s) {
    Scale(s);
    return *this;
  }
  Vector4D& operator/=(float s) {
    Scale(1.0f / s);
    return *this;
  }
  bool operator==(const Vector4D& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
  bool operator!=(const Vector4D& o) const { return !(*this == o); }

  bool NearlyEquals(const Vector4D& o, float epsilon = kMathEpsilon) const {
    return std::fabs(x - o.x) < epsilon && std::fabs(y - o.y) < epsilon &&
           std::fabs(z - o.z) < epsilon && std::fabs(w - o.w) < epsilon;
  }

  std::string ToString() const;  // "<%g, %g, %g, %g>"
  std::string ToRepr() const;    // "Vector4D(%g, %g, %g, %g)"
};

inline Vector2D operator*(float s, const Vector2D& v) {
  return v * s;
}
inline Vector3D operator*(float s, const Vector3D& v) {
  return v * s;
}
inline Vector4D operator*(float s, const Vector4D& v) {
  return v * s;
}

// Files, the serializer and the GPU read these as packed floats.
static_assert(sizeof(Vector2D) == 2 * sizeof(float));
static_assert(sizeof(Vector3D) == 3 * sizeof(float));
static_assert(sizeof(Vector4D) == 4 * sizeof(float));
static_assert(std::is_trivially_copyable_v<Vector3D> && std::is_trivially_copyable_v<Vector4D>);
