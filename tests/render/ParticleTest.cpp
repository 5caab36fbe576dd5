// Particle systems (seeded simulation: pool, bursts, ages, tracks, box,
// sorting) and the particle renderer on the fake device (batches, rotation
// entries, material order, missing technique, batch-size clamping), and the
// world renderer queueing real systems.
#include "render/world/ParticleRenderer.h"
#include "render/world/ParticleSystemObject.h"
#include "RenderTestUtil.h"

#include <cmath>

using namespace rendertest;

namespace {

bool Finite(const Vector4D& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

class ParticleTest : public StartedVideoTest {
 protected:
  void SetUp() override {
    StartedVideoTest::SetUp();
    StartWorld();
    ParticleRandom::Seed(1234);
    m_material = Ref<Material>::Adopt(CreateMaterial());
    ASSERT_TRUE(m_material->SetRenderEffect("RenderEffects/default.fx")) << m_log.Dump();
  }
  // Long-lived, slow particles unless a test says otherwise.
  ParticleSystemObjectParams Params() {
    ParticleSystemObjectParams p;
    p.material = m_material.Get();
    return p;
  }
  ParticleSystemObject* Make(const ParticleSystemObjectParams& p) {
    return static_cast<ParticleSystemObject*>(m_world->CreateObject(p));
  }
  // A system that emits only on request.
  ParticleSystemObject* Quiet(uint32_t onCreate, Material* material = nullptr) {
    auto p = Params();
    p.settings.emissionInterval = 0.0f;
    p.settings.particlesOnCreate = onCreate;
    p.settings.maxParticles = onCreate ? onCreate : 1;
    if (material) p.material = material;
    return Make(p);
  }

  Ref<Material> m_material;
};

TEST_F(ParticleTest, PoolBurstsAndPausedEmission) {
  auto p = Params();
  p.settings.maxParticles = 0;
  EXPECT_EQ(Make(p)->GetPoolSize(), 1u);
  p.settings.maxParticles = 100000;
  EXPECT_EQ(Make(p)->GetPoolSize(), 65536u);
  // Bursts of 64 stop at the end of the pool.
  p.settings.maxParticles = 100;
  ParticleSystemObject* s = Make(p);
  s->Update(0.1f);
  EXPECT_EQ(s->GetLiveCount(), 64u);
  s->Update(0.1f);
  EXPECT_EQ(s->GetLiveCount(), 100u);
  EXPECT_EQ(s->GetDrawCount(), 100u);
  // A paused system emits only on creation and on request.
  p.playing = false;
  p.settings.particlesOnCreate = 5;
  s = Make(p);
  s->Update(1.0f);
  EXPECT_EQ(s->GetLiveCount(), 5u);
  s->EmitOnce();
  EXPECT_EQ(s->GetLiveCount(), 69u);
  p.material = nullptr;
  EXPECT_EQ(Make(p), nullptr);
  EXPECT_EQ(m_log.Count("No material provided for particle system."), 1);
}

TEST_F(ParticleTest, BurstsOwedInOneFrameAreSpacedOneIntervalApart) {
  auto p = Params();
  p.settings.particlesPerEmission = 1;
  ParticleSystemObject* s = Make(p);
  s->Update(0.35f);
  ASSERT_EQ(s->GetDrawCount(), 3u);
  // Live-list order is newest first.
  const float third = s->GetDrawList()[0]->age;
  EXPECT_NEAR(s->GetDrawList()[1]->age - third, 0.1f, 1e-5f);
  EXPECT_NEAR(s->GetDrawList()[2]->age - third, 0.2f, 1e-5f);
}

TEST_F(ParticleTest, AgesAndTracksFromBirthToDeathAndLifeZeroGivesNoNaN) {
  auto p = Params();
  p.settings.emissionInterval = 0.0f;
  p.settings.particlesOnCreate = 1;
  p.settings.minLife = p.settings.maxLife = 2.0f;
  ParticleSystemObject* s = Make(p);
  const Particle& particle = *s->GetDrawList()[0];
  EXPECT_FLOAT_EQ(particle.radius, 1.0f);
  EXPECT_FLOAT_EQ(particle.colour.w, 1.0f);
  EXPECT_FLOAT_EQ(particle.colour.x, 1.0f);
  s->Update(2.0f);  // age equals life: still drawn, at the tracks' ends
  ASSERT_EQ(s->GetDrawCount(), 1u);
  EXPECT_FLOAT_EQ(particle.radius, 2.0f);
  EXPECT_FLOAT_EQ(particle.colour.w, 0.0f);
  s->Update(0.001f);
  EXPECT_EQ(s->GetLiveCount(), 0u);
  EXPECT_EQ(s->GetDrawCount(), 0u);
  p.settings.particlesOnCreate = 3;
  p.settings.minLife = p.settings.maxLife = 0.0f;
  s = Make(p);
  ASSERT_EQ(s->GetDrawCount(), 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(Finite(s->GetDrawList()[i]->colour));
    EXPECT_TRUE(std::isfinite(s->GetDrawList()[i]->radius));
  }
}

TEST_F(ParticleTest, TinyIntervalAfterALongFrameEnds) {
  auto p = Params();
  p.settings.emissionInterval = 1e-9f;
  p.settings.particlesPerEmission = 1;
  p.settings.maxParticles = 500;
  p.settings.minLife = p.settings.maxLife = 100.0f;
  ParticleSystemObject* s = Make(p);
  s->Update(6.0f);  // 6 - 1e-9 == 6 in floats: unbounded, this never returns
  EXPECT_EQ(s->GetLiveCount(), ParticleSystemObject::kMaxBurstsPerFrame);
}

TEST_F(ParticleTest, BoxHoldsEveryLiveParticleAroundTheOrigin) {
  auto p = Params();
  p.transform = Matrix4x4::MakeTranslation(Vector3D(5, 0, 0));
  p.settings.emitterShape = EmitterShape_Sphere;
  p.settings.minVelocity = Vector3D(-1, -1, -1);
  p.settings.maxVelocity = Vector3D(1, 2, 1);
  ParticleSystemObject* s = Make(p);
  for (int i = 0; i < 5; ++i) s->Update(0.25f);
  ASSERT_GT(s->GetDrawCount(), 0u);
  const AABB box = s->GetBoundingBox();
  for (uint32_t i = 0; i < s->GetDrawCount(); ++i) {
    const Particle& q = *s->GetDrawList()[i];
    const Vector3D half(q.radius / 2, q.radius / 2, q.radius / 2);
    EXPECT_TRUE(box.ContainsPoint(q.position + half) && box.ContainsPoint(q.position - half));
  }
  EXPECT_LT(s->GetBoxMins().x, 0.0f);  // expressed around the object's origin
}

TEST_F(ParticleTest, SortingPutsTheNearestFirstAndSeedsRepeat) {
  auto p = Params();
  p.settings.sorted = true;
  p.settings.emitterShape = EmitterShape_Sphere;
  p.settings.particlesOnCreate = 50;
  ParticleSystemObject* s = Make(p);
  const Vector3D camera(0, 0, -3);
  s->SortParticles(camera);
  for (uint32_t i = 1; i < s->GetDrawCount(); ++i)
    EXPECT_LE(s->GetDrawList()[i - 1]->position.DistanceSquared(camera),
              s->GetDrawList()[i]->position.DistanceSquared(camera));
  const Vector3D first = s->GetDrawList()[0]->position;
  ParticleRandom::Seed(1234);
  ParticleSystemObject* again = Make(p);
  again->SortParticles(camera);
  EXPECT_EQ(again->GetDrawList()[0]->position, first);
}

// ---- the renderer ------------------------------------------------------------

FrameView LookingDownZ() {
  FrameView view;
  view.width = 800, view.height = 600;
  view.projection = Matrix4x4::MakePerspectiveProjectionFovLH(1.0f, 4.0f / 3.0f, 0.1f, 100.0f);
  view.viewProjection = view.projection;
  return view;
}

class ParticleRendererTest : public ParticleTest {
 protected:
  bool StartRenderer(int perBatch) {
    CVarRegistry::Instance().MaxParticlesPerBatch.Set(perBatch);
    return m_renderer.Init(GetVideoManager());
  }
  int Draw() {
    Device()->ResetCalls();
    m_renderer.Render(LookingDownZ());
    return Device()->Calls("DrawIndexedPrimitive");
  }
  ParticleRenderer m_renderer;
};

TEST_F(ParticleRendererTest, BatchesOfCapacityCapacityAndHalfWithinSixteenBitIndices) {
  ASSERT_TRUE(StartRenderer(4));
  m_renderer.Queue(Quiet(10));
  EXPECT_EQ(Draw(), 3) << m_log.Dump();
  EXPECT_EQ(m_renderer.GetBatchSizes(), (std::vector<uint32_t>{4, 4, 2}));
  EXPECT_EQ(Draw(), 0);  // the queue empties every frame
  ASSERT_TRUE(StartRenderer(0));
  EXPECT_EQ(m_renderer.GetCapacity(), 1u);
  m_renderer.Queue(Quiet(3));
  EXPECT_EQ(Draw(), 3);
  ASSERT_TRUE(StartRenderer(100000));
  EXPECT_EQ(m_renderer.GetCapacity(), ParticleRenderer::kMaxBatch);
  EXPECT_EQ(CVarRegistry::Instance().MaxParticlesPerBatch.Get(), 16384);
}

TEST_F(ParticleRendererTest, RotationsPickWholeDegreeEntries) {
  EXPECT_EQ(ParticleRenderer::RotationEntry(0.5f), 0);
  EXPECT_EQ(ParticleRenderer::RotationEntry(-90.0f), 270);
  EXPECT_EQ(ParticleRenderer::RotationEntry(725.0f), 5);
  EXPECT_EQ(ParticleRenderer::RotationEntry(0.0f), -1);
  EXPECT_EQ(ParticleRenderer::RotationEntry(NAN), -1);
  for (float huge : {1e30f, -1e30f, 4e9f}) {
    const int entry = ParticleRenderer::RotationEntry(huge);
    EXPECT_TRUE(entry >= 0 && entry < 360) << huge;
  }
}

// Materials draw in queue order; one without a "Particles" technique draws nothing.
TEST_F(ParticleRendererTest, MaterialsDrawInQueueOrder) {
  ASSERT_TRUE(StartRenderer(100));
  Ref<Material> other = Ref<Material>::Adopt(CreateMaterial());
  ASSERT_TRUE(other->SetRenderEffect("RenderEffects/default.fx"));
  Ref<Material> bones = Ref<Material>::Adopt(CreateMaterial());
  ASSERT_TRUE(bones->SetRenderEffect("RenderEffects/bones.fx"));
  m_renderer.Queue(Quiet(3, other.Get()));
  m_renderer.Queue(Quiet(4));
  m_renderer.Queue(Quiet(2, other.Get()));
  EXPECT_EQ(Draw(), 2);
  EXPECT_EQ(m_renderer.GetBatchSizes(), (std::vector<uint32_t>{5, 4}));
  m_renderer.Queue(Quiet(3, bones.Get()));
  m_log.Clear();
  EXPECT_EQ(Draw(), 0);
  EXPECT_EQ(m_log.Problems(), 0) << m_log.Dump();
}

TEST_F(ParticleRendererTest, WorldRendererQueuesVisibleSystems) {
  auto p = Params();
  p.transform = Matrix4x4::MakeTranslation(Vector3D(0, 0, 5));
  Make(p)->Update(0.1f);
  p.transform = Matrix4x4::MakeTranslation(Vector3D(0, 0, -50));  // behind the camera
  Make(p)->Update(0.1f);
  Device()->ResetCalls();
  m_world->GetRenderer()->Render(m_camera);
  EXPECT_EQ(m_world->GetRenderer()->GetStats().particleSystems, 1u);
  EXPECT_EQ(m_world->GetRenderer()->GetStats().particles, 64u);
  EXPECT_EQ(Device()->Calls("DrawIndexedPrimitive"), 1) << m_log.Dump();
  EXPECT_EQ(m_world->GetParticleCount(), 128u);
  // Not counted while particles are not drawn.
  CVarRegistry::Instance().DrawParticles.Set(false);
  m_world->GetRenderer()->Render(m_camera);
  EXPECT_EQ(m_world->GetRenderer()->GetStats().particleSystems, 0u);
  EXPECT_EQ(m_world->GetRenderer()->GetStats().particles, 0u);
}

}  // namespace
