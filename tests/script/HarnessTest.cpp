// HarnessTest.cpp - the whole engine with scripts: the script test harness mod run headless
// with a driven clock and input, start-up cancelled by OnStartup, restarts,
// and the demo's scripts.
#include "core/Engine.h"
#include "core/KazEngine.h"
#include "core/TestWindow.h"

#include "console/CVarRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Output {
  std::string text;
  static void Capture(const char* piece, bool continueLine, void* user) {
    auto* self = static_cast<Output*>(user);
    self->text += piece;
    if (!continueLine) self->text += '\n';
  }
  bool Has(const std::string& needle) const { return text.find(needle) != std::string::npos; }
  int Count(const std::string& needle) const {
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
      ++n;
    return n;
  }
};

class HarnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KAZ_REQUIRE_TEST_WINDOW();
    // A configuration saved by an earlier run would change the defaults.
    std::filesystem::remove(KAZ_BIN_DIR "/config/scripttest.cfg");
    CVarRegistry::Instance().ResetBuiltins();
  }
  void TearDown() override { kazShutdown(); }

  KazEngine* Start(std::vector<std::string> args) {
    args.insert(args.begin(), KAZ_BIN_DIR "/shell");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    auto* kaz =
        static_cast<KazEngine*>(kazStartup(static_cast<int>(args.size()), argv.data(), TestWindow(),
                                           "Kaz", "cove", &Output::Capture, &m_out));
    if (kaz) {
      kaz->SetClock(&m_clock);
      kaz->SetActive(true);
    }
    return kaz;
  }
  void Frames(KazEngine* engine, int count) {
    for (int i = 0; i < count; ++i) {
      m_clock.Advance(0.1);
      engine->RunFrame();
    }
  }

  Output m_out;
  ManualClock m_clock;
};

TEST_F(HarnessTest, EveryCheckPassesAndEveryFunctionIsExercised) {
  KazEngine* engine = Start({"-mod", "scripttest"});
  ASSERT_NE(engine, nullptr) << m_out.text;
  EXPECT_TRUE(m_out.Has("ScriptTest: start-up checks done")) << m_out.text;
  Frames(engine, 10);
  engine->OnKeyDown(30);
  Frames(engine, 3);
  engine->OnKeyUp(30);
  engine->OnChar('a');
  engine->SetMouseDelta(0, 3);
  engine->SetMouseDelta(1, -2);
  Frames(engine, 1);
  EXPECT_EQ(engine->ExecuteCommand(false, "scripttest_mark"), 0);
  engine->ExecuteCommand(false, "GamePaused 1");
  engine->OnKeyDown(31);
  Frames(engine, 3);
  engine->OnKeyUp(31);
  engine->ExecuteCommand(false, "GamePaused 0");
  engine->ExecuteCommand(false, "scripttest_mark");
  Frames(engine, 2);
  kazShutdown();

  EXPECT_FALSE(m_out.Has("[check] FAIL")) << m_out.text;
  EXPECT_FALSE(m_out.Has("NOT EXERCISED")) << m_out.text;
  EXPECT_FALSE(m_out.Has("Traceback")) << m_out.text;
  ASSERT_TRUE(m_out.Has("ScriptTest summary: ")) << m_out.text;
  EXPECT_TRUE(m_out.Has(" 0 failed, ")) << m_out.text;
  // Script commands left with the interpreter.
  EXPECT_EQ(CommandRegistry::Instance().Find("scripttest_mark"), nullptr);
}

TEST_F(HarnessTest, OnStartupReturningFalseOrOneCancelsStartup) {
  for (const char* mode : {"cancel", "cancel1"}) {
    m_out.text.clear();
    EXPECT_EQ(Start({"-mod", "scripttest", "-ScriptTestMode", mode}), nullptr) << mode;
    EXPECT_TRUE(m_out.Has("KazStartup: Script cancelled engine startup (OnStartup)."))
        << m_out.text;
    EXPECT_EQ(kazGetInterface(), nullptr);
  }
}

TEST_F(HarnessTest, TheDemoStartsThreeTimesAndItsLinesReachTheOutput) {
  for (int round = 0; round < 3; ++round) {
    m_out.text.clear();
    KazEngine* engine = Start({});
    ASSERT_NE(engine, nullptr) << m_out.text;
    EXPECT_TRUE(m_out.Has("Cove: the cove awaits.")) << m_out.text;
    Frames(engine, 12);
    EXPECT_TRUE(m_out.Has("Cove: one second has passed.")) << m_out.text;
    // Typed into the open console and confirmed with Enter.
    engine->OnChar('`');
    for (const char* c = "cove"; *c; ++c) engine->OnChar(*c);
    engine->OnChar('\r');
    EXPECT_TRUE(m_out.Has("You stand on the shore of Orrelin Cove.")) << m_out.text;
    kazShutdown();
    EXPECT_TRUE(m_out.Has("Cove: leaving the cove after 12 frames.")) << m_out.text;
    EXPECT_FALSE(m_out.Has("Traceback")) << m_out.text;
  }
}

}  // namespace
