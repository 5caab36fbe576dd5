// VideoManagerTest.cpp - tests of the video manager on the fake device.
//
// The video manager on the fake device: start-up failures, display modes and
// their fallbacks, device loss and reset, the binding cache, screenshots and
// the reference check at close.

#include <cstring>
#include <filesystem>

#include "render/device/Formats.h"
#include "render/device/SoftResources.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VertexFormat.h"
#include "RenderTestUtil.h"

using namespace rendertest;

namespace {

class VideoManagerTest : public FakeVideoTest {};

TEST_F(VideoManagerTest, MissingGraphicsOrDesktopModeRefusesCreation) {
  RefuseSystem() = true;
  int window = 0;
  EXPECT_EQ(CreateVideoManager(&window, MakeFakeSystem), nullptr);
  EXPECT_EQ(GetVideoManager(), nullptr);
  EXPECT_EQ(m_log.Count("Failed to create OpenGL interface!", LogLevel_Error), 1);
  RefuseSystem() = false;
  NextScript().failAdapterDisplayMode = true;
  EXPECT_EQ(CreateVideoManager(&window, MakeFakeSystem), nullptr);
  EXPECT_EQ(m_log.Count("GetAdapterDisplayMode failed"), 1);
}

TEST_F(VideoManagerTest, WindowedModeWritesBackWhatItGot) {
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.ResX.Set(800);
  cv.ResY.Set(600);
  cv.BPP.Set(16);
  DeviceVideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  DisplayMode mode;
  EXPECT_TRUE(vm->GetDisplayMode(&mode));
  EXPECT_EQ(mode.width, 800u);
  // Windowed: the desktop's format (32 bits) and refresh rate.
  EXPECT_EQ(cv.BPP.Get(), 32);
  EXPECT_EQ(cv.RefreshRate.Get(), 60);
  EXPECT_FALSE(cv.Fullscreen.Get());
  EXPECT_EQ(LastFakeSystem()->PlacedWidth(), 800u);
  EXPECT_EQ(m_log.Count("Display mode set (800x600x32 @ 60hz, windowed)."), 1);
  EXPECT_EQ(m_log.Count("d3dpp.BackBufferFormat: GLFMT_X8R8G8B8"), 1);
  EXPECT_EQ(m_log.Count("Adapater: Kaz Fake Adapter"), 1);
  EXPECT_EQ(m_log.Count("Driver: fake_dri.so (1.2.3.4)"), 1);
}

TEST_F(VideoManagerTest, ZeroSizeTakesTheClientAreaWithoutMovingTheWindow) {
  CVarRegistry::Instance().ResX.Set(0);
  CVarRegistry::Instance().ResY.Set(0);
  NextScript().clientWidth = 320;
  NextScript().clientHeight = 200;
  ASSERT_NE(Start(), nullptr);
  EXPECT_EQ(LastFakeSystem()->PlaceWindowCalls(), 0);
  EXPECT_EQ(Device()->Params().backBufferWidth, 320u);
  EXPECT_EQ(CVarRegistry::Instance().ResX.Get(), 320);
}

TEST_F(VideoManagerTest, RefusedModeFallsBackTo640x480WindowedWithOneWarning) {
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.ResX.Set(1600);
  cv.ResY.Set(1200);
  cv.Fullscreen.Set(true);  // no such mode on the adapter
  int window = 0;
  VideoManager* vm = CreateVideoManager(&window, MakeFakeSystem);
  ASSERT_NE(vm, nullptr);
  // Before a mode, scene calls return false without a word.
  m_log.Clear();
  EXPECT_FALSE(vm->BeginScene());
  EXPECT_FALSE(vm->EndScene());
  EXPECT_FALSE(vm->Present());
  EXPECT_FALSE(vm->Clear(true, true, true));
  EXPECT_TRUE(m_log.Lines().empty());
  EXPECT_TRUE(vm->ApplyDisplaySettings()) << m_log.Dump();
  EXPECT_EQ(m_log.Count("", LogLevel_Warning), 1) << m_log.Dump();
  EXPECT_EQ(m_log.Count("Failed to set display to current configuration.", LogLevel_Warning), 1);
  EXPECT_EQ(m_log.Count("No valid back buffer format was found for the selected display mode."), 1);
  EXPECT_EQ(cv.ResX.Get(), 640);
  EXPECT_EQ(cv.ResY.Get(), 480);
  EXPECT_FALSE(cv.Fullscreen.Get());
  EXPECT_TRUE(cv.VSync.Get());
}

TEST_F(VideoManagerTest, FullscreenPicksTheListedFormat) {
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.ResX.Set(640);
  cv.ResY.Set(480);
  cv.BPP.Set(16);
  cv.Fullscreen.Set(true);
  ASSERT_NE(Start(), nullptr);
  EXPECT_EQ(Device()->Params().backBufferFormat, FMT_R5G6B5);
  EXPECT_EQ(cv.BPP.Get(), 16);
  EXPECT_TRUE(cv.Fullscreen.Get());
}

TEST_F(VideoManagerTest, VertexProcessingFallsBackToSoftwareThenFailsWithResult1) {
  NextScript().refuseHardwareVertexProcessing = true;
  ASSERT_NE(Start(), nullptr);
  EXPECT_EQ(LastFakeSystem()->LastBehaviour(), GCREATE_SOFTWARE_VERTEXPROCESSING);
  EXPECT_EQ(m_log.Count("falling back to software processing", LogLevel_Warning), 1);
  DestroyVideoManager();
  NextScript().refuseSoftwareVertexProcessing = true;
  DeviceVideoManager* vm = Start(1);
  ASSERT_NE(vm, nullptr);
  EXPECT_EQ(LastFakeSystem()->CreateDeviceCalls(), 2);
  EXPECT_FALSE(vm->GetDisplayMode(nullptr));
  EXPECT_EQ(m_log.Count("Failed to set mode (1024x768x32 @ 60hz).", LogLevel_Error), 1);
}

TEST_F(VideoManagerTest, PerfHudAdapterGetsTheReferenceDeviceAndNoHalFails) {
  NextScript().adapterNames = {"Kaz Fake Adapter", "NVIDIA NVPerfHUD"};
  ASSERT_NE(Start(), nullptr);
  EXPECT_EQ(LastFakeSystem()->LastAdapter(), 1u);
  EXPECT_EQ(LastFakeSystem()->LastDeviceType(), GDEVTYPE_REF);
  EXPECT_EQ(m_log.Count("USING GLDEVTYPE_REF!!", LogLevel_Warning), 1);
  // Without a HAL device the mode set fails.
  DestroyVideoManager();
  NextScript() = FakeScript();
  NextScript().halAvailable = false;
  ASSERT_NE(Start(1), nullptr);
  EXPECT_EQ(m_log.Count("HAL device unavailable!", LogLevel_Error), 1);
}

TEST_F(VideoManagerTest, ImpossibleResetRestoresThePreviousModeOrLeavesNone) {
  NextScript().acceptMode = [](const GPresentParameters& pp) { return pp.backBufferWidth <= 1024; };
  DeviceVideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  CVarRegistry& cv = CVarRegistry::Instance();
  cv.ResX.Set(2048);
  cv.ResY.Set(1536);
  EXPECT_EQ(vm->RestartVideo(), 0);
  EXPECT_EQ(cv.ResX.Get(), 1024);
  EXPECT_EQ(cv.ResY.Get(), 768);
  EXPECT_EQ(m_log.Count("restoring previous mode", LogLevel_Error), 1);
  EXPECT_TRUE(vm->GetDisplayMode(nullptr));
  // When even the previous mode is refused, no mode is left, but the device is.
  Device()->Script().acceptMode = [](const GPresentParameters&) { return false; };
  EXPECT_EQ(vm->RestartVideo(), 2);
  EXPECT_FALSE(vm->GetDisplayMode(nullptr));
  EXPECT_NE(vm->GetDevice(), nullptr);
  EXPECT_EQ(m_log.Count("Failed to restore previous mode (1024x768x32  @ 60hz)!"), 1);
}

TEST_F(VideoManagerTest, ClearPacksTheColourAndReportsFailureButSucceeds) {
  DeviceVideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  vm->SetClearColor(1.0f, 0.5f, 0.0f, 1.0f);
  EXPECT_TRUE(vm->Clear(true, true, false));
  EXPECT_EQ(Device()->LastClearColor(), 0xFFFF7F00u);
  Device()->Script().clearResult = GERR_INVALIDCALL;
  EXPECT_TRUE(vm->Clear(true, false, false));
  EXPECT_EQ(
      m_log.Count("Failed to clear target (color: yes, depth: no, stencil: no) - GLERR_INVALIDCALL",
                  LogLevel_Error),
      1);
}

TEST_F(VideoManagerTest, DeviceLossKeepsStaticBuffersAndEmptiesDynamicOnes) {
  DeviceVideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  VertexBuffer* stat = CreateVertexBuffer(16, 4, false);
  VertexBuffer* dyn = CreateVertexBuffer(16, 4, true);
  Texture* target = CreateTexture(64, 64, TEXTYPE_2D, 2, false, true);
  ASSERT_TRUE(stat && dyn && target);
  auto fill = [](VertexBuffer* b, uint8_t v) {
    void* p = b->Lock(0, 4);
    ASSERT_NE(p, nullptr);
    std::memset(p, v, 64);
    b->Unlock();
  };
  fill(stat, 0xAB);
  fill(dyn, 0xCD);

  Device()->Lose();
  // While lost nothing new can be made.
  EXPECT_EQ(CreateVertexBuffer(16, 4, false), nullptr);
  EXPECT_EQ(m_log.Count("Cannot create VB while device is lost!"), 1);
  Device()->AllowReset();
  ASSERT_EQ(vm->RestartVideo(), 0) << m_log.Dump();

  ASSERT_NE(dyn->GetDeviceBuffer(), nullptr);
  ASSERT_NE(stat->GetDeviceBuffer(), nullptr);
  auto* s = static_cast<SoftVertexBuffer*>(stat->GetDeviceBuffer());
  auto* d = static_cast<SoftVertexBuffer*>(dyn->GetDeviceBuffer());
  EXPECT_EQ(s->Data()[0], 0xAB);
  EXPECT_EQ(d->Data()[0], 0x00);
  EXPECT_NE(target->GetDeviceTexture(), nullptr);
  EXPECT_EQ(vm->GetRenderTarget()->IsBackBuffer(), true);
  target->Release();
  stat->Release();
  dyn->Release();
}

TEST_F(VideoManagerTest, BindingCacheSkipsRepeatsAndRestoresWhatAResetForgot) {
  DeviceVideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  DeviceVertexFormat* fmt = CreateVertexFormat();
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  VertexBuffer* vb = CreateVertexBuffer(12, 3, false);
  IndexBuffer* ib = CreateIndexBuffer(0, 3, true);
  Texture* rt = CreateTexture(32, 32, TEXTYPE_2D, 2, false, true);
  Texture* cube = CreateTexture(16, 16, TEXTYPE_CUBE, 2, false, true);
  DepthStencilBuffer* ds = CreateDepthStencilBuffer(32, 32);
  ASSERT_TRUE(fmt && vb && ib && rt && cube && ds) << m_log.Dump();
  Device()->ResetCalls();
  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_TRUE(fmt->Activate());
    EXPECT_TRUE(vb->Activate(0));
    EXPECT_TRUE(ib->Activate());
    EXPECT_TRUE(rt->ActivateAsRenderTarget(0));
    EXPECT_TRUE(ds->Activate());
  }
  EXPECT_EQ(Device()->Calls("SetVertexDeclaration"), 1);
  EXPECT_EQ(Device()->Calls("SetStreamSource"), 2);  // vertex buffers are always set again
  EXPECT_EQ(Device()->Calls("SetRenderTarget"), 1);
  EXPECT_EQ(Device()->Calls("SetDepthStencilSurface"), 1);
  EXPECT_EQ(vm->GetRenderTarget(), rt);
  // Each cube face is a target of its own.
  EXPECT_TRUE(cube->ActivateAsRenderTarget(1));
  EXPECT_TRUE(cube->ActivateAsRenderTarget(1));
  EXPECT_TRUE(cube->ActivateAsRenderTarget(2));
  EXPECT_EQ(Device()->Calls("SetRenderTarget"), 3);
  EXPECT_EQ(static_cast<SoftSurface*>(Device()->CurrentRenderTarget())->Face(),
            GetDeviceCubeFace(2));
  ASSERT_EQ(vm->RestartVideo(), 0) << m_log.Dump();
  EXPECT_EQ(Device()->CurrentDeclaration(), fmt->GetDeviceDeclaration());
  EXPECT_EQ(Device()->CurrentStream(0), vb->GetDeviceBuffer());
  EXPECT_EQ(Device()->CurrentIndices(), ib->GetDeviceBuffer());
  vm->ReleaseBindings();
  for (PooledObject* o : std::initializer_list<PooledObject*>{fmt, vb, ib, rt, cube, ds})
    o->Release();
}

TEST_F(VideoManagerTest, ScreenshotsAreNumberedSkippingFilesAndFoldersAndRefuseLongPaths) {
  DeviceVideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  namespace fs = std::filesystem;
  kaztest::TempDir tmp("kaz_shots");
  const fs::path& dir = tmp.Path();
  tmp.Write("shot000.bmp", "");
  fs::create_directories(dir / "shot001.bmp");
  vm->SetClearColor(0, 0, 1, 1);
  vm->Clear(true, true, false);
  EXPECT_TRUE(vm->TakeScreenShot(dir.c_str(), "shot"));
  EXPECT_TRUE(fs::is_regular_file(dir / "shot002.bmp"));
  EXPECT_TRUE(vm->TakeScreenShot(dir.c_str(), "shot"));
  EXPECT_TRUE(fs::exists(dir / "shot003.bmp"));
  EXPECT_EQ(vm->GetScreenshotCounter(), 4u);
  // 1024 x 768 at 24 bits, bottom row first.
  EXPECT_EQ(fs::file_size(dir / "shot002.bmp"), 54u + 1024u * 3u * 768u);
  // Past the 260-byte name every number gives the same cut-off name; a folder
  // of that name once made the search run through every number.
  fs::path deep = dir / std::string(120, 'a') / std::string(120, 'b');
  fs::create_directories((deep.string() + "/shot000.bmp").substr(0, 259));
  EXPECT_FALSE(vm->TakeScreenShot(deep.c_str(), "shot"));
  EXPECT_EQ(m_log.Count("TakeScreenShot - the file name is too long", LogLevel_Warning), 1);
  EXPECT_EQ(vm->GetScreenshotCounter(), 5u);
  // A lost device takes no screenshot.
  Device()->Lose();
  EXPECT_FALSE(vm->TakeScreenShot(dir.c_str(), "shot"));
}

// The objects outlive the device, empty; only a reference somebody kept is reported.
TEST_F(VideoManagerTest, CloseEmptiesObjectsAndReportsALeakedReference) {
  DeviceVideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  VertexBuffer* vb = CreateVertexBuffer(12, 3, true);
  Texture* t = CreateTexture(8, 8, TEXTYPE_2D, 2, true, false);
  ASSERT_TRUE(vb && t);
  GDevice* dev = vm->GetDevice();
  dev->AddRef();  // somebody kept the device
  EXPECT_TRUE(vm->Close());
  EXPECT_EQ(m_log.Count("still contains"), 1) << m_log.Dump();
  EXPECT_EQ(m_log.Count("GLDevice still contains 1 references!", LogLevel_Detail), 1);
  EXPECT_FALSE(vm->GetDisplayMode(nullptr));
  EXPECT_EQ(dev->Release(), 0u);
  EXPECT_EQ(vb->GetDeviceBuffer(), nullptr);
  EXPECT_EQ(t->GetDeviceTexture(), nullptr);
  vb->Release();
  t->Release();
}

}  // namespace
