// ScriptErrorsTest.cpp - what the console says when scripts fail: a module that
// does not import is named with its file and line after its traceback, and a
// callback's repeated exception is printed once, then counted.
#include "script/ScriptFixture.h"

#include "common/LogCapture.h"

#include <string>

using scripttest::ScriptFixture;

namespace {

class ScriptErrorsTest : public ScriptFixture {
 protected:
  // Starts with the application module's source and expects start-up to fail.
  void ExpectFailedStart(const std::string& className, const std::string& source) {
    EXPECT_EQ(Start(className, source), nullptr);
  }
  std::string AppFile() const { return m_package.Str() + "/scripts/TestApp.py"; }
  int Tracebacks() const {
    int n = 0;
    for (size_t at = 0; (at = m_printed.find("Traceback (most recent", at)) != std::string::npos;
         ++at)
      ++n;
    return n;
  }
  kaztest::LogCapture m_log;
};

TEST_F(ScriptErrorsTest, ModulesThatDoNotImportAreNamedWithTheirFileAndLine) {
  // A syntax error: its own report (file, line, caret) and the line.
  ExpectFailedStart("TestApp.App", "class App:\n    def OnStartup(self)\n        return True\n");
  EXPECT_TRUE(Printed("SyntaxError")) << m_printed;
  EXPECT_EQ(m_log.Count("Failed to import script module 'TestApp' (" + AppFile() + ", line 2).",
                        LogLevel_Error),
            1)
      << m_log.Dump();
  EXPECT_FALSE(m_log.Has("Failed to get _Core.GetApplicationClass."));

  // An exception raised by the module's own code while it imports.
  m_log.Clear();
  ExpectFailedStart("TestApp.App", "import _Engine\n\nsettings = undefined_name\n");
  EXPECT_TRUE(Printed("NameError: name 'undefined_name' is not defined")) << m_printed;
  EXPECT_EQ(m_log.Count("Failed to import script module 'TestApp' (" + AppFile() + ", line 3)."), 1)
      << m_log.Dump();

  // A module it imports is missing: the importing file is named.
  m_log.Clear();
  ExpectFailedStart("TestApp.App", "import _Engine\nimport NoSuchHelper\nclass App: pass\n");
  EXPECT_TRUE(Printed("No module named 'NoSuchHelper'"));
  EXPECT_EQ(m_log.Count("Failed to import script module 'TestApp' (" + AppFile() + ", line 2)."), 1)
      << m_log.Dump();

  // The class names a module there is no file for.
  m_log.Clear();
  ExpectFailedStart("Nowhere.App", scripttest::kAcceptingApp);
  EXPECT_EQ(m_log.Count("Failed to import script module 'Nowhere': no Nowhere.py in the scripts "
                        "folders of the mod's packages."),
            1)
      << m_log.Dump();
  EXPECT_FALSE(m_log.Has("Failed to get _Core.GetApplicationClass."));
}

TEST_F(ScriptErrorsTest, OtherFailuresKeepTheirTracebackAndTheGenericLine) {
  ExpectFailedStart("TestApp.App",
                    "class App:\n    def __init__(self):\n        raise "
                    "RuntimeError('no application today')\n");
  EXPECT_TRUE(Printed("RuntimeError: no application today"));
  EXPECT_EQ(m_log.Count("Failed to get _Core.GetApplicationClass.", LogLevel_Error), 1);
  EXPECT_FALSE(m_log.Has("Failed to import script module"));
}

const char kFlakyApp[] = R"(
class App:
    def __init__(self): self.failing = True; self.kind = 'value'
    def OnUpdate(self):
        if not self.failing: return True
        if self.kind == 'value': raise ValueError('counter out of step')
        raise KeyError('other')
)";

TEST_F(ScriptErrorsTest, TheSameExceptionEveryFrameIsPrintedOnceThenCounted) {
  ScriptManager* manager = Start("TestApp.App", kFlakyApp);
  ASSERT_NE(manager, nullptr);
  for (int frame = 0; frame < 30; ++frame) EXPECT_FALSE(manager->OnUpdate());
  EXPECT_EQ(Tracebacks(), 1) << m_printed;
  EXPECT_EQ(m_log.Problems(), 0) << m_log.Dump();  // still going: nothing to count yet

  Exec("import _Engine\n_Engine.GetApplication().failing = False");
  EXPECT_TRUE(manager->OnUpdate());
  EXPECT_EQ(
      m_log.Count("OnUpdate raised the same exception 29 more time(s) in a row.", LogLevel_Warning),
      1)
      << m_log.Dump();
  EXPECT_TRUE(manager->OnUpdate());
  EXPECT_EQ(m_log.Problems(), 1);

  // Another exception is another story: printed, and the first one's count closed.
  Exec("app = _Engine.GetApplication()\napp.failing = True");
  EXPECT_FALSE(manager->OnUpdate());
  EXPECT_FALSE(manager->OnUpdate());
  Exec("app.kind = 'key'");
  EXPECT_FALSE(manager->OnUpdate());
  EXPECT_EQ(Tracebacks(), 3) << m_printed;
  EXPECT_EQ(m_log.Count("OnUpdate raised the same exception 1 more time(s) in a row."), 1);
  // A count still open when the scripts stop is logged then.
  EXPECT_FALSE(manager->OnUpdate());
  DestroyScriptManager();
  EXPECT_EQ(m_log.Count("OnUpdate raised the same exception 1 more time(s) in a row."), 2)
      << m_log.Dump();
}

}  // namespace
