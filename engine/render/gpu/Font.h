// Font.h - bitmap fonts: the glyph table and texture, the font resource,
// text measurement.
//
// BitmapFont holds a font file's 256 glyphs (pixel size and texture
// rectangle) and the font texture, in which every channel of a texel is the
// glyph coverage there. FontResource shares one font per file name through
// the resource manager ("GLFontResource") and keeps the coverage image, so
// the texture is made again after the video device was shut down and set up
// anew. Text is UTF-8: DecodeLatin1 turns it into glyph codes (code points up
// to 255; others become '?', a byte that starts no sequence stands for
// itself), which the 2D overlays draw and the measurements count.
// Depends on: FontFile.h, Texture.h, Image.h, VideoManager.h, tier0/Resource*,
// base/Log.
#pragma once

#include "render/device/FontFile.h"
#include "tier0/Resource.h"

#include <cstdint>
#include <string>
#include <string_view>

class Texture;
class ResourceManager;

// One glyph code per character of UTF-8 text.
std::string DecodeLatin1(std::string_view utf8);

struct FontGlyph {
  uint16_t width = 0, height = 0;
  float s0 = 0, t0 = 0, s1 = 0, t1 = 0;
};

class BitmapFont {
 public:
  ~BitmapFont();
  // Glyphs and texture from parsed file data; false (logged) when the texture
  // cannot be made.
  bool Create(const FontFileData& data);
  void ReleaseTexture();
  uint32_t GetEdgeSize() const { return m_edge; }
  const FontGlyph& GetGlyph(uint8_t code) const { return m_glyphs[code]; }
  Texture* GetTexture() const { return m_texture; }
  bool MakeTexture(const std::vector<uint8_t>& coverage);

 private:
  uint32_t m_edge = 0;
  FontGlyph m_glyphs[kFontGlyphCount];
  Texture* m_texture = nullptr;
};

class FontResource : public Resource {
 public:
  explicit FontResource(ResourceManager* manager) : Resource(manager) {}
  ~FontResource() override;

  bool Load(bool initial) override;
  void Unload(bool final) override;
  void OnVideoShutdown() override;
  // Text drawn from the next frame on uses the new font.
  bool Reload() override;

  // The font, with its texture made again if the device was set up anew; null
  // when not loaded.
  BitmapFont* GetFont();
  // Sum of the glyph widths of the (UTF-8) text times scale, truncated.
  int GetTextWidth(std::string_view text, float scale = 1.0f) const;
  // Height of the glyph "I" times scale, truncated.
  int GetTextHeight(float scale = 1.0f) const;
  // Width as above; height: the tallest glyph of the text times scaleY.
  void GetTextExtent(std::string_view text, int* width, int* height, float scaleX = 1.0f,
                     float scaleY = 1.0f) const;

 private:
  BitmapFont* m_font = nullptr;
  std::vector<uint8_t> m_coverage;
};

// The shared font of that name (one more reference), or null after the line
// "Failed to load font resource '%s' (%s)".
FontResource* GetFontResource(const char* name);
ResourceManager& GetFontResourceManager();
