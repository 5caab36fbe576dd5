// The debug renderer on the fake device: grids refused or drawn with
// divisions + 1 lines each way, long line lists in several batches, the
// console switches choosing the items, animation paths.
#include "console/CommandProcessor.h"
#include "MeshFile.h"
#include "render/world/DebugRender.h"
#include "render/world/StaticMeshObject.h"
#include "RenderTestUtil.h"
#include "tier1/AnimPathObject.h"

using namespace rendertest;
using meshtest::MeshFile;

namespace {

class DebugRenderTest : public StartedVideoTest {
 protected:
  void SetUp() override {
    StartedVideoTest::SetUp();
    ASSERT_TRUE(m_debug.Init()) << m_log.Dump();
  }
  // Lines drawn by the calls in `draw`, begun and ended around them.
  template <class F>
  uint32_t Lines(F draw) {
    const uint32_t before = m_debug.GetLineCount();
    EXPECT_TRUE(m_debug.Begin());
    draw();
    m_debug.End();
    return m_debug.GetLineCount() - before;
  }
  DebugRender m_debug;
};

TEST_F(DebugRenderTest, GridsGiveDivisionsPlusOneLinesEachWay) {
  for (float size : {1.0f, 2.0f, 7.0f, 12.3f, 64.0f, 99.9f, 127.0f}) {
    const int divisions = int(size);
    EXPECT_EQ(Lines([&] { EXPECT_TRUE(m_debug.AddGrid(0, 0, 0, size, divisions, 1, 2)); }),
              uint32_t(2 * (divisions + 1)))
        << size;
  }
  EXPECT_EQ(Lines([&] { EXPECT_FALSE(m_debug.AddGrid(0, 0, 0, 200.0f, 200, 1, 2)); }), 0u);
  EXPECT_FALSE(m_debug.AddGrid(0, 0, 0, NAN, 5, 1, 2));
  EXPECT_FALSE(m_debug.AddGrid(0, 0, 0, 5.0f, 0, 1, 2));
}

TEST_F(DebugRenderTest, LongLineListsAreDrawnInBatchesWithoutLoss) {
  std::vector<Vector3D> points(2 * 1000, Vector3D(1, 2, 3));
  const uint32_t batches = m_debug.GetBatchCount();
  Device()->ResetCalls();
  EXPECT_EQ(Lines([&] {
              m_debug.AddAxis(0, 0, 0, 1);
              m_debug.AddLines(points.data(), 1000, 0xFFFFFFFF);
              m_debug.AddBox(0, 0, 0, 1, 1, 1, 0xFFFF0000);
            }),
            3u + 1000u + 12u);
  // 512 vertices (256 lines) a batch.
  EXPECT_EQ(m_debug.GetBatchCount() - batches, 4u);
  EXPECT_EQ(Device()->Calls("DrawPrimitive"), 4);
}

class WorldDebugTest : public DebugRenderTest {
 protected:
  void SetUp() override {
    DebugRenderTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    m_dir.Write("q.mesh", MeshFile::Quad().Bytes());
    StartWorld();
    ASSERT_NE(m_world->GetRenderer()->GetDebugRender(), nullptr) << m_log.Dump();
    StaticMeshObjectParams mesh;
    mesh.fileName = "q.mesh";
    mesh.transform = Matrix4x4::MakeTranslation(Vector3D(0, 0, 5));
    ASSERT_NE(m_world->CreateObject(mesh), nullptr);
  }
  // Lines the world's debug drawing made in one frame.
  uint32_t Frame() {
    DebugRender* debug = m_world->GetRenderer()->GetDebugRender();
    const uint32_t before = debug->GetLineCount();
    m_world->GetRenderer()->Render(m_camera);
    return debug->GetLineCount() - before;
  }

  kaztest::TempDir m_dir{"kaz-debug"};
  EngineCommandProcessor m_console;
};

TEST_F(WorldDebugTest, ConsoleSwitchesChooseTheItems) {
  EXPECT_EQ(Frame(), 0u);
  m_console.Execute("DrawBoxes 1", false);
  EXPECT_EQ(Frame(), 12u);  // only the box of the one mesh
  m_console.Execute("DrawBoxes 0", false);
  m_console.Execute("DrawGrid 1", false);
  m_console.Execute("GridSize 10", false);
  EXPECT_EQ(Frame(), 2u * 11u + 3u);  // the grid and the origin's axis
  m_console.Execute("GridSize 200", false);
  EXPECT_EQ(Frame(), 3u);  // the grid is refused, the axis stays
  m_console.Execute("GridSize 1e30", false);
  EXPECT_EQ(Frame(), 3u);
  m_console.Execute("DrawGrid 0", false);
  m_console.Execute("DrawAxis 1", false);
  EXPECT_EQ(Frame(), 3u);
}

TEST_F(WorldDebugTest, AnimationPathsAreDrawnSegmentBySegment) {
  ObjectParams p(ObjectType_AnimPath);
  auto* path = static_cast<AnimPathObject*>(m_world->CreateObject(p));
  ASSERT_NE(path, nullptr);
  for (int i = 0; i < 3; ++i)
    path->AddWaypoint(Matrix4x4::MakeTranslation(Vector3D(float(i), 0, 5)), 1.0f, 0, nullptr);
  m_console.Execute("DrawAnimPaths 1", false);
  EXPECT_EQ(Frame(), 2u * (DebugRender::kPathSamples - 1));
}

}  // namespace
