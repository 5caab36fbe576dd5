// GLBackBufferTest.cpp - the back buffer in the window's own framebuffer and in a texture of ours.
//
// Where the window's framebuffer matches the back buffer, the device draws straight into it,
// upright; elsewhere into a texture that it flips into the window at present. Both must show the
// same picture: viewports, clears and scissor boxes measured from the top, clockwise front faces,
// a render target drawn onto the back buffer, the picture presented read back for a screenshot.
// A depth buffer of the caller's own under the back buffer, or none at all, must work as in a
// texture, though the window's framebuffer has its own depth buffer built in.
#include "GLDeviceFixture.h"
#include "render/gl/GLFunctions.h"

#include <cstdlib>

using namespace rendertest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

class GLBackBufferTest : public GLDeviceTest {
 protected:
  void TearDown() override {
    unsetenv("KAZ_GL_OWN_BACKBUFFER");
    GLDeviceTest::TearDown();
  }
  // Whether the draws of the moment land in the window's framebuffer.
  static bool DrawingToWindow() {
    GLint fb = -1;
    kgl::GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &fb);
    return fb == 0;
  }
  // Resets the device with its back buffer in a texture of ours, or where it fits best.
  void UseOwnTexture(bool own) {
    own ? setenv("KAZ_GL_OWN_BACKBUFFER", "1", 1) : unsetenv("KAZ_GL_OWN_BACKBUFFER");
    ASSERT_EQ(m_vm->RestartVideo(), 0) << m_log.Dump();
    m_quad.Reset();  // a dynamic buffer: its contents went with the old device
    m_vm->SetClearColor(0, 0, 0, 1);
    ASSERT_TRUE(m_vm->Clear(true, true, false));
  }
  void Viewport(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2) {
    m_vm->SetViewport(x1, y1, x2, y2, 0.0f, 1.0f);
  }
  // A frame of everything the two places could get wrong, presented and read back.
  std::vector<uint8_t> DrawFrame() {
    Ref<Texture> backBuffer = Ref<Texture>::Share(m_vm->GetRenderTarget());
    Ref<Texture> tex = Texture2x2(kRed, kGreen, kBlue, kWhite);
    m_vm->SetClearColor(0, 0, 0, 1);
    m_vm->Clear(true, true, false);
    m_fx->SetTexture(m_fx->GetParameterByName("DiffuseMap"), tex.Get());
    Tint(1, 1, 1, 1);
    Viewport(8, 4, 40, 28);
    DrawQuad("Textured");
    Viewport(44, 30, 60, 44);
    m_vm->SetClearColor(1, 1, 0, 1);
    m_vm->Clear(true, false, false);
    Viewport(0, 0, kWidth, kHeight);
    Tint(0, 1, 0, 1);
    m_vm->SetScissor(true, 2, 34, 20, 46);
    DrawQuad("Culled");
    m_vm->SetScissor(false);
    Tint(1, 0, 0, 1);
    DrawQuad("CulledCW");
    // A target with a band of magenta along its top, drawn in the top right corner.
    Ref<Texture> target = Ref<Texture>::Adopt(CreateTexture(16, 16, TEXTYPE_2D, 2, false, true));
    EXPECT_TRUE(target && target->ActivateAsRenderTarget(0)) << m_log.Dump();
    m_vm->SetClearColor(0, 0, 1, 1);
    m_vm->Clear(true, false, false);
    Tint(1, 0, 1, 1);
    m_vm->SetScissor(true, 0, 0, 16, 4);
    DrawQuad("Culled");
    m_vm->SetScissor(false);
    EXPECT_TRUE(backBuffer->ActivateAsRenderTarget(0));
    m_fx->SetTexture(m_fx->GetParameterByName("DiffuseMap"), target.Get());
    Tint(1, 1, 1, 1);
    Viewport(44, 2, 60, 18);
    DrawQuad("Textured");
    Viewport(0, 0, kWidth, kHeight);
    m_fx->SetTexture(m_fx->GetParameterByName("DiffuseMap"), nullptr);
    EXPECT_TRUE(m_vm->Present());
    return ReadBack();
  }
};

TEST_F(GLBackBufferTest, TheWindowAndATextureOfOursShowTheSamePicture) {
  if (!DrawingToWindow()) GTEST_SKIP() << "this window's framebuffer differs from the back buffer";
  const std::vector<uint8_t> window = DrawFrame();
  EXPECT_EQ(Pixel(window, 9, 5), kRed);      // the viewport's top left
  EXPECT_EQ(Pixel(window, 38, 26), kWhite);  // and its bottom right
  EXPECT_EQ(Pixel(window, 7, 5), kBlack);
  EXPECT_EQ(Pixel(window, 45, 31), 0xFFFFFF00u);  // the clear of a viewport
  EXPECT_EQ(Pixel(window, 43, 31), kBlack);
  EXPECT_EQ(Pixel(window, 3, 45), kGreen);  // inside the scissor box
  EXPECT_EQ(Pixel(window, 3, 32), kBlack);
  EXPECT_EQ(Pixel(window, 50, 3), 0xFFFF00FFu);  // the target's top band stays on top
  EXPECT_EQ(Pixel(window, 50, 16), kBlue);
  UseOwnTexture(true);
  EXPECT_FALSE(DrawingToWindow());
  const std::vector<uint8_t> own = DrawFrame();
  ASSERT_EQ(window.size(), own.size());
  size_t differ = 0;
  for (size_t i = 0; i < own.size(); i += 4)
    differ += Pixel(own, uint32_t(i / 4 % kWidth), uint32_t(i / 4 / kWidth)) !=
              Pixel(window, uint32_t(i / 4 % kWidth), uint32_t(i / 4 / kWidth));
  EXPECT_EQ(differ, 0u);
  UseOwnTexture(false);
  EXPECT_TRUE(DrawingToWindow());
}

TEST_F(GLBackBufferTest, ADepthBufferOfTheCallersOwnTakesThePictureAlongIntoATexture) {
  if (!DrawingToWindow()) GTEST_SKIP() << "this window's framebuffer differs from the back buffer";
  Ref<DepthStencilBuffer> standard = Ref<DepthStencilBuffer>::Share(m_vm->GetDepthStencilBuffer());
  m_vm->SetClearColor(1, 0, 0, 1);
  m_vm->Clear(true, true, false);
  Ref<DepthStencilBuffer> depth =
      Ref<DepthStencilBuffer>::Adopt(CreateDepthStencilBuffer(kWidth, kHeight));
  ASSERT_TRUE(depth && m_vm->ActivateDepthStencilBuffer(depth.Get())) << m_log.Dump();
  m_vm->Clear(false, true, false);
  Viewport(32, 0, kWidth, kHeight);
  Tint(0, 1, 0, 1);
  DrawQuad("DepthTested");
  EXPECT_FALSE(DrawingToWindow());
  EXPECT_EQ(m_log.Count("moves into a texture"), 1) << m_log.Dump();
  ASSERT_TRUE(m_vm->ActivateDepthStencilBuffer(standard.Get()));
  EXPECT_TRUE(m_vm->Present());
  const std::vector<uint8_t> img = ReadBack();
  EXPECT_EQ(Pixel(img, 5, 5), kRed);  // drawn in the window before the move
  EXPECT_EQ(Pixel(img, 50, 40), kGreen);
  // It stays there until the device is reset.
  m_vm->Clear(true, true, false);
  EXPECT_FALSE(DrawingToWindow());
  UseOwnTexture(false);
  EXPECT_TRUE(DrawingToWindow());
}

// With no depth buffer bound, Direct3D tests no depth: neither may the window's own.
TEST_F(GLBackBufferTest, WithoutADepthBufferTheWindowsIsNotTested) {
  for (bool own : {false, true}) {
    SCOPED_TRACE(own ? "texture" : "window");
    UseOwnTexture(own);
    Ref<DepthStencilBuffer> standard =
        Ref<DepthStencilBuffer>::Share(m_vm->GetDepthStencilBuffer());
    Tint(0, 1, 0, 1);
    DrawQuad("DepthTested");
    Tint(1, 0, 0, 1);
    DrawQuad("DepthTested");  // as near as the first: fails "less"
    EXPECT_EQ(Rgb(10, 10), 0x00FF00u);
    m_vm->GetDevice()->SetDepthStencilSurface(nullptr);
    DrawQuad("DepthTested");
    EXPECT_EQ(Rgb(10, 10), 0xFF0000u);
    m_vm->GetDevice()->SetDepthStencilSurface(standard->GetDeviceSurface());
    Tint(0, 0, 1, 1);
    DrawQuad("DepthTested");  // tested again
    EXPECT_EQ(Rgb(10, 10), 0xFF0000u);
  }
}

}  // namespace
