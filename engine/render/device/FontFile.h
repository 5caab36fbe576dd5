// FontFile.h - the bitmap font file: a square 8-bit coverage image and 256
// glyph rectangles.
//
// Layout (little-endian): magic (raw or zlib-compressed pixels), edge size S
// (1..4096), pixel data size D, 256 glyph records {x, y, width, height} of
// 16-bit values in character-code order, then D bytes of pixel data that are
// (or inflate to) exactly S x S coverage bytes, rows top to bottom.
// Parsing never trusts a size before checking it against the bytes present;
// encoding is deterministic (the font baker relies on it).
// Depends on zlib only, so tools can build it on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kFontMagicRaw = 0xF0F47455u;
constexpr uint32_t kFontMagicCompressed = 0xF0C03935u;
constexpr uint32_t kFontMaxEdge = 4096;
constexpr uint32_t kFontGlyphCount = 256;
constexpr size_t kFontHeaderSize = 12 + kFontGlyphCount * 8;

struct FontGlyphRect {
  uint16_t x = 0, y = 0, width = 0, height = 0;
};

struct FontFileData {
  uint32_t edge = 0;
  FontGlyphRect glyphs[kFontGlyphCount];
  std::vector<uint8_t> coverage;  // edge * edge bytes
};

// False with a short reason for anything but a well-formed file.
bool ParseFontFile(const void* data, size_t size, FontFileData* out, std::string* reason);
// The file bytes for font (coverage must hold edge * edge bytes).
std::vector<uint8_t> EncodeFontFile(const FontFileData& font, bool compress);
