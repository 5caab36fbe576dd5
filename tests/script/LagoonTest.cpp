// LagoonTest.cpp - the scripting sample mod "lagoon" run headless: its lines,
// its console command and timer, and an F9 screenshot against a golden image
// (common/ImageCompare.h says how to regenerate it).
#include "core/TestEngine.h"

#include "common/ImageCompare.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

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
  engine->OnKeyDown(EngineKey_F9);
  engine->OnKeyUp(EngineKey_F9);
  kazShutdown();
  const std::string out = output.All();

  for (const char* line :
       {"Lagoon: built a floor, a room, a light, a camera and 3 crates.",
        "Lagoon: after two seconds the crates rest on the floor.", "Lagoon: crate heights 1."})
    EXPECT_GE(output.Count(line), 1) << out;
  EXPECT_EQ(output.Count("Traceback"), 0) << out;
  ASSERT_EQ(output.Count("Screenshot taken."), 1) << out;
  const std::string shot = kaztest::NewestScreenshot(KAZ_BIN_DIR "/screenshots");
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/lagoon.png", 24, 0.01));
  fs::remove(shot);
}

}  // namespace
