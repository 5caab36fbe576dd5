// HarnessTest.cpp - the whole engine with scripts: the script test harness mod run headless
// with a driven clock and input, start-up cancelled by OnStartup, restarts,
// and the demo's scripts.
#include "console/CommandRegistry.h"
#include "core/TestEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

class HarnessTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // A configuration saved by an earlier run would change the defaults.
    std::filesystem::remove(KAZ_BIN_DIR "/config/scripttest.cfg");
  }
  bool Has(const std::string& text) const { return m_out.Count(text) > 0; }
  void Frames(KazEngine*, int count) { Run(count, 0.1); }
};

TEST_F(HarnessTest, EveryCheckPassesAndEveryFunctionIsExercised) {
  KazEngine* engine = Start({"-mod", "scripttest"}, "Kaz");
  ASSERT_NE(engine, nullptr) << m_out.All();
  EXPECT_TRUE(Has("ScriptTest: start-up checks done")) << m_out.All();
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

  EXPECT_FALSE(Has("[check] FAIL")) << m_out.All();
  EXPECT_FALSE(Has("NOT EXERCISED")) << m_out.All();
  EXPECT_FALSE(Has("Traceback")) << m_out.All();
  ASSERT_TRUE(Has("ScriptTest summary: ")) << m_out.All();
  EXPECT_TRUE(Has(" 0 failed, ")) << m_out.All();
  // Script commands left with the interpreter.
  EXPECT_EQ(CommandRegistry::Instance().Find("scripttest_mark"), nullptr);
}

TEST_F(HarnessTest, OnStartupReturningFalseOrOneCancelsStartup) {
  for (const char* mode : {"cancel", "cancel1"}) {
    m_out.lines.clear();
    EXPECT_EQ(Start({"-mod", "scripttest", "-ScriptTestMode", mode}, "Kaz"), nullptr) << mode;
    EXPECT_EQ(m_out.Count("KazStartup: Script cancelled engine startup (OnStartup)."), 1)
        << m_out.All();
    EXPECT_EQ(kazGetInterface(), nullptr);
  }
}

TEST_F(HarnessTest, TheDemoStartsThreeTimesAndItsLinesReachTheOutput) {
  for (int round = 0; round < 3; ++round) {
    m_out.lines.clear();
    KazEngine* engine = Start({}, "Kaz");
    ASSERT_NE(engine, nullptr) << m_out.All();
    EXPECT_TRUE(Has("Cove: the cove awaits")) << m_out.All();
    Frames(engine, 12);
    // Typed into the open console and confirmed with Enter.
    engine->OnChar('`');
    for (const char* c = "cove"; *c; ++c) engine->OnChar(*c);
    engine->OnChar('\r');
    EXPECT_TRUE(Has("Cove: 0 of 3 shells, the cave is shut.")) << m_out.All();
    kazShutdown();
    EXPECT_TRUE(Has("Cove: leaving the cove after 12 frames.")) << m_out.All();
    EXPECT_FALSE(Has("Traceback")) << m_out.All();
  }
}

}  // namespace
