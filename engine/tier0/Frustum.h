// Frustum.h - view frustum for culling boxes.
//
// Six planes (a, b, c, d) with a*x + b*y + c*z + d = 0, unit normals, inside on
// the positive side. Built from a view-projection matrix (Matrix4x4
// conventions, depth 0..1) by carrying the corners of the clip cube back
// through its inverse, so any projection the renderer builds culls correctly.
// A box is rejected only when it lies entirely on the outside of one plane;
// touching a plane from outside counts as outside. Depends on Matrix.h, AABB.h.
#pragma once

#include "tier0/AABB.h"
#include "tier0/Matrix.h"
#include "tier0/Vector.h"

class Frustum {
 public:
  enum PlaneIndex { Near = 0, Far, Left, Right, Top, Bottom, PlaneCount };

  // Accepts everything until built.
  Frustum();
  explicit Frustum(const Matrix4x4& viewProjection);

  // False (and a frustum that accepts everything) for a singular matrix.
  bool Build(const Matrix4x4& viewProjection);

  bool IntersectsBox(const AABB& box) const {
    for (const Vector4D& p : m_planes) {
      // The corner farthest along the normal; if even it is not inside, none is.
      const float x = p.x > 0.0f ? box.maxs.x : box.mins.x;
      const float y = p.y > 0.0f ? box.maxs.y : box.mins.y;
      const float z = p.z > 0.0f ? box.maxs.z : box.mins.z;
      if (p.x * x + p.y * y + p.z * z + p.w <= 0.0f) return false;
    }
    return true;
  }

  float DistanceToPlane(int plane, const Vector3D& point) const {
    const Vector4D& p = m_planes[plane];
    return p.x * point.x + p.y * point.y + p.z * point.z + p.w;
  }
  const Vector4D& GetPlane(int plane) const { return m_planes[plane]; }

 private:
  void AcceptAll();

  Vector4D m_planes[PlaneCount];
};
