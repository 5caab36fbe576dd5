// CoveGameTest.cpp - the demo game "The Secret of Orrelin Cove" played as a
// player plays it: the real launcher, copied with the engine and the game's
// packages into a fresh base directory, driven by key replays (-replay) at a
// fixed frame time (the whole tour is the play command's test, CoveTour).
// Quitting goes through the pause menu's Yes/No box, exits 0 and saves
// the configuration; options changed in the options menu survive a restart.
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;

using kaztest::ReadFile;
using kaztest::WriteFile;

class CoveGame : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path bin = KAZ_BIN_DIR;
    for (const char* needed : {"shell", "libengine.so", "cove.pak", "cove_built"})
      if (!fs::exists(bin / needed)) GTEST_SKIP() << needed << " is not built";
    m_dir = fs::path(m_temp.Path());
    for (const char* file : {"shell", "libengine.so", "cove.pak"})
      fs::copy_file(bin / file, m_dir / file);
    fs::copy(bin / "cove_built", m_dir / "cove_built", fs::copy_options::recursive);
    for (const char* package : {"mods", "cove", "base"})
      fs::copy(bin / package, m_dir / package, fs::copy_options::recursive);
    // As after a first run: without the file the engine reports that it is missing.
    WriteFile(m_dir / "config" / "cove.cfg", "");
  }

  // Runs the game with the replay text at 320x240, bounded by `frames`.
  kaztest::CommandResult Play(const std::string& replay, int frames) {
    WriteFile(m_dir / "test.replay", replay);
    return kaztest::RunCommand(
        "cd '" + m_dir.string() +
        "' && env SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null ASAN_OPTIONS=detect_leaks=0 "
        "timeout 300 ./shell -mod cove -ResX 320 -ResY 240 -replay test.replay "
        "-fixedframe 0.033333 -frames " +
        std::to_string(frames));
  }
  std::string Config() const { return ReadFile(m_dir / "config" / "cove.cfg"); }
  kaztest::TempDir m_temp;
  fs::path m_dir;
};

// From the title: Down twice to Quit, Enter, then Enter on the box's Yes.
const char* const kQuitFromTitle =
    "30 key Down down\n31 key Down up\n40 key Down down\n41 key Down up\n"
    "50 key Return down\n51 key Return up\n60 key Return down\n61 key Return up\n";

// "<frame> key <name> down" and its "up" on the next frame.
std::string Press(int frame, const std::string& key) {
  return std::to_string(frame) + " key " + key + " down\n" + std::to_string(frame + 1) + " key " +
         key + " up\n";
}

TEST_F(CoveGame, QuittingGoesThroughThePauseMenusYesNoBoxAndSavesTheConfiguration) {
  // Options: a character typed on the switch is ignored; on the name it edits
  // the name. Back, New Game (its welcome box closes by itself); Escape
  // pauses; Quit asks; No keeps playing (Escape resumes); then Escape, Quit
  // and Yes leave.
  std::string replay = Press(20, "Down") + Press(25, "Return") + "30 char x\n" + Press(35, "Down") +
                       Press(40, "Down");
  for (int i = 0; i < 8; ++i) replay += Press(45 + 2 * i, "Backspace");
  replay += "65 char Ada\n" + Press(70, "Down") + Press(75, "Return") + Press(80, "Up") +
            Press(85, "Return");
  int frame = 180;
  for (const char* key : {"Escape", "Down", "Down", "Return", "Right", "Return", "Escape"})
    replay += Press(frame += 10, key);
  frame += 30;
  for (const char* key : {"Escape", "Down", "Down", "Return", "Return"})
    replay += Press(frame += 10, key);
  const kaztest::CommandResult run = Play(replay, 600);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.Has("Cove: a new game begins for Ada.")) << run.output;
  EXPECT_FALSE(run.Has("WARNING:") || run.Has("ERROR")) << "the log is not clean:\n" << run.output;
  // No did not quit: the game went on to the second question.
  ASSERT_TRUE(run.Has("Cove: you stay a while.")) << run.output;
  EXPECT_GT(run.output.find("Cove: farewell."), run.output.find("Cove: you stay a while."))
      << run.output;
  EXPECT_NE(Config().find("MouseSensitivity"), std::string::npos)
      << "the configuration was not saved";
}

TEST_F(CoveGame, OptionsChangedInTheMenuSurviveARestart) {
  // Options; Enter flips Invert mouse; Down, Right: the next sensitivity;
  // Down twice to Back; then Quit and Yes from the title.
  const std::string replay =
      "30 key Down down\n31 key Down up\n40 key Return down\n41 key Return up\n"
      "50 key Return down\n51 key Return up\n60 key Down down\n61 key Down up\n"
      "70 key Right down\n71 key Right up\n80 key Down down\n81 key Down up\n"
      "90 key Down down\n91 key Down up\n100 key Return down\n101 key Return up\n"
      "110 key Down down\n111 key Down up\n120 key Return down\n121 key Return up\n"
      "130 key Return down\n131 key Return up\n";
  const kaztest::CommandResult first = Play(replay, 400);
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_TRUE(first.Has("Cove: the mouse is inverted.")) << first.output;
  EXPECT_NE(Config().find("InvertMouse true"), std::string::npos) << Config();
  EXPECT_NE(Config().find("MouseSensitivity 1.500000"), std::string::npos) << Config();
  const kaztest::CommandResult second = Play(kQuitFromTitle, 400);
  EXPECT_EQ(second.exitCode, 0) << second.output;
  EXPECT_TRUE(second.Has("Cove: mouse sensitivity 1.50, inverted.")) << second.output;
}

}  // namespace
