// Menus in a running engine: the "menudemo" sample mod (every widget and the
// four message-box styles) against its golden image
// (tests/data/golden/menudemo.png; regenerate with KAZ_UPDATE_GOLDEN=1), its
// boxes answered from the keyboard; and a menu of the test's own drawn by
// real OpenGL. (The cove's menus are played by CoveGame.*.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ImageCompare.h"
#include "common/TestFiles.h"
#include "core/TestEngine.h"
#include "menu/MenuManager.h"
#include "render/gpu/VideoManager.h"

namespace {

class MenuModTest : public EngineTest {
 protected:
  KazEngine* Start(const char* mod) {
    return EngineTest::Start(
        {"-mod", mod, "-ResX", "640", "-ResY", "480", "-ShowRecentConsoleEntries", "0"});
  }
  bool Printed(const std::string& text) const { return m_out.Count(text) > 0; }
  int Run(KazEngine*, int frames) { return EngineTest::Run(frames, 0.02); }
  kaztest::RgbImage Shot(KazEngine* engine) {
    Run(engine, 1);
    m_lastShot = Screenshot();
    kaztest::RgbImage image;
    EXPECT_TRUE(kaztest::ReadImage(m_lastShot, &image));
    return image;
  }

  std::string m_lastShot;
};

TEST_F(MenuModTest, MenuDemoMatchesItsGoldenImageAndItsBoxesAnswerFromTheKeyboard) {
  KazEngine* engine = Start("menudemo");
  ASSERT_NE(engine, nullptr);
  Run(engine, 2);
  kaztest::RgbImage image = Shot(engine);
  ASSERT_EQ(image.width, 640);
  EXPECT_TRUE(kaztest::MatchesGolden(m_lastShot, kaztest::GoldenDir() + "/menudemo.png"));

  // Its boxes answer from the keyboard.
  engine->OnChar(13);  // box 1: Okay
  Run(engine, 1);
  engine->OnKeyDown(EngineKey_Right);  // box 2: Cancel
  engine->OnChar(13);
  Run(engine, 1);
  engine->OnKeyDown(EngineKey_Right);  // box 3: No
  engine->OnChar(13);
  Run(engine, 1);
  engine->OnChar(13);  // box 4: Yes
  Run(engine, 1);
  for (const char* answer :
       {"box 1 answered 1", "box 2 answered 2", "box 3 answered 4", "box 4 answered 3"})
    EXPECT_TRUE(Printed(std::string("MenuDemo: ") + answer)) << answer;
  EXPECT_EQ(GetMenuManager().GetMessageBoxCount(), 0u);
  engine->OnKeyUp(EngineKey_Right);
  engine->OnKeyDown(EngineKey_Down);  // from the button to the switch
  engine->OnKeyDown(EngineKey_Left);
  EXPECT_TRUE(Printed("MenuDemo: widget 3 event 4"));
  EXPECT_TRUE(Printed("MenuDemo: widget 4 event 3"));
}

// A menu of our own, drawn by real OpenGL: the backgrounds carry the blended
// colours and every lit pixel outside the box lies in a widget's rectangle.
TEST_F(MenuModTest, WidgetsAndABoxDrawInsideTheirRectangles) {
  KazEngine* engine = Start("gallery");  // an empty world
  ASSERT_NE(engine, nullptr);
  MenuManager& menus = GetMenuManager();
  menus.ClearMenuStack();
  auto menu = Ref<Menu::BaseMenu>::Adopt(Menu::BaseMenu::Create(&menus));
  ASSERT_NE(menu->AddWidget(WidgetType_Button, 1, "Play", 20, 40, 200, 30), nullptr);
  auto* flag = static_cast<BooleanWidget*>(
      menu->AddWidget(WidgetType_Boolean, 2, "Sound", 20, 100, 200, 30));
  auto* list =
      static_cast<ListWidget*>(menu->AddWidget(WidgetType_List, 3, "Level", 20, 400, 200, 30));
  ASSERT_TRUE(flag && list);
  list->AddString("Easy");
  menus.PushMenu(menu.Get());
  menus.MessageBox("Hello", 1, nullptr, nullptr, 0.0f, 0);
  const int fontHeight = flag->GetFontHeight();
  ASSERT_GT(fontHeight, 0);
  kaztest::RgbImage image = Shot(engine);
  ASSERT_EQ(image.width, 640);

  // Menu background: 0.25 at half alpha over black; the box's 0.15, opaque.
  EXPECT_NEAR(image.At(600, 460)[0], 32, 3);
  EXPECT_NEAR(image.At(124, 144)[1], 38, 3);
  struct Box {
    int x1, y1, x2, y2;
    int lit = 0;
  };
  std::vector<Box> rects;
  for (const Ref<Widget>& w : menu->GetWidgets())
    rects.push_back({w->GetX(), w->GetY(), w->GetX() + 150 + 80, w->GetY() + fontHeight + 4});
  int stray = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      if (x >= 120 && x < 520 && y >= 140 && y < 340) continue;  // the box
      const uint8_t* p = image.At(x, y);
      if (p[0] < 90 && p[1] < 90 && p[2] < 90) continue;
      bool inside = false;
      for (Box& r : rects)
        if (x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2) {
          ++r.lit;
          inside = true;
        }
      stray += inside ? 0 : 1;
    }
  EXPECT_EQ(stray, 0);
  for (const Box& r : rects) EXPECT_GT(r.lit, 20) << "nothing drawn at y " << r.y1;
  // The box's button text lies in its lower half.
  int boxLit = 0;
  for (int y = 240; y < 340; ++y)
    for (int x = 120; x < 520; ++x) boxLit += image.At(x, y)[0] > 200 ? 1 : 0;
  EXPECT_GT(boxLit, 20);
}

}  // namespace
