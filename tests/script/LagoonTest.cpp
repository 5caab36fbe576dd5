// LagoonTest.cpp - the scripting sample mod "lagoon" run headless: its lines,
// its console command and timer, and an F9 screenshot against a golden image
// (common/ImageCompare.h says how to regenerate it).
#include "core/TestEngine.h"

#include "common/ImageCompare.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Per-channel difference a pixel may have, and the share of pixels that may
// differ by more.
constexpr int kChannelTolerance = 24;
constexpr double kMaxDifferingShare = 0.01;

std::set<fs::path> Screenshots() {
  std::set<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(KAZ_BIN_DIR "/screenshots", error))
    files.insert(entry.path());
  return files;
}

TEST(LagoonTest, BuildsItsSceneAndMatchesTheGoldenImage) {
  KAZ_REQUIRE_TEST_WINDOW();
  fs::remove(KAZ_BIN_DIR "/config/lagoon.cfg");
  EngineOutput output;
  KazEngine* engine =
      StartTestEngine({"-mod", "lagoon", "-ResX", "160", "-ResY", "120"}, &output, "Lagoon");
  ASSERT_NE(engine, nullptr) << output.All();
  ManualClock clock;
  engine->SetClock(&clock);
  // The script's fade-in began on the start-up clock, which this test replaces.
  engine->StopFade();
  engine->SetActive(true);
  for (int frame = 0; frame < 60; ++frame) {
    clock.Advance(0.05);
    engine->RunFrame();
  }
  EXPECT_EQ(engine->ExecuteCommand(false, "lagoon_crates"), 0);
  const std::set<fs::path> before = Screenshots();
  engine->OnKeyDown(EngineKey_F9);
  engine->OnKeyUp(EngineKey_F9);
  const std::set<fs::path> after = Screenshots();
  kazShutdown();
  const std::string out = output.All();

  EXPECT_NE(out.find("Lagoon: built a floor, a room, a light, a camera and 3 crates."), std::string::npos)
      << out;
  EXPECT_NE(out.find("Lagoon: after two seconds the crates rest on the floor."), std::string::npos)
      << out;
  EXPECT_NE(out.find("Lagoon: crate heights 1."), std::string::npos) << out;
  EXPECT_EQ(out.find("Traceback"), std::string::npos) << out;

  std::vector<fs::path> taken;
  for (const fs::path& path : after)
    if (!before.count(path)) taken.push_back(path);
  ASSERT_EQ(taken.size(), 1u) << out;
  EXPECT_TRUE(kaztest::MatchesGolden(taken[0].string(), kaztest::GoldenDir() + "/lagoon.png",
                                     kChannelTolerance, kMaxDifferingShare));
  fs::remove(taken[0]);
}

}  // namespace
