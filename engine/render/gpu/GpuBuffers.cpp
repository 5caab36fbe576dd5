// GpuBuffers.cpp - vertex, index and depth-stencil buffers and their device hooks.
#include "render/gpu/GpuBuffers.h"

#include <cstring>

#include "base/Log.h"
#include "render/gpu/VideoManager.h"

KAZ_DEFINE_POOL_NAMED(VertexBuffer, 10, "GLVertexBuffer");
KAZ_DEFINE_POOL_NAMED(IndexBuffer, 10, "GLIndexBuffer");
KAZ_DEFINE_POOL_NAMED(DepthStencilBuffer, 1, "GLDepthStencilBuffer");

// A buffer larger than this is a corrupt size, not a mesh.
static constexpr uint64_t kMaxBufferBytes = 1ull << 30;

// ---------------------------------------------------------------------------
// Vertex buffers

VertexBuffer::~VertexBuffer() {
  ReleaseDeviceBuffer();
}

void VertexBuffer::ReleaseDeviceBuffer() {
  SafeRelease(m_buffer);
  m_locked = false;
}

void VertexBuffer::OnDeviceLost() {
  if (m_dynamic) ReleaseDeviceBuffer();
}

bool VertexBuffer::CreateDeviceBuffer() {
  if (m_buffer) return true;
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) return false;
  uint64_t bytes = uint64_t(m_vertexCount) * m_vertexSize;
  GResult r = GERR_INVALIDCALL;
  if (bytes > 0 && bytes <= kMaxBufferBytes)
    r = vm->GetDevice()->CreateVertexBuffer(uint32_t(bytes),
                                            m_dynamic ? (GUSAGE_DYNAMIC | GUSAGE_WRITEONLY) : 0,
                                            m_dynamic ? GPOOL_DEFAULT : GPOOL_MANAGED, &m_buffer);
  if (GFailed(r)) {
    m_buffer = nullptr;
    LogDetail("Failed to create %s vertex buffer with %d verts of %d bytes each (%s: %s)",
              m_dynamic ? "dynamic" : "static", int(m_vertexCount), int(m_vertexSize),
              GetErrorName(r), GetErrorDescription(r));
  }
  return m_buffer != nullptr;
}

void* VertexBuffer::Lock(uint32_t offset, uint32_t count) {
  if (!m_buffer) return nullptr;
  if (m_locked) {
    LogDetail("GLVertexBuffer: Error. Trying to double lock a vertex buffer!");
    return nullptr;
  }
  void* data = nullptr;
  GResult r = GERR_INVALIDCALL;
  uint64_t start = uint64_t(offset) * m_vertexSize, size = uint64_t(count) * m_vertexSize;
  if (count == 0 && offset < m_vertexCount) size = uint64_t(m_vertexCount - offset) * m_vertexSize;
  if (offset <= m_vertexCount && count <= m_vertexCount - offset && size > 0)
    r = m_buffer->Lock(uint32_t(start), uint32_t(size), &data, m_dynamic ? GLOCK_DISCARD : 0);
  if (GFailed(r)) {
    LogDetail(
        "GLVertexBuffer: Error. Failed to lock %s vertex buffer (offset %d, count %d, vertex size "
        "%d, total "
        "vertices in VB %d) (%s)",
        m_dynamic ? "dynamic" : "static", int(offset), int(count), int(m_vertexSize),
        int(m_vertexCount), GetErrorName(r));
    return nullptr;
  }
  m_locked = true;
  return data;
}

void VertexBuffer::Unlock() {
  if (!m_buffer) return;
  if (!m_locked) {
    LogDetail("GLVertexBuffer: Error. Trying to double unlock a vertex buffer!");
    return;
  }
  GResult r = m_buffer->Unlock();
  if (GFailed(r)) {
    LogDetail("GLVertexBuffer: Error. Failed to unlock VB (%s).", GetErrorName(r));
    return;
  }
  m_locked = false;
}

bool VertexBuffer::Activate(uint32_t stream) {
  VideoManager* vm = GetVideoManager();
  return vm && vm->ActivateVertexBuffer(this, stream);
}

VertexBuffer* CreateVertexBuffer(uint32_t vertexSize, uint32_t vertexCount, bool dynamic) {
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) {
    LogDetail("GLVertexBuffer: Cannot create VB without a video manager with display mode set!");
    return nullptr;
  }
  if (!vm->IsDeviceReady()) {
    LogDetail("GLVertexBuffer: Cannot create VB while device is lost!");
    return nullptr;
  }
  VertexBuffer* vb = VertexBuffer::Create();
  if (!vb) return nullptr;
  vb->m_vertexSize = vertexSize;
  vb->m_vertexCount = vertexCount;
  vb->m_dynamic = dynamic;
  if (!vb->CreateDeviceBuffer()) {
    vb->Release();
    return nullptr;
  }
  return vb;
}

// ---------------------------------------------------------------------------
// Index buffers

IndexBuffer::~IndexBuffer() {
  ReleaseDeviceBuffer();
}

void IndexBuffer::ReleaseDeviceBuffer() {
  SafeRelease(m_buffer);
  m_locked = false;
}

void IndexBuffer::OnDeviceLost() {
  if (m_dynamic) ReleaseDeviceBuffer();
}

bool IndexBuffer::CreateDeviceBuffer() {
  if (m_buffer) return true;
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) return false;
  uint64_t bytes = uint64_t(m_indexCount) * GetIndexBytes();
  GResult r = GERR_INVALIDCALL;
  if (bytes > 0 && bytes <= kMaxBufferBytes)
    r = vm->GetDevice()->CreateIndexBuffer(
        uint32_t(bytes), m_dynamic ? (GUSAGE_DYNAMIC | GUSAGE_WRITEONLY) : GUSAGE_WRITEONLY,
        m_sizeKind == 1 ? FMT_INDEX32 : FMT_INDEX16, m_dynamic ? GPOOL_DEFAULT : GPOOL_MANAGED,
        &m_buffer);
  if (GFailed(r)) {
    m_buffer = nullptr;
    LogDetail("Failed to create %s index buffer with %d %d bit indices (%s)",
              m_dynamic ? "dynamic" : "static", int(m_indexCount), m_sizeKind == 1 ? 32 : 16,
              GetErrorName(r));
  }
  return m_buffer != nullptr;
}

void* IndexBuffer::Lock(uint32_t offset, uint32_t count) {
  if (!m_buffer) return nullptr;
  if (m_locked) {
    LogDetail("GLIndexBuffer: Error. Trying to double lock an index buffer!");
    return nullptr;
  }
  void* data = nullptr;
  GResult r = GERR_INVALIDCALL;
  uint64_t bytes = GetIndexBytes();
  uint64_t size = uint64_t(count) * bytes;
  if (count == 0 && offset < m_indexCount) size = uint64_t(m_indexCount - offset) * bytes;
  if (offset <= m_indexCount && count <= m_indexCount - offset && size > 0)
    r = m_buffer->Lock(uint32_t(uint64_t(offset) * bytes), uint32_t(size), &data,
                       m_dynamic ? GLOCK_DISCARD : 0);
  if (GFailed(r)) {
    LogDetail(
        "Failed to lock %s %d bit index buffer (offset %d, count %d, total indices in IB %d) "
        "(%s)\n",
        m_dynamic ? "dynamic" : "static", m_sizeKind == 1 ? 32 : 16, int(offset), int(count),
        int(m_indexCount), GetErrorName(r));
    return nullptr;
  }
  m_locked = true;
  return data;
}

void IndexBuffer::Unlock() {
  if (!m_buffer) return;
  if (!m_locked) {
    LogDetail("GLIndexBuffer: Error. Trying to double unlock a index buffer!");
    return;
  }
  GResult r = m_buffer->Unlock();
  if (GFailed(r)) {
    LogDetail("GLIndexBuffer: Error. Failed to unlock IB (%s).", GetErrorName(r));
    return;
  }
  m_locked = false;
}

bool IndexBuffer::Activate() {
  VideoManager* vm = GetVideoManager();
  return vm && vm->ActivateIndexBuffer(this);
}

IndexBuffer* CreateIndexBuffer(uint32_t sizeKind, uint32_t indexCount, bool dynamic) {
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) {
    LogDetail("GLIndexBuffer: Cannot create IB without a video manager with display mode set!");
    return nullptr;
  }
  if (!vm->IsDeviceReady()) {
    LogDetail("GLIndexBuffer: Cannot create IB while device is lost!");
    return nullptr;
  }
  IndexBuffer* ib = IndexBuffer::Create();
  if (!ib) return nullptr;
  ib->m_sizeKind = sizeKind;
  ib->m_indexCount = indexCount;
  ib->m_dynamic = dynamic;
  if (!ib->CreateDeviceBuffer()) {
    ib->Release();
    return nullptr;
  }
  return ib;
}

// ---------------------------------------------------------------------------
// Depth-stencil buffers

DepthStencilBuffer::~DepthStencilBuffer() {
  ReleaseSurface();
}

void DepthStencilBuffer::ReleaseSurface() {
  SafeRelease(m_surface);
}

bool DepthStencilBuffer::CreateSurface() {
  if (m_surface) return true;
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) return false;
  GResult r;
  if (m_isDeviceBuffer) {
    r = vm->GetDevice()->GetDepthStencilSurface(&m_surface);
    if (GSucceeded(r)) {
      GSurfaceDesc desc;
      m_surface->GetDesc(&desc);
      m_width = desc.width;
      m_height = desc.height;
      m_format = desc.format;
    }
  } else {
    r = vm->GetDevice()->CreateDepthStencilSurface(m_width, m_height, m_format, &m_surface);
  }
  if (GFailed(r)) {
    m_surface = nullptr;
    LogDetail("Failed to create %dx%d depth/stencil buffer(%s)", int(m_width), int(m_height),
              GetErrorDescription(r));
  }
  return m_surface != nullptr;
}

bool DepthStencilBuffer::Activate() {
  VideoManager* vm = GetVideoManager();
  return vm && vm->ActivateDepthStencilBuffer(this);
}

DepthStencilBuffer* CreateDepthStencilBuffer(uint32_t width, uint32_t height) {
  VideoManager* vm = GetVideoManager();
  if (!vm || !vm->GetDevice()) {
    LogDetail("GLDepthStencilBuffer: Cannot create without a video manager with display mode set!");
    return nullptr;
  }
  if (!vm->IsDeviceReady()) {
    LogDetail("GLDepthStencilBuffer: Cannot create buffer while device is lost!");
    return nullptr;
  }
  DepthStencilBuffer* ds = DepthStencilBuffer::Create();
  if (!ds) return nullptr;
  ds->m_width = width;
  ds->m_height = height;
  if (!ds->CreateSurface()) {
    ds->Release();
    return nullptr;
  }
  return ds;
}
