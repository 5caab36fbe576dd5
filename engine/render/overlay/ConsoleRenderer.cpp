// ConsoleRenderer.cpp - see ConsoleRenderer.h.
#include "render/overlay/ConsoleRenderer.h"

#include "render/gpu/Font.h"
#include "render/gpu/VideoManager.h"

// The engine releases the font at shutdown; at process exit the font manager
// may already be gone, so nothing is released here.
ConsoleRenderer::~ConsoleRenderer() = default;

bool ConsoleRenderer::LoadFont(const char* path) {
  ReleaseFont();
  m_font = GetFontResource(path);
  return m_font != nullptr;
}

void ConsoleRenderer::ReleaseFont() {
  if (m_font) m_font->Release();
  m_font = nullptr;
}

void ConsoleRenderer::BeginQuads() {
  if (VideoManager* vm = GetVideoManager()) vm->BeginQuads();
}

void ConsoleRenderer::EndQuads() {
  if (VideoManager* vm = GetVideoManager()) vm->EndQuads();
}

void ConsoleRenderer::BeginFont() {
  if (VideoManager* vm = GetVideoManager(); vm && m_font) vm->BeginFont(m_font);
}

void ConsoleRenderer::EndFont() {
  if (VideoManager* vm = GetVideoManager()) vm->EndFont();
}

void ConsoleRenderer::DrawRectangle(int x1, int y1, int x2, int y2, float red, float green,
                                    float blue, float alpha) {
  if (VideoManager* vm = GetVideoManager())
    vm->AddQuad(float(x1), float(y1), float(x2), float(y2), red, green, blue, alpha, 0.0f, 0.0f,
                1.0f, 1.0f);
}

void ConsoleRenderer::DrawText(std::string_view text, int x, int y, float red, float green,
                               float blue, float alpha) {
  if (VideoManager* vm = GetVideoManager())
    vm->AddText(text, float(x), float(y), red, green, blue, alpha, 1.0f, 1.0f);
}

int ConsoleRenderer::GetFontHeight() {
  return m_font && GetVideoManager() ? m_font->GetTextHeight(1.0f) : 0;
}

int ConsoleRenderer::GetTextWidth(std::string_view text) {
  return m_font && GetVideoManager() ? m_font->GetTextWidth(text, 1.0f) : 0;
}

ConsoleRenderer& GetConsoleRenderer() {
  static ConsoleRenderer renderer;
  return renderer;
}
