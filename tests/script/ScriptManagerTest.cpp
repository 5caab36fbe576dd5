// ScriptManagerTest.cpp - the script manager: interpreter set-up, the application's callbacks,
// timers, printing and restarts. Events reaching their callbacks through a running
// engine are the harness mod's part (HarnessTest).
#include "script/ScriptFixture.h"

#include "console/CommandRegistry.h"

using scripttest::ScriptFixture;

namespace {

const char kStartupApp[] = R"(
import _Engine
class App:
    def __init__(self): self.result = True
    def OnPreStartup(self): return True
    def OnStartup(self): return self.result
    def OnShutdown(self): return True
)";

class ScriptManagerTest : public ScriptFixture {};

TEST_F(ScriptManagerTest, OnlyTheTrueObjectLetsStartupGoOn) {
  ScriptManager* manager = Start("TestApp.App", kStartupApp);
  ASSERT_NE(manager, nullptr);
  EXPECT_TRUE(manager->OnStartup());
  Exec("import _Engine\n_Engine.GetApplication().result = 1");
  EXPECT_FALSE(manager->OnStartup());
  Exec("_Engine.GetApplication().result = None");
  EXPECT_FALSE(manager->OnStartup());
  Exec("def boom(): raise ValueError('no')\n_Engine.GetApplication().OnStartup = boom");
  EXPECT_FALSE(manager->OnStartup());
  EXPECT_TRUE(Printed("ValueError: no"));
}

TEST_F(ScriptManagerTest, RaisingOnUpdatePrintsItsTracebackAndFramesGoOn) {
  ScriptManager* manager = Start("TestApp.App", R"(
class App:
    def __init__(self): self.n = 0
    def OnUpdate(self):
        self.n += 1
        raise RuntimeError('frame %d failed' % self.n)
)");
  ASSERT_NE(manager, nullptr);
  EXPECT_FALSE(manager->OnUpdate());
  EXPECT_FALSE(manager->OnUpdate());
  EXPECT_TRUE(Printed("Traceback (most recent call last):"));
  EXPECT_TRUE(Printed("RuntimeError: frame 2 failed"));
  // The failure is not kept alive in sys.last_* (it would hold the frames).
  EXPECT_EQ(Eval("hasattr(__import__('sys'), 'last_value')"), "False");
  // Missing methods count as raised.
  EXPECT_FALSE(manager->OnButtonPress(3));
  EXPECT_TRUE(Printed("AttributeError"));
}

TEST_F(ScriptManagerTest, TimersFireOnceInTheFirstFrameBeyondTheirInterval) {
  ScriptManager* manager = Start();
  ASSERT_NE(manager, nullptr);
  ASSERT_EQ(Exec("import _Core\nfired = []\n_Core.SetTimer(0.5, fired.append, 'x')"), "ok");
  for (int i = 0; i < 5; ++i) manager->UpdateTimers(0.1f);  // 0.5: not beyond yet
  EXPECT_EQ(Eval("fired"), "[]");
  manager->UpdateTimers(0.1f);
  EXPECT_EQ(Eval("fired"), "['x']");
  manager->UpdateTimers(10.0f);
  EXPECT_EQ(Eval("fired"), "['x']");
  EXPECT_EQ(manager->GetTimerCount(), 0u);

  // A timer set from a timer counts from the next update.
  ASSERT_EQ(Exec(R"(
ticks = []
def tick():
    ticks.append(len(ticks))
    _Core.SetTimer(0.0, tick)
_Core.SetTimer(0.0, tick)
)"),
            "ok");
  manager->UpdateTimers(0.01f);
  EXPECT_EQ(Eval("ticks"), "[0]");
  manager->UpdateTimers(0.01f);
  EXPECT_EQ(Eval("ticks"), "[0, 1]");
  EXPECT_EQ(manager->GetTimerCount(), 1u);
}

TEST_F(ScriptManagerTest, PathHoldsOnlyThePackagesScriptFoldersAndPrintIsYellow) {
  EXPECT_EQ(ScriptManager::BuildPathStatement({"base", "base.pak"}),
            "sys.path = [r'base/scripts', r'base/scripts/Lib', r'base']");
  ASSERT_NE(Start(), nullptr);
  EXPECT_EQ(Eval("len(__import__('sys').path)"), "6");
  std::string first = "'";
  first += m_package.Str();
  first += "/scripts'";
  EXPECT_EQ(Eval("__import__('sys').path[0]"), first);
  for (const char* module : {"os", "io", "math", "time", "zlib"})
    EXPECT_EQ(Exec(std::string("import ") + module), "ok") << module;
  EXPECT_EQ(Exec("import collections"), "raise ModuleNotFoundError: No module named 'collections'");
  // print reaches the console in yellow.
  Exec("print('hello')");
  EXPECT_NE(m_printed.find("[yellow]hello"), std::string::npos);
}

TEST_F(ScriptManagerTest, PackageFoldersWithQuotesStillFindTheirScripts) {
  kaztest::TempDir odd("kaz_o'brien");
  odd.Write("scripts/TestApp.py", scripttest::kAcceptingApp);
  kaztest::MountPackages({odd.Str(), kaztest::BasePackageDir()});
  ASSERT_NE(CreateScriptManager(&m_events, "TestApp.App"), nullptr);
}

TEST_F(ScriptManagerTest, MissingCoreFailsNamingIt) {
  kaztest::LogCapture log;
  WriteScript("TestApp.py", scripttest::kAcceptingApp);
  kaztest::MountPackages({m_package.Str()});
  EXPECT_EQ(CreateScriptManager(&m_events, "TestApp.App"), nullptr);
  EXPECT_EQ(GetScriptManager(), nullptr);
  EXPECT_TRUE(log.Has("Attempting to initialize script class 'TestApp.App'"));
  EXPECT_EQ(log.Count("Failed to import script module '_Core': no _Core.py in the scripts "
                      "folders of the mod's packages.",
                      LogLevel_Error),
            1)
      << log.Dump();
  EXPECT_FALSE(log.Has("Failed to get _Core.GetApplicationClass."));
  EXPECT_TRUE(Printed("No module named '_Core'"));
  EXPECT_EQ(m_events.Size(), 0u);
}

TEST_F(ScriptManagerTest, StartsThreeTimesInOneProcess) {
  kaztest::LogCapture log;
  for (int round = 0; round < 3; ++round) {
    ScriptManager* manager = Start();
    ASSERT_NE(manager, nullptr) << "round " << round;
    EXPECT_EQ(Exec("import Engine\nv = Engine.Vector3D(1, 2, 3) + Engine.Vector3D(1, 1, 1)"), "ok");
    EXPECT_EQ(Eval("str(v)"), "'<2, 3, 4>'");
    ASSERT_EQ(Exec("_Engine.RegisterCCmd('scripttestcmd', lambda a: 0, 'doc')"), "ok");
    EXPECT_TRUE(manager->OnUpdate());
    DestroyScriptManager();
    EXPECT_FALSE(Py_IsInitialized());
  }
  // Finalising flushes the redirected streams: no AttributeError, no warning.
  EXPECT_EQ(log.Problems(), 0) << log.Dump();
  EXPECT_FALSE(Printed("AttributeError"));
}

TEST_F(ScriptManagerTest, EntriesDoNothingWithoutAnApplicationOrInterpreter) {
  ScriptManager manager;
  EXPECT_FALSE(manager.OnUpdate());
  EXPECT_FALSE(manager.OnStartup());
  EXPECT_FALSE(manager.HandleEvent(1, nullptr));
  manager.RegisterTimerEvent(1, 0.0f);
  manager.UpdateTimers(1.0f);  // no interpreter: nothing runs, nothing crashes
  EXPECT_EQ(manager.GetTimerCount(), 1u);
}

}  // namespace
