// ConsoleRenderer.h - the console's drawing over the video manager's 2D
// overlays and a bitmap font resource.
//
// The engine hands GetConsoleRenderer() to the command processor when video
// is first ready; it draws only while a font is loaded and a video manager
// exists, and does nothing (measuring 0) otherwise.
// Depends on: console/ConsoleDrawing.h, Font.h, VideoManager.h.
#pragma once

#include "console/ConsoleDrawing.h"

class FontResource;

class ConsoleRenderer : public ConsoleDrawing {
 public:
  ~ConsoleRenderer() override;

  bool LoadFont(const char* path) override;
  void ReleaseFont() override;
  bool HasFont() const override { return m_font != nullptr; }

  void BeginQuads() override;
  void EndQuads() override;
  void BeginFont() override;
  void EndFont() override;
  void DrawRectangle(int x1, int y1, int x2, int y2, float red, float green, float blue,
                     float alpha) override;
  void DrawText(std::string_view text, int x, int y, float red, float green, float blue,
                float alpha) override;
  int GetFontHeight() override;
  int GetTextWidth(std::string_view text) override;

  FontResource* GetFont() const { return m_font; }

 private:
  FontResource* m_font = nullptr;
};

// The engine's one console renderer.
ConsoleRenderer& GetConsoleRenderer();
