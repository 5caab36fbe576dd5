// GLDevice.h - the graphics device over OpenGL 3.3 core in an SDL2 GL context.
//
// The system object owns the GL context of the launcher's window (created
// with SDL_WINDOW_OPENGL). Direct3D's back buffer is the window's own
// framebuffer where that matches it (its size, colour and depth bits, one
// sample a pixel) and keeps the picture presented for a screenshot to read:
// Present only swaps. Elsewhere it is a framebuffer object of ours (a colour
// texture and a depth buffer) that Present blits to the window. Direct3D's
// conventions are kept here: every vertex stage ends with an epilogue that
// maps depth 0..1 to GL's -1..1 and flips y into texture targets (so row 0
// of every texture is the top), clockwise triangles are front faces, and
// matrices go up row-major. Resources keep a CPU copy (SoftResources) and
// send locked ranges to the GPU at unlock. Alpha testing, gone from core GL,
// runs in a fragment epilogue. Vertex attributes are bound by usage to fixed
// locations (see kAttributeNames in GLEffect.cpp and docs/effects.md).
// Defined in GLSystem.cpp (system), GLResources.cpp (surfaces, textures,
// buffers, creation), GLStates.cpp (render and sampler states), GLDevice.cpp
// (targets, draws), GLBackBuffer.cpp (the back buffer, presentation,
// read-back) and GLEffect.cpp (effects).
// Depends on: GraphicsDevice.h, SoftResources.h, GEffect.h, GLFunctions.h, SDL2.
#pragma once

#include "render/device/GraphicsDevice.h"
#include "render/device/SoftResources.h"
#include "render/effect/GEffect.h"
#include "render/gl/GLFunctions.h"

#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace gldev {

class Device;

// Location of a vertex attribute by declaration usage and usage index, or -1.
int AttributeLocation(uint8_t usage, uint8_t usageIndex);

struct GLFormat {
  GLenum internal = 0, format = 0, type = 0;
  GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
  bool compressed = false;
};

// The GL storage of a device format (false when GL has none here); the
// device's own mapping, keyed by the engine's format enumeration.
bool LookupFormat(Format f, bool s3tc, GLFormat* out);
GLenum DepthInternal(Format f);

// What the context offers beyond OpenGL 3.3 core that the device uses.
struct GLExtensions {
  bool s3tc = false;    // DXT textures stay compressed
  bool gather = false;  // GL_ARB_gpu_shader5: shaders may gather one channel of four texels
  // A swap copies the back buffer to the screen and leaves it as it was
  // (Mesa's software rasterizers); elsewhere it is undefined after a swap.
  bool swapKeepsBackBuffer = false;
  // SDL's off-screen driver gives its window a framebuffer once, at the size
  // the window was made with, and never resizes it: that size (else 0).
  int fixedWidth = 0, fixedHeight = 0;
};

class System : public GSystem {
 public:
  System(void* window, void* context, GLExtensions extensions);
  uint32_t GetAdapterCount() override { return 1; }
  GResult GetAdapterIdentifier(uint32_t adapter, GAdapterIdentifier* id) override;
  GResult GetAdapterDisplayMode(uint32_t adapter, GAdapterMode* mode) override;
  uint32_t GetAdapterModeCount(uint32_t adapter, Format format) override;
  GResult EnumAdapterModes(uint32_t adapter, Format format, uint32_t index,
                           GAdapterMode* mode) override;
  GResult GetDeviceCaps(uint32_t adapter, GDevType type, GCaps* caps) override;
  GResult CreateDevice(uint32_t adapter, GDevType type, void* window, uint32_t behaviourFlags,
                       GPresentParameters* pp, GDevice** device) override;
  GRect GetDesktopRect() override;
  bool GetClientSize(void* window, uint32_t* width, uint32_t* height) override;
  void PlaceWindow(void* window, const GRect& desktop, uint32_t width, uint32_t height) override;
  void ShowWindow(void* window) override;
  void ClientToScreen(void* window, int32_t* x, int32_t* y) override;

  void* Window() const { return m_window; }
  // The size of the window's framebuffer in pixels.
  void DrawableSize(int* width, int* height) const;
  bool HasS3TC() const { return m_extensions.s3tc; }
  bool HasGather() const { return m_extensions.gather; }
  bool SwapKeepsBackBuffer() const { return m_extensions.swapKeepsBackBuffer; }
  void DeviceGone() { m_device = nullptr; }
  GCaps Caps() const { return m_caps; }

 protected:
  ~System() override;

 private:
  std::vector<GAdapterMode> ModesOf(Format format);

  void* m_window;
  void* m_context;
  GLExtensions m_extensions;
  Device* m_device = nullptr;
  GCaps m_caps;
  std::string m_renderer, m_version;
};

// Surfaces that own GL storage: the back buffer's colour texture, a depth
// renderbuffer; texture levels point at their texture.
class Surface : public SoftSurface {
 public:
  Surface(Device* device, SurfaceKind kind, const GSurfaceDesc& desc);
  Surface(Device* device, SoftTexture* texture, uint32_t face, uint32_t level);
  GLuint colorTexture = 0;  // SURF_BACKBUFFER
  GLuint renderbuffer = 0;  // SURF_DEPTHSTENCIL

 protected:
  ~Surface() override;
};

class Texture : public SoftTexture {
 public:
  Texture(Device* device, GTextureType type, uint32_t width, uint32_t height, uint32_t depth,
          uint32_t levels, uint32_t usage, Format format, GPool pool);
  GResult GetSurfaceLevel(uint32_t face, uint32_t level, GSurface** surface) override;
  bool Create();
  GLuint Name() const { return m_name; }
  GLenum Target() const { return m_target; }

 protected:
  ~Texture() override;
  void OnUnlock(uint32_t face, uint32_t level) override;
  Device* m_gl;
  GLuint m_name = 0;
  GLenum m_target = 0;
};

class VertexBuffer : public SoftVertexBuffer {
 public:
  VertexBuffer(Device* device, uint32_t length, uint32_t usage, GPool pool);
  GLuint Name() const { return m_name; }

 protected:
  ~VertexBuffer() override;
  void OnUnlock(uint32_t offset, uint32_t size, bool discard) override;
  GLuint m_name = 0;
};

class IndexBuffer : public SoftIndexBuffer {
 public:
  IndexBuffer(Device* device, uint32_t length, uint32_t usage, Format format, GPool pool);
  GLuint Name() const { return m_name; }

 protected:
  ~IndexBuffer() override;
  void OnUnlock(uint32_t offset, uint32_t size, bool discard) override;
  GLuint m_name = 0;
};

// What a program holds of the device's orientation: the location of its
// epilogue's y sign (kaz_FlipY) and the sign last set there.
struct ProgramOrientation {
  GLint flipY = -1;
  float value = 0.0f;
};

class Device : public GDevice {
 public:
  Device(System* system, const GPresentParameters& pp);
  bool Init(std::string* reason);

  GResult TestCooperativeLevel() override { return G_OK; }
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
  // The clip planes as vertex stages read them (kaz_ClipPlanes): a plane not
  // enabled is all zeros, a distance that keeps everything (Mesa's software
  // rasterizer clips by the distances a shader writes, enabled or not). The
  // version changes with the planes and their enabling, so a program uploads
  // them only then.
  const float* ShaderClipPlanes();
  uint32_t ClipPlaneVersion() const { return m_clipVersion; }
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

  // For resources and effects of this device.
  bool HasS3TC() const { return m_system->HasS3TC(); }
  bool HasGather() const { return m_system->HasGather(); }
  // Texture unit used for uploads, so the sampler units' bindings stay put.
  static constexpr GLenum kUploadUnit = GL_TEXTURE0 + kMaxSamplers;
  // The program and where its epilogue's y sign lives (null: it has none).
  void UseProgram(GLuint program, ProgramOrientation* orientation);
  GLuint CurrentProgram() const { return m_program; }
  uint32_t RenderState(GRenderState s) const { return m_rs[s]; }

 protected:
  ~Device() override;

 private:
  bool CreateBackBuffer(std::string* reason);
  void DestroyBackBuffer();
  void ApplyWindowMode(const GPresentParameters& pp);
  void ApplyAllStates();
  void ApplyRenderState(GRenderState s);
  void ApplyBlend();
  void ApplyStencil();
  void ApplySampler(uint32_t unit);
  void ApplyDirtySamplers();
  bool PrepareTarget();
  bool PrepareDraw(bool indexed);
  // Whether the window's framebuffer can stand for the back buffer as it is now.
  bool WindowFits() const;
  // Draws go upright into the window (true) or flipped into a texture.
  bool DrawsToWindow() const { return m_inWindow && m_renderTarget == m_backBuffer; }
  // GL's bottom-up y of a rectangle given from the top of the current target.
  GLint GlY(int32_t top, int32_t height) const;
  // Viewport, scissor box and front face for the current target's orientation.
  void ApplyOrientation();
  void ApplyScissor();
  // The back buffer moves into our texture (its picture so far with it).
  void LeaveWindow(bool keepPicture);
  GResult ReadColor(GSurface* source, GSurface* dest, bool front);
  void ReadWindow(SoftSurface* dest);
  void BindCurrentTarget() {
    kgl::BindFramebuffer(GL_FRAMEBUFFER, DrawsToWindow() ? 0 : m_drawFbo);
  }
  void ReleaseBindings();

  System* m_system;
  GPresentParameters m_pp;
  bool m_inScene = false;
  GViewport m_viewport;
  GRect m_scissor;
  float m_clipPlanes[kMaxClipPlanes][4] = {};
  float m_shaderClipPlanes[kMaxClipPlanes][4] = {};
  uint32_t m_clipVersion = 1, m_shaderClipVersion = 0;
  uint32_t m_rs[GRS_MAX];
  uint32_t m_ss[kMaxSamplers][GSAMP_MAX];
  // What GL's sampler objects hold. Effects set their sampler states at each
  // pass and put the old ones back at End: those changes reach GL only at
  // the next draw, and only where the states then differ, since every
  // sampler change costs the driver a new sampler state.
  uint32_t m_appliedSs[kMaxSamplers][GSAMP_MAX];
  uint32_t m_dirtySamplers = 0;  // a bit per unit whose m_ss may differ from m_appliedSs
  GLuint m_samplers[kMaxSamplers] = {};
  GTexture* m_textures[kMaxSamplers] = {};
  GVertexDeclaration* m_decl = nullptr;
  GVertexBuffer* m_streams[kMaxStreams] = {};
  uint32_t m_streamOffset[kMaxStreams] = {}, m_streamStride[kMaxStreams] = {};
  uint32_t m_streamDivisor[kMaxStreams] = {};
  uint32_t m_attribDivisor[16] = {};  // what GL holds per attribute location
  GIndexBuffer* m_indices = nullptr;
  Surface* m_backBuffer = nullptr;
  Surface* m_autoDepth = nullptr;
  GSurface* m_renderTarget = nullptr;
  GSurface* m_depthStencil = nullptr;
  GLuint m_vao = 0, m_drawFbo = 0, m_presentFbo = 0, m_readFbo = 0;
  // The back buffer is the window's framebuffer (m_inWindow) while the
  // window fits it; a back buffer drawn with a depth buffer of the caller's
  // own moves into our texture until the next reset (m_windowRefused).
  bool m_windowUsable = false;
  bool m_inWindow = false, m_windowRefused = false;
  // The last picture presented is in the window's framebuffer (else in our texture).
  bool m_presentedInWindow = false;
  float m_flipY = -1.0f;  // the epilogue's y sign for the current target
  GLuint m_program = 0;
  ProgramOrientation* m_programOrientation = nullptr;
  bool m_targetDirty = true, m_vaoDirty = true;
  uint32_t m_enabledAttribs = 0;
  GLuint m_boundElementBuffer = 0;
};

class Effect : public GEffect {
 public:
  Effect(Device* device, EffectDesc desc);
  // Compiles every pass of every technique lazily; a pass that fails keeps its error text.
  const std::string& LastError() const { return m_lastError; }

 protected:
  ~Effect() override;
  bool CompilePass(uint32_t tech, uint32_t pass, std::string* error) override;
  GResult ApplyPass(uint32_t tech, uint32_t pass) override;
  void UploadValues(uint32_t tech, uint32_t pass) override;

 private:
  struct Program {
    GLuint name = 0;
    std::vector<GLint> locations;    // per parameter
    std::vector<uint32_t> versions;  // last uploaded version per parameter
    GLint alphaFunc = -1, alphaRef = -1;
    uint32_t lastAlphaFunc = 0xFFFFFFFF, lastAlphaRef = 0xFFFFFFFF;
    GLint clipPlanes = -1;
    uint32_t clipVersion = 0;  // the device's clip planes last uploaded
    ProgramOrientation orientation;
  };
  // Vertex shader, pixel shader, alpha-tested epilogue.
  using ProgramKey = std::tuple<std::string, std::string, bool>;
  std::string BuildSource(const EffectPass& pass, EffectStage stage, bool alphaTest) const;
  std::string MapLog(const std::string& log) const;
  Program* GetProgram(uint32_t tech, uint32_t pass, bool alphaTest, std::string* error);
  bool AlphaTestWanted() const;
  // Makes the variant the device's alpha test asks for current; null when it cannot be built.
  Program* SelectProgram(uint32_t tech, uint32_t pass);

  Device* m_gl;
  std::map<ProgramKey, Program> m_programs;
  std::map<ProgramKey, std::string> m_failed;
  // Per technique and pass: the programs without and with the alpha test.
  std::vector<std::vector<std::array<Program*, 2>>> m_passPrograms;
  std::string m_lastError;
};

}  // namespace gldev

// The OpenGL system object for the launcher's SDL window (an SDL_Window*
// created with SDL_WINDOW_OPENGL): creates the GL 3.3 core context. Null with
// the reason when OpenGL cannot be had.
GSystem* CreateGLSystem(void* window, std::string* reason);
