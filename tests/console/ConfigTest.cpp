// ConfigTest.cpp - console scripts and the configuration file: layout, round trips, CRLF
// files, missing files, failed saves that must keep the stored file, line
// breaks in values, and command-line variables.
#include "common/LogCapture.h"
#include "common/TestFiles.h"
#include "console/CommandProcessor.h"
#include "console/ConfigFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

int CountCalls(int, const char* const*, void* userData) {
  ++*static_cast<int*>(userData);
  return 0;
}

using kaztest::ReadFile;
using kaztest::WriteFile;

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { m_commands.RegisterCommand("quit", CountCalls, "", &m_quits); }
  bool HasError(const std::string& text) const { return m_log.Count(text, LogLevel_Error) > 0; }

  kaztest::LogCapture m_log;
  kaztest::TempDir m_tmp{"kaz_config"};
  fs::path m_dir = m_tmp.Path();
  int m_quits = 0;
  CommandRegistry m_commands;
  CVarRegistry m_cvars;
  EngineCommandProcessor m_processor{m_commands, m_cvars};
};

}  // namespace

TEST_F(ConfigTest, DefaultsGiveHeaderAndSeventeenLinesInOrderAndLinksStay) {
  fs::path path = m_dir / "config" / "game.cfg";  // directory created on demand
  ASSERT_TRUE(m_processor.SaveConfiguration(path.string()));
  EXPECT_EQ(ReadFile(path),
            "# Auto generated file. EDIT AT YOUR OWN RISK.\n"
            "BPP 32\nDebugAxisLength 1.000000\nDrawHUD true\nEnableShadowMaps true\n"
            "Fullscreen false\nGlowEnable true\nGlowTextureSize 512\nGridSize 64.000000\n"
            "InvertMouse false\nMaxParticlesPerBatch 2000\nMouseSensitivity 1.000000\n"
            "RefreshRate 60\nResX 1024\nResY 768\nShadowMapSize 512\nSoundDevType hw\n"
            "VSync false\n");
  EXPECT_FALSE(fs::exists(ConfigTempPath(path.string())));
  EXPECT_EQ(m_log.Texts().front(), "Saving configuration to [grey]" + path.string() + "[white]...");
  EXPECT_EQ(m_log.Texts().back(), "...configuration successfully saved.");

  // Saving through a symbolic link keeps the link.
  fs::path real = m_dir / "real.cfg";
  fs::path link = m_dir / "link.cfg";
  WriteFile(real, "old");
  fs::create_symlink(real, link);
  ASSERT_TRUE(SaveConfiguration(link.string(), m_cvars));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_THAT(ReadFile(real), HasSubstr("ResX 1024\n"));
}

TEST_F(ConfigTest, SaveThenLoadGivesSameValues) {
  m_cvars.ResX.Set(1280);
  m_cvars.Fullscreen.Set(true);
  m_cvars.GridSize.Set(12.5f);
  m_cvars.MouseSensitivity.Set(-0.25f);
  m_cvars.SoundDevType.Set("Generic Software");
  m_cvars.TimeWarp.Set(3.0f);  // NoSave
  m_cvars.CreateDynamic("DynInt", 0)->SetFromString("42");
  m_cvars.CreateDynamic("DynFloat", 0)->SetFromString("0.5");
  m_cvars.CreateDynamic("DynBool", 0)->SetFromString("true");
  m_cvars.CreateDynamic("DynWord", 0)->SetFromString("hello world");
  m_cvars.CreateDynamic("DynDigits", 0)->SetFromString("\"007\"");
  m_cvars.CreateDynamic("DynPadded", 0)->SetString("  padded ");
  m_cvars.CreateDynamic("DynTrue", 0)->SetString("TRUE");
  m_cvars.CreateDynamic("DynHidden", CVarFlag_NoSave)->SetFromString("9");
  fs::path path = m_dir / "round.cfg";
  ASSERT_TRUE(SaveConfiguration(path.string(), m_cvars));

  CVarRegistry loaded;
  for (const char* name :
       {"DynInt", "DynFloat", "DynBool", "DynWord", "DynDigits", "DynPadded", "DynTrue"})
    loaded.CreateDynamic(name, 0);
  EngineCommandProcessor reader(m_commands, loaded);
  ASSERT_TRUE(reader.ExecuteScript(path.string()));

  std::vector<CVar*> saved;
  m_cvars.ListAll(saved);
  for (const CVar* cvar : saved) {
    if (cvar->HasFlag(CVarFlag_NoSave)) continue;
    const CVar* back = loaded.Find(cvar->GetName());
    ASSERT_NE(back, nullptr) << cvar->GetName();
    EXPECT_EQ(back->ToString(), cvar->ToString()) << cvar->GetName();
    if (cvar->GetType() == CVarType::Dynamic) {
      EXPECT_EQ(static_cast<const CVarDynamic*>(back)->GetValueType(),
                static_cast<const CVarDynamic*>(cvar)->GetValueType())
          << cvar->GetName();
    }
  }
  EXPECT_EQ(loaded.TimeWarp.Get(), 1.0f);
  EXPECT_EQ(loaded.Find("DynHidden"), nullptr);
  EXPECT_EQ(m_quits, 0);
}

TEST_F(ConfigTest, SavedValuesOfVariablesNotMadeYetWaitForThem) {
  // The file runs before the scripts make their variables.
  const fs::path path = m_dir / "game.cfg";
  WriteFile(path, "hello_games 3\nhello_name Ann Lee\nhello_games 4\nResX 800\n");
  ASSERT_TRUE(m_processor.ExecuteScript(path.string()));
  EXPECT_EQ(m_cvars.Find("hello_games"), nullptr);

  // Made later with a default, each takes the last value the file gave, once.
  CVarDynamic* games = m_cvars.CreateDynamic("Hello_Games", 0);
  games->SetFromString("0");
  EXPECT_TRUE(m_cvars.TakeKeptValue(*games));
  EXPECT_EQ(games->ToString(), "4");
  games->SetFromString("5");
  EXPECT_FALSE(m_cvars.TakeKeptValue(*games));
  EXPECT_EQ(games->ToString(), "5");
  // A variable that exists is set at once and keeps nothing.
  EXPECT_EQ(m_cvars.ResX.Get(), 800);
  EXPECT_FALSE(m_cvars.TakeKeptValue(m_cvars.ResX));

  // Forgetting drops the made variables and what is still kept, and leaves
  // the built-in ones and their lookup as they were.
  m_cvars.ForgetDynamics();
  EXPECT_EQ(m_cvars.Find("hello_games"), nullptr);
  CVarDynamic* name = m_cvars.CreateDynamic("hello_name", 0);
  ASSERT_NE(name, nullptr);
  EXPECT_FALSE(m_cvars.TakeKeptValue(*name));
  EXPECT_EQ(m_cvars.Find("resx"), &m_cvars.ResX);
  EXPECT_EQ(m_cvars.GetCount(), CVarRegistry::kBuiltinCount + 1);
}

TEST_F(ConfigTest, ScriptEchoesSkipsCommentsAndRunsCommands) {
  fs::path path = m_dir / "script.txt";
  WriteFile(path, "# comment\nResX 800\n   quit\n\nnosuchname 1\n  #indented comment\nResY 600");
  ASSERT_TRUE(m_processor.ExecuteScript(path.string()));
  EXPECT_EQ(m_cvars.ResX.Get(), 800);
  EXPECT_EQ(m_cvars.ResY.Get(), 600);  // last line without a line break
  EXPECT_EQ(m_quits, 1);
  EXPECT_EQ(m_log.Texts().front(),
            "Executing console script [grey]" + path.string() + "[white]...");
  EXPECT_THAT(m_log.Texts(), Contains("[grey] ] [white]ResX 800"));
  EXPECT_THAT(m_log.Texts(), Contains("[grey] ] [white]quit"));
  EXPECT_THAT(m_log.Texts(), Not(Contains(HasSubstr("comment"))));
  EXPECT_FALSE(HasError("Invalid command"));  // script lines are quiet
  EXPECT_EQ(m_log.Texts().back(), "...finished execution.");
}

TEST_F(ConfigTest, CrLfFileWithByteOrderMarkRunsAndAMissingOneChangesNothing) {
  ASSERT_TRUE(m_processor.ExecuteScript(KAZ_TEST_DATA_DIR "/console/windows.cfg"));
  EXPECT_EQ(m_cvars.ResX.Get(), 800);
  EXPECT_FLOAT_EQ(m_cvars.GridSize.Get(), 2.5f);
  EXPECT_EQ(m_cvars.SoundDevType.Get(), "sw");
  EXPECT_EQ(m_quits, 1);
  EXPECT_EQ(m_cvars.Find("\xEF\xBB\xBF#"), nullptr);

  // A missing file reports and changes nothing.
  m_cvars.ResX.Set(1024);
  EXPECT_FALSE(m_processor.ExecuteScript((m_dir / "config" / "absent.cfg").string()));
  EXPECT_TRUE(HasError("Failed to open file for reading."));
  EXPECT_EQ(m_cvars.ResX.Get(), 1024);
  EXPECT_FALSE(m_processor.ExecuteScript(m_dir.string()));  // a directory is no script
}

TEST_F(ConfigTest, OverlongLineIsSkippedNotRunInPieces) {
  fs::path path = m_dir / "long.cfg";
  // A long value whose tail, cut off, would read as a command of its own.
  std::string text = "SoundDevType " + std::string(kMaxScriptLine, 'x') + "quit\nResX 5\n";
  text += "SoundDevType " + std::string(3000, 'y') + "quit\n";
  WriteFile(path, text);
  ASSERT_TRUE(m_processor.ExecuteScript(path.string()));
  EXPECT_EQ(m_quits, 0);
  EXPECT_EQ(m_cvars.ResX.Get(), 5);
  EXPECT_EQ(m_cvars.SoundDevType.Get(), std::string(3000, 'y') + "quit");
}

TEST_F(ConfigTest, LineBreakInValueCannotInjectLines) {
  m_cvars.SoundDevType.Set("hw\nquit\r\nResX 1");
  m_cvars.CreateDynamic("Note", 0)->SetString("a\nquit");
  m_cvars.CreateDynamic("bad name", 0)->SetFromString("1");
  m_cvars.CreateDynamic("bad\nquit", 0)->SetFromString("1");
  fs::path path = m_dir / "inject.cfg";
  ASSERT_TRUE(SaveConfiguration(path.string(), m_cvars));
  std::string text = ReadFile(path);
  EXPECT_THAT(text, Not(HasSubstr("\nquit")));
  EXPECT_THAT(text, Not(HasSubstr("bad")));

  CVarRegistry loaded;
  loaded.CreateDynamic("Note", 0);
  EngineCommandProcessor reader(m_commands, loaded);
  ASSERT_TRUE(reader.ExecuteScript(path.string()));
  EXPECT_EQ(m_quits, 0);
  EXPECT_EQ(loaded.ResX.Get(), 1024);
  EXPECT_EQ(loaded.SoundDevType.Get(), "hw quit  ResX 1");
  EXPECT_EQ(loaded.Find("Note")->ToString(), "a quit");
}

// The loader trims the blanks around a line's value: a value saved with blanks
// at its ends would not read back as saved. Each save of the file it reads
// back gives the same file.
TEST_F(ConfigTest, BlanksAtTheEndsOfAValueAreNotSaved) {
  m_cvars.SoundDevType.Set("   hw  x  ");
  fs::path path = m_dir / "blanks.cfg";
  kaztest::LogCapture log;
  ASSERT_TRUE(SaveConfiguration(path.string(), m_cvars));
  EXPECT_EQ(log.Count("Blanks at the ends of the value of 'SoundDevType' are not saved."), 1);
  const std::string saved = ReadFile(path);
  EXPECT_THAT(saved, HasSubstr("\nSoundDevType hw  x\n"));
  CVarRegistry loaded;
  EngineCommandProcessor reader(m_commands, loaded);
  ASSERT_TRUE(reader.ExecuteScript(path.string()));
  EXPECT_EQ(loaded.SoundDevType.Get(), "hw  x");
  EXPECT_EQ(FormatConfiguration(loaded), saved);
}

class ConfigSaveFailureTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    m_path = m_dir / "keep.cfg";
    WriteFile(m_path, kStored);
    m_cvars.ResX.Set(1);
  }
  void ExpectStoredUnchanged() {
    EXPECT_EQ(ReadFile(m_path), kStored);
    EXPECT_TRUE(fs::is_regular_file(m_path));
  }
  static constexpr const char* kStored =
      "# Auto generated file. EDIT AT YOUR OWN RISK.\nResX 800\n";
  fs::path m_path;
};

TEST_F(ConfigSaveFailureTest, TempPathTakenFolderNotCreatableOrDiskFull) {
  const std::string temp = ConfigTempPath(m_path.string());
  fs::create_directory(temp);
  EXPECT_FALSE(SaveConfiguration(m_path.string(), m_cvars));
  EXPECT_TRUE(HasError("Failed to open file for writing."));
  ExpectStoredUnchanged();
  EXPECT_TRUE(fs::is_directory(temp));  // not ours to remove
  fs::remove(temp);

  // A file where the folder should be.
  m_log.Clear();
  EXPECT_FALSE(SaveConfiguration((m_path / "game.cfg").string(), m_cvars));
  EXPECT_TRUE(HasError("Failed to open file for writing."));

  if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is not available";
  fs::create_symlink("/dev/full", temp);
  EXPECT_FALSE(SaveConfiguration(m_path.string(), m_cvars));
  EXPECT_TRUE(HasError("Failed to write configuration file"));
  ExpectStoredUnchanged();
  EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
}

TEST_F(ConfigSaveFailureTest, UnwritableDirectory) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: directory permissions do not stop writes";
  fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(SaveConfiguration(m_path.string(), m_cvars));
  fs::permissions(m_dir, fs::perms::owner_all);
  ExpectStoredUnchanged();
}

TEST_F(ConfigTest, CommandLineVariablesSetMatchingNames) {
  std::map<std::string, std::string, NoCaseLess> options = {
      {"resx", "1280"}, {"FULLSCREEN", "1"}, {"log", ""}, {"NotAVariable", "3"}};
  m_cvars.CreateDynamic("Locked", CVarFlag_ReadOnly);
  options["locked"] = "7";
  ApplyCommandLineVariables(
      [&](const std::string& name) -> const std::string* {
        auto it = options.find(name);
        return it == options.end() ? nullptr : &it->second;
      },
      m_cvars);
  EXPECT_EQ(m_cvars.ResX.Get(), 1280);
  EXPECT_TRUE(m_cvars.Fullscreen.Get());
  EXPECT_EQ(m_cvars.Find("Locked")->ToString(), "7");
  EXPECT_EQ(m_cvars.Find("NotAVariable"), nullptr);
  EXPECT_EQ(m_cvars.Find("log"), nullptr);
}
