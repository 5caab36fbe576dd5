// SoundnessTest.cpp - the world refuses what would break the physics, and
// the physics does what the scene expects: non-finite input, moving static
// bodies, joint stiffness, the world's extent and shared controller materials.
#include "WorldFixture.h"

#include "tier1/AnimPathObject.h"
#include "tier1/FieldObject.h"
#include "tier1/JointObject.h"
#include "tier1/PlayerController.h"
#include "tier1/SoundObject.h"

#include <functional>
#include <limits>
#include <sstream>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class SoundnessTest : public WorldFixture {
 protected:
  static Vector3D Pos(const WorldObject* o) { return o->GetWorldTransform().GetTranslation(); }
  bool Sleeping(const WorldObject* o) const { return PhysicsBodyIsSleeping(o->GetBody()); }
  void RunUntilAsleep(const WorldObject* o) {
    for (int i = 0; i < 500 && !Sleeping(o); ++i) world->Update(0.02f);
    ASSERT_TRUE(Sleeping(o));
  }
};

TEST_F(SoundnessTest, NonFiniteInputIsRefusedWithOneWarningAndChangesNothing) {
  WorldObject* box = Box(0, 5, 0);
  auto* path = static_cast<AnimPathObject*>(world->CreateObject(ObjectParams(ObjectType_AnimPath)));
  path->AddWaypoint(At(0, 0, 0), 1.0f, 0, nullptr);
  path->AddWaypoint(At(0, 1, 0), 1.0f, 0, nullptr);
  WorldObject* sound = world->CreateObject(SoundObjectParams());
  PlayerController player;
  const Matrix4x4 bad = At(0, kNaN, 0);
  JointObjectParams joint;
  joint.jointType = Joint_Ball;
  joint.object1 = box;
  joint.stiffness = kNaN;
  FieldObjectParams field;
  field.fluidDensity = kInf;
  ObjectParams params(ObjectType_Null);
  params.radius = kInf;
  AABB badBox;
  badBox.maxs = Vector3D(kNaN, 1, 1);
  RayHit hit;
  std::vector<WorldObject*> found;
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"SetWorldTransform", [&] { box->SetWorldTransform(bad); }},
      {"SetWorldTransform", [&] { path->SetWorldTransform(bad); }},
      {"SetWorldTransform", [&] { sound->SetWorldTransform(bad); }},
      {"SetVelocity", [&] { box->SetVelocity(Vector3D(kInf, 0, 0)); }},
      {"ApplyImpulse", [&] { box->ApplyImpulse(Vector3D(), Vector3D(0, kNaN, 0), true); }},
      {"ApplyImpulse", [&] { box->ApplyImpulse(Vector3D(kNaN, 0, 0), Vector3D(0, 1, 0), true); }},
      {"SetBox", [&] { box->SetBox(Vector3D(), Vector3D(kNaN, 1, 1)); }},
      {"SetRadius", [&] { box->SetRadius(kNaN); }},
      {"SetLinearDamping", [&] { box->SetLinearDamping(kNaN); }},
      {"SetAngularDamping", [&] { box->SetAngularDamping(Vector3D(0, kInf, 0)); }},
      {"SetFluid", [&] { box->SetFluid(kNaN, 1, 1, Vector4D(0, 1, 0, 0)); }},
      {"World::SetGravity", [&] { world->SetGravity(Vector3D(0, -kInf, 0)); }},
      {"World::CreateObject", [&] { EXPECT_EQ(world->CreateObject(params), nullptr); }},
      {"World::CreatePhysicalMaterial",
       [&] { EXPECT_EQ(world->CreatePhysicalMaterial(kNaN, 0.5f), nullptr); }},
      {"World::IntersectRay",
       [&] { EXPECT_FALSE(world->IntersectRay(Vector3D(), Vector3D(kNaN, 0, 0), &hit, 3)); }},
      {"World::GetObjectsInBox", [&] { EXPECT_EQ(world->GetObjectsInBox(badBox, found, 3), 0u); }},
      {"CreateJointObject", [&] { EXPECT_EQ(world->CreateObject(joint), nullptr); }},
      {"CreateFieldObject", [&] { EXPECT_EQ(world->CreateObject(field), nullptr); }},
      {"AddWaypoint", [&] { path->AddWaypoint(At(0, 2, 0), kNaN, 0, nullptr); }},
      {"PlayObject", [&] { EXPECT_FALSE(path->PlayObject(box, true, kInf)); }},
      {"SetHeadingAngle", [&] { player.SetHeadingAngle(kNaN); }},
      {"SetRunSpeed", [&] { player.SetRunSpeed(kInf); }},
      {"SetWalkSpeed", [&] { player.SetWalkSpeed(kNaN); }},
  };
  auto state = [&] {
    std::ostringstream s;
    const Matrix4x4& m = box->GetWorldTransform();
    for (float e : m.m) s << e << ' ';
    s << box->GetVelocity().x << box->GetBoxMaxs().x << box->GetRadius() << world->GetGravity().y
      << path->GetWaypointCount() << path->IsPlaying(box) << Pos(path).y << player.GetHeadingAngle()
      << player.GetRunSpeed() << player.GetWalkSpeed() << box->IsInFluid() << Pos(sound).y;
    for (uint32_t t = 0; t < kObjectTypeCount; ++t) s << ' ' << world->GetObjectCount(t);
    return s.str();
  };
  for (const auto& [where, call] : calls) {
    log.Clear();
    const std::string before = state();
    call();
    EXPECT_EQ(log.Count(where, LogLevel_Warning), 1) << where << "\n" << log.Dump();
    EXPECT_EQ(log.Problems(), 1) << where;
    EXPECT_EQ(state(), before) << where;
  }
  Run(1.0f);
  EXPECT_TRUE(IsFinite(box->GetWorldTransform()));
  EXPECT_LT(Pos(box).y, 5.0f);  // still falls under the old gravity
}

TEST_F(SoundnessTest, ASleepingCrateRidesALiftDrivenByAPath) {
  WorldObject* lift =
      Body(Collision_Box, false, At(0, 0, 0), Vector3D(-2, -0.5f, -2), Vector3D(2, 0, 2));
  WorldObject* crate = Box(0, 0.5f, 0);
  RunUntilAsleep(crate);
  auto* path = static_cast<AnimPathObject*>(world->CreateObject(ObjectParams(ObjectType_AnimPath)));
  path->AddWaypoint(At(0, 0, 0), 2.0f, 0, nullptr);
  path->AddWaypoint(At(0, 2, 0), 2.0f, 0, nullptr);
  ASSERT_TRUE(path->PlayObject(lift, false, 0.0f));
  Run(2.5f);
  EXPECT_NEAR(Pos(lift).y, 2.0f, 0.01f);
  EXPECT_NEAR(Pos(crate).y, 2.5f, 0.05f);
}

TEST_F(SoundnessTest, ADescendingLiftPushesASleepingCrateAside) {
  Floor();
  WorldObject* crate = Box(0, 0.5f, 0);
  RunUntilAsleep(crate);
  // The lift's left edge comes down over the crate's right part.
  WorldObject* lift =
      Body(Collision_Box, false, At(1.3f, 3, 0), Vector3D(-1, -0.5f, -1), Vector3D(1, 0.5f, 1));
  for (int i = 0; i < 50; ++i) {
    lift->SetWorldTransform(At(1.3f, 3.0f - 2.0f * static_cast<float>(i + 1) / 50.0f, 0));
    world->Update(0.02f);
  }
  Run(0.5f);
  EXPECT_LT(Pos(crate).x, -0.1f);
}

TEST_F(SoundnessTest, LowJointStiffnessSagsUnderTheSameLoad) {
  auto sag = [&](float stiffness) {
    world->Reset();
    WorldObject* weight = Box(0, 5, 0);
    JointObjectParams p;
    p.jointType = Joint_Ball;
    p.object1 = weight;
    p.transform = At(0, 5, 0);
    p.stiffness = stiffness;
    EXPECT_NE(world->CreateObject(p), nullptr);
    Run(1.0f);
    return 5.0f - Pos(weight).y;
  };
  EXPECT_LT(sag(0.9f), 0.005f);
  EXPECT_EQ(sag(0.9f), sag(1.0f));  // as hard as the solver makes it
  EXPECT_GT(sag(0.1f), 0.2f);
  EXPECT_GT(sag(0.1f), 5.0f * sag(0.5f) - 1e-3f);
}

TEST_F(SoundnessTest, BodiesLeavingTheWorldAreFrozen) {
  WorldObject* rocket = Box(0, 9990, 0);
  rocket->SetGravityEnabled(false);
  rocket->SetVelocity(Vector3D(0, 100, 0));
  Run(0.5f);
  const Vector3D stopped = Pos(rocket);
  EXPECT_LT(stopped.y, 10001.0f);
  EXPECT_TRUE(PhysicsBodyIsOutsideWorld(rocket->GetBody()));
  Run(0.5f);
  EXPECT_EQ(Pos(rocket), stopped);
  EXPECT_EQ(rocket->GetVelocity(), Vector3D());
  // Placed back inside, it moves again.
  rocket->SetWorldTransform(At(0, 10, 0));
  rocket->SetGravityEnabled(true);
  Run(0.5f);
  EXPECT_LT(Pos(rocket).y, 9.0f);
}

TEST_F(SoundnessTest, ControllersShareOneMaterialAndFailWithoutOne) {
  std::vector<std::unique_ptr<PlayerController>> players;
  for (int i = 0; i < 1100; ++i) {
    players.push_back(std::make_unique<PlayerController>());
    ASSERT_TRUE(players.back()->Init(Box(static_cast<float>(i) * 2.0f, 1, 0))) << i;
  }
  EXPECT_EQ(players.front()->GetPhysicalMaterial(), players.back()->GetPhysicalMaterial());
  players.clear();
  world->Reset();
  while (world->CreatePhysicalMaterial(0.5f, 0.5f)) {
  }
  PlayerController late;
  EXPECT_FALSE(late.Init(Box(0, 1, 0)));
  EXPECT_EQ(log.Count("PlayerController::Init", LogLevel_Warning), 1);
  EXPECT_EQ(late.GetObject(), nullptr);
}

}  // namespace
