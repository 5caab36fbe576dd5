// GpuBuffers.h - vertex, index and depth-stencil buffers on the device.
//
// Pooled, reference-counted objects created by the module functions below
// (one reference each, null after a logged failure). Static buffers live in
// the managed pool and keep their contents across a device reset; dynamic
// ones are released when the device is lost and re-created, empty, after the
// reset (their owners refill them at the next lock, which always discards).
// The video manager calls the device hooks while it walks the pools.
// Depends on: GraphicsDevice.h, VideoManager.h, tier0/ObjectPool, base/Log.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "tier0/ObjectPool.h"

#include <cstdint>

class VertexBuffer : public PooledObject {
  KAZ_POOLED_CLASS(VertexBuffer)

 public:
  virtual uint32_t GetVertexSize() const { return m_vertexSize; }
  virtual uint32_t GetVertexCount() const { return m_vertexCount; }
  virtual bool IsDynamic() const { return m_dynamic; }
  // offset and count in vertices; count 0 means "to the end".
  virtual void* Lock(uint32_t offset, uint32_t count);
  virtual void Unlock();
  virtual bool IsLocked() const { return m_locked; }
  virtual bool Activate(uint32_t stream);

  GVertexBuffer* GetDeviceBuffer() const { return m_buffer; }
  // Device hooks.
  bool CreateDeviceBuffer();
  void OnDeviceLost();
  void OnDeviceReset() { CreateDeviceBuffer(); }
  void ReleaseDeviceBuffer();

 protected:
  VertexBuffer() = default;
  ~VertexBuffer() override;

 private:
  friend VertexBuffer* CreateVertexBuffer(uint32_t, uint32_t, bool);
  uint32_t m_vertexSize = 0, m_vertexCount = 0;
  bool m_dynamic = false, m_locked = false;
  GVertexBuffer* m_buffer = nullptr;
};

class IndexBuffer : public PooledObject {
  KAZ_POOLED_CLASS(IndexBuffer)

 public:
  virtual void* Lock(uint32_t offset, uint32_t count);
  virtual void Unlock();
  virtual bool IsLocked() const { return m_locked; }
  // 1: 32-bit indices; anything else: 16-bit.
  virtual uint32_t GetIndexSizeKind() const { return m_sizeKind; }
  virtual uint32_t GetIndexCount() const { return m_indexCount; }
  virtual bool IsDynamic() const { return m_dynamic; }
  virtual bool Activate();

  uint32_t GetIndexBytes() const { return m_sizeKind == 1 ? 4 : 2; }
  GIndexBuffer* GetDeviceBuffer() const { return m_buffer; }
  bool CreateDeviceBuffer();
  void OnDeviceLost();
  void OnDeviceReset() { CreateDeviceBuffer(); }
  void ReleaseDeviceBuffer();

 protected:
  IndexBuffer() = default;
  ~IndexBuffer() override;

 private:
  friend IndexBuffer* CreateIndexBuffer(uint32_t, uint32_t, bool);
  uint32_t m_sizeKind = 0, m_indexCount = 0;
  bool m_dynamic = false, m_locked = false;
  GIndexBuffer* m_buffer = nullptr;
};

class DepthStencilBuffer : public PooledObject {
  KAZ_POOLED_CLASS(DepthStencilBuffer)

 public:
  virtual bool Activate();
  virtual uint32_t GetWidth() const { return m_width; }
  virtual uint32_t GetHeight() const { return m_height; }

  GSurface* GetDeviceSurface() const { return m_surface; }
  bool IsDeviceBuffer() const { return m_isDeviceBuffer; }
  // Marks the object as the wrapper of the device's automatic depth buffer.
  void SetDeviceBuffer() { m_isDeviceBuffer = true; }
  bool CreateSurface();
  void ReleaseSurface();

 protected:
  DepthStencilBuffer() = default;
  ~DepthStencilBuffer() override;

 private:
  friend DepthStencilBuffer* CreateDepthStencilBuffer(uint32_t, uint32_t);
  GSurface* m_surface = nullptr;
  bool m_isDeviceBuffer = false;
  Format m_format = FMT_D16;
  uint32_t m_width = 0, m_height = 0;
};

VertexBuffer* CreateVertexBuffer(uint32_t vertexSize, uint32_t vertexCount, bool dynamic);
IndexBuffer* CreateIndexBuffer(uint32_t sizeKind, uint32_t indexCount, bool dynamic);
DepthStencilBuffer* CreateDepthStencilBuffer(uint32_t width, uint32_t height);
