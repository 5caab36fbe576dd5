// ReplayTest.cpp - replay files: the parser (events, bad lines, key names,
// UTF-8 texts) and the launcher handing replayed input to an engine before the
// frames it names. The real launcher and engine driven by replays are the
// demo game's tests (CoveGameTest).
#include "Replay.h"
#include "Shell.h"

#include "common/TestFiles.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Parse(Replay* replay, const std::string& text) {
  std::vector<std::string> warnings;
  replay->Parse(text, "tour.replay", &warnings);
  return warnings;
}

TEST(ReplayParse, ReadsEveryKindOfEvent) {
  Replay replay;
  EXPECT_THAT(Parse(&replay,
                    "# a tour\n"
                    "0 key escape down\n"
                    "1 KEY Keypad Enter up   # a name with a blank\n"
                    "2 char give shell  # typed, the comment and trailing blanks are not\n"
                    "3 mouse -12 7\n"
                    "4 key W down\n"),  // the key, not the capital
              ElementsAre());
  const std::vector<ReplayEvent>& events = replay.Events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].type, ReplayEvent::Type::Key);
  EXPECT_EQ(events[0].key, SDLK_ESCAPE);
  EXPECT_TRUE(events[0].down);
  EXPECT_EQ(events[0].line, 2);
  EXPECT_EQ(events[1].key, SDLK_KP_ENTER);
  EXPECT_FALSE(events[1].down);
  EXPECT_EQ(events[2].type, ReplayEvent::Type::Char);
  EXPECT_EQ(std::string(events[2].chars.begin(), events[2].chars.end()), "give shell");
  EXPECT_EQ(events[3].type, ReplayEvent::Type::Mouse);
  EXPECT_EQ(events[3].dx, -12);
  EXPECT_EQ(events[3].dy, 7);
  EXPECT_EQ(events[3].frame, 3);
  EXPECT_EQ(events[4].key, SDLK_w);
}

TEST(ReplayParse, EachBadLineGivesOneWarningNamingFileAndLineAndIsLeftOut) {
  Replay replay;
  const std::vector<std::string> warnings = Parse(&replay,
                                                  "0 key Nope down\n"  // 1
                                                  "0 key Escape sideways\n"
                                                  "0 key down\n"
                                                  "-1 char a\n"
                                                  "x char a\n"  // 5
                                                  "0 wiggle\n"
                                                  "0 mouse 1\n"
                                                  "0 mouse 1 2 3\n"
                                                  "0 mouse 1.5 2\n"
                                                  "0 char\n"  // 10
                                                  "0 char   # only a comment\n"
                                                  "0 char a\\qb\n"
                                                  "99999999999 char a\n"
                                                  "4 char fine\n");
  ASSERT_EQ(warnings.size(), 13u);
  for (size_t i = 0; i < warnings.size(); ++i) {
    EXPECT_THAT(warnings[i], HasSubstr("'tour.replay', line " + std::to_string(i + 1) + ": "));
    EXPECT_THAT(warnings[i], HasSubstr("The line is left out."));
  }
  EXPECT_THAT(warnings[0], HasSubstr("unknown key name \"Nope\""));
  ASSERT_EQ(replay.Events().size(), 1u);
  EXPECT_EQ(replay.Events()[0].line, 14);
}

TEST(ReplayParse, TextsAreUtf8UpToLatin1) {
  Replay replay;
  const std::vector<std::string> warnings = Parse(&replay,
                                                  "0 char caf\xC3\xA9\n"
                                                  "1 char \xE2\x82\xAC\n"     // euro sign
                                                  "2 char \xC3(\n"            // cut sequence
                                                  "3 char \xC0\xAF\n"         // overlong '/'
                                                  "4 char \xC0\x80\n"         // overlong NUL
                                                  "5 char \\#1 \\\\ \\s\n");  // escapes
  ASSERT_EQ(warnings.size(), 4u);
  EXPECT_THAT(warnings[0], HasSubstr("U+20AC"));
  EXPECT_THAT(warnings[1], HasSubstr("not valid UTF-8"));
  ASSERT_EQ(replay.Events().size(), 2u);
  EXPECT_THAT(replay.Events()[0].chars, ElementsAre('c', 'a', 'f', 0xE9));
  EXPECT_THAT(replay.Events()[1].chars, ElementsAre('#', '1', ' ', '\\', ' ', ' '));
}

TEST(ReplayParse, FramesComeInOrderAndFileOrderHoldsWithinOne) {
  Replay replay;
  Parse(&replay, "5 char b\r\n2 char a\r\n5 char c\r\n0 char z");  // CRLF, no last newline
  std::vector<std::string> seen;
  for (long frame = 0; frame < 6; ++frame) {
    replay.TakeFrame(frame, [&](const ReplayEvent& e) {
      seen.push_back(std::to_string(frame) + ":" + std::string(1, char(e.chars[0])));
    });
  }
  EXPECT_THAT(seen, ElementsAre("0:z", "2:a", "5:b", "5:c"));
}

// ---------------------------------------------------------------------------
// The launcher hands replayed input to the engine.

// Records every input call with the number of frames run before it.
class RecordingEngine : public IKazEngine {
 public:
  int RunFrame() override { return ++frames >= quitAfter ? KazQuit_Quit : KazQuit_Continue; }
  void Quit(bool) override {}
  bool AddPackage(const char*, bool) override { return true; }
  void Printf(const char*, ...) override {}
  int ExecuteCommand(bool, const char*, ...) override { return 0; }
  void* GetWindow() override { return nullptr; }
  float GetFrameDeltaTime() override { return 0.0f; }
  float GetTime() override { return 0.0f; }
  void SetActive(bool) override {}
  bool IsActive() override { return true; }
  void SetMouseDelta(int axis, int value) override { Log(axis ? "dy" : "dx", value); }
  void SetCursorPosition(int, int) override {}
  void OnChar(int character) override { Log("char", character); }
  void OnKeyDown(int key) override { Log("down", key); }
  void OnKeyUp(int key) override { Log("up", key); }
  void SetInputBlocked(bool) override {}
  bool IsInputBlocked() override { return false; }
  VideoManager* GetVideoManager() override { return nullptr; }
  SoundManager* GetSoundManager() override { return nullptr; }

  void Log(const char* what, int value) {
    calls.push_back(std::to_string(frames) + " " + what + " " + std::to_string(value));
  }

  int frames = 0;
  int quitAfter = 10;
  int startups = 0;
  std::vector<std::string> calls;
};

RecordingEngine* g_engine = nullptr;

IKazEngine* RecordingStartup(int, char**, void*, const char*, const char*, KazOutputCallback,
                             void*) {
  ++g_engine->startups;
  return g_engine;
}

class ReplayShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    g_engine = &m_engine;
    m_api.getVersion = [] { return kShellEngineVersion; };
    m_api.getBuildString = [] { return "Jan  1 2030, 00:00:00"; };
    m_api.startup = RecordingStartup;
    m_api.shutdown = [] {};
    m_api.getInterface = [] { return static_cast<IKazEngine*>(g_engine); };
  }
  void TearDown() override { g_engine = nullptr; }

  // The launcher run with `args`; its transcript is kept.
  int Main(std::vector<std::string> args) {
    args.insert(args.begin(), "shell");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    Shell shell(m_api);
    shell.SetOutputStream(nullptr);
    const int code = shell.Main(kShellAppTitle, static_cast<int>(args.size()), argv.data());
    m_transcript = shell.GetTranscript();
    return code;
  }
  int Run(const std::string& replayText) {
    return Main({"-replay", m_dir.Write("input.replay", replayText).string(), "-frames", "50"});
  }

  const std::vector<std::string>& Input() const { return m_engine.calls; }

  kaztest::TempDir m_dir;
  RecordingEngine m_engine;
  ShellEngineApi m_api;
  std::string m_transcript;
};

}  // namespace

TEST_F(ReplayShellTest, EventsReachTheEngineBeforeTheirFrameThroughTheKeyTable) {
  EXPECT_EQ(Run("0 char `\n"
                "1 key Undo down\n"  // stands for no engine key
                "2 key Return down\n"
                "2 key Return up\n"
                "3 key F9 down\n"
                "4 key F9 up\n"
                "4 mouse 3 -4\n"
                "4 mouse 1 0\n"
                "5 char \xC3\xA9!\n"),
            0);
  // Return gives its key and the character 13 as from the keyboard; two motions
  // of one frame are one delta per axis.
  const std::string enter = std::to_string(ScancodeToEngineKey(SDL_SCANCODE_RETURN));
  const std::string f9 = std::to_string(ScancodeToEngineKey(SDL_SCANCODE_F9));
  EXPECT_THAT(Input(), ElementsAre("0 char 96", "2 down " + enter, "2 char 13", "2 up " + enter,
                                   "3 down " + f9, "4 up " + f9, "4 dx 4", "4 dy -4", "5 char 233",
                                   "5 char 33"));
  EXPECT_THAT(m_transcript, HasSubstr("Replaying 8 input events from "));
  EXPECT_THAT(m_transcript, HasSubstr("WARNING: Replay file '"));
  EXPECT_THAT(m_transcript, HasSubstr("line 2: key \"Undo\" stands for no engine key."));
}

TEST_F(ReplayShellTest, AFileThatCannotBeReadStopsTheLauncherBeforeTheEngine) {
  EXPECT_EQ(Main({"-replay", "/nonexistent/tour.replay"}), -1);
  EXPECT_EQ(m_engine.startups, 0);
  EXPECT_THAT(m_transcript, HasSubstr("ERROR: Cannot read replay file '/nonexistent/tour.replay'"));
  EXPECT_THAT(m_transcript, HasSubstr("FATAL ERROR: Failed to read the replay file."));
}
