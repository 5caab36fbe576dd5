// StaticDrawTest.cpp - static meshes on the fake device: copies of one mesh
// and material are one instanced draw a pass (in the Lit pass one per set of
// lights the copies share), an effect without INSTANCED draws them one by
// one, and the frames of a scene that does not change allocate nothing.
#include "base/FrameProfiler.h"
#include "common/TestFiles.h"
#include "MeshFile.h"
#include "render/gpu/Texture.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/StaticMeshObject.h"
#include "RenderTestUtil.h"
#include "tier1/LightObject.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

// Heap allocations made on a thread while it counts them. Replacing the
// global operators is the one way to see every allocation of the code under
// test; they stay plain malloc and free otherwise. A sanitizer keeps its own
// operators (its libraries would pair theirs with ours), so there the
// counting test skips.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KAZ_COUNT_ALLOCATIONS 0
#else
#define KAZ_COUNT_ALLOCATIONS 1
#endif
namespace {
thread_local bool t_counting = false;
std::atomic<int> g_allocations{0};
}  // namespace

#if KAZ_COUNT_ALLOCATIONS
namespace {
void* Allocate(std::size_t size) {
  if (t_counting) ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
#endif

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

  // A light whose sphere reaches the first two only: default.fx's AmbientLit
  // draws those two with their light, the other four apart, and the Lit pass
  // has nothing left to add.
  Light(1, Vector3D(-4, 0.5f, 10), 1.5f);
  EXPECT_EQ(Frame(&copies), 0);
  EXPECT_EQ(copies, (std::vector<uint32_t>{2, 2, 4, 4}));
  // A second light on the last two: their set of lights differs from the first two's.
  Light(1, Vector3D(4, 0.5f, 10), 1.5f);
  EXPECT_EQ(Frame(&copies), 0);
  EXPECT_EQ(copies, (std::vector<uint32_t>{2, 2, 2, 2, 2, 2}));

  // An effect that does not declare INSTANCED: each copy on its own, in each
  // pass; the instanced copies are unchanged.
  Material* single = Effect("RenderEffects/single.fx");
  for (int i = 0; i < 3; ++i) Mesh(-2.0f + 2.0f * float(i), 20.0f, single);
  EXPECT_EQ(Frame(&copies), 3 * 2);
  EXPECT_EQ(copies, (std::vector<uint32_t>{2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(Stats().staticMeshes, 9u);
  // One copy alone is a plain draw.
  Material* lone = Effect("RenderEffects/default.fx");
  Mesh(0.0f, 30.0f, lone);
  EXPECT_EQ(Frame(&copies), 3 * 2 + 2);
  EXPECT_EQ(copies.size(), 6u);
}

TEST_F(StaticDrawTest, SteadyFramesAllocateNothingInTheRenderer) {
  if (!KAZ_COUNT_ALLOCATIONS) GTEST_SKIP() << "the sanitizer keeps its own operator new";
  for (int i = 0; i < 6; ++i) Mesh(-5.0f + 2.0f * float(i), 10.0f);
  Material* single = Effect("RenderEffects/single.fx");
  for (int i = 0; i < 3; ++i) Mesh(-2.0f + 2.0f * float(i), 20.0f, single);
  Light(0, Vector3D(0, 5, 10), 100.0f);
  Light(1, Vector3D(-4, 0.5f, 10), 1.5f);
  Light(1, Vector3D(0, 0.5f, 20), 3.0f);
  ParticleSystemObjectParams particles;
  particles.material = Effect("RenderEffects/default.fx");
  particles.transform = Matrix4x4::MakeTranslation(Vector3D(0, 1, 12));
  particles.settings.emissionInterval = 0.0f;
  particles.settings.particlesOnCreate = 8;
  particles.settings.maxParticles = 8;
  ASSERT_NE(m_world->CreateObject(particles), nullptr) << m_log.Dump();
  CVarRegistry::Instance().GlowEnable.Set(true);
  FrameProfiler& profiler = FrameProfiler::Instance();
  profiler.SetOverlay(true);
  const auto frame = [&] {
    profiler.BeginFrame();
    m_world->GetRenderer()->Render(m_camera);
  };
  // The first frames size the renderer's lists, pools and buffers.
  for (int i = 0; i < 3; ++i) frame();
  ASSERT_GT(Stats().staticMeshes, 0u);
  ASSERT_GT(Stats().particles, 0u);
  g_allocations = 0;
  t_counting = true;
  for (int i = 0; i < 5; ++i) frame();
  t_counting = false;
  EXPECT_EQ(g_allocations.load(), 0) << "heap allocations in five steady frames";
  EXPECT_EQ(Stats().staticMeshes, 9u);
}

}  // namespace
