// EngineModuleTest.cpp - the _Engine module beyond the harness mod's checks
// (data/scripttest/scripts/TestEngine.py): values converted by the variable's
// type, what script commands return, the argument errors' texts, and what
// reaches the engine.
#include "script/ScriptFixture.h"

#include "console/CommandRegistry.h"
#include "console/CVarRegistry.h"

using scripttest::ScriptFixture;

namespace {

class EngineModuleTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    CVarRegistry::Instance().ResetBuiltins();
    ASSERT_NE(Start(), nullptr);
  }
  static int Run(const char* line) {
    int result = -99;
    CommandRegistry::Instance().Execute(line, result);
    return result;
  }
};

TEST_F(EngineModuleTest, ConvertsValuesByTheVariablesType) {
  CVarRegistry& cvars = CVarRegistry::Instance();
  Exec("_Engine.SetCVar('FPS', 1)");  // only the True object is true
  EXPECT_FALSE(cvars.FPS.Get());
  Exec("_Engine.SetCVar('FPS', True)");
  EXPECT_TRUE(cvars.FPS.Get());
  Exec("_Engine.SetCVar('ResX', 800.9)");
  EXPECT_EQ(cvars.ResX.Get(), 800);
  Exec("_Engine.SetCVar('ResX', 'wide')");
  EXPECT_EQ(cvars.ResX.Get(), 0);
  Exec("_Engine.SetCVar('ResY', 10**30)");
  EXPECT_EQ(cvars.ResY.Get(), INT32_MAX);
  Exec("_Engine.SetCVar('TimeWarp', 2)");
  EXPECT_EQ(cvars.TimeWarp.Get(), 2.0f);
  Exec("_Engine.SetCVar('SoundDevType', 42)");
  EXPECT_EQ(cvars.SoundDevType.Get(), "42");
  Exec("_Engine.SetCVar('ScriptTestDyn', True)");
  EXPECT_EQ(Eval("_Engine.GetCVar('ScriptTestDyn')"), "1");
  Exec("_Engine.SetCVar('ScriptTestDyn', [1])");
  EXPECT_EQ(Eval("_Engine.GetCVar('ScriptTestDyn')"), "'[1]'");
  EXPECT_EQ(Eval("_Engine.GetCVar('TimeWarp')"), "2.0");
  cvars.ResetBuiltins();
}

TEST_F(EngineModuleTest, ScriptCommandsRunThroughTheTrampoline) {
  ASSERT_EQ(Exec(R"(
seen = []
def five(args):
    seen.append(args)
    return 5
_Engine.RegisterCCmd('scripttestfive', five, 'Returns five.')
_Engine.RegisterCCmd('scripttestfloat', lambda a: 2.7, '')
_Engine.RegisterCCmd('scripttestnone', lambda a: None, '')
def boom(args): raise KeyError('inside')
_Engine.RegisterCCmd('scripttestboom', boom, '')
)"),
            "ok");
  EXPECT_EQ(Run("scripttestfive a \"b c\""), 5);
  EXPECT_EQ(Eval("seen"), "[('a', 'b c')]");
  EXPECT_EQ(Run("scripttestfloat"), 2);
  EXPECT_EQ(Run("scripttestnone"), 0);
  EXPECT_EQ(Run("scripttestboom"), 0);
  EXPECT_TRUE(Printed("KeyError: 'inside'"));
  std::string doc;
  EXPECT_TRUE(CommandRegistry::Instance().GetDoc("scripttestfive", doc));
  EXPECT_EQ(doc, "Returns five.");
}

TEST_F(EngineModuleTest, ParserErrorsNameTheFunction) {
  EXPECT_EQ(Eval("_Engine.RegisterCCmd('scripttesty')"),
            "raise TypeError: _Engine.RegisterCCmd() takes exactly 3 arguments (1 given)");
  EXPECT_EQ(Eval("_Engine.RegisterTimerEvent(1.5, 1)"),
            "raise TypeError: 'float' object cannot be interpreted as an integer");
  EXPECT_EQ(Eval("_Engine.StartFade('x', 1)"), "raise TypeError: must be real number, not str");
  EXPECT_EQ(Eval("_Engine.StartFade(1.0)"),
            "raise TypeError: _Engine.StartFade() takes exactly 2 arguments (1 given)");
  EXPECT_EQ(Eval("_Engine.ConPrint(5)"), "raise TypeError: argument 1 must be str, not int");
  EXPECT_EQ(Eval("_Engine.EnumerateFiles()"),
            "raise TypeError: _Engine.EnumerateFiles() takes exactly 1 argument (0 given)");
}

TEST_F(EngineModuleTest, ForwardsToTheEngine) {
  // The fixture's host, recording the screen effects it is asked for.
  struct RecordingHost final : scripttest::FixtureHost {
    using scripttest::FixtureHost::FixtureHost;
    void StartFade(float, bool black) override { calls.push_back("fade " + std::to_string(black)); }
    void StopFade() override { calls.push_back("stopfade"); }
    void StartFlash(float, float, float, float) override { calls.push_back("flash"); }
    void StopFlash() override { calls.push_back("stopflash"); }
    void ForceRedraw() override { calls.push_back("redraw"); }
    std::vector<std::string> calls;
  };
  RecordingHost host(m_printed, m_world);
  const std::vector<std::string>& calls = host.calls;
  SetScriptHost(&host);
  Exec("_Engine.StartFade(1.0, 2)\n_Engine.StartFade(1.0, 0)\n_Engine.StopFade()");
  Exec("_Engine.StartFlash(0.5, 1, 0, 0)\n_Engine.StopFlash()\n_Engine.ForceRedraw(1, 2)");
  EXPECT_EQ(calls, (std::vector<std::string>{"fade 1", "fade 0", "stopfade", "flash", "stopflash",
                                             "redraw"}));
  // Without an engine: no time, and console lines fail as unknown.
  EXPECT_EQ(Eval("(_Engine.GetTime(), _Engine.GetFrameDeltaTime())"), "(0.0, 0.0)");
  EXPECT_EQ(Eval("_Engine.ConExecute('nosuchname')"), "-1");
  EXPECT_EQ(Eval("_Engine.GetApplication().__class__.__name__"), "'App'");
  EXPECT_EQ(Eval("_Engine.RegisterTimerEvent(7, 0.25)"), "None");
  EXPECT_EQ(GetScriptManager()->GetTimerCount(), 1u);
  SetScriptHost(&m_host);
}

}  // namespace
