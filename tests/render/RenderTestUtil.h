// Shared fixtures for the rendering tests: a log recorder, the package file
// system over tests/data/render and data/base, and a video manager on the
// fake device (or on real OpenGL, skipped when no context can be had).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/CVarRegistry.h"
#include "core/Log.h"
#include "render/VideoManager.h"
#include "render/fake/FakeDevice.h"
#include "tier0/FileSystem.h"

namespace rendertest {

struct LogLine {
  LogLevel level;
  std::string text;
};

inline std::vector<LogLine>& Lines() {
  static std::vector<LogLine> lines;
  return lines;
}

inline void Record(const char* text, LogLevel level) {
  Lines().push_back({level, text});
}

inline int CountContaining(const std::string& part, int level = -1) {
  int n = 0;
  for (const LogLine& l : Lines())
    if (l.text.find(part) != std::string::npos && (level < 0 || l.level == level)) ++n;
  return n;
}

inline int CountLevel(LogLevel level) {
  int n = 0;
  for (const LogLine& l : Lines())
    if (l.level == level) ++n;
  return n;
}

inline std::string AllLines() {
  std::string s;
  for (const LogLine& l : Lines()) s += std::to_string(int(l.level)) + ": " + l.text + "\n";
  return s;
}

inline void MountTestData() {
  if (!FileSystem::IsInitialized()) FileSystem::Init("test_render");
  for (const std::string& p : FileSystem::GetSearchPaths()) FileSystem::RemoveFromSearchPath(p);
  FileSystem::AddToSearchPath(KAZ_TEST_DATA_DIR "/render", true);
  FileSystem::AddToSearchPath(KAZ_SOURCE_DIR "/data/base", true);
}

// The script the next fake system is made from.
inline FakeScript& NextScript() {
  static FakeScript script;
  return script;
}
inline FakeSystem*& LastFakeSystem() {
  static FakeSystem* system = nullptr;
  return system;
}
inline bool& RefuseSystem() {
  static bool refuse = false;
  return refuse;
}

inline GSystem* MakeFakeSystem(void*, std::string* reason) {
  if (RefuseSystem()) {
    *reason = "no OpenGL here";
    return nullptr;
  }
  FakeSystem* s = static_cast<FakeSystem*>(CreateFakeSystem(NextScript()));
  LastFakeSystem() = s;
  return s;
}

// A video manager on the fake device; each test scripts NextScript() first.
class FakeVideoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Lines().clear();
    SetLogHandler(Record);
    CVarRegistry::Instance().ResetBuiltins();
    NextScript() = FakeScript();
    RefuseSystem() = false;
    LastFakeSystem() = nullptr;
    MountTestData();
  }
  void TearDown() override {
    DestroyVideoManager();
    CVarRegistry::Instance().ResetBuiltins();
    SetLogHandler(nullptr);
  }
  // Creates the manager and sets the mode from the console variables.
  GLVideoManager* Start(int expectMode = 0) {
    int dummyWindow = 0;
    VideoManager* vm = CreateVideoManager(&dummyWindow, MakeFakeSystem);
    if (!vm) return nullptr;
    int r = vm->SetDisplayMode();
    EXPECT_EQ(r, expectMode) << AllLines();
    return static_cast<GLVideoManager*>(vm);
  }
  FakeDevice* Device() { return LastFakeSystem() ? LastFakeSystem()->LastDevice() : nullptr; }
};

}  // namespace rendertest
