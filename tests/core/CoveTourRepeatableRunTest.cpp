// CoveTourRepeatableRunTest.cpp - the options that make a replayed run repeat:
// with "fixedframe" every frame advances the engine's clock, and the time of
// animated effects, by exactly the step, whatever the wall clock does;
// "particleseed" seeds the particle generator. Bad values are refused with
// one warning each.
#include "core/TestEngine.h"
#include "render/gpu/VideoManager.h"
#include "render/world/ParticleSystemObject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

// Started on the wall clock (not EngineTest::Start's manual one), which the
// fixed step must override.
using FixedFrameTest = EngineTest;

TEST_F(FixedFrameTest, EveryFrameAdvancesTheClockByExactlyTheStep) {
  KazEngine* engine = StartTestEngine({"-fixedframe", "0.05", "-DrawHUD", "0"}, &m_out);
  ASSERT_NE(engine, nullptr) << m_out.All();
  EXPECT_EQ(m_out.Count("Every frame advances the clock by 0.05 seconds."), 1);
  const double clockBefore = engine->GetClockTime();
  const double effectBefore = engine->GetVideoManager()->GetTimeSinceStart();
  for (int frame = 0; frame < 3; ++frame) {
    // The wall clock runs on between frames; the engine's must not notice.
    std::this_thread::sleep_for(std::chrono::milliseconds(frame * 30));
    engine->RunFrame();
    EXPECT_FLOAT_EQ(engine->GetFrameDeltaTime(), 0.05f) << "frame " << frame;
  }
  EXPECT_NEAR(engine->GetClockTime() - clockBefore, 0.15, 1e-9);
  EXPECT_FLOAT_EQ(engine->GetTime(), 0.15f);
  EXPECT_NEAR(engine->GetVideoManager()->GetTimeSinceStart() - effectBefore, 0.15, 1e-9);
}

TEST_F(FixedFrameTest, ABadStepIsRefusedWithOneWarningAndTheClockRunsFree) {
  for (const char* bad : {"abc", "0", "nan", "2", "0.05s"}) {
    m_out.lines.clear();
    KazEngine* engine = StartTestEngine({"-fixedframe", bad}, &m_out);
    ASSERT_NE(engine, nullptr) << m_out.All();
    EXPECT_EQ(m_out.Count("Ignoring fixedframe '" + std::string(bad) + "'"), 1) << bad;
    EXPECT_EQ(engine->GetFixedFrameTime(), 0.0) << bad;
    kazShutdown();
  }
}

TEST_F(FixedFrameTest, ParticleSeedMakesEveryStartDrawTheSameParticles) {
  const uint32_t before[2] = {99, 12345};  // whatever the generator was at
  uint32_t next[2] = {};
  for (int run = 0; run < 2; ++run) {
    ParticleRandom::Seed(before[run]);
    ASSERT_NE(StartTestEngine({"-particleseed", "7"}, &m_out), nullptr) << m_out.All();
    next[run] = ParticleRandom::Next();
    kazShutdown();
  }
  EXPECT_EQ(next[0], next[1]);
  m_out.lines.clear();
  ASSERT_NE(StartTestEngine({"-particleseed", "seven"}, &m_out), nullptr) << m_out.All();
  EXPECT_EQ(m_out.Count("Ignoring particleseed 'seven'"), 1);
}
