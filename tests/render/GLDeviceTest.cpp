// GLDeviceTest.cpp - tests of the OpenGL device on a real context.
//
// The OpenGL device on a real context (SDL's offscreen driver on Mesa): a textured quad through an
// effect, Direct3D's winding and orientation, render targets saved as BMP, states restored when an
// effect ends. Skipped when no GL 3.3 context can be created.
#include <cstring>
#include <filesystem>

#include "GLDeviceFixture.h"
#include "render/world/GlowManager.h"

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

TEST_F(GLDeviceTest, TexturedQuadThroughAnEffectKeepsTheImageUpright) {
  Ref<Texture> tex = Texture2x2(0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF);
  ASSERT_TRUE(tex);
  m_fx->SetTexture(m_fx->GetParameterByName("DiffuseMap"), tex.Get());
  m_vm->Clear(true, true, false);
  DrawQuad("Textured");
  std::vector<uint8_t> img = ReadBack();
  EXPECT_EQ(Pixel(img, 2, 2), 0xFFFF0000u);
  EXPECT_EQ(Pixel(img, kWidth - 3, 2), 0xFF00FF00u);
  EXPECT_EQ(Pixel(img, 2, kHeight - 3), 0xFF0000FFu);
  EXPECT_EQ(Pixel(img, kWidth - 3, kHeight - 3), 0xFFFFFFFFu);
}

TEST_F(GLDeviceTest, WindingAndAlphaTestFollowTheTechnique) {
  Tint(0, 1, 0, 1);
  m_vm->Clear(true, true, false);
  DrawQuad("Culled");  // default culling removes counter-clockwise faces
  EXPECT_EQ(Pixel(ReadBack(), 10, 10), 0xFF00FF00u);
  m_vm->Clear(true, true, false);
  DrawQuad("CulledCW");
  EXPECT_EQ(Pixel(ReadBack(), 10, 10), 0xFF000000u);
  // The alpha test discards in the fragment epilogue.
  Tint(1, 1, 1, 0.25f);  // alpha 64 fails "> 128"
  DrawQuad("AlphaTested");
  EXPECT_EQ(Rgb(5, 5), 0u);
  Tint(1, 1, 1, 0.75f);
  DrawQuad("AlphaTested");
  EXPECT_EQ(Rgb(5, 5), 0xFFFFFFu);
}

// A half-transparent quad drawn after the blended one is opaque: GL got the
// states the effect restored when it ended.
TEST_F(GLDeviceTest, EffectStatesAreRestoredWhenItEnds) {
  Tint(1, 1, 1, 0.5f);
  m_vm->Clear(true, true, false);
  DrawQuad("Blended");
  EXPECT_NEAR(int(Rgb(5, 5) >> 16), 128, 2);
  DrawQuad("Culled");
  EXPECT_EQ(Rgb(5, 5), 0xFFFFFFu);
}

// A clip plane keeps the side it faces while it is enabled, and nothing
// is cut once it is switched off, by the same program that drew with it.
TEST_F(GLDeviceTest, ClipPlanesCutTheDrawsOnlyWhileEnabled) {
  Tint(0, 1, 0, 1);
  const Vector4D right(1, 0, 0, 0);  // x >= 0 in clip space
  m_vm->SetClipPlanes(&right, 1);
  m_vm->Clear(true, true, false);
  DrawQuad("Culled");
  EXPECT_EQ(Rgb(5, 5), 0u);
  EXPECT_EQ(Rgb(kWidth - 5, 5), 0x00FF00u);
  m_vm->SetClipPlanes(nullptr, 0);
  m_vm->Clear(true, true, false);
  DrawQuad("Culled");
  EXPECT_EQ(Rgb(5, 5), 0x00FF00u);
  // Every plane the device has: the last one cuts, the others keep all.
  Vector4D planes[kMaxClipPlanes];
  for (Vector4D& plane : planes) plane = Vector4D(0, 0, 0, 1);
  planes[kMaxClipPlanes - 1] = right;
  m_vm->SetClipPlanes(planes, kMaxClipPlanes);
  m_vm->Clear(true, true, false);
  DrawQuad("Culled");
  EXPECT_EQ(Rgb(5, 5), 0u);
  EXPECT_EQ(Rgb(kWidth - 5, 5), 0x00FF00u);
  m_vm->SetClipPlanes(nullptr, 0);
}

// The GL device makes textures and render targets of exactly the formats the
// format table says it does, as the fake device does: what the fake accepts
// the GL device accepts.
TEST_F(GLDeviceTest, DeviceMakesExactlyTheTablesFormats) {
  for (Format f : ListFormats()) {
    for (bool target : {false, true}) {
      GTexture* t = nullptr;
      GResult r = m_vm->GetDevice()->CreateTexture(GTEXTYPE_2D, 8, 8, 1, 1,
                                                   target ? GUSAGE_RENDERTARGET : 0, f,
                                                   target ? GPOOL_DEFAULT : GPOOL_MANAGED, &t);
      const bool want = target ? IsRenderTargetFormat(f) : IsTextureFormat(f);
      EXPECT_EQ(GSucceeded(r), want) << GetFormatName(f) << (target ? " as a render target" : "");
      SafeRelease(t);
    }
  }
}

TEST_F(GLDeviceTest, RenderTargetsAndCubeFacesClearSeparatelyAndSaveAsBmp) {
  // A target in the back buffer's own format.
  const uint32_t format = m_vm->GetRenderTarget()->GetFormat();
  Ref<Texture> same = Ref<Texture>::Adopt(CreateTexture(16, 16, TEXTYPE_2D, format, false, true));
  ASSERT_TRUE(same) << m_log.Dump();
  EXPECT_EQ(same->GetFormat(), format);
  ASSERT_TRUE(same->ActivateAsRenderTarget(0));
  m_vm->SetClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  ASSERT_TRUE(m_vm->Clear(true, false, false));
  EXPECT_EQ(TargetRgb(same.Get(), 0, 3, 3), 0x0000FFu);

  Ref<Texture> cube = Ref<Texture>::Adopt(CreateTexture(8, 8, TEXTYPE_CUBE, 2, false, true));
  ASSERT_TRUE(cube) << m_log.Dump();
  for (uint32_t face : {1u, 2u}) {
    ASSERT_TRUE(cube->ActivateAsRenderTarget(face));
    m_vm->SetClearColor(float(face == 1), float(face == 2), 0.0f, 1.0f);
    ASSERT_TRUE(m_vm->Clear(true, false, false));
  }
  EXPECT_EQ(TargetRgb(cube.Get(), 1, 4, 4), 0xFF0000u);
  EXPECT_EQ(TargetRgb(cube.Get(), 2, 4, 4), 0x00FF00u);

  Ref<Texture> rt = Ref<Texture>::Adopt(CreateTexture(32, 16, TEXTYPE_2D, 2, false, true));
  ASSERT_TRUE(rt) << m_log.Dump();
  ASSERT_TRUE(rt->ActivateAsRenderTarget(0));
  m_vm->SetClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  ASSERT_TRUE(m_vm->Clear(true, false, false));
  EXPECT_TRUE(m_vm->GetRenderTarget() == rt.Get());
  kaztest::TempDir tmp("kaz_rt");
  ASSERT_TRUE(rt->SaveToFile((tmp.Path() / "rt.bmp").c_str())) << m_log.Dump();
  Image img = ReadBmp(tmp.Path() / "rt.bmp");
  EXPECT_EQ(img.width, 32u);
  EXPECT_EQ(img.height, 16u);
  ASSERT_FALSE(img.data[0].empty());
  EXPECT_EQ(img.data[0][1], 255);
  EXPECT_EQ(img.data[0][2], 0);
  m_vm->ReleaseBindings();
}

TEST_F(GLDeviceTest, CompressedTextureDecodesOnTheDevice) {
  Ref<Texture> tex = Ref<Texture>::Adopt(LoadTexture("Textures/red_dxt1.dds"));
  ASSERT_TRUE(tex) << m_log.Dump();
  EXPECT_EQ(tex->GetFormat(), 7u);
  m_fx->SetTexture(m_fx->GetParameterByName("DiffuseMap"), tex.Get());
  m_vm->Clear(true, true, false);
  DrawQuad("Textured");
  EXPECT_EQ(Rgb(20, 20), 0xFF0000u);
}

// A software rasterizer decodes a compressed block on every fetch: there a
// DXT texture is decoded once at upload, unless KAZ_GL_S3TC=1 keeps it
// compressed; either way it draws the same.
TEST_F(GLDeviceTest, OnASoftwareRasterizerCompressedTexturesAreDecodedAtUpload) {
  const auto compressed = [this] {
    GCaps caps;
    EXPECT_TRUE(GSucceeded(m_vm->GetDevice()->GetDeviceCaps(&caps)));
    return caps.compressedTextures;
  };
  const auto red = [this] {
    Ref<Texture> tex = Ref<Texture>::Adopt(LoadTexture("Textures/red_dxt1.dds"));
    if (!tex) return 0u;
    m_fx->SetTexture(m_fx->GetParameterByName("DiffuseMap"), tex.Get());
    m_vm->Clear(true, true, false);
    DrawQuad("Textured");
    m_fx->SetTexture(m_fx->GetParameterByName("DiffuseMap"), nullptr);
    return Rgb(20, 20);
  };
  GAdapterIdentifier id;
  ASSERT_TRUE(GSucceeded(m_vm->GetSystem()->GetAdapterIdentifier(0, &id)));
  if (id.description.find("llvmpipe") == std::string::npos)
    GTEST_SKIP() << "not llvmpipe: " << id.description;
  EXPECT_FALSE(compressed());
  EXPECT_EQ(red(), 0xFF0000u);
  TearDown();
  setenv("KAZ_GL_S3TC", "1", 1);
  SetUp();
  unsetenv("KAZ_GL_S3TC");
  ASSERT_TRUE(m_vm);
  EXPECT_TRUE(compressed());
  EXPECT_EQ(red(), 0xFF0000u);
}

TEST_F(GLDeviceTest, GlslErrorsNameTheEffectFileAndLine) {
  EXPECT_EQ(LoadRenderEffect("RenderEffects/broken.fx"), nullptr);
  EXPECT_EQ(
      m_log.Count("Error compiling RenderEffect file 'RenderEffects/broken.fx'", LogLevel_Error),
      1);
  EXPECT_GE(m_log.Count("RenderEffects/broken.fx(9)", LogLevel_Detail), 1) << m_log.Dump();
}

// The device and the effects skip bindings and uploads that have not changed;
// these make sure a change between draws still reaches GL.
TEST_F(GLDeviceTest, AlphaTestSwitchedInsideAPassAppliesAtCommit) {
  GDevice* dev = m_vm->GetDevice();
  Tint(1, 1, 1, 0.25f);  // alpha 64
  m_vm->Clear(true, true, false);
  BeginQuad("Culled");
  dev->SetRenderState(GRS_ALPHATESTENABLE, 1);
  dev->SetRenderState(GRS_ALPHAFUNC, GCMP_GREATER);
  dev->SetRenderState(GRS_ALPHAREF, 128);
  m_fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Rgb(5, 5), 0u) << "alpha test switched on inside the pass";
  dev->SetRenderState(GRS_ALPHAREF, 32);
  m_fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Rgb(5, 5), 0xFFFFFFu) << "new reference value";
  m_vm->Clear(true, true, false);
  dev->SetRenderState(GRS_ALPHATESTENABLE, 0);
  Tint(0, 1, 0, 0.25f);  // uploaded to the other variant too
  m_fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Rgb(5, 5), 0x00FF00u) << "alpha test switched off again";
  EndQuad();
  // A technique that tests alpha leaves no test behind for the next one.
  m_vm->Clear(true, true, false);
  DrawQuad("AlphaTested");
  EXPECT_EQ(Rgb(5, 5), 0u);
  DrawQuad("Culled");
  EXPECT_EQ(Rgb(5, 5), 0x00FF00u);
}

TEST_F(GLDeviceTest, TextureChangedInsideAPassIsBoundAtCommit) {
  Ref<Texture> red = Texture2x2(0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000);
  Ref<Texture> green = Texture2x2(0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00);
  ASSERT_TRUE(red && green);
  EffectHandle map = m_fx->GetParameterByName("DiffuseMap");
  m_fx->SetTexture(map, red.Get());
  BeginQuad("Textured");
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Pixel(ReadBack(), 5, 5), 0xFFFF0000u);
  m_fx->SetTexture(map, green.Get());
  m_fx->CommitChanges();
  EXPECT_TRUE(m_vm->DrawPrimitive(PRIM_TRIANGLES, 0, 2));
  EXPECT_EQ(Pixel(ReadBack(), 5, 5), 0xFF00FF00u);
  EndQuad();
}

TEST_F(GLDeviceTest, BuffersSwitchedBetweenDrawsAreDrawn) {
  struct V {
    float x, y, z;
  };
  // Corners of the screen; the second buffer is the same square shrunk to the left half.
  const V full[4] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {1, -1, 0.5f}, {-1, -1, 0.5f}};
  const V left[4] = {{-1, 1, 0.5f}, {0, 1, 0.5f}, {0, -1, 0.5f}, {-1, -1, 0.5f}};
  const uint16_t both[6] = {0, 1, 2, 0, 2, 3};   // the whole square, clockwise
  const uint16_t upper[6] = {0, 1, 2, 0, 1, 2};  // its top-right triangle twice
  auto vertices = [](const V* v) {
    Ref<VertexBuffer> b = Ref<VertexBuffer>::Adopt(CreateVertexBuffer(sizeof(V), 4, false));
    if (b) {
      std::memcpy(b->Lock(0, 4), v, 4 * sizeof(V));
      b->Unlock();
    }
    return b;
  };
  auto indices = [](const uint16_t* i) {
    Ref<IndexBuffer> b = Ref<IndexBuffer>::Adopt(CreateIndexBuffer(0, 6, false));
    if (b) {
      std::memcpy(b->Lock(0, 6), i, 6 * sizeof(uint16_t));
      b->Unlock();
    }
    return b;
  };
  Ref<VertexBuffer> vbFull = vertices(full), vbLeft = vertices(left);
  Ref<IndexBuffer> ibBoth = indices(both), ibUpper = indices(upper);
  Ref<DeviceVertexFormat> fmt = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
  ASSERT_TRUE(vbFull && vbLeft && ibBoth && ibUpper && fmt);
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  Tint(1, 1, 1, 1);
  ASSERT_TRUE(m_fx->SetTechnique(m_fx->GetTechniqueByName("Culled")));
  // Which of the top-right and bottom-left corners got drawn.
  auto draw = [&](const Ref<VertexBuffer>& vb, const Ref<IndexBuffer>& ib) {
    m_vm->Clear(true, true, false);
    EXPECT_TRUE(fmt->Activate());
    EXPECT_TRUE(vb->Activate(0));
    EXPECT_TRUE(ib->Activate());
    EXPECT_EQ(m_fx->Begin(), 1u);
    EXPECT_TRUE(m_fx->BeginPass(0));
    EXPECT_TRUE(m_vm->DrawIndexedPrimitive(PRIM_TRIANGLES, 0, 4, 0, 2)) << m_log.Dump();
    EndQuad();
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
  ASSERT_EQ(m_vm->RestartVideo(), 0) << m_log.Dump();
  EXPECT_EQ(draw(vbFull, ibUpper), "10");
  EXPECT_EQ(draw(vbLeft, ibBoth), "01");
  // And after the bindings were released.
  m_vm->ReleaseBindings();
  EXPECT_EQ(draw(vbFull, ibBoth), "11");
  m_vm->ReleaseBindings();
  // A reset to another size keeps loaded textures and makes targets again.
  Ref<Texture> tex = Ref<Texture>::Adopt(LoadTexture("Textures/red_dxt1.dds"));
  Ref<Texture> rt = Ref<Texture>::Adopt(CreateTexture(16, 16, TEXTYPE_2D, 2, false, true));
  ASSERT_TRUE(tex && rt);
  CVarRegistry::Instance().ResX.Set(80);
  ASSERT_EQ(m_vm->RestartVideo(), 0) << m_log.Dump();
  EXPECT_NE(tex->GetDeviceTexture(), nullptr);
  EXPECT_NE(rt->GetDeviceTexture(), nullptr);
  EXPECT_EQ(m_vm->GetRenderTarget()->GetWidth(), 80u);
}

// A white square drawn into the glow target lights more of the black screen
// than the square covers, on the same side of the screen, and only inside the
// rectangle the overlay is kept to.
TEST_F(GLDeviceTest, GlowLightsTheNeighboursOfABrightSquare) {
  CVarRegistry::Instance().GlowTextureSize.Set(64);
  GlowManager glow(m_vm);
  m_vm->SetViewport(0, 0, kWidth, kHeight, 0.0f, 1.0f);
  ASSERT_TRUE(m_vm->BeginScene());
  m_vm->Clear(true, true, false);
  ASSERT_TRUE(glow.Begin()) << m_log.Dump();
  // The target is 32 x 24, two screen pixels a texel: a 6 x 5 texel square
  // is 12 x 10 screen pixels.
  ASSERT_EQ(glow.GetTarget(0)->GetWidth(), 32u);
  ASSERT_EQ(glow.GetTarget(0)->GetHeight(), 24u);
  m_vm->SetViewport(4, 4, 10, 9, 0.0f, 1.0f);
  m_vm->SetClearColor(1, 1, 1, 1);
  m_vm->Clear(true, false, false);
  glow.End();
  glow.Composite(0, 0, kWidth, 20);
  m_vm->EndScene();
  m_vm->Present();
  const std::vector<uint8_t> img = ReadBack();
  auto red = [&](uint32_t x, uint32_t y) { return (Pixel(img, x, y) >> 16) & 0xFF; };
  int lit = 0;
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) lit += red(x, y) > 0;
  EXPECT_GT(lit, 2 * 12 * 10);
  EXPECT_GT(red(14, 12), 32u);
  EXPECT_GT(red(23, 12), 0u);  // beyond the square's edge
  EXPECT_EQ(red(14, 40), 0u);  // not mirrored to the bottom
  EXPECT_EQ(red(60, 44), 0u);
  // The overlay stops at the edge it was given, though the glow goes on.
  EXPECT_GT(red(14, 19), 0u);
  EXPECT_EQ(red(14, 21), 0u);
}

// Values compiled into an effect (a world effect's light count per batch)
// win over values set at run time; a loop bounded by one still runs its
// turns, an array with the same semantic stays a value set at run time, and
// the same file without them takes what is set.
TEST_F(GLDeviceTest, ValuesCompiledIntoAnEffectWinOverValuesSet) {
  auto draw = [&](const EffectConstants& constants) {
    m_fx = Ref<RenderEffect>::Adopt(CreateRenderEffect("RenderEffects/fixed.fx", {}, constants));
    if (!m_fx) return 0u;
    m_fx->SetMatrix(m_fx->GetParameterByName("WorldViewProj"), Matrix4x4());
    m_fx->SetFloat(m_fx->GetParameterByName("Count"), 1.0f);
    m_fx->SetFloat(m_fx->GetParameterByName("Share"), 1.0f);
    m_fx->SetFloat(m_fx->GetParameterByName("Switch"), 0.0f);
    const float counts[2] = {1.0f, 1.0f};
    m_fx->SetFloatArray(m_fx->GetParameterByName("Counts"), counts, 2);
    m_vm->Clear(true, true, false);
    DrawQuad("Tell");
    return Rgb(kWidth / 2, kHeight / 2);
  };
  EXPECT_EQ(draw({}), 0x40FF80u) << m_log.Dump();
  EXPECT_EQ(draw({{"COUNT", 3.0f}, {"SHARE", 0.5f}, {"SWITCH", 1.0f}}), 0xBF80FFu) << m_log.Dump();
  EXPECT_EQ(draw({{"COUNT", 0.0f}}), 0x00FF80u) << m_log.Dump();
}

}  // namespace
