// Image.h - image decoding and encoding in memory, independent of any device.
//
// DecodeImage reads PNG, TGA, BMP and JPEG through stb_image (to A8R8G8B8 or
// X8R8G8B8) and DDS files with our own reader (2D, cube and volume; mip
// chains; DXT1/2/3/4/5 and the common uncompressed layouts). Pixel rows are
// stored top row first, Direct3D's byte order (A8R8G8B8 is B, G, R, A in
// memory). Also: software DXT decoding (for devices without S3TC and for
// saving), conversion of any supported format to 32-bit BGRA, box-filter mip
// generation and a BMP writer. Every failure returns false with a short
// reason; corrupt or truncated input never reads out of bounds.
// Depends on: GraphicsDevice.h (formats), stb_image (Debian's libstb-dev).
#pragma once

#include "render/device/GraphicsDevice.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Largest edge we accept from a file; keeps a hostile header from asking for
// gigabytes.
constexpr uint32_t kMaxImageDimension = 16384;
constexpr uint32_t kMaxVolumeDepth = 2048;

struct Image {
  GTextureType type = GTEXTYPE_2D;
  Format format = FMT_UNKNOWN;
  uint32_t width = 0, height = 0, depth = 1;
  uint32_t levels = 0;
  uint32_t faces = 1;  // 6 for cubes
  // One block per face and level (face-major): levels of a volume hold all
  // their slices, one after the other.
  std::vector<std::vector<uint8_t>> data;

  std::vector<uint8_t>& Level(uint32_t face, uint32_t level) { return data[face * levels + level]; }
  const std::vector<uint8_t>& Level(uint32_t face, uint32_t level) const {
    return data[face * levels + level];
  }
  static uint32_t LevelExtent(uint32_t size, uint32_t level) {
    uint32_t v = level < 32 ? size >> level : 0;
    return v ? v : 1;
  }
};

bool DecodeImage(const void* data, size_t size, Image* out, std::string* reason);
bool DecodeDDS(const void* data, size_t size, Image* out, std::string* reason);

// Decodes a whole DXT level (w x h pixels) into BGRA rows of w * 4 bytes.
void DecompressDXT(Format f, const uint8_t* src, uint32_t width, uint32_t height, uint8_t* bgra);

// Converts one level of a supported format to BGRA (pitch w * 4); false for
// formats we cannot read.
bool ConvertToBGRA(Format f, const uint8_t* src, uint32_t srcPitch, uint32_t width, uint32_t height,
                   std::vector<uint8_t>* bgra);

// Appends levels 1.. by 2x2 box filtering, for 32-bit formats only; returns
// the level count.
uint32_t GenerateMipChain(Image* image, uint32_t maxLevels);

// A 24-bit BMP of BGRA rows (top row first).
std::vector<uint8_t> EncodeBMP(const uint8_t* bgra, uint32_t width, uint32_t height,
                               uint32_t pitch);
bool WriteBMPFile(const std::string& nativePath, const uint8_t* bgra, uint32_t width,
                  uint32_t height, uint32_t pitch, std::string* reason);
