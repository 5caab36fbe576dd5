// VideoManager.h - the display as drawing code sees it: the mode in effect,
// clears, viewport, draws, the bindings of GPU objects, render targets, 2D
// quads and text, and the display's life as listeners hear it.
//
// VideoManager is the interface; DeviceVideoManager (render/DeviceVideoManager.h)
// is its one implementation, which owns the graphics device (the OpenGL device
// by default, the fake device in tests), sets display modes and walks the GPU
// objects' pools on device loss, reset and shutdown. There is one manager per
// process, reached through GetVideoManager(). The display mode comes from the
// console variables ResX, ResY, BPP, RefreshRate, Fullscreen and VSync, and
// the values obtained are written back. Other rendering modules (2D overlays,
// video textures...) hear about mode creation, loss, reset and shutdown
// through VideoListener. The classes named below are this room's GPU objects;
// this header only declares them, so each of them may include it.
// Builds on device/GraphicsDevice.h, console/CVarRegistry and tier0 (Matrix4x4).
#pragma once

#include "render/device/GraphicsDevice.h"
#include "tier0/Matrix.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class DepthStencilBuffer;
class DeviceVertexFormat;
class FontResource;
class IndexBuffer;
class RenderEffect;
class Texture;
class VertexBuffer;
class VideoManager;

struct DisplayMode {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bpp = 0;
  bool fullscreen = false;
  bool vsync = false;
  uint32_t refreshRate = 0;
};

// The stream instanced draws take their copies' data from.
constexpr uint32_t kInstanceStream = 1;

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
  // Keeps the draws that follow inside (x1, y1)-(x2, y2), in pixels of the
  // current target; false switches the test off.
  virtual void SetScissor(bool enabled, uint32_t x1 = 0, uint32_t y1 = 0, uint32_t x2 = 0,
                          uint32_t y2 = 0) = 0;
  // Keeps only the parts of the draws that follow on the inner side of each
  // plane, given in clip space (a x + b y + c z + d w >= 0), at most
  // kMaxClipPlanes; no planes switch clipping off.
  virtual void SetClipPlanes(const Vector4D* planes, uint32_t count) = 0;
  virtual bool Clear(bool color, bool depth, bool stencil) = 0;
  virtual bool BeginScene() = 0;
  virtual bool EndScene() = 0;
  virtual bool Present() = 0;
  virtual bool DrawPrimitive(uint32_t kind, uint32_t startVertex, uint32_t primitiveCount) = 0;
  virtual bool DrawIndexedPrimitive(uint32_t kind, int32_t baseVertex, uint32_t vertexCount,
                                    uint32_t startIndex, uint32_t primitiveCount) = 0;
  // One draw of `instances` copies; counts as one draw of all their primitives.
  virtual bool DrawIndexedPrimitiveInstanced(uint32_t kind, int32_t baseVertex,
                                             uint32_t vertexCount, uint32_t startIndex,
                                             uint32_t primitiveCount, uint32_t instances) = 0;
  virtual Texture* GetRenderTarget() = 0;
  virtual DepthStencilBuffer* GetDepthStencilBuffer() = 0;
  virtual void ReleaseBindings() = 0;
  virtual void OnModeCreated();
  virtual void OnDeviceLost();
  virtual void OnDeviceReset();
  virtual void Shutdown();

  // The device, once a mode has made one (it may be lost: see IsDeviceReady).
  virtual GDevice* GetDevice() const = 0;
  // True when a device exists and is not lost.
  virtual bool IsDeviceReady() = 0;
  // Binds a GPU object for the draws that follow; the manager keeps it bound
  // (and binds it again after a device reset) until another takes its place.
  virtual bool ActivateVertexFormat(DeviceVertexFormat* format) = 0;
  // The format's instanced declaration (DeviceVertexFormat::GetInstancedDeclaration);
  // false when it has none.
  virtual bool ActivateInstancedFormat(DeviceVertexFormat* format) = 0;
  // The copies' data of the instanced draws that follow, from copy `first`
  // of the buffer on (null: none, the stream is per vertex again).
  virtual bool ActivateInstanceBuffer(VertexBuffer* buffer, uint32_t first = 0) = 0;
  virtual bool ActivateVertexBuffer(VertexBuffer* buffer, uint32_t stream) = 0;
  virtual bool ActivateIndexBuffer(IndexBuffer* buffer) = 0;
  // face: of a cube target, 1 to 6 for +X, -X, +Y, -Y, +Z, -Z (other
  // numbers give +X); of any other target, 0.
  virtual bool ActivateRenderTarget(Texture* texture, uint32_t face) = 0;
  virtual bool ActivateDepthStencilBuffer(DepthStencilBuffer* buffer) = 0;

  // 2D overlays: screen pixels of the current mode, (0, 0) at the top left;
  // one of quads or text at a time, each ended by its End.
  virtual bool BeginQuads(Texture* texture = nullptr, RenderEffect* effect = nullptr) = 0;
  virtual bool AddQuad(float x1, float y1, float x2, float y2, float red, float green, float blue,
                       float alpha, float s1 = 0.0f, float t1 = 0.0f, float s2 = 1.0f,
                       float t2 = 1.0f) = 0;
  virtual bool EndQuads() = 0;
  virtual bool BeginFont(FontResource* font) = 0;
  virtual bool AddText(std::string_view text, float x, float y, float red, float green, float blue,
                       float alpha, float scaleX = 1.0f, float scaleY = 1.0f) = 0;
  virtual bool EndFont() = 0;

  // Draws issued since the manager started and the primitives they drew:
  // where every count of draws (statistics, profiler) comes from.
  uint64_t GetDrawCount() const { return m_drawCount; }
  uint64_t GetPrimitiveCount() const { return m_primitiveCount; }

  // modeSet; the mode in effect into *mode.
  bool GetDisplayMode(DisplayMode* mode) const;
  void GetClearColor(float* red, float* green, float* blue, float* alpha) const;
  float GetClearDepth() const { return m_clearDepth; }
  uint32_t GetClearStencil() const { return m_clearStencil; }
  // Orthographic pixels-to-clip projection of the current mode (engine layout).
  const Matrix4x4& Get2DProjection() const { return m_projection2D; }
  // The same projection for any screen size.
  static Matrix4x4 Make2DProjection(uint32_t width, uint32_t height);

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
  VideoManager() = default;
  void Recompute2DProjection();
  // A draw the device accepted.
  void CountDraw(uint32_t primitives);

  DisplayMode m_mode;
  bool m_modeSet = false;
  float m_clearColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float m_clearDepth = 1.0f;
  uint32_t m_clearStencil = 0;
  Matrix4x4 m_projection2D;
  std::vector<VideoListener*> m_listeners;
  std::chrono::steady_clock::time_point m_startTime = std::chrono::steady_clock::now();
  std::function<double()> m_timeSource;
  double m_timeSourceStart = 0.0;
  uint64_t m_drawCount = 0;
  uint64_t m_primitiveCount = 0;
};

// The single manager, or null before CreateVideoManager (render/
// DeviceVideoManager.h) has started one; SetVideoManager is how it is installed.
VideoManager* GetVideoManager();
void SetVideoManager(VideoManager* manager);
// The manager's device when it exists and is not lost.
GDevice* GetRenderDevice();
