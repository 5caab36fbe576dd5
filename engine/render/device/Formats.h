// Formats.h - engine texture formats and the format tables used in messages.
//
// The engine names texture formats by small numbers (TextureFormat); devices
// use the Direct3D-numbered Format. This module maps between the two, gives
// bit counts (for the BPP console variable and the back-buffer search), the
// printable names of formats, present intervals and swap effects, the cube
// face table, the fullscreen back-buffer format search and the packing of
// vertex colours.
// Depends on: GraphicsDevice.h.
#pragma once

#include "render/device/GraphicsDevice.h"

#include <cstdint>
#include <vector>

enum TextureFormat : uint32_t {
  TEXFMT_NONE = 0,
  TEXFMT_R8G8B8 = 1,
  TEXFMT_A8R8G8B8 = 2,
  TEXFMT_R5G6B5 = 3,
  TEXFMT_A1R5G5B5 = 4,
  TEXFMT_A4R4G4B4 = 5,
  TEXFMT_A8 = 6,
  TEXFMT_DXT1 = 7,
  TEXFMT_DXT2 = 8,
  TEXFMT_DXT3 = 9,
  TEXFMT_DXT4 = 10,
  TEXFMT_DXT5 = 11,
};

// Engine format -> device format. Block-compressed engine formats 8..11 map
// to DXT2..DXT5, the same pairing as the read-back direction, so a created
// texture reports the format it was asked for. For a render target the first
// format of that engine format a device can render into (1 gives X8R8G8B8, so
// a target "in the back buffer's format" can be made).
Format ToDeviceFormat(uint32_t engineFormat, bool renderTarget = false);
// Device format -> engine format; X8R8G8B8 reads as 1, unlisted formats as 0.
uint32_t FromDeviceFormat(Format f);

uint32_t GetFormatBits(Format f);
// Every format of the table, in its order.
std::vector<Format> ListFormats();
// "GLFMT_A8R8G8B8"...; "" for values outside the enumeration.
const char* GetFormatName(Format f);
const char* GetPresentIntervalName(uint32_t interval);
const char* GetSwapEffectName(uint32_t swapEffect);

// Cube faces 1..6 ("Positive X"...); other numbers print "Invalid" and map to
// device face 0.
const char* GetCubeFaceName(uint32_t face);
uint32_t GetDeviceCubeFace(uint32_t face);

// The fullscreen back-buffer format for a mode, or FMT_UNKNOWN (0).
Format ChooseBackBufferFormat(GSystem* system, uint32_t adapter, uint32_t width, uint32_t height,
                              uint32_t refresh, uint32_t bpp);

// ARGB of 0..1 channels, clamped first (NaN counts as 0): the colour of a
// vertex.
uint32_t PackColour(float red, float green, float blue, float alpha);
