// SamplerStateTest.cpp - the GL device's sampler states on a real context.
//
// The device hands sampler states to GL only at the next draw, and only where
// they differ from what GL holds. A two-texel texture (black, white) drawn
// across the screen shows which filter GL used: point gives black left of the
// middle, linear a grey. Skipped when no GL 3.3 context can be created.
#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "render/DeviceVideoManager.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VertexFormat.h"
#include "RenderTestUtil.h"

using namespace rendertest;

namespace {

constexpr uint32_t kWidth = 64, kHeight = 16;

class SamplerState : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "SDL video: " << SDL_GetError();
    m_window = SDL_CreateWindow("kaz sampler test", 0, 0, int(kWidth), int(kHeight),
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!m_window) GTEST_SKIP() << "no GL window: " << SDL_GetError();
    MountTestData();
    CVarRegistry& cv = CVarRegistry::Instance();
    cv.ResetBuiltins();
    cv.ResX.Set(int(kWidth));
    cv.ResY.Set(int(kHeight));
    VideoManager* vm = CreateVideoManager(m_window);
    if (!vm) GTEST_SKIP() << "no OpenGL 3.3 context: " << m_log.Dump();
    ASSERT_EQ(vm->SetDisplayMode(), 0) << m_log.Dump();
    m_vm = static_cast<DeviceVideoManager*>(vm);
    m_texture = CreateTexture(2, 1, TEXTYPE_2D, 2, false, false);
    ASSERT_NE(m_texture, nullptr);
    void* bits = nullptr;
    uint32_t pitch = 0;
    ASSERT_TRUE(m_texture->Lock(0, &bits, &pitch, 0));
    const uint32_t texels[2] = {0xFF000000, 0xFFFFFFFF};
    std::memcpy(bits, texels, sizeof(texels));
    ASSERT_TRUE(m_texture->Unlock());
  }
  void TearDown() override {
    if (m_texture) m_texture->Release();
    if (m_vm) m_vm->Close();
    DestroyVideoManager();
    CVarRegistry::Instance().ResetBuiltins();
    PinMesaModules();
    if (m_window) SDL_DestroyWindow(m_window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  // Draws the texture over the screen through `effect` and returns the red
  // channel a little left of the middle.
  int DrawAndSample(const char* effect) {
    RenderEffect* fx = LoadRenderEffect(effect);
    EXPECT_NE(fx, nullptr) << m_log.Dump();
    if (!fx) return -1;
    struct V {
      float x, y, z, u, v;
    };
    const V verts[6] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0},  {-1, -1, 0.5f, 0, 1},
                        {1, 1, 0.5f, 1, 0},  {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
    VertexBuffer* vb = CreateVertexBuffer(sizeof(V), 6, true);
    std::memcpy(vb->Lock(0, 6), verts, sizeof(verts));
    vb->Unlock();
    DeviceVertexFormat* format = CreateVertexFormat();
    format->AddField(VFT_FLOAT3, VFU_POSITION);
    format->AddField(VFT_FLOAT2, VFU_TEXCOORD);
    format->Activate();
    vb->Activate(0);
    fx->SetTechnique(fx->GetTechniqueByName("Textured"));
    fx->SetMatrix(fx->GetParameterBySemantic("WORLDVIEWPROJMATRIX"), Matrix4x4());
    fx->SetTexture(fx->GetParameterByName("DiffuseMap"), m_texture);
    m_vm->Clear(true, true, false);
    if (fx->Begin() == 1 && fx->BeginPass(0)) {
      EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2)) << m_log.Dump();
      fx->EndPass();
    }
    fx->End();
    m_vm->ReleaseBindings();
    format->Release();
    vb->Release();
    fx->Release();
    return Red(kWidth / 2 - 4, kHeight / 2);
  }
  int Red(uint32_t x, uint32_t y) {
    GDevice* dev = m_vm->GetDevice();
    GSurface* surface = nullptr;
    int red = -1;
    if (GFailed(dev->CreateOffscreenPlainSurface(kWidth, kHeight, FMT_A8R8G8B8, &surface)))
      return red;
    GLockedRect rect;
    if (GSucceeded(dev->GetFrontBufferData(surface)) && GSucceeded(surface->LockRect(&rect, 0))) {
      red = static_cast<const uint8_t*>(rect.bits)[y * uint32_t(rect.pitch) + x * 4 + 2];
      surface->UnlockRect();
    }
    surface->Release();
    return red;
  }
  void SetFilter(GTextureFilter filter) {
    GDevice* dev = m_vm->GetDevice();
    dev->SetSamplerState(0, GSAMP_MAGFILTER, filter);
    dev->SetSamplerState(0, GSAMP_MINFILTER, filter);
  }

  SDL_Window* m_window = nullptr;
  DeviceVideoManager* m_vm = nullptr;
  Texture* m_texture = nullptr;
  kaztest::LogCapture m_log;
};

TEST_F(SamplerState, StatesSetBeforeADrawOrRestoredByAnEffectReachGL) {
  const char* kEffect = "RenderEffects/devicesampler.fx";
  SetFilter(GTEXF_POINT);
  EXPECT_EQ(DrawAndSample(kEffect), 0);
  SetFilter(GTEXF_LINEAR);
  const int grey = DrawAndSample(kEffect);
  EXPECT_GT(grey, 40);
  EXPECT_LT(grey, 200);
  // Switched away and back between draws: GL ends up with the last state.
  SetFilter(GTEXF_POINT);
  SetFilter(GTEXF_LINEAR);
  EXPECT_EQ(DrawAndSample(kEffect), grey);
  // quad.fx samples with point filtering and puts linear back when it ends.
  EXPECT_EQ(DrawAndSample("RenderEffects/quad.fx"), 0);
  EXPECT_EQ(DrawAndSample(kEffect), grey);
}

}  // namespace
