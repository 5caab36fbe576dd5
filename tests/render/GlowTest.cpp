// Glow on the fake device: the target size kept within bounds and followed,
// the blur and overlay draws, the clear colour left opaque black, and a
// glow.fx without its Overlay technique switching glow off for the frame.
#include "render/world/GlowManager.h"
#include "RenderTestUtil.h"

using namespace rendertest;

namespace {

class GlowTest : public StartedVideoTest {
 protected:
  // Begin and End with nothing drawn in between; the draws End made.
  int Glow(GlowManager& glow) {
    if (!glow.Begin()) return -1;
    Device()->ResetCalls();
    glow.End();
    return Device()->Calls("DrawPrimitive");
  }
  CVarRegistry& cv = CVarRegistry::Instance();
};

TEST_F(GlowTest, TargetSizeIsClampedAndFollowed) {
  GlowManager glow(GetVideoManager());
  cv.GlowTextureSize.Set(16);
  ASSERT_GE(Glow(glow), 0) << m_log.Dump();
  EXPECT_EQ(cv.GlowTextureSize.Get(), 64);
  EXPECT_EQ(glow.GetTarget(0)->GetWidth(), 64u);
  cv.GlowTextureSize.Set(5000);
  ASSERT_GE(Glow(glow), 0);
  EXPECT_EQ(cv.GlowTextureSize.Get(), 1024);
  EXPECT_EQ(glow.GetTarget(1)->GetHeight(), 1024u);
  cv.GlowTextureSize.Set(128);
  ASSERT_GE(Glow(glow), 0);
  EXPECT_EQ(glow.GetTarget(0)->GetWidth(), 128u);
}

TEST_F(GlowTest, EightBlurPassesThenTheOverlayAndAnOpaqueBlackClear) {
  GetVideoManager()->SetClearColor(0.5f, 0.25f, 1.0f, 0.0f);
  GlowManager glow(GetVideoManager());
  EXPECT_EQ(Glow(glow), 2 * GlowManager::kBlurRounds + 1) << m_log.Dump();
  EXPECT_EQ(glow.GetCurrentIndex(), 0u);  // an even number of flips
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

TEST_F(GlowTest, EffectWithoutOverlaySwitchesGlowOff) {
  kaztest::TempDir dir("kaz-glow");
  dir.Write("RenderEffects/internal/glow.fx",
            "texture T : TEXTURE;\n"
            "vertexshader VS { void main() { gl_Position = vec4(in_Position.xyz, 1.0); } }\n"
            "pixelshader PS { void main() { FragColor = vec4(1.0); } }\n"
            "technique BlurH { pass P0 { VertexShader = VS; PixelShader = PS; } }\n"
            "technique BlurV { pass P0 { VertexShader = VS; PixelShader = PS; } }\n");
  FileSystem::AddToSearchPath(dir.Str(), false);
  StartWorld();
  cv.GlowEnable.Set(true);
  m_world->GetRenderer()->Render(m_camera);
  EXPECT_FALSE(cv.GlowEnable.Get());
  EXPECT_EQ(
      m_log.Count("GlowManager: Glow.fx does not contain BlurH, BlurV and Overlay techniques."), 1);
}

}  // namespace
