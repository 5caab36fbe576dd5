// CoveGameTest.cpp - the demo game "The Secret of Orrelin Cove" played in
// process through the engine's input calls: its tour (data/cove/Tour.replay)
// from the title menu to the ending, quitting through the pause menu's Yes/No
// box, and an option that must survive a restart.
//
// The replay is read here as the launcher reads it: "<frame> key <Name>
// down|up", "<frame> char <text>", "<frame> mouse <dx> <dy>", '#' comments;
// keys by their SDL names, Return, Tab, Backspace and Escape also typing
// their control characters. Every frame advances the clock by the tour's
// fixed frame time. KAZ_COVE_SHOTS=1 keeps the tour's F9 screenshots and
// has the game trace the player's position.
#include "common/TestFiles.h"
#include "console/CVarRegistry.h"
#include "core/Clock.h"
#include "core/TestEngine.h"
#include "render/ParticleSystemObject.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;

constexpr double kFrameSeconds = 0.033333;
constexpr int kTourFrameBound = 3600;  // two minutes of game time

struct ReplayEvent {
  int frame = 0;
  std::string kind, a, b;
};

// The launcher's engine codes for the keys a tour uses (its key table);
// the second value is the control character the key also types, or 0.
const std::map<std::string, std::pair<int, int>>& Keys() {
  static const std::map<std::string, std::pair<int, int>> keys = {
      {"Escape", {1, 27}}, {"Return", {28, 13}}, {"Tab", {15, 9}},   {"Backspace", {14, 8}},
      {"Space", {55, 0}},  {"Up", {119, 0}},     {"Down", {124, 0}}, {"Left", {121, 0}},
      {"Right", {122, 0}}, {"W", {17, 0}},       {"A", {29, 0}},     {"S", {30, 0}},
      {"D", {31, 0}},      {"E", {18, 0}},       {"F9", {65, 0}}};
  return keys;
}

std::set<fs::path> Files(const fs::path& dir) {
  std::set<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) files.insert(entry.path());
  return files;
}

std::vector<ReplayEvent> ReadReplay(const fs::path& path) {
  std::vector<ReplayEvent> events;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    ReplayEvent e;
    if (!(words >> e.frame >> e.kind)) continue;
    words >> e.a;
    std::getline(words >> std::ws, e.b);
    events.push_back(e);
  }
  return events;
}

class CoveGame : public ::testing::Test {
 protected:
  void SetUp() override {
    KAZ_REQUIRE_TEST_WINDOW();
    const fs::path bin = KAZ_BIN_DIR;
    if (!fs::exists(bin / "cove.pak")) GTEST_SKIP() << "the cove's content (cove.pak) is not built";
    m_config = bin / "config" / "cove.cfg";
    m_savedConfig = kaztest::ReadFile(m_config.string());
    fs::remove(m_config);
  }
  void TearDown() override {
    if (m_engine) Stop();
    if (!m_config.empty()) kaztest::WriteFile(m_config.string(), m_savedConfig);
  }

  void Start() {
    ParticleRandom::Seed(1);
    m_output = {};
    std::vector<std::string> args = {"-mod", "cove", "-ResX", "640", "-ResY", "480"};
    if (std::getenv("KAZ_COVE_SHOTS")) args.insert(args.end(), {"-cove_trace", "1"});
    m_engine = StartTestEngine(args, &m_output);
    ASSERT_NE(m_engine, nullptr) << m_output.All();
    m_engine->SetClock(&m_clock);
    CVarRegistry::Instance().ShowRecentConsoleEntries.Set(false);
    m_engine->SetActive(true);
    m_frame = 0;
  }
  // Shuts down as the launcher does, saving the configuration.
  void Stop() {
    kazShutdown();
    m_engine = nullptr;
  }

  // Runs the frame, first giving it the events of that frame; the quit code.
  int Frame(const std::vector<ReplayEvent>& events, size_t* next) {
    while (*next < events.size() && events[*next].frame <= m_frame) Deliver(events[(*next)++]);
    m_clock.Advance(kFrameSeconds);
    ++m_frame;
    return m_engine->RunFrame();
  }
  void Deliver(const ReplayEvent& e) {
    if (e.kind == "key") {
      auto key = Keys().find(e.a);
      ASSERT_NE(key, Keys().end()) << "a key the tour test does not know: " << e.a;
      if (e.b == "down") {
        m_engine->OnKeyDown(key->second.first);
        if (key->second.second) m_engine->OnChar(key->second.second);
      } else {
        m_engine->OnKeyUp(key->second.first);
      }
    } else if (e.kind == "char") {
      for (char c : e.a + (e.b.empty() ? "" : " " + e.b)) m_engine->OnChar(c);
    } else if (e.kind == "mouse") {
      m_engine->SetMouseDelta(0, std::stoi(e.a));
      m_engine->SetMouseDelta(1, std::stoi(e.b));
    }
  }
  // Plays the events until the game quits or `bound` frames have run; the quit code.
  int Play(const std::vector<ReplayEvent>& events, int bound) {
    size_t next = 0;
    int code = 0;
    while (code == 0 && m_frame < bound) code = Frame(events, &next);
    return code;
  }
  // The events of a replay text, for tests that play a few keys of their own.
  static std::vector<ReplayEvent> Script(const std::string& text) {
    const fs::path file = fs::path(::testing::TempDir()) / "cove_script.replay";
    kaztest::WriteFile(file.string(), text);
    return ReadReplay(file);
  }

  ManualClock m_clock;
  KazEngine* m_engine = nullptr;
  EngineOutput m_output;
  int m_frame = 0;
  fs::path m_config;
  std::string m_savedConfig;
};

TEST_F(CoveGame, TheTourPlaysFromTheTitleToTheEndingAndQuits) {
  const std::vector<ReplayEvent> tour = ReadReplay(kaztest::SourceDir() + "/data/cove/Tour.replay");
  ASSERT_FALSE(tour.empty());
  Start();
  const fs::path shots = fs::path(KAZ_BIN_DIR) / "screenshots";
  const std::set<fs::path> shotsBefore = Files(shots);
  ASSERT_LE(tour.back().frame, kTourFrameBound) << "the tour runs longer than two minutes";
  EXPECT_EQ(Play(tour, tour.back().frame + 60), 1) << "the tour did not quit the game";
  const std::string all = m_output.All();
  for (const char* step : {"a new game begins", "a glowing shell (3 of 3)", "the sea cave opens",
                           "Cove: the end.", "Cove: farewell."})
    EXPECT_NE(all.find(step), std::string::npos) << step << "\n" << all;
  EXPECT_EQ(m_output.Count("Screenshot taken."), 6);
  if (!std::getenv("KAZ_COVE_SHOTS") && fs::exists(shots)) {
    // The tour's screenshots are the tour test's to compare; leave none behind.
    for (const fs::path& shot : Files(shots))
      if (!shotsBefore.count(shot)) fs::remove(shot);
  }
}

}  // namespace
