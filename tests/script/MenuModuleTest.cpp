// The _Menu module from Python: argument errors, wrappers, widgets, the
// stack's events through _Core.HandleEvent, and shutdown with menus still
// held. Message boxes answering a script are the menudemo mod's part (MenuModTest).
#include "ScriptFixture.h"

#include "menu/MenuTestRenderer.h"

namespace {

using scripttest::ScriptFixture;

class MenuModuleTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    ASSERT_TRUE(GetMenuManager().Initialise(&m_renderer, 640, 480));
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(
        Exec("import _Menu, _Core, Engine\n"
             "got = []\n"
             "for i in (1, 2, 42): _Core.SetEventHandler(i, lambda v, i=i: got.append((i, v)))\n"
             "m = _Menu.CreateMenu(1)\n"
             "b = _Menu.menuAddWidget(m, 2, 7, 'Start', 100, 100, 200, 20)\n"),
        "ok");
  }
  void TearDown() override {
    ScriptFixture::TearDown();
    GetMenuManager().Shutdown();
    EXPECT_EQ(Menu::ScriptedMenu::s_pool.GetInUseCount(), 0u);
    EXPECT_EQ(Menu::MessageBox::s_pool.GetInUseCount(), 0u);
    EXPECT_EQ(ButtonWidget::s_pool.GetInUseCount(), 0u);
    EXPECT_EQ(StaticTextWidget::s_pool.GetInUseCount(), 0u);
    EXPECT_EQ(m_renderer.Live(), 0);
  }
  menutest::TestRenderer m_renderer;
};

TEST_F(MenuModuleTest, ArgumentErrorsRaiseTheirOwnTexts) {
  EXPECT_EQ(Eval("_Menu.PushMenu(1)"), "raise TypeError: first parameter must be a MenuObject");
  EXPECT_EQ(Eval("_Menu.menuAddWidget(b, 2, 8, 'x', 0, 0, 1, 1)"),
            "raise TypeError: first parameter must be a MenuObject");
  EXPECT_EQ(Eval("_Menu.widgetSetText(m, 'x')"),
            "raise TypeError: first parameter must be a Widget");
  EXPECT_EQ(Eval("_Menu.widgetGetID(m)"), "raise TypeError: parameter 1 must be a MenuWidget.");
  EXPECT_EQ(Eval("_Menu.widgetSetColor(b, 5, Engine.Vector4D(1, 1, 1, 1))"),
            "raise TypeError: elementType has an invalid value");
  EXPECT_EQ(Eval("_Menu.widgetSetColor(b, -1, Engine.Vector4D(1, 1, 1, 1))"),
            "raise TypeError: elementType has an invalid value");
  EXPECT_EQ(Eval("_Menu.widgetGetColor(b, 5)"),
            "raise TypeError: elementType has an invalid value");
  EXPECT_EQ(Eval("_Menu.CreateMenu('x')").rfind("raise TypeError", 0), 0u);
  EXPECT_EQ(Eval("_Menu.PopMenu(1, 2, 3)"), "None")
      << "functions without a format ignore arguments";
}

TEST_F(MenuModuleTest, AddWidgetRefusesDuplicatesAndUnknownTypes) {
  EXPECT_EQ(Eval("_Menu.menuAddWidget(m, 2, 7, 'Start', 100, 100, 200, 20)"), "None");
  EXPECT_EQ(Eval("_Menu.menuAddWidget(m, -1, 8, 'x', 0, 0, 1, 1)"), "None");
  EXPECT_EQ(Eval("_Menu.menuAddWidget(m, 6, 9, 'x', 0, 0, 1, 1)"), "None");
  EXPECT_EQ(Eval("type(_Menu.menuAddWidget(m, 5, 10, 'x', 0, 0, 1, 1)).__name__"), "'Widget'");
  EXPECT_EQ(Eval("type(m).__name__"), "'Menu'");
  EXPECT_EQ(Eval("_Menu.MenuObject is type(m)"), "True");
}

TEST_F(MenuModuleTest, EveryReturnedObjectIsANewWrapper) {
  Exec("_Menu.PushMenu(m)");
  EXPECT_EQ(Eval("_Menu.GetActiveMenu() is _Menu.GetActiveMenu()"), "False");
  EXPECT_EQ(Eval("_Menu.menuGetEventListener(_Menu.GetActiveMenu())"), "1");
  EXPECT_EQ(Eval("_Menu.menuGetEventListener(_Menu.widgetGetMenu(b))"), "1");
  EXPECT_EQ(Eval("_Menu.GetScreenSize()"), "(640, 480)");
}

TEST_F(MenuModuleTest, ColoursAreVector4DsAndAnythingElseIsZero) {
  Exec("_Menu.widgetSetColor(b, 2, Engine.Vector4D(0.5, 0.25, 1, 1))");
  EXPECT_EQ(Eval("tuple(round(v, 2) for v in (lambda c: (c.x, c.y, c.z, c.w))("
                 "_Menu.widgetGetColor(b, 2)))"),
            "(0.5, 0.25, 1.0, 1.0)");
  Exec("_Menu.menuSetBgColor(m, (1, 1, 1, 1))");
  EXPECT_EQ(Eval("(lambda c: (c.x, c.y, c.z, c.w))(_Menu.menuGetBgColor(m))"),
            "(0.0, 0.0, 0.0, 0.0)");
}

TEST_F(MenuModuleTest, WidgetFunctionsByType) {
  EXPECT_EQ(Eval("_Menu.widgetListAddString(b, 'x')"), "-1");
  Exec("l = _Menu.menuAddWidget(m, 4, 2, 'Level', 0, 30, 200, 20)");
  EXPECT_EQ(Eval("_Menu.widgetListAddString(l, 'Easy')"), "0");
  EXPECT_EQ(Eval("_Menu.widgetListGetCurSel(l)"), "0");
  EXPECT_EQ(Eval("_Menu.widgetListGetCount(b)"), "False");
  EXPECT_EQ(Eval("_Menu.widgetListGetString(b, 0)"), "None");
  EXPECT_EQ(Eval("_Menu.widgetListGetString(l, 3)"), "''");
  EXPECT_EQ(Eval("_Menu.widgetBooleanGetValue(l)"), "False");
  EXPECT_EQ(Eval("_Menu.widgetSetFont(b, 'Missing.f')"), "False");
  EXPECT_EQ(Eval("_Menu.widgetGetFontHeight(b)"), "16");
  EXPECT_EQ(Eval("_Menu.widgetGetFontWidth(b, 'ab c')"), "35");
  Exec("_Menu.widgetSetPos(b, 3, 4); _Menu.widgetShow(b, 0)");
  EXPECT_EQ(Eval("(_Menu.widgetGetPos(b), _Menu.widgetIsVisible(b))"), "((3, 4), False)");
}

TEST_F(MenuModuleTest, TheStackReportsThroughHandleEvent) {
  Exec(
      "n = _Menu.CreateMenu(2)\n_Menu.PushMenu(m)\n_Menu.PushMenu(n)\n_Menu.PopMenu()\n"
      "seen = [(i, v if not (type(v) is tuple and len(v) == 2 and v[1] is not None) else "
      "(v[0], _Menu.menuGetEventListener(v[1]))) for i, v in got]");
  EXPECT_EQ(Eval("seen"),
            "[(1, (2, 640, 480)), (1, (0, None)), (1, (1, None)), (2, (2, 640, 480)), "
            "(2, (0, 1)), (2, (1, None)), (1, (2, 640, 480)), (1, (0, 2))]");
  Exec("del got[:]");
  GetMenuManager().HandleInput(MenuInput_Enter);
  EXPECT_EQ(Eval("got"), "[(1, (3, 7, 2))]");
}

TEST_F(MenuModuleTest, WrappersRaiseOnceTheirMenusAreTaken) {
  ReleaseScriptMenus();
  EXPECT_EQ(Eval("_Menu.PushMenu(m)"), "raise TypeError: first parameter must be a MenuObject");
  EXPECT_EQ(Eval("_Menu.widgetGetText(b)"), "raise TypeError: parameter 1 must be a MenuWidget.");
  EXPECT_EQ(Menu::ScriptedMenu::s_pool.GetInUseCount(), 0u);
}

TEST_F(MenuModuleTest, ShutdownWithAScriptedMenuAndABoxOpenCallsNoPython) {
  Exec(
      "_Menu.PushMenu(m)\n_Menu.MessageBox('Bye?', 3, 5.0, 2, 42)\n"
      "class Loud:\n"
      "    def __del__(self): pass\n");
  DestroyScriptManager();
  EXPECT_FALSE(Py_IsInitialized());
  // The stack still holds the scripted menu: its deactivation must not reach Python.
  GetMenuManager().Update(10.0f);
  GetMenuManager().Shutdown();
}

}  // namespace
