// Glow on the fake device: the reduced target kept within bounds and
// following GlowTextureSize and the viewport, the blur and overlay draws
// (the overlay kept to the glowing part of the screen), the clear colour left
// opaque black, no glow work in a frame where nothing glows, an overlay per
// glowing spot and only over the glowing part of a mesh, and a glow.fx
// without its Overlay technique switching glow off.
#include "base/FrameProfiler.h"
#include "MeshFile.h"
#include "render/world/GlowManager.h"
#include "render/world/StaticMeshObject.h"
#include "RenderTestUtil.h"

using namespace rendertest;
using meshtest::MeshFile;

namespace {

class GlowTest : public StartedVideoTest {
 protected:
  // Begin, End and Composite with nothing drawn in between; the draws End and Composite made.
  int Glow(GlowManager& glow) {
    if (!glow.Begin()) return -1;
    Device()->ResetCalls();
    glow.End();
    glow.Composite(0, 0, 10, 10);
    return Device()->Calls("DrawPrimitive");
  }
  CVarRegistry& cv = CVarRegistry::Instance();
};

TEST_F(GlowTest, TargetIsHalfTheSizeWideInTheViewportsShape) {
  GlowManager glow(GetVideoManager());
  GetVideoManager()->SetViewport(0, 0, 400, 300, 0.0f, 1.0f);
  cv.GlowTextureSize.Set(16);
  ASSERT_GE(Glow(glow), 0) << m_log.Dump();
  EXPECT_EQ(cv.GlowTextureSize.Get(), 64);
  EXPECT_EQ(glow.GetTarget(0)->GetWidth(), 32u);
  EXPECT_EQ(glow.GetTarget(0)->GetHeight(), 24u);
  cv.GlowTextureSize.Set(5000);
  ASSERT_GE(Glow(glow), 0);
  EXPECT_EQ(cv.GlowTextureSize.Get(), 1024);
  EXPECT_EQ(glow.GetTarget(1)->GetWidth(), 512u);
  EXPECT_EQ(glow.GetTarget(1)->GetHeight(), 384u);
  // A round of the nine-tap blur reaches four target texels and a quarter:
  // 400 / 512 screen pixels each, and a pixel more for the rounding.
  EXPECT_EQ(glow.GetSpread(), 4u);
  GetVideoManager()->SetViewport(0, 0, 400, 100, 0.0f, 1.0f);
  ASSERT_GE(Glow(glow), 0);
  EXPECT_EQ(glow.GetTarget(0)->GetHeight(), 128u);
}

TEST_F(GlowTest, BlurRoundsThenAScissoredOverlayAndAnOpaqueBlackClear) {
  GetVideoManager()->SetClearColor(0.5f, 0.25f, 1.0f, 0.0f);
  GlowManager glow(GetVideoManager());
  EXPECT_EQ(Glow(glow), 2 * GlowManager::kBlurRounds + 1) << m_log.Dump();
  EXPECT_EQ(glow.GetCurrentIndex(), 0u);  // an even number of flips
  EXPECT_EQ(Device()->Calls("SetScissorRect"), 1);
  GRect scissor;
  Device()->GetScissorRect(&scissor);
  EXPECT_EQ(scissor.right, 10);
  uint32_t enabled = 1;
  Device()->GetRenderState(GRS_SCISSORTESTENABLE, &enabled);
  EXPECT_EQ(enabled, 0u);  // the rest of the frame is not clipped
  float c[4];
  GetVideoManager()->GetClearColor(&c[0], &c[1], &c[2], &c[3]);
  EXPECT_EQ(c[0] + c[1] + c[2], 0.0f);
  EXPECT_EQ(c[3], 1.0f);
  cv.DrawGlowTexture.Set(true);
  EXPECT_EQ(Glow(glow), 2 * GlowManager::kBlurRounds + 2);
  // The scene's target is back.
  EXPECT_NE(GetVideoManager()->GetRenderTarget(), glow.GetTarget(0));
  EXPECT_NE(GetVideoManager()->GetRenderTarget(), glow.GetTarget(1));
}

class GlowSceneTest : public GlowTest {
 protected:
  void SetUp() override {
    GlowTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    m_dir.Write("q.mesh", MeshFile::Quad().Bytes());
    m_dir.Write("RenderEffects/shine.fx",
                "float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;\n"
                "vertexshader VS { void main() { gl_Position = WorldViewProj * "
                "vec4(in_Position.xyz, 1.0); } }\n"
                "pixelshader PS { void main() { FragColor = vec4(1.0); } }\n"
                "technique AmbientEmissive { pass P0 { VertexShader = VS; PixelShader = PS; } }\n"
                "technique Glow { pass P0 { VertexShader = VS; PixelShader = PS; } }\n");
    StartWorld();
    cv.GlowEnable.Set(true);
  }
  void TearDown() override {
    FrameProfiler::Instance().Reset();
    GlowTest::TearDown();
  }
  void Mesh(float x, const char* effect) {
    Ref<Material> material = Ref<Material>::Adopt(CreateMaterial());
    ASSERT_TRUE(material->SetRenderEffect(effect)) << m_log.Dump();
    StaticMeshObjectParams p;
    p.fileName = "q.mesh";
    p.transform = Matrix4x4::MakeTranslation(Vector3D(x, 0, 5));
    p.defaultMaterial = material.Get();
    ASSERT_NE(m_world->CreateObject(p), nullptr) << m_log.Dump();
  }
  kaztest::TempDir m_dir{"kaz-glow"};
};

TEST_F(GlowSceneTest, NothingGlowingMeansNoGlowWorkAndTheGlowPartReadsZero) {
  Mesh(0, "RenderEffects/default.fx");
  FrameProfiler& profiler = FrameProfiler::Instance();
  profiler.SetOverlay(true);
  profiler.BeginFrame();
  Device()->ResetCalls();
  m_world->GetRenderer()->Render(m_camera);
  profiler.BeginFrame();
  EXPECT_EQ(Device()->Calls("DrawPrimitive"), 0);  // no blur, no overlay
  EXPECT_EQ(Device()->Calls("SetRenderTarget"), 0);
  EXPECT_EQ(profiler.GetLastFrame().seconds[ProfilePart_Glow], 0.0);
  EXPECT_GT(profiler.GetLastFrame().seconds[ProfilePart_Ambient], 0.0);
  EXPECT_TRUE(cv.GlowEnable.Get());

  // One glowing object in view: it goes into the glow's target, blurred and laid over.
  Mesh(1, "RenderEffects/shine.fx");
  profiler.BeginFrame();
  Device()->ResetCalls();
  m_world->GetRenderer()->Render(m_camera);
  profiler.BeginFrame();
  EXPECT_EQ(Device()->Calls("DrawPrimitive"), 2 * GlowManager::kBlurRounds + 1);
  EXPECT_GT(profiler.GetLastFrame().seconds[ProfilePart_Glow], 0.0);
  // The overlay is kept to where the glowing quad lies, widened by the blur's spread.
  GRect scissor;
  Device()->GetScissorRect(&scissor);
  EXPECT_GT(scissor.left, 0);
  EXPECT_LT(scissor.right, int32_t(CVarRegistry::Instance().ResX.Get()));
  // The quad's two groups, in the Glow pass and the AmbientEmissive pass.
  EXPECT_EQ(m_world->GetRenderer()->GetStats().staticMeshes, 2u);
}

// Glowing objects apart get an overlay each, sparing the pixels between
// them; objects whose glow overlaps share one, so no pixel glows twice.
TEST_F(GlowSceneTest, GlowingObjectsApartGetAnOverlayEachAndOverlappingOnesShareIt) {
  Mesh(-3, "RenderEffects/shine.fx");
  Mesh(3, "RenderEffects/shine.fx");
  Device()->ResetCalls();
  m_world->GetRenderer()->Render(m_camera);
  EXPECT_EQ(Device()->Calls("DrawPrimitive"), 2 * GlowManager::kBlurRounds + 2);
  const int32_t middle = CVarRegistry::Instance().ResX.Get() / 2;
  GRect last;
  Device()->GetScissorRect(&last);
  EXPECT_TRUE(last.right < middle || last.left > middle);
  Mesh(-2.9f, "RenderEffects/shine.fx");
  Device()->ResetCalls();
  m_world->GetRenderer()->Render(m_camera);
  EXPECT_EQ(Device()->Calls("DrawPrimitive"), 2 * GlowManager::kBlurRounds + 2);
}

// A wall with a small glowing spot in its upper right: the overlay covers the
// spot and its halo, not the wall.
TEST_F(GlowSceneTest, OnlyThePartOfAMeshThatGlowsGetsTheOverlay) {
  MeshFile wall = MeshFile::Grid(1, 2.0f);
  const uint16_t first = uint16_t(wall.vertices.size() / wall.floatsPerVertex);
  for (auto [x, y] : {std::pair{1.5f, 1.5f}, {2.0f, 1.5f}, {2.0f, 2.0f}})
    wall.vertices.insert(wall.vertices.end(), {x, y, 0, 0, 0, -1, 0, 0});
  wall.groups.push_back({"spot", {first, uint16_t(first + 1), uint16_t(first + 2)}});
  m_dir.Write("wall.mesh", wall.Bytes());
  Ref<Material> plain = Ref<Material>::Adopt(CreateMaterial());
  Ref<Material> shine = Ref<Material>::Adopt(CreateMaterial());
  ASSERT_TRUE(plain->SetRenderEffect("RenderEffects/default.fx")) << m_log.Dump();
  ASSERT_TRUE(shine->SetRenderEffect("RenderEffects/shine.fx")) << m_log.Dump();
  StaticMeshObjectParams p;
  p.fileName = "wall.mesh";
  p.transform = Matrix4x4::MakeTranslation(Vector3D(0, 0, 5));
  p.materials = {{"face", plain.Get()}, {"spot", shine.Get()}};
  ASSERT_NE(m_world->CreateObject(p), nullptr) << m_log.Dump();
  Device()->ResetCalls();
  m_world->GetRenderer()->Render(m_camera);
  ASSERT_EQ(Device()->Calls("DrawPrimitive"), 2 * GlowManager::kBlurRounds + 1);
  GRect scissor;
  Device()->GetScissorRect(&scissor);
  EXPECT_GT(scissor.left, CVarRegistry::Instance().ResX.Get() / 2);
  EXPECT_LT(scissor.bottom, CVarRegistry::Instance().ResY.Get() / 2);
  EXPECT_GT(scissor.right, scissor.left);
}

TEST_F(GlowSceneTest, EffectWithoutOverlaySwitchesGlowOff) {
  m_dir.Write("RenderEffects/internal/glow.fx",
              "texture T : TEXTURE;\n"
              "vertexshader VS { void main() { gl_Position = vec4(in_Position.xyz, 1.0); } }\n"
              "pixelshader PS { void main() { FragColor = vec4(1.0); } }\n"
              "technique BlurH { pass P0 { VertexShader = VS; PixelShader = PS; } }\n"
              "technique BlurV { pass P0 { VertexShader = VS; PixelShader = PS; } }\n");
  Mesh(0, "RenderEffects/shine.fx");
  m_world->GetRenderer()->Render(m_camera);
  EXPECT_FALSE(cv.GlowEnable.Get());
  EXPECT_EQ(
      m_log.Count("GlowManager: Glow.fx does not contain BlurH, BlurV and Overlay techniques."), 1);
}

}  // namespace
