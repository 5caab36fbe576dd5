// ObjectTypesTest.cpp - null, camera, light, sound, field and joint objects.
#include "WorldFixture.h"

#include "tier1/CameraObject.h"
#include "tier1/FieldObject.h"
#include "tier1/JointObject.h"
#include "tier1/LightObject.h"
#include "tier1/NullObject.h"
#include "tier1/SoundObject.h"

namespace {

using ObjectTypesTest = WorldFixture;

TEST_F(ObjectTypesTest, EachClassReportsItsType) {
  for (uint32_t type : {1u, 2u, 5u, 7u, 8u}) {
    WorldObject* object = world->CreateObject(ObjectParams(type));
    ASSERT_NE(object, nullptr) << type;
    EXPECT_EQ(object->GetType(), type);
    EXPECT_EQ(world->GetObjectCount(type), 1u);
  }
}

TEST_F(ObjectTypesTest, CameraMatrices) {
  CameraObjectParams p;
  p.fieldOfView = 1.0f;
  p.transform = At(1, 2, 3);
  auto* camera = static_cast<CameraObject*>(world->CreateObject(p));
  const Matrix4x4 view = camera->GetViewMatrix();
  EXPECT_TRUE(view.NearlyEquals(
      Matrix4x4::MakeLookAtLH(Vector3D(1, 2, 3), Vector3D(1, 2, 4), Vector3D(0, 1, 0))));
  camera->SetSecondaryTransform(At(0, 1, 0));
  EXPECT_TRUE(camera->GetViewMatrix().TransformVector(Vector3D(1, 3, 3)).NearlyEquals(Vector3D()));
  EXPECT_TRUE(
      camera->GetProjectionMatrix(2.0f, 1.0f, 11.0f)
          .NearlyEquals(Matrix4x4::MakePerspectiveProjectionFovLH(1.0f, 2.0f, 1.0f, 11.0f)));
}

TEST_F(ObjectTypesTest, PVObjectsAreHeldOnceAndLetGoOnRemoval) {
  auto* camera = static_cast<CameraObject*>(world->CreateObject(ObjectParams(ObjectType_Camera)));
  WorldObject* gun = world->CreateObject(ObjectParams(ObjectType_Null));
  const uint32_t gunRefs = gun->GetRefCount();
  const uint32_t cameraRefs = camera->GetRefCount();
  camera->AttachPVObject(gun);
  camera->AttachPVObject(gun);
  camera->AttachPVObject(camera);
  camera->AttachPVObject(nullptr);
  EXPECT_EQ(camera->GetPVObjects().size(), 1u);
  EXPECT_EQ(gun->GetRefCount(), gunRefs + 1);
  EXPECT_EQ(camera->GetRefCount(), cameraRefs + 1);
  EXPECT_EQ(gun->GetPVCamera(), camera);
  world->RemoveObject(gun);  // the camera lets go; nothing dangles
  EXPECT_TRUE(camera->GetPVObjects().empty());
  EXPECT_EQ(camera->GetRefCount(), cameraRefs);

  WorldObject* hand = world->CreateObject(ObjectParams(ObjectType_Null));
  camera->AttachPVObject(hand);
  world->RemoveObject(camera);  // and the other way round
  EXPECT_EQ(hand->GetPVCamera(), nullptr);
}

TEST_F(ObjectTypesTest, LightBoxFollowsItsRadius) {
  LightObjectParams p;
  p.radius = 5.0f;
  auto* light = static_cast<LightObject*>(world->CreateObject(p));
  EXPECT_EQ(light->GetBoxMins(), Vector3D(-5, -5, -5));
  EXPECT_EQ(light->GetBoxMaxs(), Vector3D(5, 5, 5));
}

// ---- sound ----------------------------------------------------------------

class SoundObjectTest : public WorldFixture {
 protected:
  void TearDown() override {
    WorldFixture::TearDown();
    SetSoundObjectHooks(nullptr);
  }
};

TEST_F(SoundObjectTest, SilentWithoutHooksOrAFileAndRefusedWhenItCannotLoad) {
  SoundObjectParams p;
  p.fileName = "anything.wav";
  p.play = true;
  auto* sound = static_cast<SoundObject*>(world->CreateObject(p));
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetInstance(), nullptr);
  sound->Play(true);
  sound->Pause(true);
  sound->SetWorldTransform(At(1, 2, 3));

  // Play, pause and position reach a real source in the sound suite's engine
  // tests; here the hooks only fail to load.
  struct FailingHooks final : SoundObjectHooks {
    SoundInstance* Create(const char*, bool) const override { return nullptr; }
    void Release(SoundInstance*) const override {}
    void Play(SoundInstance*, bool) const override {}
    void Pause(SoundInstance*) const override {}
    void Resume(SoundInstance*) const override {}
    void SetPosition(SoundInstance*, const Vector3D&) const override {}
  };
  static FailingHooks failing;
  SetSoundObjectHooks(&failing);
  EXPECT_EQ(world->CreateObject(p), nullptr);
  EXPECT_EQ(world->GetObjectCount(ObjectType_Sound), 1u);
  p.fileName.clear();
  auto* quiet = static_cast<SoundObject*>(world->CreateObject(p));
  ASSERT_NE(quiet, nullptr);
  EXPECT_EQ(quiet->GetInstance(), nullptr);
}

// ---- fields ---------------------------------------------------------------

class FieldTest : public WorldFixture {
 protected:
  WorldObject* Pool(uint32_t fieldType) {
    FieldObjectParams p;
    p.fieldType = fieldType;
    p.mins = Vector3D(-10, -10, -10);
    p.maxs = Vector3D(10, 0, 10);
    return world->CreateObject(p);
  }
};

TEST_F(FieldTest, FluidKeepsABoxAfloat) {
  ASSERT_NE(Pool(Field_Fluid), nullptr);
  WorldObject* box = Box(0, 3, 0, 1.0f);
  Run(6.0f);
  const float y = box->GetWorldTransform().GetTranslation().y;
  EXPECT_GT(y, 0.0f);  // most of it above the surface
  EXPECT_LT(y, 1.0f);  // yet in the water
  EXPECT_FALSE(PhysicsBodyIsSleeping(box->GetBody()));
}

TEST_F(FieldTest, OtherFieldTypesLetBodiesFallAndARecordIsNeeded) {
  ASSERT_NE(Pool(1), nullptr);
  WorldObject* box = Box(0, 3, 0, 1.0f);
  Run(2.0f);
  EXPECT_LT(box->GetWorldTransform().GetTranslation().y, -10.0f);
  EXPECT_EQ(world->CreateObject(ObjectParams(ObjectType_Field)), nullptr);
}

// ---- joints ---------------------------------------------------------------

class JointTest : public WorldFixture {
 protected:
  JointObject* Joint(uint32_t type, WorldObject* a, WorldObject* b, const Vector3D& pivot,
                     const Vector3D& pin, bool collide = false, float cone = 0.0f,
                     float twist = 0.0f) {
    JointObjectParams p;
    p.jointType = type;
    p.object1 = a;
    p.object2 = b;
    p.transform = At(pivot.x, pivot.y, pivot.z);
    p.pin1 = pin;
    p.jointCollision = collide;
    p.maxConeAngle = cone;
    p.maxTwistAngle = twist;
    return static_cast<JointObject*>(world->CreateObject(p));
  }
};

TEST_F(JointTest, HingeTurnsOnlyAboutItsPin) {
  WorldObject* door = Box(1, 5, 0);
  door->SetGravityEnabled(false);
  JointObject* hinge = Joint(Joint_Hinge, door, nullptr, Vector3D(0, 5, 0), Vector3D(0, 1, 0));
  ASSERT_NE(hinge, nullptr);
  EXPECT_EQ(hinge->GetJointType(), uint32_t(Joint_Hinge));
  // A push that would also lift and tilt it.
  door->ApplyImpulse(Vector3D(1.5f, 5.0f, 0), Vector3D(0, 2, 3), true);
  Run(0.5f);
  const Vector3D centre = door->GetWorldTransform().GetTranslation();
  EXPECT_NEAR(centre.y, 5.0f, 0.02f);
  EXPECT_NEAR(Vector3D(centre.x, 0, centre.z).Length(), 1.0f, 0.02f);
  EXPECT_GT(std::fabs(centre.z), 0.1f);  // it did swing
  EXPECT_TRUE(door->GetWorldTransform().GetUp().NearlyEquals(Vector3D(0, 1, 0), 0.02f));
}

TEST_F(JointTest, JointCollisionOnAndOff) {
  auto spread = [&](bool collide) {
    world->Reset();
    WorldObject* a = Box(0, 5, 0);
    WorldObject* b = Box(0.6f, 5, 0);  // overlapping
    a->SetGravityEnabled(false);
    b->SetGravityEnabled(false);
    EXPECT_NE(Joint(Joint_Ball, a, b, Vector3D(0.3f, 5, 0), Vector3D(), collide), nullptr);
    Run(0.3f);
    return a->GetVelocity().Length() + b->GetVelocity().Length() +
           std::fabs(a->GetWorldTransform().GetUp().x) +
           std::fabs(b->GetWorldTransform().GetUp().x);
  };
  EXPECT_LT(spread(false), 1e-3f);
  EXPECT_GT(spread(true), 1e-2f);
}

TEST_F(JointTest, RemovingTheJoinedObjectThenTheJoint) {
  WorldObject* a = Box(0, 5, 0);
  WorldObject* b = Box(2, 5, 0);
  JointObject* joint = Joint(Joint_Ball, a, b, Vector3D(1, 5, 0), Vector3D());
  ASSERT_NE(joint, nullptr);
  const uint32_t refs = a->GetRefCount();
  world->RemoveObject(a);
  EXPECT_EQ(a->GetRefCount(), refs - 1);  // the joint still holds it
  Run(0.2f);                              // b keeps falling freely; no dangling constraint
  EXPECT_LT(b->GetWorldTransform().GetTranslation().y, 5.0f);
  world->RemoveObject(joint);
  EXPECT_EQ(world->GetObjectCount(ObjectType_Joint), 0u);
  Run(0.1f);
}

TEST_F(JointTest, RemovingTheJointFirstFreesTheBodies) {
  WorldObject* a = Box(0, 5, 0);
  JointObject* joint = Joint(Joint_Ball, a, nullptr, Vector3D(0, 6, 0), Vector3D());
  ASSERT_NE(joint, nullptr);
  Run(0.5f);
  EXPECT_NEAR(a->GetWorldTransform().GetTranslation().y, 5.0f, 0.05f);
  world->RemoveObject(joint);
  Run(0.5f);
  EXPECT_LT(a->GetWorldTransform().GetTranslation().y, 4.0f);
}

TEST_F(JointTest, EveryTypeCanBeMade) {
  WorldObject* a = Box(0, 5, 0);
  WorldObject* b = Box(2, 5, 0);
  JointObjectParams p;
  p.object1 = a;
  p.object2 = b;
  p.transform = At(1, 5, 0);
  p.pin1 = Vector3D(0, 1, 0);
  p.pin2 = Vector3D(1, 0, 0);
  for (uint32_t type = 0; type <= 4; ++type) {
    p.jointType = type;
    EXPECT_NE(world->CreateObject(p), nullptr) << type;
  }
  p.jointType = 1;
  p.maxConeAngle = 0.5f;
  p.maxTwistAngle = 0.2f;
  EXPECT_NE(world->CreateObject(p), nullptr);
  Run(0.5f);
}

TEST_F(JointTest, RecordsThatCannotMakeAJoint) {
  WorldObject* a = Box(0, 5, 0);
  WorldObject* bodiless = world->CreateObject(ObjectParams(ObjectType_Null));
  JointObjectParams p;
  p.object1 = a;
  p.dynamic = true;
  EXPECT_EQ(world->CreateObject(p), nullptr);
  EXPECT_EQ(CountLogged("CreateJointObject: Cannot make a physics joint a physics body.",
                        LogLevel_Detail),
            1);
  p.dynamic = false;
  p.object1 = bodiless;
  EXPECT_EQ(world->CreateObject(p), nullptr);
  p.object1 = nullptr;
  EXPECT_EQ(world->CreateObject(p), nullptr);
  EXPECT_EQ(CountLogged("CreateJointObject: At least one physical object must be given.",
                        LogLevel_Detail),
            2);
  p.object1 = a;
  p.jointType = 9;
  EXPECT_EQ(world->CreateObject(p), nullptr);
  EXPECT_EQ(CountLogged("CreateJointObject: Invalid joint type requested (9)", LogLevel_Detail), 1);
  EXPECT_EQ(CountLogged("CreateJoint failed for type 9", LogLevel_Detail), 1);
  p.jointType = Joint_Hinge;  // a hinge without a pin
  EXPECT_EQ(world->CreateObject(p), nullptr);
  EXPECT_EQ(CountLogged("CreateJoint failed for type 2", LogLevel_Detail), 1);
  ObjectParams plain(ObjectType_Joint);
  EXPECT_EQ(world->CreateObject(plain), nullptr);
  EXPECT_EQ(world->GetObjectCount(ObjectType_Joint), 0u);
}

TEST_F(JointTest, SliderMovesOnlyAlongItsPin) {
  WorldObject* carriage = Box(0, 5, 0);
  ASSERT_NE(Joint(Joint_Slider, carriage, nullptr, Vector3D(0, 5, 0), Vector3D(1, 0, 0)), nullptr);
  carriage->ApplyImpulse(Vector3D(0, 5, 0), Vector3D(3, 0, 2), true);
  Run(0.5f);
  const Vector3D p = carriage->GetWorldTransform().GetTranslation();
  EXPECT_GT(p.x, 1.0f);
  EXPECT_NEAR(p.y, 5.0f, 0.02f);  // gravity does not pull it off the rail
  EXPECT_NEAR(p.z, 0.0f, 0.02f);
  EXPECT_TRUE(carriage->GetWorldTransform().NearlyEquals(Matrix4x4::MakeTranslation(p),
                                                         0.02f));  // and it does not turn
}

TEST_F(JointTest, UpVectorKeepsTheBodyUpright) {
  Floor();
  WorldObject* post =
      Body(Collision_Box, true, At(0, 1, 0), Vector3D(-0.2f, -1, -0.2f), Vector3D(0.2f, 1, 0.2f));
  ASSERT_NE(Joint(Joint_UpVector, post, nullptr, Vector3D(), Vector3D(0, 1, 0)), nullptr);
  // A push at the top would topple it; it may slide and spin, not tip.
  post->ApplyImpulse(Vector3D(0, 2, 0), Vector3D(3, 0, 0), true);
  Run(1.0f);
  EXPECT_TRUE(post->GetWorldTransform().GetUp().NearlyEquals(Vector3D(0, 1, 0), 0.02f));
  EXPECT_GT(post->GetWorldTransform().GetTranslation().x, 0.05f);
}

TEST_F(JointTest, BallWithConeLimitSwingsNoFurther) {
  WorldObject* bob = Box(0, 3, 0);  // hangs 2 below the pivot
  ASSERT_NE(
      Joint(Joint_Ball, bob, nullptr, Vector3D(0, 5, 0), Vector3D(0, -1, 0), false, 0.3f, 0.1f),
      nullptr);
  bob->ApplyImpulse(Vector3D(0, 3, 0), Vector3D(6, 0, 0), true);
  float widest = 0.0f;
  for (int i = 0; i < 50; ++i) {
    world->Update(0.02f);
    const Vector3D arm = bob->GetWorldTransform().GetTranslation() - Vector3D(0, 5, 0);
    widest = std::max(widest, std::atan2(std::fabs(arm.x), -arm.y));
  }
  EXPECT_GT(widest, 0.2f);
  EXPECT_LT(widest, 0.4f);
}

}  // namespace
