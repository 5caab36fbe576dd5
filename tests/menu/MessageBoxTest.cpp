// Message boxes: buttons and layout, the countdown, the result through the
// callback exactly once, and boxes opened from a callback.
#include "MenuTestRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Results {
  std::vector<int> values;
  static void Record(int result, void* self) {
    static_cast<Results*>(self)->values.push_back(result);
  }
};

class MessageBoxTest : public menutest::MenuFixture {
 protected:
  void TearDown() override {
    MenuFixture::TearDown();
    EXPECT_EQ(Menu::MessageBox::s_pool.GetInUseCount(), 0u);
  }
  Menu::MessageBox* Open(const std::string& text, int style, float timeout = 0.0f, int result = 0) {
    EXPECT_TRUE(m_manager.MessageBox(text, style, &Results::Record, &m_results, timeout, result));
    return m_manager.GetMessageBox(m_manager.GetMessageBoxCount() - 1);
  }
  std::vector<std::pair<std::string, int>> Buttons(Menu::MessageBox* box) {
    std::vector<std::pair<std::string, int>> buttons;
    for (const Ref<Widget>& w : box->GetWidgets())
      if (w->GetType() == WidgetType_Button) buttons.emplace_back(w->GetText(), w->GetX());
    return buttons;
  }

  Results m_results;
};

TEST_F(MessageBoxTest, EachStyleHasItsButtonsCentredInARow) {
  // Buttons are as wide as the widest label (at least 50), 10 apart.
  using B = std::vector<std::pair<std::string, int>>;
  EXPECT_EQ(Buttons(Open("x", 1)), (B{{"Okay", 170}}));
  EXPECT_EQ(Buttons(Open("x", 2)), (B{{"Okay", 130}, {"Cancel", 200}}));
  EXPECT_EQ(Buttons(Open("x", 3)), (B{{"Yes", 140}, {"No", 200}}));
  EXPECT_EQ(Buttons(Open("x", 4)), (B{{"Yes", 95}, {"No", 165}, {"Cancel", 235}}));
  EXPECT_TRUE(Buttons(Open("x", 9)).empty());
  EXPECT_EQ(m_manager.GetMessageBox(3)->GetFocusWidget()->GetText(), "Yes");
}

TEST_F(MessageBoxTest, TenLinesOfASixteenPixelFontMakeA255PixelBox) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww ";  // 340 pixels a line
  Menu::MessageBox* box = Open(text, 1);
  EXPECT_EQ(box->GetHeight(), 255);
  EXPECT_EQ(box->GetWidth(), 400);
  EXPECT_EQ(box->GetX(), 120);
  EXPECT_EQ(box->GetY(), 240 - 127);
  EXPECT_EQ(box->FindWidget(Menu::kMessageBoxCountdownId)->GetY(), 230);
  EXPECT_EQ(Open("short", 1)->GetHeight(), 200);
  m_manager.SetScreenSize(1000, 800);
  EXPECT_EQ(box->GetX(), 300) << "laid out again on resize";
}

TEST_F(MessageBoxTest, CountsDownInWholeSecondsThenReportsTheTimeoutOnce) {
  Menu::MessageBox* box = Open("Wait", 2, 5.0f, 2);
  Ref<Menu::MessageBox> keep = Ref<Menu::MessageBox>::Share(box);
  Widget* countdown = box->FindWidget(Menu::kMessageBoxCountdownId);
  std::vector<std::string> shown;
  for (int frame = 0; frame < 60; ++frame) {
    m_manager.Update(0.1f);
    if (shown.empty() || shown.back() != countdown->GetText())
      shown.push_back(countdown->GetText());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"5", "4", "3", "2", "1", ""}));
  EXPECT_EQ(m_results.values, std::vector<int>{2});
  EXPECT_EQ(m_manager.GetMessageBoxCount(), 0u);
}

TEST_F(MessageBoxTest, EnterBeforeTheTimeoutReportsTheButtonAndNothingMore) {
  Menu::MessageBox* box = Open("Quit?", 3, 5.0f, 2);
  m_manager.Update(1.0f);
  m_manager.HandleInput(MenuInput_Right);
  m_manager.HandleInput(MenuInput_Enter);
  m_manager.HandleInput(MenuInput_Enter);  // the same frame: the box is closed already
  EXPECT_EQ(m_results.values, std::vector<int>{4});
  EXPECT_TRUE(box->IsClosed());
  EXPECT_EQ(m_manager.GetMessageBoxCount(), 1u) << "removed at the next update";
  m_manager.Update(10.0f);
  EXPECT_EQ(m_manager.GetMessageBoxCount(), 0u);
  EXPECT_EQ(m_results.values, std::vector<int>{4});
}

TEST_F(MessageBoxTest, UpAndDownDoNothingLeftWrapsToTheLastButton) {
  Menu::MessageBox* box = Open("?", 4);
  m_manager.HandleInput(MenuInput_Down);
  m_manager.HandleInput(MenuInput_Escape);
  EXPECT_EQ(box->GetFocusWidget()->GetText(), "Yes");
  m_manager.HandleInput(MenuInput_Left);
  EXPECT_EQ(box->GetFocusWidget()->GetText(), "Cancel");
  m_manager.OnChar(13);
  EXPECT_EQ(m_results.values, std::vector<int>{2});
}

TEST_F(MessageBoxTest, TimeoutsThatAreNotNumbersOrTooLargeStaySafe) {
  Menu::MessageBox* nan = Open("a", 1, std::numeric_limits<float>::quiet_NaN(), 7);
  Menu::MessageBox* inf = Open("b", 1, std::numeric_limits<float>::infinity(), 7);
  Menu::MessageBox* huge = Open("c", 1, 1e20f, 7);
  m_manager.Update(0.5f);
  EXPECT_EQ(nan->FindWidget(Menu::kMessageBoxCountdownId)->GetText(), "");
  EXPECT_EQ(inf->FindWidget(Menu::kMessageBoxCountdownId)->GetText(), "2147483647");
  EXPECT_EQ(huge->FindWidget(Menu::kMessageBoxCountdownId)->GetText(), "2147483647");
  EXPECT_TRUE(m_results.values.empty());
}

struct Chain {
  MenuManager* manager;
  int calls = 0;
  static void OpenAnother(int, void* self) {
    auto* chain = static_cast<Chain*>(self);
    ++chain->calls;
    for (int i = 0; i < 8; ++i)  // enough to move the list's storage
      chain->manager->MessageBox("next", 1, nullptr, nullptr, 0.5f, 0);
  }
};

TEST_F(MessageBoxTest, ATimeoutThatOpensBoxesLeavesThemForTheNextFrame) {
  Chain chain{&m_manager};
  m_manager.MessageBox("first", 1, &Chain::OpenAnother, &chain, 0.1f, 0);
  m_manager.Update(1.0f);
  EXPECT_EQ(chain.calls, 1);
  ASSERT_EQ(m_manager.GetMessageBoxCount(), 8u);
  EXPECT_FLOAT_EQ(m_manager.GetMessageBox(0)->GetRemainingTime(), 0.5f) << "not updated yet";
}

}  // namespace
