// PakGameTest.cpp - a game shipped as archives: a game folder of its own
// (-basedir) whose one mod keeps every script in a .pak starts, runs, and
// keeps its settings, log and screenshots in its own folder; a setting a
// script made is saved and comes back at the next start.
#include "core/TestEngine.h"

#include "common/StoredZip.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {
namespace fs = std::filesystem;

const char kGame[] = R"(# PakGame.py - lives in pakgame.pak only
import _Core
import _Engine
import pakrules


class PakGame(_Core.Application):
    def OnPreStartup(self):
        _Engine.SetCVar('pak_starts', 0)
        return True

    def OnStartup(self):
        starts = _Engine.GetCVar('pak_starts') + 1
        _Engine.SetCVar('pak_starts', starts)
        print('PakGame: start %d, %s' % (starts, pakrules.Rule()))
        return True
)";

class PakGameTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    m_game.Write("mods/pakgame.mod",
                 "ModName=pakgame\nModFullName=Pak Game\nModVersion=1.0.0\n"
                 "ModPackages=pakgame\nClassName=PakGame\n");
    m_game.Write("pakgame.pak",
                 kaztest::StoredZip({{"scripts/PakGame.py", kGame},
                                     {"scripts/pakrules/__init__.py",
                                      "def Rule():\n    return 'rules from the archive'\n"}}));
  }
  KazEngine* StartGame() { return Start({"-basedir", m_game.Str(), "-frames", "3"}); }

  kaztest::TempDir m_game{"kaz-pakgame"};
};

}  // namespace

TEST_F(PakGameTest, AModWhoseScriptsAreOnlyInAnArchiveStartsAndKeepsItsSettings) {
  KazEngine* engine = StartGame();
  ASSERT_NE(engine, nullptr) << m_out.All();
  // The launcher's main game (cove) is not in this folder: its only mod is.
  EXPECT_EQ(m_out.Count("Selected mod [grey]Pak Game [white]([grey]pakgame[white]), version "
                        "[grey]1.0.0"),
            1)
      << m_out.All();
  EXPECT_EQ(m_out.Count("PakGame: start 1, rules from the archive"), 1) << m_out.All();
  Run(3, 0.05);
  engine->OnKeyDown(EngineKey_F9);
  engine->OnKeyUp(EngineKey_F9);
  kazShutdown();
  EXPECT_TRUE(fs::exists(m_game.Path() / "screenshots" / "screenshot000.bmp")) << m_out.All();
  const std::string saved = m_game.Read("config/pakgame.cfg");
  EXPECT_NE(saved.find("\npak_starts 1\n"), std::string::npos) << saved;

  // The next start reads the saved value back before the script sets its default.
  m_out.lines.clear();
  ASSERT_NE(StartGame(), nullptr) << m_out.All();
  EXPECT_EQ(m_out.Count("PakGame: start 2, rules from the archive"), 1) << m_out.All();
  kazShutdown();
  EXPECT_NE(m_game.Read("config/pakgame.cfg").find("\npak_starts 2\n"), std::string::npos);
  EXPECT_EQ(m_out.Count("Traceback"), 0) << m_out.All();
}

TEST_F(PakGameTest, InAFolderOfSeveralModsTheCommandLinePicksTheGame) {
  m_game.Write("mods/other.mod", "ModName=other\nModPackages=other\nClassName=Other\n");
  EXPECT_EQ(Start({"-basedir", m_game.Str()}), nullptr);
  EXPECT_EQ(m_out.Count("KazStartup: Main game is not present or properlly isntalled."), 1)
      << m_out.All();
  m_out.lines.clear();
  ASSERT_NE(Start({"-basedir", m_game.Str(), "-MOD", "PakGame"}), nullptr) << m_out.All();
  EXPECT_EQ(m_out.Count("PakGame: start 1, rules from the archive"), 1) << m_out.All();
}

TEST_F(PakGameTest, ABasedirThatIsNoFolderEndsStartupNamingIt) {
  const std::string missing = m_game.Str() + "/nowhere";
  EXPECT_EQ(Start({"-basedir", missing}), nullptr);
  EXPECT_EQ(m_out.Count("KazStartup: The game folder '" + missing +
                        "' (option basedir) is not a folder."),
            1)
      << m_out.All();
}
