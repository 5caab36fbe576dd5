// GLDeviceTest.cpp - tests of the OpenGL device on a real context.
//
// The OpenGL device on a real context (SDL's offscreen driver on Mesa): clear,
// present and screenshot, a textured quad through an effect, Direct3D's
// winding and orientation, render targets saved as BMP, states restored when
// an effect ends. Skipped when no GL 3.3 context can be created.
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "RenderTestUtil.h"
#include "render/GlowManager.h"
#include "render/GpuBuffers.h"
#include "render/Image.h"
#include "render/RenderEffect.h"
#include "render/Texture.h"
#include "render/VertexFormat.h"

using namespace rendertest;
namespace fs = std::filesystem;

// Mesa's driver keeps a few allocations for the life of the process and is
// unloaded at exit, which leaves LeakSanitizer with nameless frames. Pinning
// the driver's modules keeps their names, and these lines excuse them.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:dri.so\nleak:libgallium\nleak:libLLVM\nleak:libGLX_mesa\nleak:libEGL_mesa\nleak:"
         "libglapi\n";
}

namespace {

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
    m_vm = static_cast<GLVideoManager*>(vm);
  }
  void TearDown() override {
    if (m_vm) {
      m_vm->Close();
      EXPECT_EQ(m_log.Count("still contains"), 0) << m_log.Dump();
    }
    DestroyVideoManager();
    CVarRegistry::Instance().ResetBuiltins();
  }

  // The back buffer as BGRA rows, top row first.
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

  // A full-screen quad in clip space, two clockwise triangles, uv (0,0) at the top left.
  void DrawQuad(GLRenderEffect* fx, const char* technique) {
    struct V {
      float x, y, z, u, v;
    };
    const V verts[6] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0},  {-1, -1, 0.5f, 0, 1},
                        {1, 1, 0.5f, 1, 0},  {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
    GLVertexBuffer* vb = CreateVertexBuffer(sizeof(V), 6, true);
    ASSERT_NE(vb, nullptr);
    std::memcpy(vb->Lock(0, 6), verts, sizeof(verts));
    vb->Unlock();
    GLVertexFormat* fmt = CreateVertexFormat();
    fmt->AddField(VFT_FLOAT3, VFU_POSITION);
    fmt->AddField(VFT_FLOAT2, VFU_TEXCOORD);
    ASSERT_TRUE(fmt->Activate());
    ASSERT_TRUE(vb->Activate(0));
    ASSERT_TRUE(fx->SetTechnique(fx->GetTechniqueByName(technique)));
    fx->SetMatrix(fx->GetParameterBySemantic("WORLDVIEWPROJMATRIX"), Matrix4x4());
    uint32_t passes = fx->Begin();
    ASSERT_EQ(passes, 1u);
    ASSERT_TRUE(fx->BeginPass(0));
    EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2)) << m_log.Dump();
    fx->EndPass();
    fx->End();
    m_vm->ReleaseBindings();
    fmt->Release();
    vb->Release();
  }

  // A 2x2 texture of one colour (ARGB).
  static GLTexture* SolidTexture(uint32_t argb) {
    GLTexture* tex = CreateTexture(2, 2, TEXTYPE_2D, 2, false, false);
    void* bits = nullptr;
    uint32_t pitch = 0;
    if (!tex || !tex->Lock(0, &bits, &pitch, 0)) return tex;
    const uint32_t row[2] = {argb, argb};
    std::memcpy(bits, row, 8);
    std::memcpy(static_cast<uint8_t*>(bits) + pitch, row, 8);
    tex->Unlock();
    return tex;
  }

  static SDL_Window* s_window;
  static std::string s_skip;
  GLVideoManager* m_vm = nullptr;
  kaztest::LogCapture m_log;
};

SDL_Window* GLDeviceTest::s_window = nullptr;
std::string GLDeviceTest::s_skip;

TEST_F(GLDeviceTest, ClearPresentAndScreenshotHaveTheClearColour) {
  m_vm->SetClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  ASSERT_TRUE(m_vm->BeginScene());
  ASSERT_TRUE(m_vm->Clear(true, true, false));
  ASSERT_TRUE(m_vm->EndScene());
  ASSERT_TRUE(m_vm->Present()) << m_log.Dump();
  kaztest::TempDir tmp("kaz_glshots");
  fs::path dir = tmp.Path() / "shots";  // made by the first screenshot
  ASSERT_TRUE(m_vm->TakeScreenShot(dir.c_str(), "screenshot")) << m_log.Dump();
  std::ifstream in(dir / "screenshot000.bmp", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Image img;
  std::string why;
  ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), &img, &why)) << why;
  EXPECT_EQ(img.width, kWidth);
  EXPECT_EQ(img.height, kHeight);
  const std::vector<uint8_t>& px = img.data[0];
  for (size_t i = 0; i < px.size(); i += 4) {
    ASSERT_EQ(px[i + 2], 255) << i;  // red
    ASSERT_EQ(px[i + 1], 0);
    ASSERT_EQ(px[i + 0], 0);
  }
}

TEST_F(GLDeviceTest, TexturedQuadThroughAnEffectKeepsTheImageUpright) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  GLTexture* tex = CreateTexture(2, 2, TEXTYPE_2D, 2, false, false);
  ASSERT_NE(tex, nullptr);
  void* bits = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(tex->Lock(0, &bits, &pitch, 0));
  const uint32_t texels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                              0xFFFFFFFF};  // TL red, TR green, BL blue, BR white
  std::memcpy(bits, texels, 8);
  std::memcpy(static_cast<uint8_t*>(bits) + pitch, texels + 2, 8);
  ASSERT_TRUE(tex->Unlock());
  fx->SetTexture(fx->GetParameterByName("DiffuseMap"), tex);
  m_vm->SetClearColor(0, 0, 0, 1);
  m_vm->Clear(true, true, false);
  DrawQuad(fx, "Textured");
  std::vector<uint8_t> img = ReadBack();
  EXPECT_EQ(Pixel(img, 2, 2), 0xFFFF0000u);
  EXPECT_EQ(Pixel(img, kWidth - 3, 2), 0xFF00FF00u);
  EXPECT_EQ(Pixel(img, 2, kHeight - 3), 0xFF0000FFu);
  EXPECT_EQ(Pixel(img, kWidth - 3, kHeight - 3), 0xFFFFFFFFu);
  tex->Release();
  fx->Release();
}

TEST_F(GLDeviceTest, ClockwiseTrianglesAreFrontFaces) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  fx->SetVector4(fx->GetParameterByName("Tint"), 0, 1, 0, 1);
  m_vm->Clear(true, true, false);
  DrawQuad(fx, "Culled");  // default culling removes counter-clockwise faces
  EXPECT_EQ(Pixel(ReadBack(), 10, 10), 0xFF00FF00u);
  m_vm->Clear(true, true, false);
  DrawQuad(fx, "CulledCW");
  EXPECT_EQ(Pixel(ReadBack(), 10, 10), 0xFF000000u);
  fx->Release();
}

TEST_F(GLDeviceTest, EffectStatesAreRestoredWhenItEnds) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  GDevice* dev = m_vm->GetDevice();
  ASSERT_TRUE(fx->SetTechnique(fx->GetTechniqueByName("Blended")));
  ASSERT_EQ(fx->Begin(), 1u);
  ASSERT_TRUE(fx->BeginPass(0));
  uint32_t blend = 0, cull = 0, zwrite = 0;
  dev->GetRenderState(GRS_ALPHABLENDENABLE, &blend);
  dev->GetRenderState(GRS_CULLMODE, &cull);
  EXPECT_EQ(blend, 1u);
  EXPECT_EQ(cull, uint32_t(GCULL_NONE));
  fx->EndPass();
  fx->End();
  dev->GetRenderState(GRS_ALPHABLENDENABLE, &blend);
  dev->GetRenderState(GRS_CULLMODE, &cull);
  dev->GetRenderState(GRS_ZWRITEENABLE, &zwrite);
  EXPECT_EQ(blend, 0u);
  EXPECT_EQ(cull, uint32_t(GCULL_CCW));
  EXPECT_EQ(zwrite, 1u);
  // And GL agrees: a half-transparent quad drawn after the blended one is opaque.
  fx->SetVector4(fx->GetParameterByName("Tint"), 1, 1, 1, 0.5f);
  m_vm->SetClearColor(0, 0, 0, 1);
  m_vm->Clear(true, true, false);
  DrawQuad(fx, "Blended");
  uint32_t blended = Pixel(ReadBack(), 5, 5);
  EXPECT_NEAR(int((blended >> 16) & 255), 128, 2);
  DrawQuad(fx, "Culled");
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0xFFFFFFu);
  fx->Release();
}

TEST_F(GLDeviceTest, AlphaTestDiscardsInTheFragmentEpilogue) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  m_vm->SetClearColor(0, 0, 0, 1);
  m_vm->Clear(true, true, false);
  fx->SetVector4(fx->GetParameterByName("Tint"), 1, 1, 1, 0.25f);  // alpha 64 fails "> 128"
  DrawQuad(fx, "AlphaTested");
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0u);
  fx->SetVector4(fx->GetParameterByName("Tint"), 1, 1, 1, 0.75f);
  DrawQuad(fx, "AlphaTested");
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0xFFFFFFu);
  fx->Release();
}

TEST_F(GLDeviceTest, DeviceMakesExactlyTheTablesFormats) {
  ExpectDeviceFollowsFormatTable(m_vm->GetDevice());
}

TEST_F(GLDeviceTest, TargetInTheBackBuffersFormatRenders) {
  uint32_t format = m_vm->GetRenderTarget()->GetFormat();
  GLTexture* rt = CreateTexture(16, 16, TEXTYPE_2D, format, false, true);
  ASSERT_NE(rt, nullptr) << m_log.Dump();
  EXPECT_EQ(rt->GetFormat(), format);
  ASSERT_TRUE(rt->ActivateAsRenderTarget(0));
  m_vm->SetClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  ASSERT_TRUE(m_vm->Clear(true, false, false));
  GSurface* surface = rt->GetGLRenderTargetSurface(0);
  EXPECT_EQ(Pixel(ReadBack(surface), 3, 3, 16) & 0xFFFFFF, 0x0000FFu);
  SafeRelease(surface);
  m_vm->ReleaseBindings();
  rt->Release();
}

TEST_F(GLDeviceTest, CubeFacesRenderSeparately) {
  GLTexture* cube = CreateTexture(8, 8, TEXTYPE_CUBE, 2, false, true);
  ASSERT_NE(cube, nullptr) << m_log.Dump();
  const float colours[2][3] = {{1, 0, 0}, {0, 1, 0}};
  for (uint32_t face : {1u, 2u}) {
    ASSERT_TRUE(cube->ActivateAsRenderTarget(face));
    m_vm->SetClearColor(colours[face - 1][0], colours[face - 1][1], colours[face - 1][2], 1.0f);
    ASSERT_TRUE(m_vm->Clear(true, false, false));
  }
  for (uint32_t face : {1u, 2u}) {
    GSurface* surface = cube->GetGLRenderTargetSurface(face);
    EXPECT_EQ(Pixel(ReadBack(surface), 4, 4, 8) & 0xFFFFFF, face == 1 ? 0xFF0000u : 0x00FF00u);
    SafeRelease(surface);
  }
  cube->Release();
}

TEST_F(GLDeviceTest, RenderTargetClearedAndSavedAsBmp) {
  GLTexture* rt = CreateTexture(32, 16, TEXTYPE_2D, 2, false, true);
  ASSERT_NE(rt, nullptr) << m_log.Dump();
  ASSERT_TRUE(rt->ActivateAsRenderTarget(0));
  m_vm->SetClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  ASSERT_TRUE(m_vm->Clear(true, false, false));
  kaztest::TempDir tmp("kaz_rt");
  fs::path file = tmp.Path() / "rt.bmp";
  ASSERT_TRUE(rt->SaveToFile(file.c_str())) << m_log.Dump();
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Image img;
  std::string why;
  ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), &img, &why)) << why;
  EXPECT_EQ(img.width, 32u);
  EXPECT_EQ(img.height, 16u);
  EXPECT_EQ(img.data[0][1], 255);
  EXPECT_EQ(img.data[0][2], 0);
  // Back to the screen, which the clear did not touch.
  ASSERT_TRUE(m_vm->GetRenderTarget() == rt);
  GLVideoManager* vm = m_vm;
  GLTexture* screen = nullptr;
  vm->ReleaseBindings();
  (void)screen;
  rt->Release();
}

TEST_F(GLDeviceTest, CompressedTextureDecodesOnTheDevice) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  GLTexture* tex = LoadTexture("Textures/red_dxt1.dds");
  ASSERT_NE(tex, nullptr) << m_log.Dump();
  EXPECT_EQ(tex->GetFormat(), 7u);
  fx->SetTexture(fx->GetParameterByName("DiffuseMap"), tex);
  m_vm->Clear(true, true, false);
  DrawQuad(fx, "Textured");
  EXPECT_EQ(Pixel(ReadBack(), 20, 20) & 0xFFFFFF, 0xFF0000u);
  tex->Release();
  fx->Release();
}

TEST_F(GLDeviceTest, GlslErrorsNameTheEffectFileAndLine) {
  EXPECT_EQ(LoadRenderEffect("RenderEffects/broken.fx"), nullptr);
  EXPECT_EQ(
      m_log.Count("Error compiling RenderEffect file 'RenderEffects/broken.fx'", LogLevel_Error),
      1);
  EXPECT_GE(m_log.Count("RenderEffects/broken.fx(9)", LogLevel_Detail), 1) << m_log.Dump();
}

TEST_F(GLDeviceTest, ResetKeepsLoadedTexturesAndRecreatesTargets) {
  GLTexture* tex = LoadTexture("Textures/red_dxt1.dds");
  GLTexture* rt = CreateTexture(16, 16, TEXTYPE_2D, 2, false, true);
  ASSERT_TRUE(tex && rt);
  CVarRegistry::Instance().ResX.Set(80);
  ASSERT_EQ(m_vm->RestartVideo(), 0) << m_log.Dump();
  EXPECT_NE(tex->GetGLTexture(), nullptr);
  EXPECT_NE(rt->GetGLTexture(), nullptr);
  EXPECT_EQ(m_vm->GetRenderTarget()->GetWidth(), 80u);
  tex->Release();
  rt->Release();
}

// The device and the effects skip bindings and uploads that have not changed;
// these make sure a change between draws still reaches GL.
TEST_F(GLDeviceTest, AlphaTestSwitchedInsideAPassAppliesAtCommit) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  GDevice* dev = m_vm->GetDevice();
  struct V {
    float x, y, z;
  };
  const V verts[6] = {{-1, 1, 0.5f}, {1, 1, 0.5f},  {-1, -1, 0.5f},
                      {1, 1, 0.5f},  {1, -1, 0.5f}, {-1, -1, 0.5f}};
  GLVertexBuffer* vb = CreateVertexBuffer(sizeof(V), 6, false);
  GLVertexFormat* fmt = CreateVertexFormat();
  ASSERT_TRUE(vb && fmt);
  std::memcpy(vb->Lock(0, 6), verts, sizeof(verts));
  vb->Unlock();
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  ASSERT_TRUE(fmt->Activate());
  ASSERT_TRUE(vb->Activate(0));
  fx->SetVector4(fx->GetParameterByName("Tint"), 1, 1, 1, 0.25f);  // alpha 64
  fx->SetMatrix(fx->GetParameterBySemantic("WORLDVIEWPROJMATRIX"), Matrix4x4());
  ASSERT_TRUE(fx->SetTechnique(fx->GetTechniqueByName("Culled")));
  m_vm->SetClearColor(0, 0, 0, 1);
  m_vm->Clear(true, true, false);
  ASSERT_EQ(fx->Begin(), 1u);
  ASSERT_TRUE(fx->BeginPass(0));
  dev->SetRenderState(GRS_ALPHATESTENABLE, 1);
  dev->SetRenderState(GRS_ALPHAFUNC, GCMP_GREATER);
  dev->SetRenderState(GRS_ALPHAREF, 128);
  fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0u) << "alpha test switched on inside the pass";
  dev->SetRenderState(GRS_ALPHAREF, 32);
  fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0xFFFFFFu) << "new reference value";
  m_vm->Clear(true, true, false);
  dev->SetRenderState(GRS_ALPHATESTENABLE, 0);
  fx->SetVector4(fx->GetParameterByName("Tint"), 0, 1, 0,
                 0.25f);  // uploaded to the other variant too
  fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0x00FF00u) << "alpha test switched off again";
  fx->EndPass();
  fx->End();
  // A technique that tests alpha leaves no test behind for the next one.
  m_vm->Clear(true, true, false);
  DrawQuad(fx, "AlphaTested");
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0u);
  DrawQuad(fx, "Culled");
  EXPECT_EQ(Pixel(ReadBack(), 5, 5) & 0xFFFFFF, 0x00FF00u);
  m_vm->ReleaseBindings();
  fmt->Release();
  vb->Release();
  fx->Release();
}

TEST_F(GLDeviceTest, TextureChangedInsideAPassIsBoundAtCommit) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  GLTexture* red = SolidTexture(0xFFFF0000);
  GLTexture* green = SolidTexture(0xFF00FF00);
  ASSERT_TRUE(red && green);
  struct V {
    float x, y, z, u, v;
  };
  const V verts[6] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0},  {-1, -1, 0.5f, 0, 1},
                      {1, 1, 0.5f, 1, 0},  {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
  GLVertexBuffer* vb = CreateVertexBuffer(sizeof(V), 6, false);
  GLVertexFormat* fmt = CreateVertexFormat();
  ASSERT_TRUE(vb && fmt);
  std::memcpy(vb->Lock(0, 6), verts, sizeof(verts));
  vb->Unlock();
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  fmt->AddField(VFT_FLOAT2, VFU_TEXCOORD);
  ASSERT_TRUE(fmt->Activate());
  ASSERT_TRUE(vb->Activate(0));
  EffectHandle map = fx->GetParameterByName("DiffuseMap");
  fx->SetTexture(map, red);
  fx->SetMatrix(fx->GetParameterBySemantic("WORLDVIEWPROJMATRIX"), Matrix4x4());
  ASSERT_TRUE(fx->SetTechnique(fx->GetTechniqueByName("Textured")));
  ASSERT_EQ(fx->Begin(), 1u);
  ASSERT_TRUE(fx->BeginPass(0));
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Pixel(ReadBack(), 5, 5), 0xFFFF0000u);
  fx->SetTexture(map, green);
  fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Pixel(ReadBack(), 5, 5), 0xFF00FF00u);
  fx->EndPass();
  fx->End();
  m_vm->ReleaseBindings();
  fmt->Release();
  vb->Release();
  red->Release();
  green->Release();
  fx->Release();
}

TEST_F(GLDeviceTest, BuffersSwitchedBetweenDrawsAreDrawn) {
  GLRenderEffect* fx = LoadRenderEffect("RenderEffects/quad.fx");
  ASSERT_NE(fx, nullptr) << m_log.Dump();
  struct V {
    float x, y, z;
  };
  // Corners of the screen; the second buffer is the same square shrunk to the left half.
  const V full[4] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {1, -1, 0.5f}, {-1, -1, 0.5f}};
  const V left[4] = {{-1, 1, 0.5f}, {0, 1, 0.5f}, {0, -1, 0.5f}, {-1, -1, 0.5f}};
  const uint16_t both[6] = {0, 1, 2, 0, 2, 3};   // the whole square, clockwise
  const uint16_t upper[6] = {0, 1, 2, 0, 1, 2};  // its top-right triangle twice
  GLVertexBuffer* vbFull = CreateVertexBuffer(sizeof(V), 4, false);
  GLVertexBuffer* vbLeft = CreateVertexBuffer(sizeof(V), 4, false);
  GLIndexBuffer* ibBoth = CreateIndexBuffer(0, 6, false);
  GLIndexBuffer* ibUpper = CreateIndexBuffer(0, 6, false);
  GLVertexFormat* fmt = CreateVertexFormat();
  ASSERT_TRUE(vbFull && vbLeft && ibBoth && ibUpper && fmt);
  std::memcpy(vbFull->Lock(0, 4), full, sizeof(full));
  vbFull->Unlock();
  std::memcpy(vbLeft->Lock(0, 4), left, sizeof(left));
  vbLeft->Unlock();
  std::memcpy(ibBoth->Lock(0, 6), both, sizeof(both));
  ibBoth->Unlock();
  std::memcpy(ibUpper->Lock(0, 6), upper, sizeof(upper));
  ibUpper->Unlock();
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  fx->SetVector4(fx->GetParameterByName("Tint"), 1, 1, 1, 1);
  fx->SetMatrix(fx->GetParameterBySemantic("WORLDVIEWPROJMATRIX"), Matrix4x4());
  ASSERT_TRUE(fx->SetTechnique(fx->GetTechniqueByName("Culled")));
  m_vm->SetClearColor(0, 0, 0, 1);
  // Which of the top-right and bottom-left corners got drawn.
  auto draw = [&](GLVertexBuffer* vb, GLIndexBuffer* ib) {
    m_vm->Clear(true, true, false);
    EXPECT_TRUE(fmt->Activate());
    EXPECT_TRUE(vb->Activate(0));
    EXPECT_TRUE(ib->Activate());
    EXPECT_EQ(fx->Begin(), 1u);
    EXPECT_TRUE(fx->BeginPass(0));
    EXPECT_TRUE(m_vm->DrawIndexedPrimitive(PRIM_TRIANGLES, 0, 4, 0, 2)) << m_log.Dump();
    fx->EndPass();
    fx->End();
    std::vector<uint8_t> img = ReadBack();
    std::string got;
    got += (Pixel(img, kWidth - 3, 2) & 0xFFFFFF) ? '1' : '0';
    got += (Pixel(img, 2, kHeight - 3) & 0xFFFFFF) ? '1' : '0';
    return got;
  };
  EXPECT_EQ(draw(vbFull, ibBoth), "11");
  EXPECT_EQ(draw(vbFull, ibUpper), "10");
  EXPECT_EQ(draw(vbFull, ibBoth), "11");
  EXPECT_EQ(draw(vbLeft, ibBoth), "01");
  EXPECT_EQ(draw(vbFull, ibBoth), "11");
  // After a reset the device's bindings are gone; activating the same buffers binds them again.
  CVarRegistry::Instance().ResX.Set(int(kWidth));
  ASSERT_EQ(m_vm->RestartVideo(), 0) << m_log.Dump();
  EXPECT_EQ(draw(vbFull, ibUpper), "10");
  EXPECT_EQ(draw(vbLeft, ibBoth), "01");
  // And after the bindings were released.
  m_vm->ReleaseBindings();
  EXPECT_EQ(draw(vbFull, ibBoth), "11");
  m_vm->ReleaseBindings();
  fmt->Release();
  vbFull->Release();
  vbLeft->Release();
  ibBoth->Release();
  ibUpper->Release();
  fx->Release();
}

// A white square drawn into the glow target lights more of the black screen
// than the square covers, on the same side of the screen.
TEST_F(GLDeviceTest, GlowLightsTheNeighboursOfABrightSquare) {
  CVarRegistry::Instance().GlowTextureSize.Set(64);
  GlowManager glow(m_vm);
  m_vm->SetViewport(0, 0, kWidth, kHeight, 0.0f, 1.0f);
  ASSERT_TRUE(m_vm->BeginScene());
  m_vm->Clear(true, true, false);
  ASSERT_TRUE(glow.Begin()) << m_log.Dump();
  // A 12-texel square in the target's top-left quarter: 12 x 9 screen pixels.
  m_vm->SetViewport(8, 8, 20, 20, 0.0f, 1.0f);
  m_vm->SetClearColor(1, 1, 1, 1);
  m_vm->Clear(true, false, false);
  m_vm->SetViewport(0, 0, 64, 64, 0.0f, 1.0f);
  glow.End();
  m_vm->EndScene();
  m_vm->Present();
  const std::vector<uint8_t> img = ReadBack();
  auto red = [&](uint32_t x, uint32_t y) { return (Pixel(img, x, y) >> 16) & 0xFF; };
  int lit = 0;
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) lit += red(x, y) > 0;
  EXPECT_GT(lit, 2 * 12 * 9);
  EXPECT_GT(red(14, 10), 32u);
  EXPECT_GT(red(23, 10), 0u);  // beyond the square's edge
  EXPECT_EQ(red(14, 40), 0u);  // not mirrored to the bottom
  EXPECT_EQ(red(60, 44), 0u);
}

}  // namespace
