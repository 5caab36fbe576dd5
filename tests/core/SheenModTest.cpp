// The "sheen" sample mod run headless: glossy figures, one in the room under a
// point light and one held by the camera, seen from well away from the
// world's origin. Their highlights come from VIEWPOS, which every drawable
// gets in its own space (a held figure in the camera's), so the F9 screenshot
// matches its golden image (tests/data/golden/sheen.png; regenerate with
// KAZ_UPDATE_GOLDEN=1) only when both get the eye by that one rule.
#include "common/ImageCompare.h"
#include "core/TestEngine.h"
#include "render/world/WorldRenderer.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

class SheenMod : public EngineTest {};

TEST_F(SheenMod, GlossyFiguresMatchTheGoldenImage) {
  ASSERT_NE(Start({"-mod", "sheen", "-ResX", "320", "-ResY", "240", "-ShowRecentConsoleEntries",
                   "0", "-FPS", "0"},
                  "Sheen"),
            nullptr)
      << m_out.All();
  World* world = m_engine->GetWorld();
  ASSERT_EQ(world->GetObjectCount(ObjectType_DynamicMesh), 2u) << "the generated figure is missing";
  Run(4, 0.05);
  EXPECT_EQ(world->GetRenderer()->GetStats().dynamicMeshes, 2u);
  EXPECT_EQ(m_out.Count("Sheen: a glossy figure in the room and one held by the camera."), 1)
      << m_out.All();
  const std::string shot = PressF9();
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/sheen.png", 12, 0.01));
  std::filesystem::remove(shot);
}

}  // namespace
