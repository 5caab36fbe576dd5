// font.cpp - fuzzes the bitmap font reader: whatever it accepts must hold exactly the
// image its edge size promises, and writing it back must read the same.
#include "render/device/FontFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FontFileData font;
  std::string reason;
  if (!ParseFontFile(data, size, &font, &reason)) return 0;
  if (font.edge == 0 || font.edge > kFontMaxEdge) __builtin_trap();
  if (font.coverage.size() != size_t(font.edge) * font.edge) __builtin_trap();
  if (font.edge > 256) return 0;  // keep each run quick
  std::vector<uint8_t> again = EncodeFontFile(font, true);
  FontFileData back;
  if (!ParseFontFile(again.data(), again.size(), &back, &reason)) __builtin_trap();
  if (back.coverage != font.coverage) __builtin_trap();
  return 0;
}
