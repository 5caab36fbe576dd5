// ScriptReloadTest.cpp - a saved script module runs again in its own
// namespace: the application object keeps its state and its class, calls
// from then on reach the new bodies (also through references held elsewhere),
// and a save that does not compile or raises leaves the module as it was.
#include "script/ScriptFixture.h"

#include "script/ScriptReload.h"

using scripttest::ScriptFixture;

namespace {

const char kApp[] = R"(import Helpers
class App:
    def __init__(self):
        self.frames = 0
        self.seen = []
    def OnPreStartup(self): return True
    def OnStartup(self): return True
    def OnUpdate(self):
        self.frames += 1
        self.seen.append(self.Describe())
    def Describe(self): return 'old %d %s' % (self.frames, Helpers.Word())
)";

class ScriptReloadTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    WriteScript("Helpers.py", "def Word(): return 'one'\n");
    ASSERT_NE(Start("TestApp.App", kApp), nullptr);
  }
  // Saves the script and runs it again.
  ScriptReload Save(const std::string& name, const std::string& text) {
    kaztest::SaveByRename(m_package.Path() / "scripts" / name, text);
    m_reason.clear();
    return ReloadScriptModule(m_package.Str() + "/scripts/" + name, &m_reason);
  }
  std::string LastSeen() {
    EXPECT_TRUE(GetScriptManager()->OnUpdate());
    return Eval("_Engine.GetApplication().seen[-1]");
  }

  std::string m_reason;
};

}  // namespace

TEST_F(ScriptReloadTest, AChangedFunctionRunsItsNewBodyAndTheApplicationKeepsItsState) {
  Exec("import _Engine, Helpers\nheld = Helpers.Word");
  EXPECT_EQ(LastSeen(), "'old 1 one'");
  EXPECT_EQ(LastSeen(), "'old 2 one'");

  std::string changed = kApp;
  changed.replace(changed.find("'old"), 4, "'new");
  changed += "    def Extra(self): return self.frames * 10\n";
  ASSERT_EQ(Save("TestApp.py", changed), ScriptReload::Reloaded) << m_reason;
  EXPECT_EQ(LastSeen(), "'new 3 one'");  // the frame count went on
  EXPECT_EQ(Eval("_Engine.GetApplication().Extra()"), "30");
  EXPECT_EQ(Eval("type(_Engine.GetApplication()) is __import__('TestApp').App"), "True");

  // A module the application imports; a reference taken before still reaches the new body.
  ASSERT_EQ(Save("Helpers.py", "def Word(): return 'two'\n"), ScriptReload::Reloaded) << m_reason;
  EXPECT_EQ(LastSeen(), "'new 4 two'");
  EXPECT_EQ(Eval("held()"), "'two'");
}

TEST_F(ScriptReloadTest, ASaveThatDoesNotCompileOrRaisesLeavesTheModuleAsItWas) {
  Exec("import _Engine");
  EXPECT_EQ(LastSeen(), "'old 1 one'");
  ASSERT_EQ(Save("Helpers.py", "def Word(:\n    return 'two'\n"), ScriptReload::Failed);
  EXPECT_NE(m_reason.find("SyntaxError"), std::string::npos) << m_reason;
  EXPECT_NE(m_reason.find("line 1"), std::string::npos) << m_reason;
  EXPECT_EQ(LastSeen(), "'old 2 one'");

  // Code that raises half way: what it defined before the error is taken back.
  ASSERT_EQ(
      Save("Helpers.py", "def Word(): return 'half'\nEXTRA = 1\nraise ValueError('not yet')\n"),
      ScriptReload::Failed);
  EXPECT_EQ(m_reason, "ValueError: not yet (line 3)");
  EXPECT_EQ(LastSeen(), "'old 3 one'");
  EXPECT_EQ(Eval("hasattr(__import__('Helpers'), 'EXTRA')"), "False");
}

TEST_F(ScriptReloadTest, AFileNoModuleCameFromRunsNothing) {
  EXPECT_EQ(Save("Unused.py", "raise SystemExit\n"), ScriptReload::NotLoaded);
  EXPECT_EQ(ReloadScriptModule(m_package.Str() + "/scripts/Missing.py", &m_reason),
            ScriptReload::NotLoaded);
  DestroyScriptManager();
  EXPECT_EQ(Save("Helpers.py", "def Word(): return 'two'\n"), ScriptReload::NotLoaded);
}
