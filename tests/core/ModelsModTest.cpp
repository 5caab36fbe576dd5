// ModelsModTest.cpp - the "models" sample mod run headless: a yard (Collada), a crate (glTF
// without normals), a lamp post of three materials (FBX) and a rigged figure (.glb) walking a
// loop, all exported from Blender and converted by meshconv at build time, with the textures
// meshconv carried over. At a fixed frame delta an F9 screenshot matches its golden image
// (tests/data/golden/models.bmp; regenerate with KAZ_UPDATE_GOLDEN=1), and the figure's
// knee moves as its walk plays.
#include "common/ImageCompare.h"
#include "core/TestEngine.h"
#include "render/world/WorldRenderer.h"
#include "render/world/cal3d/DynamicMeshObject.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

class ModelsMod : public EngineTest {
 protected:
  void Run(int frames) { EngineTest::Run(frames, 0.05); }
  Vector3D Knee(DynamicMeshObject* walker) {
    Vector3D knee;
    EXPECT_TRUE(walker->GetBonePosition("shin_l", knee));
    return knee;
  }
};

TEST_F(ModelsMod, ConvertedModelsMatchTheGoldenImageAndTheFigureWalks) {
  ASSERT_NE(Start({"-mod", "models", "-ResX", "320", "-ResY", "240", "-ShowRecentConsoleEntries",
                   "0", "-FPS", "0"},
                  "Models"),
            nullptr)
      << m_out.All();
  World* world = m_engine->GetWorld();
  ASSERT_EQ(world->GetObjectCount(ObjectType_StaticMesh), 3u) << m_out.All();
  ASSERT_EQ(world->GetObjectCount(ObjectType_DynamicMesh), 1u) << m_out.All();
  auto* walker = static_cast<DynamicMeshObject*>(world->GetFirstObject(ObjectType_DynamicMesh));
  // Every group found a texture: a missing one would leave its material without a map.
  for (uint32_t i = 0; i < walker->GetMaterialCount(); ++i)
    EXPECT_NE(walker->GetMaterial(i), nullptr);

  Run(3);
  const Vector3D before = Knee(walker);
  Run(6);  // 0.3 s: a good part of the one-second stride
  const Vector3D after = Knee(walker);
  EXPECT_GT((after - before).Length(), 0.05f) << "the walk does not move the knee";
  EXPECT_NEAR(after.y, 0.48f, 0.1f) << "the knee is not where the figure's leg bends";

  Run(11);
  const WorldRenderer::Stats& stats = world->GetRenderer()->GetStats();
  EXPECT_EQ(stats.staticMeshes, 3u);
  EXPECT_EQ(stats.dynamicMeshes, 1u);
  const std::string shot = PressF9();
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/models.bmp", 12, 0.01));
  std::filesystem::remove(shot);
}

}  // namespace
