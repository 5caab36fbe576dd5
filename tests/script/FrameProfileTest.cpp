// FrameProfileTest.cpp - the "profile" command on the running engine (the
// scripting sample mod "lagoon"): a report of N frames names every part once
// with numbers that hold together, the parts add up to the frames as the test
// itself measures them, a script's sleep shows in the scripts part, and the
// overlay goes away when switched off again.
#include "script/PythonSupport.h"

#include "base/FrameProfiler.h"
#include "core/TestEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Range {
  double min = -1, mean = -1, max = -1;
};

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

class FrameProfileTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_NE(Start({"-mod", "lagoon", "-ResX", "160", "-ResY", "120"}, "Lagoon"), nullptr)
        << m_out.All();
    m_engine->StopFade();
  }
  // Real frames; returns the start time of each, and of the one after the last.
  std::vector<double> TimedFrames(int frames) {
    std::vector<double> starts;
    for (int i = 0; i <= frames; ++i) {
      starts.push_back(Now());
      Run(1, 0.02);
    }
    return starts;
  }
  // The report's lines by name ("physics", ..., "frame", "draw calls"); a
  // name printed twice is kept twice under "name#2".
  std::map<std::string, Range> Report() const {
    std::map<std::string, Range> rows;
    bool in = false;
    for (const std::string& line : m_out.lines) {
      if (line.find("--- Profile of") != std::string::npos) in = true;
      if (!in || line.rfind("[cyan]", 0) != 0) continue;
      const size_t colon = line.find("[grey]:");
      if (colon == std::string::npos) continue;
      std::string name = line.substr(6, colon - 6);
      while (!name.empty() && name.back() == ' ') name.pop_back();
      Range r;
      if (std::sscanf(line.c_str() + colon + 7, " [white]%lf %lf %lf", &r.min, &r.mean, &r.max) !=
          3)
        continue;
      if (rows.count(name)) name += "#2";
      rows[name] = r;
    }
    return rows;
  }
};

TEST_F(FrameProfileTest, ProfileNPrintsEveryPartOnceAndThePartsAddUpToTheFrame) {
  EXPECT_EQ(m_engine->ExecuteCommand(false, "profile nine"), -1);
  EXPECT_EQ(m_out.Count("profile: 'nine' is not a number of frames"), 1) << m_out.All();
  EXPECT_EQ(m_engine->ExecuteCommand(false, "profile 0"), -1);
  EXPECT_EQ(m_engine->ExecuteCommand(false, "help profile"), 0);
  EXPECT_EQ(m_out.Count("profile [frames [finish]]"), 1);
  EXPECT_EQ(m_engine->ExecuteCommand(false, "profile 5 finnish"), -1);
  EXPECT_EQ(m_out.Count("profile: 'finnish' is not 'finish'"), 1) << m_out.All();
  EXPECT_EQ(m_engine->ExecuteCommand(false, "profile 5 finish now"), -1);
  EXPECT_EQ(m_out.Count("profile: 'now' is not 'finish'"), 1) << m_out.All();
  EXPECT_FALSE(FrameProfiler::Instance().IsTiming());
  Run(3, 0.02);

  ASSERT_EQ(m_engine->ExecuteCommand(false, "profile 10"), 0);
  const std::vector<double> starts = TimedFrames(10);
  EXPECT_FALSE(FrameProfiler::Instance().IsTiming());
  EXPECT_EQ(m_out.Count("--- Profile of 10 frames"), 1) << m_out.All();
  const std::map<std::string, Range> rows = Report();
  double sumOfMeans = 0.0;
  for (uint32_t p = 0; p < ProfilePart_Count; ++p) {
    const std::string name = GetProfilePartName(p);
    ASSERT_EQ(rows.count(name), 1u) << name << "\n" << m_out.All();
    EXPECT_EQ(rows.count(name + "#2"), 0u) << name;
    const Range& r = rows.at(name);
    EXPECT_GE(r.min, 0.0) << name;
    EXPECT_LE(r.min, r.mean) << name;
    EXPECT_LE(r.mean, r.max) << name;
    EXPECT_LT(r.max, 10000.0) << name;
    sumOfMeans += r.mean;
  }
  // The world is drawn: culling, the ambient pass and presentation took time.
  for (const char* busy : {"cull", "ambient", "present", "2d"})
    EXPECT_GT(rows.at(busy).max, 0.0) << busy;
  ASSERT_EQ(rows.count("frame"), 1u);
  const Range frame = rows.at("frame");
  EXPECT_NEAR(sumOfMeans, frame.mean, 0.05 * frame.mean);
  // The frames as this test saw them: from one RunFrame to the next.
  const double measured = (starts.back() - starts.front()) / 10.0 * 1000.0;
  EXPECT_NEAR(frame.mean, measured, 0.05 * measured);
  for (const char* count : {"draw calls", "passes", "triangles"}) {
    ASSERT_EQ(rows.count(count), 1u) << count;
    EXPECT_GT(rows.at(count).min, 0.0) << count;
  }
}

TEST_F(FrameProfileTest, ProfileNFinishReportsEveryPartWithTheDeviceWaitedFor) {
  Run(2, 0.02);
  ASSERT_EQ(m_engine->ExecuteCommand(false, "profile 4 finish"), 0) << m_out.All();
  EXPECT_EQ(m_out.Count("each part waiting for the device"), 1) << m_out.All();
  TimedFrames(4);
  EXPECT_FALSE(FrameProfiler::Instance().IsTiming());
  const std::map<std::string, Range> rows = Report();
  for (uint32_t p = 0; p < ProfilePart_Count; ++p)
    EXPECT_EQ(rows.count(GetProfilePartName(p)), 1u) << GetProfilePartName(p) << m_out.All();
  for (const char* busy : {"ambient", "present"}) EXPECT_GT(rows.at(busy).max, 0.0) << busy;
}

TEST_F(FrameProfileTest, AScriptThatSleepsShowsInTheScriptsPart) {
  ASSERT_EQ(PyRun_SimpleString("import time, Lagoon\n"
                               "_plain = Lagoon.LagoonApplication.OnUpdate\n"
                               "def _slow(self):\n"
                               "    time.sleep(0.005)\n"
                               "    return _plain(self)\n"
                               "Lagoon.LagoonApplication.OnUpdate = _slow\n"),
            0);
  ASSERT_EQ(m_engine->ExecuteCommand(false, "profile 5"), 0);
  TimedFrames(5);
  const std::map<std::string, Range> rows = Report();
  ASSERT_EQ(rows.count("scripts"), 1u) << m_out.All();
  EXPECT_GE(rows.at("scripts").min, 5.0);
  // The sleep is the scripts' alone.
  EXPECT_LT(rows.at("objects").min, 5.0);
  EXPECT_LT(rows.at("physics").min, 5.0);
}

TEST_F(FrameProfileTest, ProfileTwiceLeavesNoOverlay) {
  // An inactive engine does not draw the console, which would empty the notices
  // before the test could read them; an active frame empties them.
  const auto overlaidNextFrame = [this] {
    m_engine->SetActive(true);
    Run(1, 0.02);
    m_engine->SetActive(false);
    Run(1, 0.02);
    for (const std::string& notice : m_engine->GetConsole().GetNotices())
      if (notice.find("--- Profile (ms) ---") != std::string::npos) return true;
    return false;
  };
  EXPECT_FALSE(overlaidNextFrame());
  ASSERT_EQ(m_engine->ExecuteCommand(false, "profile"), 0);
  EXPECT_TRUE(overlaidNextFrame());
  EXPECT_TRUE(FrameProfiler::Instance().IsTiming());
  EXPECT_GT(FrameProfiler::Instance().GetLastFrame().frame, 0.0);
  ASSERT_EQ(m_engine->ExecuteCommand(false, "profile"), 0);
  EXPECT_FALSE(overlaidNextFrame());
  EXPECT_FALSE(FrameProfiler::Instance().IsTiming());
}

}  // namespace
