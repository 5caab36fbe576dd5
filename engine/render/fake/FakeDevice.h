// FakeDevice.h - a scriptable graphics device for tests.
//
// Implements GSystem and GDevice in memory: adapters, display modes, device
// capabilities and every failure are set through FakeScript before the video
// manager starts, and the device counts the calls it gets, so the renderer's
// failure paths (no graphics at all, refused modes, lost devices, leaked
// references) can be driven without a GPU. It enforces the rules a real
// device enforces: Reset fails while resources of the default pool are
// alive, a lost device refuses Reset until told it may be reset, a draw
// without a declaration or stream fails, and textures, render targets and
// depth buffers come only in the formats the format table allows them, as
// on the GL device.
// Depends on: GraphicsDevice.h, SoftResources.h, GEffect.h.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "render/effect/GEffect.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct FakeScript {
  bool halAvailable = true;
  bool refuseHardwareVertexProcessing = false;
  bool refuseSoftwareVertexProcessing = false;
  bool failAdapterDisplayMode = false;
  bool failAdapterIdentifier = false;
  std::vector<std::string> adapterNames = {"Kaz Fake Adapter"};
  std::string driver = "fake_dri.so";
  uint64_t driverVersion = (uint64_t(1) << 48) | (uint64_t(2) << 32) | (3u << 16) | 4u;
  GAdapterMode desktop = {1280, 1024, 60, FMT_X8R8G8B8};
  GRect desktopRect = {0, 0, 1280, 1024};
  // Display modes of every adapter, any format.
  std::vector<GAdapterMode> modes = {{640, 480, 60, FMT_X8R8G8B8},
                                     {800, 600, 60, FMT_X8R8G8B8},
                                     {1024, 768, 60, FMT_X8R8G8B8},
                                     {640, 480, 60, FMT_R5G6B5}};
  uint32_t clientWidth = 800, clientHeight = 600;
  GCaps caps = {
      VertexShaderVersion(3, 0), PixelShaderVersion(3, 0), 4096, 4096, 256, kMaxStreams, true};
  // Decides whether CreateDevice/Reset accept presentation parameters (null: all).
  std::function<bool(const GPresentParameters&)> acceptMode;
  GResult clearResult = G_OK;
  GResult presentResult = G_OK;
  GResult createBufferResult = G_OK;
  GResult createTextureResult = G_OK;
  // Techniques whose name is listed fail to compile (on this fake hardware).
  std::vector<std::string> failTechniques;
};

class FakeDevice;

class FakeSystem : public GSystem {
 public:
  explicit FakeSystem(const FakeScript& script);

  uint32_t GetAdapterCount() override;
  GResult GetAdapterIdentifier(uint32_t adapter, GAdapterIdentifier* id) override;
  GResult GetAdapterDisplayMode(uint32_t adapter, GAdapterMode* mode) override;
  uint32_t GetAdapterModeCount(uint32_t adapter, Format format) override;
  GResult EnumAdapterModes(uint32_t adapter, Format format, uint32_t index,
                           GAdapterMode* mode) override;
  GResult GetDeviceCaps(uint32_t adapter, GDevType type, GCaps* caps) override;
  GResult CreateDevice(uint32_t adapter, GDevType type, void* window, uint32_t behaviourFlags,
                       GPresentParameters* pp, GDevice** device) override;
  GRect GetDesktopRect() override { return m_script.desktopRect; }
  bool GetClientSize(void* window, uint32_t* width, uint32_t* height) override;
  void PlaceWindow(void* window, const GRect& desktop, uint32_t width, uint32_t height) override;
  void ShowWindow(void* window) override { ++m_showCount; }
  void ClientToScreen(void* window, int32_t* x, int32_t* y) override {}

  FakeScript& Script() { return m_script; }
  // The last device created (no reference held), the adapter and type it got.
  FakeDevice* LastDevice() const { return m_lastDevice; }
  uint32_t LastAdapter() const { return m_lastAdapter; }
  GDevType LastDeviceType() const { return m_lastType; }
  uint32_t LastBehaviour() const { return m_lastBehaviour; }
  int CreateDeviceCalls() const { return m_createCalls; }
  int PlaceWindowCalls() const { return m_placeCount; }
  uint32_t PlacedWidth() const { return m_placedW; }
  uint32_t PlacedHeight() const { return m_placedH; }

 private:
  FakeScript m_script;
  FakeDevice* m_lastDevice = nullptr;
  uint32_t m_lastAdapter = 0, m_lastBehaviour = 0;
  GDevType m_lastType = GDEVTYPE_HAL;
  int m_createCalls = 0, m_placeCount = 0, m_showCount = 0;
  uint32_t m_placedW = 0, m_placedH = 0;
};

class FakeDevice : public GDevice {
 public:
  FakeDevice(FakeSystem* system, const GPresentParameters& pp);

  GResult TestCooperativeLevel() override;
  GResult Reset(const GPresentParameters& pp) override;
  GResult GetDeviceCaps(GCaps* caps) override;
  GResult Clear(uint32_t flags, uint32_t argb, float z, uint32_t stencil) override;
  GResult BeginScene() override;
  GResult EndScene() override;
  GResult Present() override;
  GResult Finish() override;
  GResult SetViewport(const GViewport& vp) override;
  GResult GetViewport(GViewport* vp) override;
  GResult SetScissorRect(const GRect& rect) override;
  GResult GetScissorRect(GRect* rect) override;
  GResult SetClipPlane(uint32_t index, const float* plane) override;
  GResult GetClipPlane(uint32_t index, float* plane) override;
  GResult SetRenderState(GRenderState state, uint32_t value) override;
  GResult GetRenderState(GRenderState state, uint32_t* value) override;
  GResult SetSamplerState(uint32_t sampler, GSamplerState state, uint32_t value) override;
  GResult GetSamplerState(uint32_t sampler, GSamplerState state, uint32_t* value) override;
  GResult SetTexture(uint32_t sampler, GTexture* texture) override;
  GResult SetVertexDeclaration(GVertexDeclaration* decl) override;
  GResult SetStreamSource(uint32_t stream, GVertexBuffer* vb, uint32_t offset,
                          uint32_t stride) override;
  GResult SetIndices(GIndexBuffer* ib) override;
  GResult DrawPrimitive(GPrimitiveType type, uint32_t startVertex,
                        uint32_t primitiveCount) override;
  GResult DrawIndexedPrimitive(GPrimitiveType type, int32_t baseVertex, uint32_t minIndex,
                               uint32_t numVertices, uint32_t startIndex,
                               uint32_t primitiveCount) override;
  GResult SetStreamSourceFreq(uint32_t stream, uint32_t instanceDivisor) override;
  GResult DrawIndexedPrimitiveInstanced(GPrimitiveType type, int32_t baseVertex, uint32_t minIndex,
                                        uint32_t numVertices, uint32_t startIndex,
                                        uint32_t primitiveCount, uint32_t instances) override;
  // The instances of every instanced draw, in order.
  const std::vector<uint32_t>& InstancedDraws() const { return m_instancedDraws; }
  GResult SetRenderTarget(uint32_t index, GSurface* surface) override;
  GResult SetDepthStencilSurface(GSurface* surface) override;
  GResult GetBackBuffer(uint32_t index, GSurface** surface) override;
  GResult GetDepthStencilSurface(GSurface** surface) override;
  GResult GetRenderTargetData(GSurface* renderTarget, GSurface* dest) override;
  GResult GetFrontBufferData(GSurface* dest) override;
  GResult CreateVertexBuffer(uint32_t length, uint32_t usage, GPool pool,
                             GVertexBuffer** vb) override;
  GResult CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, GPool pool,
                            GIndexBuffer** ib) override;
  GResult CreateVertexDeclaration(const GVertexElement* elements,
                                  GVertexDeclaration** decl) override;
  GResult CreateTexture(GTextureType type, uint32_t width, uint32_t height, uint32_t depth,
                        uint32_t levels, uint32_t usage, Format format, GPool pool,
                        GTexture** tex) override;
  GResult CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                    GSurface** surface) override;
  GResult CreateOffscreenPlainSurface(uint32_t width, uint32_t height, Format format,
                                      GSurface** surface) override;
  GResult CreateEffect(const EffectDesc& desc, GEffect** effect, std::string* errors) override;

  // Script hooks.
  // Loses the device: TestCooperativeLevel reports DEVICELOST, then after
  // AllowReset() DEVICENOTRESET, and a successful Reset clears it.
  void Lose() { m_lost = 1; }
  void AllowReset() {
    if (m_lost) m_lost = 2;
  }
  bool IsLost() const { return m_lost != 0; }
  int Calls(const std::string& op) const;
  void ResetCalls() {
    m_calls.clear();
    m_instancedDraws.clear();
  }
  const GPresentParameters& Params() const { return m_pp; }
  GVertexDeclaration* CurrentDeclaration() const { return m_decl; }
  GVertexBuffer* CurrentStream(uint32_t i) const {
    return i < kMaxStreams ? m_streams[i] : nullptr;
  }
  GIndexBuffer* CurrentIndices() const { return m_indices; }
  GSurface* CurrentRenderTarget() const { return m_renderTarget; }
  GSurface* CurrentDepthStencil() const { return m_depthStencil; }
  // Live resources of the default pool (textures, buffers, surfaces).
  int LiveDefaultPoolResources() const { return m_liveDefault; }
  void TrackDefault(int delta) { m_liveDefault += delta; }
  FakeScript& Script() { return m_system->Script(); }
  uint32_t LastClearColor() const { return m_lastClear; }

 protected:
  ~FakeDevice() override;

 private:
  // Counting a call seen before allocates nothing, so frames on this device
  // can be checked for allocations.
  void Count(const char* op) {
    auto it = m_calls.find(std::string_view(op));
    if (it != m_calls.end())
      ++it->second;
    else
      m_calls.emplace(op, 1);
  }
  void ReleaseBindings();
  bool Accepts(const GPresentParameters& pp);

  FakeSystem* m_system;
  GPresentParameters m_pp;
  std::map<std::string, int, std::less<>> m_calls;
  int m_lost = 0;
  int m_liveDefault = 0;
  bool m_inScene = false;
  uint32_t m_lastClear = 0;
  GViewport m_viewport;
  GRect m_scissor;
  float m_clipPlanes[kMaxClipPlanes][4] = {};
  uint32_t m_renderStates[GRS_MAX];
  uint32_t m_samplerStates[kMaxSamplers][GSAMP_MAX];
  GTexture* m_textures[kMaxSamplers] = {};
  GVertexDeclaration* m_decl = nullptr;
  GVertexBuffer* m_streams[kMaxStreams] = {};
  GIndexBuffer* m_indices = nullptr;
  uint32_t m_streamDivisor[kMaxStreams] = {};
  std::vector<uint32_t> m_instancedDraws;
  GSurface* m_renderTarget = nullptr;
  GSurface* m_depthStencil = nullptr;
  GSurface* m_backBuffer = nullptr;
  GSurface* m_autoDepth = nullptr;
};

// The system object for a script (one reference). The video manager's tests
// install a factory that returns this.
GSystem* CreateFakeSystem(const FakeScript& script);
