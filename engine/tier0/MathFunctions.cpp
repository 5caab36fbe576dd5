// MathFunctions.cpp - matrix finiteness and ray-plane intersection.
#include "tier0/MathFunctions.h"

#include <cmath>

bool IsFinite(const Matrix4x4& m) {
  for (float e : m.m) {
    if (!std::isfinite(e)) return false;
  }
  return true;
}

bool RayPlaneIntersect(const Vector3D& origin, const Vector3D& target, const Vector4D& plane,
                       Vector3D* hit) {
  const Vector3D direction = (target - origin).GetNormalized();
  const Vector3D normal(plane.x, plane.y, plane.z);
  const float along = normal.Dot(direction);
  // A zero-length direction normalises to NaN: no line, no hit.
  if (along == 0.0f || !std::isfinite(along)) return false;
  const float t = (-plane.w - normal.Dot(origin)) / along;
  if (hit) *hit = origin + direction * t;
  return true;
}
