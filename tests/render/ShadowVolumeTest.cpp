// ShadowVolumeTest.cpp - the box a caster's shadow can fall in, which decides where the Lit
// pass reads shadow maps: every point the caster hides from the light must be in it (a point
// left out would lose its shadow), and a floor must keep it small.
#include <gtest/gtest.h>

#include "render/world/RenderQueue.h"

#include <random>

namespace {

bool Inside(const AABB& box, const Vector3D& p, float slack = 1e-3f) {
  return p.x >= box.mins.x - slack && p.x <= box.maxs.x + slack && p.y >= box.mins.y - slack &&
         p.y <= box.maxs.y + slack && p.z >= box.mins.z - slack && p.z <= box.maxs.z + slack;
}

// Whether the segment from the light to p passes through the box (slabs).
bool Hidden(const Vector3D& light, const Vector3D& p, const AABB& box) {
  float enter = 0.0f, leave = 1.0f;
  const float from[3] = {light.x, light.y, light.z}, to[3] = {p.x, p.y, p.z};
  const float lo[3] = {box.mins.x, box.mins.y, box.mins.z};
  const float hi[3] = {box.maxs.x, box.maxs.y, box.maxs.z};
  for (int k = 0; k < 3; ++k) {
    const float d = to[k] - from[k];
    if (std::fabs(d) < 1e-9f) {
      if (from[k] < lo[k] || from[k] > hi[k]) return false;
      continue;
    }
    float t0 = (lo[k] - from[k]) / d, t1 = (hi[k] - from[k]) / d;
    if (t0 > t1) std::swap(t0, t1);
    enter = std::max(enter, t0), leave = std::min(leave, t1);
  }
  return enter <= leave;
}

// Random lights and casters, with and without a floor: every hidden point
// within range (and above the floor) lies in the box.
TEST(ShadowVolumeTest, HoldsEveryPointTheCasterHides) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  int bounded = 0, checked = 0;
  for (int round = 0; round < 400; ++round) {
    const Vector3D light(unit(random) * 5, 4 + unit(random) * 3, unit(random) * 5);
    const float range = 6.0f + 6.0f * (unit(random) + 1.0f);
    const Vector3D at(unit(random) * 6, unit(random) * 3, unit(random) * 6);
    const Vector3D half(0.2f + std::fabs(unit(random)), 0.2f + std::fabs(unit(random)),
                        0.2f + std::fabs(unit(random)));
    const AABB caster{at - half, at + half};
    const float floor = round % 2 ? -std::numeric_limits<float>::max() : unit(random) * 2;
    AABB box;
    if (!ShadowVolume(light, range, caster, floor, &box)) continue;
    ++bounded;
    for (int i = 0; i < 400; ++i) {
      // Half anywhere in range, half on the way on from a point of the caster.
      Vector3D p = light + Vector3D(unit(random), unit(random), unit(random)) * range;
      if (i % 2) {
        const Vector3D q(at.x + half.x * unit(random), at.y + half.y * unit(random),
                         at.z + half.z * unit(random));
        const float most = range / std::max((q - light).Length(), 1e-3f);
        p = light + (q - light) * (1.0f + (most - 1.0f) * (unit(random) + 1.0f) * 0.5f);
      }
      if ((p - light).Length() > range * 0.9999f || p.y < floor || !Hidden(light, p, caster))
        continue;
      ++checked;
      ASSERT_TRUE(Inside(box, p)) << "round " << round << " point " << p.x << " " << p.y << " "
                                  << p.z;
    }
  }
  EXPECT_GT(bounded, 200);
  EXPECT_GT(checked, 1000);
}

TEST(ShadowVolumeTest, AFloorKeepsAHighLightsShadowNearItsCaster) {
  // A figure two units from the foot of a lamp ten units up.
  const Vector3D lamp(0, 10, 0);
  const AABB figure{Vector3D(1.8f, 0, -0.2f), Vector3D(2.2f, 1.8f, 0.2f)};
  AABB open, floored;
  ASSERT_TRUE(ShadowVolume(lamp, 20, figure, -std::numeric_limits<float>::max(), &open));
  ASSERT_TRUE(ShadowVolume(lamp, 20, figure, 0.0f, &floored));
  EXPECT_NEAR(floored.mins.y, 0.0f, 1e-4f);
  // On the ground the shadow ends half a unit past the figure's feet.
  EXPECT_LT(floored.maxs.x, 3.0f);
  EXPECT_GT(open.maxs.x, 3.0f);
  // Wholly under the floor: nothing to bound.
  ASSERT_TRUE(ShadowVolume(lamp, 20, figure, 5.0f, &floored));
  EXPECT_GT(floored.mins.y, floored.maxs.y);
}

TEST(ShadowVolumeTest, ALightInOrBesideTheCasterCannotBeBounded) {
  const AABB crate{Vector3D(-1, -1, -1), Vector3D(1, 1, 1)};
  AABB box;
  EXPECT_FALSE(ShadowVolume(Vector3D(0, 0, 0), 10, crate, -100.0f, &box));
  EXPECT_FALSE(ShadowVolume(Vector3D(1.1f, 0, 0), 10, crate, -100.0f, &box));
  EXPECT_FALSE(ShadowVolume(Vector3D(5, 0, 0), 0, crate, -100.0f, &box));
  EXPECT_TRUE(ShadowVolume(Vector3D(5, 0, 0), 10, crate, -100.0f, &box));
}

}  // namespace
