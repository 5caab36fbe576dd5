// FrameLoopTest.cpp - the frame loop on a manual clock: deltas, time warp, input routing to the
// console, events with their codes and categories, fades and flashes. F9 screenshots are
// taken by the sample-mod tests.
#include "console/CVarRegistry.h"
#include "console/ColourMarkup.h"
#include "core/TestEngine.h"
#include "tier1/World.h"
#include "tier1/WorldObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Recorder : IEngineEventListener {
  std::vector<EngineEvent> events;
  void OnEvent(const EngineEvent& e) override { events.push_back(e); }
  int Count(int code, int key = -1) const {
    int n = 0;
    for (const EngineEvent& e : events)
      if (e.code == code && (key < 0 || e.key == key)) ++n;
    return n;
  }
};

EngineOutput g_output;

class FrameLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KAZ_REQUIRE_TEST_WINDOW();
    g_output.lines.clear();
    // An empty world and no menu: the gallery mod's scene is placed only by its own test.
    engine_ = StartTestEngine({"-mod", "gallery", "-DrawHUD", "0"}, &g_output);
    ASSERT_NE(engine_, nullptr) << g_output.All();
    engine_->SetClock(&clock_);
    engine_->GetEventListeners().Add(&recorder_,
                                     EngineEventCategory_Engine | EngineEventCategory_Input);
  }
  void TearDown() override {
    if (engine_) engine_->GetEventListeners().Remove(&recorder_);
    // Back to the defaults before shutdown saves them into the bin folder's configuration.
    CVarRegistry::Instance().ResetBuiltins();
    kazShutdown();
  }
  int Frame(double seconds) {
    clock_.Advance(seconds);
    return engine_->RunFrame();
  }

  ManualClock clock_;
  KazEngine* engine_ = nullptr;
  Recorder recorder_;
};

}  // namespace

TEST_F(FrameLoopTest, FirstFrameUsesASixtiethThenTheClockScaledByTimeWarp) {
  Frame(5.0);  // whatever passed before, the first frame is 1/60 s
  EXPECT_FLOAT_EQ(engine_->GetFrameDeltaTime(), 1.0f / 60.0f);
  Frame(0.020);
  EXPECT_NEAR(engine_->GetFrameDeltaTime(), 0.020f, 1e-6f);
  EXPECT_NEAR(engine_->GetTime(), 1.0f / 60.0f + 0.020f, 1e-6f);
  CVarRegistry::Instance().TimeWarp.Set(0.5f);
  float before = engine_->GetTime();
  Frame(0.020);
  EXPECT_NEAR(engine_->GetTime() - before, 0.010f, 1e-6f);
  CVarRegistry::Instance().TimeWarp.Set(0.0f);  // stops the clock
  before = engine_->GetTime();
  Frame(1.0);
  Frame(1.0);
  EXPECT_EQ(engine_->GetTime(), before);
  EXPECT_EQ(engine_->GetFrameDeltaTime(), 0.0f);
}

TEST_F(FrameLoopTest, KeysAreEventsWithTheirCategoryAndPressedOnlyOnce) {
  engine_->OnKeyDown(30);
  engine_->OnKeyDown(30);  // auto-repeat: no second KeyPressed
  engine_->OnChar('a');
  engine_->OnKeyUp(30);
  engine_->OnKeyUp(30);
  // Key codes outside the table are ignored.
  for (int key : {-1, kNumHeldKeys, 1000, 0x7fffffff}) {
    engine_->OnKeyDown(key);
    engine_->OnKeyUp(key);
    EXPECT_FALSE(engine_->IsKeyHeld(key));
  }
  ASSERT_EQ(recorder_.events.size(), 3u);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyPressed, 30), 1);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyReleased, 30), 1);
  EXPECT_EQ(recorder_.Count(EngineEvent_Char, 'a'), 1);
  for (const EngineEvent& e : recorder_.events) {
    EXPECT_EQ(e.category, EngineEventCategory_Input);
    EXPECT_EQ(e.engine, engine_);
  }
}

TEST_F(FrameLoopTest, OpeningTheConsoleReleasesHeldKeysAndSwallowsInput) {
  engine_->OnKeyDown(30);
  engine_->OnChar('`');
  EXPECT_TRUE(engine_->IsConsoleOpen());
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyReleased, 30), 1);
  EXPECT_FALSE(engine_->IsKeyHeld(30));
  recorder_.events.clear();
  engine_->OnKeyDown(31);
  engine_->OnKeyUp(31);
  engine_->OnChar('r');
  EXPECT_TRUE(recorder_.events.empty());
  EXPECT_EQ(engine_->GetConsole().GetInput(), "r");
  engine_->OnKeyDown(EngineKey_Escape);  // clears the input line
  EXPECT_EQ(engine_->GetConsole().GetInput(), "");
  engine_->OnChar('`');
  EXPECT_FALSE(engine_->IsConsoleOpen());
  engine_->OnKeyDown(31);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyPressed, 31), 1);
}

TEST_F(FrameLoopTest, ActivationBlockingAndTheCursor) {
  engine_->SetActive(true);
  engine_->SetActive(true);
  engine_->OnKeyDown(17);
  engine_->SetActive(false);
  engine_->SetActive(true);
  EXPECT_EQ(recorder_.Count(EngineEvent_Activated), 2);  // on change only
  EXPECT_EQ(recorder_.Count(EngineEvent_Deactivated), 1);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyReleased, 17), 1);
  for (const EngineEvent& e : recorder_.events)
    EXPECT_TRUE(e.code != EngineEvent_Activated || e.category == EngineEventCategory_Engine);

  // Blocking input clears held keys silently.
  engine_->OnKeyDown(17);
  engine_->SetInputBlocked(true);
  EXPECT_TRUE(engine_->IsInputBlocked());
  EXPECT_FALSE(engine_->IsKeyHeld(17));
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyReleased, 17), 1);

  CVarRegistry::Instance().ResX.Set(800);
  CVarRegistry::Instance().ResY.Set(600);
  engine_->SetCursorPosition(-5, 10000);
  EXPECT_EQ(engine_->GetCursorX(), 0);
  EXPECT_EQ(engine_->GetCursorY(), 600);
}

TEST_F(FrameLoopTest, StatisticsAreQueuedAsNoticesAndCountObjectsByType) {
  CVarRegistry::Instance().FPS.Set(true);
  CVarRegistry::Instance().WorldStats.Set(true);
  Frame(0.0);
  std::vector<std::string> notices = engine_->GetConsole().GetNotices();
  ASSERT_GE(notices.size(), 16u);
  EXPECT_EQ(notices[0].rfind("FPS: ", 0), 0u);
  EXPECT_EQ(notices[1], " ");
  EXPECT_EQ(notices[2], ConvertColourTags("[orange]--- World ---"));
  EXPECT_EQ(notices[3], ConvertColourTags("[cyan]Null(s) [grey]: [white]0"));
  EXPECT_EQ(notices[14], ConvertColourTags("[cyan]Particles[grey] : [white]0"));
}

TEST(ScreenEffectsTest, FadeAndFlashFollowTheSineCurve) {
  FadeEffect up;
  up.Start(0.0, 2.0f, false);
  EXPECT_NEAR(up.Update(0.0), std::sin(1.57f), 1e-5f);  // starts black
  EXPECT_NEAR(up.Update(1.0), std::sin(0.5f * 1.57f), 1e-5f);
  EXPECT_LT(up.Update(2.0), 1e-5f);
  EXPECT_LT(up.Update(2.1), 0.0f);
  EXPECT_FALSE(up.active);

  FadeEffect down;
  down.Start(0.0, 2.0f, true);
  EXPECT_NEAR(down.Update(0.0), 0.0f, 1e-5f);  // goes to black
  EXPECT_NEAR(down.Update(2.0), std::sin(1.57f), 1e-5f);

  FadeEffect zero;
  zero.Start(10.0, 0.0f, false);
  float opacity = zero.Update(10.0);
  EXPECT_FALSE(opacity == opacity && opacity > 0.0f);  // not drawn, and never NaN-drawn
  EXPECT_FALSE(zero.active);

  FlashEffect flash;
  flash.Start(0.0, 1.0f, 1.0f, 0.5f, 0.0f);
  EXPECT_NEAR(flash.Update(0.5), std::sin(0.5f * 1.57f), 1e-5f);
  flash.Start(3.0, 0.0f, 1, 1, 1);
  EXPECT_LT(flash.Update(3.0), 0.0f);
}

TEST_F(FrameLoopTest, FadesAndFlashesRunOnTheClock) {
  engine_->StartFade(0.0f, true);
  Frame(0.016);
  EXPECT_FALSE(engine_->GetFade().active);
  ASSERT_TRUE(engine_->StartFlash(0.5f, 1, 0.5f, 0));
  EXPECT_TRUE(engine_->GetFlash().active);
  Frame(0.25);
  EXPECT_TRUE(engine_->GetFlash().active);
  Frame(0.3);
  EXPECT_FALSE(engine_->GetFlash().active);
}

TEST_F(FrameLoopTest, HeldKeysAndMouseBecomeEventsInWorldFrames) {
  ASSERT_NE(engine_->GetWorld(), nullptr);
  engine_->OnKeyDown(30);
  engine_->SetMouseDelta(0, 5);
  engine_->SetMouseDelta(1, -3);
  Frame(0.016);
  Frame(0.016);
  Frame(0.016);
  engine_->OnKeyUp(30);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyPressed, 30), 1);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyHeld, 30), 3);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyReleased, 30), 1);
  EXPECT_EQ(recorder_.Count(EngineEvent_Frame), 3);
  ASSERT_EQ(recorder_.Count(EngineEvent_MouseMoved), 1);  // the motion is used once
  for (const EngineEvent& e : recorder_.events) {
    if (e.code == EngineEvent_MouseMoved) {
      EXPECT_EQ(std::tie(e.dx, e.dy, e.category),
                std::make_tuple(5, -3, EngineEventCategory_Input));
    }
    EXPECT_TRUE(e.code != EngineEvent_Frame || e.category == EngineEventCategory_Engine);
  }
}

TEST_F(FrameLoopTest, GamePausedStopsWorldAndEventsButNotTheClock) {
  Frame(0.016);
  uint64_t steps = engine_->GetWorld()->GetStepCount();
  float worldTime = engine_->GetWorldTime();
  CVarRegistry::Instance().GamePaused.Set(true);
  engine_->OnKeyDown(30);
  recorder_.events.clear();
  float before = engine_->GetTime();
  Frame(0.1);
  Frame(0.1);
  EXPECT_EQ(engine_->GetWorld()->GetStepCount(), steps);
  EXPECT_EQ(engine_->GetWorldTime(), worldTime);
  EXPECT_EQ(recorder_.Count(EngineEvent_Frame), 0);
  EXPECT_EQ(recorder_.Count(EngineEvent_KeyHeld), 0);
  EXPECT_NEAR(engine_->GetTime() - before, 0.2f, 1e-5f);
  CVarRegistry::Instance().GamePaused.Set(false);
  Frame(0.1);
  EXPECT_GT(engine_->GetWorld()->GetStepCount(), steps);
  EXPECT_EQ(recorder_.Count(EngineEvent_Frame), 1);
}

TEST_F(FrameLoopTest, OnlyCamerasBecomeTheRenderCamera) {
  World* world = engine_->GetWorld();
  WorldObject* null = world->CreateObject(ObjectParams(ObjectType_Null));
  WorldObject* camera = world->CreateObject(ObjectParams(ObjectType_Camera));
  ASSERT_NE(null, nullptr);
  ASSERT_NE(camera, nullptr);
  int32_t refs = camera->GetRefCount();
  engine_->SetRenderCamera(null);
  EXPECT_EQ(engine_->GetRenderCamera(), nullptr);
  engine_->SetRenderCamera(camera);
  EXPECT_EQ(engine_->GetRenderCamera(), camera);
  EXPECT_EQ(camera->GetRefCount(), refs + 2);
  engine_->SetRenderCamera(nullptr);
  EXPECT_EQ(camera->GetRefCount(), refs);
  EXPECT_EQ(engine_->GetRenderCamera(), nullptr);
}
