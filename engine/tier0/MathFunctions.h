// MathFunctions.h - free helpers over the math types: distance, normalised
// copy, cross product, finiteness, ray-plane intersection and the cubic
// Bezier point used by animation paths. Depends on Vector.h and Matrix.h.
#pragma once

#include "tier0/AABB.h"
#include "tier0/Matrix.h"
#include "tier0/Vector.h"

#include <cmath>

inline float Distance(const Vector3D& a, const Vector3D& b) {
  return a.Distance(b);
}
inline Vector3D Normalize(const Vector3D& v) {
  return v.GetNormalized();
}
inline Vector3D Cross(const Vector3D& a, const Vector3D& b) {
  return a.Cross(b);
}

// True when no component is NaN or infinite.
inline bool IsFinite(float v) {
  return std::isfinite(v);
}
inline bool IsFinite(const Vector3D& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
inline bool IsFinite(const Vector4D& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}
inline bool IsFinite(const AABB& box) {
  return IsFinite(box.mins) && IsFinite(box.maxs);
}
bool IsFinite(const Matrix4x4& m);

// Line through origin towards target against the plane a*x + b*y + c*z + d = 0
// (the Frustum's convention). The hit may lie behind the origin. False when the
// line is parallel to the plane or origin and target coincide.
bool RayPlaneIntersect(const Vector3D& origin, const Vector3D& target, const Vector4D& plane,
                       Vector3D* hit = nullptr);

// Point at t (0..1) of the cubic Bezier curve p0, p1, p2, p3.
inline Vector3D BezierPoint(const Vector3D& p0, const Vector3D& p1, const Vector3D& p2,
                            const Vector3D& p3, float t) {
  const float u = 1.0f - t;
  return p0 * (u * u * u) + p1 * (3.0f * t * u * u) + p2 * (3.0f * t * t * u) + p3 * (t * t * t);
}
