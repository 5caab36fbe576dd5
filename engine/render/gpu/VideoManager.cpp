// VideoManager.cpp - what every video manager shares: clear values, the 2D
// projection, listeners, the effects' clock and the display fallback.
#include "render/gpu/VideoManager.h"

#include "base/FrameProfiler.h"
#include "base/Log.h"
#include "console/CVarRegistry.h"

#include <algorithm>

namespace {
VideoManager* g_videoManager = nullptr;
}  // namespace

VideoManager::~VideoManager() = default;

void VideoManager::SetClearColor(float red, float green, float blue, float alpha) {
  m_clearColor[0] = red;
  m_clearColor[1] = green;
  m_clearColor[2] = blue;
  m_clearColor[3] = alpha;
}
void VideoManager::SetClearDepth(float depth) {
  m_clearDepth = depth;
}
void VideoManager::SetClearStencil(uint32_t stencil) {
  m_clearStencil = stencil;
}

bool VideoManager::GetDisplayMode(DisplayMode* mode) const {
  if (mode) *mode = m_mode;
  return m_modeSet;
}

void VideoManager::GetClearColor(float* red, float* green, float* blue, float* alpha) const {
  if (red) *red = m_clearColor[0];
  if (green) *green = m_clearColor[1];
  if (blue) *blue = m_clearColor[2];
  if (alpha) *alpha = m_clearColor[3];
}

Matrix4x4 VideoManager::Make2DProjection(uint32_t width, uint32_t height) {
  // Left-handed orthographic, left 0, right width, bottom height, top 0,
  // near 1, far 10, in the engine's (column-vector) layout.
  Matrix4x4 m(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  if (width == 0 || height == 0) return Matrix4x4();
  m.m[0] = 2.0f / float(width);
  m.m[5] = -2.0f / float(height);
  m.m[10] = 1.0f / 9.0f;
  m.m[3] = -1.0f;
  m.m[7] = 1.0f;
  m.m[11] = -1.0f / 9.0f;
  m.m[15] = 1.0f;
  return m;
}

void VideoManager::Recompute2DProjection() {
  m_projection2D = Make2DProjection(m_mode.width, m_mode.height);
}

void VideoManager::OnModeCreated() {
  Recompute2DProjection();
  for (VideoListener* l : std::vector<VideoListener*>(m_listeners)) l->OnModeCreated(this);
}

void VideoManager::OnDeviceLost() {
  for (VideoListener* l : std::vector<VideoListener*>(m_listeners)) l->OnDeviceLost(this);
}

void VideoManager::OnDeviceReset() {
  Recompute2DProjection();
  for (VideoListener* l : std::vector<VideoListener*>(m_listeners)) l->OnDeviceReset(this);
}

void VideoManager::Shutdown() {
  for (VideoListener* l : std::vector<VideoListener*>(m_listeners)) l->OnVideoShutdown(this);
}

void VideoManager::SetTimeSource(std::function<double()> now) {
  m_timeSource = std::move(now);
  m_timeSourceStart = m_timeSource ? m_timeSource() : 0.0;
}

double VideoManager::GetTimeSinceStart() const {
  if (m_timeSource) return m_timeSource() - m_timeSourceStart;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_startTime).count();
}

void VideoManager::AddListener(VideoListener* listener) {
  if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
    m_listeners.push_back(listener);
}

void VideoManager::RemoveListener(VideoListener* listener) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                    m_listeners.end());
}

bool VideoManager::ApplyDisplaySettings() {
  if (SetDisplayMode() == 0) return true;
  LogWarning("Failed to set display to current configuration.");
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.ResX.Set(640);
  cv.ResY.Set(480);
  cv.BPP.Set(16);
  cv.Fullscreen.Set(false);
  cv.VSync.Set(true);
  return SetDisplayMode() == 0;
}

VideoManager* GetVideoManager() {
  return g_videoManager;
}

void SetVideoManager(VideoManager* manager) {
  g_videoManager = manager;
}

GDevice* GetRenderDevice() {
  VideoManager* vm = g_videoManager;
  return vm && vm->IsDeviceReady() ? vm->GetDevice() : nullptr;
}

void VideoManager::CountDraw(uint32_t primitives) {
  ++m_drawCount;
  m_primitiveCount += primitives;
  FrameProfiler::Instance().CountDraw(primitives);
}
