// WorldTest.cpp - the World: type table, registry, fixed stepping, materials, queries, reset.
#include "WorldFixture.h"

#include "tier1/CameraObject.h"
#include "tier1/NullObject.h"

namespace {

using WorldTest = WorldFixture;

TEST_F(WorldTest, UnknownTypesAreRefused) {
  for (uint32_t type : {0u, 11u, 0xFFFFFFFFu}) {
    ObjectParams p(type);
    EXPECT_EQ(world->CreateObject(p), nullptr);
  }
  EXPECT_EQ(CountLogged("World::CreateObject - UNKNOWN OBJECT TYPE: 0", LogLevel_Error), 1);
  EXPECT_EQ(CountLogged("World::CreateObject - UNKNOWN OBJECT TYPE: 11", LogLevel_Error), 1);
  EXPECT_EQ(CountLogged("World::CreateObject - UNKNOWN OBJECT TYPE: -1", LogLevel_Error), 1);
  EXPECT_STREQ(GetObjectTypeName(0), "Unknown");
  EXPECT_STREQ(GetObjectTypeName(42), "Unknown");
  // Known types whose class is not linked in fail clearly too.
  EXPECT_EQ(world->CreateObject(ObjectParams(ObjectType_StaticMesh)), nullptr);
  EXPECT_EQ(
      CountLogged("World::CreateObject - object type StaticMesh is not available", LogLevel_Error),
      1);
  for (uint32_t type = 0; type < kObjectTypeCount; ++type)
    EXPECT_EQ(world->GetObjectCount(type), 0u);
}

TEST_F(WorldTest, CreateAndRemoveKeepCountsAndLists) {
  WorldObject* a = world->CreateObject(ObjectParams(ObjectType_Null));
  WorldObject* b = world->CreateObject(ObjectParams(ObjectType_Null));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(world->GetObjectCount(ObjectType_Null), 2u);
  EXPECT_EQ(world->GetFirstObject(ObjectType_Null), b);  // newest first
  EXPECT_EQ(b->GetNext(), a);
  EXPECT_EQ(a->GetPrev(), b);
  EXPECT_TRUE(a->IsInWorld());
  EXPECT_EQ(a->GetWorld(), world);
  a->AddRef();
  world->RemoveObject(a);
  world->RemoveObject(a);  // the second does nothing
  EXPECT_EQ(world->GetObjectCount(ObjectType_Null), 1u);
  EXPECT_FALSE(a->IsInWorld());
  EXPECT_EQ(a->GetWorld(), nullptr);
  EXPECT_EQ(world->GetFirstObject(ObjectType_Null), b);
  EXPECT_EQ(b->GetNext(), nullptr);
  a->Release();
}

TEST_F(WorldTest, RecordBoxIsAppliedOnlyWithBothCornersSet) {
  ObjectParams p(ObjectType_Null);
  p.maxs = Vector3D(1, 1, 1);
  WorldObject* ignored = world->CreateObject(p);
  EXPECT_EQ(ignored->GetBoxMaxs(), Vector3D());
  p.mins = Vector3D(-1, 0, 0);
  p.radius = 3.0f;
  WorldObject* applied = world->CreateObject(p);
  EXPECT_EQ(applied->GetBoxMins(), Vector3D(-1, 0, 0));
  EXPECT_EQ(applied->GetBoxMaxs(), Vector3D(1, 1, 1));
  EXPECT_FLOAT_EQ(applied->GetRadius(), 3.0f);
}

TEST_F(WorldTest, StepsAreFixedAndTheRemainderCarries) {
  const uint64_t start = world->GetStepCount();
  world->Update(0.0041f);
  EXPECT_EQ(world->GetStepCount() - start, 1u);
  EXPECT_NEAR(world->GetPhysicsAccumulator(), 0.0001f, 1e-6f);
  world->Reset();
  const uint64_t again = world->GetStepCount();
  world->Update(0.004f);
  EXPECT_EQ(world->GetStepCount(), again);  // exactly one step owed does not step
  world->Update(0.004f);
  EXPECT_EQ(world->GetStepCount() - again, 1u);
  // A NaN frame is dropped; a stall is cut to one second.
  world->Reset();
  world->Update(std::nanf(""));
  const uint64_t afterNaN = world->GetStepCount();
  world->Update(0.0041f);
  EXPECT_EQ(world->GetStepCount() - afterNaN, 1u);
  world->Update(6.0f);
  EXPECT_GE(world->GetStepCount() - afterNaN, 250u);
  EXPECT_LE(world->GetStepCount() - afterNaN, 251u);
  EXPECT_EQ(CountLogged("Physics accumulator too large!", LogLevel_Warning), 1);
}

TEST_F(WorldTest, GravityChangeActsOnTheNextStep) {
  WorldObject* box = Box(0, 10, 0);
  world->Update(0.0041f);
  const float vy = box->GetVelocity().y;
  EXPECT_NEAR(vy, -9.8f * 0.004f, 1e-4f);
  world->SetGravity(Vector3D(0, 9.8f, 0));
  world->Update(0.004f);
  EXPECT_NEAR(box->GetVelocity().y, vy + 9.8f * 0.004f, 1e-4f);
}

TEST_F(WorldTest, ResetEmptiesTheWorldAndItWorksAtOnce) {
  WorldObject* kept = Box(0, 5, 0);
  kept->AddRef();
  world->CreateObject(ObjectParams(ObjectType_Camera));
  PhysicalMaterial* old = world->GetDefaultMaterial();
  old->AddRef();
  world->Reset();
  EXPECT_FALSE(kept->IsInWorld());
  EXPECT_EQ(kept->GetWorld(), nullptr);
  EXPECT_EQ(kept->GetBody(), nullptr);
  for (uint32_t type = 0; type < kObjectTypeCount; ++type)
    EXPECT_EQ(world->GetObjectCount(type), 0u);
  EXPECT_NE(world->GetDefaultMaterial(), nullptr);
  WorldObject* fresh = Box(0, 5, 0);
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh->GetBody(), nullptr);
  Run(0.1f);
  EXPECT_LT(fresh->GetWorldTransform().GetTranslation().y, 5.0f);
  kept->Release();
  old->Release();
}

TEST_F(WorldTest, MaterialsGetDistinctGroups) {
  PhysicalMaterial* a = world->CreatePhysicalMaterial(0.1f, 0.2f);
  PhysicalMaterial* b = world->CreatePhysicalMaterial(0.3f, 0.4f);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->GetGroupID(), 0);
  EXPECT_NE(a->GetGroupID(), b->GetGroupID());
  EXPECT_NE(a->GetGroupID(), world->GetDefaultMaterial()->GetGroupID());
  EXPECT_EQ(a->GetWorld(), world);
}

TEST_F(WorldTest, RayFlagsSelectStaticAndDynamic) {
  WorldObject* wall = Box(0, 0, 5, 0.5f, false);
  WorldObject* crate = Box(0, 0, 10, 0.5f, true);
  crate->SetGravityEnabled(false);
  RayHit hit;
  EXPECT_FALSE(world->IntersectRay(Vector3D(0, 0, 0), Vector3D(0, 0, 1), &hit, 0));
  EXPECT_FALSE(world->IntersectRay(Vector3D(0, 0, 0), Vector3D(0, 0, 1), nullptr, 3));
  ASSERT_TRUE(world->IntersectRay(Vector3D(0, 0, 0), Vector3D(0, 0, 1), &hit, kQueryStatic));
  EXPECT_EQ(hit.object, wall);
  EXPECT_NEAR(hit.distance, 4.5f, 1e-2f);
  ASSERT_TRUE(world->IntersectRay(Vector3D(0, 0, 0), Vector3D(0, 0, 1), &hit, kQueryDynamic));
  EXPECT_EQ(hit.object, crate);
  EXPECT_NEAR(hit.distance, 9.5f, 1e-2f);
  EXPECT_TRUE(hit.point.NearlyEquals(Vector3D(0, 0, 9.5f), 1e-2f));
  EXPECT_TRUE(hit.normal.NearlyEquals(Vector3D(0, 0, -1), 1e-3f));
  ASSERT_TRUE(world->IntersectRay(Vector3D(0, 0, 0), Vector3D(0, 0, 1), &hit, 3));
  EXPECT_EQ(hit.object, wall);  // the nearest wins
  // A direction twice as long halves the distance to the same point.
  ASSERT_TRUE(world->IntersectRay(Vector3D(0, 0, 0), Vector3D(0, 0, 2), &hit, 3));
  EXPECT_NEAR(hit.distance, 2.25f, 1e-2f);
  EXPECT_TRUE(hit.point.NearlyEquals(Vector3D(0, 0, 4.5f), 2e-2f));
  EXPECT_FALSE(world->IntersectRay(Vector3D(0, 0, 0), Vector3D(0, 1, 0), &hit, 3));
}

TEST_F(WorldTest, ObjectsInBoxUseTheGenerousOverlap) {
  ObjectParams p(ObjectType_Null);
  p.mins = Vector3D(-0.5f, -0.5f, -0.5f);
  p.maxs = Vector3D(0.5f, 0.5f, 0.5f);
  p.transform = At(1.5f, 0, 0);
  WorldObject* near = world->CreateObject(p);
  p.transform = At(2.5f, 0, 0);
  world->CreateObject(p);
  std::vector<WorldObject*> found;
  AABB box(Vector3D(-0.5f, -0.5f, -0.5f), Vector3D(0.5f, 0.5f, 0.5f));
  EXPECT_EQ(world->GetObjectsInBox(box, found, kQueryDynamic), 0u);
  EXPECT_EQ(world->GetObjectsInBox(box, found, kQueryStatic), 1u);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], near);
}

}  // namespace
