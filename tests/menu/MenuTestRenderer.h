// MenuTestRenderer.h - a menu renderer with a font of known glyph widths
// (a blank 5 pixels, every other character 10, 16 pixels high) that records
// what is drawn and counts what is loaded and released; a 640x480 manager over it.
#pragma once

#include "menu/MenuManager.h"
#include "menu/MenuRenderer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace menutest {

struct DrawnText {
  std::string text;
  int x, y;
  Vector4D colour;
};

struct DrawnQuad {
  MenuHandle texture;
  int x1, y1, x2, y2;
  Vector4D colour;
};

class TestRenderer : public MenuRenderer {
 public:
  MenuHandle LoadFont(const char* name) override { return Load(name); }
  void ReleaseFont(MenuHandle font) override { --m_live[font]; }
  MenuHandle LoadTexture(const char* name) override { return Load(name); }
  void ReleaseTexture(MenuHandle texture) override { --m_live[texture]; }
  int GetFontHeight(MenuHandle font) override { return font ? 16 : 0; }
  int GetTextWidth(MenuHandle font, const char* text, size_t length) override {
    if (!font) return 0;
    int width = 0;
    for (size_t i = 0; i < length; ++i) width += text[i] == ' ' ? 5 : 10;
    return width;
  }
  void DrawQuad(MenuHandle texture, int x1, int y1, int x2, int y2, const Vector4D& colour, float,
                float, float, float) override {
    quads.push_back({texture, x1, y1, x2, y2, colour});
  }
  void DrawText(MenuHandle, const char* text, size_t length, int x, int y,
                const Vector4D& colour) override {
    texts.push_back({std::string(text, length), x, y, colour});
  }

  // Handles still held.
  int Live() const {
    int live = 0;
    for (const auto& [handle, count] : m_live) live += count;
    return live;
  }
  const DrawnText* FindText(const std::string& text) const {
    for (const DrawnText& drawn : texts)
      if (drawn.text == text) return &drawn;
    return nullptr;
  }

  std::vector<DrawnText> texts;
  std::vector<DrawnQuad> quads;

 private:
  // Names starting with "Missing" cannot be loaded.
  MenuHandle Load(const char* name) {
    if (std::string(name).rfind("Missing", 0) == 0) return 0;
    MenuHandle handle = m_handles.emplace(name, m_handles.size() + 1).first->second;
    ++m_live[handle];
    return handle;
  }
  std::map<std::string, MenuHandle> m_handles;
  std::map<MenuHandle, int> m_live;
};

// What scripted menus report, one line each: "id occasion menu a b".
struct Reports {
  Reports() {
    Menu::SetScriptedMenuReporter([this](int id, int occasion, Menu::BaseMenu* menu, int a, int b) {
      const std::string head = std::to_string(id), ab = std::to_string(a) + " " + std::to_string(b);
      if (occasion == Menu::MenuOccasion_Activate)
        lines.push_back(
            head + " activate " +
            (menu ? std::to_string(static_cast<Menu::ScriptedMenu*>(menu)->GetEventId()) : "none"));
      else if (occasion == Menu::MenuOccasion_Deactivate)
        lines.push_back(head + " deactivate");
      else
        lines.push_back(head + (occasion == Menu::MenuOccasion_Resize ? " resize " : " widget ") +
                        ab);
    });
  }
  ~Reports() { Menu::SetScriptedMenuReporter(nullptr); }
  std::vector<std::string> Take() { return std::exchange(lines, {}); }
  std::vector<std::string> lines;
};

// An initialised manager over the test renderer; every font and texture is released at the end.
class MenuFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_manager.Initialise(&m_renderer, 640, 480)); }
  void TearDown() override {
    m_manager.Shutdown();
    EXPECT_EQ(m_renderer.Live(), 0) << "fonts or textures left loaded";
  }
  TestRenderer m_renderer;
  MenuManager m_manager;
};

}  // namespace menutest
