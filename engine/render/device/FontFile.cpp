// FontFile.cpp - reading and writing bitmap font files; see FontFile.h.
#include "render/device/FontFile.h"

#include <zlib.h>

#include <cstring>

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t ReadU16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}
void PutU32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void PutU16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}

// Inflates exactly out.size() bytes; a stream that is short, long or broken fails.
bool InflateExactly(const uint8_t* src, size_t srcSize, std::vector<uint8_t>& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(src);
  z.avail_in = uInt(srcSize);
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  int r = inflate(&z, Z_FINISH);
  bool ok = r == Z_STREAM_END && z.avail_out == 0;
  inflateEnd(&z);
  return ok;
}

}  // namespace

bool ParseFontFile(const void* data, size_t size, FontFileData* out, std::string* reason) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  auto fail = [&](const char* why) {
    if (reason) *reason = why;
    return false;
  };
  if (!p || size < kFontHeaderSize) return fail("file too short");
  uint32_t magic = ReadU32(p), edge = ReadU32(p + 4), dataSize = ReadU32(p + 8);
  if (magic != kFontMagicRaw && magic != kFontMagicCompressed) return fail("unknown font format");
  if (edge == 0 || edge > kFontMaxEdge) return fail("bad image size");
  // The size is checked against the file before anything is allocated for it.
  if (dataSize > size - kFontHeaderSize) return fail("pixel data truncated");
  const size_t pixels = size_t(edge) * edge;
  if (magic == kFontMagicRaw && dataSize != pixels) return fail("pixel data size mismatch");
  out->edge = edge;
  for (uint32_t i = 0; i < kFontGlyphCount; ++i) {
    const uint8_t* g = p + 12 + i * 8;
    out->glyphs[i] = {ReadU16(g), ReadU16(g + 2), ReadU16(g + 4), ReadU16(g + 6)};
  }
  out->coverage.assign(pixels, 0);
  const uint8_t* pixelData = p + kFontHeaderSize;
  if (magic == kFontMagicRaw) {
    std::memcpy(out->coverage.data(), pixelData, pixels);
  } else if (!InflateExactly(pixelData, dataSize, out->coverage)) {
    out->coverage.clear();
    return fail("bad compressed pixel data");
  }
  return true;
}

std::vector<uint8_t> EncodeFontFile(const FontFileData& font, bool compress) {
  std::vector<uint8_t> pixels = font.coverage;
  pixels.resize(size_t(font.edge) * font.edge, 0);
  std::vector<uint8_t> payload;
  if (compress) {
    uLongf len = compressBound(uLong(pixels.size()));
    payload.resize(len);
    if (compress2(payload.data(), &len, pixels.data(), uLong(pixels.size()), 9) != Z_OK) return {};
    payload.resize(len);
  } else {
    payload = std::move(pixels);
  }
  std::vector<uint8_t> file;
  file.reserve(kFontHeaderSize + payload.size());
  PutU32(file, compress ? kFontMagicCompressed : kFontMagicRaw);
  PutU32(file, font.edge);
  PutU32(file, uint32_t(payload.size()));
  for (const FontGlyphRect& g : font.glyphs) {
    PutU16(file, g.x);
    PutU16(file, g.y);
    PutU16(file, g.width);
    PutU16(file, g.height);
  }
  file.insert(file.end(), payload.begin(), payload.end());
  return file;
}
