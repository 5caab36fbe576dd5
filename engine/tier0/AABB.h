// AABB.h - axis-aligned bounding box (mins, maxs).
//
// Six packed floats in the order mins, maxs. Intersects() is deliberately
// generous: it compares the distance between the centres with the sum of the
// FULL widths (not half widths), so boxes up to one extra box-width apart
// still "intersect"; the world's box queries are tuned on that. Depends on
// Vector.h only.
#pragma once

#include "tier0/Vector.h"

#include <cmath>
#include <type_traits>

struct AABB {
  Vector3D mins;
  Vector3D maxs;

  constexpr AABB() = default;
  // The box spanned by two corners, in any order.
  AABB(const Vector3D& a, const Vector3D& b)
      : mins(b.x < a.x ? b.x : a.x, b.y < a.y ? b.y : a.y, b.z < a.z ? b.z : a.z),
        maxs(b.x > a.x ? b.x : a.x, b.y > a.y ? b.y : a.y, b.z > a.z ? b.z : a.z) {}

  static AABB FromCenter(const Vector3D& center, const Vector3D& halfSize) {
    AABB box;
    box.mins = center - halfSize;
    box.maxs = center + halfSize;
    return box;
  }

  Vector3D GetCenter() const { return (mins + maxs) * 0.5f; }
  float GetXWidth() const { return maxs.x - mins.x; }
  float GetYWidth() const { return maxs.y - mins.y; }
  float GetZWidth() const { return maxs.z - mins.z; }

  // Faces count as inside.
  bool ContainsPoint(const Vector3D& p) const {
    return mins.x <= p.x && p.x <= maxs.x && mins.y <= p.y && p.y <= maxs.y && mins.z <= p.z &&
           p.z <= maxs.z;
  }

  bool Intersects(const AABB& o) const {
    const Vector3D c = GetCenter(), oc = o.GetCenter();
    return (o.GetXWidth() + GetXWidth()) >= std::fabs(oc.x - c.x) &&
           (o.GetYWidth() + GetYWidth()) >= std::fabs(oc.y - c.y) &&
           (o.GetZWidth() + GetZWidth()) >= std::fabs(oc.z - c.z);
  }

  AABB operator+(const Vector3D& v) const { return AABB(mins + v, maxs + v); }
  AABB operator-(const Vector3D& v) const { return AABB(mins - v, maxs - v); }
  AABB& operator+=(const Vector3D& v) { return *this = *this + v; }
  AABB& operator-=(const Vector3D& v) { return *this = *this - v; }
};

static_assert(sizeof(AABB) == 6 * sizeof(float));
static_assert(std::is_trivially_copyable_v<AABB>);
