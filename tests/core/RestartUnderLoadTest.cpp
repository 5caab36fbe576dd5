// RestartUnderLoadTest.cpp - the engine started, played and shut down three
// times in one process: each time the demo's tour plays up to the shells, and
// the video, the sound and every resource are restarted or reloaded while the
// world is full (restartvideo, restartsound, reloadresources). Every shutdown
// must leave no pooled object in use and no resource held (what the leak
// reports would list at exit), and the next start must find nothing stale; the
// sanitizer builds run it too, where a freed pointer still in use or a leak at
// exit fails the process.
#include "core/TestEngine.h"
#include "core/TourInput.h"
#include "tier0/ObjectPool.h"
#include "tier0/ResourceManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tour as far as the third shell.
constexpr long kPlayedFrames = 330;

}  // namespace

using RestartUnderLoadTest = EngineTest;

TEST_F(RestartUnderLoadTest, ThreeStartsWithRestartsAndReloadsLeaveNothingBehind) {
  // OpenAL's null output, whatever the test runner passed on: restartsound
  // needs a device to open again.
  setenv("ALSOFT_DRIVERS", "null", 0);
  const std::vector<ReplayEvent> tour = TourEvents(kPlayedFrames);
  ASSERT_GT(tour.size(), 10u);
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE("start " + std::to_string(run + 1));
    m_out.lines.clear();
    KazEngine* engine = Start({"-fixedframe", "0.033333", "-ResX", "160", "-ResY", "120"});
    ASSERT_NE(engine, nullptr) << m_out.All();
    size_t next = 0;
    for (long frame = 0; frame < kPlayedFrames; ++frame) {
      DeliverTourFrame(engine, tour, next, frame);
      // Mid-play, with the shells, the keeper, the particles and the sounds live.
      if (frame == 150) EXPECT_EQ(engine->ExecuteCommand(false, "restartvideo"), 0);
      if (frame == 200) EXPECT_EQ(engine->ExecuteCommand(false, "restartsound"), 0);
      if (frame == 250) EXPECT_EQ(engine->ExecuteCommand(false, "reloadresources"), 0);
      ASSERT_EQ(engine->RunFrame(), 0) << m_out.All();
    }
    EXPECT_EQ(m_out.Count("Cove: a glowing shell (1 of 3)"), 1) << m_out.All();
    EXPECT_EQ(m_out.Count("Reloaded all resources."), 1) << m_out.All();
    EXPECT_EQ(m_out.Count("WARNING"), 0) << m_out.All();
    CVarRegistry::Instance().ResetBuiltins();
    kazShutdown();
    for (ObjectPool* pool = ObjectPool::GetFirstPool(); pool; pool = pool->GetNextPool())
      EXPECT_EQ(pool->GetInUseCount(), 0u) << pool->GetClassName() << " objects left in use";
    for (ResourceManager* manager = ResourceManager::GetFirst(); manager;
         manager = manager->GetNext())
      EXPECT_EQ(manager->GetCount(), 0u) << manager->GetClassName() << " resources still held";
  }
}
