// SoftResources.h - device resources kept in system memory.
//
// Buffers and textures whose contents live in a CPU copy: the fake device
// uses them as they are; the GL device derives from them and sends a locked
// range to the GPU at unlock (the copy is what lets managed resources survive
// a reset and lets a lock hand out a plain pointer). Every resource holds a
// reference to its device, so the device's last Release() counts leaks.
// Depends on: GraphicsDevice.h.
#pragma once

#include "render/device/GraphicsDevice.h"

#include <vector>

// The lock of a buffer kept in system memory: one range at a time, checked
// against the buffer's size; count 0 at offset 0 means the whole buffer.
struct SoftLock {
  bool locked = false;
  uint32_t offset = 0, size = 0;
  bool discard = false;

  GResult Lock(std::vector<uint8_t>& data, uint32_t offset, uint32_t size, void** out,
               uint32_t flags);
  // False when nothing was locked.
  bool Unlock();
};

class SoftVertexBuffer : public GVertexBuffer {
 public:
  SoftVertexBuffer(GDevice* device, uint32_t length, uint32_t usage, GPool pool);
  uint32_t GetLength() const override { return uint32_t(m_data.size()); }
  GResult Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
  GResult Unlock() override;
  const std::vector<uint8_t>& Data() const { return m_data; }
  uint32_t Usage() const { return m_usage; }
  GPool Pool() const { return m_pool; }

 protected:
  ~SoftVertexBuffer() override;
  virtual void OnUnlock(uint32_t offset, uint32_t size, bool discard) {}
  GDevice* m_device;
  std::vector<uint8_t> m_data;
  uint32_t m_usage;
  GPool m_pool;
  SoftLock m_lock;
};

class SoftIndexBuffer : public GIndexBuffer {
 public:
  SoftIndexBuffer(GDevice* device, uint32_t length, uint32_t usage, Format format, GPool pool);
  uint32_t GetLength() const override { return uint32_t(m_data.size()); }
  Format GetFormat() const override { return m_format; }
  GResult Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
  GResult Unlock() override;
  const std::vector<uint8_t>& Data() const { return m_data; }
  GPool Pool() const { return m_pool; }

 protected:
  ~SoftIndexBuffer() override;
  virtual void OnUnlock(uint32_t offset, uint32_t size, bool discard) {}
  GDevice* m_device;
  std::vector<uint8_t> m_data;
  uint32_t m_usage;
  Format m_format;
  GPool m_pool;
  SoftLock m_lock;
};

class SoftVertexDeclaration : public GVertexDeclaration {
 public:
  SoftVertexDeclaration(GDevice* device, const GVertexElement* elements);
  const std::vector<GVertexElement>& GetElements() const override { return m_elements; }

 protected:
  ~SoftVertexDeclaration() override;
  GDevice* m_device;
  std::vector<GVertexElement> m_elements;  // without the end marker
};

class SoftTexture;

// Kinds of surface: a level of a texture (render targets), a depth-stencil
// buffer, an off-screen plain surface in system memory, or the back buffer.
enum SurfaceKind { SURF_TEXTURE_LEVEL, SURF_DEPTHSTENCIL, SURF_OFFSCREEN, SURF_BACKBUFFER };

class SoftSurface : public GSurface {
 public:
  SoftSurface(GDevice* device, SurfaceKind kind, const GSurfaceDesc& desc);
  // A level of a texture: keeps the texture alive.
  SoftSurface(GDevice* device, SoftTexture* texture, uint32_t face, uint32_t level);
  GResult GetDesc(GSurfaceDesc* desc) override;
  GResult LockRect(GLockedRect* locked, uint32_t flags) override;
  GResult UnlockRect() override;

  SurfaceKind Kind() const { return m_kind; }
  const GSurfaceDesc& Desc() const { return m_desc; }
  SoftTexture* Texture() const { return m_texture; }
  uint32_t Face() const { return m_face; }
  uint32_t Level() const { return m_level; }
  std::vector<uint8_t>& Pixels() { return m_pixels; }
  // For the device's own surfaces (back buffer, automatic depth buffer):
  // they must not keep their device alive.
  void DetachFromDevice() {
    if (m_holdsDevice) m_device->Release();
    m_holdsDevice = false;
  }

 protected:
  ~SoftSurface() override;
  GDevice* m_device;
  SurfaceKind m_kind;
  GSurfaceDesc m_desc;
  SoftTexture* m_texture = nullptr;
  uint32_t m_face = 0, m_level = 0;
  std::vector<uint8_t> m_pixels;  // off-screen surfaces only
  bool m_locked = false;
  bool m_holdsDevice = true;
};

class SoftTexture : public GTexture {
 public:
  SoftTexture(GDevice* device, GTextureType type, uint32_t width, uint32_t height, uint32_t depth,
              uint32_t levels, uint32_t usage, Format format, GPool pool);
  GTextureType GetType() const override { return m_type; }
  uint32_t GetLevelCount() const override { return m_levels; }
  GResult GetLevelDesc(uint32_t level, GSurfaceDesc* desc) override;
  uint32_t GetDepth(uint32_t level) const override;
  GResult LockRect(uint32_t face, uint32_t level, GLockedRect* locked, uint32_t flags) override;
  GResult UnlockRect(uint32_t face, uint32_t level) override;
  GResult LockBox(uint32_t level, GLockedBox* locked, uint32_t flags) override;
  GResult UnlockBox(uint32_t level) override;
  GResult GetSurfaceLevel(uint32_t face, uint32_t level, GSurface** surface) override;

  uint32_t Width(uint32_t level = 0) const;
  uint32_t Height(uint32_t level = 0) const;
  Format GetFormat() const { return m_format; }
  uint32_t Usage() const { return m_usage; }
  GPool Pool() const { return m_pool; }
  uint32_t Faces() const { return m_type == GTEXTYPE_CUBE ? 6 : 1; }
  // The CPU copy of one level (empty for render targets, which live on the GPU).
  std::vector<uint8_t>& LevelData(uint32_t face, uint32_t level) {
    return m_data[face * m_levels + level];
  }

 protected:
  ~SoftTexture() override;
  virtual void OnUnlock(uint32_t face, uint32_t level) {}
  GDevice* m_device;
  GTextureType m_type;
  uint32_t m_width, m_height, m_depth, m_levels, m_usage;
  Format m_format;
  GPool m_pool;
  std::vector<std::vector<uint8_t>> m_data;
  std::vector<uint8_t> m_locked;  // per face and level
};

// The full mip count of a size.
uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth);
