// The menu stack: activation order and what scripted menus hear, pops,
// clears, and input that pops the menu handling it.
#include "MenuTestRenderer.h"

#include <gtest/gtest.h>

namespace {

using menutest::Reports;

class MenuStackTest : public menutest::MenuFixture {
 protected:
  void TearDown() override {
    MenuFixture::TearDown();
    EXPECT_EQ(Menu::ScriptedMenu::s_pool.GetInUseCount(), 0u);
  }
  Ref<Menu::ScriptedMenu> Make(int id) {
    return Ref<Menu::ScriptedMenu>::Adopt(Menu::ScriptedMenu::Create(&m_manager, id));
  }

  Reports m_reports;
};

TEST_F(MenuStackTest, PushPushPopReportsInOrder) {
  auto a = Make(1), b = Make(2);
  EXPECT_TRUE(m_manager.PushMenu(a.Get()));
  EXPECT_EQ(m_reports.Take(), (std::vector<std::string>{"1 resize 640 480", "1 activate none"}));
  EXPECT_TRUE(m_manager.PushMenu(b.Get()));
  EXPECT_EQ(m_reports.Take(),
            (std::vector<std::string>{"1 deactivate", "2 resize 640 480", "2 activate 1"}));
  m_manager.PopMenu();
  EXPECT_EQ(m_reports.Take(),
            (std::vector<std::string>{"2 deactivate", "1 resize 640 480", "1 activate 2"}));
  EXPECT_EQ(m_manager.GetActiveMenu(), a.Get());
  m_manager.SetScreenSize(800, 600);  // a resize reaches the active menu
  EXPECT_EQ(m_reports.Take(), std::vector<std::string>{"1 resize 800 600"});
  EXPECT_EQ(a->GetWidth(), 800);
}

TEST_F(MenuStackTest, PoppingTheLastMenuLeavesNoneAndEmptyPopsOrPushesAreHarmless) {
  EXPECT_FALSE(m_manager.PushMenu(nullptr));
  EXPECT_EQ(m_manager.GetStackSize(), 0u);
  auto a = Make(1);
  m_manager.PushMenu(a.Get());
  m_reports.Take();
  m_manager.PopMenu();
  EXPECT_EQ(m_reports.Take(), std::vector<std::string>{"1 deactivate"});
  EXPECT_EQ(m_manager.GetActiveMenu(), nullptr);
  m_manager.PopMenu();
  EXPECT_TRUE(m_reports.Take().empty());
  EXPECT_EQ(a->GetRefCount(), 1u) << "the stack kept a reference";
}

TEST_F(MenuStackTest, ClearDeactivatesOnlyTheActiveMenuOnce) {
  auto a = Make(1), b = Make(2);
  m_manager.PushMenu(a.Get());
  m_manager.PushMenu(b.Get());
  m_reports.Take();
  m_manager.ClearMenuStack();
  EXPECT_EQ(m_reports.Take(), std::vector<std::string>{"2 deactivate"});
  EXPECT_EQ(m_manager.GetStackSize(), 0u);
  EXPECT_EQ(a->GetRefCount(), 1u);
  EXPECT_EQ(b->GetRefCount(), 1u);
}

TEST_F(MenuStackTest, AButtonThatPopsItsOwnMenuSurvivesItsEvent) {
  {
    auto a = Make(1);
    ASSERT_NE(a->AddWidget(WidgetType_Button, 7, "Back", 0, 0, 100, 20), nullptr);
    m_manager.PushMenu(a.Get());
  }  // only the stack holds the menu now
  Menu::SetScriptedMenuReporter([this](int, int occasion, Menu::BaseMenu*, int, int code) {
    if (occasion == Menu::MenuOccasion_WidgetEvent && code == WidgetEvent_Activated)
      m_manager.ClearMenuStack();
  });
  m_manager.HandleInput(MenuInput_Enter);  // AddressSanitizer sees any use after free
  EXPECT_EQ(m_manager.GetActiveMenu(), nullptr);
  EXPECT_EQ(Menu::ScriptedMenu::s_pool.GetInUseCount(), 0u);
}

TEST_F(MenuStackTest, InputGoesToTheNewestMessageBoxFirst) {
  auto a = Make(1);
  a->AddWidget(WidgetType_Boolean, 3, "Sound", 0, 0, 100, 20);
  m_manager.PushMenu(a.Get());
  m_manager.MessageBox("Sure?", 1, nullptr, nullptr, 0.0f, 0);
  m_reports.Take();
  m_manager.HandleInput(MenuInput_Right);
  EXPECT_TRUE(m_reports.Take().empty());
  EXPECT_FALSE(static_cast<BooleanWidget*>(a->FindWidget(3))->GetValue());
}

TEST_F(MenuStackTest, CarriageReturnIsEnter) {
  auto a = Make(1);
  a->AddWidget(WidgetType_Button, 4, "Go", 0, 0, 100, 20);
  m_manager.PushMenu(a.Get());
  m_reports.Take();
  m_manager.OnChar(13);
  EXPECT_EQ(m_reports.Take(), std::vector<std::string>{"1 widget 4 2"});
}

TEST_F(MenuStackTest, DrawsTheActiveMenuThenTheBoxes) {
  auto a = Make(1);
  a->AddWidget(WidgetType_Button, 4, "Go", 10, 10, 100, 20);
  m_manager.PushMenu(a.Get());
  m_manager.MessageBox("Hello", 1, nullptr, nullptr, 0.0f, 0);
  m_manager.Draw();
  ASSERT_EQ(m_renderer.quads.size(), 2u);  // the two backgrounds
  EXPECT_FLOAT_EQ(m_renderer.quads[0].colour.w, 0.5f);
  EXPECT_FLOAT_EQ(m_renderer.quads[1].colour.w, 1.0f);
  ASSERT_NE(m_renderer.FindText("Go"), nullptr);
  ASSERT_NE(m_renderer.FindText("Okay"), nullptr);
}

TEST(MenuWithoutManager, HasNoFontMeasuresZeroAndDrawsNothing) {
  MenuManager manager;  // never initialised
  auto menu = Ref<Menu::BaseMenu>::Adopt(Menu::BaseMenu::Create(&manager));
  Widget* text = menu->AddWidget(WidgetType_StaticText, 1, "Hello there", 0, 0, 30, 10);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetFont(), 0u);
  EXPECT_EQ(text->GetFontHeight(), 0);
  static_cast<StaticTextWidget*>(text)->SetWordWrap(true);
  static_cast<StaticTextWidget*>(text)->FitHeight();
  EXPECT_EQ(text->GetHeight(), 0);
  EXPECT_TRUE(menu->Draw());
  EXPECT_TRUE(manager.MessageBox("x", 1, nullptr, nullptr, 0.0f, 0));
  manager.Update(0.1f);
  manager.Draw();
  manager.Shutdown();
}

}  // namespace
