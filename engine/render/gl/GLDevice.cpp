// GLDevice.cpp - the OpenGL system, resources and device.
#include "render/gl/GLDevice.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include "render/Image.h"

namespace gldev {
namespace {

struct GLFormat {
  GLenum internal = 0, format = 0, type = 0;
  GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
  bool compressed = false;
};

bool LookupFormat(Format f, bool s3tc, GLFormat* out) {
  GLFormat g;
  auto sw = [&](GLint r, GLint gg, GLint b, GLint a) {
    g.swizzle[0] = r;
    g.swizzle[1] = gg;
    g.swizzle[2] = b;
    g.swizzle[3] = a;
  };
  switch (f) {
    case FMT_A8R8G8B8:
      g = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
      break;
    case FMT_X8R8G8B8:
      g = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
      sw(GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
      break;
    case FMT_R8G8B8:
      g = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE};
      break;
    case FMT_R5G6B5:
      g = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
      break;
    case FMT_A1R5G5B5:
      g = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
      break;
    case FMT_X1R5G5B5:
      g = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
      sw(GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
      break;
    case FMT_A4R4G4B4:
      g = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
      break;
    case FMT_X4R4G4B4:
      g = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
      sw(GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
      break;
    case FMT_A8:
      g = {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
      sw(GL_ZERO, GL_ZERO, GL_ZERO, GL_RED);
      break;
    case FMT_L8:
      g = {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
      sw(GL_RED, GL_RED, GL_RED, GL_ONE);
      break;
    case FMT_A8L8:
      g = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE};
      sw(GL_RED, GL_RED, GL_RED, GL_GREEN);
      break;
    case FMT_DXT1:
    case FMT_DXT2:
    case FMT_DXT3:
    case FMT_DXT4:
    case FMT_DXT5:
      if (s3tc) {
        g.internal = f == FMT_DXT1                      ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                     : (f == FMT_DXT2 || f == FMT_DXT3) ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                                        : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        g.compressed = true;
      } else {  // decoded in software at upload
        g = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
      }
      break;
    default:
      return false;
  }
  *out = g;
  return true;
}

GLenum DepthInternal(Format f) {
  if (HasStencilBits(f)) return GL_DEPTH24_STENCIL8;
  if (f == FMT_D24X8) return GL_DEPTH_COMPONENT24;
  if (f == FMT_D32) return GL_DEPTH_COMPONENT32;
  return GL_DEPTH_COMPONENT16;
}

GLenum BlendFactor(uint32_t v) {
  switch (v) {
    case GBLEND_ZERO:
      return GL_ZERO;
    case GBLEND_ONE:
      return GL_ONE;
    case GBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case GBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case GBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case GBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case GBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case GBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case GBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case GBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case GBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    default:
      return GL_ONE;
  }
}

GLenum BlendEquation(uint32_t v) {
  switch (v) {
    case GBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case GBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case GBLENDOP_MIN:
      return GL_MIN;
    case GBLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

GLenum CompareFunc(uint32_t v) {
  return (v >= GCMP_NEVER && v <= GCMP_ALWAYS) ? GL_NEVER + (v - 1) : GL_ALWAYS;
}

GLenum StencilOp(uint32_t v) {
  switch (v) {
    case GSTENCILOP_ZERO:
      return GL_ZERO;
    case GSTENCILOP_REPLACE:
      return GL_REPLACE;
    case GSTENCILOP_INCRSAT:
      return GL_INCR;
    case GSTENCILOP_DECRSAT:
      return GL_DECR;
    case GSTENCILOP_INVERT:
      return GL_INVERT;
    case GSTENCILOP_INCR:
      return GL_INCR_WRAP;
    case GSTENCILOP_DECR:
      return GL_DECR_WRAP;
    default:
      return GL_KEEP;
  }
}

GLenum AddressMode(uint32_t v) {
  switch (v) {
    case GTADDRESS_MIRROR:
      return GL_MIRRORED_REPEAT;
    case GTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case GTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

float AsFloat(uint32_t v) {
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

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
// System

System::System(void* window, void* context, bool s3tc)
    : m_window(window), m_context(context), m_s3tc(s3tc) {
  const char* r = reinterpret_cast<const char*>(kgl::GetString(GL_RENDERER));
  const char* v = reinterpret_cast<const char*>(kgl::GetString(GL_VERSION));
  m_renderer = r ? r : "OpenGL";
  m_version = v ? v : "";
  GLint maxTex = 0, max3D = 0;
  kgl::GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTex);
  kgl::GetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &max3D);
  // GLSL 3.30 does everything shader model 3.0 asks of a technique.
  m_caps.vertexShaderVersion = VertexShaderVersion(3, 0);
  m_caps.pixelShaderVersion = PixelShaderVersion(3, 0);
  m_caps.maxTextureWidth = m_caps.maxTextureHeight = uint32_t(maxTex);
  m_caps.maxVolumeExtent = uint32_t(max3D);
  m_caps.compressedTextures = s3tc;
}

System::~System() {
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
}

GResult System::GetAdapterIdentifier(uint32_t adapter, GAdapterIdentifier* id) {
  if (adapter != 0 || !id) return GLERR_INVALIDCALL;
  id->description = m_renderer;
  id->driver = std::string("OpenGL ") + m_version;
  // "4.5 (Core Profile) Mesa 22.3.6": the numbers of the driver's version.
  uint32_t parts[4] = {0, 0, 0, 0};
  size_t mesa = m_version.find("Mesa ");
  const char* p = m_version.c_str() + (mesa == std::string::npos ? 0 : mesa + 5);
  for (int i = 0; i < 4 && *p; ++i) {
    while (*p && (*p < '0' || *p > '9')) ++p;
    while (*p >= '0' && *p <= '9') parts[i] = parts[i] * 10 + uint32_t(*p++ - '0');
    if (*p != '.') break;
  }
  id->driverVersion = (uint64_t(parts[0] & 0xFFFF) << 48) | (uint64_t(parts[1] & 0xFFFF) << 32) |
                      (uint64_t(parts[2] & 0xFFFF) << 16) | uint64_t(parts[3] & 0xFFFF);
  return G_OK;
}

GResult System::GetAdapterDisplayMode(uint32_t adapter, GAdapterMode* mode) {
  if (adapter != 0 || !mode) return GLERR_INVALIDCALL;
  int display = SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(m_window));
  SDL_DisplayMode dm;
  if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &dm) != 0) return GLERR_NOTAVAILABLE;
  mode->width = uint32_t(dm.w);
  mode->height = uint32_t(dm.h);
  mode->refreshRate = uint32_t(dm.refresh_rate);
  mode->format = SDL_BITSPERPIXEL(dm.format) == 16 ? FMT_R5G6B5 : FMT_X8R8G8B8;
  return G_OK;
}

std::vector<GAdapterMode> System::ModesOf(Format format) {
  std::vector<GAdapterMode> modes;
  // The back buffer is our own framebuffer object, so every display mode
  // serves both a 32-bit and a 16-bit back buffer.
  if (format != FMT_X8R8G8B8 && format != FMT_R5G6B5) return modes;
  int display = SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(m_window));
  if (display < 0) display = 0;
  int n = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode dm;
    if (SDL_GetDisplayMode(display, i, &dm) != 0 || dm.w <= 0 || dm.h <= 0) continue;
    modes.push_back({uint32_t(dm.w), uint32_t(dm.h), uint32_t(dm.refresh_rate), format});
  }
  return modes;
}

uint32_t System::GetAdapterModeCount(uint32_t adapter, Format format) {
  return adapter == 0 ? uint32_t(ModesOf(format).size()) : 0;
}

GResult System::EnumAdapterModes(uint32_t adapter, Format format, uint32_t index,
                                 GAdapterMode* mode) {
  if (adapter != 0 || !mode) return GLERR_INVALIDCALL;
  std::vector<GAdapterMode> modes = ModesOf(format);
  if (index >= modes.size()) return GLERR_INVALIDCALL;
  *mode = modes[index];
  return G_OK;
}

GResult System::GetDeviceCaps(uint32_t adapter, GDevType type, GCaps* caps) {
  if (adapter != 0 || !caps) return GLERR_INVALIDCALL;
  *caps = m_caps;
  return G_OK;
}

GResult System::CreateDevice(uint32_t adapter, GDevType, void* window, uint32_t,
                             GPresentParameters* pp, GDevice** device) {
  if (!device || !pp || adapter != 0 || window != m_window) return GLERR_INVALIDCALL;
  *device = nullptr;
  if (m_device) return GLERR_INVALIDCALL;  // one device per context
  if (SDL_GL_MakeCurrent(static_cast<SDL_Window*>(m_window),
                         static_cast<SDL_GLContext>(m_context)) != 0)
    return GLERR_NOTAVAILABLE;
  Device* d = new Device(this, *pp);
  std::string reason;
  if (!d->Init(&reason)) {
    d->Release();
    return GLERR_NOTAVAILABLE;
  }
  m_device = d;
  *device = d;
  return G_OK;
}

GRect System::GetDesktopRect() {
  GRect r;
  GAdapterMode m;
  if (GSucceeded(GetAdapterDisplayMode(0, &m))) {
    r.right = int32_t(m.width);
    r.bottom = int32_t(m.height);
  }
  return r;
}

bool System::GetClientSize(void* window, uint32_t* width, uint32_t* height) {
  int w = 0, h = 0;
  SDL_GetWindowSize(static_cast<SDL_Window*>(window), &w, &h);
  *width = uint32_t(std::max(w, 0));
  *height = uint32_t(std::max(h, 0));
  return w > 0 && h > 0;
}

void System::PlaceWindow(void* window, const GRect& desktop, uint32_t width, uint32_t height) {
  SDL_Window* w = static_cast<SDL_Window*>(window);
  SDL_SetWindowSize(w, int(width), int(height));
  SDL_SetWindowPosition(w, desktop.right / 2 - int(width) / 2,
                        desktop.bottom / 2 - int(height) / 2);
}

void System::ShowWindow(void* window) {
  SDL_ShowWindow(static_cast<SDL_Window*>(window));
  SDL_RaiseWindow(static_cast<SDL_Window*>(window));
}

void System::ClientToScreen(void* window, int32_t* x, int32_t* y) {
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(static_cast<SDL_Window*>(window), &wx, &wy);
  *x += wx;
  *y += wy;
}

// ---------------------------------------------------------------------------
// Resources

Surface::Surface(Device* device, SurfaceKind kind, const GSurfaceDesc& desc)
    : SoftSurface(device, kind, desc) {
  if (kind == SURF_DEPTHSTENCIL) {
    kgl::GenRenderbuffers(1, &renderbuffer);
    kgl::BindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    kgl::RenderbufferStorage(GL_RENDERBUFFER, DepthInternal(desc.format), GLsizei(desc.width),
                             GLsizei(desc.height));
  } else if (kind == SURF_BACKBUFFER) {
    GLFormat f;
    LookupFormat(desc.format, false, &f);
    kgl::GenTextures(1, &colorTexture);
    kgl::ActiveTexture(Device::kUploadUnit);
    kgl::BindTexture(GL_TEXTURE_2D, colorTexture);
    kgl::TexImage2D(GL_TEXTURE_2D, 0, GLint(f.internal), GLsizei(desc.width), GLsizei(desc.height),
                    0, f.format, f.type, nullptr);
    kgl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    kgl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    kgl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  }
}

Surface::Surface(Device* device, SoftTexture* texture, uint32_t face, uint32_t level)
    : SoftSurface(device, texture, face, level) {}

Surface::~Surface() {
  if (renderbuffer) kgl::DeleteRenderbuffers(1, &renderbuffer);
  if (colorTexture) kgl::DeleteTextures(1, &colorTexture);
}

Texture::Texture(Device* device, GTextureType type, uint32_t width, uint32_t height, uint32_t depth,
                 uint32_t levels, uint32_t usage, Format format, GPool pool)
    : SoftTexture(device, type, width, height, depth, levels, usage, format, pool), m_gl(device) {}

Texture::~Texture() {
  if (m_name) kgl::DeleteTextures(1, &m_name);
}

bool Texture::Create() {
  GLFormat f;
  if (!LookupFormat(m_format, m_gl->HasS3TC(), &f)) return false;
  m_target = m_type == GTEXTYPE_CUBE     ? GL_TEXTURE_CUBE_MAP
             : m_type == GTEXTYPE_VOLUME ? GL_TEXTURE_3D
                                         : GL_TEXTURE_2D;
  kgl::GetError();
  kgl::GenTextures(1, &m_name);
  kgl::ActiveTexture(Device::kUploadUnit);
  kgl::BindTexture(m_target, m_name);
  kgl::PixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (uint32_t face = 0; face < Faces(); ++face)
    for (uint32_t l = 0; l < m_levels; ++l) {
      GLenum target = m_type == GTEXTYPE_CUBE ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : m_target;
      GLsizei w = GLsizei(Width(l)), h = GLsizei(Height(l));
      if (m_type == GTEXTYPE_VOLUME)
        kgl::TexImage3D(target, GLint(l), GLint(f.internal), w, h, GLsizei(GetDepth(l)), 0,
                        f.format, f.type, nullptr);
      else if (f.compressed)
        kgl::CompressedTexImage2D(target, GLint(l), f.internal, w, h, 0,
                                  GLsizei(LevelData(face, l).size()), LevelData(face, l).data());
      else
        kgl::TexImage2D(target, GLint(l), GLint(f.internal), w, h, 0, f.format, f.type, nullptr);
    }
  kgl::TexParameteri(m_target, GL_TEXTURE_BASE_LEVEL, 0);
  kgl::TexParameteri(m_target, GL_TEXTURE_MAX_LEVEL, GLint(m_levels - 1));
  kgl::TexParameteriv(m_target, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle);
  return kgl::GetError() == GL_NO_ERROR;
}

void Texture::OnUnlock(uint32_t face, uint32_t level) {
  GLFormat f;
  if (!m_name || !LookupFormat(m_format, m_gl->HasS3TC(), &f)) return;
  kgl::ActiveTexture(Device::kUploadUnit);
  kgl::BindTexture(m_target, m_name);
  kgl::PixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLenum target = m_type == GTEXTYPE_CUBE ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : m_target;
  GLsizei w = GLsizei(Width(level)), h = GLsizei(Height(level));
  const std::vector<uint8_t>& data = LevelData(face, level);
  if (m_type == GTEXTYPE_VOLUME) {
    kgl::TexSubImage3D(target, GLint(level), 0, 0, 0, w, h, GLsizei(GetDepth(level)), f.format,
                       f.type, data.data());
  } else if (f.compressed) {
    kgl::CompressedTexSubImage2D(target, GLint(level), 0, 0, w, h, f.internal, GLsizei(data.size()),
                                 data.data());
  } else if (IsCompressedFormat(m_format)) {
    std::vector<uint8_t> bgra(size_t(w) * size_t(h) * 4);
    DecompressDXT(m_format, data.data(), uint32_t(w), uint32_t(h), bgra.data());
    kgl::TexSubImage2D(target, GLint(level), 0, 0, w, h, f.format, f.type, bgra.data());
  } else {
    kgl::TexSubImage2D(target, GLint(level), 0, 0, w, h, f.format, f.type, data.data());
  }
}

GResult Texture::GetSurfaceLevel(uint32_t face, uint32_t level, GSurface** surface) {
  if (!surface || m_type == GTEXTYPE_VOLUME || face >= Faces() || level >= m_levels)
    return GLERR_INVALIDCALL;
  *surface = new Surface(m_gl, this, face, level);
  return G_OK;
}

VertexBuffer::VertexBuffer(Device* device, uint32_t length, uint32_t usage, GPool pool)
    : SoftVertexBuffer(device, length, usage, pool) {
  kgl::GenBuffers(1, &m_name);
  kgl::BindBuffer(GL_COPY_WRITE_BUFFER, m_name);
  kgl::BufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(length), nullptr,
                  (usage & GUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW);
}

VertexBuffer::~VertexBuffer() {
  kgl::DeleteBuffers(1, &m_name);
}

void VertexBuffer::OnUnlock(uint32_t offset, uint32_t size, bool discard) {
  kgl::BindBuffer(GL_COPY_WRITE_BUFFER, m_name);
  if (discard)  // orphan the old storage so the GPU need not finish with it first
    kgl::BufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(m_data.size()), nullptr, GL_STREAM_DRAW);
  kgl::BufferSubData(GL_COPY_WRITE_BUFFER, GLintptr(offset), GLsizeiptr(size),
                     m_data.data() + offset);
}

IndexBuffer::IndexBuffer(Device* device, uint32_t length, uint32_t usage, Format format, GPool pool)
    : SoftIndexBuffer(device, length, usage, format, pool) {
  kgl::GenBuffers(1, &m_name);
  kgl::BindBuffer(GL_COPY_WRITE_BUFFER, m_name);
  kgl::BufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(length), nullptr,
                  (usage & GUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW);
}

IndexBuffer::~IndexBuffer() {
  kgl::DeleteBuffers(1, &m_name);
}

void IndexBuffer::OnUnlock(uint32_t offset, uint32_t size, bool discard) {
  kgl::BindBuffer(GL_COPY_WRITE_BUFFER, m_name);
  if (discard)
    kgl::BufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(m_data.size()), nullptr, GL_STREAM_DRAW);
  kgl::BufferSubData(GL_COPY_WRITE_BUFFER, GLintptr(offset), GLsizeiptr(size),
                     m_data.data() + offset);
}

// ---------------------------------------------------------------------------
// Device

Device::Device(System* system, const GPresentParameters& pp) : m_system(system), m_pp(pp) {
  m_system->AddRef();
  for (uint32_t s = 0; s < GRS_MAX; ++s) m_rs[s] = GetDefaultRenderState(GRenderState(s));
  for (auto& unit : m_ss)
    for (uint32_t s = 0; s < GSAMP_MAX; ++s) unit[s] = GetDefaultSamplerState(GSamplerState(s));
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
  kgl::BindFramebuffer(GL_FRAMEBUFFER, m_presentFbo);
  kgl::FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                            m_backBuffer->colorTexture, 0);
  GLenum status = kgl::CheckFramebufferStatus(GL_FRAMEBUFFER);
  m_targetDirty = true;
  m_viewport = GViewport();
  m_viewport.width = desc.width;
  m_viewport.height = desc.height;
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    *reason = "back buffer framebuffer incomplete";
    return false;
  }
  if (!PrepareTarget()) {
    *reason = "draw framebuffer incomplete";
    return false;
  }
  kgl::Viewport(0, 0, GLsizei(desc.width), GLsizei(desc.height));
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
    return GLERR_INVALIDCALL;
  ReleaseBindings();
  for (uint32_t u = 0; u < kMaxSamplers; ++u) SetTexture(u, nullptr);
  SafeRelease(m_renderTarget);
  SafeRelease(m_depthStencil);
  DestroyBackBuffer();
  m_pp = pp;
  ApplyWindowMode(pp);
  std::string reason;
  if (!CreateBackBuffer(&reason)) return GLERR_NOTAVAILABLE;
  for (uint32_t s = 0; s < GRS_MAX; ++s) m_rs[s] = GetDefaultRenderState(GRenderState(s));
  for (uint32_t u = 0; u < kMaxSamplers; ++u) {
    for (uint32_t s = 0; s < GSAMP_MAX; ++s) m_ss[u][s] = GetDefaultSamplerState(GSamplerState(s));
    ApplySampler(u);
  }
  ApplyAllStates();
  return G_OK;
}

GResult Device::GetDeviceCaps(GCaps* caps) {
  if (!caps) return GLERR_INVALIDCALL;
  *caps = m_system->Caps();
  return G_OK;
}

bool Device::PrepareTarget() {
  if (!m_targetDirty) return true;
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
  if (!PrepareTarget()) return GLERR_INVALIDCALL;
  GLbitfield mask = 0;
  // Direct3D clears the viewport whatever the write masks say.
  kgl::Enable(GL_SCISSOR_TEST);
  kgl::Scissor(GLint(m_viewport.x), GLint(m_viewport.y), GLsizei(m_viewport.width),
               GLsizei(m_viewport.height));
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
  if (m_inScene) return GLERR_INVALIDCALL;
  m_inScene = true;
  return G_OK;
}

GResult Device::EndScene() {
  if (!m_inScene) return GLERR_INVALIDCALL;
  m_inScene = false;
  return G_OK;
}

GResult Device::Present() {
  SDL_Window* w = static_cast<SDL_Window*>(m_system->Window());
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(w, &dw, &dh);
  GSurfaceDesc d = m_backBuffer->Desc();
  kgl::Disable(GL_SCISSOR_TEST);
  kgl::BindFramebuffer(GL_READ_FRAMEBUFFER, m_presentFbo);
  kgl::BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  // Row 0 of our back buffer is the top of the picture; GL's window starts at the bottom.
  kgl::BlitFramebuffer(
      0, 0, GLint(d.width), GLint(d.height), 0, dh, dw, 0, GL_COLOR_BUFFER_BIT,
      (uint32_t(dw) == d.width && uint32_t(dh) == d.height) ? GL_NEAREST : GL_LINEAR);
  SDL_GL_SwapWindow(w);
  kgl::BindFramebuffer(GL_FRAMEBUFFER, m_drawFbo);
  ApplyRenderState(GRS_SCISSORTESTENABLE);
  return kgl::GetError() == GL_NO_ERROR ? G_OK : GLERR_DRIVERINTERNALERROR;
}

GResult Device::SetViewport(const GViewport& vp) {
  m_viewport = vp;
  kgl::Viewport(GLint(vp.x), GLint(vp.y), GLsizei(vp.width), GLsizei(vp.height));
  kgl::DepthRange(double(vp.minZ), double(vp.maxZ));
  return G_OK;
}

GResult Device::GetViewport(GViewport* vp) {
  if (!vp) return GLERR_INVALIDCALL;
  *vp = m_viewport;
  return G_OK;
}

void Device::ApplyBlend() {
  bool separate = m_rs[GRS_SEPARATEALPHABLENDENABLE] != 0;
  GLenum src = BlendFactor(m_rs[GRS_SRCBLEND]), dst = BlendFactor(m_rs[GRS_DESTBLEND]);
  GLenum srcA = separate ? BlendFactor(m_rs[GRS_SRCBLENDALPHA]) : src;
  GLenum dstA = separate ? BlendFactor(m_rs[GRS_DESTBLENDALPHA]) : dst;
  kgl::BlendFuncSeparate(src, dst, srcA, dstA);
  GLenum op = BlendEquation(m_rs[GRS_BLENDOP]);
  kgl::BlendEquationSeparate(op, separate ? BlendEquation(m_rs[GRS_BLENDOPALPHA]) : op);
}

void Device::ApplyStencil() {
  if (m_rs[GRS_STENCILENABLE])
    kgl::Enable(GL_STENCIL_TEST);
  else
    kgl::Disable(GL_STENCIL_TEST);
  kgl::StencilFunc(CompareFunc(m_rs[GRS_STENCILFUNC]), GLint(m_rs[GRS_STENCILREF]),
                   m_rs[GRS_STENCILMASK]);
  kgl::StencilOp(StencilOp(m_rs[GRS_STENCILFAIL]), StencilOp(m_rs[GRS_STENCILZFAIL]),
                 StencilOp(m_rs[GRS_STENCILPASS]));
  kgl::StencilMask(m_rs[GRS_STENCILWRITEMASK]);
}

void Device::ApplyRenderState(GRenderState s) {
  uint32_t v = m_rs[s];
  switch (s) {
    case GRS_ZENABLE:
      v ? kgl::Enable(GL_DEPTH_TEST) : kgl::Disable(GL_DEPTH_TEST);
      break;
    case GRS_ZWRITEENABLE:
      kgl::DepthMask(v ? GL_TRUE : GL_FALSE);
      break;
    case GRS_ZFUNC:
      kgl::DepthFunc(CompareFunc(v));
      break;
    case GRS_ALPHABLENDENABLE:
      v ? kgl::Enable(GL_BLEND) : kgl::Disable(GL_BLEND);
      break;
    case GRS_SRCBLEND:
    case GRS_DESTBLEND:
    case GRS_BLENDOP:
    case GRS_SEPARATEALPHABLENDENABLE:
    case GRS_SRCBLENDALPHA:
    case GRS_DESTBLENDALPHA:
    case GRS_BLENDOPALPHA:
      ApplyBlend();
      break;
    case GRS_CULLMODE:
      // Clockwise is front in Direct3D; after our y flip that is GL's
      // counter-clockwise, so GL's default front face stays.
      if (v == GCULL_NONE) {
        kgl::Disable(GL_CULL_FACE);
      } else {
        kgl::Enable(GL_CULL_FACE);
        kgl::CullFace(v == GCULL_CW ? GL_FRONT : GL_BACK);
      }
      break;
    case GRS_FILLMODE:
      kgl::PolygonMode(GL_FRONT_AND_BACK, v == GFILL_WIREFRAME ? GL_LINE
                                          : v == GFILL_POINT   ? GL_POINT
                                                               : GL_FILL);
      break;
    case GRS_STENCILENABLE:
    case GRS_STENCILFAIL:
    case GRS_STENCILZFAIL:
    case GRS_STENCILPASS:
    case GRS_STENCILFUNC:
    case GRS_STENCILREF:
    case GRS_STENCILMASK:
    case GRS_STENCILWRITEMASK:
      ApplyStencil();
      break;
    case GRS_COLORWRITEENABLE:
      kgl::ColorMask((v & 1) ? GL_TRUE : GL_FALSE, (v & 2) ? GL_TRUE : GL_FALSE,
                     (v & 4) ? GL_TRUE : GL_FALSE, (v & 8) ? GL_TRUE : GL_FALSE);
      break;
    case GRS_SCISSORTESTENABLE:
      v ? kgl::Enable(GL_SCISSOR_TEST) : kgl::Disable(GL_SCISSOR_TEST);
      break;
    case GRS_DEPTHBIAS:
    case GRS_SLOPESCALEDEPTHBIAS: {
      float bias = AsFloat(m_rs[GRS_DEPTHBIAS]), slope = AsFloat(m_rs[GRS_SLOPESCALEDEPTHBIAS]);
      if (bias != 0.0f || slope != 0.0f)
        kgl::Enable(GL_POLYGON_OFFSET_FILL);
      else
        kgl::Disable(GL_POLYGON_OFFSET_FILL);
      kgl::PolygonOffset(slope,
                         bias * 65536.0f);  // bias is in 0..1 depth units, GL's in depth steps
      break;
    }
    case GRS_POINTSIZE:
      kgl::PointSize(std::max(1.0f, AsFloat(v)));
      break;
    default:
      break;  // fixed-function states (lighting, fog...) and the alpha test, which effects read
  }
}

void Device::ApplyAllStates() {
  kgl::FrontFace(GL_CCW);
  static const GRenderState kApplied[] = {
      GRS_ZENABLE,          GRS_ZWRITEENABLE,      GRS_ZFUNC,     GRS_ALPHABLENDENABLE,
      GRS_SRCBLEND,         GRS_CULLMODE,          GRS_FILLMODE,  GRS_STENCILENABLE,
      GRS_COLORWRITEENABLE, GRS_SCISSORTESTENABLE, GRS_DEPTHBIAS, GRS_POINTSIZE};
  for (GRenderState s : kApplied) ApplyRenderState(s);
}

GResult Device::SetRenderState(GRenderState state, uint32_t value) {
  if (state >= GRS_MAX) return GLERR_INVALIDCALL;
  if (m_rs[state] == value) return G_OK;
  m_rs[state] = value;
  ApplyRenderState(state);
  return G_OK;
}

GResult Device::GetRenderState(GRenderState state, uint32_t* value) {
  if (state >= GRS_MAX || !value) return GLERR_INVALIDCALL;
  *value = m_rs[state];
  return G_OK;
}

void Device::ApplySampler(uint32_t u) {
  GLuint s = m_samplers[u];
  const uint32_t* st = m_ss[u];
  kgl::SamplerParameteri(s, GL_TEXTURE_WRAP_S, GLint(AddressMode(st[GSAMP_ADDRESSU])));
  kgl::SamplerParameteri(s, GL_TEXTURE_WRAP_T, GLint(AddressMode(st[GSAMP_ADDRESSV])));
  kgl::SamplerParameteri(s, GL_TEXTURE_WRAP_R, GLint(AddressMode(st[GSAMP_ADDRESSW])));
  uint32_t c = st[GSAMP_BORDERCOLOR];
  float border[4] = {float((c >> 16) & 255) / 255.0f, float((c >> 8) & 255) / 255.0f,
                     float(c & 255) / 255.0f, float(c >> 24) / 255.0f};
  kgl::SamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, border);
  bool magPoint = st[GSAMP_MAGFILTER] <= GTEXF_POINT;
  bool minPoint = st[GSAMP_MINFILTER] <= GTEXF_POINT;
  GLenum minFilter;
  switch (st[GSAMP_MIPFILTER]) {
    case GTEXF_POINT:
      minFilter = minPoint ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
      break;
    case GTEXF_LINEAR:
    case GTEXF_ANISOTROPIC:
      minFilter = minPoint ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
      break;
    default:
      minFilter = minPoint ? GL_NEAREST : GL_LINEAR;
      break;
  }
  kgl::SamplerParameteri(s, GL_TEXTURE_MAG_FILTER, magPoint ? GL_NEAREST : GL_LINEAR);
  kgl::SamplerParameteri(s, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
  kgl::SamplerParameterf(s, GL_TEXTURE_LOD_BIAS, AsFloat(st[GSAMP_MIPMAPLODBIAS]));
  kgl::SamplerParameterf(s, GL_TEXTURE_MIN_LOD, float(st[GSAMP_MAXMIPLEVEL]));
}

GResult Device::SetSamplerState(uint32_t sampler, GSamplerState state, uint32_t value) {
  if (sampler >= kMaxSamplers || state >= GSAMP_MAX) return GLERR_INVALIDCALL;
  if (m_ss[sampler][state] == value) return G_OK;
  m_ss[sampler][state] = value;
  ApplySampler(sampler);
  return G_OK;
}

GResult Device::GetSamplerState(uint32_t sampler, GSamplerState state, uint32_t* value) {
  if (sampler >= kMaxSamplers || state >= GSAMP_MAX || !value) return GLERR_INVALIDCALL;
  *value = m_ss[sampler][state];
  return G_OK;
}

GResult Device::SetTexture(uint32_t sampler, GTexture* texture) {
  if (sampler >= kMaxSamplers) return GLERR_INVALIDCALL;
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
  if (stream >= kMaxStreams) return GLERR_INVALIDCALL;
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

void Device::UseProgram(GLuint program) {
  if (m_program == program) return;
  m_program = program;
  kgl::UseProgram(program);
}

bool Device::PrepareDraw(bool indexed) {
  if (!m_program || !m_decl || !m_streams[0] || (indexed && !m_indices)) return false;
  if (!PrepareTarget()) return false;
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
  if (!mode || !PrepareDraw(false)) return GLERR_INVALIDCALL;
  kgl::DrawArrays(mode, GLint(startVertex), count);
  return G_OK;
}

GResult Device::DrawIndexedPrimitive(GPrimitiveType type, int32_t baseVertex, uint32_t, uint32_t,
                                     uint32_t startIndex, uint32_t primitiveCount) {
  GLsizei count = 0;
  GLenum mode = PrimitiveMode(type, primitiveCount, &count);
  if (!mode || !PrepareDraw(true)) return GLERR_INVALIDCALL;
  bool wide = m_indices->GetFormat() == FMT_INDEX32;
  size_t size = wide ? 4 : 2;
  if ((size_t(startIndex) + size_t(count)) * size > m_indices->GetLength())
    return GLERR_INVALIDCALL;
  kgl::DrawElementsBaseVertex(mode, count, wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                              reinterpret_cast<const void*>(uintptr_t(startIndex) * size),
                              baseVertex);
  return G_OK;
}

GResult Device::SetRenderTarget(uint32_t index, GSurface* surface) {
  if (index != 0 || !surface) return GLERR_INVALIDCALL;
  SoftSurface* s = static_cast<SoftSurface*>(surface);
  if (s->Kind() != SURF_BACKBUFFER &&
      !(s->Kind() == SURF_TEXTURE_LEVEL && (s->Desc().usage & GUSAGE_RENDERTARGET)))
    return GLERR_INVALIDCALL;
  if (m_renderTarget != surface) m_targetDirty = true;
  Rebind(m_renderTarget, surface);
  // Direct3D resets the viewport to the whole new target.
  GViewport vp;
  vp.width = s->Desc().width;
  vp.height = s->Desc().height;
  SetViewport(vp);
  return G_OK;
}

GResult Device::SetDepthStencilSurface(GSurface* surface) {
  if (surface && static_cast<SoftSurface*>(surface)->Kind() != SURF_DEPTHSTENCIL)
    return GLERR_INVALIDCALL;
  if (m_depthStencil != surface) m_targetDirty = true;
  Rebind(m_depthStencil, surface);
  return G_OK;
}

GResult Device::GetBackBuffer(uint32_t index, GSurface** surface) {
  if (index != 0 || !surface) return GLERR_INVALIDCALL;
  m_backBuffer->AddRef();
  *surface = m_backBuffer;
  return G_OK;
}

GResult Device::GetDepthStencilSurface(GSurface** surface) {
  if (!surface) return GLERR_INVALIDCALL;
  if (!m_depthStencil) return GLERR_NOTFOUND;
  m_depthStencil->AddRef();
  *surface = m_depthStencil;
  return G_OK;
}

GResult Device::ReadColor(GSurface* source, GSurface* dest) {
  SoftSurface* src = static_cast<SoftSurface*>(source);
  SoftSurface* dst = static_cast<SoftSurface*>(dest);
  if (!src || !dst || dst->Kind() != SURF_OFFSCREEN) return GLERR_INVALIDCALL;
  Format df = dst->Desc().format;
  if (df != FMT_A8R8G8B8 && df != FMT_X8R8G8B8) return GLERR_INVALIDCALL;
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
    return GLERR_INVALIDCALL;
  }
  GResult r = G_OK;
  if (kgl::CheckFramebufferStatus(GL_READ_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    r = GLERR_INVALIDCALL;
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
  kgl::BindFramebuffer(GL_FRAMEBUFFER, m_drawFbo);
  return r;
}

GResult Device::GetRenderTargetData(GSurface* renderTarget, GSurface* dest) {
  return ReadColor(renderTarget, dest);
}

GResult Device::GetFrontBufferData(GSurface* dest) {
  return ReadColor(m_backBuffer, dest);
}

GResult Device::CreateVertexBuffer(uint32_t length, uint32_t usage, GPool pool,
                                   GVertexBuffer** vb) {
  if (!vb || length == 0) return GLERR_INVALIDCALL;
  kgl::GetError();
  VertexBuffer* b = new VertexBuffer(this, length, usage, pool);
  if (kgl::GetError() != GL_NO_ERROR) {
    b->Release();
    return GLERR_OUTOFVIDEOMEMORY;
  }
  *vb = b;
  return G_OK;
}

GResult Device::CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, GPool pool,
                                  GIndexBuffer** ib) {
  if (!ib || length == 0 || (format != FMT_INDEX16 && format != FMT_INDEX32))
    return GLERR_INVALIDCALL;
  kgl::GetError();
  IndexBuffer* b = new IndexBuffer(this, length, usage, format, pool);
  if (kgl::GetError() != GL_NO_ERROR) {
    b->Release();
    return GLERR_OUTOFVIDEOMEMORY;
  }
  *ib = b;
  return G_OK;
}

GResult Device::CreateVertexDeclaration(const GVertexElement* elements, GVertexDeclaration** decl) {
  if (!elements || !decl) return GLERR_INVALIDCALL;
  *decl = new SoftVertexDeclaration(this, elements);
  return G_OK;
}

GResult Device::CreateTexture(GTextureType type, uint32_t width, uint32_t height, uint32_t depth,
                              uint32_t levels, uint32_t usage, Format format, GPool pool,
                              GTexture** tex) {
  if (!tex || width == 0 || height == 0 || depth == 0) return GLERR_INVALIDCALL;
  const GCaps& caps = m_system->Caps();
  uint32_t maxEdge = type == GTEXTYPE_VOLUME ? caps.maxVolumeExtent : caps.maxTextureWidth;
  if (width > maxEdge || height > maxEdge || (type == GTEXTYPE_VOLUME && depth > maxEdge))
    return GLERR_INVALIDCALL;
  GLFormat f;
  if (!IsTextureFormat(format) || !LookupFormat(format, HasS3TC(), &f)) return GLERR_INVALIDCALL;
  if ((usage & GUSAGE_RENDERTARGET) && (type == GTEXTYPE_VOLUME || !IsRenderTargetFormat(format)))
    return GLERR_INVALIDCALL;
  if (IsCompressedFormat(format) && type == GTEXTYPE_VOLUME) return GLERR_INVALIDCALL;
  Texture* t = new Texture(this, type, width, height, depth, levels, usage, format, pool);
  if (!t->Create()) {
    t->Release();
    return GLERR_OUTOFVIDEOMEMORY;
  }
  *tex = t;
  return G_OK;
}

GResult Device::CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                          GSurface** surface) {
  if (!surface || width == 0 || height == 0 || !IsDepthFormat(format)) return GLERR_INVALIDCALL;
  if (width > m_system->Caps().maxTextureWidth || height > m_system->Caps().maxTextureHeight)
    return GLERR_INVALIDCALL;
  GSurfaceDesc desc;
  desc.format = format;
  desc.usage = GUSAGE_DEPTHSTENCIL;
  desc.width = width;
  desc.height = height;
  kgl::GetError();
  Surface* s = new Surface(this, SURF_DEPTHSTENCIL, desc);
  if (kgl::GetError() != GL_NO_ERROR) {
    s->Release();
    return GLERR_OUTOFVIDEOMEMORY;
  }
  *surface = s;
  return G_OK;
}

GResult Device::CreateOffscreenPlainSurface(uint32_t width, uint32_t height, Format format,
                                            GSurface** surface) {
  if (!surface || width == 0 || height == 0 || width > 16384 || height > 16384 ||
      GetFormatBytesPerPixel(format) == 0)
    return GLERR_INVALIDCALL;
  GSurfaceDesc desc;
  desc.format = format;
  desc.pool = GPOOL_SCRATCH;
  desc.width = width;
  desc.height = height;
  *surface = new SoftSurface(this, SURF_OFFSCREEN, desc);
  return G_OK;
}

}  // namespace gldev

GSystem* CreateGLSystem(void* window, std::string* reason) {
  SDL_Window* w = static_cast<SDL_Window*>(window);
  if (!w) {
    *reason = "no window";
    return nullptr;
  }
  if (!(SDL_GetWindowFlags(w) & SDL_WINDOW_OPENGL)) {
    *reason = "the window was not created for OpenGL";
    return nullptr;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext ctx = SDL_GL_CreateContext(w);
  if (!ctx) {
    *reason = SDL_GetError();
    return nullptr;
  }
  std::string missing;
  if (!kgl::Load(&missing)) {
    *reason = "missing OpenGL function " + missing;
    SDL_GL_DeleteContext(ctx);
    return nullptr;
  }
  bool s3tc = false;
  GLint n = 0;
  kgl::GetIntegerv(GL_NUM_EXTENSIONS, &n);
  for (GLint i = 0; i < n; ++i) {
    const char* e = reinterpret_cast<const char*>(kgl::GetStringi(GL_EXTENSIONS, GLuint(i)));
    if (e && std::strcmp(e, "GL_EXT_texture_compression_s3tc") == 0) s3tc = true;
  }
  if (const char* off = SDL_getenv("KAZ_GL_NO_S3TC"); off && *off == '1') s3tc = false;
  return new gldev::System(window, ctx, s3tc);
}

GSystem* CreatePlatformGraphicsSystem(void* window, std::string* reason) {
  return CreateGLSystem(window, reason);
}
