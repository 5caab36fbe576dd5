// FakeDevice.cpp - the scriptable in-memory graphics device of the tests.
#include "render/fake/FakeDevice.h"

#include "render/device/SoftResources.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Default-pool resources tell the device they exist, so Reset can refuse.
template <class Soft>
class Tracked : public Soft {
 public:
  template <class... Args>
  explicit Tracked(FakeDevice* d, Args&&... args) : Soft(d, std::forward<Args>(args)...), m_dev(d) {
    if (this->m_pool == GPOOL_DEFAULT) m_dev->TrackDefault(1);
  }
  ~Tracked() override {
    if (this->m_pool == GPOOL_DEFAULT) m_dev->TrackDefault(-1);
  }
  FakeDevice* m_dev;
};
using FakeVB = Tracked<SoftVertexBuffer>;
using FakeIB = Tracked<SoftIndexBuffer>;
using FakeTexture = Tracked<SoftTexture>;

class FakeSurface : public SoftSurface {
 public:
  FakeSurface(FakeDevice* d, SurfaceKind kind, const GSurfaceDesc& desc, bool track)
      : SoftSurface(d, kind, desc), m_dev(d), m_track(track) {
    if (m_track) m_dev->TrackDefault(1);
  }
  ~FakeSurface() override {
    if (m_track) m_dev->TrackDefault(-1);
  }
  FakeDevice* m_dev;
  bool m_track;
};

class FakeEffect : public GEffect {
 public:
  FakeEffect(FakeDevice* d, EffectDesc desc) : GEffect(d, std::move(desc)), m_dev(d) {}

 protected:
  bool CompilePass(uint32_t tech, uint32_t, std::string* error) override {
    const std::vector<std::string>& fail = m_dev->Script().failTechniques;
    if (std::find(fail.begin(), fail.end(), m_desc.techniques[tech].name) != fail.end()) {
      *error = "refused by script";
      return false;
    }
    return true;
  }
  GResult ApplyPass(uint32_t, uint32_t) override { return G_OK; }
  void UploadValues(uint32_t, uint32_t) override {}
  FakeDevice* m_dev;
};

SoftSurface* NewOwnSurface(FakeDevice* d, SurfaceKind kind, const GSurfaceDesc& desc) {
  SoftSurface* s = new FakeSurface(d, kind, desc, false);
  s->DetachFromDevice();
  return s;
}

}  // namespace

GSystem* CreateFakeSystem(const FakeScript& script) {
  return new FakeSystem(script);
}

FakeSystem::FakeSystem(const FakeScript& script) : m_script(script) {}

uint32_t FakeSystem::GetAdapterCount() {
  return uint32_t(m_script.adapterNames.size());
}

GResult FakeSystem::GetAdapterIdentifier(uint32_t adapter, GAdapterIdentifier* id) {
  if (!id || adapter >= GetAdapterCount() || m_script.failAdapterIdentifier)
    return GERR_INVALIDCALL;
  id->description = m_script.adapterNames[adapter];
  id->driver = m_script.driver;
  id->driverVersion = m_script.driverVersion;
  return G_OK;
}

GResult FakeSystem::GetAdapterDisplayMode(uint32_t adapter, GAdapterMode* mode) {
  if (!mode || adapter >= GetAdapterCount() || m_script.failAdapterDisplayMode)
    return GERR_INVALIDCALL;
  *mode = m_script.desktop;
  return G_OK;
}

uint32_t FakeSystem::GetAdapterModeCount(uint32_t adapter, Format format) {
  if (adapter >= GetAdapterCount()) return 0;
  return uint32_t(std::count_if(m_script.modes.begin(), m_script.modes.end(),
                                [&](const GAdapterMode& m) { return m.format == format; }));
}

GResult FakeSystem::EnumAdapterModes(uint32_t adapter, Format format, uint32_t index,
                                     GAdapterMode* mode) {
  if (!mode || adapter >= GetAdapterCount()) return GERR_INVALIDCALL;
  for (const GAdapterMode& m : m_script.modes)
    if (m.format == format && index-- == 0) {
      *mode = m;
      return G_OK;
    }
  return GERR_INVALIDCALL;
}

GResult FakeSystem::GetDeviceCaps(uint32_t adapter, GDevType type, GCaps* caps) {
  if (!caps || adapter >= GetAdapterCount()) return GERR_INVALIDCALL;
  if (type == GDEVTYPE_HAL && !m_script.halAvailable) return GERR_NOTAVAILABLE;
  *caps = m_script.caps;
  return G_OK;
}

GResult FakeSystem::CreateDevice(uint32_t adapter, GDevType type, void* window,
                                 uint32_t behaviourFlags, GPresentParameters* pp,
                                 GDevice** device) {
  ++m_createCalls;
  if (!device || !pp || adapter >= GetAdapterCount()) return GERR_INVALIDCALL;
  *device = nullptr;
  if ((behaviourFlags & GCREATE_HARDWARE_VERTEXPROCESSING) &&
      m_script.refuseHardwareVertexProcessing)
    return GERR_NOTAVAILABLE;
  if ((behaviourFlags & GCREATE_SOFTWARE_VERTEXPROCESSING) &&
      m_script.refuseSoftwareVertexProcessing)
    return GERR_NOTAVAILABLE;
  if (m_script.acceptMode && !m_script.acceptMode(*pp)) return GERR_INVALIDCALL;
  FakeDevice* d = new FakeDevice(this, *pp);
  m_lastDevice = d;
  m_lastAdapter = adapter;
  m_lastType = type;
  m_lastBehaviour = behaviourFlags;
  *device = d;
  return G_OK;
}

bool FakeSystem::GetClientSize(void*, uint32_t* width, uint32_t* height) {
  *width = m_script.clientWidth;
  *height = m_script.clientHeight;
  return true;
}

void FakeSystem::PlaceWindow(void*, const GRect&, uint32_t width, uint32_t height) {
  ++m_placeCount;
  m_placedW = width;
  m_placedH = height;
  m_script.clientWidth = width;
  m_script.clientHeight = height;
}

// ---------------------------------------------------------------------------

FakeDevice::FakeDevice(FakeSystem* system, const GPresentParameters& pp)
    : m_system(system), m_pp(pp) {
  m_system->AddRef();
  for (uint32_t s = 0; s < GRS_MAX; ++s) m_renderStates[s] = GetDefaultRenderState(GRenderState(s));
  for (auto& unit : m_samplerStates)
    for (uint32_t s = 0; s < GSAMP_MAX; ++s) unit[s] = GetDefaultSamplerState(GSamplerState(s));
  GSurfaceDesc desc;
  desc.format = pp.backBufferFormat;
  desc.usage = GUSAGE_RENDERTARGET;
  desc.width = pp.backBufferWidth;
  desc.height = pp.backBufferHeight;
  // The device's own surfaces hold no device reference, or the device could never die.
  m_backBuffer = NewOwnSurface(this, SURF_BACKBUFFER, desc);
  desc.format = pp.autoDepthStencilFormat;
  desc.usage = GUSAGE_DEPTHSTENCIL;
  m_autoDepth = NewOwnSurface(this, SURF_DEPTHSTENCIL, desc);
  Rebind(m_renderTarget, m_backBuffer);
  Rebind(m_depthStencil, m_autoDepth);
  m_viewport.width = pp.backBufferWidth;
  m_viewport.height = pp.backBufferHeight;
  // Room for many frames' instanced draws: recording them allocates nothing.
  m_instancedDraws.reserve(1024);
}

FakeDevice::~FakeDevice() {
  ReleaseBindings();
  for (GTexture*& t : m_textures) SafeRelease(t);
  SafeRelease(m_renderTarget);
  SafeRelease(m_depthStencil);
  SafeRelease(m_backBuffer);
  SafeRelease(m_autoDepth);
  m_system->Release();
}

void FakeDevice::ReleaseBindings() {
  SafeRelease(m_decl);
  for (GVertexBuffer*& s : m_streams) SafeRelease(s);
  SafeRelease(m_indices);
}

int FakeDevice::Calls(const std::string& op) const {
  auto it = m_calls.find(op);
  return it == m_calls.end() ? 0 : it->second;
}

bool FakeDevice::Accepts(const GPresentParameters& pp) {
  return !Script().acceptMode || Script().acceptMode(pp);
}

GResult FakeDevice::TestCooperativeLevel() {
  Count("TestCooperativeLevel");
  if (m_lost == 1) return GERR_DEVICELOST;
  if (m_lost == 2) return GERR_DEVICENOTRESET;
  return G_OK;
}

GResult FakeDevice::Reset(const GPresentParameters& pp) {
  Count("Reset");
  if (m_lost == 1) return GERR_DEVICELOST;
  // A real device refuses while anything of the default pool still exists,
  // including extra references to its own surfaces.
  uint32_t bbOwn = 1 + (m_renderTarget == m_backBuffer ? 1 : 0);
  uint32_t dsOwn = 1 + (m_depthStencil == m_autoDepth ? 1 : 0);
  if (m_liveDefault > 0 || m_backBuffer->GetRefCount() > bbOwn ||
      m_autoDepth->GetRefCount() > dsOwn)
    return GERR_INVALIDCALL;
  if (!Accepts(pp)) return GERR_INVALIDCALL;
  m_pp = pp;
  ReleaseBindings();
  for (GTexture*& t : m_textures) SafeRelease(t);
  GSurfaceDesc desc;
  m_backBuffer->GetDesc(&desc);
  desc.width = pp.backBufferWidth;
  desc.height = pp.backBufferHeight;
  desc.format = pp.backBufferFormat;
  // Fresh surfaces of the new size.
  SafeRelease(m_renderTarget);
  SafeRelease(m_depthStencil);
  SafeRelease(m_backBuffer);
  SafeRelease(m_autoDepth);
  m_backBuffer = NewOwnSurface(this, SURF_BACKBUFFER, desc);
  desc.format = pp.autoDepthStencilFormat;
  desc.usage = GUSAGE_DEPTHSTENCIL;
  m_autoDepth = NewOwnSurface(this, SURF_DEPTHSTENCIL, desc);
  Rebind(m_renderTarget, m_backBuffer);
  Rebind(m_depthStencil, m_autoDepth);
  for (uint32_t s = 0; s < GRS_MAX; ++s) m_renderStates[s] = GetDefaultRenderState(GRenderState(s));
  m_viewport = GViewport();
  m_viewport.width = pp.backBufferWidth;
  m_viewport.height = pp.backBufferHeight;
  m_lost = 0;
  return G_OK;
}

GResult FakeDevice::GetDeviceCaps(GCaps* caps) {
  if (!caps) return GERR_INVALIDCALL;
  *caps = Script().caps;
  return G_OK;
}

GResult FakeDevice::Clear(uint32_t, uint32_t argb, float, uint32_t) {
  Count("Clear");
  if (GFailed(Script().clearResult)) return Script().clearResult;
  m_lastClear = argb;
  return G_OK;
}

GResult FakeDevice::BeginScene() {
  Count("BeginScene");
  if (m_inScene) return GERR_INVALIDCALL;
  m_inScene = true;
  return G_OK;
}

GResult FakeDevice::EndScene() {
  Count("EndScene");
  if (!m_inScene) return GERR_INVALIDCALL;
  m_inScene = false;
  return G_OK;
}

GResult FakeDevice::Finish() {
  Count("Finish");
  return G_OK;
}

GResult FakeDevice::Present() {
  Count("Present");
  if (m_lost) return GERR_DEVICELOST;
  return Script().presentResult;
}

GResult FakeDevice::SetViewport(const GViewport& vp) {
  Count("SetViewport");
  m_viewport = vp;
  return G_OK;
}

GResult FakeDevice::GetViewport(GViewport* vp) {
  if (!vp) return GERR_INVALIDCALL;
  *vp = m_viewport;
  return G_OK;
}

GResult FakeDevice::SetScissorRect(const GRect& rect) {
  Count("SetScissorRect");
  if (rect.right < rect.left || rect.bottom < rect.top) return GERR_INVALIDCALL;
  m_scissor = rect;
  return G_OK;
}

GResult FakeDevice::GetScissorRect(GRect* rect) {
  if (!rect) return GERR_INVALIDCALL;
  *rect = m_scissor;
  return G_OK;
}

GResult FakeDevice::SetClipPlane(uint32_t index, const float* plane) {
  Count("SetClipPlane");
  if (index >= kMaxClipPlanes || !plane) return GERR_INVALIDCALL;
  std::copy(plane, plane + 4, m_clipPlanes[index]);
  return G_OK;
}

GResult FakeDevice::GetClipPlane(uint32_t index, float* plane) {
  if (index >= kMaxClipPlanes || !plane) return GERR_INVALIDCALL;
  std::copy(m_clipPlanes[index], m_clipPlanes[index] + 4, plane);
  return G_OK;
}

GResult FakeDevice::SetRenderState(GRenderState state, uint32_t value) {
  Count("SetRenderState");
  if (state >= GRS_MAX) return GERR_INVALIDCALL;
  m_renderStates[state] = value;
  return G_OK;
}

GResult FakeDevice::GetRenderState(GRenderState state, uint32_t* value) {
  if (state >= GRS_MAX || !value) return GERR_INVALIDCALL;
  *value = m_renderStates[state];
  return G_OK;
}

GResult FakeDevice::SetSamplerState(uint32_t sampler, GSamplerState state, uint32_t value) {
  Count("SetSamplerState");
  if (sampler >= kMaxSamplers || state >= GSAMP_MAX) return GERR_INVALIDCALL;
  m_samplerStates[sampler][state] = value;
  return G_OK;
}

GResult FakeDevice::GetSamplerState(uint32_t sampler, GSamplerState state, uint32_t* value) {
  if (sampler >= kMaxSamplers || state >= GSAMP_MAX || !value) return GERR_INVALIDCALL;
  *value = m_samplerStates[sampler][state];
  return G_OK;
}

GResult FakeDevice::SetTexture(uint32_t sampler, GTexture* texture) {
  if (sampler >= kMaxSamplers) return GERR_INVALIDCALL;
  Rebind(m_textures[sampler], texture);
  return G_OK;
}

GResult FakeDevice::SetVertexDeclaration(GVertexDeclaration* decl) {
  Count("SetVertexDeclaration");
  Rebind(m_decl, decl);
  return G_OK;
}

GResult FakeDevice::SetStreamSource(uint32_t stream, GVertexBuffer* vb, uint32_t, uint32_t) {
  Count("SetStreamSource");
  if (stream >= kMaxStreams) return GERR_INVALIDCALL;
  Rebind(m_streams[stream], vb);
  return G_OK;
}

GResult FakeDevice::SetIndices(GIndexBuffer* ib) {
  Count("SetIndices");
  Rebind(m_indices, ib);
  return G_OK;
}

GResult FakeDevice::DrawPrimitive(GPrimitiveType, uint32_t, uint32_t) {
  Count("DrawPrimitive");
  if (!m_decl || !m_streams[0]) return GERR_INVALIDCALL;
  return G_OK;
}

GResult FakeDevice::DrawIndexedPrimitive(GPrimitiveType, int32_t, uint32_t, uint32_t, uint32_t,
                                         uint32_t) {
  Count("DrawIndexedPrimitive");
  if (!m_decl || !m_streams[0] || !m_indices) return GERR_INVALIDCALL;
  return G_OK;
}

GResult FakeDevice::SetStreamSourceFreq(uint32_t stream, uint32_t instanceDivisor) {
  Count("SetStreamSourceFreq");
  if (stream >= kMaxStreams) return GERR_INVALIDCALL;
  m_streamDivisor[stream] = instanceDivisor;
  return G_OK;
}

GResult FakeDevice::DrawIndexedPrimitiveInstanced(GPrimitiveType, int32_t, uint32_t, uint32_t,
                                                  uint32_t, uint32_t, uint32_t instances) {
  Count("DrawIndexedPrimitiveInstanced");
  // An instanced draw needs a stream that advances per instance.
  bool perInstance = false;
  for (uint32_t s = 1; s < kMaxStreams; ++s) perInstance |= m_streams[s] && m_streamDivisor[s];
  if (!m_decl || !m_streams[0] || !m_indices || !perInstance || instances == 0)
    return GERR_INVALIDCALL;
  m_instancedDraws.push_back(instances);
  return G_OK;
}

GResult FakeDevice::SetRenderTarget(uint32_t index, GSurface* surface) {
  Count("SetRenderTarget");
  if (index != 0 || !surface) return GERR_INVALIDCALL;
  Rebind(m_renderTarget, surface);
  GSurfaceDesc desc;
  surface->GetDesc(&desc);
  m_scissor = {0, 0, int32_t(desc.width), int32_t(desc.height)};
  return G_OK;
}

GResult FakeDevice::SetDepthStencilSurface(GSurface* surface) {
  Count("SetDepthStencilSurface");
  Rebind(m_depthStencil, surface);
  return G_OK;
}

GResult FakeDevice::GetBackBuffer(uint32_t index, GSurface** surface) {
  if (index != 0 || !surface) return GERR_INVALIDCALL;
  m_backBuffer->AddRef();
  *surface = m_backBuffer;
  return G_OK;
}

GResult FakeDevice::GetDepthStencilSurface(GSurface** surface) {
  if (!surface) return GERR_INVALIDCALL;
  if (!m_depthStencil) return GERR_NOTFOUND;
  m_depthStencil->AddRef();
  *surface = m_depthStencil;
  return G_OK;
}

GResult FakeDevice::GetRenderTargetData(GSurface* rt, GSurface* dest) {
  Count("GetRenderTargetData");
  if (!rt || !dest) return GERR_INVALIDCALL;
  GSurfaceDesc a, b;
  rt->GetDesc(&a);
  dest->GetDesc(&b);
  if (a.width != b.width || a.height != b.height) return GERR_INVALIDCALL;
  return G_OK;
}

GResult FakeDevice::GetFrontBufferData(GSurface* dest) {
  Count("GetFrontBufferData");
  if (!dest) return GERR_INVALIDCALL;
  GSurfaceDesc d;
  dest->GetDesc(&d);
  if (d.format != FMT_A8R8G8B8) return GERR_INVALIDCALL;
  GLockedRect r;
  if (GFailed(dest->LockRect(&r, 0))) return GERR_INVALIDCALL;
  // The fake "image" is the last clear colour everywhere.
  for (uint32_t y = 0; y < d.height; ++y)
    for (uint32_t x = 0; x < d.width; ++x)
      std::memcpy(static_cast<uint8_t*>(r.bits) + size_t(y) * size_t(r.pitch) + x * 4, &m_lastClear,
                  4);
  dest->UnlockRect();
  return G_OK;
}

GResult FakeDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, GPool pool,
                                       GVertexBuffer** vb) {
  Count("CreateVertexBuffer");
  if (!vb || length == 0) return GERR_INVALIDCALL;
  if (GFailed(Script().createBufferResult)) return Script().createBufferResult;
  *vb = new FakeVB(this, length, usage, pool);
  return G_OK;
}

GResult FakeDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, GPool pool,
                                      GIndexBuffer** ib) {
  Count("CreateIndexBuffer");
  if (!ib || length == 0 || (format != FMT_INDEX16 && format != FMT_INDEX32))
    return GERR_INVALIDCALL;
  if (GFailed(Script().createBufferResult)) return Script().createBufferResult;
  *ib = new FakeIB(this, length, usage, format, pool);
  return G_OK;
}

GResult FakeDevice::CreateVertexDeclaration(const GVertexElement* elements,
                                            GVertexDeclaration** decl) {
  Count("CreateVertexDeclaration");
  if (!elements || !decl) return GERR_INVALIDCALL;
  *decl = new SoftVertexDeclaration(this, elements);
  return G_OK;
}

GResult FakeDevice::CreateTexture(GTextureType type, uint32_t width, uint32_t height,
                                  uint32_t depth, uint32_t levels, uint32_t usage, Format format,
                                  GPool pool, GTexture** tex) {
  Count("CreateTexture");
  if (!tex || width == 0 || height == 0 || depth == 0) return GERR_INVALIDCALL;
  if (GFailed(Script().createTextureResult)) return Script().createTextureResult;
  const GCaps& caps = Script().caps;
  if (width > caps.maxTextureWidth || height > caps.maxTextureHeight) return GERR_INVALIDCALL;
  // The formats and targets the GL device refuses, so tests meet the same refusals.
  if (!IsTextureFormat(format)) return GERR_INVALIDCALL;
  if ((usage & GUSAGE_RENDERTARGET) &&
      (type == GTEXTYPE_VOLUME || pool != GPOOL_DEFAULT || !IsRenderTargetFormat(format)))
    return GERR_INVALIDCALL;
  if (IsCompressedFormat(format) && type == GTEXTYPE_VOLUME) return GERR_INVALIDCALL;
  *tex = new FakeTexture(this, type, width, height, depth, levels, usage, format, pool);
  return G_OK;
}

GResult FakeDevice::CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                              GSurface** surface) {
  Count("CreateDepthStencilSurface");
  if (!surface || width == 0 || height == 0 || !IsDepthFormat(format)) return GERR_INVALIDCALL;
  GSurfaceDesc desc;
  desc.format = format;
  desc.usage = GUSAGE_DEPTHSTENCIL;
  desc.width = width;
  desc.height = height;
  *surface = new FakeSurface(this, SURF_DEPTHSTENCIL, desc, true);
  return G_OK;
}

GResult FakeDevice::CreateOffscreenPlainSurface(uint32_t width, uint32_t height, Format format,
                                                GSurface** surface) {
  Count("CreateOffscreenPlainSurface");
  if (!surface || width == 0 || height == 0 || GetFormatBytesPerPixel(format) == 0)
    return GERR_INVALIDCALL;
  GSurfaceDesc desc;
  desc.format = format;
  desc.pool = GPOOL_SCRATCH;
  desc.width = width;
  desc.height = height;
  *surface = new FakeSurface(this, SURF_OFFSCREEN, desc, false);
  return G_OK;
}

GResult FakeDevice::CreateEffect(const EffectDesc& desc, GEffect** effect, std::string*) {
  Count("CreateEffect");
  if (!effect) return GERR_INVALIDCALL;
  *effect = new FakeEffect(this, desc);
  return G_OK;
}
