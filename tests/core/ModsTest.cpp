// ModsTest.cpp - mod definition files: keys, CRLF, odd versions, over-long
// lines, the folder listing, duplicate names and names with path parts;
// packages on the search path.
#include "common/LogCapture.h"
#include "common/StoredZip.h"
#include "common/TestFiles.h"
#include "core/Mods.h"
#include "tier0/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class ModsTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(base_ + "mods"); }
  std::string WriteMod(const std::string& fileName, const std::string& text) {
    return tmp_.Write("mods/" + fileName, text).lexically_normal().string();
  }
  // Loads one definition holding these lines (LF) and returns its record.
  ModInfo LoadOne(const std::string& lines) {
    ModList list;
    EXPECT_TRUE(list.LoadDefinition(WriteMod("one.mod", "ModName=one\n" + lines)));
    return list.Size() ? list[0] : ModInfo();
  }

  kaztest::TempDir tmp_{"kaz_mods"};
  std::string base_ = tmp_.Str() + "/";
  kaztest::LogCapture log_;
};

}  // namespace

TEST_F(ModsTest, ReadsEveryKeyFromACrlfFile) {
  ModList list;
  std::string path = WriteMod("cove.mod",
                              "# comment line\r\n"
                              "ModName = Cove \r\n"
                              "ModFullName=The Cove = Bay\r\n"
                              "ModAuthor=\tKaz\r\n"
                              "ModWebSite=http://example.org/?a=b\r\n"
                              "ModLogo=logo.png\r\n"
                              "modlogo=ignored: keys are case-sensitive\r\n"
                              "ModVersion=1.2.3\r\n"
                              "ModPackages=replaced;by the next line\r\n"
                              "ModPackages=cove;;extra ; more\r\n"
                              "ClassName=CoveApplication\r\n");
  ASSERT_TRUE(list.LoadDefinition(path));
  ASSERT_EQ(list.Size(), 1u);
  const ModInfo& mod = list.At(0);
  EXPECT_EQ(mod.definitionFile, path);
  EXPECT_EQ(mod.name, "cove");
  EXPECT_EQ(mod.fullName, "The Cove = Bay");
  EXPECT_EQ(mod.author, "Kaz");
  EXPECT_EQ(mod.webSite, "http://example.org/?a=b");
  EXPECT_EQ(mod.logo, "logo.png");
  EXPECT_EQ(mod.version, 0x010203u);
  EXPECT_EQ(mod.packages, (std::vector<std::string>{"cove", "extra", "more"}));
  EXPECT_EQ(mod.className, "CoveApplication");
  EXPECT_EQ(ModList::ConfigFilePath(base_, mod), base_ + "config/cove.cfg");
  // The misspelt key is named with its line, and nothing else is said.
  ASSERT_EQ(log_.Lines().size(), 1u) << log_.Dump();
  EXPECT_EQ(log_.Count("line 7: unknown key '[grey]modlogo[white]' is ignored", LogLevel_Warning),
            1)
      << log_.Dump();
}

TEST_F(ModsTest, EveryKeyOfTheTableIsReadIntoItsField) {
  // A definition that gives each documented key a value leaves no field empty
  // and draws no warning: the table and the reader agree.
  std::string lines;
  for (const ModKeyInfo& key : GetModKeys())
    if (std::string(key.key) != "ModName") lines += std::string(key.key) + "=" + key.example + "\n";
  const ModInfo mod = LoadOne(lines);
  EXPECT_EQ(log_.Problems(), 0) << log_.Dump();
  for (const ModKeyInfo& key : GetModKeys()) {
    if (key.field) {
      EXPECT_EQ(mod.*key.field, key.example) << key.key;
    }
  }
  EXPECT_NE(mod.version, 0u);
  EXPECT_FALSE(mod.packages.empty());
}

TEST_F(ModsTest, OddVersionStrings) {
  struct Case {
    const char* line;
    uint32_t major, minor, patch;
    bool warns;
  };
  const Case cases[] = {
      {"ModVersion=1.2", 1, 2, 0, false},
      {"ModVersion=300.2.1", 44, 2, 1, true},
      {"ModVersion=a.b.c", 0, 0, 0, true},
      {"ModVersion=", 0, 0, 0, false},
      {"ModVersion=-1.0.0", 255, 0, 0, true},
      {"ModVersion=99999999999999999999.1.1", 255, 1, 1, true},
      {"Unrelated=1", 0, 0, 0, true},  // an unknown key is named
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    log_.Clear();
    ModInfo mod = LoadOne(std::string(c.line) + "\n");
    EXPECT_EQ(mod.Major(), c.major);
    EXPECT_EQ(mod.Minor(), c.minor);
    EXPECT_EQ(mod.Patch(), c.patch);
    EXPECT_EQ(log_.Problems(), c.warns ? 1 : 0);
  }
}

TEST_F(ModsTest, NamesAreLowerCasedAndMayNotHoldPathParts) {
  EXPECT_EQ(LoadOne("ModName=MiXeD\n").name, "mixed");
  EXPECT_TRUE(log_.Lines().empty()) << log_.Dump();

  ModInfo bad = LoadOne("ModName=My Mod\n");
  EXPECT_EQ(bad.name, "my Mod");
  EXPECT_EQ(log_.Count("Mod def file '[grey]" + base_ +
                           "mods/one.mod[white]' has illegal name '[grey]My Mod[white]'",
                       LogLevel_Warning),
            1);
  // Names and packages with path parts are refused.
  for (const char* name : {"../x", "/abs", "a/b", ".."}) {
    ModList list;
    log_.Clear();
    EXPECT_FALSE(list.LoadDefinition(WriteMod("one.mod", std::string("ModName=") + name + "\n")));
    EXPECT_EQ(log_.Count("has illegal name", LogLevel_Warning), 1) << name;
  }
  log_.Clear();
  ModInfo mod = LoadOne("ModPackages=ok;../../y;/abs;sub/dir;sub/../../z;..\n");
  EXPECT_EQ(mod.packages, (std::vector<std::string>{"ok", "sub/dir"}));
  EXPECT_EQ(log_.Count("outside the base directory", LogLevel_Warning), 4);
  // The same rule for packages from the command line and scripts.
  log_.Clear();
  EXPECT_FALSE(ModList::AddPackage(base_ + "mods/", "../mods", true));
  EXPECT_EQ(log_.Count("refused", LogLevel_Warning), 1);
}

TEST_F(ModsTest, OverlongLineDoesNotLeakIntoTheNextLine) {
  std::string longLine = "ModFullName=" + std::string(2100, 'x') + ";ModAuthor=tail";
  ModInfo mod = LoadOne(longLine + "\nClassName=App\n");
  EXPECT_EQ(mod.fullName.size(), ModList::kMaxLineLength - 12);
  EXPECT_EQ(mod.author, "");
  EXPECT_EQ(mod.className, "App");
  EXPECT_EQ(log_.Problems(), 1);

  // Exactly the longest line is not cut.
  log_.Clear();
  std::string fits = "ModFullName=" + std::string(ModList::kMaxLineLength - 12, 'y');
  EXPECT_EQ(LoadOne(fits + "\n").fullName.size(), ModList::kMaxLineLength - 12);
  EXPECT_TRUE(log_.Lines().empty()) << log_.Dump();
}

TEST_F(ModsTest, UnnamedOrUnreadableDefinitionsAreDropped) {
  ModList list;
  EXPECT_FALSE(list.LoadDefinition(WriteMod("noname.mod", "ModFullName=Nameless\n")));
  EXPECT_FALSE(list.LoadDefinition(base_ + "mods/missing.mod"));
  EXPECT_FALSE(list.LoadDefinition(base_ + "mods"));
  EXPECT_EQ(list.Size(), 0u);
  EXPECT_TRUE(log_.Lines().empty()) << log_.Dump();
  // A missing mods folder loads nothing, also without a trailing separator.
  list.Enumerate(base_ + "nowhere");
  EXPECT_EQ(list.Size(), 0u);
  EXPECT_EQ(log_.Count("Loaded [grey]0[white] mod definition file(s).", LogLevel_Message), 1);
}

TEST_F(ModsTest, EnumerateListsModFilesInNameOrder) {
  WriteMod("b_second.mod", "ModName=Dup\nModFullName=second\n");
  WriteMod("a_first.mod", "ModName=dup\nModFullName=first\n");
  WriteMod("UPPER.MOD", "ModName=upper\n");
  WriteMod("notes.txt", "ModName=notes\n");
  WriteMod("c.mod.bak", "ModName=backup\n");
  fs::create_directories(base_ + "mods/x.mod");

  ModList list;
  list.LoadDefinition(WriteMod("../stale.mod", "ModName=stale\n"));
  list.Enumerate(base_);
  ASSERT_EQ(list.Size(), 2u);
  EXPECT_EQ(list[0].name, "upper");  // 'U' sorts before 'a'
  EXPECT_EQ(list[1].name, "dup");
  EXPECT_EQ(list[1].fullName, "first");
  EXPECT_EQ(list.Find("DUP"), 1);
  EXPECT_EQ(list.Find("Upper"), 0);
  EXPECT_EQ(list.Find("stale"), -1);
  EXPECT_EQ(list.Find(""), -1);
  EXPECT_EQ(log_.Count("Loaded [grey]2[white] mod definition file(s).", LogLevel_Message), 1);
}

TEST_F(ModsTest, PackageDirectoryIsSearchedBeforeItsArchive) {
  ASSERT_TRUE(FileSystem::Init("test_core"));
  fs::create_directories(base_ + "both");
  fs::create_directories(base_ + "dironly");
  fs::create_directories(base_ + "front");
  std::ofstream(base_ + "both.pak", std::ios::binary) << kaztest::StoredZip({{"e", ""}});
  std::ofstream(base_ + "front.pak", std::ios::binary) << kaztest::StoredZip({{"e", ""}});

  EXPECT_TRUE(ModList::AddPackage(base_, "both", true));
  EXPECT_TRUE(ModList::AddPackage(base_, "dironly", true));
  EXPECT_FALSE(ModList::AddPackage(base_, "absent", true));
  EXPECT_TRUE(ModList::AddPackage(base_, "front", false));
  EXPECT_EQ(FileSystem::GetSearchPaths(),
            (std::vector<std::string>{base_ + "front", base_ + "front.pak", base_ + "both",
                                      base_ + "both.pak", base_ + "dironly"}));
  FileSystem::Uninit();
}
