// WorldRendererTest.cpp - the world renderer on the fake device (call counts):
// culling and counts, light sets, passes, wireframe, the shadow-map fallback,
// cube shots, and where plugged-in dynamic meshes are drawn.
#include "common/TestFiles.h"
#include "MeshFile.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/Texture.h"
#include "render/world/DrawableKind.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/StaticMeshObject.h"
#include "RenderTestUtil.h"
#include "tier1/LightObject.h"

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

using namespace rendertest;
using meshtest::MeshFile;

// A stand-in for the dynamic mesh class that plugs in later
// (outside the anonymous namespace: the pool's friend names the global ObjectPool).
class TestDynamicObject : public WorldObject {
  KAZ_POOLED_CLASS(TestDynamicObject)

 public:
  using WorldObject::Create;
  uint32_t GetType() const override { return ObjectType_DynamicMesh; }

 private:
  TestDynamicObject() = default;
};
KAZ_DEFINE_POOL(TestDynamicObject, 4);

namespace {

// What the renderer asked the plugged-in kind to draw, in order.
class TestDynamicKind final : public DrawableKind {
 public:
  explicit TestDynamicKind(FakeDevice* device) : m_device(device) {}
  uint32_t Draw(WorldObject* o, uint32_t pass, const FrameView&, const ObjectTransforms&,
                ObjectLightSet*) override {
    if (o->GetPVCamera() && clearsBeforeFirstPV < 0) clearsBeforeFirstPV = m_device->Calls("Clear");
    dynamicDraws.emplace_back(o, pass);
    return 1;
  }

  std::vector<std::pair<WorldObject*, uint32_t>> dynamicDraws;  // object, pass
  int clearsBeforeFirstPV = -1;

 private:
  FakeDevice* m_device;
};

ObjectMakerOf<TestDynamicObject> g_dynamicMaker;

Matrix4x4 At(float x, float y, float z) {
  return Matrix4x4::MakeTranslation(Vector3D(x, y, z));
}

class WorldRendererTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    m_dir.Write("q.mesh", MeshFile::Quad().Bytes());
    ASSERT_NE(Start(), nullptr);
    StartWorld();
  }
  WorldObject* Mesh(const Matrix4x4& where, bool visible = true) {
    StaticMeshObjectParams p;
    p.fileName = "q.mesh";
    p.transform = where;
    p.visible = visible;
    return m_world->CreateObject(p);
  }
  // `file` drawn with one material at `where`.
  WorldObject* MeshWith(Material* material, const Matrix4x4& where, const char* file = "q.mesh") {
    StaticMeshObjectParams p;
    p.fileName = file;
    p.transform = where;
    p.defaultMaterial = material;
    return m_world->CreateObject(p);
  }
  Ref<Material> EffectMaterial(const char* effect) {
    Ref<Material> material = Ref<Material>::Adopt(CreateMaterial());
    EXPECT_TRUE(material->SetRenderEffect(effect)) << m_log.Dump();
    return material;
  }
  void Light(uint32_t type, float x = 0, float y = 2, float z = 5, float radius = 10.0f,
             bool castsShadows = false) {
    LightObjectParams p;
    p.lightType = type;
    p.transform = At(x, y, z);
    p.radius = radius;
    p.castsShadows = castsShadows;
    ASSERT_NE(m_world->CreateObject(p), nullptr);
  }
  // Draw calls of one frame.
  int Frame() {
    Device()->ResetCalls();
    m_world->GetRenderer()->Render(m_camera);
    return Device()->Calls("DrawIndexedPrimitive");
  }
  const WorldRenderer::Stats& Stats() { return m_world->GetRenderer()->GetStats(); }

  kaztest::TempDir m_dir{"kaz-wr"};
};

TEST_F(WorldRendererTest, CulledAndHiddenObjectsAreNotDrawnOrCounted) {
  Mesh(At(0, 0, 5));
  Mesh(At(0, 0, -5));        // behind the camera
  Mesh(At(0, 0, 5), false);  // hidden
  Mesh(At(200, 0, 5));       // far to the side
  // Two groups, AmbientEmissive only (no lights): two draws for the one seen.
  EXPECT_EQ(Frame(), 2) << m_log.Dump();
  EXPECT_EQ(Stats().staticMeshes, 1u);
  EXPECT_EQ(Stats().particleSystems, 0u);
  // Wireframe leaves the fill solid.
  CVarRegistry::Instance().WireFrame.Set(true);
  EXPECT_EQ(Frame(), 2);
  uint32_t fill = 0;
  Device()->GetRenderState(GRS_FILLMODE, &fill);
  EXPECT_EQ(fill, uint32_t(GFILL_SOLID));
  EXPECT_GE(Device()->Calls("SetRenderState"), 2);
}

TEST_F(WorldRendererTest, StatisticsCountWhatWasDrawnAndTheDrawsIssued) {
  // An effect without a technique for any world pass: queued, never drawn.
  Ref<Material> flat = EffectMaterial("RenderEffects/quad.fx");
  Ref<Material> lit = EffectMaterial("RenderEffects/default.fx");
  Mesh(At(0, 0, 5));
  ASSERT_NE(MeshWith(flat.Get(), At(1, 0, 6)), nullptr);
  Mesh(At(200, 0, 5));  // culled
  Light(1);
  const auto system = [this](Material* material, uint32_t count) {
    ParticleSystemObjectParams p;
    p.material = material;
    p.transform = At(0, 0, 5);
    p.settings.emissionInterval = 0.0f;
    p.settings.particlesOnCreate = count;
    p.settings.maxParticles = count;
    ASSERT_NE(m_world->CreateObject(p), nullptr) << m_log.Dump();
  };
  system(lit.Get(), 4);
  system(flat.Get(), 3);  // no Particles technique: queued, never drawn
  CVarRegistry::Instance().GlowEnable.Set(false);
  const int draws = Frame();
  EXPECT_EQ(Stats().staticMeshes, 1u);
  EXPECT_EQ(Stats().particleSystems, 1u);
  EXPECT_EQ(Stats().particles, 4u);
  // The quad's groups (two triangles and one) once each, with default.fx's
  // AmbientLit taking the light (nothing is left for the Lit pass), and one
  // batch of four particles.
  EXPECT_EQ(draws, 2 + 1);
  EXPECT_EQ(Stats().drawCalls, uint32_t(draws + Device()->Calls("DrawPrimitive")));
  EXPECT_EQ(Stats().triangles, 3u + 4 * 2);
}

// Each object is lit by the point lights whose spheres touch its box, the
// first sixteen in world order, in as many repetitions of the Lit pass as
// batches of the effect's size (default.fx takes four at a time, the first
// four in its AmbientLit pass; an effect with a single LIGHTPOS and no
// AmbientLit takes one a repetition), each Lit repetition scissored to its lights.
TEST_F(WorldRendererTest, LitBatchesTheTouchingLightsAsTheEffectDeclares) {
  auto* shared = static_cast<StaticMeshObject*>(Mesh(At(0, 0, 5)));
  for (int i = 0; i < 6; ++i) Light(1, 0.1f * float(i));
  Light(1, 100);  // its sphere ends far from the quad
  Light(0);       // assigned, never drawn per light
  // Per group: AmbientLit with the first four lights, Lit for the other two.
  EXPECT_EQ(Frame(), 2 * (1 + 1));
  EXPECT_EQ(Stats().staticMeshes, 1u);
  EXPECT_GE(Device()->Calls("SetScissorRect"), 2);
  uint32_t scissor = 1;
  Device()->GetRenderState(GRS_SCISSORTESTENABLE, &scissor);
  EXPECT_EQ(scissor, 0u);  // off again after the Lit pass
  for (int i = 6; i < 18; ++i) Light(1, 0.1f * float(i));
  EXPECT_EQ(Frame(), 2 * (1 + 3));  // the first sixteen: four batches, one in AmbientLit

  // The same lights with an effect that takes one at a time.
  Ref<Material> single = EffectMaterial("RenderEffects/single.fx");
  ASSERT_NE(MeshWith(single.Get(), At(0, 0, 5)), nullptr);
  EXPECT_EQ(Frame(), 2 * (1 + 3) + 2 * (1 + 16));
  EXPECT_EQ(single->GetRenderEffect()->GetLightBatch(0), 1u);
  EXPECT_EQ(shared->GetMaterial(0)->GetRenderEffect()->GetLightBatch(0), 4u);
  // Reloaded (its file saved again), the effect still takes four at a time.
  ASSERT_TRUE(shared->GetMaterial(0)->GetRenderEffect()->Reload());
  EXPECT_EQ(shared->GetMaterial(0)->GetRenderEffect()->GetLightBatch(0), 4u);
  EXPECT_EQ(Frame(), 2 * (1 + 3) + 2 * (1 + 16));

  // One object, a slot of each effect: the slot drawn with AmbientLit does
  // not take the other slot's lights away from its Lit pass.
  Ref<Material> own = EffectMaterial("RenderEffects/default.fx");  // no copies of shared's floor
  StaticMeshObjectParams p;
  p.fileName = "q.mesh";
  p.transform = At(0, 0, 5);
  p.materials = {{"floor", own.Get()}, {"trim", single.Get()}};
  ASSERT_NE(m_world->CreateObject(p), nullptr);
  EXPECT_EQ(Frame(), 2 * (1 + 3) + 2 * (1 + 16) + (1 + 3) + (1 + 16));
}

// An AmbientLit technique in an effect with no LIGHTPOS could take no light,
// and the Lit pass would skip the one it was given: it is not used, and the
// author is told once.
TEST_F(WorldRendererTest, AnAmbientLitWithoutLightPositionsIsNotUsedAndSaidOnce) {
  m_dir.Write("RenderEffects/nolightpos.fx", R"(
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float3 LightColor : LIGHTCOLOR;
vertexshader VS { void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); } }
pixelshader PS { void main() { FragColor = vec4(LightColor, 1.0); } }
technique AmbientEmissive { pass P0 { VertexShader = VS; PixelShader = PS; } }
technique AmbientLit { pass P0 { VertexShader = VS; PixelShader = PS; } }
technique Lit {
  pass P0 { VertexShader = VS; PixelShader = PS; AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; }
}
)");
  Ref<Material> material = EffectMaterial("RenderEffects/nolightpos.fx");
  ASSERT_NE(MeshWith(material.Get(), At(0, 0, 5)), nullptr);
  Light(1);
  EXPECT_EQ(Frame(), 2 * (1 + 1));  // each group: ambient, then lit
  EXPECT_EQ(Frame(), 2 * (1 + 1));
  EXPECT_EQ(m_log.Count("RenderEffect 'RenderEffects/nolightpos.fx': technique AmbientLit is not "
                        "used, the effect has no LIGHTPOS parameter.",
                        LogLevel_Warning),
            1)
      << m_log.Dump();
}

TEST_F(WorldRendererTest, ImpossibleShadowMapSwitchesOff) {
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.EnableShadowMaps.Set(true);
  cv.ShadowMapSize.Set(1 << 20);
  Frame();
  EXPECT_FALSE(cv.EnableShadowMaps.Get());
  EXPECT_EQ(m_log.Count("Failed to create shadow map cube texture", LogLevel_Detail), 1);
  Frame();
  EXPECT_EQ(m_log.Count("Failed to create shadow map cube texture"), 1);
  // A possible size makes the map once and keeps it.
  cv.EnableShadowMaps.Set(true);
  cv.ShadowMapSize.Set(64);
  Frame();
  EXPECT_TRUE(cv.EnableShadowMaps.Get());
  ASSERT_NE(m_world->GetRenderer()->GetShadowMap(), nullptr);
  EXPECT_EQ(m_world->GetRenderer()->GetShadowMap()->GetType(), uint32_t(TEXTYPE_CUBE));
}

// A light near the right edge of a wall reaches past the edge and towards
// the eye, the wall does not: its Lit repetition is scissored to where the
// light's sphere meets the wall's box, which ends at the wall's edge.
TEST_F(WorldRendererTest, ALitRepetitionIsScissoredToWhereItsLightsMeetTheObject) {
  m_dir.Write("wall.mesh", MeshFile::Grid(2, 4.0f).Bytes());
  Ref<Material> single = EffectMaterial("RenderEffects/single.fx");
  ASSERT_NE(MeshWith(single.Get(), At(0, 0, 10), "wall.mesh"), nullptr) << m_log.Dump();
  Light(1, 3.5f, 0, 9.5f, 1.0f);
  EXPECT_EQ(Frame(), 1 + 1);
  DisplayMode mode;
  ASSERT_TRUE(GetVideoManager()->GetDisplayMode(&mode));
  const float aspect = float(mode.width) / float(mode.height);
  const Matrix4x4 viewProjection = Matrix4x4::Product(
      m_camera->GetProjectionMatrix(aspect, m_world->GetNearZ(), m_world->GetFarZ()),
      m_camera->GetViewMatrix());
  const auto column = [&](const Vector3D& at) {
    const Vector4D c = viewProjection.TransformVector(Vector4D(at.x, at.y, at.z, 1.0f));
    return int32_t((c.x / c.w + 1.0f) * 0.5f * float(mode.width));
  };
  const int32_t edge = column(Vector3D(4, 0, 10)), sphere = column(Vector3D(4.5f, 0, 8.5f));
  ASSERT_LT(edge + 4, sphere);
  ASSERT_LT(sphere, int32_t(mode.width));
  GRect scissor{};
  Device()->GetScissorRect(&scissor);
  EXPECT_LE(scissor.right, edge + 1);
  EXPECT_GE(scissor.right, edge - 1);
  EXPECT_GT(scissor.left, int32_t(mode.width / 2));
  EXPECT_LT(scissor.top, scissor.bottom);
}

// The triangles of a Lit repetition are clipped to an upright prism around
// its light's sphere (the scissor alone keeps a floor running to the eye),
// tighter than the sphere's box, and clipping is off again after the pass.
TEST_F(WorldRendererTest, ALitRepetitionIsClippedToAPrismAroundItsLight) {
  m_dir.Write("floor.mesh", MeshFile::Grid(2, 40.0f).Bytes());
  Ref<Material> single = EffectMaterial("RenderEffects/single.fx");
  ASSERT_NE(MeshWith(single.Get(), At(0, 0, 10), "floor.mesh"), nullptr) << m_log.Dump();
  Light(1, 3, 0, 12, 2.0f);
  Frame();
  EXPECT_EQ(Device()->Calls("SetClipPlane"), 6);
  uint32_t enabled = 1;
  Device()->GetRenderState(GRS_CLIPPLANEENABLE, &enabled);
  EXPECT_EQ(enabled, 0u);
  DisplayMode mode;
  ASSERT_TRUE(GetVideoManager()->GetDisplayMode(&mode));
  const Matrix4x4 viewProjection =
      Matrix4x4::Product(m_camera->GetProjectionMatrix(float(mode.width) / float(mode.height),
                                                       m_world->GetNearZ(), m_world->GetFarZ()),
                         m_camera->GetViewMatrix());
  // Kept: every plane's distance is positive.
  const auto kept = [&](float x, float y, float z) {
    const Vector4D c = viewProjection.TransformVector(Vector4D(x, y, z, 1.0f));
    for (uint32_t i = 0; i < 6; ++i) {
      float plane[4];
      Device()->GetClipPlane(i, plane);
      if (plane[0] * c.x + plane[1] * c.y + plane[2] * c.z + plane[3] * c.w < 0.0f) return false;
    }
    return true;
  };
  // All round the sphere's rim on the floor, and nothing as far as the box's corners.
  for (int degrees = 0; degrees < 360; degrees += 15) {
    const float a = float(degrees) * float(M_PI) / 180.0f;
    EXPECT_TRUE(kept(3 + 1.99f * std::cos(a), 0, 12 + 1.99f * std::sin(a))) << degrees;
    EXPECT_FALSE(kept(3 + 2.6f * std::cos(a), 0, 12 + 2.6f * std::sin(a))) << degrees;
  }
}

// A first batch that brings a shadow map keeps the two passes (the Lit pass
// runs the lookups only where the depth test was won); without maps the same
// light is drawn in AmbientLit.
TEST_F(WorldRendererTest, AFirstBatchWithAShadowMapKeepsTheTwoPasses) {
  Mesh(At(0, 0, 5));
  Light(1, 0, 2, 5, 10.0f, true);
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.EnableShadowMaps.Set(false);
  EXPECT_EQ(Frame(), 2);  // each group once
  cv.EnableShadowMaps.Set(true);
  cv.ShadowMapSize.Set(64);
  EXPECT_GT(Frame(), 2 * 2);  // the map's faces too
  EXPECT_EQ(Frame(), 2 * 2);  // a still scene: ambient, then lit with the map
}

// A wall lit by a shadow-casting light reads the map only where a caster
// can darken it: one repetition there, the rest of its rectangle in bands
// without the map. With the caster's shadow off the wall, one repetition.
TEST_F(WorldRendererTest, ALitRepetitionReadsTheMapOnlyWhereShadowsCanFall) {
  m_dir.Write("wall.mesh", MeshFile::Grid(2, 20.0f).Bytes());
  // The wall is darkened by the map but casts nothing itself.
  m_dir.Write("RenderEffects/receiver.fx", "#define NO_SHADOW_CASTER\n#include \"default.fx\"\n");
  Ref<Material> receiver = EffectMaterial("RenderEffects/receiver.fx");
  ASSERT_NE(MeshWith(receiver.Get(), At(0, 0, 10), "wall.mesh"), nullptr) << m_log.Dump();
  Ref<Material> lit = EffectMaterial(kDefaultEffectFile);
  WorldObject* caster = MeshWith(lit.Get(), At(1, 0.5f, 8));
  ASSERT_NE(caster, nullptr);
  Light(1, 0, 0, 6, 6.0f, true);
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.EnableShadowMaps.Set(true);
  cv.ShadowMapSize.Set(64);
  Frame();
  // Ambient: the wall and the caster's two groups; Lit: the same, the wall split.
  EXPECT_GE(Frame(), 3 + 2 + 2) << m_log.Dump();
  caster->SetWorldTransform(At(0, 0.5f, 3));  // between the eye and the light
  Frame();
  EXPECT_EQ(Frame(), 3 + 2 + 1);
}

TEST_F(WorldRendererTest, ShadowCastersAreCollectedOnce) {
  Mesh(At(0, 0, 5));
  Mesh(At(1, 0, 5));
  LightObjectParams p;
  p.lightType = 1;
  p.castsShadows = true;
  m_world->CreateObject(p);
  Frame();
  EXPECT_EQ(m_world->GetRenderer()->GetShadowLights().size(), 1u);
}

TEST_F(WorldRendererTest, CubeShotWritesSixFaces) {
  Mesh(At(0, 0, 5));
  kaztest::TempDir out("kaz-cube");
  ASSERT_TRUE(m_world->GetRenderer()->RenderCubeShot(Vector3D(), 32, out.Str().c_str()))
      << m_log.Dump();
  for (const char* face : {"right", "left", "up", "down", "front", "back"})
    EXPECT_TRUE(std::filesystem::exists(out.Path() / (std::string("cube_") + face + ".bmp")))
        << face;
  // The back buffer is the target again.
  EXPECT_TRUE(
      static_cast<DeviceVideoManager*>(GetVideoManager())->GetRenderTarget()->IsBackBuffer());
}

TEST_F(WorldRendererTest, RendererFollowsTheWorldsRequests) {
  // Enabling again drops the renderer, as does disabling.
  EXPECT_TRUE(m_world->InitRenderer(true));
  EXPECT_EQ(m_world->GetRenderer(), nullptr);
  EXPECT_TRUE(m_world->InitRenderer(true));
  EXPECT_NE(m_world->GetRenderer(), nullptr);
  EXPECT_TRUE(m_world->InitRenderer(false));
  EXPECT_EQ(m_world->GetRenderer(), nullptr);
}

class WorldRendererPartsTest : public WorldRendererTest {
 protected:
  void SetUp() override {
    WorldRendererTest::SetUp();
    World::SetObjectMaker(ObjectType_DynamicMesh, &g_dynamicMaker);
    m_kind = std::make_unique<TestDynamicKind>(Device());
    m_world->GetRenderer()->SetDrawableKind(ObjectType_DynamicMesh, m_kind.get());
    // Only the depth clear before the held objects is counted.
    CVarRegistry::Instance().GlowEnable.Set(false);
  }
  WorldObject* Make(uint32_t type, const Matrix4x4& where) {
    ObjectParams p(type);
    p.transform = where;
    p.mins = Vector3D(-1, -1, -1);
    p.maxs = Vector3D(1, 1, 1);
    return m_world->CreateObject(p);
  }

  std::unique_ptr<TestDynamicKind> m_kind;
};

TEST_F(WorldRendererPartsTest, DynamicMeshesAreNotCulledAndPVObjectsDrawLast) {
  WorldObject* behind = Make(ObjectType_DynamicMesh, At(0, 0, -50));
  WorldObject* held = Make(ObjectType_DynamicMesh, At(0, 0, 1));
  m_camera->AttachPVObject(held);
  CameraObjectParams other;
  auto* elsewhere = static_cast<CameraObject*>(m_world->CreateObject(other));
  elsewhere->AttachPVObject(Make(ObjectType_DynamicMesh, At(0, 0, 1)));
  Frame();
  // The one behind the camera in both passes, then the held one after a depth clear.
  const TestDynamicKind& calls = *m_kind;
  ASSERT_EQ(calls.dynamicDraws.size(), 3u);
  EXPECT_EQ(calls.dynamicDraws[0], std::make_pair(behind, uint32_t(PASS_AMBIENTEMISSIVE)));
  EXPECT_EQ(calls.dynamicDraws[1], std::make_pair(behind, uint32_t(PASS_LIT)));
  EXPECT_EQ(calls.dynamicDraws[2], std::make_pair(held, uint32_t(PASS_AMBIENTEMISSIVE)));
  EXPECT_EQ(calls.clearsBeforeFirstPV, 1);
  EXPECT_EQ(Stats().dynamicMeshes, 2u);
}

}  // namespace
