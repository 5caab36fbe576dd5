// PackageImportTest.cpp - scripts imported from the packages: from .pak
// archives as from folders, in the file system's search order (per package:
// scripts/, scripts/Lib/, the package's top), packages of modules below an
// archive, and tracebacks that name the archive and the line.
#include "script/ScriptFixture.h"

#include "common/StoredZip.h"

using scripttest::ScriptFixture;

namespace {

class PackageImportTest : public ScriptFixture {
 protected:
  // Mounts game.pak (built from `entries`), then the scratch folder package, then base.
  ScriptManager* StartWithArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
    m_archive = m_dir.Write("game.pak", kaztest::StoredZip(entries)).string();
    kaztest::MountPackages({m_archive, m_package.Str(), kaztest::BasePackageDir()});
    return CreateScriptManager(&m_events, "App.App");
  }

  kaztest::TempDir m_dir{"kaz_pakscripts"};
  std::string m_archive;
};

const char kApp[] = R"(import rules
class App:
    def OnPreStartup(self): return True
    def OnStartup(self): return True
    def OnShutdown(self): return True
    def OnUpdate(self):
        rules.Check(-1)
        return True
)";

const char kRules[] = R"(# rules.py - in the archive only
def Check(value):
    if value < 0:
        raise ValueError('negative: %d' % value)
    return value
)";

}  // namespace

TEST_F(PackageImportTest, ModulesAndPackagesComeFromAnArchiveInSearchOrder) {
  // The folder package after the archive offers modules of the same names.
  WriteScript("shared.py", "where = 'folder'\n");
  WriteScript("onlyfolder.py", "where = 'folder'\n");
  m_package.Write("ordered.py", "where = 'folder top'\n");
  ScriptManager* manager = StartWithArchive({
      {"scripts/App.py", kApp},
      {"scripts/rules.py", kRules},
      {"scripts/shared.py", "where = 'archive'\n"},
      {"scripts/tools/__init__.py", "from . import deep\nname = 'tools'\n"},
      {"scripts/tools/deep.py", "where = 'archive deep'\n"},
      {"scripts/Lib/layered.py", "where = 'archive Lib'\n"},
      {"layered.py", "where = 'archive top'\n"},
      {"ordered.py", "where = 'archive top'\n"},
  });
  ASSERT_NE(manager, nullptr) << m_printed;

  EXPECT_EQ(Eval("__import__('shared').where"), "'archive'");
  EXPECT_EQ(Eval("__import__('onlyfolder').where"), "'folder'");
  EXPECT_EQ(Eval("__import__('tools').deep.where"), "'archive deep'");
  EXPECT_EQ(Eval("__import__('tools.deep').name"), "'tools'");
  // Within a package scripts/Lib/ comes before its top, and a package earlier
  // in the search order wins whichever of its folders holds the module.
  EXPECT_EQ(Eval("__import__('layered').where"), "'archive Lib'");
  EXPECT_EQ(Eval("__import__('ordered').where"), "'archive top'");
  EXPECT_EQ(Eval("__import__('shared').__file__"), "'" + m_archive + "/scripts/shared.py'");
  EXPECT_EQ(Eval("__import__('onlyfolder').__file__"),
            "'" + m_package.Str() + "/scripts/onlyfolder.py'");
  EXPECT_EQ(Eval("__import__('rules').__loader__.get_source('rules').splitlines()[0]"),
            "'# rules.py - in the archive only'");
  EXPECT_EQ(Eval("__import__('nosuchmodule')"),
            "raise ModuleNotFoundError: No module named 'nosuchmodule'");
  EXPECT_EQ(Eval("__import__('tools.nothing')"),
            "raise ModuleNotFoundError: No module named 'tools.nothing'");

  // A traceback names the archive, the module's path in it and the line.
  EXPECT_FALSE(manager->OnUpdate());
  EXPECT_TRUE(Printed("File \"" + m_archive + "/scripts/rules.py\", line 4, in Check"))
      << m_printed;
  EXPECT_TRUE(Printed("ValueError: negative: -1")) << m_printed;
}

TEST_F(PackageImportTest, ASyntaxErrorInAnArchivedModuleNamesItsFileAndLine) {
  ScriptManager* manager = StartWithArchive({
      {"scripts/App.py",
       "class App:\n    def OnStartup(self):\n        import broken\n        return True\n"},
      {"scripts/broken.py", "x = 1\ndef f(:\n    pass\n"},
  });
  ASSERT_NE(manager, nullptr) << m_printed;
  EXPECT_FALSE(manager->OnStartup());
  EXPECT_TRUE(Printed("File \"" + m_archive + "/scripts/broken.py\", line 2")) << m_printed;
  EXPECT_TRUE(Printed("SyntaxError")) << m_printed;
  EXPECT_EQ(Eval("__import__('sys').modules.get('broken')"), "None");
}
