// TestEngine.h - starts the engine in a test as the launcher would.
//
// StartTestEngine resets the console variables, puts the launcher's path in
// front of `args`, opens the engine on the hidden test window over the "cove"
// base package and collects every line it prints. The test shuts it down
// (kazShutdown) and resets the variables again before the configuration is
// saved; EngineTest does both for a fixture that runs an active engine on a
// manual clock and takes screenshots. Builds on TestWindow.h, the engine's
// exported interface and the shared test helpers.
#pragma once

#include "base/KazEngine.h"
#include "common/ImageCompare.h"
#include "common/TestFiles.h"
#include "console/CVarRegistry.h"
#include "core/Engine.h"
#include "core/TestWindow.h"
#include "render/gpu/VideoManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The lines an engine printed, one entry a print.
struct EngineOutput {
  std::vector<std::string> lines;
  // How many lines hold `needle`.
  int Count(const std::string& needle) const {
    int n = 0;
    for (const std::string& line : lines)
      if (line.find(needle) != std::string::npos) ++n;
    return n;
  }
  std::string All() const {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
  }
  static void Collect(const char* text, bool, void* self) {
    static_cast<EngineOutput*>(self)->lines.emplace_back(text);
  }
};

// Null when start-up fails (its lines are then in *output).
inline KazEngine* StartTestEngine(std::vector<std::string> args, EngineOutput* output,
                                  const char* title = "t") {
  CVarRegistry::Instance().ResetBuiltins();
  args.insert(args.begin(), KAZ_BIN_DIR "/shell");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return static_cast<KazEngine*>(kazStartup(static_cast<int>(args.size()), argv.data(),
                                            TestWindow(), title, "cove", &EngineOutput::Collect,
                                            output));
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { KAZ_REQUIRE_TEST_WINDOW(); }
  void TearDown() override {
    CVarRegistry::Instance().ResetBuiltins();
    if (kazGetInterface()) kazShutdown();
  }
  // The engine, active on the manual clock; null when start-up fails.
  KazEngine* Start(std::vector<std::string> args, const char* title = "t") {
    m_engine = StartTestEngine(std::move(args), &m_out, title);
    if (m_engine) {
      m_engine->SetClock(&m_clock);
      m_engine->SetActive(true);
    }
    return m_engine;
  }
  // Frames `seconds` apart, up to the first quit code, which is returned.
  int Run(int frames, double seconds) {
    int code = 0;
    for (int i = 0; i < frames && code == 0; ++i) {
      m_clock.Advance(seconds);
      code = m_engine->RunFrame();
    }
    return code;
  }
  // What F9 does, into this test's own folder: tests running side by side
  // would otherwise number their shots in one shared folder.
  std::string Screenshot() {
    EXPECT_TRUE(GetVideoManager()->TakeScreenShot(m_shots.Str().c_str(), "screenshot"));
    return kaztest::NewestScreenshot(m_shots.Str());
  }
  // F9 itself, into the base directory's folder.
  std::string PressF9() {
    const int taken = m_out.Count("Screenshot taken.");
    m_engine->OnKeyDown(EngineKey_F9);
    m_engine->OnKeyUp(EngineKey_F9);
    EXPECT_EQ(m_out.Count("Screenshot taken."), taken + 1) << m_out.All();
    return kaztest::NewestScreenshot(KAZ_BIN_DIR "/screenshots");
  }

  EngineOutput m_out;
  ManualClock m_clock;
  KazEngine* m_engine = nullptr;
  kaztest::TempDir m_shots{"shots"};
};
