// dds.cpp - fuzz target for the image decoders.
//
// Fuzzes the image decoders (our DDS reader, stb_image for the rest) and the
// DXT decompressor over whatever a decode yields.
#include "render/device/Formats.h"
#include "render/device/GraphicsDevice.h"
#include "render/device/Image.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Image img;
  std::string reason;
  if (!DecodeImage(data, size, &img, &reason)) return 0;
  // Every level must hold what its size says, and convert without overrun.
  for (uint32_t face = 0; face < img.faces; ++face)
    for (uint32_t level = 0; level < img.levels; ++level) {
      uint32_t w = Image::LevelExtent(img.width, level), h = Image::LevelExtent(img.height, level);
      uint32_t d = Image::LevelExtent(img.depth, level);
      const std::vector<uint8_t>& bytes = img.Level(face, level);
      if (bytes.size() != size_t(GetFormatLevelSize(img.format, w, h)) * d) __builtin_trap();
      if (size_t(w) * h > (1u << 20)) continue;  // keep each run quick
      std::vector<uint8_t> bgra;
      ConvertToBGRA(img.format, bytes.data(), GetFormatPitch(img.format, w), w, h, &bgra);
    }
  if (img.type == GTEXTYPE_2D && size_t(img.width) * img.height <= (1u << 16)) {
    std::vector<uint8_t> bgra;
    if (ConvertToBGRA(img.format, img.data[0].data(), GetFormatPitch(img.format, img.width),
                      img.width, img.height, &bgra))
      EncodeBMP(bgra.data(), img.width, img.height, img.width * 4);
    GenerateMipChain(&img, 0);
  }
  return 0;
}
