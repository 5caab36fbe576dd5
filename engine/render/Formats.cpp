#include "render/Formats.h"

Format ToDeviceFormat(uint32_t engineFormat) {
  switch (engineFormat) {
    case TEXFMT_R8G8B8:
      return FMT_R8G8B8;
    case TEXFMT_A8R8G8B8:
      return FMT_A8R8G8B8;
    case TEXFMT_R5G6B5:
      return FMT_R5G6B5;
    case TEXFMT_A1R5G5B5:
      return FMT_A1R5G5B5;
    case TEXFMT_A4R4G4B4:
      return FMT_A4R4G4B4;
    case TEXFMT_A8:
      return FMT_A8;
    case TEXFMT_DXT1:
      return FMT_DXT1;
    case TEXFMT_DXT2:
      return FMT_DXT2;
    case TEXFMT_DXT3:
      return FMT_DXT3;
    case TEXFMT_DXT4:
      return FMT_DXT4;
    case TEXFMT_DXT5:
      return FMT_DXT5;
    default:
      return FMT_UNKNOWN;
  }
}

uint32_t FromDeviceFormat(Format f) {
  switch (f) {
    case FMT_R8G8B8:
    case FMT_X8R8G8B8:
      return TEXFMT_R8G8B8;
    case FMT_A8R8G8B8:
      return TEXFMT_A8R8G8B8;
    case FMT_R5G6B5:
      return TEXFMT_R5G6B5;
    case FMT_A1R5G5B5:
      return TEXFMT_A1R5G5B5;
    case FMT_A4R4G4B4:
      return TEXFMT_A4R4G4B4;
    case FMT_A8:
      return TEXFMT_A8;
    case FMT_DXT1:
      return TEXFMT_DXT1;
    case FMT_DXT2:
      return TEXFMT_DXT2;
    case FMT_DXT3:
      return TEXFMT_DXT3;
    case FMT_DXT4:
      return TEXFMT_DXT4;
    case FMT_DXT5:
      return TEXFMT_DXT5;
    default:
      return TEXFMT_NONE;
  }
}

uint32_t GetFormatBits(Format f) {
  switch (f) {
    case FMT_R8G8B8:
      return 24;
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8:
    case FMT_A2B10G10R10:
    case FMT_G16R16:
    case FMT_X8L8V8U8:
    case FMT_Q8W8V8U8:
    case FMT_V16U16:
    case FMT_A2W10V10U10:
    case FMT_D32:
    case FMT_D24S8:
    case FMT_D24X8:
    case FMT_D24X4S4:
    case FMT_INDEX32:
      return 32;
    case FMT_R5G6B5:
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5:
    case FMT_A4R4G4B4:
    case FMT_A8R3G3B2:
    case FMT_X4R4G4B4:
    case FMT_A8P8:
    case FMT_A8L8:
    case FMT_V8U8:
    case FMT_L6V5U5:
    case FMT_D16_LOCKABLE:
    case FMT_D15S1:
    case FMT_D16:
    case FMT_INDEX16:
      return 16;
    case FMT_R3G3B2:
    case FMT_A8:
    case FMT_P8:
    case FMT_L8:
    case FMT_A4L4:
      return 8;
    case FMT_DXT1:
      return 64;
    case FMT_DXT2:
    case FMT_DXT3:
    case FMT_DXT4:
    case FMT_DXT5:
      return 128;
    default:
      return 0;
  }
}

const char* GetFormatName(Format f) {
#define KAZ_FMT(x) \
  case FMT_##x:    \
    return "GLFMT_" #x;
  switch (f) {
    KAZ_FMT(UNKNOWN)
    KAZ_FMT(R8G8B8) KAZ_FMT(A8R8G8B8) KAZ_FMT(X8R8G8B8) KAZ_FMT(R5G6B5) KAZ_FMT(X1R5G5B5) KAZ_FMT(
        A1R5G5B5) KAZ_FMT(A4R4G4B4) KAZ_FMT(R3G3B2) KAZ_FMT(A8) KAZ_FMT(A8R3G3B2) KAZ_FMT(X4R4G4B4)
        KAZ_FMT(A2B10G10R10) KAZ_FMT(A8B8G8R8) KAZ_FMT(X8B8G8R8) KAZ_FMT(G16R16) KAZ_FMT(
            A2R10G10B10) KAZ_FMT(A16B16G16R16) KAZ_FMT(A8P8) KAZ_FMT(P8) KAZ_FMT(L8) KAZ_FMT(A8L8)
            KAZ_FMT(A4L4) KAZ_FMT(V8U8) KAZ_FMT(L6V5U5) KAZ_FMT(X8L8V8U8) KAZ_FMT(Q8W8V8U8)
                KAZ_FMT(V16U16) KAZ_FMT(A2W10V10U10) KAZ_FMT(UYVY) KAZ_FMT(R8G8_B8G8) KAZ_FMT(YUY2)
                    KAZ_FMT(G8R8_G8B8) KAZ_FMT(DXT1) KAZ_FMT(DXT2) KAZ_FMT(DXT3) KAZ_FMT(DXT4)
                        KAZ_FMT(DXT5) KAZ_FMT(D16_LOCKABLE) KAZ_FMT(D32) KAZ_FMT(D15S1)
                            KAZ_FMT(D24S8) KAZ_FMT(D24X8) KAZ_FMT(D24X4S4) KAZ_FMT(D16) KAZ_FMT(L16)
                                KAZ_FMT(D32F_LOCKABLE) KAZ_FMT(D24FS8) KAZ_FMT(D32_LOCKABLE)
                                    KAZ_FMT(S8_LOCKABLE) KAZ_FMT(VERTEXDATA) KAZ_FMT(INDEX16)
                                        KAZ_FMT(INDEX32) KAZ_FMT(Q16W16V16U16) KAZ_FMT(MULTI2_ARGB8)
                                            KAZ_FMT(R16F) KAZ_FMT(G16R16F) KAZ_FMT(A16B16G16R16F)
                                                KAZ_FMT(R32F) KAZ_FMT(G32R32F)
                                                    KAZ_FMT(A32B32G32R32F) KAZ_FMT(CxV8U8)
                                                        KAZ_FMT(A1) KAZ_FMT(A2B10G10R10_XR_BIAS)
                                                            KAZ_FMT(BINARYBUFFER)
  }
#undef KAZ_FMT
  return "";
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
