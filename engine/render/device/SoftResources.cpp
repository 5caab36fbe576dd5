// SoftResources.cpp - buffers, textures and surfaces kept in system memory.
#include "render/device/SoftResources.h"

#include <algorithm>

uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth) {
  uint32_t m = std::max(width, std::max(height, depth)), n = 1;
  while (m > 1) {
    m >>= 1;
    ++n;
  }
  return n;
}

// ---------------------------------------------------------------------------

GResult SoftLock::Lock(std::vector<uint8_t>& data, uint32_t at, uint32_t count, void** out,
                       uint32_t flags) {
  if (!out || locked) return GERR_INVALIDCALL;
  if (at == 0 && count == 0) count = uint32_t(data.size());
  if (at > data.size() || count > data.size() - at) return GERR_INVALIDCALL;
  locked = true;
  offset = at;
  size = count;
  discard = (flags & GLOCK_DISCARD) != 0;
  *out = data.data() + at;
  return G_OK;
}

bool SoftLock::Unlock() {
  if (!locked) return false;
  locked = false;
  return true;
}

SoftVertexBuffer::SoftVertexBuffer(GDevice* device, uint32_t length, uint32_t usage, GPool pool)
    : m_device(device), m_data(length), m_usage(usage), m_pool(pool) {
  m_device->AddRef();
}
SoftVertexBuffer::~SoftVertexBuffer() {
  m_device->Release();
}

GResult SoftVertexBuffer::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
  return m_lock.Lock(m_data, offset, size, data, flags);
}

GResult SoftVertexBuffer::Unlock() {
  if (!m_lock.Unlock()) return GERR_INVALIDCALL;
  OnUnlock(m_lock.offset, m_lock.size, m_lock.discard);
  return G_OK;
}

SoftIndexBuffer::SoftIndexBuffer(GDevice* device, uint32_t length, uint32_t usage, Format format,
                                 GPool pool)
    : m_device(device), m_data(length), m_usage(usage), m_format(format), m_pool(pool) {
  m_device->AddRef();
}
SoftIndexBuffer::~SoftIndexBuffer() {
  m_device->Release();
}

GResult SoftIndexBuffer::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
  return m_lock.Lock(m_data, offset, size, data, flags);
}

GResult SoftIndexBuffer::Unlock() {
  if (!m_lock.Unlock()) return GERR_INVALIDCALL;
  OnUnlock(m_lock.offset, m_lock.size, m_lock.discard);
  return G_OK;
}

SoftVertexDeclaration::SoftVertexDeclaration(GDevice* device, const GVertexElement* elements)
    : m_device(device) {
  m_device->AddRef();
  for (const GVertexElement* e = elements; e && e->stream != 0xFF; ++e) m_elements.push_back(*e);
}
SoftVertexDeclaration::~SoftVertexDeclaration() {
  m_device->Release();
}

// ---------------------------------------------------------------------------

SoftSurface::SoftSurface(GDevice* device, SurfaceKind kind, const GSurfaceDesc& desc)
    : m_device(device), m_kind(kind), m_desc(desc) {
  m_device->AddRef();
  if (kind == SURF_OFFSCREEN)
    m_pixels.assign(GetFormatLevelSize(desc.format, desc.width, desc.height), 0);
}

SoftSurface::SoftSurface(GDevice* device, SoftTexture* texture, uint32_t face, uint32_t level)
    : m_device(device),
      m_kind(SURF_TEXTURE_LEVEL),
      m_texture(texture),
      m_face(face),
      m_level(level) {
  m_device->AddRef();
  m_texture->AddRef();
  m_texture->GetLevelDesc(level, &m_desc);
}

SoftSurface::~SoftSurface() {
  if (m_texture) m_texture->Release();
  if (m_holdsDevice) m_device->Release();
}

GResult SoftSurface::GetDesc(GSurfaceDesc* desc) {
  if (!desc) return GERR_INVALIDCALL;
  *desc = m_desc;
  return G_OK;
}

GResult SoftSurface::LockRect(GLockedRect* locked, uint32_t) {
  if (!locked || m_kind != SURF_OFFSCREEN || m_locked) return GERR_INVALIDCALL;
  m_locked = true;
  locked->pitch = int32_t(GetFormatPitch(m_desc.format, m_desc.width));
  locked->bits = m_pixels.data();
  return G_OK;
}

GResult SoftSurface::UnlockRect() {
  if (!m_locked) return GERR_INVALIDCALL;
  m_locked = false;
  return G_OK;
}

// ---------------------------------------------------------------------------

SoftTexture::SoftTexture(GDevice* device, GTextureType type, uint32_t width, uint32_t height,
                         uint32_t depth, uint32_t levels, uint32_t usage, Format format, GPool pool)
    : m_device(device),
      m_type(type),
      m_width(width),
      m_height(type == GTEXTYPE_CUBE ? width : height),
      m_depth(type == GTEXTYPE_VOLUME ? depth : 1),
      m_levels(levels),
      m_usage(usage),
      m_format(format),
      m_pool(pool) {
  m_device->AddRef();
  uint32_t full = FullMipCount(m_width, m_height, m_depth);
  if (m_levels == 0 || m_levels > full) m_levels = full;
  m_data.resize(size_t(Faces()) * m_levels);
  m_locked.assign(m_data.size(), 0);
  if (!(usage & GUSAGE_RENDERTARGET))
    for (uint32_t f = 0; f < Faces(); ++f)
      for (uint32_t l = 0; l < m_levels; ++l)
        LevelData(f, l).assign(
            size_t(GetFormatLevelSize(format, Width(l), Height(l))) * GetDepth(l), 0);
}

SoftTexture::~SoftTexture() {
  m_device->Release();
}

uint32_t SoftTexture::Width(uint32_t level) const {
  return std::max(1u, level < 32 ? m_width >> level : 0u);
}
uint32_t SoftTexture::Height(uint32_t level) const {
  return std::max(1u, level < 32 ? m_height >> level : 0u);
}
uint32_t SoftTexture::GetDepth(uint32_t level) const {
  return std::max(1u, level < 32 ? m_depth >> level : 0u);
}

GResult SoftTexture::GetLevelDesc(uint32_t level, GSurfaceDesc* desc) {
  if (!desc || level >= m_levels) return GERR_INVALIDCALL;
  desc->format = m_format;
  desc->usage = m_usage;
  desc->pool = m_pool;
  desc->width = Width(level);
  desc->height = Height(level);
  return G_OK;
}

GResult SoftTexture::LockRect(uint32_t face, uint32_t level, GLockedRect* locked, uint32_t) {
  if (!locked || m_type == GTEXTYPE_VOLUME || face >= Faces() || level >= m_levels)
    return GERR_INVALIDCALL;
  if (m_usage & GUSAGE_RENDERTARGET) return GERR_INVALIDCALL;  // lives on the GPU only
  size_t i = face * m_levels + level;
  if (m_locked[i]) return GERR_INVALIDCALL;
  m_locked[i] = 1;
  locked->pitch = int32_t(GetFormatPitch(m_format, Width(level)));
  locked->bits = m_data[i].data();
  return G_OK;
}

GResult SoftTexture::UnlockRect(uint32_t face, uint32_t level) {
  if (m_type == GTEXTYPE_VOLUME || face >= Faces() || level >= m_levels) return GERR_INVALIDCALL;
  size_t i = face * m_levels + level;
  if (!m_locked[i]) return GERR_INVALIDCALL;
  m_locked[i] = 0;
  OnUnlock(face, level);
  return G_OK;
}

GResult SoftTexture::LockBox(uint32_t level, GLockedBox* locked, uint32_t) {
  if (!locked || m_type != GTEXTYPE_VOLUME || level >= m_levels || m_locked[level])
    return GERR_INVALIDCALL;
  m_locked[level] = 1;
  locked->rowPitch = int32_t(GetFormatPitch(m_format, Width(level)));
  locked->slicePitch = int32_t(GetFormatLevelSize(m_format, Width(level), Height(level)));
  locked->bits = m_data[level].data();
  return G_OK;
}

GResult SoftTexture::UnlockBox(uint32_t level) {
  if (m_type != GTEXTYPE_VOLUME || level >= m_levels || !m_locked[level]) return GERR_INVALIDCALL;
  m_locked[level] = 0;
  OnUnlock(0, level);
  return G_OK;
}

GResult SoftTexture::GetSurfaceLevel(uint32_t face, uint32_t level, GSurface** surface) {
  if (!surface || m_type == GTEXTYPE_VOLUME || face >= Faces() || level >= m_levels)
    return GERR_INVALIDCALL;
  *surface = new SoftSurface(m_device, this, face, level);
  return G_OK;
}
