// ShippingTest.cpp - a game made and run outside the source tree, as its
// author would: the new-game template written by tools/kaz.sh new-mod and run
// headless by this build's launcher from the game's own folder (its F9
// screenshot against a golden image); the engine installed under a temporary
// prefix by cmake --install, moved elsewhere, and a game made by the
// installed kaz-new-mod run from another temporary folder with -basedir; and
// the Debian package cpack makes, with Depends from the linked libraries.
#include "common/ImageCompare.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace {
namespace fs = std::filesystem;
using kaztest::ReadFile;
using kaztest::RunCommand;

// Picks New Game, lets the box land, takes a screenshot, brings the menu back
// with Escape and picks Quit: the run ends by itself.
const char kTemplateReplay[] =
    "10 key Return down\n11 key Return up\n"
    "60 key F9 down\n61 key F9 up\n"
    "64 key Escape down\n65 key Escape up\n"
    "68 key Down down\n69 key Down up\n"
    "72 key Return down\n73 key Return up\n";

std::string Quote(const fs::path& path) {
  return "'" + path.string() + "'";
}

// Runs a launcher headless in `folder` with a minute's limit.
kaztest::CommandResult RunGame(const fs::path& shell, const fs::path& folder,
                               const std::string& args, const std::string& env = "") {
  // Mesa's EGL leaves bytes behind at unload that LeakSanitizer cannot attribute.
  return RunCommand("cd " + Quote(folder) +
                    " && env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS=detect_leaks=0 NO_COLOR=1 "
                    "SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null " +
                    env + " timeout -s KILL 120 " + Quote(shell) + " " + args + " </dev/null");
}

// The game's lines, its quitting by itself, and a screenshot like the golden one.
void ExpectTemplateGameRan(const kaztest::CommandResult& run, const fs::path& game,
                           const std::string& fullName, const std::string& name) {
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.Has("Selected mod " + fullName + " (" + name + "), version 0.1.0")) << run.output;
  EXPECT_TRUE(run.Has(fullName + ": ready.")) << run.output;
  EXPECT_TRUE(run.Has(fullName + ": goodbye.")) << run.output;
  EXPECT_FALSE(run.Has("Traceback")) << run.output;
  EXPECT_TRUE(fs::exists(game / "config" / (name + ".cfg")));
  const fs::path shot = game / "screenshots" / "screenshot000.bmp";
  ASSERT_TRUE(fs::exists(shot)) << run.output;
  EXPECT_TRUE(
      kaztest::MatchesGolden(shot.string(), kaztest::GoldenDir() + "/template.png", 24, 0.01));
}

}  // namespace

TEST(ShippingTest, TheTemplateGameRunsFromItsOwnFolderAndShowsItsScene) {
  kaztest::TempDir tmp("kaz-template");
  const fs::path game = tmp.Path() / "my game";
  const fs::path kazSh = fs::path(KAZ_SOURCE_DIR) / "tools" / "kaz.sh";
  const std::string newMod =
      "cd " + Quote(tmp.Path()) + " && KAZ_BIN_DIR=" KAZ_BIN_DIR " " + Quote(kazSh) + " new-mod ";

  kaztest::CommandResult made = RunCommand(newMod + "mygame 'my game'");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  EXPECT_TRUE(made.Has("box.mesh: 24 vertices, 12 triangles")) << made.output;
  for (const char* file : {"mods/mygame.mod", "mygame/scripts/mygame.py", "mygame/Meshes/box.mesh",
                           "mygame/Meshes/floor.mesh", "mygame/Textures/floor.png", "README.md"})
    EXPECT_TRUE(fs::exists(game / file)) << file;
  EXPECT_NE(ReadFile(game / "mods/mygame.mod").find("ClassName=mygame.Game\n"), std::string::npos);
  EXPECT_NE(ReadFile(game / "README.md").find("# Mygame\n"), std::string::npos);

  // Names that would clash, a folder taken: one line each, nothing written.
  for (const char* bad : {"os", "Engine", "base", "2fast", "my-game"}) {
    kaztest::CommandResult refused = RunCommand(newMod + bad + " other");
    EXPECT_EQ(refused.exitCode, 2) << bad << refused.output;
    EXPECT_TRUE(refused.Has("new-mod: ")) << refused.output;
  }
  EXPECT_EQ(RunCommand(newMod + "mygame 'my game'").exitCode, 1);
  EXPECT_FALSE(fs::exists(tmp.Path() / "other"));

  kaztest::TempDir shots("kaz-template-replay");
  const fs::path replay = shots.Write("play.replay", kTemplateReplay);
  kaztest::CommandResult run =
      RunGame(fs::path(KAZ_BIN_DIR) / "shell", game,
              "-frames 300 -fixedframe 0.033333 -ResX 320 -ResY 240 -replay " + Quote(replay));
  ExpectTemplateGameRan(run, game, "Mygame", "mygame");
  // Nothing of the game's was written beside the launcher.
  EXPECT_FALSE(fs::exists(KAZ_BIN_DIR "/config/mygame.cfg"));
}

#if !defined(KAZ_ASAN)
TEST(ShippingTest, AnInstalledEngineRunsAGameFromAFolderOutsideTheTree) {
  kaztest::TempDir tmp("kaz-install");
  const fs::path prefix = tmp.Path() / "prefix";
  kaztest::CommandResult installed =
      RunCommand(KAZ_CMAKE_COMMAND " --install " KAZ_BUILD_DIR " --prefix " + Quote(prefix));
  ASSERT_EQ(installed.exitCode, 0) << installed.output;
  // The installation holds no path of the build: it still runs once moved.
  const fs::path moved = tmp.Path() / "moved";
  fs::rename(prefix, moved);
  for (const char* file : {"bin/shell", "bin/meshconv", "bin/obj2mesh", "bin/fontbake",
                           "bin/kaz-new-mod", "share/kaz/base/scripts/Engine.py",
                           "share/kaz/base/scripts/_Core.py", "share/kaz/base/Fonts/menu.f",
                           "share/kaz/template/mods/@NAME@.mod", "share/doc/kaz/making-a-game.md"})
    EXPECT_TRUE(fs::exists(moved / file)) << file;

  const fs::path game = tmp.Path() / "games" / "faraway";
  kaztest::CommandResult made =
      RunCommand(Quote(moved / "bin/kaz-new-mod") + " --title 'Far Away' faraway " + Quote(game));
  ASSERT_EQ(made.exitCode, 0) << made.output;

  const fs::path elsewhere = tmp.Path() / "elsewhere";
  fs::create_directories(elsewhere);
  kaztest::WriteFile(elsewhere / "play.replay", kTemplateReplay);
  kaztest::CommandResult run =
      RunGame(moved / "bin/shell", elsewhere,
              "-basedir ../games/faraway -log -frames 300 -fixedframe 0.033333 -ResX 320 -ResY 240 "
              "-replay play.replay");
  ExpectTemplateGameRan(run, game, "Far Away", "faraway");
  EXPECT_TRUE(fs::exists(game / "kaz.log"));
  EXPECT_FALSE(fs::exists(elsewhere / "config"));
}

TEST(ShippingTest, AGameFolderThatCannotBeWrittenSavesIntoTheUsersDataFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  kaztest::TempDir tmp("kaz-readonly");
  const fs::path game = tmp.Path() / "cavern";
  const fs::path kazSh = fs::path(KAZ_SOURCE_DIR) / "tools" / "kaz.sh";
  ASSERT_EQ(
      RunCommand("KAZ_BIN_DIR=" KAZ_BIN_DIR " " + Quote(kazSh) + " new-mod cavern " + Quote(game))
          .exitCode,
      0);
  // A configuration shipped with the game is read while none is saved.
  kaztest::WriteFile(game / "config" / "cavern.cfg", "GridSize 16\n");
  fs::permissions(game, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const fs::path data = tmp.Path() / "data";
  kaztest::CommandResult run = RunGame(fs::path(KAZ_BIN_DIR) / "shell", tmp.Path(),
                                       "-basedir cavern -frames 5", "XDG_DATA_HOME=" + Quote(data));
  fs::permissions(game, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const std::string saved = ReadFile(data / "kaz" / "cavern" / "config" / "cavern.cfg");
  EXPECT_NE(saved.find("\nGridSize 16.000000\n"), std::string::npos) << saved << run.output;
  EXPECT_EQ(ReadFile(game / "config" / "cavern.cfg"), "GridSize 16\n");
}

TEST(ShippingTest, TheDebianPackageDependsOnTheLibrariesItLinks) {
  if (RunCommand("command -v dpkg-shlibdeps").exitCode != 0)
    GTEST_SKIP() << "dpkg-shlibdeps (dpkg-dev) is not installed";
  kaztest::TempDir tmp("kaz-deb");
  kaztest::CommandResult packed =
      RunCommand("cd " KAZ_BUILD_DIR " && " KAZ_CPACK_COMMAND " -G DEB -B " + Quote(tmp.Path()));
  ASSERT_EQ(packed.exitCode, 0) << packed.output;
  fs::path deb;
  for (const auto& entry : fs::directory_iterator(tmp.Path()))
    if (entry.path().extension() == ".deb") deb = entry.path();
  ASSERT_FALSE(deb.empty()) << packed.output;
  const std::string depends = RunCommand("dpkg-deb -f " + Quote(deb) + " Depends").output;
  for (const char* library : {"libsdl2-2.0-0", "libphysfs1", "libpython3.11", "libopenal1",
                              "libvorbisfile3", "libcal3d12", "libassimp5", "python3"})
    EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
  const std::string files = RunCommand("dpkg-deb -c " + Quote(deb)).output;
  for (const char* file : {"./usr/bin/shell", "./usr/bin/kaz-new-mod", "/kaz/libengine.so",
                           "./usr/share/kaz/base/scripts/Engine.py"})
    EXPECT_NE(files.find(file), std::string::npos) << file;
}
#endif
