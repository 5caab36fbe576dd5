// StaticDrawTest.cpp - static meshes on the fake device: copies of one mesh
// and material are one instanced draw a pass (in the Lit pass one per set of
// lights the copies share), and an effect without INSTANCED draws them one
// by one.
#include "base/FrameProfiler.h"
#include "common/TestFiles.h"
#include "MeshFile.h"
#include "render/gpu/Texture.h"
#include "render/world/StaticMeshObject.h"
#include "RenderTestUtil.h"
#include "tier1/LightObject.h"

#include <algorithm>
#include <vector>

using namespace rendertest;
using meshtest::MeshFile;

namespace {

class StaticDrawTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    m_dir.Write("q.mesh", MeshFile::Quad().Bytes());
    ASSERT_NE(Start(), nullptr);
    StartWorld();
    CVarRegistry::Instance().GlowEnable.Set(false);
  }
  void TearDown() override {
    FrameProfiler::Instance().Reset();
    FakeVideoTest::TearDown();
  }
  Material* Effect(const char* file) {
    m_materials.push_back(Ref<Material>::Adopt(CreateMaterial()));
    EXPECT_TRUE(m_materials.back()->SetRenderEffect(file)) << m_log.Dump();
    return m_materials.back().Get();
  }
  // A quad (two groups: two triangles and one) lying flat at (x, 0, z).
  void Mesh(float x, float z, Material* material = nullptr) {
    StaticMeshObjectParams p;
    p.fileName = "q.mesh";
    p.transform = Matrix4x4::MakeTranslation(Vector3D(x, 0, z));
    p.defaultMaterial = material;
    ASSERT_NE(m_world->CreateObject(p), nullptr) << m_log.Dump();
  }
  void Light(uint32_t type, const Vector3D& at, float radius) {
    LightObjectParams p;
    p.lightType = type;
    p.transform = Matrix4x4::MakeTranslation(at);
    p.radius = radius;
    ASSERT_NE(m_world->CreateObject(p), nullptr);
  }
  // The plain draws of one frame; the instanced ones' copies, sorted, in `copies`.
  int Frame(std::vector<uint32_t>* copies = nullptr) {
    Device()->ResetCalls();
    m_world->GetRenderer()->Render(m_camera);
    if (copies) {
      *copies = Device()->InstancedDraws();
      std::sort(copies->begin(), copies->end());
    }
    return Device()->Calls("DrawIndexedPrimitive");
  }
  const WorldRenderer::Stats& Stats() { return m_world->GetRenderer()->GetStats(); }

  std::vector<Ref<Material>> m_materials;
  kaztest::TempDir m_dir{"kaz-static-draw"};
};

TEST_F(StaticDrawTest, CopiesAreOneInstancedDrawAPassAndOtherEffectsOneByOne) {
  // Six copies with default.fx, which declares INSTANCED.
  for (int i = 0; i < 6; ++i) Mesh(-5.0f + 2.0f * float(i), 10.0f);
  std::vector<uint32_t> copies;
  EXPECT_EQ(Frame(&copies), 0) << m_log.Dump();
  EXPECT_EQ(copies, (std::vector<uint32_t>{6, 6}));  // one draw a group
  EXPECT_EQ(Stats().staticMeshes, 6u);
  EXPECT_EQ(Stats().drawCalls, 2u);
  EXPECT_EQ(Stats().triangles, 6u * 3);
  EXPECT_EQ(Device()->CurrentStream(kInstanceStream), nullptr);  // detached after

  // A light whose sphere reaches the first two only: the Lit pass draws those two.
  Light(1, Vector3D(-4, 0.5f, 10), 1.5f);
  EXPECT_EQ(Frame(&copies), 0);
  EXPECT_EQ(copies, (std::vector<uint32_t>{2, 2, 6, 6}));
  // A second light on the last two: their set of lights differs from the first two's.
  Light(1, Vector3D(4, 0.5f, 10), 1.5f);
  EXPECT_EQ(Frame(&copies), 0);
  EXPECT_EQ(copies, (std::vector<uint32_t>{2, 2, 2, 2, 6, 6}));

  // An effect that does not declare INSTANCED: each copy on its own, in each
  // pass; the instanced copies are unchanged.
  Material* single = Effect("RenderEffects/single.fx");
  for (int i = 0; i < 3; ++i) Mesh(-2.0f + 2.0f * float(i), 20.0f, single);
  EXPECT_EQ(Frame(&copies), 3 * 2);
  EXPECT_EQ(copies, (std::vector<uint32_t>{2, 2, 2, 2, 6, 6}));
  EXPECT_EQ(Stats().staticMeshes, 9u);
  // One copy alone is a plain draw.
  Material* lone = Effect("RenderEffects/default.fx");
  Mesh(0.0f, 30.0f, lone);
  EXPECT_EQ(Frame(&copies), 3 * 2 + 2);
  EXPECT_EQ(copies.size(), 6u);
}

}  // namespace
