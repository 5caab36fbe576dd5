// DeviceVideoManager.cpp - the display over a graphics device: start, display
// modes, device loss, reset and shutdown.
#include "render/DeviceVideoManager.h"

#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "render/device/Formats.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VertexFormat.h"
#include "render/overlay/Overlay2D.h"
#include "tier0/ResourceManager.h"

#include <algorithm>

namespace {

// Walks a pool's live objects; the callback may release the current one.
template <class T, class Fn>
void ForEachLive(Fn fn) {
  PooledObject* o = T::s_pool.GetFirstInUse();
  while (o) {
    PooledObject* next = o->GetNextInUse();
    fn(static_cast<T*>(o));
    o = next;
  }
}

}  // namespace

DeviceVideoManager::DeviceVideoManager(GraphicsSystemFactory factory)
    : m_factory(factory ? factory : CreatePlatformGraphicsSystem),
      m_overlay2D(std::make_unique<Overlay2D>()) {
  AddListener(m_overlay2D.get());
}

DeviceVideoManager::~DeviceVideoManager() {
  Close();
  if (FrameProfiler::Instance().GetFence() == this) FrameProfiler::Instance().SetFence(nullptr);
  if (m_system) {
    uint32_t left = m_system->Release();
    if (left)
      LogDetail("GLSystem still contains references! Something isn't releasing everything.");
    m_system = nullptr;
  }
}

bool DeviceVideoManager::Start(void* window) {
  if (m_system) return false;
  m_window = window;
  std::string reason;
  m_system = m_factory(window, &reason);
  if (!m_system) {
    if (!reason.empty()) LogDetail("GLVideoManager: %s", reason.c_str());
    LogError(
        "Failed to create OpenGL interface! Be sure the latest version of OpenGL is installed and "
        "try again.");
    return false;
  }
  GResult r = m_system->GetAdapterDisplayMode(0, &m_desktopMode);
  if (GFailed(r)) {
    LogDetail("GLVideoManager: GetAdapterDisplayMode failed (%s)", GetErrorName(r));
    ReleaseSystem();
    return false;
  }
  m_desktopRect = m_system->GetDesktopRect();
  GAdapterIdentifier id;
  if (GSucceeded(m_system->GetAdapterIdentifier(0, &id))) {
    LogMessage("Adapater: %s", id.description.c_str());
    uint32_t hi = uint32_t(id.driverVersion >> 32), lo = uint32_t(id.driverVersion);
    LogMessage("Driver: %s (%d.%d.%d.%d)", id.driver.c_str(), int(hi >> 16), int(hi & 0xFFFF),
               int(lo >> 16), int(lo & 0xFFFF));
  }
  return true;
}

bool DeviceVideoManager::ReleaseSystem() {
  if (!m_system) return false;
  Close();
  uint32_t left = m_system->Release();
  if (left) LogDetail("GLSystem still contains references! Something isn't releasing everything.");
  m_system = nullptr;
  return true;
}

bool DeviceVideoManager::IsDeviceReady() {
  return m_device && GSucceeded(m_device->TestCooperativeLevel());
}

uint32_t DeviceVideoManager::GetShaderVersion(uint32_t which) {
  if (!m_device) return 0;
  GCaps caps;
  if (GFailed(m_device->GetDeviceCaps(&caps))) return 0;
  if (which == 0) return caps.vertexShaderVersion;
  if (which == 1) return caps.pixelShaderVersion;
  return 0;
}

bool DeviceVideoManager::BuildPresentParameters(const DisplayMode& mode, GPresentParameters* pp) {
  *pp = GPresentParameters();
  pp->backBufferWidth = mode.width;
  pp->backBufferHeight = mode.height;
  pp->windowed = !mode.fullscreen;
  if (mode.fullscreen) {
    pp->backBufferFormat =
        ChooseBackBufferFormat(m_system, 0, mode.width, mode.height, mode.refreshRate, mode.bpp);
    pp->fullScreenRefreshRate = mode.refreshRate;
  } else {
    if (mode.width == 0 && mode.height == 0)
      m_system->GetClientSize(m_window, &pp->backBufferWidth, &pp->backBufferHeight);
    pp->backBufferFormat = m_desktopMode.format;
  }
  pp->swapEffect = GSWAPEFFECT_DISCARD;
  pp->deviceWindow = m_window;
  pp->backBufferCount = 1;
  pp->enableAutoDepthStencil = true;
  pp->autoDepthStencilFormat = FMT_D16;
  pp->presentationInterval = mode.vsync ? GPRESENT_INTERVAL_DEFAULT : GPRESENT_INTERVAL_IMMEDIATE;
  return pp->backBufferFormat != FMT_UNKNOWN;
}

void DeviceVideoManager::PlaceWindow(const DisplayMode& mode) {
  if (mode.width == 0 || mode.height == 0) return;
  m_system->PlaceWindow(m_window, m_desktopRect, mode.width, mode.height);
}

void DeviceVideoManager::LogPresentParameters(const GPresentParameters& pp) {
  LogDetail(" ");
  LogDetail("Presentation parameters: ");
  LogDetail("d3dpp.Windowed: %s", pp.windowed ? "true" : "false");
  LogDetail("d3dpp.SwapEffect: %s", GetSwapEffectName(pp.swapEffect));
  LogDetail("d3dpp.BackBufferWidth: %d", int(pp.backBufferWidth));
  LogDetail("d3dpp.BackBufferHeight: %d", int(pp.backBufferHeight));
  LogDetail("d3dpp.BackBufferFormat: %s", GetFormatName(pp.backBufferFormat));
  LogDetail("d3dpp.BackBufferCount: %d", int(pp.backBufferCount));
  LogDetail("d3dpp.FullScreen_RefreshRateInHz: %d", int(pp.fullScreenRefreshRate));
  LogDetail("d3dpp.PresentationInterval: %s", GetPresentIntervalName(pp.presentationInterval));
  LogDetail("d3dpp.EnableAutoDepthStencil: %s", pp.enableAutoDepthStencil ? "true" : "false");
  LogDetail("d3dpp.AutoDepthStencilFormat: %s", GetFormatName(pp.autoDepthStencilFormat));
  LogDetail(" ");
}

void DeviceVideoManager::ApplyDefaultStates() {
  m_device->SetRenderState(GRS_LIGHTING, 0);
  m_device->SetRenderState(GRS_FILLMODE, GFILL_SOLID);
  for (uint32_t s = 0; s < 8; ++s) {
    m_device->SetSamplerState(s, GSAMP_MAGFILTER, GTEXF_LINEAR);
    m_device->SetSamplerState(s, GSAMP_MINFILTER, GTEXF_LINEAR);
  }
}

bool DeviceVideoManager::CreateDevice() {
  if (!m_window || !m_system || m_device) return false;
  m_deviceType = GDEVTYPE_HAL;
  GCaps caps;
  if (GFailed(m_system->GetDeviceCaps(0, GDEVTYPE_HAL, &caps))) {
    LogError("GLVideoManager: HAL device unavailable!");
    return false;
  }
  DisplayMode mode;
  CVarRegistry& cv = CVarRegistry::Instance();
  mode.width = uint32_t(std::max(0, cv.ResX.Get()));
  mode.height = uint32_t(std::max(0, cv.ResY.Get()));
  mode.bpp = uint32_t(std::max(0, cv.BPP.Get()));
  mode.fullscreen = cv.Fullscreen.Get();
  mode.vsync = cv.VSync.Get();
  mode.refreshRate = uint32_t(std::max(0, cv.RefreshRate.Get()));
  GPresentParameters pp;
  bool formatFound = BuildPresentParameters(mode, &pp);
  PlaceWindow(mode);
  if (!formatFound) {
    LogDetail("No valid back buffer format was found for the selected display mode.");
    return false;
  }
  LogPresentParameters(pp);

  m_behaviourFlags = GCREATE_HARDWARE_VERTEXPROCESSING;
  uint32_t adapter = 0;
  for (uint32_t a = 0; a < m_system->GetAdapterCount(); ++a) {
    GAdapterIdentifier id;
    if (GSucceeded(m_system->GetAdapterIdentifier(a, &id)) &&
        id.description == "NVIDIA NVPerfHUD") {
      adapter = a;
      m_deviceType = GDEVTYPE_REF;
      break;
    }
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    GResult r =
        m_system->CreateDevice(adapter, m_deviceType, m_window, m_behaviourFlags, &pp, &m_device);
    if (GSucceeded(r) && m_device) break;
    m_device = nullptr;
    LogDetail("GLVideoManager: CreateDevice failed (%s)", GetErrorName(r));
    if (m_behaviourFlags == GCREATE_HARDWARE_VERTEXPROCESSING) {
      LogWarning(
          "GLVideoManager: Failed to use GLCREATE_HARDWARE_VERTEXPROCESSING, falling back to "
          "software "
          "processing.");
      m_behaviourFlags = GCREATE_SOFTWARE_VERTEXPROCESSING;
    } else {
      LogMessage(
          "GLVideoManager: Failed to use GLCREATE_SOFTWARE_VERTEXPROCESSING. Cannot continue.");
      return false;
    }
  }
  if (!m_device) return false;
  if (m_deviceType == GDEVTYPE_HAL)
    LogDetail("GLVideoManager: Using GLDEVTYPE_HAL.");
  else
    LogWarning("GLVideoManager: USING GLDEVTYPE_REF!!");
  if (m_behaviourFlags == GCREATE_HARDWARE_VERTEXPROCESSING)
    LogDetail("GLVideoManager: Using GLCREATE_HARDWARE_VERTEXPROCESSING.");
  else
    LogDetail("GLVideoManager: Using GLCREATE_SOFTWARE_VERTEXPROCESSING.");

  m_defaultRenderTarget = Ref<Texture>::Adopt(Texture::Create());
  m_defaultDepthStencil = Ref<DepthStencilBuffer>::Adopt(DepthStencilBuffer::Create());
  if (m_defaultDepthStencil) m_defaultDepthStencil->SetDeviceBuffer();

  m_system->ShowWindow(m_window);
  m_device->Clear(GCLEAR_TARGET | GCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  m_device->Present();
  ApplyDefaultStates();
  m_pp = pp;
  return true;
}

bool DeviceVideoManager::ResetDevice(const DisplayMode& mode) {
  if (!m_device) return false;
  GPresentParameters pp;
  if (!BuildPresentParameters(mode, &pp)) {
    LogDetail("No valid back buffer format was found for the selected display mode.");
    return false;
  }
  PlaceWindow(mode);
  GResult r = m_device->Reset(pp);
  if (GFailed(r)) {
    LogDetail("GLDevice::Reset failed. Reason: %s", GetErrorName(r));
    return false;
  }
  m_device->Clear(GCLEAR_TARGET | GCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  m_device->Present();
  ApplyDefaultStates();
  m_pp = pp;
  return true;
}

int DeviceVideoManager::SetDisplayMode() {
  CVarRegistry& cv = CVarRegistry::Instance();
  DisplayMode requested;
  requested.width = uint32_t(std::max(0, cv.ResX.Get()));
  requested.height = uint32_t(std::max(0, cv.ResY.Get()));
  requested.bpp = uint32_t(std::max(0, cv.BPP.Get()));
  requested.fullscreen = cv.Fullscreen.Get();
  requested.vsync = cv.VSync.Get();
  requested.refreshRate = uint32_t(std::max(0, cv.RefreshRate.Get()));
  DisplayMode previous = m_mode;

  if (!m_device) {
    if (!CreateDevice()) {
      LogError("Failed to set mode (%dx%dx%d @ %dhz).", int(requested.width), int(requested.height),
               int(requested.bpp), int(requested.refreshRate));
      m_modeSet = false;
      return 1;
    }
    m_mode = requested;
    OnModeCreated();
  } else {
    OnDeviceLost();
    if (!ResetDevice(requested)) {
      LogError("Failed to set mode (%dx%dx%d @ %dhz), restoring previous mode.",
               int(requested.width), int(requested.height), int(requested.bpp),
               int(requested.refreshRate));
      if (!ResetDevice(previous)) {
        LogError("Failed to restore previous mode (%dx%dx%d  @ %dhz)!", int(previous.width),
                 int(previous.height), int(previous.bpp), int(previous.refreshRate));
        m_modeSet = false;
        return 2;
      }
      m_mode = previous;
    } else {
      m_mode = requested;
    }
    OnDeviceReset();
  }

  cv.Fullscreen.Set(!m_pp.windowed);
  cv.VSync.Set(m_pp.presentationInterval != GPRESENT_INTERVAL_IMMEDIATE);
  uint32_t refresh = m_pp.windowed ? m_desktopMode.refreshRate : m_pp.fullScreenRefreshRate;
  cv.RefreshRate.Set(int32_t(refresh));
  cv.ResX.Set(int32_t(m_pp.backBufferWidth));
  cv.ResY.Set(int32_t(m_pp.backBufferHeight));
  cv.BPP.Set(int32_t(GetFormatBits(m_pp.backBufferFormat)));
  LogMessage("Display mode set (%dx%dx%d @ %dhz, %s).", int(m_pp.backBufferWidth),
             int(m_pp.backBufferHeight), int(GetFormatBits(m_pp.backBufferFormat)), int(refresh),
             m_pp.windowed ? "windowed" : "fullscreen");
  // The mode in effect is what the device got (a 0 x 0 request took the window's size).
  m_mode.width = m_pp.backBufferWidth;
  m_mode.height = m_pp.backBufferHeight;
  Recompute2DProjection();
  m_modeSet = true;
  FrameProfiler::Instance().SetFence(this);
  return 0;
}

void DeviceVideoManager::Finish() {
  if (m_modeSet && m_device) m_device->Finish();
}

void DeviceVideoManager::OnModeCreated() {
  if (!m_defaultRenderTarget || !m_defaultRenderTarget->CreateFromBackBuffer())
    LogError("Failed to retreive default render target from device.");
  m_currentRenderTarget = m_defaultRenderTarget;
  m_currentRenderTargetFace = 0;
  if (!m_defaultDepthStencil || !m_defaultDepthStencil->CreateSurface())
    LogError("Failed to retreive default depth/stencil buffer from device.");
  m_currentDepthStencil = m_defaultDepthStencil;
  VideoManager::OnModeCreated();
}

void DeviceVideoManager::OnDeviceLost() {
  VideoManager::OnDeviceLost();
  ResourceManager::NotifyDeviceLost();
  ForEachLive<Texture>([](Texture* t) { t->OnDeviceLost(); });
  ForEachLive<DepthStencilBuffer>([](DepthStencilBuffer* b) { b->ReleaseSurface(); });
  ForEachLive<RenderEffect>([](RenderEffect* e) { e->OnDeviceLost(); });
  ForEachLive<VertexBuffer>([](VertexBuffer* b) { b->OnDeviceLost(); });
  ForEachLive<IndexBuffer>([](IndexBuffer* b) { b->OnDeviceLost(); });
  m_currentDepthStencil.Reset();
  m_currentRenderTarget.Reset();
  // The device's own references to what it has bound would keep default-pool
  // objects alive through the reset; the cache above re-binds afterwards.
  UnbindDevice();
}

void DeviceVideoManager::UnbindDevice() {
  if (!m_device) return;
  m_device->SetVertexDeclaration(nullptr);
  m_device->SetIndices(nullptr);
  for (uint32_t s = 0; s < kMaxStreams; ++s) m_device->SetStreamSource(s, nullptr, 0, 0);
  for (uint32_t s = 0; s < kMaxSamplers; ++s) m_device->SetTexture(s, nullptr);
  GSurface* backBuffer = nullptr;
  if (GSucceeded(m_device->GetBackBuffer(0, &backBuffer))) {
    m_device->SetRenderTarget(0, backBuffer);
    backBuffer->Release();
  }
  m_device->SetDepthStencilSurface(nullptr);
}

void DeviceVideoManager::OnDeviceReset() {
  Recompute2DProjection();
  ResourceManager::NotifyDeviceReset();
  ForEachLive<Texture>([](Texture* t) { t->OnDeviceReset(); });
  ForEachLive<DepthStencilBuffer>([](DepthStencilBuffer* b) { b->CreateSurface(); });
  ForEachLive<RenderEffect>([](RenderEffect* e) { e->OnDeviceReset(); });
  ForEachLive<VertexBuffer>([](VertexBuffer* b) { b->OnDeviceReset(); });
  ForEachLive<IndexBuffer>([](IndexBuffer* b) { b->OnDeviceReset(); });
  // The device forgot its bindings; give them back.
  if (m_currentVertexFormat)
    if (GVertexDeclaration* decl = m_currentInstanced
                                       ? m_currentVertexFormat->GetInstancedDeclaration()
                                       : m_currentVertexFormat->GetDeviceDeclaration())
      m_device->SetVertexDeclaration(decl);
  for (uint32_t s = 0; s < kMaxStreams; ++s)
    if (m_streams[s] && m_streams[s]->GetDeviceBuffer())
      m_device->SetStreamSource(s, m_streams[s]->GetDeviceBuffer(), 0,
                                m_streams[s]->GetVertexSize());
  if (m_currentIndexBuffer && m_currentIndexBuffer->GetDeviceBuffer())
    m_device->SetIndices(m_currentIndexBuffer->GetDeviceBuffer());
  m_currentRenderTarget = m_defaultRenderTarget;
  m_currentRenderTargetFace = 0;
  m_currentDepthStencil = m_defaultDepthStencil;
  for (VideoListener* l : std::vector<VideoListener*>(m_listeners)) l->OnDeviceReset(this);
}

void DeviceVideoManager::Shutdown() {
  ReleaseBindings();
  UnbindDevice();
  VideoManager::Shutdown();
  ReleaseDefaultMaterial();
  ReleaseFailedRenderEffects();
  ResourceManager::NotifyVideoShutdown();
  m_defaultRenderTarget.Reset();
  m_currentRenderTarget.Reset();
  m_defaultDepthStencil.Reset();
  m_currentDepthStencil.Reset();
  ForEachLive<RenderEffect>([](RenderEffect* e) { e->ReleaseEffect(); });
  ForEachLive<DeviceVertexFormat>([](DeviceVertexFormat* f) { f->ReleaseDeclaration(); });
  ForEachLive<VertexBuffer>([](VertexBuffer* b) { b->ReleaseDeviceBuffer(); });
  ForEachLive<IndexBuffer>([](IndexBuffer* b) { b->ReleaseDeviceBuffer(); });
  ForEachLive<DepthStencilBuffer>([](DepthStencilBuffer* b) { b->ReleaseSurface(); });
  // Textures still held by someone lose their device part too, or the device
  // could never reach zero references.
  ForEachLive<Texture>([](Texture* t) { t->ReleaseDeviceObjects(); });
}

bool DeviceVideoManager::Close() {
  if (!m_modeSet && !m_device) return false;
  if (m_device) {
    Shutdown();
    uint32_t left = m_device->Release();
    if (left)
      LogDetail("GLDevice still contains %d references! Something isn't releasing everything.",
                int(left));
  }
  LogMessage("Display mode restored.");
  if (FrameProfiler::Instance().GetFence() == this) FrameProfiler::Instance().SetFence(nullptr);
  m_modeSet = false;
  m_device = nullptr;
  return true;
}

VideoManager* CreateVideoManager(void* window, GraphicsSystemFactory factory) {
  if (VideoManager* running = GetVideoManager()) return running;
  auto* vm = new DeviceVideoManager(factory);
  if (!vm->Start(window)) {
    delete vm;
    return nullptr;
  }
  SetVideoManager(vm);
  return vm;
}

void DestroyVideoManager() {
  VideoManager* vm = GetVideoManager();
  if (!vm) return;
  if (auto* device = dynamic_cast<DeviceVideoManager*>(vm)) device->ReleaseSystem();
  SetVideoManager(nullptr);
  delete vm;
}

DeviceVideoManager* GetDeviceVideoManager() {
  return static_cast<DeviceVideoManager*>(GetVideoManager());
}
