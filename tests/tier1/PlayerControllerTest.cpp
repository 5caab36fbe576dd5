// PlayerControllerTest.cpp - the player controller: walking, jumping, the speed cap and airborne
// control.
#include "WorldFixture.h"

#include "tier1/PlayerController.h"

#include <memory>

namespace {

class PlayerControllerTest : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    Floor();
    body = Body(Collision_Capsule, true, At(0, 0.05f, 0), Vector3D(-0.4f, 0, -0.4f),
                Vector3D(0.4f, 1.8f, 0.4f));
    ASSERT_NE(body, nullptr);
    ASSERT_TRUE(player.Init(body));
    Settle();
  }
  void TearDown() override {
    owned.reset();  // it holds references into the world
    WorldFixture::TearDown();
  }
  void Frame(uint32_t flags) {
    player.Update(flags);
    world->Update(0.02f);
  }
  void Settle() {
    for (int i = 0; i < 50; ++i) Frame(0);
  }
  static float Horizontal(const Vector3D& v) { return std::sqrt(v.x * v.x + v.z * v.z); }

  WorldObject* body = nullptr;
  std::unique_ptr<PlayerController> owned = std::make_unique<PlayerController>();
  PlayerController& player = *owned;
};

TEST_F(PlayerControllerTest, InitGivesTheBodyItsOwnMaterial) {
  EXPECT_EQ(player.GetObject(), body);
  ASSERT_NE(player.GetPhysicalMaterial(), nullptr);
  EXPECT_EQ(body->GetPhysicalMaterial(), player.GetPhysicalMaterial());
  EXPECT_FLOAT_EQ(player.GetPhysicalMaterial()->GetFriction(), 0.0f);
  EXPECT_TRUE(body->IsOnGround());
  PlayerController loose;
  EXPECT_FALSE(loose.Init(nullptr));
  loose.Update(PlayerController::moveForward);  // harmless without an object
}

TEST_F(PlayerControllerTest, WalksAlongTheHeadingAtTheCappedSpeed) {
  player.SetHeadingAngle(0.0f);
  Frame(PlayerController::moveForward);
  EXPECT_FALSE(player.IsIdle());
  EXPECT_TRUE(player.GetMoveDirection().NearlyEquals(Vector3D(0, 0, 1)));
  for (int i = 0; i < 50; ++i) Frame(PlayerController::moveForward);
  const Vector3D p = body->GetWorldTransform().GetTranslation();
  EXPECT_GT(p.z, 5.0f);
  EXPECT_NEAR(p.x, 0.0f, 0.1f);
  EXPECT_LE(Horizontal(body->GetVelocity()), 7.5f + 1e-3f);
  player.SetHeadingAngle(1.5707964f);
  Frame(PlayerController::moveForward | PlayerController::moveLeft);
  EXPECT_TRUE(player.GetMoveDirection().NearlyEquals(Vector3D(0.70710677f, 0, 0.70710677f)));
  Frame(PlayerController::moveForward | PlayerController::moveBackward);  // these cancel
  EXPECT_TRUE(player.IsIdle());
  EXPECT_EQ(player.GetMoveDirection(), Vector3D());
}

TEST_F(PlayerControllerTest, CapKeepsTheVerticalSpeed) {
  player.SetRunSpeed(5.0f);
  body->SetVelocity(Vector3D(30, 4, 40));
  player.Update(0);
  const Vector3D v = body->GetVelocity();
  EXPECT_NEAR(Horizontal(v), 5.0f, 1e-4f);
  EXPECT_FLOAT_EQ(v.y, 4.0f);
  EXPECT_NEAR(v.x / v.z, 0.75f, 1e-5f);
}

TEST_F(PlayerControllerTest, JumpsOncePerPress) {
  const float ground = body->GetWorldTransform().GetTranslation().y;
  player.Update(PlayerController::moveJump);
  EXPECT_TRUE(player.HasJumped());
  EXPECT_NEAR(body->GetVelocity().y, 12.0f, 0.2f);
  world->Update(0.02f);
  float top = ground;
  for (int i = 0; i < 200; ++i) {  // holding the key the whole time
    Frame(PlayerController::moveJump);
    top = std::max(top, body->GetWorldTransform().GetTranslation().y);
    EXPECT_LT(body->GetVelocity().y, 12.0f);
  }
  EXPECT_GT(top, ground + 5.0f);  // 12^2 / (2 * 9.8) = 7.3
  EXPECT_NEAR(body->GetWorldTransform().GetTranslation().y, ground,
              0.05f);  // back down, no second jump
  Frame(0);
  EXPECT_FALSE(player.HasJumped());
  player.Update(PlayerController::moveJump);
  EXPECT_NEAR(body->GetVelocity().y, 12.0f, 0.2f);
}

TEST_F(PlayerControllerTest, NoSteeringInTheAir) {
  Frame(PlayerController::moveJump);
  for (int i = 0; i < 15; ++i)  // well clear of the ground and its lingering mark
    Frame(0);
  ASSERT_FALSE(body->IsOnGround());
  const Vector3D before = body->GetVelocity();
  player.Update(PlayerController::moveLeft | PlayerController::moveForward);
  EXPECT_EQ(player.GetMoveDirection(), Vector3D());
  EXPECT_TRUE(player.IsIdle());
  const Vector3D after = body->GetVelocity();
  EXPECT_FLOAT_EQ(after.x, before.x);
  EXPECT_FLOAT_EQ(after.z, before.z);
}

TEST_F(PlayerControllerTest, StopsWhenIdleOnTheGround) {
  for (int i = 0; i < 20; ++i) Frame(PlayerController::moveRight);
  for (int i = 0; i < 50; ++i) Frame(0);
  EXPECT_LT(Horizontal(body->GetVelocity()), 0.1f);
  EXPECT_EQ(player.GetUpdateCount(), 50u + 20u + 50u);  // with the fixture's settling
}

TEST_F(PlayerControllerTest, ControllerOutlivedByItsMaterial) {
  // The World keeps the material; a dead controller's callbacks must be gone.
  {
    PlayerController temporary;
    WorldObject* other = Box(3, 0.5f, 0);
    ASSERT_TRUE(temporary.Init(other));
  }
  Run(0.5f);
}

}  // namespace
