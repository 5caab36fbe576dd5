// GLDeviceFixture.h - a video manager on a real OpenGL context for the device's tests.
//
// One small hidden window (SDL's offscreen driver unless SDL_VIDEODRIVER says
// otherwise) per test suite; each test gets a fresh video manager, the quad
// effect of the render test data, and helpers that draw a quad and read the
// back buffer or a target back. Skipped when no GL 3.3 context can be created.
// Builds on RenderTestUtil.h.
#pragma once

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "render/device/Image.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VertexFormat.h"
#include "RenderTestUtil.h"

namespace rendertest {
constexpr uint32_t kWidth = 64, kHeight = 48;

class GLDeviceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      s_skip = std::string("SDL video: ") + SDL_GetError();
      return;
    }
    s_window = SDL_CreateWindow("kaz render test", 0, 0, int(kWidth), int(kHeight),
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!s_window) s_skip = std::string("no GL window: ") + SDL_GetError();
  }
  static void TearDownTestSuite() {
    PinMesaModules();
    if (s_window) SDL_DestroyWindow(s_window);
    s_window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  void SetUp() override {
    if (!s_skip.empty()) GTEST_SKIP() << s_skip;
    MountTestData();
    CVarRegistry& cv = CVarRegistry::Instance();
    cv.ResetBuiltins();
    cv.ResX.Set(int(kWidth));
    cv.ResY.Set(int(kHeight));
    VideoManager* vm = CreateVideoManager(s_window);
    if (!vm) {
      s_skip = "no OpenGL 3.3 context: " + m_log.Dump();
      GTEST_SKIP() << s_skip;
    }
    ASSERT_EQ(vm->SetDisplayMode(), 0) << m_log.Dump();
    m_vm = static_cast<DeviceVideoManager*>(vm);
    m_fx = Ref<RenderEffect>::Adopt(LoadRenderEffect("RenderEffects/quad.fx"));
    ASSERT_TRUE(m_fx) << m_log.Dump();
    m_fx->SetMatrix(m_fx->GetParameterBySemantic("WORLDVIEWPROJMATRIX"), Matrix4x4());
    m_vm->SetClearColor(0, 0, 0, 1);
  }
  void TearDown() override {
    if (m_vm) {
      m_vm->ReleaseBindings();
      m_quad.Reset();
      m_format.Reset();
      m_fx.Reset();
      m_vm->Close();
      EXPECT_EQ(m_log.Count("still contains"), 0) << m_log.Dump();
    }
    DestroyVideoManager();
    CVarRegistry::Instance().ResetBuiltins();
  }

  // The back buffer (or a target's surface) as BGRA rows, top row first.
  std::vector<uint8_t> ReadBack(GSurface* source = nullptr) {
    GDevice* dev = m_vm->GetDevice();
    GSurface* surf = nullptr;
    std::vector<uint8_t> out;
    GSurfaceDesc d;
    if (source) source->GetDesc(&d);
    uint32_t w = source ? d.width : kWidth, h = source ? d.height : kHeight;
    EXPECT_TRUE(GSucceeded(dev->CreateOffscreenPlainSurface(w, h, FMT_A8R8G8B8, &surf)));
    GResult r = source ? dev->GetRenderTargetData(source, surf) : dev->GetFrontBufferData(surf);
    EXPECT_TRUE(GSucceeded(r));
    GLockedRect lr;
    if (GSucceeded(surf->LockRect(&lr, 0))) {
      const uint8_t* p = static_cast<const uint8_t*>(lr.bits);
      out.assign(p, p + size_t(w) * h * 4);
      surf->UnlockRect();
    }
    surf->Release();
    return out;
  }
  static uint32_t Pixel(const std::vector<uint8_t>& img, uint32_t x, uint32_t y,
                        uint32_t w = kWidth) {
    const uint8_t* p = &img[(size_t(y) * w + x) * 4];
    return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
  }
  // One pixel of the back buffer without its alpha.
  uint32_t Rgb(uint32_t x, uint32_t y) { return Pixel(ReadBack(), x, y) & 0xFFFFFF; }
  // The colour of a target's surface at (x, y), without alpha.
  uint32_t TargetRgb(Texture* target, uint32_t face, uint32_t x, uint32_t y) {
    GSurface* surface = target->GetRenderTargetSurface(face);
    GSurfaceDesc d;
    surface->GetDesc(&d);
    const uint32_t rgb = Pixel(ReadBack(surface), x, y, d.width) & 0xFFFFFF;
    SafeRelease(surface);
    return rgb;
  }
  static Image ReadBmp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Image img;
    std::string why;
    EXPECT_TRUE(DecodeImage(bytes.data(), bytes.size(), &img, &why)) << file << ": " << why;
    return img;
  }
  void Tint(float r, float g, float b, float a) {
    m_fx->SetVector4(m_fx->GetParameterByName("Tint"), r, g, b, a);
  }

  // Binds a full-screen quad in clip space: two clockwise triangles, uv (0,0) at the top left.
  void BindQuad() {
    if (!m_quad) {
      const float verts[6][5] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0},  {-1, -1, 0.5f, 0, 1},
                                 {1, 1, 0.5f, 1, 0},  {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
      m_quad = Ref<VertexBuffer>::Adopt(CreateVertexBuffer(sizeof(verts[0]), 6, true));
      m_format = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
      ASSERT_TRUE(m_quad && m_format);
      std::memcpy(m_quad->Lock(0, 6), verts, sizeof(verts));
      m_quad->Unlock();
      m_format->AddField(VFT_FLOAT3, VFU_POSITION);
      m_format->AddField(VFT_FLOAT2, VFU_TEXCOORD);
    }
    ASSERT_TRUE(m_format->Activate());
    ASSERT_TRUE(m_quad->Activate(0));
  }
  // Begins the one pass of a technique of quad.fx with the quad bound.
  void BeginQuad(const char* technique) {
    BindQuad();
    ASSERT_TRUE(m_fx->SetTechnique(m_fx->GetTechniqueByName(technique)));
    ASSERT_EQ(m_fx->Begin(), 1u);
    ASSERT_TRUE(m_fx->BeginPass(0));
  }
  void EndQuad() {
    m_fx->EndPass();
    m_fx->End();
  }
  void DrawQuad(const char* technique) {
    BeginQuad(technique);
    EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2)) << m_log.Dump();
    EndQuad();
  }

  // A 2x2 texture of the given texels (ARGB): top left, top right, bottom left, bottom right.
  static Ref<Texture> Texture2x2(uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) {
    Ref<Texture> tex = Ref<Texture>::Adopt(CreateTexture(2, 2, TEXTYPE_2D, 2, false, false));
    void* bits = nullptr;
    uint32_t pitch = 0;
    if (!tex || !tex->Lock(0, &bits, &pitch, 0)) return tex;
    const uint32_t rows[2][2] = {{tl, tr}, {bl, br}};
    std::memcpy(bits, rows[0], 8);
    std::memcpy(static_cast<uint8_t*>(bits) + pitch, rows[1], 8);
    tex->Unlock();
    return tex;
  }

  static inline SDL_Window* s_window = nullptr;
  static inline std::string s_skip;
  DeviceVideoManager* m_vm = nullptr;
  Ref<RenderEffect> m_fx;
  Ref<VertexBuffer> m_quad;
  Ref<DeviceVertexFormat> m_format;
  kaztest::LogCapture m_log;
};

}  // namespace rendertest
