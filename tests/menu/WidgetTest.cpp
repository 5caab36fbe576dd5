// Widgets: focus movement, the input tables and their events, the list
// operations, fonts and textures, drawing colours.
#include "MenuTestRenderer.h"

#include <gtest/gtest.h>

namespace {

using menutest::Reports;

class WidgetTest : public menutest::MenuFixture {
 protected:
  void SetUp() override {
    MenuFixture::SetUp();
    m_menu = Ref<Menu::ScriptedMenu>::Adopt(Menu::ScriptedMenu::Create(&m_manager, 9));
  }
  void TearDown() override {
    m_menu.Reset();
    MenuFixture::TearDown();
  }
  Widget* Add(int type, int id, const char* text = "W") {
    return m_menu->AddWidget(type, id, text, 0, 20 * id, 100, 20);
  }
  int FocusId() const { return m_menu->GetFocusWidget() ? m_menu->GetFocusWidget()->GetID() : -1; }

  Ref<Menu::ScriptedMenu> m_menu;
  Reports m_reports;
};

TEST_F(WidgetTest, FocusWrapsAroundSkippingStaticHiddenAndDisabled) {
  Add(WidgetType_Button, 1);
  Add(WidgetType_StaticText, 2);
  Add(WidgetType_Button, 3)->Show(false);
  Add(WidgetType_Button, 4)->Enable(false);
  Add(WidgetType_List, 5);
  ASSERT_EQ(FocusId(), 1);
  m_menu->HandleInput(MenuInput_Down);
  EXPECT_EQ(FocusId(), 5);
  m_menu->HandleInput(MenuInput_Down);
  EXPECT_EQ(FocusId(), 1);
  m_menu->HandleInput(MenuInput_Up);
  EXPECT_EQ(FocusId(), 5);
}

TEST_F(WidgetTest, ALoneStaticTextKeepsTheFocus) {
  Add(WidgetType_StaticText, 1);
  EXPECT_EQ(FocusId(), 1);
  m_menu->OnWidgetEvent(1, WidgetEvent_FocusNext);
  EXPECT_EQ(FocusId(), 1);
}

TEST_F(WidgetTest, ADisabledButtonIgnoresEnterButPassesDownOn) {
  Add(WidgetType_Button, 1)->Enable(false);
  Add(WidgetType_Button, 2);
  m_reports.Take();
  m_menu->HandleInput(MenuInput_Enter);
  EXPECT_TRUE(m_reports.Take().empty());
  m_menu->HandleInput(MenuInput_Down);
  EXPECT_EQ(m_reports.Take(), std::vector<std::string>{"9 widget 1 4"});
  EXPECT_EQ(FocusId(), 2);
}

TEST_F(WidgetTest, SwitchFlipsOnEnterLeftAndRightAndEditBoxReportsThem) {
  auto* flag = static_cast<BooleanWidget*>(Add(WidgetType_Boolean, 1));
  m_reports.Take();
  for (int code : {MenuInput_Enter, MenuInput_Left, MenuInput_Right}) {
    const bool before = flag->GetValue();
    flag->HandleInput(code);
    EXPECT_NE(flag->GetValue(), before) << code;
  }
  EXPECT_EQ(m_reports.Take(),
            (std::vector<std::string>{"9 widget 1 3", "9 widget 1 3", "9 widget 1 3"}));
  flag->HandleInput(MenuInput_Escape);
  flag->SetValue(false);
  EXPECT_TRUE(m_reports.Take().empty());
  Widget* edit = Add(WidgetType_EditBox, 2);
  for (int code : {MenuInput_Left, MenuInput_Right, MenuInput_Enter}) edit->HandleInput(code);
  EXPECT_EQ(m_reports.Take(),
            (std::vector<std::string>{"9 widget 2 6", "9 widget 2 7", "9 widget 2 2"}));
}

TEST_F(WidgetTest, ListStepsWrapBothWaysAndReportChanges) {
  auto* list = static_cast<ListWidget*>(Add(WidgetType_List, 1));
  EXPECT_EQ(list->AddString("a"), 0);
  EXPECT_EQ(list->GetCurSel(), 0);
  list->AddString("b");
  list->AddString("c");
  ASSERT_TRUE(list->SetCurSel(2));
  m_reports.Take();
  list->HandleInput(MenuInput_Right);
  EXPECT_EQ(list->GetCurSel(), 0);
  list->HandleInput(MenuInput_Left);
  EXPECT_EQ(list->GetCurSel(), 2);
  list->HandleInput(MenuInput_Enter);
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_EQ(m_reports.Take().size(), 3u);
}

TEST_F(WidgetTest, ListOperationsAtTheirEdges) {
  auto* list = static_cast<ListWidget*>(Add(WidgetType_List, 1));
  for (const char* s : {"One", "Two", "Three"}) list->AddString(s);
  EXPECT_FALSE(list->RemoveString(5));
  EXPECT_FALSE(list->RemoveString(-1));
  EXPECT_EQ(list->FindString("two"), -1);
  EXPECT_EQ(list->FindString("Two"), 1);
  EXPECT_FALSE(list->SetCurSel(3));
  list->SetCurSel(2);
  EXPECT_TRUE(list->RemoveString(2));
  EXPECT_EQ(list->GetCurSel(), 2) << "the current index is kept";
  EXPECT_EQ(list->GetString(2), "");
  m_reports.Take();
  list->HandleInput(MenuInput_Right);  // no item is current: nothing moves
  EXPECT_TRUE(m_reports.Take().empty());
  list->Reverse();
  EXPECT_EQ(list->GetString(0), "Two");
  list->Clear();
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(WidgetTest, AFailedSetFontOrSetTextureKeepsTheOldHandle) {
  Widget* button = Add(WidgetType_Button, 1);
  const MenuHandle font = button->GetFont();
  ASSERT_NE(font, 0u);
  EXPECT_FALSE(button->SetFont("Missing.f"));
  EXPECT_EQ(button->GetFont(), font);
  EXPECT_TRUE(button->SetTexture(2, "Textures/a.png"));
  const MenuHandle texture = button->GetTexture(2);
  EXPECT_FALSE(button->SetTexture(2, "Missing.png"));
  EXPECT_EQ(button->GetTexture(2), texture);
  EXPECT_FALSE(button->SetTexture(5, "Textures/a.png"));
  EXPECT_TRUE(button->SetTexture(2, ""));
  EXPECT_EQ(button->GetTexture(2), 0u);
}

TEST_F(WidgetTest, DuplicateIdsAndUnknownTypesAreRefused) {
  EXPECT_NE(Add(WidgetType_Button, 7), nullptr);
  EXPECT_EQ(Add(WidgetType_Button, 7), nullptr);
  EXPECT_EQ(Add(6, 8), nullptr);
  EXPECT_EQ(Add(-1, 9), nullptr);
}

TEST_F(WidgetTest, TextColourFollowsTheState) {
  Add(WidgetType_Button, 1, "Focused");
  Add(WidgetType_Button, 2, "Normal");
  Add(WidgetType_Button, 3, "Off")->Enable(false);
  Add(WidgetType_Boolean, 4, "Flag");
  m_menu->Draw();
  EXPECT_FLOAT_EQ(m_renderer.FindText("Focused")->colour.x, 1.0f);
  EXPECT_FLOAT_EQ(m_renderer.FindText("Normal")->colour.x, 0.5f);
  EXPECT_FLOAT_EQ(m_renderer.FindText("Off")->colour.x, 0.25f);
  const auto* value = m_renderer.FindText("no");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->x, m_renderer.FindText("Flag")->x + 150);
  EXPECT_FLOAT_EQ(value->colour.y, 0.5f);
}

TEST_F(WidgetTest, SetFocusTakesOnlyWidgetsOfTheMenu) {
  Add(WidgetType_Button, 1);
  Widget* second = Add(WidgetType_Button, 2);
  auto other = Ref<Menu::BaseMenu>::Adopt(Menu::BaseMenu::Create(&m_manager));
  Widget* foreign = other->AddWidget(WidgetType_Button, 2, "x", 0, 0, 10, 10);
  m_menu->SetFocusWidget(foreign);
  EXPECT_EQ(FocusId(), 1);
  m_menu->SetFocusWidget(second);
  EXPECT_EQ(FocusId(), 2);
}

TEST(WidgetLifetime, AWidgetOutlivingItsMenuReleasesWhatItLoadsLater) {
  menutest::TestRenderer renderer;
  MenuManager manager;
  ASSERT_TRUE(manager.Initialise(&renderer, 640, 480));
  auto menu = Ref<Menu::BaseMenu>::Adopt(Menu::BaseMenu::Create(&manager));
  Ref<Widget> kept = Ref<Widget>::Share(menu->AddWidget(WidgetType_Button, 1, "x", 0, 0, 1, 1));
  menu.Reset();
  EXPECT_EQ(kept->GetMenu(), nullptr);
  EXPECT_EQ(renderer.Live(), 0);
  EXPECT_TRUE(kept->SetFont("Fonts/other.f"));
  kept.Reset();
  EXPECT_EQ(renderer.Live(), 0);
  manager.Shutdown();
}

}  // namespace
