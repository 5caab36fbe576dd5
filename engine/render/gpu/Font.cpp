// Font.cpp - bitmap fonts and their resource; see Font.h.
#include "render/gpu/Font.h"

#include <algorithm>

#include "base/Log.h"
#include "render/device/Image.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "tier0/ResourceManager.h"

namespace {

ResourceManager& FontManager() {
  static ResourceManager manager("GLFontResource");
  return manager;
}

// Font files larger than this cannot be real: 4096 x 4096 raw plus the header.
constexpr size_t kMaxFontFileSize = kFontHeaderSize + size_t(kFontMaxEdge) * kFontMaxEdge;

bool IsContinuation(uint8_t b) {
  return (b & 0xC0) == 0x80;
}

}  // namespace

std::string DecodeLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t b = uint8_t(utf8[i]);
    size_t need = b >= 0xC2 && b <= 0xDF   ? 1
                  : b >= 0xE0 && b <= 0xEF ? 2
                  : b >= 0xF0 && b <= 0xF4 ? 3
                                           : 0;
    bool whole = need > 0 && i + need < utf8.size();
    for (size_t k = 1; whole && k <= need; ++k) whole = IsContinuation(uint8_t(utf8[i + k]));
    if (!whole) {
      out.push_back(char(b));  // plain ASCII, or a stray byte standing for itself
      ++i;
      continue;
    }
    if (need == 1)
      out.push_back(char(((b & 0x1F) << 6) | (uint8_t(utf8[i + 1]) & 0x3F)));
    else
      out.push_back('?');  // beyond Latin-1: no glyph
    i += need + 1;
  }
  return out;
}

// ---------------------------------------------------------------------------

BitmapFont::~BitmapFont() {
  ReleaseTexture();
}

void BitmapFont::ReleaseTexture() {
  if (m_texture) m_texture->Release();
  m_texture = nullptr;
}

bool BitmapFont::Create(const FontFileData& data) {
  m_edge = data.edge;
  const float size = float(data.edge);
  for (uint32_t i = 0; i < kFontGlyphCount; ++i) {
    const FontGlyphRect& r = data.glyphs[i];
    FontGlyph& g = m_glyphs[i];
    g.width = r.width;
    g.height = r.height;
    g.s0 = float(r.x) / size;
    g.t0 = float(r.y) / size;
    g.s1 = g.s0 + float(r.width) / size;
    g.t1 = g.t0 + float(r.height) / size;
  }
  return MakeTexture(data.coverage);
}

bool BitmapFont::MakeTexture(const std::vector<uint8_t>& coverage) {
  ReleaseTexture();
  Image image;
  image.format = FMT_A8R8G8B8;
  image.width = image.height = m_edge;
  image.levels = 1;
  image.data.resize(1);
  std::vector<uint8_t>& texels = image.data[0];
  texels.resize(coverage.size() * 4);
  for (size_t i = 0; i < coverage.size(); ++i)
    std::fill_n(texels.begin() + std::ptrdiff_t(i * 4), 4, coverage[i]);
  std::string reason;
  m_texture = Texture::Create();
  if (!m_texture || !m_texture->CreateFromImage(image, &reason)) {
    LogError("GLBitmapFont: Failed to create texture of size %dx%d for font. (%s)", int(m_edge),
             int(m_edge), reason.empty() ? "no texture" : reason.c_str());
    ReleaseTexture();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------

FontResource::~FontResource() {
  delete m_font;
}

bool FontResource::Load(bool) {
  Unload(false);
  std::string reason;
  if (!GetVideoManager() || !GetVideoManager()->GetDevice()) {
    reason = "video device not started";
  } else {
    std::string file;
    FontFileData data;
    std::string why;
    if (!ReadPackageFile(GetName(), &file, &why)) {
      reason = why;
    } else if (file.size() > kMaxFontFileSize ||
               !ParseFontFile(file.data(), file.size(), &data, &why)) {
      reason = why.empty() ? "could not load file" : "could not load file: " + why;
    } else {
      m_font = new BitmapFont;
      if (m_font->Create(data)) {
        m_coverage = std::move(data.coverage);
        return true;
      }
      reason = "could not load file";
    }
  }
  Unload(false);
  // Every widget that names the font asks again: one line is enough.
  if (FirstReport("font " + GetName() + " " + reason))
    LogError("Failed to load font resource '%s' (%s)", GetName().c_str(), reason.c_str());
  return false;
}

void FontResource::Unload(bool) {
  delete m_font;
  m_font = nullptr;
  m_coverage.clear();
}

void FontResource::OnVideoShutdown() {
  if (m_font) m_font->ReleaseTexture();
}

BitmapFont* FontResource::GetFont() {
  if (m_font && !m_font->GetTexture() && GetRenderDevice()) m_font->MakeTexture(m_coverage);
  return m_font;
}

int FontResource::GetTextWidth(std::string_view text, float scale) const {
  int width = 0;
  GetTextExtent(text, &width, nullptr, scale, 1.0f);
  return width;
}

int FontResource::GetTextHeight(float scale) const {
  return m_font ? int(float(m_font->GetGlyph('I').height) * scale) : 0;
}

void FontResource::GetTextExtent(std::string_view text, int* width, int* height, float scaleX,
                                 float scaleY) const {
  float w = 0.0f;
  uint16_t h = 0;
  if (m_font)
    for (char c : DecodeLatin1(text)) {
      const FontGlyph& g = m_font->GetGlyph(uint8_t(c));
      w += float(g.width) * scaleX;
      h = std::max(h, g.height);
    }
  if (width) *width = int(w);
  if (height) *height = int(float(h) * scaleY);
}

ResourceManager& GetFontResourceManager() {
  return FontManager();
}

FontResource* GetFontResource(const char* name) {
  if (!name) return nullptr;
  return FontManager().GetOrLoad<FontResource>(name);
}
