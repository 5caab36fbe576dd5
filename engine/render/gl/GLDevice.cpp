// GLDevice.cpp - the OpenGL device: targets, clears, presentation, bindings and draws.
#include "render/gl/GLDevice.h"

#include "base/Log.h"

#include <SDL2/SDL.h>

#include <algorithm>

namespace gldev {
namespace {

GLenum PrimitiveMode(GPrimitiveType t, uint32_t primitives, GLsizei* count) {
  switch (t) {
    case GPT_POINTLIST:
      *count = GLsizei(primitives);
      return GL_POINTS;
    case GPT_LINELIST:
      *count = GLsizei(primitives * 2);
      return GL_LINES;
    case GPT_LINESTRIP:
      *count = GLsizei(primitives + 1);
      return GL_LINE_STRIP;
    case GPT_TRIANGLELIST:
      *count = GLsizei(primitives * 3);
      return GL_TRIANGLES;
    case GPT_TRIANGLESTRIP:
      *count = GLsizei(primitives + 2);
      return GL_TRIANGLE_STRIP;
    case GPT_TRIANGLEFAN:
      *count = GLsizei(primitives + 2);
      return GL_TRIANGLE_FAN;
    default:
      *count = 0;
      return 0;
  }
}

}  // namespace

int AttributeLocation(uint8_t usage, uint8_t index) {
  switch (usage) {
    case GDECLUSAGE_POSITION:
    case GDECLUSAGE_POSITIONT:
      return index == 0 ? 0 : -1;
    case GDECLUSAGE_BLENDWEIGHT:
      return index == 0 ? 1 : -1;
    case GDECLUSAGE_BLENDINDICES:
      return index == 0 ? 2 : -1;
    case GDECLUSAGE_NORMAL:
      return index == 0 ? 3 : -1;
    case GDECLUSAGE_COLOR:
      return index < 2 ? 4 + index : -1;
    case GDECLUSAGE_TANGENT:
      return index == 0 ? 6 : -1;
    case GDECLUSAGE_BINORMAL:
      return index == 0 ? 7 : -1;
    case GDECLUSAGE_TEXCOORD:
      return index < 8 ? 8 + index : -1;
    default:
      return -1;
  }
}

// ---------------------------------------------------------------------------
// Device

Device::Device(System* system, const GPresentParameters& pp) : m_system(system), m_pp(pp) {
  m_system->AddRef();
  for (uint32_t s = 0; s < GRS_MAX; ++s) m_rs[s] = GetDefaultRenderState(GRenderState(s));
  for (uint32_t u = 0; u < kMaxSamplers; ++u)
    for (uint32_t s = 0; s < GSAMP_MAX; ++s)
      m_ss[u][s] = m_appliedSs[u][s] = GetDefaultSamplerState(GSamplerState(s));
}

bool Device::Init(std::string* reason) {
  kgl::GenVertexArrays(1, &m_vao);
  kgl::BindVertexArray(m_vao);
  kgl::GenFramebuffers(1, &m_drawFbo);
  kgl::GenFramebuffers(1, &m_presentFbo);
  kgl::GenFramebuffers(1, &m_readFbo);
  kgl::GenSamplers(GLsizei(kMaxSamplers), m_samplers);
  for (uint32_t u = 0; u < kMaxSamplers; ++u) {
    kgl::BindSampler(u, m_samplers[u]);
    ApplySampler(u);
  }
  ApplyWindowMode(m_pp);
  if (!CreateBackBuffer(reason)) return false;
  ApplyAllStates();
  return true;
}

Device::~Device() {
  ReleaseBindings();
  for (GTexture*& t : m_textures) SafeRelease(t);
  SafeRelease(m_renderTarget);
  SafeRelease(m_depthStencil);
  DestroyBackBuffer();
  if (m_vao) kgl::DeleteVertexArrays(1, &m_vao);
  GLuint fbos[3] = {m_drawFbo, m_presentFbo, m_readFbo};
  kgl::DeleteFramebuffers(3, fbos);
  kgl::DeleteSamplers(GLsizei(kMaxSamplers), m_samplers);
  if (m_program) kgl::UseProgram(0);
  m_system->DeviceGone();
  m_system->Release();
}

void Device::ReleaseBindings() {
  SafeRelease(m_decl);
  for (GVertexBuffer*& s : m_streams) SafeRelease(s);
  SafeRelease(m_indices);
  m_vaoDirty = true;
}

void Device::ApplyWindowMode(const GPresentParameters& pp) {
  SDL_Window* w = static_cast<SDL_Window*>(m_system->Window());
  if (!pp.windowed) {
    SDL_DisplayMode want = {}, got = {};
    want.w = int(pp.backBufferWidth);
    want.h = int(pp.backBufferHeight);
    want.refresh_rate = int(pp.fullScreenRefreshRate);
    int display = SDL_GetWindowDisplayIndex(w);
    if (SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &want, &got))
      SDL_SetWindowDisplayMode(w, &got);
    SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN);
  } else {
    SDL_SetWindowFullscreen(w, 0);
  }
  SDL_GL_SetSwapInterval(pp.presentationInterval == GPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
}

GResult Device::Reset(const GPresentParameters& pp) {
  if (pp.backBufferWidth == 0 || pp.backBufferHeight == 0 ||
      pp.backBufferWidth > m_system->Caps().maxTextureWidth ||
      pp.backBufferHeight > m_system->Caps().maxTextureHeight)
    return GERR_INVALIDCALL;
  ReleaseBindings();
  for (uint32_t u = 0; u < kMaxSamplers; ++u) SetTexture(u, nullptr);
  SafeRelease(m_renderTarget);
  SafeRelease(m_depthStencil);
  DestroyBackBuffer();
  m_pp = pp;
  ApplyWindowMode(pp);
  std::string reason;
  if (!CreateBackBuffer(&reason)) return GERR_NOTAVAILABLE;
  for (uint32_t s = 0; s < GRS_MAX; ++s) m_rs[s] = GetDefaultRenderState(GRenderState(s));
  for (uint32_t u = 0; u < kMaxSamplers; ++u) {
    for (uint32_t s = 0; s < GSAMP_MAX; ++s) m_ss[u][s] = GetDefaultSamplerState(GSamplerState(s));
    ApplySampler(u);
  }
  ApplyAllStates();
  return G_OK;
}

GResult Device::GetDeviceCaps(GCaps* caps) {
  if (!caps) return GERR_INVALIDCALL;
  *caps = m_system->Caps();
  return G_OK;
}

bool Device::PrepareTarget() {
  if (!m_targetDirty) return true;
  if (DrawsToWindow() && m_depthStencil && m_depthStencil != m_autoDepth) {
    // The window's framebuffer has its depth buffer built in.
    LogDetail(
        "Back buffer: drawn with a depth buffer of the caller's own, it moves into a "
        "texture until the device is reset");
    m_windowRefused = true;
    LeaveWindow(true);
  }
  // In the window, a target without a depth buffer must not test the window's.
  ApplyRenderState(GRS_ZENABLE);
  ApplyStencil();
  if (DrawsToWindow()) {
    kgl::BindFramebuffer(GL_FRAMEBUFFER, 0);
    m_targetDirty = false;
    return true;
  }
  kgl::BindFramebuffer(GL_FRAMEBUFFER, m_drawFbo);
  SoftSurface* rt = static_cast<SoftSurface*>(m_renderTarget);
  if (rt && rt->Kind() == SURF_BACKBUFFER) {
    kgl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                              static_cast<Surface*>(rt)->colorTexture, 0);
  } else if (rt && rt->Kind() == SURF_TEXTURE_LEVEL) {
    Texture* t = static_cast<Texture*>(rt->Texture());
    GLenum target =
        t->GetType() == GTEXTYPE_CUBE ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + rt->Face() : GL_TEXTURE_2D;
    kgl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, t->Name(),
                              GLint(rt->Level()));
  } else {
    kgl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  }
  Surface* ds = static_cast<Surface*>(m_depthStencil);
  GLuint rb = ds ? ds->renderbuffer : 0;
  bool stencil = ds && HasStencilBits(ds->Desc().format);
  kgl::FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb);
  kgl::FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                               stencil ? rb : 0);
  m_targetDirty = false;
  return kgl::CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

GResult Device::Clear(uint32_t flags, uint32_t argb, float z, uint32_t stencil) {
  if (!PrepareTarget()) return GERR_INVALIDCALL;
  GLbitfield mask = 0;
  // Direct3D clears the viewport whatever the write masks say.
  kgl::Enable(GL_SCISSOR_TEST);
  kgl::Scissor(GLint(m_viewport.x), GlY(int32_t(m_viewport.y), int32_t(m_viewport.height)),
               GLsizei(m_viewport.width), GLsizei(m_viewport.height));
  if (flags & GCLEAR_TARGET) {
    kgl::ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    kgl::ClearColor(float((argb >> 16) & 255) / 255.0f, float((argb >> 8) & 255) / 255.0f,
                    float(argb & 255) / 255.0f, float(argb >> 24) / 255.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if ((flags & GCLEAR_ZBUFFER) && m_depthStencil) {
    kgl::DepthMask(GL_TRUE);
    kgl::ClearDepth(double(z));
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if ((flags & GCLEAR_STENCIL) && m_depthStencil) {
    kgl::StencilMask(0xFFFFFFFF);
    kgl::ClearStencil(GLint(stencil));
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  kgl::Clear(mask);
  ApplyRenderState(GRS_COLORWRITEENABLE);
  ApplyRenderState(GRS_ZWRITEENABLE);
  ApplyStencil();
  ApplyRenderState(GRS_SCISSORTESTENABLE);
  return G_OK;
}

GResult Device::BeginScene() {
  if (m_inScene) return GERR_INVALIDCALL;
  m_inScene = true;
  return G_OK;
}

GResult Device::EndScene() {
  if (!m_inScene) return GERR_INVALIDCALL;
  m_inScene = false;
  return G_OK;
}

GResult Device::Finish() {
  kgl::Finish();
  return G_OK;
}

GResult Device::SetViewport(const GViewport& vp) {
  m_viewport = vp;
  kgl::Viewport(GLint(vp.x), GlY(int32_t(vp.y), int32_t(vp.height)), GLsizei(vp.width),
                GLsizei(vp.height));
  kgl::DepthRange(double(vp.minZ), double(vp.maxZ));
  return G_OK;
}

GResult Device::GetViewport(GViewport* vp) {
  if (!vp) return GERR_INVALIDCALL;
  *vp = m_viewport;
  return G_OK;
}

GResult Device::SetScissorRect(const GRect& rect) {
  if (rect.right < rect.left || rect.bottom < rect.top) return GERR_INVALIDCALL;
  m_scissor = rect;
  ApplyScissor();
  return G_OK;
}

GResult Device::GetScissorRect(GRect* rect) {
  if (!rect) return GERR_INVALIDCALL;
  *rect = m_scissor;
  return G_OK;
}

GResult Device::SetClipPlane(uint32_t index, const float* plane) {
  if (index >= kMaxClipPlanes || !plane) return GERR_INVALIDCALL;
  std::copy(plane, plane + 4, m_clipPlanes[index]);
  ++m_clipVersion;
  return G_OK;
}

const float* Device::ShaderClipPlanes() {
  if (m_shaderClipVersion != m_clipVersion) {
    const uint32_t enabled = m_rs[GRS_CLIPPLANEENABLE];
    for (uint32_t i = 0; i < kMaxClipPlanes; ++i)
      for (int k = 0; k < 4; ++k)
        m_shaderClipPlanes[i][k] = (enabled >> i) & 1 ? m_clipPlanes[i][k] : 0.0f;
    m_shaderClipVersion = m_clipVersion;
  }
  return &m_shaderClipPlanes[0][0];
}

GResult Device::GetClipPlane(uint32_t index, float* plane) {
  if (index >= kMaxClipPlanes || !plane) return GERR_INVALIDCALL;
  std::copy(m_clipPlanes[index], m_clipPlanes[index] + 4, plane);
  return G_OK;
}

GResult Device::SetTexture(uint32_t sampler, GTexture* texture) {
  if (sampler >= kMaxSamplers) return GERR_INVALIDCALL;
  if (m_textures[sampler] == texture) return G_OK;
  kgl::ActiveTexture(GL_TEXTURE0 + sampler);
  if (m_textures[sampler]) {
    Texture* old = static_cast<Texture*>(m_textures[sampler]);
    if (!texture || static_cast<Texture*>(texture)->Target() != old->Target())
      kgl::BindTexture(old->Target(), 0);
  }
  if (texture) {
    Texture* t = static_cast<Texture*>(texture);
    kgl::BindTexture(t->Target(), t->Name());
  }
  Rebind(m_textures[sampler], texture);
  return G_OK;
}

GResult Device::SetVertexDeclaration(GVertexDeclaration* decl) {
  if (m_decl != decl) m_vaoDirty = true;
  Rebind(m_decl, decl);
  return G_OK;
}

GResult Device::SetStreamSource(uint32_t stream, GVertexBuffer* vb, uint32_t offset,
                                uint32_t stride) {
  if (stream >= kMaxStreams) return GERR_INVALIDCALL;
  if (m_streams[stream] != vb || m_streamOffset[stream] != offset ||
      m_streamStride[stream] != stride)
    m_vaoDirty = true;
  Rebind(m_streams[stream], vb);
  m_streamOffset[stream] = offset;
  m_streamStride[stream] = stride;
  return G_OK;
}

GResult Device::SetIndices(GIndexBuffer* ib) {
  Rebind(m_indices, ib);
  return G_OK;
}

void Device::UseProgram(GLuint program, ProgramOrientation* orientation) {
  m_programOrientation = orientation;
  if (m_program == program) return;
  m_program = program;
  kgl::UseProgram(program);
}

bool Device::PrepareDraw(bool indexed) {
  if (!m_program || !m_decl || !m_streams[0] || (indexed && !m_indices)) return false;
  if (!PrepareTarget()) return false;
  // The target decides the epilogue's y sign, and may have changed since the pass began.
  if (ProgramOrientation* o = m_programOrientation; o && o->flipY >= 0 && o->value != m_flipY) {
    kgl::Uniform1f(o->flipY, m_flipY);
    o->value = m_flipY;
  }
  ApplyDirtySamplers();
  if (m_vaoDirty) {
    uint32_t enabled = 0;
    for (const GVertexElement& e : m_decl->GetElements()) {
      int loc = AttributeLocation(e.usage, e.usageIndex);
      if (loc < 0 || e.stream >= kMaxStreams || !m_streams[e.stream]) continue;
      GLint size = 4;
      GLenum type = GL_FLOAT;
      GLboolean norm = GL_FALSE;
      switch (e.type) {
        case GDECLTYPE_FLOAT1:
          size = 1;
          break;
        case GDECLTYPE_FLOAT2:
          size = 2;
          break;
        case GDECLTYPE_FLOAT3:
          size = 3;
          break;
        case GDECLTYPE_FLOAT4:
          size = 4;
          break;
        case GDECLTYPE_D3DCOLOR:
          size = GL_BGRA;
          type = GL_UNSIGNED_BYTE;
          norm = GL_TRUE;
          break;
        default:
          continue;
      }
      kgl::BindBuffer(GL_ARRAY_BUFFER, static_cast<VertexBuffer*>(m_streams[e.stream])->Name());
      kgl::VertexAttribPointer(
          GLuint(loc), size, type, norm, GLsizei(m_streamStride[e.stream]),
          reinterpret_cast<const void*>(uintptr_t(m_streamOffset[e.stream] + e.offset)));
      if (m_attribDivisor[loc] != m_streamDivisor[e.stream]) {
        m_attribDivisor[loc] = m_streamDivisor[e.stream];
        kgl::VertexAttribDivisor(GLuint(loc), m_attribDivisor[loc]);
      }
      enabled |= 1u << loc;
    }
    for (int loc = 0; loc < 16; ++loc) {
      uint32_t bit = 1u << loc;
      if ((enabled & bit) && !(m_enabledAttribs & bit)) kgl::EnableVertexAttribArray(GLuint(loc));
      if (!(enabled & bit) && (m_enabledAttribs & bit)) kgl::DisableVertexAttribArray(GLuint(loc));
    }
    m_enabledAttribs = enabled;
    m_vaoDirty = false;
  }
  if (indexed) {
    GLuint name = static_cast<IndexBuffer*>(m_indices)->Name();
    if (name != m_boundElementBuffer) {
      kgl::BindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
      m_boundElementBuffer = name;
    }
  }
  return true;
}

GResult Device::DrawPrimitive(GPrimitiveType type, uint32_t startVertex, uint32_t primitiveCount) {
  GLsizei count = 0;
  GLenum mode = PrimitiveMode(type, primitiveCount, &count);
  if (!mode || !PrepareDraw(false)) return GERR_INVALIDCALL;
  kgl::DrawArrays(mode, GLint(startVertex), count);
  return G_OK;
}

GResult Device::DrawIndexedPrimitive(GPrimitiveType type, int32_t baseVertex, uint32_t, uint32_t,
                                     uint32_t startIndex, uint32_t primitiveCount) {
  GLsizei count = 0;
  GLenum mode = PrimitiveMode(type, primitiveCount, &count);
  if (!mode || !PrepareDraw(true)) return GERR_INVALIDCALL;
  bool wide = m_indices->GetFormat() == FMT_INDEX32;
  size_t size = wide ? 4 : 2;
  if ((size_t(startIndex) + size_t(count)) * size > m_indices->GetLength()) return GERR_INVALIDCALL;
  kgl::DrawElementsBaseVertex(mode, count, wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                              reinterpret_cast<const void*>(uintptr_t(startIndex) * size),
                              baseVertex);
  return G_OK;
}

GResult Device::SetStreamSourceFreq(uint32_t stream, uint32_t instanceDivisor) {
  if (stream >= kMaxStreams) return GERR_INVALIDCALL;
  if (m_streamDivisor[stream] != instanceDivisor) m_vaoDirty = true;
  m_streamDivisor[stream] = instanceDivisor;
  return G_OK;
}

GResult Device::DrawIndexedPrimitiveInstanced(GPrimitiveType type, int32_t baseVertex, uint32_t,
                                              uint32_t, uint32_t startIndex,
                                              uint32_t primitiveCount, uint32_t instances) {
  GLsizei count = 0;
  GLenum mode = PrimitiveMode(type, primitiveCount, &count);
  if (!mode || instances == 0 || !PrepareDraw(true)) return GERR_INVALIDCALL;
  bool wide = m_indices->GetFormat() == FMT_INDEX32;
  size_t size = wide ? 4 : 2;
  if ((size_t(startIndex) + size_t(count)) * size > m_indices->GetLength()) return GERR_INVALIDCALL;
  kgl::DrawElementsInstancedBaseVertex(mode, count, wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                       reinterpret_cast<const void*>(uintptr_t(startIndex) * size),
                                       GLsizei(instances), baseVertex);
  return G_OK;
}

GResult Device::SetRenderTarget(uint32_t index, GSurface* surface) {
  if (index != 0 || !surface) return GERR_INVALIDCALL;
  SoftSurface* s = static_cast<SoftSurface*>(surface);
  if (s->Kind() != SURF_BACKBUFFER &&
      !(s->Kind() == SURF_TEXTURE_LEVEL && (s->Desc().usage & GUSAGE_RENDERTARGET)))
    return GERR_INVALIDCALL;
  if (m_renderTarget != surface) m_targetDirty = true;
  Rebind(m_renderTarget, surface);
  // Direct3D resets the viewport and the scissor rectangle to the whole new target.
  GViewport vp;
  vp.width = s->Desc().width;
  vp.height = s->Desc().height;
  m_viewport = vp;
  m_scissor = {0, 0, int32_t(vp.width), int32_t(vp.height)};
  kgl::DepthRange(double(vp.minZ), double(vp.maxZ));
  ApplyOrientation();
  return G_OK;
}

GResult Device::SetDepthStencilSurface(GSurface* surface) {
  if (surface && static_cast<SoftSurface*>(surface)->Kind() != SURF_DEPTHSTENCIL)
    return GERR_INVALIDCALL;
  if (m_depthStencil != surface) m_targetDirty = true;
  Rebind(m_depthStencil, surface);
  return G_OK;
}

GResult Device::GetBackBuffer(uint32_t index, GSurface** surface) {
  if (index != 0 || !surface) return GERR_INVALIDCALL;
  m_backBuffer->AddRef();
  *surface = m_backBuffer;
  return G_OK;
}

GResult Device::GetDepthStencilSurface(GSurface** surface) {
  if (!surface) return GERR_INVALIDCALL;
  if (!m_depthStencil) return GERR_NOTFOUND;
  m_depthStencil->AddRef();
  *surface = m_depthStencil;
  return G_OK;
}

}  // namespace gldev
