// Word wrap with a font of known widths (blank 5, other characters 10):
// long words, runs of blanks, re-wrapping and fitted heights; the linear wrap
// against the cut-back it replaces.
#include "MenuTestRenderer.h"

#include "menu/WordWrap.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using menutest::TestRenderer;

std::vector<std::string> Lines(const std::string& text, int width) {
  TestRenderer renderer;
  std::vector<std::string> lines;
  for (const LineRange& r : WrapText(renderer, 1, text, width))
    lines.push_back(
        text.substr(static_cast<size_t>(r.begin), static_cast<size_t>(r.end - r.begin)));
  return lines;
}

// The cut-back as first written: measure the rest, cut at the last blank or
// one character, until it fits. Quadratic, and stuck on a piece cut to nothing.
std::vector<LineRange> CutBack(MenuRenderer& renderer, const std::string& text, int width) {
  std::vector<LineRange> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.size();
    while (end - start > 1 && renderer.GetTextWidth(1, text.data() + start, end - start) > width) {
      size_t blank = text.rfind(' ', end - 1);
      size_t cut = end - 1;
      if (blank != std::string::npos && blank >= start) {
        cut = blank;
        while (cut > start && text[cut - 1] == ' ') --cut;
        if (cut == start) cut = end - 1;
      }
      end = cut;
    }
    lines.push_back({int(text[start] == ' ' ? start + 1 : start), int(end)});
    start = end;
  }
  return lines;
}

TEST(WordWrapTest, BreaksAtBlanksAndDropsTheLeadingOne) {
  // "aaaa bbbb cccc": 40 + 5 + 40 = 85 fits 90, the third word does not.
  EXPECT_EQ(Lines("aaaa bbbb cccc", 90), (std::vector<std::string>{"aaaa bbbb", "cccc"}));
  EXPECT_EQ(Lines("short", 90), std::vector<std::string>{"short"});
  EXPECT_TRUE(Lines("", 90).empty());
  // A word wider than the widget is cut into pieces that fit; narrower than one
  // character, one character a line, never an endless loop.
  EXPECT_EQ(Lines("abcdefghij", 30), (std::vector<std::string>{"abc", "def", "ghi", "j"}));
  EXPECT_EQ(Lines("abc", 3), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(WordWrapTest, RunsOfBlanksAlwaysAdvance) {
  const std::vector<std::string> leading = Lines("   abcdefgh", 30);
  ASSERT_FALSE(leading.empty());
  EXPECT_LE(leading.size(), 11u);
  const std::vector<std::string> wide = Lines("a" + std::string(40, ' ') + "b", 30);
  size_t characters = 0;
  for (const std::string& line : wide) characters += line.size();
  EXPECT_GE(wide.size(), 2u);
  EXPECT_LE(characters, 42u);
}

TEST(WordWrapTest, GivesTheCutBacksLinesOnRandomText) {
  std::mt19937 random(7);
  TestRenderer renderer;
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t length = random() % 60;
    for (size_t i = 0; i < length; ++i) text += random() % 4 == 0 ? ' ' : char('a' + random() % 26);
    const int width = 10 + static_cast<int>(random() % 120);
    EXPECT_EQ(WrapText(renderer, 1, text, width), CutBack(renderer, text, width))
        << "'" << text << "' in " << width;
  }
}

class StaticTextTest : public menutest::MenuFixture {
 protected:
  void SetUp() override {
    MenuFixture::SetUp();
    m_menu = Ref<Menu::BaseMenu>::Adopt(Menu::BaseMenu::Create(&m_manager));
    m_text = static_cast<StaticTextWidget*>(
        m_menu->AddWidget(WidgetType_StaticText, 1, "aaaa bbbb cccc", 0, 0, 90, 5));
    m_text->SetWordWrap(true);
  }
  void TearDown() override {
    m_menu.Reset();
    MenuFixture::TearDown();
  }
  Ref<Menu::BaseMenu> m_menu;
  StaticTextWidget* m_text = nullptr;
};

TEST_F(StaticTextTest, RewrapsOnSetTextAndSetSize) {
  EXPECT_EQ(m_text->GetLines().size(), 2u);
  m_text->SetText("aaaa");
  EXPECT_EQ(m_text->GetLines().size(), 1u);
  m_text->SetText("aaaa bbbb cccc dddd");
  m_text->SetSize(45, 5);
  EXPECT_EQ(m_text->GetLines().size(), 4u);
  m_text->SetWordWrap(false);
  EXPECT_TRUE(m_text->GetLines().empty());
}

TEST_F(StaticTextTest, DrawsEachLineOnItsOwnRowAndFitsItsHeight) {
  m_text->Draw();
  ASSERT_EQ(m_renderer.texts.size(), 2u);
  EXPECT_EQ(m_renderer.texts[1].text, "cccc");
  EXPECT_EQ(m_renderer.texts[1].y - m_renderer.texts[0].y, 18);
  EXPECT_FLOAT_EQ(m_renderer.texts[0].colour.z, 0.25f);  // the value colour
  m_text->FitHeight();                                   // lines with two-pixel gaps
  EXPECT_EQ(m_text->GetHeight(), 2 * 18);
  EXPECT_EQ(m_text->GetWidth(), 90);
  m_text->SetWordWrap(false);
  m_text->FitHeight();
  EXPECT_EQ(m_text->GetHeight(), 16);
}

}  // namespace
