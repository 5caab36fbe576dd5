// The "embers" sample mod run headless: its script builds a glowing lamp, a
// smoking brazier, a spark fountain and a generated figure walking a looped
// path among them; with the particles seeded and a fixed frame delta, F9
// screenshots at two frames match their golden images
// (tests/data/golden/embers_*.bmp; regenerate with KAZ_UPDATE_GOLDEN=1).
#include "common/ImageCompare.h"
#include "console/CVarRegistry.h"
#include "core/Engine.h"
#include "core/KazEngine.h"
#include "core/TestWindow.h"
#include "render/DebugRender.h"
#include "render/ParticleSystemObject.h"
#include "render/WorldRenderer.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_output;
void Capture(const char* text, bool, void*) {
  g_output.emplace_back(text);
}

class EmbersMod : public ::testing::Test {
 protected:
  void SetUp() override {
    KAZ_REQUIRE_TEST_WINDOW();
    CVarRegistry::Instance().ResetBuiltins();
    ParticleRandom::Seed(2026);
    char arg0[] = KAZ_BIN_DIR "/shell";
    char mod[] = "-mod", name[] = "embers", resX[] = "-ResX", width[] = "320", resY[] = "-ResY",
         height[] = "240";
    char* argv[] = {arg0, mod, name, resX, width, resY, height, nullptr};
    g_output.clear();
    ASSERT_NE(kazStartup(7, argv, TestWindow(), "Embers", "cove", &Capture, nullptr), nullptr);
    m_engine = static_cast<KazEngine*>(kazGetInterface());
    m_engine->SetClock(&m_clock);
    CVarRegistry& cv = CVarRegistry::Instance();
    cv.ShowRecentConsoleEntries.Set(false);
    cv.FPS.Set(false);
    m_engine->SetActive(true);
  }
  void TearDown() override {
    CVarRegistry::Instance().ResetBuiltins();
    kazShutdown();
  }
  void Run(int frames) {
    for (int i = 0; i < frames; ++i) {
      m_clock.Advance(0.05);
      m_engine->RunFrame();
    }
  }
  ::testing::AssertionResult ShotMatches(const char* golden) {
    namespace fs = std::filesystem;
    g_output.clear();
    m_engine->OnKeyDown(EngineKey_F9);
    if (g_output.empty() || g_output.back() != "Screenshot taken.")
      return ::testing::AssertionFailure() << "no screenshot";
    const std::string shot =
        kaztest::NewestScreenshot((fs::path(KAZ_BIN_DIR) / "screenshots").string());
    ::testing::AssertionResult same = kaztest::MatchesGolden(shot, golden, 12, 0.01);
    std::error_code ec;
    fs::remove(shot, ec);
    return same;
  }

  ManualClock m_clock;
  KazEngine* m_engine = nullptr;
};

TEST_F(EmbersMod, SeededFramesMatchTheGoldenImages) {
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
  EXPECT_TRUE(ShotMatches((kaztest::GoldenDir() + "/embers_10.bmp").c_str()));
  Run(20);
  EXPECT_TRUE(ShotMatches((kaztest::GoldenDir() + "/embers_30.bmp").c_str()));
}

TEST_F(EmbersMod, ConsoleSwitchesDrawDebugLinesOnOpenGL) {
  DebugRender* debug = m_engine->GetWorld()->GetRenderer()->GetDebugRender();
  ASSERT_NE(debug, nullptr) << "DebugRender.fx did not start on this device";
  Run(1);
  const uint32_t before = debug->GetLineCount();
  for (const char* line : {"DrawGrid 1", "DrawBoxes 1", "DrawSkeletons 1"})
    m_engine->ExecuteCommand(false, "%s", line);
  Run(1);
  // The 64-unit grid (65 lines each way) with its axis, the three static
  // meshes' boxes and the walker's skeleton: six bones, five with a parent.
  EXPECT_EQ(debug->GetLineCount() - before, 2u * 65u + 3u + 3u * 12u + 5u);
}

}  // namespace
