// The "embers" sample mod run headless: its script builds a glowing lamp, a
// smoking brazier, a spark fountain and a generated figure walking a looped
// path among them; with the particles seeded and a fixed frame delta, F9
// screenshots at two frames match their golden images
// (tests/data/golden/embers_*.bmp; regenerate with KAZ_UPDATE_GOLDEN=1).
#include "common/ImageCompare.h"
#include "core/TestEngine.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/WorldRenderer.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

class EmbersMod : public EngineTest {
 protected:
  void Run(int frames) { EngineTest::Run(frames, 0.05); }
  ::testing::AssertionResult ShotMatches(const std::string& golden) {
    const std::string shot = PressF9();
    ::testing::AssertionResult same =
        kaztest::MatchesGolden(shot, kaztest::GoldenDir() + golden, 12, 0.01);
    std::filesystem::remove(shot);
    return same;
  }
};

TEST_F(EmbersMod, SeededFramesMatchTheGoldenImages) {
  ParticleRandom::Seed(2026);
  ASSERT_NE(Start({"-mod", "embers", "-ResX", "320", "-ResY", "240", "-ShowRecentConsoleEntries",
                   "0", "-FPS", "0"},
                  "Embers"),
            nullptr)
      << m_out.All();
  World* world = m_engine->GetWorld();
  ASSERT_EQ(world->GetObjectCount(ObjectType_ParticleSystem), 2u);
  ASSERT_EQ(world->GetObjectCount(ObjectType_DynamicMesh), 1u) << "the generated walker is missing";
  Run(10);
  const WorldRenderer::Stats& stats = world->GetRenderer()->GetStats();
  EXPECT_EQ(stats.staticMeshes, 3u);
  EXPECT_EQ(stats.dynamicMeshes, 1u);
  EXPECT_EQ(stats.particleSystems, 2u);
  EXPECT_GT(stats.particles, 40u);
  EXPECT_TRUE(CVarRegistry::Instance().GlowEnable.Get());  // the glow worked
  EXPECT_TRUE(ShotMatches("/embers_10.bmp"));
  Run(20);
  EXPECT_TRUE(ShotMatches("/embers_30.bmp"));
}

}  // namespace
