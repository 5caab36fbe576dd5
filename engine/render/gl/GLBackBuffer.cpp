// GLBackBuffer.cpp - the device's back buffer (the window's framebuffer or a texture of ours),
// presentation, and reading pictures back.
#include "render/gl/GLDevice.h"

#include "base/Log.h"

#include <SDL2/SDL.h>

#include <algorithm>

namespace gldev {
namespace {

// Bits of one of the window framebuffer's buffers (0 where it has none).
GLint WindowBits(GLenum buffer, GLenum what) {
  GLint type = GL_NONE;
  kgl::GetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, buffer,
                                           GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
  if (type == GL_NONE) return 0;
  GLint bits = 0;
  kgl::GetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, buffer, what, &bits);
  return bits;
}

// Whether the window's framebuffer holds what our texture and depth buffer
// would: eight bits a colour channel, at least the depth and stencil bits,
// one sample a pixel, and the picture last presented where a screenshot can
// read it (a single buffer, or a back buffer that a swap leaves as it was).
// KAZ_GL_OWN_BACKBUFFER=1 says no, to see the other way.
bool WindowMatches(Format color, const Surface* depth, bool swapKeeps) {
  if (const char* own = SDL_getenv("KAZ_GL_OWN_BACKBUFFER"); own && *own == '1') return false;
  if (color != FMT_X8R8G8B8 && color != FMT_A8R8G8B8) return false;
  kgl::BindFramebuffer(GL_FRAMEBUFFER, 0);
  GLint db = 0, samples = 0;
  kgl::GetIntegerv(GL_DOUBLEBUFFER, &db);
  kgl::GetIntegerv(GL_SAMPLES, &samples);
  const GLenum buffer = db ? GL_BACK_LEFT : GL_FRONT_LEFT;
  const GLint alpha = WindowBits(buffer, GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE);
  bool fits = samples == 0 && (!db || swapKeeps) &&
              WindowBits(buffer, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE) == 8 &&
              WindowBits(buffer, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE) == 8 &&
              WindowBits(buffer, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE) == 8 &&
              (alpha == 8 || (alpha == 0 && color == FMT_X8R8G8B8));
  if (depth) {
    const GLenum internal = DepthInternal(depth->Desc().format);
    const GLint wantDepth = internal == GL_DEPTH_COMPONENT16   ? 16
                            : internal == GL_DEPTH_COMPONENT32 ? 32
                                                               : 24;
    const GLint wantStencil = internal == GL_DEPTH24_STENCIL8 ? 8 : 0;
    fits = fits && WindowBits(GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE) >= wantDepth &&
           WindowBits(GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE) >= wantStencil;
  }
  while (kgl::GetError() != GL_NO_ERROR) {
  }
  return fits;
}

}  // namespace

bool Device::CreateBackBuffer(std::string* reason) {
  GSurfaceDesc desc;
  desc.format = (m_pp.backBufferFormat == FMT_R5G6B5 || m_pp.backBufferFormat == FMT_X1R5G5B5 ||
                 m_pp.backBufferFormat == FMT_A1R5G5B5 || m_pp.backBufferFormat == FMT_A4R4G4B4)
                    ? FMT_R5G6B5
                : m_pp.backBufferFormat == FMT_A8R8G8B8 ? FMT_A8R8G8B8
                                                        : FMT_X8R8G8B8;
  if (m_pp.backBufferFormat != FMT_UNKNOWN) desc.format = m_pp.backBufferFormat;
  if (!IsRenderTargetFormat(desc.format)) desc.format = FMT_X8R8G8B8;
  desc.usage = GUSAGE_RENDERTARGET;
  desc.width = std::max(1u, m_pp.backBufferWidth);
  desc.height = std::max(1u, m_pp.backBufferHeight);
  m_backBuffer = new Surface(this, SURF_BACKBUFFER, desc);
  m_backBuffer->DetachFromDevice();
  if (m_pp.enableAutoDepthStencil && IsDepthFormat(m_pp.autoDepthStencilFormat)) {
    desc.format = m_pp.autoDepthStencilFormat;
    desc.usage = GUSAGE_DEPTHSTENCIL;
    m_autoDepth = new Surface(this, SURF_DEPTHSTENCIL, desc);
    m_autoDepth->DetachFromDevice();
  }
  Rebind<GSurface>(m_renderTarget, m_backBuffer);
  Rebind<GSurface>(m_depthStencil, m_autoDepth);
  m_windowUsable =
      WindowMatches(m_backBuffer->Desc().format, m_autoDepth, m_system->SwapKeepsBackBuffer());
  m_windowRefused = false;
  m_inWindow = m_presentedInWindow = WindowFits();
  LogDetail("Back buffer: %s", m_inWindow ? "the window's own framebuffer"
                                          : "a texture of ours, copied to the window at present");
  kgl::BindFramebuffer(GL_FRAMEBUFFER, m_presentFbo);
  kgl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                            m_backBuffer->colorTexture, 0);
  GLenum status = kgl::CheckFramebufferStatus(GL_FRAMEBUFFER);
  m_targetDirty = true;
  m_viewport = GViewport();
  m_viewport.width = desc.width;
  m_viewport.height = desc.height;
  m_scissor = {0, 0, int32_t(desc.width), int32_t(desc.height)};
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    *reason = "back buffer framebuffer incomplete";
    return false;
  }
  if (!PrepareTarget()) {
    *reason = "draw framebuffer incomplete";
    return false;
  }
  ApplyOrientation();
  kgl::DepthRange(0.0, 1.0);
  return true;
}

void Device::DestroyBackBuffer() {
  if (m_renderTarget == m_backBuffer) SafeRelease(m_renderTarget);
  if (m_depthStencil == m_autoDepth) SafeRelease(m_depthStencil);
  // Our own surfaces hold no device reference; detach any leftover user reference.
  SafeRelease(m_backBuffer);
  SafeRelease(m_autoDepth);
}

bool Device::WindowFits() const {
  if (!m_windowUsable || m_windowRefused) return false;
  int w = 0, h = 0;
  m_system->DrawableSize(&w, &h);
  const GSurfaceDesc& d = m_backBuffer->Desc();
  return uint32_t(w) == d.width && uint32_t(h) == d.height;
}

GLint Device::GlY(int32_t top, int32_t height) const {
  return DrawsToWindow() ? GLint(m_backBuffer->Desc().height) - top - height : top;
}

void Device::ApplyOrientation() {
  const bool upright = DrawsToWindow();
  m_flipY = upright ? 1.0f : -1.0f;
  // Clockwise on the screen is Direct3D's front; drawn flipped into a
  // texture, that is GL's counter-clockwise.
  kgl::FrontFace(upright ? GL_CW : GL_CCW);
  kgl::Viewport(GLint(m_viewport.x), GlY(int32_t(m_viewport.y), int32_t(m_viewport.height)),
                GLsizei(m_viewport.width), GLsizei(m_viewport.height));
  ApplyScissor();
}

void Device::ApplyScissor() {
  const int32_t w = std::max(0, m_scissor.right - m_scissor.left);
  const int32_t h = std::max(0, m_scissor.bottom - m_scissor.top);
  kgl::Scissor(m_scissor.left, GlY(m_scissor.top, h), w, h);
}

void Device::LeaveWindow(bool keepPicture) {
  if (!m_inWindow) return;
  if (keepPicture) {
    // The colour drawn so far goes along; the depth does not (a caller
    // that swaps depth buffers under the back buffer clears its own).
    const GSurfaceDesc& d = m_backBuffer->Desc();
    kgl::Disable(GL_SCISSOR_TEST);
    kgl::BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    kgl::BindFramebuffer(GL_DRAW_FRAMEBUFFER, m_presentFbo);
    kgl::BlitFramebuffer(0, 0, GLint(d.width), GLint(d.height), 0, GLint(d.height), GLint(d.width),
                         0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    ApplyRenderState(GRS_SCISSORTESTENABLE);
  }
  m_inWindow = false;
  m_targetDirty = true;
  ApplyOrientation();
}

GResult Device::Present() {
  SDL_Window* w = static_cast<SDL_Window*>(m_system->Window());
  if (!m_inWindow) {
    int dw = 0, dh = 0;
    m_system->DrawableSize(&dw, &dh);
    GSurfaceDesc d = m_backBuffer->Desc();
    kgl::Disable(GL_SCISSOR_TEST);
    kgl::BindFramebuffer(GL_READ_FRAMEBUFFER, m_presentFbo);
    kgl::BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // Row 0 of our back buffer is the top of the picture; GL's window starts at the bottom.
    kgl::BlitFramebuffer(
        0, 0, GLint(d.width), GLint(d.height), 0, dh, dw, 0, GL_COLOR_BUFFER_BIT,
        (uint32_t(dw) == d.width && uint32_t(dh) == d.height) ? GL_NEAREST : GL_LINEAR);
    kgl::BindFramebuffer(GL_FRAMEBUFFER, m_drawFbo);
    ApplyRenderState(GRS_SCISSORTESTENABLE);
  }
  SDL_GL_SwapWindow(w);
  m_presentedInWindow = m_inWindow;
  // The next frame goes to the window where it fits now (a window resized
  // to another size than the back buffer's needs the scaling blit).
  if (WindowFits() != m_inWindow) {
    m_inWindow = !m_inWindow;
    m_targetDirty = true;
    ApplyOrientation();
  }
  return kgl::GetError() == GL_NO_ERROR ? G_OK : GERR_DRIVERINTERNALERROR;
}

void Device::ReadWindow(SoftSurface* dst) {
  const GSurfaceDesc& d = m_backBuffer->Desc();
  const uint32_t w = std::min(d.width, dst->Desc().width);
  const uint32_t h = std::min(d.height, dst->Desc().height);
  // The picture presented stays in the buffer drawn (WindowMatches) until
  // the next frame draws over it: what the screen shows is read there, not
  // from a front buffer that a software rasterizer may leave unfilled.
  kgl::BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  kgl::PixelStorei(GL_PACK_ALIGNMENT, 1);
  kgl::PixelStorei(GL_PACK_ROW_LENGTH, GLint(dst->Desc().width));
  uint8_t* pixels = dst->Pixels().data();
  kgl::ReadPixels(0, GLint(d.height - h), GLsizei(w), GLsizei(h), GL_BGRA, GL_UNSIGNED_BYTE,
                  pixels);
  kgl::PixelStorei(GL_PACK_ROW_LENGTH, 0);
  // GL's rows run up from the bottom, the surface's down from the top.
  const size_t pitch = size_t(dst->Desc().width) * 4, row = size_t(w) * 4;
  for (uint32_t y = 0; y < h / 2; ++y)
    std::swap_ranges(pixels + y * pitch, pixels + y * pitch + row, pixels + (h - 1 - y) * pitch);
}

GResult Device::ReadColor(GSurface* source, GSurface* dest, bool front) {
  SoftSurface* src = static_cast<SoftSurface*>(source);
  SoftSurface* dst = static_cast<SoftSurface*>(dest);
  if (!src || !dst || dst->Kind() != SURF_OFFSCREEN) return GERR_INVALIDCALL;
  Format df = dst->Desc().format;
  if (df != FMT_A8R8G8B8 && df != FMT_X8R8G8B8) return GERR_INVALIDCALL;
  if (src->Kind() == SURF_BACKBUFFER && (front ? m_presentedInWindow : m_inWindow)) {
    ReadWindow(dst);
    BindCurrentTarget();
    return G_OK;
  }
  kgl::BindFramebuffer(GL_READ_FRAMEBUFFER, m_readFbo);
  if (src->Kind() == SURF_BACKBUFFER) {
    kgl::FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                              static_cast<Surface*>(src)->colorTexture, 0);
  } else if (src->Kind() == SURF_TEXTURE_LEVEL) {
    Texture* t = static_cast<Texture*>(src->Texture());
    GLenum target = t->GetType() == GTEXTYPE_CUBE ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + src->Face()
                                                  : GL_TEXTURE_2D;
    kgl::FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, t->Name(),
                              GLint(src->Level()));
  } else {
    BindCurrentTarget();
    return GERR_INVALIDCALL;
  }
  GResult r = G_OK;
  if (kgl::CheckFramebufferStatus(GL_READ_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    r = GERR_INVALIDCALL;
  } else {
    uint32_t w = std::min(src->Desc().width, dst->Desc().width);
    uint32_t h = std::min(src->Desc().height, dst->Desc().height);
    kgl::ReadBuffer(GL_COLOR_ATTACHMENT0);
    kgl::PixelStorei(GL_PACK_ALIGNMENT, 1);
    kgl::PixelStorei(GL_PACK_ROW_LENGTH, GLint(dst->Desc().width));
    kgl::ReadPixels(0, 0, GLsizei(w), GLsizei(h), GL_BGRA, GL_UNSIGNED_BYTE, dst->Pixels().data());
    kgl::PixelStorei(GL_PACK_ROW_LENGTH, 0);
  }
  kgl::FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  BindCurrentTarget();
  return r;
}

GResult Device::GetRenderTargetData(GSurface* renderTarget, GSurface* dest) {
  return ReadColor(renderTarget, dest, false);
}

GResult Device::GetFrontBufferData(GSurface* dest) {
  return ReadColor(m_backBuffer, dest, true);
}

}  // namespace gldev
