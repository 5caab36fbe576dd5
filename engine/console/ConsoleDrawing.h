// ConsoleDrawing.h - what the console draws itself with.
//
// The console sits below the rendering layer, so it cannot reach the video
// manager or fonts itself: the rendering layer implements this interface
// (render/overlay/ConsoleRenderer.h) and the engine hands it to the console
// at start-up, when video is first ready. Coordinates are screen pixels,
// colours 0..1, text UTF-8 (no markup) at scale 1, a text's top left at (x, y).
// Depends on nothing.
#pragma once

#include <string_view>

class ConsoleDrawing {
 public:
  virtual ~ConsoleDrawing() = default;

  // Loads the console font (a package path), replacing any loaded one.
  virtual bool LoadFont(const char* path) = 0;
  virtual void ReleaseFont() = 0;
  virtual bool HasFont() const = 0;

  virtual void BeginQuads() = 0;
  virtual void EndQuads() = 0;
  virtual void BeginFont() = 0;
  virtual void EndFont() = 0;
  virtual void DrawRectangle(int x1, int y1, int x2, int y2, float red, float green, float blue,
                             float alpha) = 0;
  virtual void DrawText(std::string_view text, int x, int y, float red, float green, float blue,
                        float alpha) = 0;
  virtual int GetFontHeight() = 0;
  virtual int GetTextWidth(std::string_view text) = 0;
};
