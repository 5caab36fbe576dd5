// GLResources.cpp - surfaces, textures and buffers of the GL device, and its format mapping.
#include "render/gl/GLDevice.h"

#include "render/device/Image.h"

namespace gldev {

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
    return GERR_INVALIDCALL;
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

GResult Device::CreateVertexBuffer(uint32_t length, uint32_t usage, GPool pool,
                                   GVertexBuffer** vb) {
  if (!vb || length == 0) return GERR_INVALIDCALL;
  kgl::GetError();
  VertexBuffer* b = new VertexBuffer(this, length, usage, pool);
  if (kgl::GetError() != GL_NO_ERROR) {
    b->Release();
    return GERR_OUTOFVIDEOMEMORY;
  }
  *vb = b;
  return G_OK;
}

GResult Device::CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, GPool pool,
                                  GIndexBuffer** ib) {
  if (!ib || length == 0 || (format != FMT_INDEX16 && format != FMT_INDEX32))
    return GERR_INVALIDCALL;
  kgl::GetError();
  IndexBuffer* b = new IndexBuffer(this, length, usage, format, pool);
  if (kgl::GetError() != GL_NO_ERROR) {
    b->Release();
    return GERR_OUTOFVIDEOMEMORY;
  }
  *ib = b;
  return G_OK;
}

GResult Device::CreateVertexDeclaration(const GVertexElement* elements, GVertexDeclaration** decl) {
  if (!elements || !decl) return GERR_INVALIDCALL;
  *decl = new SoftVertexDeclaration(this, elements);
  return G_OK;
}

GResult Device::CreateTexture(GTextureType type, uint32_t width, uint32_t height, uint32_t depth,
                              uint32_t levels, uint32_t usage, Format format, GPool pool,
                              GTexture** tex) {
  if (!tex || width == 0 || height == 0 || depth == 0) return GERR_INVALIDCALL;
  const GCaps& caps = m_system->Caps();
  uint32_t maxEdge = type == GTEXTYPE_VOLUME ? caps.maxVolumeExtent : caps.maxTextureWidth;
  if (width > maxEdge || height > maxEdge || (type == GTEXTYPE_VOLUME && depth > maxEdge))
    return GERR_INVALIDCALL;
  GLFormat f;
  if (!IsTextureFormat(format) || !LookupFormat(format, HasS3TC(), &f)) return GERR_INVALIDCALL;
  if ((usage & GUSAGE_RENDERTARGET) && (type == GTEXTYPE_VOLUME || !IsRenderTargetFormat(format)))
    return GERR_INVALIDCALL;
  if (IsCompressedFormat(format) && type == GTEXTYPE_VOLUME) return GERR_INVALIDCALL;
  Texture* t = new Texture(this, type, width, height, depth, levels, usage, format, pool);
  if (!t->Create()) {
    t->Release();
    return GERR_OUTOFVIDEOMEMORY;
  }
  *tex = t;
  return G_OK;
}

GResult Device::CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                          GSurface** surface) {
  if (!surface || width == 0 || height == 0 || !IsDepthFormat(format)) return GERR_INVALIDCALL;
  if (width > m_system->Caps().maxTextureWidth || height > m_system->Caps().maxTextureHeight)
    return GERR_INVALIDCALL;
  GSurfaceDesc desc;
  desc.format = format;
  desc.usage = GUSAGE_DEPTHSTENCIL;
  desc.width = width;
  desc.height = height;
  kgl::GetError();
  Surface* s = new Surface(this, SURF_DEPTHSTENCIL, desc);
  if (kgl::GetError() != GL_NO_ERROR) {
    s->Release();
    return GERR_OUTOFVIDEOMEMORY;
  }
  *surface = s;
  return G_OK;
}

GResult Device::CreateOffscreenPlainSurface(uint32_t width, uint32_t height, Format format,
                                            GSurface** surface) {
  if (!surface || width == 0 || height == 0 || width > 16384 || height > 16384 ||
      GetFormatBytesPerPixel(format) == 0)
    return GERR_INVALIDCALL;
  GSurfaceDesc desc;
  desc.format = format;
  desc.pool = GPOOL_SCRATCH;
  desc.width = width;
  desc.height = height;
  *surface = new SoftSurface(this, SURF_OFFSCREEN, desc);
  return G_OK;
}

}  // namespace gldev
