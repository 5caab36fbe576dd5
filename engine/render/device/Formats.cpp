// Formats.cpp - the format table and the names printed in messages.
#include "render/device/Formats.h"

namespace {

constexpr uint8_t kTexture = 1;  // devices make textures of it
constexpr uint8_t kTarget = 2;   // ... and can render into them
constexpr uint8_t kDepth = 4;    // a depth buffer format
constexpr uint8_t kStencil = 8;  // ... with stencil bits

// Everything the engine knows about a device format, in one row. Bits are
// what the BPP console variable and the back-buffer search count (per pixel,
// per 4x4 block for the block-compressed formats); bytes are a pixel's size
// in a lock (0: the engine never reads or writes it pixel by pixel); the
// engine format is what a texture of it reports. Creating a texture of an
// engine format takes the first row that reads back as that format.
struct FormatInfo {
  Format format;
  const char* name;
  uint8_t bits;
  uint8_t bytesPerPixel;
  uint8_t blockBytes;  // bytes per 4x4 block; 0 for uncompressed formats
  TextureFormat engineFormat;
  uint8_t flags;
};

constexpr FormatInfo kFormats[] = {
    {FMT_UNKNOWN, "GLFMT_UNKNOWN", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_R8G8B8, "GLFMT_R8G8B8", 24, 3, 0, TEXFMT_R8G8B8, kTexture},
    {FMT_A8R8G8B8, "GLFMT_A8R8G8B8", 32, 4, 0, TEXFMT_A8R8G8B8, kTexture | kTarget},
    {FMT_X8R8G8B8, "GLFMT_X8R8G8B8", 32, 4, 0, TEXFMT_R8G8B8, kTexture | kTarget},
    {FMT_R5G6B5, "GLFMT_R5G6B5", 16, 2, 0, TEXFMT_R5G6B5, kTexture | kTarget},
    {FMT_X1R5G5B5, "GLFMT_X1R5G5B5", 16, 2, 0, TEXFMT_NONE, kTexture | kTarget},
    {FMT_A1R5G5B5, "GLFMT_A1R5G5B5", 16, 2, 0, TEXFMT_A1R5G5B5, kTexture | kTarget},
    {FMT_A4R4G4B4, "GLFMT_A4R4G4B4", 16, 2, 0, TEXFMT_A4R4G4B4, kTexture | kTarget},
    {FMT_R3G3B2, "GLFMT_R3G3B2", 8, 0, 0, TEXFMT_NONE, 0},
    {FMT_A8, "GLFMT_A8", 8, 1, 0, TEXFMT_A8, kTexture},
    {FMT_A8R3G3B2, "GLFMT_A8R3G3B2", 16, 0, 0, TEXFMT_NONE, 0},
    {FMT_X4R4G4B4, "GLFMT_X4R4G4B4", 16, 2, 0, TEXFMT_NONE, kTexture | kTarget},
    {FMT_A2B10G10R10, "GLFMT_A2B10G10R10", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_A8B8G8R8, "GLFMT_A8B8G8R8", 32, 4, 0, TEXFMT_NONE, 0},
    {FMT_X8B8G8R8, "GLFMT_X8B8G8R8", 32, 4, 0, TEXFMT_NONE, 0},
    {FMT_G16R16, "GLFMT_G16R16", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_A2R10G10B10, "GLFMT_A2R10G10B10", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_A16B16G16R16, "GLFMT_A16B16G16R16", 64, 0, 0, TEXFMT_NONE, 0},
    {FMT_A8P8, "GLFMT_A8P8", 16, 0, 0, TEXFMT_NONE, 0},
    {FMT_P8, "GLFMT_P8", 8, 0, 0, TEXFMT_NONE, 0},
    {FMT_L8, "GLFMT_L8", 8, 1, 0, TEXFMT_NONE, kTexture},
    {FMT_A8L8, "GLFMT_A8L8", 16, 2, 0, TEXFMT_NONE, kTexture},
    {FMT_A4L4, "GLFMT_A4L4", 8, 0, 0, TEXFMT_NONE, 0},
    {FMT_V8U8, "GLFMT_V8U8", 16, 0, 0, TEXFMT_NONE, 0},
    {FMT_L6V5U5, "GLFMT_L6V5U5", 16, 0, 0, TEXFMT_NONE, 0},
    {FMT_X8L8V8U8, "GLFMT_X8L8V8U8", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_Q8W8V8U8, "GLFMT_Q8W8V8U8", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_V16U16, "GLFMT_V16U16", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_A2W10V10U10, "GLFMT_A2W10V10U10", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_UYVY, "GLFMT_UYVY", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_R8G8_B8G8, "GLFMT_R8G8_B8G8", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_YUY2, "GLFMT_YUY2", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_G8R8_G8B8, "GLFMT_G8R8_G8B8", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_DXT1, "GLFMT_DXT1", 64, 0, 8, TEXFMT_DXT1, kTexture},
    {FMT_DXT2, "GLFMT_DXT2", 128, 0, 16, TEXFMT_DXT2, kTexture},
    {FMT_DXT3, "GLFMT_DXT3", 128, 0, 16, TEXFMT_DXT3, kTexture},
    {FMT_DXT4, "GLFMT_DXT4", 128, 0, 16, TEXFMT_DXT4, kTexture},
    {FMT_DXT5, "GLFMT_DXT5", 128, 0, 16, TEXFMT_DXT5, kTexture},
    {FMT_D16_LOCKABLE, "GLFMT_D16_LOCKABLE", 16, 2, 0, TEXFMT_NONE, kDepth},
    {FMT_D32, "GLFMT_D32", 32, 4, 0, TEXFMT_NONE, kDepth},
    {FMT_D15S1, "GLFMT_D15S1", 16, 0, 0, TEXFMT_NONE, kDepth | kStencil},
    {FMT_D24S8, "GLFMT_D24S8", 32, 4, 0, TEXFMT_NONE, kDepth | kStencil},
    {FMT_D24X8, "GLFMT_D24X8", 32, 4, 0, TEXFMT_NONE, kDepth},
    {FMT_D24X4S4, "GLFMT_D24X4S4", 32, 0, 0, TEXFMT_NONE, kDepth | kStencil},
    {FMT_D16, "GLFMT_D16", 16, 2, 0, TEXFMT_NONE, kDepth},
    {FMT_L16, "GLFMT_L16", 16, 2, 0, TEXFMT_NONE, 0},
    {FMT_D32F_LOCKABLE, "GLFMT_D32F_LOCKABLE", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_D24FS8, "GLFMT_D24FS8", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_D32_LOCKABLE, "GLFMT_D32_LOCKABLE", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_S8_LOCKABLE, "GLFMT_S8_LOCKABLE", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_VERTEXDATA, "GLFMT_VERTEXDATA", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_INDEX16, "GLFMT_INDEX16", 16, 0, 0, TEXFMT_NONE, 0},
    {FMT_INDEX32, "GLFMT_INDEX32", 32, 0, 0, TEXFMT_NONE, 0},
    {FMT_Q16W16V16U16, "GLFMT_Q16W16V16U16", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_MULTI2_ARGB8, "GLFMT_MULTI2_ARGB8", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_R16F, "GLFMT_R16F", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_G16R16F, "GLFMT_G16R16F", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_A16B16G16R16F, "GLFMT_A16B16G16R16F", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_R32F, "GLFMT_R32F", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_G32R32F, "GLFMT_G32R32F", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_A32B32G32R32F, "GLFMT_A32B32G32R32F", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_CxV8U8, "GLFMT_CxV8U8", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_A1, "GLFMT_A1", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_A2B10G10R10_XR_BIAS, "GLFMT_A2B10G10R10_XR_BIAS", 0, 0, 0, TEXFMT_NONE, 0},
    {FMT_BINARYBUFFER, "GLFMT_BINARYBUFFER", 0, 0, 0, TEXFMT_NONE, 0},
};

const FormatInfo* Find(Format f) {
  for (const FormatInfo& info : kFormats)
    if (info.format == f) return &info;
  return nullptr;
}

uint32_t Channel(float f) {
  if (!(f > 0.0f)) return 0;  // negatives and NaN
  if (f >= 1.0f) return 255;
  return uint32_t(f * 255.0f);
}

}  // namespace

bool IsCompressedFormat(Format f) {
  const FormatInfo* info = Find(f);
  return info && info->blockBytes != 0;
}

uint32_t GetFormatBytesPerPixel(Format f) {
  const FormatInfo* info = Find(f);
  return info ? info->bytesPerPixel : 0;
}

uint32_t GetFormatPitch(Format f, uint32_t width) {
  const FormatInfo* info = Find(f);
  if (!info) return 0;
  if (info->blockBytes) return ((width + 3) / 4) * info->blockBytes;
  return width * info->bytesPerPixel;
}

uint32_t GetFormatRowCount(Format f, uint32_t height) {
  return IsCompressedFormat(f) ? (height + 3) / 4 : height;
}

uint32_t GetFormatLevelSize(Format f, uint32_t width, uint32_t height) {
  return GetFormatPitch(f, width) * GetFormatRowCount(f, height);
}

bool IsTextureFormat(Format f) {
  const FormatInfo* info = Find(f);
  return info && (info->flags & kTexture);
}

bool IsRenderTargetFormat(Format f) {
  const FormatInfo* info = Find(f);
  return info && (info->flags & kTarget);
}

bool IsDepthFormat(Format f) {
  const FormatInfo* info = Find(f);
  return info && (info->flags & kDepth);
}

bool HasStencilBits(Format f) {
  const FormatInfo* info = Find(f);
  return info && (info->flags & kStencil);
}

Format ToDeviceFormat(uint32_t engineFormat, bool renderTarget) {
  if (engineFormat == TEXFMT_NONE) return FMT_UNKNOWN;
  for (const FormatInfo& info : kFormats)
    if (info.engineFormat == engineFormat && (!renderTarget || (info.flags & kTarget)))
      return info.format;
  return FMT_UNKNOWN;
}

std::vector<Format> ListFormats() {
  std::vector<Format> all;
  for (const FormatInfo& info : kFormats) all.push_back(info.format);
  return all;
}

uint32_t FromDeviceFormat(Format f) {
  const FormatInfo* info = Find(f);
  return info ? info->engineFormat : TEXFMT_NONE;
}

uint32_t GetFormatBits(Format f) {
  const FormatInfo* info = Find(f);
  return info ? info->bits : 0;
}

const char* GetFormatName(Format f) {
  const FormatInfo* info = Find(f);
  return info ? info->name : "";
}

const char* GetPresentIntervalName(uint32_t interval) {
  switch (interval) {
    case GPRESENT_INTERVAL_IMMEDIATE:
      return "GLPRESENT_INTERVAL_IMMEDIATE";
    case GPRESENT_INTERVAL_DEFAULT:
      return "GLPRESENT_INTERVAL_DEFAULT";
    case GPRESENT_INTERVAL_ONE:
      return "GLPRESENT_INTERVAL_ONE";
    case GPRESENT_INTERVAL_TWO:
      return "GLPRESENT_INTERVAL_TWO";
    case GPRESENT_INTERVAL_THREE:
      return "GLPRESENT_INTERVAL_THREE";
    case GPRESENT_INTERVAL_FOUR:
      return "GLPRESENT_INTERVAL_FOUR";
    default:
      return "";
  }
}

const char* GetSwapEffectName(uint32_t swapEffect) {
  switch (swapEffect) {
    case GSWAPEFFECT_DISCARD:
      return "GLSWAPEFFECT_DISCARD";
    case GSWAPEFFECT_FLIP:
      return "GLSWAPEFFECT_FLIP";
    case GSWAPEFFECT_COPY:
      return "GLSWAPEFFECT_COPY";
    default:
      return "";
  }
}

const char* GetCubeFaceName(uint32_t face) {
  static const char* const kNames[] = {"Positive X", "Negative X", "Positive Y",
                                       "Negative Y", "Positive Z", "Negative Z"};
  return (face >= 1 && face <= 6) ? kNames[face - 1] : "Invalid";
}

uint32_t GetDeviceCubeFace(uint32_t face) {
  return (face >= 1 && face <= 6) ? face - 1 : 0;
}

Format ChooseBackBufferFormat(GSystem* system, uint32_t adapter, uint32_t width, uint32_t height,
                              uint32_t refresh, uint32_t bpp) {
  static const Format k16[] = {FMT_A4R4G4B4, FMT_A1R5G5B5, FMT_X1R5G5B5, FMT_R5G6B5};
  static const Format k32[] = {FMT_A8R8G8B8, FMT_X8R8G8B8};
  const Format* list = nullptr;
  size_t count = 0;
  if (bpp == 16) {
    list = k16;
    count = 4;
  } else if (bpp == 32) {
    list = k32;
    count = 2;
  }
  if (!system) return FMT_UNKNOWN;
  for (size_t i = 0; i < count; ++i) {
    uint32_t modes = system->GetAdapterModeCount(adapter, list[i]);
    for (uint32_t m = 0; m < modes; ++m) {
      GAdapterMode mode;
      if (GFailed(system->EnumAdapterModes(adapter, list[i], m, &mode))) continue;
      if (mode.width == width && mode.height == height &&
          (refresh == 0 || mode.refreshRate == refresh) && mode.format == list[i])
        return list[i];
    }
  }
  return FMT_UNKNOWN;
}

uint32_t PackColour(float red, float green, float blue, float alpha) {
  return Channel(alpha) << 24 | Channel(red) << 16 | Channel(green) << 8 | Channel(blue);
}
