// DeviceVideoManager.h - the video manager over a graphics device: the
// renderer's public entry for starting and stopping the display.
//
// DeviceVideoManager implements VideoManager (gpu/VideoManager.h) on the
// abstract device of device/GraphicsDevice.h, made by a GraphicsSystemFactory
// (the OpenGL device by default, the fake device in tests). It owns the
// device, chooses the back-buffer format, creates and resets the device for
// each display mode, keeps the bindings of GPU objects (and binds them again
// after a reset), walks the GPU objects' pools on device loss, reset and
// shutdown, and owns the 2D overlay its 2D operations go to.
// While a mode is set it is also the frame profiler's fence (base/FrameProfiler.h).
// Builds on gpu/ (the GPU objects), overlay/Overlay2D.h, device/Formats.h,
// console/CVarRegistry and tier0/ResourceManager.
#pragma once

#include "base/FrameProfiler.h"
#include "render/gpu/VideoManager.h"
#include "tier0/Ref.h"

#include <memory>
#include <string>

class Overlay2D;

// Makes the graphics system object for a window (by default the platform's,
// CreatePlatformGraphicsSystem).
using GraphicsSystemFactory = GSystem* (*)(void* window, std::string* reason);

class DeviceVideoManager : public VideoManager, public ProfileFence {
 public:
  explicit DeviceVideoManager(GraphicsSystemFactory factory);
  ~DeviceVideoManager() override;

  bool Start(void* window);
  // The profiler's fence while a mode is set: waits for the device.
  void Finish() override;
  // Closes the display and releases the graphics system.
  bool ReleaseSystem();

  uint32_t GetShaderVersion(uint32_t which) override;
  int SetDisplayMode() override;
  bool Close() override;
  bool TakeScreenShot(const char* directory, const char* prefix) override;
  void SetViewport(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, float minZ,
                   float maxZ) override;
  void GetViewport(uint32_t* x1, uint32_t* y1, uint32_t* x2, uint32_t* y2, float* minZ,
                   float* maxZ) override;
  void SetWireFrame(bool wireframe) override;
  void SetClipPlanes(const Vector4D* planes, uint32_t count) override;
  void SetScissor(bool enabled, uint32_t x1 = 0, uint32_t y1 = 0, uint32_t x2 = 0,
                  uint32_t y2 = 0) override;
  bool Clear(bool color, bool depth, bool stencil) override;
  bool BeginScene() override;
  bool EndScene() override;
  bool Present() override;
  bool DrawPrimitive(uint32_t kind, uint32_t startVertex, uint32_t primitiveCount) override;
  bool DrawIndexedPrimitive(uint32_t kind, int32_t baseVertex, uint32_t vertexCount,
                            uint32_t startIndex, uint32_t primitiveCount) override;
  Texture* GetRenderTarget() override { return m_currentRenderTarget.Get(); }
  DepthStencilBuffer* GetDepthStencilBuffer() override { return m_currentDepthStencil.Get(); }
  void ReleaseBindings() override;
  void OnModeCreated() override;
  void OnDeviceLost() override;
  void OnDeviceReset() override;
  void Shutdown() override;

  GDevice* GetDevice() const override { return m_device; }
  bool IsDeviceReady() override;
  bool ActivateVertexFormat(DeviceVertexFormat* format) override;
  bool ActivateInstancedFormat(DeviceVertexFormat* format) override;
  bool ActivateInstanceBuffer(VertexBuffer* buffer, uint32_t first = 0) override;
  bool DrawIndexedPrimitiveInstanced(uint32_t kind, int32_t baseVertex, uint32_t vertexCount,
                                     uint32_t startIndex, uint32_t primitiveCount,
                                     uint32_t instances) override;
  bool ActivateVertexBuffer(VertexBuffer* buffer, uint32_t stream) override;
  bool ActivateIndexBuffer(IndexBuffer* buffer) override;
  bool ActivateRenderTarget(Texture* texture, uint32_t face) override;
  bool ActivateDepthStencilBuffer(DepthStencilBuffer* buffer) override;

  bool BeginQuads(Texture* texture = nullptr, RenderEffect* effect = nullptr) override;
  bool AddQuad(float x1, float y1, float x2, float y2, float red, float green, float blue,
               float alpha, float s1 = 0.0f, float t1 = 0.0f, float s2 = 1.0f,
               float t2 = 1.0f) override;
  bool EndQuads() override;
  bool BeginFont(FontResource* font) override;
  bool AddText(std::string_view text, float x, float y, float red, float green, float blue,
               float alpha, float scaleX = 1.0f, float scaleY = 1.0f) override;
  bool EndFont() override;
  Overlay2D& Get2D() { return *m_overlay2D; }

  GSystem* GetSystem() const { return m_system; }
  const GPresentParameters& GetPresentParameters() const { return m_pp; }
  uint32_t GetScreenshotCounter() const { return m_screenshotCounter; }
  // Where the fake device is set up in tests.
  void* GetWindow() const { return m_window; }

 private:
  bool BuildPresentParameters(const DisplayMode& mode, GPresentParameters* pp);
  void PlaceWindow(const DisplayMode& mode);
  bool CreateDevice();
  bool ResetDevice(const DisplayMode& mode);
  void ApplyDefaultStates();
  // Drops what the device itself holds bound (streams, indices, textures,
  // targets), so default-pool objects can go before a reset or a close.
  void UnbindDevice();
  void LogPresentParameters(const GPresentParameters& pp);
  // The next free "<directory>/<prefix>NNN.bmp" into name; false after one line.
  bool FindScreenShotName(const char* directory, const char* prefix, char* name, size_t size);
  static constexpr uint32_t kMaxScreenShotTries = 10000;

  GraphicsSystemFactory m_factory;
  void* m_window = nullptr;
  GRect m_desktopRect;
  GAdapterMode m_desktopMode;
  Ref<Texture> m_defaultRenderTarget;
  Ref<Texture> m_currentRenderTarget;
  uint32_t m_currentRenderTargetFace = 0;  // device cube face of the bound target
  Ref<DepthStencilBuffer> m_defaultDepthStencil;
  Ref<DepthStencilBuffer> m_currentDepthStencil;
  GSystem* m_system = nullptr;
  GDevice* m_device = nullptr;
  GPresentParameters m_pp;
  GDevType m_deviceType = GDEVTYPE_HAL;
  uint32_t m_behaviourFlags = GCREATE_HARDWARE_VERTEXPROCESSING;
  Ref<DeviceVertexFormat> m_currentVertexFormat;
  bool m_currentInstanced = false;  // bound with its instanced declaration
  Ref<VertexBuffer> m_streams[kMaxStreams];
  Ref<IndexBuffer> m_currentIndexBuffer;
  uint32_t m_screenshotCounter = 0;
  std::unique_ptr<Overlay2D> m_overlay2D;
};

// The single manager: created for the game window (an SDL_Window* created
// with SDL_WINDOW_OPENGL), started and installed as GetVideoManager(), or
// null after logging.
VideoManager* CreateVideoManager(void* window, GraphicsSystemFactory factory = nullptr);
void DestroyVideoManager();
// The manager as its implementation (null before CreateVideoManager).
DeviceVideoManager* GetDeviceVideoManager();
