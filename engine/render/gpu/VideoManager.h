// VideoManager.h - the display: device, display mode, clears, presentation,
// bindings, device loss and reset, screenshots.
//
// VideoManager is the part that does not depend on the graphics interface
// (the mode in effect, clear values, the 2D projection); DeviceVideoManager is its
// one implementation, written against the abstract device of
// GraphicsDevice.h (the OpenGL device by default, the fake device in tests).
// There is one manager per process, reached through GetVideoManager().
// The display mode comes from the console variables ResX, ResY, BPP,
// RefreshRate, Fullscreen and VSync, and the values obtained are written back.
// GPU objects (textures, buffers, vertex formats, depth buffers, effects) are
// pooled; on device loss, reset and shutdown the manager walks their pools.
// Other rendering modules (2D overlays, glow...) hear about mode creation,
// loss, reset and shutdown through VideoListener.
// Depends on: GraphicsDevice.h, console/CVarRegistry, tier0 (Matrix4x4, Ref,
// ObjectPool, ResourceManager), base/Log.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "tier0/Matrix.h"
#include "tier0/Ref.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Texture;
class DepthStencilBuffer;
class DeviceVertexFormat;
class VertexBuffer;
class IndexBuffer;
class RenderEffect;
class FontResource;
class Overlay2D;
class VideoManager;

struct DisplayMode {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bpp = 0;
  bool fullscreen = false;
  bool vsync = false;
  uint32_t refreshRate = 0;
};

// Primitive kinds of DrawPrimitive and DrawIndexedPrimitive.
enum PrimitiveKind : uint32_t {
  PRIM_POINTS = 0,
  PRIM_LINES = 1,
  PRIM_LINESTRIP = 2,
  PRIM_TRIANGLES = 3,
  PRIM_TRIANGLESTRIP = 4,
  PRIM_TRIANGLEFAN = 5,
};

// Told about the video manager's life: after the first mode set, before and
// after every reset, and at shutdown (the 2D overlays hook in here).
class VideoListener {
 public:
  virtual ~VideoListener() = default;
  virtual void OnModeCreated(VideoManager* video) {}
  virtual void OnDeviceLost(VideoManager* video) {}
  virtual void OnDeviceReset(VideoManager* video) {}
  virtual void OnVideoShutdown(VideoManager* video) {}
};

class VideoManager {
 public:
  virtual ~VideoManager();

  virtual uint32_t GetShaderVersion(uint32_t which) = 0;
  // 0 success, 1 failed, 2 failed and the previous mode lost too.
  virtual int SetDisplayMode() = 0;
  virtual bool Close() = 0;
  // A BMP named <directory>/<prefix>NNN.bmp; false when none could be written.
  virtual bool TakeScreenShot(const char* directory, const char* prefix) = 0;
  virtual void SetViewport(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, float minZ,
                           float maxZ) = 0;
  virtual void GetViewport(uint32_t* x1, uint32_t* y1, uint32_t* x2, uint32_t* y2, float* minZ,
                           float* maxZ) = 0;
  virtual void SetClearColor(float red, float green, float blue, float alpha);
  virtual void SetClearDepth(float depth);
  virtual void SetClearStencil(uint32_t stencil);
  virtual void SetWireFrame(bool wireframe) = 0;
  virtual bool Clear(bool color, bool depth, bool stencil) = 0;
  virtual bool BeginScene() = 0;
  virtual bool EndScene() = 0;
  virtual bool Present() = 0;
  virtual bool DrawPrimitive(uint32_t kind, uint32_t startVertex, uint32_t primitiveCount) = 0;
  virtual bool DrawIndexedPrimitive(uint32_t kind, int32_t baseVertex, uint32_t vertexCount,
                                    uint32_t startIndex, uint32_t primitiveCount) = 0;
  virtual Texture* GetRenderTarget() = 0;
  virtual DepthStencilBuffer* GetDepthStencilBuffer() = 0;
  virtual void ReleaseBindings() = 0;
  virtual void OnModeCreated();
  virtual void OnDeviceLost();
  virtual void OnDeviceReset();
  virtual void Shutdown();

  // modeSet; the mode in effect into *mode.
  bool GetDisplayMode(DisplayMode* mode) const;
  void GetClearColor(float* red, float* green, float* blue, float* alpha) const;
  float GetClearDepth() const { return m_clearDepth; }
  uint32_t GetClearStencil() const { return m_clearStencil; }
  // Orthographic pixels-to-clip projection of the current mode (engine layout).
  const Matrix4x4& Get2DProjection() const { return m_projection2D; }
  // The same projection for any screen size.
  static Matrix4x4 Make2DProjection(uint32_t width, uint32_t height);

  // 2D overlays (Overlay2D.h): screen pixels of the current mode, (0, 0) at
  // the top left; one of quads or text at a time, each ended by its End.
  bool BeginQuads(Texture* texture = nullptr, RenderEffect* effect = nullptr);
  bool AddQuad(float x1, float y1, float x2, float y2, float red, float green, float blue,
               float alpha, float s1 = 0.0f, float t1 = 0.0f, float s2 = 1.0f, float t2 = 1.0f);
  bool EndQuads();
  bool BeginFont(FontResource* font);
  bool AddText(std::string_view text, float x, float y, float red, float green, float blue,
               float alpha, float scaleX = 1.0f, float scaleY = 1.0f);
  bool EndFont();
  Overlay2D& Get2D() { return *m_overlay2D; }
  // Seconds since the manager was created at engine start (the TIME of effects).
  double GetTimeSinceStart() const;
  // Where that time comes from instead of the wall clock (the engine hands in
  // its own clock, so that a fixed frame time also fixes animated effects);
  // seconds count from the first call after it is set.
  void SetTimeSource(std::function<double()> now);

  void AddListener(VideoListener* listener);
  void RemoveListener(VideoListener* listener);

  // Start-up helper: SetDisplayMode from the console variables; when that
  // fails, the warning "Failed to set display to current configuration.", the
  // fallback 640 x 480, 16 bits, windowed, vsync on, and one more try.
  // False when that fails too (the caller logs its fatal line).
  bool ApplyDisplaySettings();
  // The "restartvideo" command: SetDisplayMode again (0, 1 or 2).
  int RestartVideo() { return SetDisplayMode(); }

 protected:
  VideoManager();
  void Recompute2DProjection();

  DisplayMode m_mode;
  bool m_modeSet = false;
  float m_clearColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float m_clearDepth = 1.0f;
  uint32_t m_clearStencil = 0;
  Matrix4x4 m_projection2D;
  std::vector<VideoListener*> m_listeners;
  std::unique_ptr<Overlay2D> m_overlay2D;
  std::chrono::steady_clock::time_point m_startTime = std::chrono::steady_clock::now();
  std::function<double()> m_timeSource;
  double m_timeSourceStart = 0.0;
};

// Makes the graphics system object for a window (by default the platform's,
// CreatePlatformGraphicsSystem).
using GraphicsSystemFactory = GSystem* (*)(void* window, std::string* reason);

class DeviceVideoManager : public VideoManager {
 public:
  explicit DeviceVideoManager(GraphicsSystemFactory factory);
  ~DeviceVideoManager() override;

  bool Start(void* window);
  bool ReleaseDirect3D();

  uint32_t GetShaderVersion(uint32_t which) override;
  int SetDisplayMode() override;
  bool Close() override;
  bool TakeScreenShot(const char* directory, const char* prefix) override;
  void SetViewport(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, float minZ,
                   float maxZ) override;
  void GetViewport(uint32_t* x1, uint32_t* y1, uint32_t* x2, uint32_t* y2, float* minZ,
                   float* maxZ) override;
  void SetWireFrame(bool wireframe) override;
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

  bool ActivateVertexFormat(DeviceVertexFormat* format);
  bool ActivateVertexBuffer(VertexBuffer* buffer, uint32_t stream);
  bool ActivateIndexBuffer(IndexBuffer* buffer);
  bool ActivateRenderTarget(Texture* texture, uint32_t face);
  bool ActivateDepthStencilBuffer(DepthStencilBuffer* buffer);

  GDevice* GetDevice() const { return m_device; }
  GSystem* GetDirect3D() const { return m_system; }
  // True when a device exists and is not lost.
  bool IsDeviceReady();
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
  Ref<VertexBuffer> m_streams[kMaxStreams];
  Ref<IndexBuffer> m_currentIndexBuffer;
  uint32_t m_screenshotCounter = 0;
  Matrix4x4 m_projection2DCopy;
};

// The single manager: created for the game window (an SDL_Window* created
// with SDL_WINDOW_OPENGL) and started, or null after logging.
VideoManager* CreateVideoManager(void* window, GraphicsSystemFactory factory = nullptr);
void DestroyVideoManager();
VideoManager* GetVideoManager();
// The manager as its implementation, with a device (null otherwise).
DeviceVideoManager* GetDeviceVideoManager();
// The manager's device when it exists and is not lost.
GDevice* GetRenderDevice();
