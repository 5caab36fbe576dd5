// Frustum.cpp - frustum planes from a view-projection matrix.
#include "tier0/Frustum.h"

#include "base/Log.h"

#include <cmath>

namespace {
// Corner i of the clip cube: x from bit 0, y from bit 1, z (0 or 1) from bit 2.
Vector3D ClipCorner(int i) {
  return Vector3D((i & 1) ? 1.0f : -1.0f, (i & 2) ? 1.0f : -1.0f, (i & 4) ? 1.0f : 0.0f);
}

// Three corners of each face, indexed as PlaneIndex.
constexpr int kFaceCorners[Frustum::PlaneCount][3] = {
    {0, 1, 2},  // near   z = 0
    {4, 6, 5},  // far    z = 1
    {0, 2, 4},  // left   x = -1
    {1, 5, 3},  // right  x = 1
    {2, 3, 6},  // top    y = 1
    {0, 4, 1},  // bottom y = -1
};
}  // namespace

Frustum::Frustum() {
  AcceptAll();
}

Frustum::Frustum(const Matrix4x4& viewProjection) {
  Build(viewProjection);
}

void Frustum::AcceptAll() {
  for (Vector4D& p : m_planes) p.Set(0.0f, 0.0f, 0.0f, 1.0f);
}

bool Frustum::Build(const Matrix4x4& viewProjection) {
  Matrix4x4 inverse;
  if (!viewProjection.GetInverse(inverse)) {
    LogWarning("Frustum: view-projection matrix is singular, culling disabled");
    AcceptAll();
    return false;
  }

  Vector3D corners[8];
  Vector3D centre;
  for (int i = 0; i < 8; ++i) {
    const Vector3D c = ClipCorner(i);
    const Vector4D h = inverse.TransformVector(Vector4D(c.x, c.y, c.z, 1.0f));
    corners[i] = Vector3D(h.x, h.y, h.z) / h.w;
    centre += corners[i];
  }
  centre *= 0.125f;

  for (int i = 0; i < PlaneCount; ++i) {
    const Vector3D& a = corners[kFaceCorners[i][0]];
    const Vector3D& b = corners[kFaceCorners[i][1]];
    const Vector3D& c = corners[kFaceCorners[i][2]];
    Vector3D n = (b - a).Cross(c - a).GetNormalized();
    float d = -n.Dot(a);
    // Orientation depends on handedness; the centre is always inside.
    if (n.Dot(centre) + d < 0.0f) {
      n = -n;
      d = -d;
    }
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z) || !std::isfinite(d)) {
      LogWarning("Frustum: degenerate view-projection matrix, culling disabled");
      AcceptAll();
      return false;
    }
    m_planes[i].Set(n.x, n.y, n.z, d);
  }
  return true;
}
