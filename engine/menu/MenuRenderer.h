// MenuRenderer.h - what menus and widgets need from the 2D renderer.
//
// Fonts and textures are opaque handles (0 is none); measuring with no handle
// gives 0. VideoMenuRenderer is the engine's implementation over the video
// manager's 2D overlays: fonts and textures come from the resource managers,
// measurements are at scale 1, and every quad and every text is a batch of
// its own. Tests give the menus a renderer of their own.
// Depends on: tier0/Vector.h; the implementation on render/Font.h,
// render/Texture.h and render/VideoManager.h.
#pragma once

#include "tier0/Vector.h"

#include <cstddef>
#include <cstdint>

using MenuHandle = uintptr_t;

class MenuRenderer {
 public:
  virtual ~MenuRenderer() = default;
  virtual MenuHandle LoadFont(const char* name) = 0;
  virtual void ReleaseFont(MenuHandle font) = 0;
  virtual MenuHandle LoadTexture(const char* name) = 0;
  virtual void ReleaseTexture(MenuHandle texture) = 0;
  virtual int GetFontHeight(MenuHandle font) = 0;
  virtual int GetTextWidth(MenuHandle font, const char* text, size_t length) = 0;
  virtual void DrawQuad(MenuHandle texture, int x1, int y1, int x2, int y2, const Vector4D& colour,
                        float uMin, float vMin, float uMax, float vMax) = 0;
  virtual void DrawText(MenuHandle font, const char* text, size_t length, int x, int y,
                        const Vector4D& colour) = 0;
};

class VideoMenuRenderer : public MenuRenderer {
 public:
  MenuHandle LoadFont(const char* name) override;
  void ReleaseFont(MenuHandle font) override;
  MenuHandle LoadTexture(const char* name) override;
  void ReleaseTexture(MenuHandle texture) override;
  int GetFontHeight(MenuHandle font) override;
  int GetTextWidth(MenuHandle font, const char* text, size_t length) override;
  void DrawQuad(MenuHandle texture, int x1, int y1, int x2, int y2, const Vector4D& colour,
                float uMin, float vMin, float uMax, float vMax) override;
  void DrawText(MenuHandle font, const char* text, size_t length, int x, int y,
                const Vector4D& colour) override;
};

// The engine's one menu renderer.
VideoMenuRenderer& GetVideoMenuRenderer();
