// FrameProfilerTest.cpp - the frame profiler's bookkeeping: nested scopes
// charge only their own time, the parts add up to the frame, reports cover
// exactly the frames asked for, and nothing is recorded while it is off.
#include "base/FrameProfiler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

void Busy(double ms) {
  // A sleep, not a spin: the machine may be shared, and a sleep's time is still wall time.
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

double Sum(const FrameProfile& frame) {
  double sum = 0.0;
  for (double s : frame.seconds) sum += s;
  return sum;
}

class FrameProfilerTest : public ::testing::Test {
 protected:
  void SetUp() override { FrameProfiler::Instance().Reset(); }
  void TearDown() override { FrameProfiler::Instance().Reset(); }
  FrameProfiler& P() { return FrameProfiler::Instance(); }
};

TEST_F(FrameProfilerTest, OffRecordsNothing) {
  EXPECT_FALSE(P().IsTiming());
  P().BeginFrame();
  {
    ProfileScope scope(ProfilePart_Physics);
    P().CountDraw(12);
    Busy(1);
  }
  P().BeginFrame();
  EXPECT_EQ(P().GetLastFrame().frame, 0.0);
  EXPECT_EQ(P().GetLastFrame().counts[ProfileCount_Draws], 0u);
}

TEST_F(FrameProfilerTest, NestedScopesChargeOnlyTheirOwnTimeAndPartsAddUpToTheFrame) {
  P().SetOverlay(true);
  P().BeginFrame();
  {
    ProfileScope physics(ProfilePart_Physics);
    Busy(4);
    {
      // A script called back from inside the physics step pauses the physics.
      ProfileScope scripts(ProfilePart_Scripts);
      Busy(6);
    }
    Busy(2);
  }
  P().CountDraw(100);
  P().CountDraw(20);
  P().CountPass();
  Busy(3);  // nobody claims this: the rest
  P().BeginFrame();
  const FrameProfile& f = P().GetLastFrame();
  EXPECT_GE(f.seconds[ProfilePart_Physics], 0.0055);
  EXPECT_GE(f.seconds[ProfilePart_Scripts], 0.0055);
  EXPECT_GE(f.seconds[ProfilePart_Rest], 0.0028);
  // Exclusive parts: the scripts' time is not in the physics' as well.
  EXPECT_LT(f.seconds[ProfilePart_Physics], f.frame - f.seconds[ProfilePart_Scripts]);
  EXPECT_NEAR(Sum(f), f.frame, 1e-9);
  EXPECT_GE(f.frame, 0.015);
  EXPECT_EQ(f.counts[ProfileCount_Draws], 2u);
  EXPECT_EQ(f.counts[ProfileCount_Triangles], 120u);
  EXPECT_EQ(f.counts[ProfileCount_Passes], 1u);
  // Switched off, it keeps the last frame but times nothing more.
  P().SetOverlay(false);
  EXPECT_FALSE(P().IsTiming());
}

TEST_F(FrameProfilerTest, AReportCoversTheFramesAskedForThenStops) {
  P().StartReport(3);
  EXPECT_TRUE(P().IsTiming());
  for (int frame = 0; frame < 3; ++frame) {
    P().BeginFrame();
    ProfileScope lit(ProfilePart_Lit);
    P().CountDraw(uint32_t(frame));
    Busy(1 + frame);
  }
  ProfileSummary summary;
  EXPECT_FALSE(P().TakeReport(&summary));  // the third frame is still open
  P().BeginFrame();
  ASSERT_TRUE(P().TakeReport(&summary));
  EXPECT_FALSE(P().TakeReport(&summary));  // handed out once
  EXPECT_FALSE(P().IsTiming());            // no overlay: timing stops with the report
  EXPECT_EQ(summary.frames, 3u);
  const ProfileSummary::Range& lit = summary.parts[ProfilePart_Lit];
  EXPECT_GE(lit.min, 0.0009);
  EXPECT_GE(lit.max, 0.0029);
  EXPECT_LE(lit.min, lit.mean);
  EXPECT_LE(lit.mean, lit.max);
  EXPECT_EQ(summary.counts[ProfileCount_Triangles].min, 0.0);
  EXPECT_EQ(summary.counts[ProfileCount_Triangles].max, 2.0);
  EXPECT_DOUBLE_EQ(summary.counts[ProfileCount_Triangles].mean, 1.0);
  EXPECT_DOUBLE_EQ(summary.counts[ProfileCount_Draws].mean, 1.0);
  EXPECT_LE(summary.frame.min, summary.frame.max);
  // With the overlay on, timing goes on after the report.
  P().SetOverlay(true);
  P().StartReport(1);
  P().BeginFrame();
  P().BeginFrame();
  EXPECT_TRUE(P().TakeReport(&summary));
  EXPECT_TRUE(P().IsTiming());
}

// A device that takes its time: each wait charges what was handed over to
// the part that handed it, and a report without "finish" never waits.
class SlowFence : public ProfileFence {
 public:
  void Finish() override {
    ++waits;
    Busy(2);
  }
  int waits = 0;
};

TEST_F(FrameProfilerTest, AFinishingReportWaitsForTheDeviceAtTheEndOfEveryPartOfItsFramesOnly) {
  SlowFence fence;
  P().SetFence(&fence);
  P().StartReport(2);
  for (int frame = 0; frame < 3; ++frame) {
    P().BeginFrame();
    ProfileScope ambient(ProfilePart_Ambient);
  }
  EXPECT_EQ(fence.waits, 0);
  ProfileSummary summary;
  ASSERT_TRUE(P().TakeReport(&summary));
  P().StartReport(2, true);
  for (int frame = 0; frame < 3; ++frame) {
    P().BeginFrame();
    ProfileScope ambient(ProfilePart_Ambient);
    ProfileScope lit(ProfilePart_Lit);  // ambient's work is waited for as lit starts
  }
  P().BeginFrame();
  // A wait as each part is entered and as it is left: four a frame, for the
  // report's two frames; none in the frame after it.
  EXPECT_EQ(fence.waits, 8);
  ASSERT_TRUE(P().TakeReport(&summary));
  EXPECT_GE(summary.parts[ProfilePart_Ambient].min, 0.0039);
  EXPECT_GE(summary.parts[ProfilePart_Lit].min, 0.0019);
  P().SetFence(nullptr);
}

TEST_F(FrameProfilerTest, UnbalancedAndTooDeepScopesDoNotCorruptTheFrame) {
  P().SetOverlay(true);
  P().BeginFrame();
  P().Leave();  // a scope that opened before timing started
  for (int i = 0; i < 40; ++i) P().Enter(ProfilePart_Objects);
  for (int i = 0; i < 40; ++i) P().Leave();
  P().Leave();
  Busy(1);
  P().BeginFrame();
  const FrameProfile& f = P().GetLastFrame();
  EXPECT_NEAR(Sum(f), f.frame, 1e-9);
  EXPECT_GE(f.seconds[ProfilePart_Rest], 0.0008);
  // Switching timing on inside a scope leaves that scope's end harmless.
  P().SetOverlay(false);
  {
    ProfileScope early(ProfilePart_Sound);
    P().SetOverlay(true);
    P().BeginFrame();
  }
  P().BeginFrame();
  EXPECT_EQ(P().GetLastFrame().seconds[ProfilePart_Sound], 0.0);
}

}  // namespace
