// GraphicsDevice.cpp - result names and the default device states.
#include "render/device/GraphicsDevice.h"

namespace {

struct ErrorInfo {
  GResult code;
  const char* name;
  const char* description;
};
const ErrorInfo kErrors[] = {
    {G_OK, "G_OK", "No error occurred."},
    {GERR_WRONGTEXTUREFORMAT, "GLERR_WRONGTEXTUREFORMAT",
     "The pixel format of the texture surface is not valid."},
    {GERR_UNSUPPORTEDCOLOROPERATION, "GLERR_UNSUPPORTEDCOLOROPERATION",
     "The device does not support a specified texture-blending operation."},
    {GERR_DRIVERINTERNALERROR, "GLERR_DRIVERINTERNALERROR", "Internal driver error."},
    {GERR_NOTFOUND, "GLERR_NOTFOUND", "The requested item was not found."},
    {GERR_MOREDATA, "GLERR_MOREDATA",
     "There is more data available than the specified buffer size can hold."},
    {GERR_DEVICELOST, "GLERR_DEVICELOST",
     "The device has been lost but cannot be reset at this time."},
    {GERR_DEVICENOTRESET, "GLERR_DEVICENOTRESET",
     "The device has been lost but can be reset at this time."},
    {GERR_NOTAVAILABLE, "GLERR_NOTAVAILABLE",
     "This device does not support the queried technique."},
    {GERR_OUTOFVIDEOMEMORY, "GLERR_OUTOFVIDEOMEMORY",
     "The device does not have enough display memory."},
    {GERR_INVALIDDEVICE, "GLERR_INVALIDDEVICE", "The requested device type is not valid."},
    {GERR_INVALIDCALL, "GLERR_INVALIDCALL", "The method call is invalid."},
    {GERR_WASSTILLDRAWING, "GLERR_WASSTILLDRAWING",
     "The previous blit operation is still incomplete."},
    {GERR_INVALIDDATA, "GLERR_INVALIDDATA", "The data is invalid."},
    {GERR_COMPILEFAILED, "GLERR_COMPILEFAILED", "The shader or effect did not compile."},
    {GERR_OUTOFMEMORY, "GLERR_OUTOFMEMORY", "Not enough memory."},
    {GERR_FAIL, "GLERR_FAIL", "Unspecified error."},
};

}  // namespace

const char* GetErrorName(GResult r) {
  for (const ErrorInfo& e : kErrors)
    if (e.code == r) return e.name;
  return "UNKNOWN_ERROR";
}

const char* GetErrorDescription(GResult r) {
  for (const ErrorInfo& e : kErrors)
    if (e.code == r) return e.description;
  return "Unknown error.";
}

uint32_t GetDefaultRenderState(GRenderState s) {
  switch (s) {
    case GRS_ZENABLE:
      return 1;
    case GRS_FILLMODE:
      return GFILL_SOLID;
    case GRS_SHADEMODE:
      return 2;
    case GRS_ZWRITEENABLE:
      return 1;
    case GRS_SRCBLEND:
      return GBLEND_ONE;
    case GRS_DESTBLEND:
      return GBLEND_ZERO;
    case GRS_CULLMODE:
      return GCULL_CCW;
    case GRS_ZFUNC:
      return GCMP_LESSEQUAL;
    case GRS_ALPHAFUNC:
      return GCMP_ALWAYS;
    case GRS_STENCILFAIL:
    case GRS_STENCILZFAIL:
    case GRS_STENCILPASS:
      return GSTENCILOP_KEEP;
    case GRS_STENCILFUNC:
      return GCMP_ALWAYS;
    case GRS_STENCILMASK:
    case GRS_STENCILWRITEMASK:
    case GRS_TEXTUREFACTOR:
      return 0xFFFFFFFFu;
    case GRS_LIGHTING:
      return 1;
    case GRS_POINTSIZE:
      return 0x3F800000u;  // 1.0f
    case GRS_COLORWRITEENABLE:
      return 0xF;
    case GRS_BLENDOP:
    case GRS_BLENDOPALPHA:
      return GBLENDOP_ADD;
    case GRS_SRCBLENDALPHA:
      return GBLEND_ONE;
    case GRS_DESTBLENDALPHA:
      return GBLEND_ZERO;
    default:
      return 0;
  }
}

uint32_t GetDefaultSamplerState(GSamplerState s) {
  switch (s) {
    case GSAMP_ADDRESSU:
    case GSAMP_ADDRESSV:
    case GSAMP_ADDRESSW:
      return GTADDRESS_WRAP;
    case GSAMP_MAGFILTER:
    case GSAMP_MINFILTER:
      return GTEXF_POINT;
    case GSAMP_MAXANISOTROPY:
      return 1;
    default:
      return 0;
  }
}
