// BodyTest.cpp - world objects with bodies: shapes at rest, impulses, sleep, materials,
// on-ground marks, capsule frames and attachments.
#include "WorldFixture.h"

#include "tier1/NullObject.h"

// Stands in for the static mesh class (outside the anonymous namespace: the
// pool's friend declaration names the global ObjectPool): hull and triangle-mesh collisions.
class TestMeshObject : public WorldObject {
  KAZ_POOLED_CLASS(TestMeshObject)

 public:
  using WorldObject::Create;
  uint32_t GetType() const override { return ObjectType_StaticMesh; }
  PhysicsCollision* CreateCollision(const ObjectParams& params) override {
    PhysicsWorld* physics = GetWorld()->GetPhysicsWorld();
    if (params.colType == Collision_ConvexHull) {
      // A unit cube standing on y = 0.
      const float cube[] = {-0.5f, 0, -0.5f, 0.5f, 0, -0.5f, -0.5f, 1, -0.5f, 0.5f, 1, -0.5f,
                            -0.5f, 0, 0.5f,  0.5f, 0, 0.5f,  -0.5f, 1, 0.5f,  0.5f, 1, 0.5f};
      return PhysicsCreateConvexHull(physics, 8, cube, 12, nullptr);
    }
    if (params.colType == Collision_TriangleMesh) {
      PhysicsCollision* tree = PhysicsCreateTreeCollision(physics);
      PhysicsTreeCollisionBeginBuild(tree);
      const float a[] = {-20, 0, -20, -20, 0, 20, 20, 0, 20};
      const float b[] = {-20, 0, -20, 20, 0, 20, 20, 0, -20};
      PhysicsTreeCollisionAddFace(tree, 3, a, 12, 1);
      PhysicsTreeCollisionAddFace(tree, 3, b, 12, 1);
      PhysicsTreeCollisionEndBuild(tree, 0);
      return tree;
    }
    return WorldObject::CreateCollision(params);
  }

 private:
  TestMeshObject() = default;
};
KAZ_DEFINE_POOL(TestMeshObject, 4);

namespace {

ObjectMakerOf<TestMeshObject> g_testMeshObjectMaker;

class BodyTest : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    World::SetObjectMaker(ObjectType_StaticMesh, &g_testMeshObjectMaker);
  }
  void TearDown() override {
    World::SetObjectMaker(ObjectType_StaticMesh, nullptr);
    WorldFixture::TearDown();
  }
  WorldObject* Mesh(uint32_t colType, bool dynamic, const Matrix4x4& where) {
    ObjectParams p(ObjectType_StaticMesh);
    p.colType = colType;
    p.dynamic = dynamic;
    p.transform = where;
    return world->CreateObject(p);
  }
  static float Y(const WorldObject* o) { return o->GetWorldTransform().GetTranslation().y; }
};

TEST_F(BodyTest, ShapesComeToRestAtTheirHeights) {
  Floor();
  WorldObject* box = Box(0, 2, 0);
  WorldObject* offsetBox =
      Body(Collision_Box, true, At(3, 2, 0), Vector3D(-1, 0, -1), Vector3D(1, 2, 1));
  WorldObject* sphere = Body(Collision_Sphere, true, At(-3, 2, 0), Vector3D(), Vector3D(), 0.5f);
  WorldObject* capsule = Body(Collision_Capsule, true, At(6, 1, 0), Vector3D(-0.5f, 0, -0.5f),
                              Vector3D(0.5f, 2, 0.5f));
  WorldObject* cylinder = Body(Collision_Cylinder, true, At(-6, 1, 0), Vector3D(-0.5f, 0, -0.5f),
                               Vector3D(0.5f, 2, 0.5f));
  WorldObject* hull = Mesh(Collision_ConvexHull, true, At(0, 2, 6));
  Run(3.0f);
  EXPECT_NEAR(Y(box), 0.5f, 0.02f);
  EXPECT_NEAR(Y(offsetBox), 0.0f, 0.02f);  // its box spans y 0..2 above its origin
  EXPECT_NEAR(Y(sphere), 0.5f, 0.02f);
  EXPECT_NEAR(Y(capsule), 0.0f, 0.03f);
  EXPECT_NEAR(Y(cylinder), 0.0f, 0.03f);
  EXPECT_NEAR(Y(hull), 0.0f, 0.01f);
  // Capsule and cylinder stand upright in the object frame.
  EXPECT_TRUE(cylinder->GetWorldTransform().GetUp().NearlyEquals(Vector3D(0, 1, 0), 5e-2f))
      << cylinder->GetWorldTransform().ToString();
  EXPECT_TRUE(capsule->GetWorldTransform().GetUp().NearlyEquals(Vector3D(0, 1, 0), 1e-2f));
}

TEST_F(BodyTest, SphereRestsOnATriangleMesh) {
  WorldObject* ground = Mesh(Collision_TriangleMesh, false, At(0, 1, 0));
  ASSERT_NE(ground->GetBody(), nullptr);
  WorldObject* sphere = Body(Collision_Sphere, true, At(0, 3, 0), Vector3D(), Vector3D(), 0.5f);
  Run(2.0f);
  EXPECT_NEAR(Y(sphere), 1.5f, 0.02f);
}

TEST_F(BodyTest, CapsuleFrameTurnsCancel) {
  Matrix4x4 where = Matrix4x4::MakeYRotation(0.7f);
  where.SetTranslation(Vector3D(1, 2, 3));
  WorldObject* capsule =
      Body(Collision_Capsule, true, where, Vector3D(-0.5f, 0, -0.5f), Vector3D(0.5f, 2, 0.5f));
  capsule->SetGravityEnabled(false);
  world->Update(0.0041f);
  EXPECT_TRUE(capsule->GetWorldTransform().NearlyEquals(where, 1e-4f));
}

TEST_F(BodyTest, ImpulseAtTheCentreAddsExactlyItsVelocity) {
  WorldObject* box = Box(0, 10, 0);
  box->ApplyImpulse(Vector3D(0, 10, 0), Vector3D(2, 3, -1), true);
  EXPECT_EQ(box->GetVelocity(), Vector3D(2, 3, -1));
  // In object space the impulse turns with the object.
  Matrix4x4 turned = Matrix4x4::MakeZRotation(1.5707964f);
  turned.SetTranslation(Vector3D(5, 10, 0));
  WorldObject* other =
      Body(Collision_Box, true, turned, Vector3D(-0.5f, -0.5f, -0.5f), Vector3D(0.5f, 0.5f, 0.5f));
  other->ApplyImpulse(Vector3D(), Vector3D(1, 0, 0), false);
  EXPECT_TRUE(other->GetVelocity().NearlyEquals(Vector3D(0, 1, 0), 1e-5f));
}

TEST_F(BodyTest, NoCollisionMeansNoBody) {
  ObjectParams p(ObjectType_Null);
  p.dynamic = true;
  WorldObject* object = world->CreateObject(p);
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(object->IsInWorld());
  EXPECT_EQ(object->GetBody(), nullptr);
  EXPECT_EQ(CountLogged("Failed to create collision object of type: 0", LogLevel_Detail), 1);
  object->ApplyImpulse(Vector3D(), Vector3D(1, 1, 1), true);
  EXPECT_EQ(object->GetVelocity(), Vector3D());
  ObjectParams none(ObjectType_Null);
  EXPECT_EQ(world->CreateObject(none)->GetBody(), nullptr);
}

TEST_F(BodyTest, HigherElasticityBouncesHigher) {
  auto peak = [&](float elasticity) {
    world->Reset();
    PhysicalMaterial* m = world->CreatePhysicalMaterial(0.8f, elasticity);
    WorldObject* floor = Floor();
    floor->SetPhysicalMaterial(m);
    ObjectParams p(ObjectType_Null);
    p.colType = Collision_Sphere;
    p.dynamic = true;
    p.radius = 0.5f;
    p.physicalMaterial = m;
    p.transform = At(0, 3, 0);
    WorldObject* ball = world->CreateObject(p);
    float best = 0.0f;
    bool landed = false;
    for (int i = 0; i < 150; ++i) {
      world->Update(0.01f);
      landed = landed || ball->GetVelocity().y > 0.0f;
      if (landed) best = std::max(best, Y(ball));
    }
    return best;
  };
  const float dull = peak(0.1f);
  const float lively = peak(0.9f);
  EXPECT_GT(lively, dull + 0.5f);
  EXPECT_LT(lively, 3.0f);
}

TEST_F(BodyTest, FrictionDecidesSliding) {
  auto slide = [&](float friction) {
    world->Reset();
    PhysicalMaterial* m = world->CreatePhysicalMaterial(friction, 0.0f);
    Floor()->SetPhysicalMaterial(m);
    WorldObject* box = Box(0, 0.5f, 0);
    box->SetPhysicalMaterial(m);
    Run(0.2f);
    box->SetVelocity(Vector3D(4, 0, 0));
    Run(1.5f);
    return box->GetWorldTransform().GetTranslation().x;
  };
  EXPECT_GT(slide(0.0f), 5.5f);  // keeps its speed
  EXPECT_LT(slide(1.0f), 1.5f);  // about v^2 / (2 g mu) = 0.8
}

TEST_F(BodyTest, OnGroundOnlyFromWhatIsBelow) {
  Floor();
  WorldObject* box = Box(0, 0.5f, 0);
  WorldObject* flying = Box(5, 10, 0);
  // The upper box presses down on the lower one, which lies on nothing static.
  WorldObject* lower = Box(10, 5.5f, 0);
  lower->SetGravityEnabled(false);
  WorldObject* upper = Box(10, 6.5f, 0);
  Run(0.2f);
  EXPECT_TRUE(box->IsOnGround());
  EXPECT_FALSE(flying->IsOnGround());
  EXPECT_TRUE(upper->IsOnGround());
  EXPECT_FALSE(lower->IsOnGround());
}

TEST_F(BodyTest, OnGroundFadesAfterLeavingTheGround) {
  Floor();
  WorldObject* box = Box(0, 0.5f, 0);
  Run(0.5f);
  ASSERT_TRUE(box->IsOnGround());
  world->SetGravity(Vector3D(0, 9.8f, 0));  // falls upwards, away from the floor
  box->SetAutoFreeze(true);
  int updates = 0;
  while (box->IsOnGround() && updates < 50) {
    world->Update(0.02f);
    ++updates;
  }
  EXPECT_LE(updates, 12);
}

TEST_F(BodyTest, AttachRules) {
  WorldObject* parent = world->CreateObject(ObjectParams(ObjectType_Null));
  WorldObject* child = world->CreateObject(ObjectParams(ObjectType_Null));
  WorldObject* other = world->CreateObject(ObjectParams(ObjectType_Null));
  EXPECT_FALSE(parent->Attach(parent, Attach_Transform, false));
  EXPECT_FALSE(parent->Attach(nullptr, Attach_Transform, false));
  EXPECT_TRUE(parent->Attach(child, Attach_Transform, false));
  EXPECT_EQ(child->GetParent(), parent);
  EXPECT_FALSE(other->Attach(child, Attach_Transform, false));   // already has a parent
  EXPECT_FALSE(child->Attach(parent, Attach_Transform, false));  // would be a loop
  EXPECT_FALSE(other->Detach(child));
  EXPECT_TRUE(parent->Detach(child));
  EXPECT_EQ(child->GetParent(), nullptr);
  EXPECT_TRUE(parent->GetAttachments().empty());
}

TEST_F(BodyTest, AttachedChildFollowsByType) {
  ObjectParams p(ObjectType_Null);
  WorldObject* parent = world->CreateObject(p);
  p.transform = Matrix4x4::MakeYRotation(0.3f);
  p.transform.SetTranslation(Vector3D(1, 0, 0));
  WorldObject* whole = world->CreateObject(p);
  WorldObject* position = world->CreateObject(p);
  WorldObject* orientation = world->CreateObject(p);
  const Matrix4x4 start = p.transform;
  ASSERT_TRUE(parent->Attach(whole, Attach_Transform, true));
  ASSERT_TRUE(parent->Attach(position, Attach_Position, true));
  ASSERT_TRUE(parent->Attach(orientation, Attach_Orientation, true));
  // Identity parent: the offset reproduces each child's transform.
  parent->SetWorldTransform(Matrix4x4());
  EXPECT_TRUE(whole->GetWorldTransform().NearlyEquals(start, 1e-5f));
  Matrix4x4 moved = Matrix4x4::MakeZRotation(1.0f);
  moved.SetTranslation(Vector3D(0, 5, 0));
  parent->SetWorldTransform(moved);
  EXPECT_TRUE(whole->GetWorldTransform().NearlyEquals(Matrix4x4::Product(moved, start), 1e-5f));
  // Position only: turning the parent does not turn the child.
  Matrix4x4 expect = start;
  expect.SetTranslation(Matrix4x4::Product(moved, start).GetTranslation());
  EXPECT_TRUE(position->GetWorldTransform().NearlyEquals(expect, 1e-5f));
  // Orientation only: the child keeps its position.
  EXPECT_TRUE(
      orientation->GetWorldTransform().GetTranslation().NearlyEquals(Vector3D(1, 0, 0), 1e-5f));
  EXPECT_TRUE(orientation->GetWorldTransform().GetUp().NearlyEquals(
      Matrix4x4::Product(moved, start).GetUp(), 1e-5f));
  // A falling body drives its children too.
  WorldObject* box = Box(0, 10, 0);
  WorldObject* marker = world->CreateObject(ObjectParams(ObjectType_Null));
  marker->SetWorldTransform(At(0, 11, 0));
  ASSERT_TRUE(box->Attach(marker, Attach_Transform, true));
  Run(0.5f);
  EXPECT_NEAR(Y(marker) - Y(box), 1.0f, 1e-4f);
  EXPECT_LT(Y(marker), 10.5f);
}

TEST_F(BodyTest, RemovingAParentFreesItsChildrenAndViceVersa) {
  WorldObject* parent = world->CreateObject(ObjectParams(ObjectType_Null));
  WorldObject* child = world->CreateObject(ObjectParams(ObjectType_Null));
  WorldObject* grandchild = world->CreateObject(ObjectParams(ObjectType_Null));
  ASSERT_TRUE(parent->Attach(child, Attach_Transform, false));
  ASSERT_TRUE(child->Attach(grandchild, Attach_Transform, false));
  world->RemoveObject(child);  // drops its parent's reference to it, and its own child
  EXPECT_TRUE(parent->GetAttachments().empty());
  EXPECT_EQ(grandchild->GetParent(), nullptr);
  EXPECT_TRUE(grandchild->IsInWorld());
  parent->SetWorldTransform(At(1, 2, 3));  // nothing left to move
  world->RemoveObject(parent);
  EXPECT_EQ(world->GetObjectCount(ObjectType_Null), 1u);
}

TEST_F(BodyTest, SettingTheTransformMovesTheBody) {
  WorldObject* wall = Box(0, 0, 5, 0.5f, false);
  wall->SetWorldTransform(At(0, 0, 8));
  RayHit hit;
  ASSERT_TRUE(world->IntersectRay(Vector3D(), Vector3D(0, 0, 1), &hit, kQueryStatic));
  EXPECT_NEAR(hit.distance, 7.5f, 1e-2f);
  EXPECT_NEAR(wall->GetBoundingBox().GetCenter().z, 8.0f, 1e-3f);
}

TEST_F(BodyTest, MaterialIsTheDefaultUnlessGiven) {
  WorldObject* box = Box(0, 0, 0);
  EXPECT_EQ(box->GetPhysicalMaterial(), world->GetDefaultMaterial());
  PhysicalMaterial* m = world->CreatePhysicalMaterial(0.1f, 0.1f);
  box->SetPhysicalMaterial(m);
  EXPECT_EQ(box->GetPhysicalMaterial(), m);
  box->SetPhysicalMaterial(nullptr);
  EXPECT_EQ(box->GetPhysicalMaterial(), world->GetDefaultMaterial());
  WorldObject* bare = world->CreateObject(ObjectParams(ObjectType_Null));
  bare->SetPhysicalMaterial(m);
  EXPECT_EQ(bare->GetPhysicalMaterial(), nullptr);
}

}  // namespace
