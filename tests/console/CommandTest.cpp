// CommandTest.cpp - console commands: tokenizing, line execution and its
// result codes and messages, commands shadowing variables, and the built-in
// commands.
#include "base/KazEngine.h"
#include "common/LogCapture.h"
#include "console/CommandProcessor.h"
#include "core/BuiltinCommands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::NiceMock;
using ::testing::Return;

namespace {

struct Recorded {
  int calls = 0;
  std::vector<std::string> args;
  int result = 0;
};

int RecordingHandler(int argc, const char* const* argv, void* userData) {
  auto* rec = static_cast<Recorded*>(userData);
  ++rec->calls;
  rec->args.assign(argv, argv + argc);
  EXPECT_EQ(argv[argc], nullptr);
  return rec->result;
}

class ProcessorTest : public ::testing::Test {
 protected:
  kaztest::LogCapture m_log;
  CommandRegistry m_commands;
  CVarRegistry m_cvars;
  EngineCommandProcessor m_processor{m_commands, m_cvars};
};

}  // namespace

TEST(TokenizeTest, QuotesGroupBlanksAndTheNameEndsAtTheFirstBlank) {
  EXPECT_THAT(TokenizeArguments("a \"b c\""), ElementsAre("a", "b c"));
  EXPECT_THAT(TokenizeArguments("\"x\"y"), ElementsAre("x", "y"));
  EXPECT_THAT(TokenizeArguments("\"ab cd"), ElementsAre("ab", "cd"));
  EXPECT_THAT(TokenizeArguments("  a\tb\n c  "), ElementsAre("a", "b", "c"));
  EXPECT_THAT(TokenizeArguments("\"\" z"), ElementsAre("", "z"));
  EXPECT_THAT(TokenizeArguments("a\"b"), ElementsAre("a\"b"));
  EXPECT_TRUE(TokenizeArguments("   ").empty());
  std::string_view name, rest;
  SplitCommandLine("  resx    800  ", name, rest);
  EXPECT_EQ(name, "resx");
  EXPECT_EQ(rest, "800");
  SplitCommandLine("name\tvalue", name, rest);
  EXPECT_EQ(name, "name\tvalue");
  EXPECT_EQ(rest, "");
}

TEST(CommandRegistryTest, RefusesDuplicatesAndNullsAndAnOwnersCommandsLeaveWithIt) {
  CommandRegistry registry;
  Recorded mine, other;
  EXPECT_TRUE(registry.RegisterCommand("Go", RecordingHandler, "doc", &mine));
  EXPECT_FALSE(registry.RegisterCommand("GO", RecordingHandler, "other", &mine));
  EXPECT_FALSE(registry.RegisterCommand("x", nullptr, "", nullptr));
  EXPECT_FALSE(registry.RegisterCommand("", RecordingHandler, "", nullptr));
  std::string doc;
  EXPECT_TRUE(registry.GetDoc("go", doc));
  EXPECT_EQ(doc, "doc");
  EXPECT_FALSE(registry.GetDoc("nope", doc));
  int result = 5;
  EXPECT_FALSE(registry.Execute("nope", result));
  EXPECT_EQ(result, 5);

  registry.RegisterCommand("b", RecordingHandler, "", &mine);
  registry.RegisterCommand("c", RecordingHandler, "", &other);
  EXPECT_EQ(registry.UnregisterCommands(&mine), 2u);
  EXPECT_EQ(registry.UnregisterCommands(nullptr), 0u);
  std::vector<std::string> names;
  registry.ListNames(names);
  EXPECT_THAT(names, ElementsAre("c"));
  EXPECT_TRUE(registry.RegisterCommand("GO", RecordingHandler, "", &mine));
}

TEST_F(ProcessorTest, QueriesAssignmentsAndUnknownNamesReportOnlyWhenVerbose) {
  EXPECT_EQ(m_processor.Execute("", true), -1);
  EXPECT_EQ(m_processor.Execute("ResX", false), 0);
  EXPECT_EQ(m_processor.Execute("nosuchname 1", false), -1);
  EXPECT_EQ(m_processor.Execute("SoundDevType  two words ", false), 0);
  EXPECT_EQ(m_cvars.SoundDevType.Get(), "two words");
  EXPECT_TRUE(m_log.Texts().empty());

  EXPECT_EQ(m_processor.Execute("resx", true), 0);
  EXPECT_EQ(m_processor.Execute("  resx    800  ", true), 0);
  EXPECT_EQ(m_cvars.ResX.Get(), 800);
  EXPECT_EQ(m_processor.Execute("nosuchname 1", true), -1);
  EXPECT_THAT(m_log.Texts(), ElementsAre("[grey]ResX[white] = [cyan]1024",
                                         "variable set. ([grey]ResX[white] = [cyan]800[white])",
                                         "Invalid command or variable name."));
  EXPECT_EQ(m_log.Count("Invalid command", LogLevel_Error), 1);
  EXPECT_EQ(m_cvars.Find("nosuchname"), nullptr);
}

TEST_F(ProcessorTest, ReadOnlyRefusedInEveryMode) {
  CVarDynamic* d = m_cvars.CreateDynamic("Locked", CVarFlag_ReadOnly);
  d->SetFromString("3");
  EXPECT_EQ(m_processor.Execute("locked 5", false), -1);
  EXPECT_EQ(m_processor.Execute("LOCKED", false), -1);
  EXPECT_EQ(d->ToString(), "3");
  ASSERT_EQ(m_log.Texts().size(), 2u);
  EXPECT_EQ(m_log.Count("var [grey]Locked[grey] is read-only", LogLevel_Error), 2);
}

TEST_F(ProcessorTest, CommandShadowsVariableAndATrailingCarriageReturnIsALineEnd) {
  Recorded rec;
  rec.result = -3;
  ASSERT_TRUE(m_commands.RegisterCommand("ResX", RecordingHandler, "", &rec));
  EXPECT_EQ(m_processor.Execute("resx 640 \"a b\"\r", true), -3);
  EXPECT_EQ(rec.calls, 1);
  EXPECT_THAT(rec.args, ElementsAre("640", "a b"));
  EXPECT_EQ(m_cvars.ResX.Get(), 1024);
  EXPECT_TRUE(m_log.Texts().empty());
  EXPECT_EQ(m_processor.Execute("resx\r", false), -3);
  EXPECT_TRUE(rec.args.empty());
  EXPECT_EQ(m_processor.Execute("ResY 600\r\n", false), 0);
  EXPECT_EQ(m_cvars.ResY.Get(), 600);
  EXPECT_EQ(m_processor.Execute("\r", true), -1);
}

TEST_F(ProcessorTest, CompletesVariableNamesNotCommands) {
  Recorded rec;
  m_commands.RegisterCommand("drawsomething", RecordingHandler, "", &rec);
  std::vector<std::string> names;
  EXPECT_EQ(m_processor.Complete("DRAWH", names), 1);
  EXPECT_THAT(names, ElementsAre("DrawHUD"));
  names.clear();
  EXPECT_EQ(m_processor.Complete("draws", names), 1);
  EXPECT_THAT(names, ElementsAre("DrawSkeletons"));
}

// The built-in commands live in the process-wide registries and reach the
// engine through kazGetInterface() when registered without one.
namespace {

class MockEngine : public IKazEngine {
 public:
  MOCK_METHOD(int, RunFrame, (), (override));
  MOCK_METHOD(void, Quit, (bool withError), (override));
  MOCK_METHOD(bool, AddPackage, (const char* name, bool append), (override));
  void Printf(const char*, ...) override {}
  int ExecuteCommand(bool, const char*, ...) override { return 0; }
  MOCK_METHOD(void*, GetWindow, (), (override));
  MOCK_METHOD(float, GetFrameDeltaTime, (), (override));
  MOCK_METHOD(float, GetTime, (), (override));
  MOCK_METHOD(void, SetActive, (bool), (override));
  MOCK_METHOD(bool, IsActive, (), (override));
  MOCK_METHOD(void, SetMouseDelta, (int, int), (override));
  MOCK_METHOD(void, SetCursorPosition, (int, int), (override));
  MOCK_METHOD(void, OnChar, (int), (override));
  MOCK_METHOD(void, OnKeyDown, (int), (override));
  MOCK_METHOD(void, OnKeyUp, (int), (override));
  MOCK_METHOD(void, SetInputBlocked, (bool), (override));
  MOCK_METHOD(bool, IsInputBlocked, (), (override));
  MOCK_METHOD(VideoManager*, GetVideoManager, (), (override));
  MOCK_METHOD(SoundManager*, GetSoundManager, (), (override));
};

class BuiltinCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool registered = RegisterBuiltinCommands(nullptr);
    (void)registered;
  }
  void SetUp() override { SetEngineInterface(&m_engine); }
  void TearDown() override {
    SetEngineInterface(nullptr);
    SetBuiltinCommandHooks(nullptr);
  }
  int Run(const char* line) { return m_processor.Execute(line, true); }

  kaztest::LogCapture m_log;
  NiceMock<MockEngine> m_engine;
  EngineCommandProcessor m_processor;
};

}  // namespace

TEST_F(BuiltinCommandTest, RegisteredInOrderOnce) {
  const std::vector<std::string> ours = {
      "help", "listcmds", "listvars", "quit", "reloadresources", "restartsound", "restartvideo"};
  std::vector<std::string> names;
  CommandRegistry::Instance().ListNames(names);
  std::erase_if(names, [&](const std::string& n) { return std::ranges::count(ours, n) == 0; });
  EXPECT_EQ(names, ours);
  // Registering a second time is refused, name by name.
  EXPECT_FALSE(RegisterBuiltinCommands(nullptr));
}

TEST_F(BuiltinCommandTest, HelpUsageDocUnknownNameAndListVars) {
  EXPECT_EQ(Run("help"), 0);
  EXPECT_THAT(m_log.Texts(), ElementsAre("[cyan]Usage: [white]help [cmd name]",
                                         "type 'listcmds' for a list for available commands.",
                                         "type 'listvars' to list all console variables."));
  m_log.Clear();
  EXPECT_EQ(Run("help QUIT"), 0);
  EXPECT_THAT(m_log.Texts(), ElementsAre("[green]QUIT", "takes no arguments\n\nQuits the game."));
  m_log.Clear();
  EXPECT_EQ(Run("help %s%n"), 0);  // printed as text, never as a format
  EXPECT_THAT(m_log.Texts(),
              ElementsAre("[red]Error: [grey]%s%n [white]is not a valid command name."));
  m_log.Clear();
  // A variable's name gives its value and what it does.
  EXPECT_EQ(Run("help resx"), 0);
  EXPECT_THAT(m_log.Texts(),
              ElementsAre("[green]ResX[white] = [cyan]" + CVarRegistry::Instance().ResX.ToString(),
                          CVarRegistry::Instance().ResX.GetHelp()));
  m_log.Clear();
  EXPECT_EQ(Run("help a b"), 0);
  EXPECT_EQ(m_log.Texts().size(), 3u);
  m_log.Clear();
  EXPECT_EQ(Run("LISTVARS"), 0);
  ASSERT_GE(m_log.Texts().size(), CVarRegistry::kBuiltinCount);
  EXPECT_EQ(m_log.Texts()[0],
            "[grey]BPP[white] = [cyan]" + CVarRegistry::Instance().BPP.ToString());
}

TEST_F(BuiltinCommandTest, QuitAndRestartsAskTheEngineAndFailWithoutIt) {
  EXPECT_CALL(m_engine, Quit(false)).Times(1);
  EXPECT_EQ(Run("quit"), 0);
  EXPECT_EQ(Run("restartvideo"), -1);
  EXPECT_EQ(Run("restartsound"), -1);
  EXPECT_EQ(m_log.Texts().size(), 2u);

  int dummy = 0;
  ON_CALL(m_engine, GetVideoManager())
      .WillByDefault(Return(reinterpret_cast<VideoManager*>(&dummy)));
  ON_CALL(m_engine, GetSoundManager())
      .WillByDefault(Return(reinterpret_cast<SoundManager*>(&dummy)));
  EXPECT_EQ(Run("restartvideo"), -1);  // no hook installed yet
  struct Hooks final : BuiltinCommandHooks {
    int RestartVideo() override { return mode; }
    bool RestartSound() override { return soundOk; }
    int mode = 0;
    bool soundOk = true;
  } hooks;
  int& mode = hooks.mode;
  bool& soundOk = hooks.soundOk;
  SetBuiltinCommandHooks(&hooks);
  EXPECT_EQ(Run("restartvideo"), 0);
  mode = 1;
  EXPECT_EQ(Run("restartvideo"), -1);
  mode = 7;
  EXPECT_EQ(Run("restartvideo"), -2);
  EXPECT_EQ(Run("restartsound"), 0);
  soundOk = false;
  EXPECT_EQ(Run("restartsound"), -1);
  m_log.Clear();
  EXPECT_EQ(Run("reloadresources"), 0);
  EXPECT_THAT(m_log.Texts(), ElementsAre("[orange]Reloaded all resources."));
  SetEngineInterface(nullptr);
  EXPECT_EQ(Run("quit"), -1);
}
