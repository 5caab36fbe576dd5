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

class LagoonTest : public EngineTest {};

TEST_F(LagoonTest, BuildsItsSceneAndMatchesTheGoldenImage) {
  fs::remove(KAZ_BIN_DIR "/config/lagoon.cfg");
  KazEngine* engine = Start({"-mod", "lagoon", "-ResX", "160", "-ResY", "120"}, "Lagoon");
  ASSERT_NE(engine, nullptr) << m_out.All();
  // The script's fade-in began on the start-up clock, which this test replaces.
  engine->StopFade();
  Run(60, 0.05);
  EXPECT_EQ(engine->ExecuteCommand(false, "lagoon_crates"), 0);
  const std::string shot = PressF9();
  kazShutdown();
  const std::string out = m_out.All();

  for (const char* line :
       {"Lagoon: built a floor, a room, a light, a camera and 3 crates.",
        "Lagoon: after two seconds the crates rest on the floor.", "Lagoon: crate heights 1."})
    EXPECT_GE(m_out.Count(line), 1) << out;
  EXPECT_EQ(m_out.Count("Traceback"), 0) << out;
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/lagoon.png", 24, 0.01));
  fs::remove(shot);
}

}  // namespace
