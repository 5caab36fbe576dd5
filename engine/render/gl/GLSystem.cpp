// GLSystem.cpp - the OpenGL system object: the context, the adapter and modes, the window.
#include "render/gl/GLDevice.h"

#include <SDL2/SDL.h>

#include <cstring>

namespace gldev {

// ---------------------------------------------------------------------------
// System

System::System(void* window, void* context, GLExtensions extensions)
    : m_window(window), m_context(context), m_extensions(extensions) {
  const char* r = reinterpret_cast<const char*>(kgl::GetString(GL_RENDERER));
  const char* v = reinterpret_cast<const char*>(kgl::GetString(GL_VERSION));
  m_renderer = r ? r : "OpenGL";
  m_version = v ? v : "";
  GLint maxTex = 0, max3D = 0;
  kgl::GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTex);
  kgl::GetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &max3D);
  // GLSL 3.30 does everything shader model 3.0 asks of a technique.
  m_caps.vertexShaderVersion = VertexShaderVersion(3, 0);
  m_caps.pixelShaderVersion = PixelShaderVersion(3, 0);
  m_caps.maxTextureWidth = m_caps.maxTextureHeight = uint32_t(maxTex);
  m_caps.maxVolumeExtent = uint32_t(max3D);
  m_caps.compressedTextures = extensions.s3tc;
  m_caps.textureGather = extensions.gather;
}

System::~System() {
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
}

GResult System::GetAdapterIdentifier(uint32_t adapter, GAdapterIdentifier* id) {
  if (adapter != 0 || !id) return GERR_INVALIDCALL;
  id->description = m_renderer;
  id->driver = std::string("OpenGL ") + m_version;
  // "4.5 (Core Profile) Mesa 22.3.6": the numbers of the driver's version.
  uint32_t parts[4] = {0, 0, 0, 0};
  size_t mesa = m_version.find("Mesa ");
  const char* p = m_version.c_str() + (mesa == std::string::npos ? 0 : mesa + 5);
  for (int i = 0; i < 4 && *p; ++i) {
    while (*p && (*p < '0' || *p > '9')) ++p;
    while (*p >= '0' && *p <= '9') parts[i] = parts[i] * 10 + uint32_t(*p++ - '0');
    if (*p != '.') break;
  }
  id->driverVersion = (uint64_t(parts[0] & 0xFFFF) << 48) | (uint64_t(parts[1] & 0xFFFF) << 32) |
                      (uint64_t(parts[2] & 0xFFFF) << 16) | uint64_t(parts[3] & 0xFFFF);
  return G_OK;
}

GResult System::GetAdapterDisplayMode(uint32_t adapter, GAdapterMode* mode) {
  if (adapter != 0 || !mode) return GERR_INVALIDCALL;
  int display = SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(m_window));
  SDL_DisplayMode dm;
  if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &dm) != 0) return GERR_NOTAVAILABLE;
  mode->width = uint32_t(dm.w);
  mode->height = uint32_t(dm.h);
  mode->refreshRate = uint32_t(dm.refresh_rate);
  mode->format = SDL_BITSPERPIXEL(dm.format) == 16 ? FMT_R5G6B5 : FMT_X8R8G8B8;
  return G_OK;
}

std::vector<GAdapterMode> System::ModesOf(Format format) {
  std::vector<GAdapterMode> modes;
  // The back buffer is our own framebuffer object, so every display mode
  // serves both a 32-bit and a 16-bit back buffer.
  if (format != FMT_X8R8G8B8 && format != FMT_R5G6B5) return modes;
  int display = SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(m_window));
  if (display < 0) display = 0;
  int n = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode dm;
    if (SDL_GetDisplayMode(display, i, &dm) != 0 || dm.w <= 0 || dm.h <= 0) continue;
    modes.push_back({uint32_t(dm.w), uint32_t(dm.h), uint32_t(dm.refresh_rate), format});
  }
  return modes;
}

uint32_t System::GetAdapterModeCount(uint32_t adapter, Format format) {
  return adapter == 0 ? uint32_t(ModesOf(format).size()) : 0;
}

GResult System::EnumAdapterModes(uint32_t adapter, Format format, uint32_t index,
                                 GAdapterMode* mode) {
  if (adapter != 0 || !mode) return GERR_INVALIDCALL;
  std::vector<GAdapterMode> modes = ModesOf(format);
  if (index >= modes.size()) return GERR_INVALIDCALL;
  *mode = modes[index];
  return G_OK;
}

GResult System::GetDeviceCaps(uint32_t adapter, GDevType type, GCaps* caps) {
  if (adapter != 0 || !caps) return GERR_INVALIDCALL;
  *caps = m_caps;
  return G_OK;
}

GResult System::CreateDevice(uint32_t adapter, GDevType, void* window, uint32_t,
                             GPresentParameters* pp, GDevice** device) {
  if (!device || !pp || adapter != 0 || window != m_window) return GERR_INVALIDCALL;
  *device = nullptr;
  if (m_device) return GERR_INVALIDCALL;  // one device per context
  if (SDL_GL_MakeCurrent(static_cast<SDL_Window*>(m_window),
                         static_cast<SDL_GLContext>(m_context)) != 0)
    return GERR_NOTAVAILABLE;
  Device* d = new Device(this, *pp);
  std::string reason;
  if (!d->Init(&reason)) {
    d->Release();
    return GERR_NOTAVAILABLE;
  }
  m_device = d;
  *device = d;
  return G_OK;
}

GRect System::GetDesktopRect() {
  GRect r;
  GAdapterMode m;
  if (GSucceeded(GetAdapterDisplayMode(0, &m))) {
    r.right = int32_t(m.width);
    r.bottom = int32_t(m.height);
  }
  return r;
}

bool System::GetClientSize(void* window, uint32_t* width, uint32_t* height) {
  int w = 0, h = 0;
  SDL_GetWindowSize(static_cast<SDL_Window*>(window), &w, &h);
  *width = uint32_t(std::max(w, 0));
  *height = uint32_t(std::max(h, 0));
  return w > 0 && h > 0;
}

void System::PlaceWindow(void* window, const GRect& desktop, uint32_t width, uint32_t height) {
  SDL_Window* w = static_cast<SDL_Window*>(window);
  SDL_SetWindowSize(w, int(width), int(height));
  SDL_SetWindowPosition(w, desktop.right / 2 - int(width) / 2,
                        desktop.bottom / 2 - int(height) / 2);
}

void System::DrawableSize(int* width, int* height) const {
  if (m_extensions.fixedWidth > 0) {
    *width = m_extensions.fixedWidth;
    *height = m_extensions.fixedHeight;
    return;
  }
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(m_window), width, height);
}

void System::ShowWindow(void* window) {
  SDL_ShowWindow(static_cast<SDL_Window*>(window));
  SDL_RaiseWindow(static_cast<SDL_Window*>(window));
}

void System::ClientToScreen(void* window, int32_t* x, int32_t* y) {
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(static_cast<SDL_Window*>(window), &wx, &wy);
  *x += wx;
  *y += wy;
}

}  // namespace gldev

GSystem* CreateGLSystem(void* window, std::string* reason) {
  SDL_Window* w = static_cast<SDL_Window*>(window);
  if (!w) {
    *reason = "no window";
    return nullptr;
  }
  if (!(SDL_GetWindowFlags(w) & SDL_WINDOW_OPENGL)) {
    *reason = "the window was not created for OpenGL";
    return nullptr;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext ctx = SDL_GL_CreateContext(w);
  if (!ctx) {
    *reason = SDL_GetError();
    return nullptr;
  }
  std::string missing;
  if (!kgl::Load(&missing)) {
    *reason = "missing OpenGL function " + missing;
    SDL_GL_DeleteContext(ctx);
    return nullptr;
  }
  gldev::GLExtensions ext;
  GLint n = 0;
  kgl::GetIntegerv(GL_NUM_EXTENSIONS, &n);
  for (GLint i = 0; i < n; ++i) {
    const char* e = reinterpret_cast<const char*>(kgl::GetStringi(GL_EXTENSIONS, GLuint(i)));
    if (e && std::strcmp(e, "GL_EXT_texture_compression_s3tc") == 0) ext.s3tc = true;
    if (e && std::strcmp(e, "GL_ARB_gpu_shader5") == 0) ext.gather = true;
  }
  // A software rasterizer (Mesa's llvmpipe, softpipe) decodes a compressed
  // block for every texel it fetches: decoded once at upload, a DXT texture
  // takes four to eight times the memory and much less of each frame (a
  // tenth of the cove's ambient pass where its sky fills the screen).
  // KAZ_GL_S3TC=1 keeps them compressed there too.
  const char* renderer = reinterpret_cast<const char*>(kgl::GetString(GL_RENDERER));
  const bool software =
      renderer && (std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe"));
  const char* keep = SDL_getenv("KAZ_GL_S3TC");
  if (software && !(keep && *keep == '1')) ext.s3tc = false;
  ext.swapKeepsBackBuffer = software;
  if (const char* driver = SDL_GetCurrentVideoDriver();
      driver && !std::strcmp(driver, "offscreen")) {
    GLint viewport[4] = {};
    kgl::GetIntegerv(GL_VIEWPORT, viewport);  // the drawable's size on first use of the context
    ext.fixedWidth = viewport[2];
    ext.fixedHeight = viewport[3];
  }
  // Tests switch them off to see the paths a plainer driver takes.
  if (const char* off = SDL_getenv("KAZ_GL_NO_S3TC"); off && *off == '1') ext.s3tc = false;
  if (const char* off = SDL_getenv("KAZ_GL_NO_GATHER"); off && *off == '1') ext.gather = false;
  return new gldev::System(window, ctx, ext);
}

GSystem* CreatePlatformGraphicsSystem(void* window, std::string* reason) {
  return CreateGLSystem(window, reason);
}
