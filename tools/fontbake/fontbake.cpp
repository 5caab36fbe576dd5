// fontbake.cpp - bakes a TrueType font into the engine's bitmap font file.
//
//   fontbake FONT.ttf PIXEL_HEIGHT EDGE OUT.f
//
// Text is drawn glyph by glyph with no bearing or baseline of its own: every
// glyph of Latin-1 (32..126 and 160..255) gets a cell as wide as its advance
// and as tall as the line, with the glyph drawn on the font's baseline inside
// it (anything reaching outside the cell is cut off). Cells are packed in
// rows, one pixel apart. Control codes get an empty rectangle. The output
// depends only on the font file and the arguments, so every run writes the
// same bytes (the file is written beside OUT and renamed into place).
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/device/FontFile.h"

namespace {

bool IsPrintable(int code) {
  return (code >= 32 && code <= 126) || (code >= 160 && code <= 255);
}

// Draws one glyph into its cell of the coverage image, clipped to the cell.
void DrawGlyph(const stbtt_fontinfo& info, int glyph, float scale, int baseline,
               const FontGlyphRect& cell, FontFileData& font) {
  int x0, y0, x1, y1;
  stbtt_GetGlyphBitmapBox(&info, glyph, scale, scale, &x0, &y0, &x1, &y1);
  int w = x1 - x0, h = y1 - y0;
  if (w <= 0 || h <= 0) return;
  std::vector<unsigned char> bitmap(size_t(w) * size_t(h));
  stbtt_MakeGlyphBitmap(&info, bitmap.data(), w, h, w, scale, scale, glyph);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int cx = x0 + x, cy = baseline + y0 + y;
      if (cx < 0 || cy < 0 || cx >= cell.width || cy >= cell.height) continue;
      font.coverage[size_t(cell.y + cy) * font.edge + size_t(cell.x + cx)] =
          bitmap[size_t(y) * size_t(w) + size_t(x)];
    }
}

bool Bake(const std::vector<unsigned char>& ttf, float pixelHeight, uint32_t edge,
          FontFileData& font) {
  stbtt_fontinfo info;
  if (!stbtt_InitFont(&info, ttf.data(), stbtt_GetFontOffsetForIndex(ttf.data(), 0))) {
    std::fprintf(stderr, "fontbake: not a TrueType font\n");
    return false;
  }
  const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
  int ascent, descent, lineGap;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);
  const int baseline = int(std::ceil(float(ascent) * scale));
  const int line = baseline + int(std::ceil(float(-descent) * scale));
  font.edge = edge;
  font.coverage.assign(size_t(edge) * edge, 0);
  uint32_t x = 0, y = 0;
  for (int code = 0; code < int(kFontGlyphCount); ++code) {
    if (!IsPrintable(code)) continue;
    int glyph = stbtt_FindGlyphIndex(&info, code);
    int advance, lsb;
    stbtt_GetGlyphHMetrics(&info, glyph, &advance, &lsb);
    uint32_t width = uint32_t(std::lround(float(advance) * scale));
    if (x + width > edge) {
      x = 0;
      y += uint32_t(line) + 1;
    }
    if (width > edge || y + uint32_t(line) > edge) {
      std::fprintf(stderr, "fontbake: the glyphs do not fit in %ux%u\n", edge, edge);
      return false;
    }
    FontGlyphRect& cell = font.glyphs[code];
    cell = {uint16_t(x), uint16_t(y), uint16_t(width), uint16_t(line)};
    if (glyph != 0) DrawGlyph(info, glyph, scale, baseline, cell, font);
    x += width + 1;
  }
  return true;
}

}  // namespace

constexpr const char* kUsage =
    "usage: fontbake FONT.ttf PIXEL_HEIGHT EDGE OUT.f\n"
    "  FONT.ttf      the TrueType font to bake\n"
    "  PIXEL_HEIGHT  the height of a line of text in pixels (a number above 0, e.g. 16)\n"
    "  EDGE          the width and height in pixels of the square glyph texture, 1 to 4096\n"
    "                (e.g. 256; fontbake says so when the glyphs do not fit)\n"
    "  OUT.f         the bitmap font file to write\n";

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<unsigned char> ttf((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  if (ttf.empty()) {
    std::fprintf(stderr, "fontbake: cannot read %s\n", argv[1]);
    return 1;
  }
  const float pixelHeight = float(std::atof(argv[2]));
  const long edge = std::atol(argv[3]);
  if (!(pixelHeight > 0.0f)) {
    std::fprintf(stderr, "fontbake: PIXEL_HEIGHT '%s' is not a number above 0\n%s", argv[2],
                 kUsage);
    return 2;
  }
  if (edge < 1 || edge > long(kFontMaxEdge)) {
    std::fprintf(stderr, "fontbake: EDGE '%s' is not a texture size from 1 to %u\n%s", argv[3],
                 kFontMaxEdge, kUsage);
    return 2;
  }
  FontFileData font;
  if (!Bake(ttf, pixelHeight, uint32_t(edge), font)) return 1;
  std::vector<uint8_t> file = EncodeFontFile(font, true);
  const std::string out = argv[4], temp = out + ".tmp";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    if (!f) {
      std::fprintf(stderr, "fontbake: cannot write %s\n", temp.c_str());
      return 1;
    }
  }
  if (std::rename(temp.c_str(), out.c_str()) != 0) {
    std::fprintf(stderr, "fontbake: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
