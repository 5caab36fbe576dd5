// PhysicsTest.cpp - the physics layer on its own: stepping, shapes, impulses, sleep, joints, rays,
// buoyancy.
#include "tier1/physics/Physics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr float kStep = 0.004f;

struct Tracked {
  float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  int transforms = 0;
  int forces = 0;
  bool gravity = true;
  float plane[4] = {0, 1, 0, 0};
  float density = 0.0f;
};

void OnTransform(PhysicsBody* body, const float* m) {
  auto* t = static_cast<Tracked*>(PhysicsBodyGetUserData(body));
  std::copy(m, m + 16, t->matrix);
  ++t->transforms;
}

void Plane(void* context, float* plane) {
  std::copy_n(static_cast<Tracked*>(context)->plane, 4, plane);
}

void OnForce(PhysicsBody* body) {
  auto* t = static_cast<Tracked*>(PhysicsBodyGetUserData(body));
  ++t->forces;
  const float g[3] = {0, -9.8f, 0};
  if (t->density > 0) {
    PhysicsBodyAddBuoyancyForce(body, t->density, 1.0f, 1.0f, g, Plane, t);
  } else if (t->gravity) {
    PhysicsBodyAddForce(body, g);
  }
}

class PhysicsTest : public ::testing::Test {
 protected:
  void SetUp() override { world = PhysicsCreate(); }
  void TearDown() override { PhysicsDestroy(world); }

  PhysicsBody* Make(PhysicsCollision* col, float x, float y, float z, bool dynamic, Tracked* t) {
    PhysicsBody* body = PhysicsCreateBody(world, col);
    PhysicsReleaseCollision(world, col);
    float m[16] = {1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1};
    PhysicsBodySetMatrix(body, m);
    if (t) {
      std::copy(m, m + 16, t->matrix);
      PhysicsBodySetUserData(body, t);
    }
    if (dynamic) {
      PhysicsBodySetMassMatrix(body, 1.0f, 2.0f, 2.0f, 2.0f);
      PhysicsBodySetTransformCallback(body, OnTransform);
      PhysicsBodySetForceAndTorqueCallback(body, OnForce);
      PhysicsBodySetFreezeTreshold(body, 0.01f, 0.01f, 10);
    }
    return body;
  }

  PhysicsBody* Floor() {
    return Make(PhysicsCreateBox(world, 100, 1, 100, nullptr), 0, -0.5f, 0, false, nullptr);
  }

  void Run(float seconds) {
    const int steps = static_cast<int>(std::lround(seconds / kStep));
    for (int i = 0; i < steps; ++i) {
      PhysicsUpdate(world, kStep);
    }
  }

  PhysicsWorld* world = nullptr;
};

TEST_F(PhysicsTest, FreeFallFollowsGravityThroughTheForceCallback) {
  Tracked t;
  Make(PhysicsCreateSphere(world, 0.5f, 0.5f, 0.5f, nullptr), 0, 10, 0, true, &t);
  Run(1.0f);
  EXPECT_EQ(PhysicsGetStepCount(world), 250u);
  EXPECT_EQ(t.forces, 250);
  EXPECT_EQ(t.transforms, 250);
  EXPECT_NEAR(t.matrix[7], 10.0f - 4.9f, 0.05f);
}

TEST_F(PhysicsTest, StaticBodiesGetNoCallbacksUntilGivenAMass) {
  Tracked t;
  PhysicsBody* body = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 5, 0, false, &t);
  PhysicsBodySetForceAndTorqueCallback(body, OnForce);
  PhysicsBodySetTransformCallback(body, OnTransform);
  Run(0.1f);
  EXPECT_EQ(t.forces, 0);
  EXPECT_EQ(t.transforms, 0);
  EXPECT_EQ(PhysicsBodyGetMass(body), 0.0f);
  PhysicsBodySetMassMatrix(body, 1.0f, 2, 2, 2);
  Run(0.5f);
  EXPECT_LT(t.matrix[7], 4.0f);
}

TEST_F(PhysicsTest, TreeWithoutFacesIsEmptyAndHarmless) {
  PhysicsCollision* tree = PhysicsCreateTreeCollision(world);
  PhysicsTreeCollisionBeginBuild(tree);
  PhysicsTreeCollisionEndBuild(tree, 0);
  Make(tree, 0, 0, 0, false, nullptr);
  Tracked t;
  Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 1, 0, true, &t);
  Run(1.0f);
  EXPECT_LT(t.matrix[7], -2.0f);  // nothing to land on
}

TEST_F(PhysicsTest, OffCentreImpulseChangesThePointVelocityByTheGivenAmount) {
  Tracked t;
  t.gravity = false;
  PhysicsBody* body = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 0, 0, true, &t);
  const float dv[3] = {0, 0, 1};
  const float at[3] = {1, 0, 0};
  PhysicsAddBodyImpulse(body, dv, at);
  float v[3], w[3];
  PhysicsBodyGetVelocity(body, v);
  PhysicsBodyGetOmega(body, w);
  // velocity of the point = v + w x r, with r = (1, 0, 0)
  const float pz = v[2] + (w[0] * 0 - w[1] * 1);
  EXPECT_NEAR(pz, 1.0f, 1e-5f);
  // Mass 1, inertia 2: the impulse 2/3 splits into 2/3 forward and a turn of -1/3.
  EXPECT_NEAR(v[2], 2.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(w[1], -1.0f / 3.0f, 1e-5f);
}

TEST_F(PhysicsTest, RestingBodySleepsUnlessToldNotToAndWakesOnImpulse) {
  Floor();
  Tracked t, awake;
  PhysicsBody* body = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 0.5f, 0, true, &t);
  PhysicsBody* kept = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 5, 0.5f, 0, true, &awake);
  PhysicsBodySetAutoFreeze(kept, 0);
  Run(2.0f);
  ASSERT_TRUE(PhysicsBodyIsSleeping(body));
  EXPECT_FALSE(PhysicsBodyIsSleeping(kept));
  const int forces = t.forces;
  Run(0.1f);
  EXPECT_EQ(t.forces, forces);  // asleep: no callbacks
  const float dv[3] = {0, 5, 0};
  const float at[3] = {0, 0.5f, 0};
  PhysicsAddBodyImpulse(body, dv, at);
  EXPECT_FALSE(PhysicsBodyIsSleeping(body));
  Run(0.1f);
  EXPECT_GT(t.matrix[7], 0.7f);
}

int g_begins = 0, g_contacts = 0, g_ends = 0;
int CountBegin(PhysicsMaterial*, PhysicsBody*, PhysicsBody*) {
  return ++g_begins, 1;
}
int CountProcess(PhysicsMaterial* m, PhysicsContact*) {
  float p[3], n[3];
  PhysicsMaterialGetContactPositionAndNormal(m, p, n);
  EXPECT_NEAR(std::fabs(n[1]), 1.0f, 1e-3f);
  return ++g_contacts, 1;
}
void CountEnd(PhysicsMaterial*) {
  ++g_ends;
}
int Reject(PhysicsMaterial*, PhysicsBody*, PhysicsBody*) {
  return 0;
}

TEST_F(PhysicsTest, PairCallbacksRunPerPairAndCanReject) {
  const int a = PhysicsMaterialCreateGroupID(world);
  const int b = PhysicsMaterialCreateGroupID(world);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  PhysicsMaterialSetCollisionCallback(world, b, a, nullptr, CountBegin, CountProcess, CountEnd);
  PhysicsBodySetMaterialGroupID(Floor(), a);
  Tracked t;
  PhysicsBody* box = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 0.6f, 0, true, &t);
  PhysicsBodySetMaterialGroupID(box, b);
  g_begins = g_contacts = g_ends = 0;
  Run(1.0f);
  EXPECT_GT(g_begins, 0);
  EXPECT_EQ(g_begins, g_ends);
  EXPECT_GE(g_contacts, g_begins);
  EXPECT_NEAR(t.matrix[7], 0.5f, 0.02f);

  PhysicsMaterialSetCollisionCallback(world, a, b, nullptr, Reject, nullptr, nullptr);
  PhysicsWorldUnfreezeBody(world, box);
  Run(0.5f);
  EXPECT_LT(t.matrix[7], 0.0f);  // falls through the floor
}

TEST_F(PhysicsTest, DestroyingABodyRetiresItsJoints) {
  Tracked ta, tb;
  PhysicsBody* a = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 5, 0, true, &ta);
  PhysicsBody* b = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 2, 5, 0, true, &tb);
  const float pivot[3] = {1, 5, 0};
  const float pin[3] = {0, 0, 1};
  PhysicsJoint* joint = PhysicsConstraintCreateHinge(world, pivot, pin, a, b);
  ASSERT_NE(joint, nullptr);
  PhysicsJoint* toWorld = PhysicsConstraintCreateBall(world, pivot, b, nullptr);
  ASSERT_NE(toWorld, nullptr);
  Run(0.2f);
  PhysicsDestroyBody(world, a);
  EXPECT_FALSE(PhysicsJointIsAlive(joint));
  EXPECT_TRUE(PhysicsJointIsAlive(toWorld));
  Run(0.2f);  // must not touch the deleted body
  PhysicsDestroyJoint(world, joint);
  PhysicsDestroyJoint(world, toWorld);
  Run(0.2f);
}

TEST_F(PhysicsTest, DegenerateJointPinsAreRefused) {
  Tracked t;
  PhysicsBody* a = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 5, 0, true, &t);
  const float pivot[3] = {0, 5, 0};
  const float zero[3] = {0, 0, 0};
  const float x[3] = {1, 0, 0};
  EXPECT_EQ(PhysicsConstraintCreateHinge(world, pivot, zero, a, nullptr), nullptr);
  EXPECT_EQ(PhysicsConstraintCreateSlider(world, pivot, zero, a, nullptr), nullptr);
  EXPECT_EQ(PhysicsConstraintCreateUniversal(world, pivot, x, x, a, nullptr), nullptr);
  EXPECT_EQ(PhysicsConstraintCreateHinge(world, pivot, x, nullptr, nullptr), nullptr);
}

struct RayLog {
  std::vector<std::pair<PhysicsBody*, float>> hits;
};
float LogRay(PhysicsBody* body, const float*, int, void* user, float t) {
  static_cast<RayLog*>(user)->hits.emplace_back(body, t);
  return t;
}

TEST_F(PhysicsTest, RayReportsEveryBodyCrossed) {
  PhysicsBody* near = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 0, 2, false, nullptr);
  PhysicsBody* far = Make(PhysicsCreateBox(world, 1, 1, 1, nullptr), 0, 0, 6, false, nullptr);
  RayLog log;
  const float p0[3] = {0, 0, -10};
  const float p1[3] = {0, 0, 10};
  PhysicsWorldRayCast(world, p0, p1, LogRay, &log);
  ASSERT_EQ(log.hits.size(), 2u);
  for (auto& [body, t] : log.hits) {
    EXPECT_NEAR(t, body == near ? 11.5f / 20 : 15.5f / 20, 1e-3f);
    EXPECT_TRUE(body == near || body == far);
  }
}

TEST_F(PhysicsTest, VolumesOfThePrimitivesAndEqualOnesShared) {
  auto volume = [&](PhysicsCollision* c) {
    const float v = PhysicsCollisionGetVolume(c);
    PhysicsReleaseCollision(world, c);
    return v;
  };
  EXPECT_NEAR(volume(PhysicsCreateBox(world, 1, 2, 3, nullptr)), 6.0f, 1e-4f);
  EXPECT_NEAR(volume(PhysicsCreateSphere(world, 1, 1, 1, nullptr)), 4.18879f, 1e-3f);
  EXPECT_NEAR(volume(PhysicsCreateCylinder(world, 1, 2, nullptr)), 6.28319f, 1e-3f);
  EXPECT_NEAR(volume(PhysicsCreateCapsule(world, 1, 4, nullptr)), 6.28319f + 4.18879f, 1e-3f);
  EXPECT_EQ(volume(PhysicsCreateNull(world)), 0.0f);
  EXPECT_EQ(PhysicsCreateBox(world, 0, 1, 1, nullptr), nullptr);
  float cube[24];  // the corners of a unit cube; a flat set of points is refused
  for (int i = 0; i < 24; ++i) cube[i] = (i / 3 >> i % 3) & 1 ? 0.5f : -0.5f;
  EXPECT_NEAR(volume(PhysicsCreateConvexHull(world, 8, cube, 12, nullptr)), 1.0f, 1e-4f);
  const float flat[] = {0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 1};
  EXPECT_EQ(PhysicsCreateConvexHull(world, 4, flat, 12, nullptr), nullptr);
  EXPECT_EQ(PhysicsCreateConvexHull(world, 3, flat, 12, nullptr), nullptr);

  // Equal primitives share one shape.
  const float offset[16] = {1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1};
  PhysicsCollision* a = PhysicsCreateBox(world, 1, 2, 3, nullptr);
  PhysicsCollision* b = PhysicsCreateBox(world, 1, 2, 3, nullptr);
  PhysicsCollision* c = PhysicsCreateBox(world, 1, 2, 3, offset);
  PhysicsCollision* d = PhysicsCreateCylinder(world, 1, 2, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_NE(a, d);
  PhysicsReleaseCollision(world, a);
  PhysicsReleaseCollision(world, b);  // gone from the cache now
  PhysicsCollision* e = PhysicsCreateBox(world, 1, 2, 3, nullptr);
  EXPECT_NEAR(PhysicsCollisionGetVolume(e), 6.0f, 1e-4f);
  PhysicsReleaseCollision(world, e);
  PhysicsReleaseCollision(world, c);
  // A shape kept past its world is still released safely.
  PhysicsDestroy(world);
  world = PhysicsCreate();
  PhysicsReleaseCollision(nullptr, d);
}

TEST_F(PhysicsTest, BuoyancyFloatsALightBoxAtItsWaterline) {
  Tracked t;
  t.density = 4.0f;  // 2 x 2 x 2 box of mass 1: an eighth of a unit submerged volume
  t.plane[3] = 0.0f;
  Make(PhysicsCreateBox(world, 2, 2, 2, nullptr), 0, 1, 0, true, &t);
  Run(8.0f);
  // weight 1 = density 4 x submerged 0.25 -> 0.0625 deep
  EXPECT_NEAR(t.matrix[7], 1.0f - 0.0625f, 0.02f);
}

}  // namespace
