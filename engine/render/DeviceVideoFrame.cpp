// DeviceVideoFrame.cpp - the device video manager's work within a frame:
// viewport, clears, scenes, draws, the binding cache, 2D and screenshots.
#include "render/DeviceVideoManager.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "base/Log.h"
#include "render/device/Formats.h"
#include "render/device/Image.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VertexFormat.h"
#include "render/overlay/Overlay2D.h"

namespace {

GPrimitiveType ToDevicePrimitive(uint32_t kind) {
  switch (kind) {
    case PRIM_POINTS:
      return GPT_POINTLIST;
    case PRIM_LINES:
      return GPT_LINELIST;
    case PRIM_LINESTRIP:
      return GPT_LINESTRIP;
    case PRIM_TRIANGLES:
      return GPT_TRIANGLELIST;
    case PRIM_TRIANGLESTRIP:
      return GPT_TRIANGLESTRIP;
    case PRIM_TRIANGLEFAN:
      return GPT_TRIANGLEFAN;
    default:
      return GPrimitiveType(0);
  }
}

const char* YesNo(bool b) {
  return b ? "yes" : "no";
}

}  // namespace

bool DeviceVideoManager::FindScreenShotName(const char* directory, const char* prefix, char* name,
                                            size_t size) {
  // Anything already there (a file or a folder) keeps its number. A cut-off
  // name would be the same for every number, so it fails instead of looping.
  for (uint32_t tries = 0; tries < kMaxScreenShotTries; ++tries) {
    int length = std::snprintf(name, size, "%s/%s%03u.bmp", directory, prefix, m_screenshotCounter);
    ++m_screenshotCounter;
    if (length < 0 || size_t(length) >= size) {
      LogWarning("TakeScreenShot - the file name is too long for '%s'", directory);
      return false;
    }
    struct stat info;
    if (stat(name, &info) != 0 && errno == ENOENT) return true;
  }
  LogWarning("TakeScreenShot - no free file name in '%s'", directory);
  return false;
}

bool DeviceVideoManager::TakeScreenShot(const char* directory, const char* prefix) {
  if (!m_device || GFailed(m_device->TestCooperativeLevel()) || !directory || !prefix) return false;
  // The screenshot folder is made on first use.
  if (mkdir(directory, 0755) != 0 && errno != EEXIST) {
    LogDetail("TakeScreenShot - cannot create directory '%s'", directory);
    return false;
  }
  char name[260];
  if (!FindScreenShotName(directory, prefix, name, sizeof(name))) return false;
  // The image is the back buffer as last presented; a windowed device has no
  // desktop front buffer of its own.
  uint32_t width = m_pp.backBufferWidth, height = m_pp.backBufferHeight;
  GSurface* surface = nullptr;
  GResult r = m_device->CreateOffscreenPlainSurface(width, height, FMT_A8R8G8B8, &surface);
  if (GFailed(r)) {
    LogDetail("TakeScreenShot - CreateImageSurface failed (%s)", GetErrorName(r));
    return false;
  }
  r = m_device->GetFrontBufferData(surface);
  if (GFailed(r)) {
    LogMessage("TakeScreenShot - GetFrontBuffer failed (%s)\n", GetErrorName(r));
    surface->Release();
    return false;
  }
  bool ok = false;
  GLockedRect locked;
  if (GSucceeded(surface->LockRect(&locked, GLOCK_READONLY))) {
    std::string reason;
    ok = WriteBMPFile(name, static_cast<const uint8_t*>(locked.bits), width, height,
                      uint32_t(locked.pitch), &reason);
    surface->UnlockRect();
    if (!ok) LogMessage("TakeScreenShot - GLSaveSurfaceToFile failed (%s)\n", reason.c_str());
  }
  surface->Release();
  return ok;
}

void DeviceVideoManager::SetViewport(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, float minZ,
                                     float maxZ) {
  if (!m_device) return;
  GViewport vp;
  vp.x = x1;
  vp.y = y1;
  vp.width = x2 > x1 ? x2 - x1 : 0;
  vp.height = y2 > y1 ? y2 - y1 : 0;
  vp.minZ = minZ;
  vp.maxZ = maxZ;
  m_device->SetViewport(vp);
}

void DeviceVideoManager::GetViewport(uint32_t* x1, uint32_t* y1, uint32_t* x2, uint32_t* y2,
                                     float* minZ, float* maxZ) {
  GViewport vp;
  if (m_device) m_device->GetViewport(&vp);
  if (x1) *x1 = vp.x;
  if (y1) *y1 = vp.y;
  if (x2) *x2 = vp.x + vp.width;
  if (y2) *y2 = vp.y + vp.height;
  if (minZ) *minZ = vp.minZ;
  if (maxZ) *maxZ = vp.maxZ;
}

void DeviceVideoManager::SetWireFrame(bool wireframe) {
  if (m_device) m_device->SetRenderState(GRS_FILLMODE, wireframe ? GFILL_WIREFRAME : GFILL_SOLID);
}

void DeviceVideoManager::SetScissor(bool enabled, uint32_t x1, uint32_t y1, uint32_t x2,
                                    uint32_t y2) {
  if (!m_device) return;
  if (enabled)
    m_device->SetScissorRect(
        {int32_t(x1), int32_t(y1), int32_t(std::max(x1, x2)), int32_t(std::max(y1, y2))});
  m_device->SetRenderState(GRS_SCISSORTESTENABLE, enabled ? 1u : 0u);
}

void DeviceVideoManager::SetClipPlanes(const Vector4D* planes, uint32_t count) {
  if (!m_device) return;
  count = planes ? std::min(count, kMaxClipPlanes) : 0;
  for (uint32_t i = 0; i < count; ++i) {
    const float plane[4] = {planes[i].x, planes[i].y, planes[i].z, planes[i].w};
    m_device->SetClipPlane(i, plane);
  }
  m_device->SetRenderState(GRS_CLIPPLANEENABLE, (1u << count) - 1u);
}

bool DeviceVideoManager::Clear(bool color, bool depth, bool stencil) {
  if (!m_modeSet || !m_device) return false;
  auto channel = [](float f) { return uint32_t(int32_t(f * 255.0f)) & 0xFF; };
  uint32_t argb = (channel(m_clearColor[3]) << 24) | (channel(m_clearColor[0]) << 16) |
                  (channel(m_clearColor[1]) << 8) | channel(m_clearColor[2]);
  uint32_t flags =
      (color ? GCLEAR_TARGET : 0) | (depth ? GCLEAR_ZBUFFER : 0) | (stencil ? GCLEAR_STENCIL : 0);
  GResult r = m_device->Clear(flags, argb, m_clearDepth, m_clearStencil);
  if (GFailed(r))
    LogError("Failed to clear target (color: %s, depth: %s, stencil: %s) - %s", YesNo(color),
             YesNo(depth), YesNo(stencil), GetErrorName(r));
  return true;
}

bool DeviceVideoManager::BeginScene() {
  if (!m_modeSet || !m_device) return false;
  GResult r = m_device->BeginScene();
  if (GFailed(r)) {
    LogError("BeginScene failed (%s)", GetErrorName(r));
    return false;
  }
  return true;
}

bool DeviceVideoManager::EndScene() {
  if (!m_modeSet || !m_device) return false;
  GResult r = m_device->EndScene();
  if (GFailed(r)) {
    LogError("EndScene failed (%s)", GetErrorName(r));
    return false;
  }
  return true;
}

bool DeviceVideoManager::Present() {
  if (!m_modeSet || !m_device) return false;
  GResult r = m_device->Present();
  if (GFailed(r)) {
    LogError("Failed to flip buffers (%s)", GetErrorName(r));
    return false;
  }
  return true;
}

bool DeviceVideoManager::DrawPrimitive(uint32_t kind, uint32_t startVertex,
                                       uint32_t primitiveCount) {
  if (!m_device) return false;
  GResult r = m_device->DrawPrimitive(ToDevicePrimitive(kind), startVertex, primitiveCount);
  if (GFailed(r)) {
    LogDetail("DrawPrimitive failed (%s)", GetErrorName(r));
    return false;
  }
  CountDraw(primitiveCount);
  return true;
}

bool DeviceVideoManager::DrawIndexedPrimitive(uint32_t kind, int32_t baseVertex,
                                              uint32_t vertexCount, uint32_t startIndex,
                                              uint32_t primitiveCount) {
  if (!m_device) return false;
  GResult r = m_device->DrawIndexedPrimitive(ToDevicePrimitive(kind), baseVertex, 0, vertexCount,
                                             startIndex, primitiveCount);
  if (GFailed(r)) {
    LogDetail("DrawPrimitive failed (%s)", GetErrorName(r));
    return false;
  }
  CountDraw(primitiveCount);
  return true;
}

void DeviceVideoManager::ReleaseBindings() {
  m_currentVertexFormat.Reset();
  m_currentIndexBuffer.Reset();
  for (Ref<VertexBuffer>& s : m_streams) s.Reset();
  if (m_device) {
    // The device's own references go too, so buffers can die.
    m_device->SetVertexDeclaration(nullptr);
    m_device->SetIndices(nullptr);
    for (uint32_t s = 0; s < kMaxStreams; ++s) m_device->SetStreamSource(s, nullptr, 0, 0);
  }
}

bool DeviceVideoManager::ActivateVertexFormat(DeviceVertexFormat* format) {
  if (!format || !m_device) return false;
  if (format == m_currentVertexFormat && !m_currentInstanced) return true;
  GVertexDeclaration* decl = format->GetDeviceDeclaration();
  if (!decl) {
    LogDetail("ActivateGLVertexFormat: Failed to retrieve a GLVertexDeclaration interface!");
    return false;
  }
  GResult r = m_device->SetVertexDeclaration(decl);
  if (GFailed(r)) {
    LogDetail("ActivateGLVertexFormat: SetVertexDeclaration failed (%s)!", GetErrorName(r));
    return false;
  }
  m_currentVertexFormat = Ref<DeviceVertexFormat>::Share(format);
  m_currentInstanced = false;
  return true;
}

bool DeviceVideoManager::ActivateInstancedFormat(DeviceVertexFormat* format) {
  if (!format || !m_device) return false;
  if (format == m_currentVertexFormat && m_currentInstanced) return true;
  GVertexDeclaration* decl = format->GetInstancedDeclaration();
  if (!decl || GFailed(m_device->SetVertexDeclaration(decl))) return false;
  m_currentVertexFormat = Ref<DeviceVertexFormat>::Share(format);
  m_currentInstanced = true;
  return true;
}

bool DeviceVideoManager::ActivateInstanceBuffer(VertexBuffer* buffer, uint32_t first) {
  if (!m_device) return false;
  if (!buffer) {
    m_device->SetStreamSourceFreq(kInstanceStream, 0);
    m_device->SetStreamSource(kInstanceStream, nullptr, 0, 0);
    m_streams[kInstanceStream].Reset();
    return true;
  }
  if (!buffer->GetDeviceBuffer()) return false;
  const uint32_t stride = buffer->GetVertexSize();
  if (GFailed(m_device->SetStreamSource(kInstanceStream, buffer->GetDeviceBuffer(), first * stride,
                                        stride)))
    return false;
  m_device->SetStreamSourceFreq(kInstanceStream, 1);
  if (m_streams[kInstanceStream] != buffer)
    m_streams[kInstanceStream] = Ref<VertexBuffer>::Share(buffer);
  return true;
}

bool DeviceVideoManager::DrawIndexedPrimitiveInstanced(uint32_t kind, int32_t baseVertex,
                                                       uint32_t vertexCount, uint32_t startIndex,
                                                       uint32_t primitiveCount,
                                                       uint32_t instances) {
  if (!m_device) return false;
  GResult r = m_device->DrawIndexedPrimitiveInstanced(
      ToDevicePrimitive(kind), baseVertex, 0, vertexCount, startIndex, primitiveCount, instances);
  if (GFailed(r)) {
    LogDetail("DrawPrimitive failed (%s)", GetErrorName(r));
    return false;
  }
  CountDraw(primitiveCount * instances);
  return true;
}

bool DeviceVideoManager::ActivateVertexBuffer(VertexBuffer* buffer, uint32_t stream) {
  if (!buffer || !m_device || stream >= kMaxStreams) return false;
  if (!buffer->GetDeviceBuffer()) {
    LogDetail("ActivateGLVertexBuffer: Failed to retrieve a GLVertexBufer interface!");
    return false;
  }
  GResult r =
      m_device->SetStreamSource(stream, buffer->GetDeviceBuffer(), 0, buffer->GetVertexSize());
  if (GFailed(r)) {
    LogDetail("ActivateGLVertexBuffer: SetStreamSource failed for stream %d (%s)!", int(stream),
              GetErrorName(r));
    return false;
  }
  if (m_streams[stream] != buffer) m_streams[stream] = Ref<VertexBuffer>::Share(buffer);
  return true;
}

bool DeviceVideoManager::ActivateIndexBuffer(IndexBuffer* buffer) {
  if (!buffer || !m_device) return false;
  if (!buffer->GetDeviceBuffer()) {
    LogDetail("ActivateGLIndexBuffer: Failed to retrieve a GLIndexBuffer interface!");
    return false;
  }
  GResult r = m_device->SetIndices(buffer->GetDeviceBuffer());
  if (GFailed(r)) {
    LogDetail("ActivateGLIndexBuffer: SetIndices failed (%s)!", GetErrorName(r));
    return false;
  }
  if (m_currentIndexBuffer != buffer) m_currentIndexBuffer = Ref<IndexBuffer>::Share(buffer);
  return true;
}

bool DeviceVideoManager::ActivateRenderTarget(Texture* texture, uint32_t face) {
  if (!texture || !m_device) return false;
  // Each face of a cube texture is a target of its own.
  uint32_t deviceFace = texture->GetType() == TEXTYPE_CUBE ? GetDeviceCubeFace(face) : 0;
  if (texture == m_currentRenderTarget && deviceFace == m_currentRenderTargetFace) return true;
  if (!texture->IsRenderTarget()) return false;
  GSurface* surface = texture->GetRenderTargetSurface(face);
  if (!surface) {
    LogDetail("ActivateGLRenderTarget: GetGLRenderTargetSurface failed.");
    return false;
  }
  GResult r = m_device->SetRenderTarget(0, surface);
  surface->Release();
  if (GFailed(r)) {
    LogDetail("ActivateGLRenderTarget: SetRenderTarget failed (%s).", GetErrorName(r));
    return false;
  }
  m_currentRenderTarget = Ref<Texture>::Share(texture);
  m_currentRenderTargetFace = deviceFace;
  return true;
}

bool DeviceVideoManager::ActivateDepthStencilBuffer(DepthStencilBuffer* buffer) {
  if (!buffer || !m_device) return false;
  if (buffer == m_currentDepthStencil) return true;
  if (!buffer->GetDeviceSurface()) {
    LogDetail("ActivateGLDepthStencilBuffer: Failed to retrieve a GLSurface interface");
    return false;
  }
  GResult r = m_device->SetDepthStencilSurface(buffer->GetDeviceSurface());
  if (GFailed(r)) {
    LogDetail("ActivateGLDepthStencilBuffer: SetDepthStencilSurface failed (%s)", GetErrorName(r));
    return false;
  }
  m_currentDepthStencil = Ref<DepthStencilBuffer>::Share(buffer);
  return true;
}

bool DeviceVideoManager::BeginQuads(Texture* texture, RenderEffect* effect) {
  return m_overlay2D->BeginQuads(texture, effect);
}
bool DeviceVideoManager::AddQuad(float x1, float y1, float x2, float y2, float red, float green,
                                 float blue, float alpha, float s1, float t1, float s2, float t2) {
  return m_overlay2D->AddQuad(x1, y1, x2, y2, red, green, blue, alpha, s1, t1, s2, t2);
}
bool DeviceVideoManager::EndQuads() {
  return m_overlay2D->EndQuads();
}
bool DeviceVideoManager::BeginFont(FontResource* font) {
  return m_overlay2D->BeginFont(font);
}
bool DeviceVideoManager::AddText(std::string_view text, float x, float y, float red, float green,
                                 float blue, float alpha, float scaleX, float scaleY) {
  return m_overlay2D->AddText(text, x, y, red, green, blue, alpha, scaleX, scaleY);
}
bool DeviceVideoManager::EndFont() {
  return m_overlay2D->EndFont();
}
