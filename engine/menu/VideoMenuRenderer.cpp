// VideoMenuRenderer.cpp - see MenuRenderer.h.
#include "menu/MenuRenderer.h"

#include "render/gpu/Font.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"

#include <string_view>

namespace {
FontResource* FontOf(MenuHandle font) {
  return reinterpret_cast<FontResource*>(font);
}
TextureResource* TextureOf(MenuHandle texture) {
  return reinterpret_cast<TextureResource*>(texture);
}
}  // namespace

MenuHandle VideoMenuRenderer::LoadFont(const char* name) {
  return name && *name ? reinterpret_cast<MenuHandle>(GetFontResource(name)) : 0;
}

void VideoMenuRenderer::ReleaseFont(MenuHandle font) {
  if (font) FontOf(font)->Release();
}

MenuHandle VideoMenuRenderer::LoadTexture(const char* name) {
  return name && *name ? reinterpret_cast<MenuHandle>(GetTextureResource(name)) : 0;
}

void VideoMenuRenderer::ReleaseTexture(MenuHandle texture) {
  if (texture) TextureOf(texture)->Release();
}

int VideoMenuRenderer::GetFontHeight(MenuHandle font) {
  return font ? FontOf(font)->GetTextHeight(1.0f) : 0;
}

int VideoMenuRenderer::GetTextWidth(MenuHandle font, const char* text, size_t length) {
  return font && text ? FontOf(font)->GetTextWidth(std::string_view(text, length), 1.0f) : 0;
}

void VideoMenuRenderer::DrawQuad(MenuHandle texture, int x1, int y1, int x2, int y2,
                                 const Vector4D& colour, float uMin, float vMin, float uMax,
                                 float vMax) {
  VideoManager* video = GetVideoManager();
  if (!video) return;
  Texture* glTexture = texture ? TextureOf(texture)->GetTexture() : nullptr;
  if (!video->BeginQuads(glTexture)) return;
  video->AddQuad(float(x1), float(y1), float(x2), float(y2), colour.x, colour.y, colour.z, colour.w,
                 uMin, vMin, uMax, vMax);
  video->EndQuads();
}

void VideoMenuRenderer::DrawText(MenuHandle font, const char* text, size_t length, int x, int y,
                                 const Vector4D& colour) {
  VideoManager* video = GetVideoManager();
  if (!video || !font || !text || length == 0) return;
  if (!video->BeginFont(FontOf(font))) return;
  video->AddText(std::string_view(text, length), float(x), float(y), colour.x, colour.y, colour.z,
                 colour.w, 1.0f, 1.0f);
  video->EndFont();
}

VideoMenuRenderer& GetVideoMenuRenderer() {
  static VideoMenuRenderer renderer;
  return renderer;
}
