// GraphicsDevice.h - the abstract graphics device the renderer is written against.
//
// A small Direct3D 9-shaped interface: a system object (adapters, display
// modes, window placement, device creation), a device (state, draws, clears,
// presentation, loss and reset) and reference-counted resources (buffers,
// declarations, textures, surfaces, effects). Results are 32-bit codes where a
// negative value is a failure; GetErrorName() turns one into text for logs.
// Direct3D's conventions hold at this boundary: depth 0..1, the top row of an
// image first, clockwise front faces, row-major matrices. Implementations:
// gl/GLDevice (OpenGL 3.3 core through SDL2) and fake/FakeDevice (tests).
// Depends on: tier0/Ref.h (the reference count) and the standard library.
#pragma once

#include "tier0/Ref.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using GResult = int32_t;

inline bool GFailed(GResult r) {
  return r < 0;
}
inline bool GSucceeded(GResult r) {
  return r >= 0;
}

constexpr GResult G_OK = 0;
constexpr GResult GERR_WRONGTEXTUREFORMAT = int32_t(0x88760818);
constexpr GResult GERR_UNSUPPORTEDCOLOROPERATION = int32_t(0x88760819);
constexpr GResult GERR_DRIVERINTERNALERROR = int32_t(0x88760827);
constexpr GResult GERR_NOTFOUND = int32_t(0x88760866);
constexpr GResult GERR_MOREDATA = int32_t(0x88760867);
constexpr GResult GERR_DEVICELOST = int32_t(0x88760868);
constexpr GResult GERR_DEVICENOTRESET = int32_t(0x88760869);
constexpr GResult GERR_NOTAVAILABLE = int32_t(0x8876086A);
constexpr GResult GERR_OUTOFVIDEOMEMORY = int32_t(0x8876017C);
constexpr GResult GERR_INVALIDDEVICE = int32_t(0x8876086B);
constexpr GResult GERR_INVALIDCALL = int32_t(0x8876086C);
constexpr GResult GERR_WASSTILLDRAWING = int32_t(0x8876021C);
constexpr GResult GERR_INVALIDDATA = int32_t(0x88760B59);
constexpr GResult GERR_COMPILEFAILED = int32_t(0x88760B5A);
constexpr GResult GERR_OUTOFMEMORY = int32_t(0x8007000E);
constexpr GResult GERR_FAIL = int32_t(0x80004005);

// Name ("GERR_DEVICELOST") and one-line description of a result; unknown
// codes give "UNKNOWN_ERROR" and "Unknown error.".
const char* GetErrorName(GResult r);
const char* GetErrorDescription(GResult r);

// Pixel and buffer formats, numbered as Direct3D 9 numbers them.
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
         (uint32_t(uint8_t(d)) << 24);
}
enum Format : uint32_t {
  FMT_UNKNOWN = 0,
  FMT_R8G8B8 = 20,
  FMT_A8R8G8B8 = 21,
  FMT_X8R8G8B8 = 22,
  FMT_R5G6B5 = 23,
  FMT_X1R5G5B5 = 24,
  FMT_A1R5G5B5 = 25,
  FMT_A4R4G4B4 = 26,
  FMT_R3G3B2 = 27,
  FMT_A8 = 28,
  FMT_A8R3G3B2 = 29,
  FMT_X4R4G4B4 = 30,
  FMT_A2B10G10R10 = 31,
  FMT_A8B8G8R8 = 32,
  FMT_X8B8G8R8 = 33,
  FMT_G16R16 = 34,
  FMT_A2R10G10B10 = 35,
  FMT_A16B16G16R16 = 36,
  FMT_A8P8 = 40,
  FMT_P8 = 41,
  FMT_L8 = 50,
  FMT_A8L8 = 51,
  FMT_A4L4 = 52,
  FMT_V8U8 = 60,
  FMT_L6V5U5 = 61,
  FMT_X8L8V8U8 = 62,
  FMT_Q8W8V8U8 = 63,
  FMT_V16U16 = 64,
  FMT_A2W10V10U10 = 67,
  FMT_UYVY = MakeFourCC('U', 'Y', 'V', 'Y'),
  FMT_R8G8_B8G8 = MakeFourCC('R', 'G', 'B', 'G'),
  FMT_YUY2 = MakeFourCC('Y', 'U', 'Y', '2'),
  FMT_G8R8_G8B8 = MakeFourCC('G', 'R', 'G', 'B'),
  FMT_DXT1 = MakeFourCC('D', 'X', 'T', '1'),
  FMT_DXT2 = MakeFourCC('D', 'X', 'T', '2'),
  FMT_DXT3 = MakeFourCC('D', 'X', 'T', '3'),
  FMT_DXT4 = MakeFourCC('D', 'X', 'T', '4'),
  FMT_DXT5 = MakeFourCC('D', 'X', 'T', '5'),
  FMT_D16_LOCKABLE = 70,
  FMT_D32 = 71,
  FMT_D15S1 = 73,
  FMT_D24S8 = 75,
  FMT_D24X8 = 77,
  FMT_D24X4S4 = 79,
  FMT_D16 = 80,
  FMT_L16 = 81,
  FMT_D32F_LOCKABLE = 82,
  FMT_D24FS8 = 83,
  FMT_D32_LOCKABLE = 84,
  FMT_S8_LOCKABLE = 85,
  FMT_VERTEXDATA = 100,
  FMT_INDEX16 = 101,
  FMT_INDEX32 = 102,
  FMT_Q16W16V16U16 = 110,
  FMT_MULTI2_ARGB8 = MakeFourCC('M', 'E', 'T', '1'),
  FMT_R16F = 111,
  FMT_G16R16F = 112,
  FMT_A16B16G16R16F = 113,
  FMT_R32F = 114,
  FMT_G32R32F = 115,
  FMT_A32B32G32R32F = 116,
  FMT_CxV8U8 = 117,
  FMT_A1 = 118,
  FMT_A2B10G10R10_XR_BIAS = 119,
  FMT_BINARYBUFFER = 199,
};

// Facts about formats, all read from the one format table (Formats.cpp).
bool IsCompressedFormat(Format f);
// Bytes per pixel of an uncompressed format (0 for those never locked pixel by pixel).
uint32_t GetFormatBytesPerPixel(Format f);
// Whether a device makes textures of the format, and can render into them.
bool IsTextureFormat(Format f);
bool IsRenderTargetFormat(Format f);
bool IsDepthFormat(Format f);
bool HasStencilBits(Format f);
// Bytes of one row of pixels (of 4x4 blocks for compressed formats) and of a
// whole level of width x height.
uint32_t GetFormatPitch(Format f, uint32_t width);
uint32_t GetFormatLevelSize(Format f, uint32_t width, uint32_t height);
uint32_t GetFormatRowCount(Format f, uint32_t height);

enum GPool : uint32_t {
  GPOOL_DEFAULT = 0,
  GPOOL_MANAGED = 1,
  GPOOL_SYSTEMMEM = 2,
  GPOOL_SCRATCH = 3
};
// Usage, lock and clear flags are bit sets.
constexpr uint32_t GUSAGE_RENDERTARGET = 0x1, GUSAGE_DEPTHSTENCIL = 0x2, GUSAGE_WRITEONLY = 0x8,
                   GUSAGE_DYNAMIC = 0x200;
constexpr uint32_t GLOCK_READONLY = 0x10, GLOCK_DISCARD = 0x2000, GLOCK_NOOVERWRITE = 0x1000;
constexpr uint32_t GCLEAR_TARGET = 1, GCLEAR_ZBUFFER = 2, GCLEAR_STENCIL = 4;

enum GDevType : uint32_t { GDEVTYPE_HAL = 1, GDEVTYPE_REF = 2 };
constexpr uint32_t GCREATE_SOFTWARE_VERTEXPROCESSING = 0x20,
                   GCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
enum GSwapEffect : uint32_t { GSWAPEFFECT_DISCARD = 1, GSWAPEFFECT_FLIP = 2, GSWAPEFFECT_COPY = 3 };
enum GPresentInterval : uint32_t {
  GPRESENT_INTERVAL_DEFAULT = 0,
  GPRESENT_INTERVAL_ONE = 1,
  GPRESENT_INTERVAL_TWO = 2,
  GPRESENT_INTERVAL_THREE = 4,
  GPRESENT_INTERVAL_FOUR = 8,
  GPRESENT_INTERVAL_IMMEDIATE = 0x80000000u,
};

enum GPrimitiveType : uint32_t {
  GPT_POINTLIST = 1,
  GPT_LINELIST = 2,
  GPT_LINESTRIP = 3,
  GPT_TRIANGLELIST = 4,
  GPT_TRIANGLESTRIP = 5,
  GPT_TRIANGLEFAN = 6,
};

// Render states by their Direct3D numbers; values as Direct3D defines them.
enum GRenderState : uint32_t {
  GRS_ZENABLE = 7,
  GRS_FILLMODE = 8,
  GRS_SHADEMODE = 9,
  GRS_ZWRITEENABLE = 14,
  GRS_ALPHATESTENABLE = 15,
  GRS_SRCBLEND = 19,
  GRS_DESTBLEND = 20,
  GRS_CULLMODE = 22,
  GRS_ZFUNC = 23,
  GRS_ALPHAREF = 24,
  GRS_ALPHAFUNC = 25,
  GRS_DITHERENABLE = 26,
  GRS_ALPHABLENDENABLE = 27,
  GRS_FOGENABLE = 28,
  GRS_SPECULARENABLE = 29,
  GRS_STENCILENABLE = 52,
  GRS_STENCILFAIL = 53,
  GRS_STENCILZFAIL = 54,
  GRS_STENCILPASS = 55,
  GRS_STENCILFUNC = 56,
  GRS_STENCILREF = 57,
  GRS_STENCILMASK = 58,
  GRS_STENCILWRITEMASK = 59,
  GRS_TEXTUREFACTOR = 60,
  GRS_LIGHTING = 137,
  GRS_CLIPPLANEENABLE = 152,  // bit i: user clip plane i (SetClipPlane)
  GRS_POINTSIZE = 154,
  GRS_COLORWRITEENABLE = 168,
  GRS_BLENDOP = 171,
  GRS_SCISSORTESTENABLE = 174,
  GRS_SLOPESCALEDEPTHBIAS = 175,
  GRS_DEPTHBIAS = 195,
  GRS_SEPARATEALPHABLENDENABLE = 206,
  GRS_SRCBLENDALPHA = 207,
  GRS_DESTBLENDALPHA = 208,
  GRS_BLENDOPALPHA = 209,
  GRS_MAX = 210,
};
enum GFillMode : uint32_t { GFILL_POINT = 1, GFILL_WIREFRAME = 2, GFILL_SOLID = 3 };
enum GCull : uint32_t { GCULL_NONE = 1, GCULL_CW = 2, GCULL_CCW = 3 };
enum GCmpFunc : uint32_t {
  GCMP_NEVER = 1,
  GCMP_LESS = 2,
  GCMP_EQUAL = 3,
  GCMP_LESSEQUAL = 4,
  GCMP_GREATER = 5,
  GCMP_NOTEQUAL = 6,
  GCMP_GREATEREQUAL = 7,
  GCMP_ALWAYS = 8,
};
enum GBlend : uint32_t {
  GBLEND_ZERO = 1,
  GBLEND_ONE = 2,
  GBLEND_SRCCOLOR = 3,
  GBLEND_INVSRCCOLOR = 4,
  GBLEND_SRCALPHA = 5,
  GBLEND_INVSRCALPHA = 6,
  GBLEND_DESTALPHA = 7,
  GBLEND_INVDESTALPHA = 8,
  GBLEND_DESTCOLOR = 9,
  GBLEND_INVDESTCOLOR = 10,
  GBLEND_SRCALPHASAT = 11,
};
enum GBlendOp : uint32_t {
  GBLENDOP_ADD = 1,
  GBLENDOP_SUBTRACT = 2,
  GBLENDOP_REVSUBTRACT = 3,
  GBLENDOP_MIN = 4,
  GBLENDOP_MAX = 5,
};
enum GStencilOp : uint32_t {
  GSTENCILOP_KEEP = 1,
  GSTENCILOP_ZERO = 2,
  GSTENCILOP_REPLACE = 3,
  GSTENCILOP_INCRSAT = 4,
  GSTENCILOP_DECRSAT = 5,
  GSTENCILOP_INVERT = 6,
  GSTENCILOP_INCR = 7,
  GSTENCILOP_DECR = 8,
};

enum GSamplerState : uint32_t {
  GSAMP_ADDRESSU = 1,
  GSAMP_ADDRESSV = 2,
  GSAMP_ADDRESSW = 3,
  GSAMP_BORDERCOLOR = 4,
  GSAMP_MAGFILTER = 5,
  GSAMP_MINFILTER = 6,
  GSAMP_MIPFILTER = 7,
  GSAMP_MIPMAPLODBIAS = 8,
  GSAMP_MAXMIPLEVEL = 9,
  GSAMP_MAXANISOTROPY = 10,
  GSAMP_MAX = 11,
};
enum GTextureAddress : uint32_t {
  GTADDRESS_WRAP = 1,
  GTADDRESS_MIRROR = 2,
  GTADDRESS_CLAMP = 3,
  GTADDRESS_BORDER = 4
};
enum GTextureFilter : uint32_t {
  GTEXF_NONE = 0,
  GTEXF_POINT = 1,
  GTEXF_LINEAR = 2,
  GTEXF_ANISOTROPIC = 3
};
constexpr uint32_t kMaxSamplers = 16;
constexpr uint32_t kMaxStreams = 16;
constexpr uint32_t kMaxClipPlanes = 6;

// Default value of every render state after creation and reset.
uint32_t GetDefaultRenderState(GRenderState state);
uint32_t GetDefaultSamplerState(GSamplerState state);

enum GDeclType : uint8_t {
  GDECLTYPE_FLOAT1 = 0,
  GDECLTYPE_FLOAT2 = 1,
  GDECLTYPE_FLOAT3 = 2,
  GDECLTYPE_FLOAT4 = 3,
  GDECLTYPE_D3DCOLOR = 4,
  GDECLTYPE_UNUSED = 17,
};
enum GDeclUsage : uint8_t {
  GDECLUSAGE_POSITION = 0,
  GDECLUSAGE_BLENDWEIGHT = 1,
  GDECLUSAGE_BLENDINDICES = 2,
  GDECLUSAGE_NORMAL = 3,
  GDECLUSAGE_PSIZE = 4,
  GDECLUSAGE_TEXCOORD = 5,
  GDECLUSAGE_TANGENT = 6,
  GDECLUSAGE_BINORMAL = 7,
  GDECLUSAGE_TESSFACTOR = 8,
  GDECLUSAGE_POSITIONT = 9,
  GDECLUSAGE_COLOR = 10,
  GDECLUSAGE_FOG = 11,
  GDECLUSAGE_DEPTH = 12,
  GDECLUSAGE_SAMPLE = 13,
};
constexpr uint8_t GDECLMETHOD_DEFAULT = 0;

struct GVertexElement {
  uint16_t stream;  // 0xFF ends the list
  uint16_t offset;
  uint8_t type;
  uint8_t method;
  uint8_t usage;
  uint8_t usageIndex;
};
constexpr GVertexElement kDeclEnd = {0xFF, 0, GDECLTYPE_UNUSED, 0, 0, 0};

struct GAdapterMode {
  uint32_t width = 0, height = 0, refreshRate = 0;
  Format format = FMT_UNKNOWN;
};
struct GAdapterIdentifier {
  std::string description;
  std::string driver;
  uint64_t driverVersion = 0;
};
struct GCaps {
  uint32_t vertexShaderVersion = 0;  // 0xFFFE0000 | major << 8 | minor
  uint32_t pixelShaderVersion = 0;   // 0xFFFF0000 | major << 8 | minor
  uint32_t maxTextureWidth = 0, maxTextureHeight = 0, maxVolumeExtent = 0;
  uint32_t maxStreams = kMaxStreams;
  bool compressedTextures = false;
  // Shaders may gather one channel of the four texels a lookup would filter.
  bool textureGather = false;
};
constexpr uint32_t VertexShaderVersion(uint32_t major, uint32_t minor) {
  return 0xFFFE0000u | (major << 8) | minor;
}
constexpr uint32_t PixelShaderVersion(uint32_t major, uint32_t minor) {
  return 0xFFFF0000u | (major << 8) | minor;
}

struct GPresentParameters {
  uint32_t backBufferWidth = 0, backBufferHeight = 0;
  Format backBufferFormat = FMT_UNKNOWN;
  uint32_t backBufferCount = 0;
  GSwapEffect swapEffect = GSWAPEFFECT_DISCARD;
  void* deviceWindow = nullptr;
  bool windowed = true;
  bool enableAutoDepthStencil = false;
  Format autoDepthStencilFormat = FMT_UNKNOWN;
  uint32_t fullScreenRefreshRate = 0;
  uint32_t presentationInterval = GPRESENT_INTERVAL_DEFAULT;
};

struct GViewport {
  uint32_t x = 0, y = 0, width = 0, height = 0;
  float minZ = 0.0f, maxZ = 1.0f;
};
struct GRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct GLockedRect {
  int32_t pitch = 0;
  void* bits = nullptr;
};
struct GLockedBox {
  int32_t rowPitch = 0, slicePitch = 0;
  void* bits = nullptr;
};

// Base of every device object: an intrusive reference count; the last
// Release() deletes the object. Release() returns the references left.
class GObject {
 public:
  GObject() = default;
  GObject(const GObject&) = delete;
  GObject& operator=(const GObject&) = delete;
  uint32_t AddRef() { return m_refs.Add(); }
  uint32_t Release() {
    if (m_refs.Release() != RefCount::kLast) return m_refs.Get();
    delete this;
    return 0;
  }
  uint32_t GetRefCount() const { return m_refs.Get(); }

 protected:
  virtual ~GObject() = default;

 private:
  RefCount m_refs{1};  // the creator's
};

// Releases *p and nulls it.
template <class T>
inline void SafeRelease(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}

// Points a device's binding slot at value, which gains a reference; the
// object it held loses one.
template <class T>
inline void Rebind(T*& slot, T* value) {
  if (slot == value) return;
  if (value) value->AddRef();
  if (slot) slot->Release();
  slot = value;
}

struct GSurfaceDesc {
  Format format = FMT_UNKNOWN;
  uint32_t usage = 0;
  GPool pool = GPOOL_DEFAULT;
  uint32_t width = 0, height = 0;
};

// A 2D image: a texture level, a render target, a depth-stencil buffer or an
// off-screen plain surface (the only kind that can be locked).
class GSurface : public GObject {
 public:
  virtual GResult GetDesc(GSurfaceDesc* desc) = 0;
  virtual GResult LockRect(GLockedRect* locked, uint32_t flags) = 0;
  virtual GResult UnlockRect() = 0;
};

enum GTextureType : uint32_t { GTEXTYPE_2D = 1, GTEXTYPE_CUBE = 2, GTEXTYPE_VOLUME = 3 };

// Cube faces are 0..5 (+X, -X, +Y, -Y, +Z, -Z); 2D and volume textures use face 0.
class GTexture : public GObject {
 public:
  virtual GTextureType GetType() const = 0;
  virtual uint32_t GetLevelCount() const = 0;
  virtual GResult GetLevelDesc(uint32_t level, GSurfaceDesc* desc) = 0;
  virtual uint32_t GetDepth(uint32_t level) const = 0;
  virtual GResult LockRect(uint32_t face, uint32_t level, GLockedRect* locked, uint32_t flags) = 0;
  virtual GResult UnlockRect(uint32_t face, uint32_t level) = 0;
  virtual GResult LockBox(uint32_t level, GLockedBox* locked, uint32_t flags) = 0;
  virtual GResult UnlockBox(uint32_t level) = 0;
  // Render-target textures only: the surface of one level and face.
  virtual GResult GetSurfaceLevel(uint32_t face, uint32_t level, GSurface** surface) = 0;
};

class GVertexBuffer : public GObject {
 public:
  virtual uint32_t GetLength() const = 0;
  virtual GResult Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
  virtual GResult Unlock() = 0;
};

class GIndexBuffer : public GObject {
 public:
  virtual uint32_t GetLength() const = 0;
  virtual Format GetFormat() const = 0;
  virtual GResult Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
  virtual GResult Unlock() = 0;
};

class GVertexDeclaration : public GObject {
 public:
  virtual const std::vector<GVertexElement>& GetElements() const = 0;
};

struct EffectDesc;  // EffectParser.h: the parsed effect file
class GEffect;      // GEffect.h

class GDevice : public GObject {
 public:
  virtual GResult TestCooperativeLevel() = 0;
  virtual GResult Reset(const GPresentParameters& pp) = 0;
  virtual GResult GetDeviceCaps(GCaps* caps) = 0;

  virtual GResult Clear(uint32_t flags, uint32_t argb, float z, uint32_t stencil) = 0;
  virtual GResult BeginScene() = 0;
  virtual GResult EndScene() = 0;
  virtual GResult Present() = 0;
  // Returns once the device has carried out every command given so far.
  virtual GResult Finish() = 0;

  virtual GResult SetViewport(const GViewport& vp) = 0;
  virtual GResult GetViewport(GViewport* vp) = 0;
  // The rectangle the scissor test (GRS_SCISSORTESTENABLE) keeps, in target
  // pixels, top row 0; a new render target resets it to the whole target.
  virtual GResult SetScissorRect(const GRect& rect) = 0;
  virtual GResult GetScissorRect(GRect* rect) = 0;
  // User clip plane `index` (below kMaxClipPlanes) as (a, b, c, d) in clip
  // space, where the vertex stage's position lies: a vertex p is kept where
  // a p.x + b p.y + c p.z + d p.w >= 0, while GRS_CLIPPLANEENABLE has bit `index`.
  virtual GResult SetClipPlane(uint32_t index, const float* plane) = 0;
  virtual GResult GetClipPlane(uint32_t index, float* plane) = 0;
  virtual GResult SetRenderState(GRenderState state, uint32_t value) = 0;
  virtual GResult GetRenderState(GRenderState state, uint32_t* value) = 0;
  virtual GResult SetSamplerState(uint32_t sampler, GSamplerState state, uint32_t value) = 0;
  virtual GResult GetSamplerState(uint32_t sampler, GSamplerState state, uint32_t* value) = 0;
  virtual GResult SetTexture(uint32_t sampler, GTexture* texture) = 0;

  virtual GResult SetVertexDeclaration(GVertexDeclaration* decl) = 0;
  virtual GResult SetStreamSource(uint32_t stream, GVertexBuffer* vb, uint32_t offset,
                                  uint32_t stride) = 0;
  virtual GResult SetIndices(GIndexBuffer* ib) = 0;
  virtual GResult DrawPrimitive(GPrimitiveType type, uint32_t startVertex,
                                uint32_t primitiveCount) = 0;
  virtual GResult DrawIndexedPrimitive(GPrimitiveType type, int32_t baseVertex, uint32_t minIndex,
                                       uint32_t numVertices, uint32_t startIndex,
                                       uint32_t primitiveCount) = 0;
  // How often a stream's vertices advance: 0 with every vertex, n once every
  // n instances of an instanced draw.
  virtual GResult SetStreamSourceFreq(uint32_t stream, uint32_t instanceDivisor) = 0;
  // The indexed draw repeated `instances` times.
  virtual GResult DrawIndexedPrimitiveInstanced(GPrimitiveType type, int32_t baseVertex,
                                                uint32_t minIndex, uint32_t numVertices,
                                                uint32_t startIndex, uint32_t primitiveCount,
                                                uint32_t instances) = 0;

  virtual GResult SetRenderTarget(uint32_t index, GSurface* surface) = 0;
  virtual GResult SetDepthStencilSurface(GSurface* surface) = 0;
  virtual GResult GetBackBuffer(uint32_t index, GSurface** surface) = 0;
  virtual GResult GetDepthStencilSurface(GSurface** surface) = 0;
  // Copies a render target into an off-screen plain surface of the same size.
  virtual GResult GetRenderTargetData(GSurface* renderTarget, GSurface* dest) = 0;
  // The last presented image, converted to A8R8G8B8, into an off-screen plain surface.
  virtual GResult GetFrontBufferData(GSurface* dest) = 0;

  virtual GResult CreateVertexBuffer(uint32_t length, uint32_t usage, GPool pool,
                                     GVertexBuffer** vb) = 0;
  virtual GResult CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, GPool pool,
                                    GIndexBuffer** ib) = 0;
  virtual GResult CreateVertexDeclaration(const GVertexElement* elements,
                                          GVertexDeclaration** decl) = 0;
  virtual GResult CreateTexture(GTextureType type, uint32_t width, uint32_t height, uint32_t depth,
                                uint32_t levels, uint32_t usage, Format format, GPool pool,
                                GTexture** tex) = 0;
  virtual GResult CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                            GSurface** surface) = 0;
  virtual GResult CreateOffscreenPlainSurface(uint32_t width, uint32_t height, Format format,
                                              GSurface** surface) = 0;
  // Compiles a parsed effect; on failure *errors holds the compiler's text.
  virtual GResult CreateEffect(const EffectDesc& desc, GEffect** effect, std::string* errors) = 0;
};

// What Direct3D calls the interface object: adapters, modes, the window and
// device creation. The window is the launcher's SDL_Window*, kept opaque.
class GSystem : public GObject {
 public:
  virtual uint32_t GetAdapterCount() = 0;
  virtual GResult GetAdapterIdentifier(uint32_t adapter, GAdapterIdentifier* id) = 0;
  virtual GResult GetAdapterDisplayMode(uint32_t adapter, GAdapterMode* mode) = 0;
  virtual uint32_t GetAdapterModeCount(uint32_t adapter, Format format) = 0;
  virtual GResult EnumAdapterModes(uint32_t adapter, Format format, uint32_t index,
                                   GAdapterMode* mode) = 0;
  virtual GResult GetDeviceCaps(uint32_t adapter, GDevType type, GCaps* caps) = 0;
  virtual GResult CreateDevice(uint32_t adapter, GDevType type, void* window,
                               uint32_t behaviourFlags, GPresentParameters* pp,
                               GDevice** device) = 0;

  // Window operations (Win32's part of the picture).
  virtual GRect GetDesktopRect() = 0;
  virtual bool GetClientSize(void* window, uint32_t* width, uint32_t* height) = 0;
  // Sizes the window's client area to width x height, centred on the desktop.
  virtual void PlaceWindow(void* window, const GRect& desktop, uint32_t width, uint32_t height) = 0;
  virtual void ShowWindow(void* window) = 0;
  // Screen position of the client area's top-left corner.
  virtual void ClientToScreen(void* window, int32_t* x, int32_t* y) = 0;
};

// The graphics system of the backend this engine is built with, for the
// launcher's window; null with the reason when it cannot be had. The backend's
// own corner defines it (gl/GLDevice.cpp), so neutral code never names one.
GSystem* CreatePlatformGraphicsSystem(void* window, std::string* reason);
