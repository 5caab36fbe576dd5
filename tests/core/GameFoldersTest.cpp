// GameFoldersTest.cpp - which folders a run reads its game and the engine's
// packages from, and where it writes: the basedir option, the working folder,
// the launcher's folder, an installed data folder, and the user's data folder
// when the game folder cannot be written. Decided over a made-up machine.
#include "core/GameFolders.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// A machine of folders and files that exist, and folders that can be written.
struct Machine {
  std::set<std::string> folders, files, writable;

  FolderContext Context(const std::string* option, const std::string& cwd,
                        const std::string& program) const {
    FolderContext c;
    c.baseDirOption = option;
    c.workingDir = cwd;
    c.programDir = program;
    c.dataFromProgram = "../share/kaz";
    c.home = "/home/ann";
    c.isWritable = [this](const std::string& p) { return writable.count(Trim(p)) != 0; };
    c.isDirectory = [this](const std::string& p) { return folders.count(Trim(p)) != 0; };
    c.exists = [this](const std::string& p) {
      return folders.count(Trim(p)) != 0 || files.count(Trim(p)) != 0;
    };
    return c;
  }
  static std::string Trim(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
  }
};

GameFolders Resolve(const FolderContext& context) {
  GameFolders folders;
  std::string error;
  EXPECT_TRUE(ResolveGameFolders(context, &folders, &error)) << error;
  return folders;
}

}  // namespace

TEST(GameFoldersTest, ABuildTreeRunsItsOwnFolderWhereverItIsStartedFrom) {
  Machine m;
  m.folders = {"/src/build/bin", "/src/build/bin/base", "/src/build/bin/mods", "/src"};
  m.writable = {"/src/build/bin"};
  // Started from the repository root, which holds no mods/.
  GameFolders f = Resolve(m.Context(nullptr, "/src", "/src/build/bin/"));
  EXPECT_EQ(f.game, "/src/build/bin/");
  EXPECT_EQ(f.engine, "/src/build/bin/");
  EXPECT_EQ(f.write, "/src/build/bin/");
  EXPECT_EQ(f.PackageFolders("cove"), std::vector<std::string>{"/src/build/bin/"});
}

TEST(GameFoldersTest, AnInstalledLauncherRunsTheGameItIsStartedIn) {
  Machine m;
  m.folders = {"/usr/bin", "/usr/share/kaz/base", "/home/ann/mygame", "/home/ann/mygame/mods"};
  m.writable = {"/home/ann/mygame"};
  GameFolders f = Resolve(m.Context(nullptr, "/home/ann/mygame", "/usr/bin/"));
  EXPECT_EQ(f.game, "/home/ann/mygame/");
  EXPECT_EQ(f.engine, "/usr/share/kaz/");
  EXPECT_EQ(f.write, "/home/ann/mygame/");
  // The engine's own package only from the engine; a game's from the game first.
  EXPECT_EQ(f.PackageFolders("base"), std::vector<std::string>{"/usr/share/kaz/"});
  EXPECT_EQ(f.PackageFolders("mygame"),
            (std::vector<std::string>{"/home/ann/mygame/", "/usr/share/kaz/"}));

  // Elsewhere, without mods/ in the working folder, the launcher's folder is the game.
  f = Resolve(m.Context(nullptr, "/home/ann", "/usr/bin/"));
  EXPECT_EQ(f.game, "/usr/bin/");
}

TEST(GameFoldersTest, TheBasedirOptionNamesTheGameRelativeToTheWorkingFolder) {
  Machine m;
  m.folders = {"/opt/kaz/bin", "/opt/kaz/bin/base", "/home/ann/games/two", "/home/ann/here",
               "/home/ann/here/mods"};
  m.writable = {"/home/ann/games/two"};
  const std::string relative = "../games/./two";
  GameFolders f = Resolve(m.Context(&relative, "/home/ann/here", "/opt/kaz/bin/"));
  EXPECT_EQ(f.game, "/home/ann/games/two/");  // the option wins over the working folder's mods/
  EXPECT_EQ(f.engine, "/opt/kaz/bin/");       // a base package beside the launcher comes first
  EXPECT_EQ(f.write, "/home/ann/games/two/");

  // A name that is no folder (or nothing at all) ends start-up with a line naming it.
  for (const std::string& bad : {std::string("/home/ann/nowhere"), std::string()}) {
    GameFolders unused;
    std::string error;
    EXPECT_FALSE(
        ResolveGameFolders(m.Context(&bad, "/home/ann", "/opt/kaz/bin/"), &unused, &error));
    EXPECT_EQ(error, "The game folder '" + bad + "' (option basedir) is not a folder.");
  }
}

TEST(GameFoldersTest, AGameThatCannotBeWrittenSavesIntoTheUsersDataFolder) {
  Machine m;
  m.folders = {"/usr/bin", "/usr/share/kaz/base", "/usr/share/games/cavern",
               "/usr/share/games/cavern/mods"};
  FolderContext c = m.Context(nullptr, "/usr/share/games/cavern", "/usr/bin/");
  EXPECT_EQ(Resolve(c).write, "/home/ann/.local/share/kaz/cavern/");
  c.xdgDataHome = "/data/ann";
  EXPECT_EQ(Resolve(c).write, "/data/ann/kaz/cavern/");
  // A relative XDG_DATA_HOME is invalid by its specification: the default applies.
  c.xdgDataHome = "relative/data";
  EXPECT_EQ(Resolve(c).write, "/home/ann/.local/share/kaz/cavern/");
  EXPECT_EQ(Resolve(c).game, "/usr/share/games/cavern/");
}

TEST(GameFoldersTest, AnArchivedBasePackageCountsAndAMissingOneIsLeftToStartup) {
  Machine m;
  m.folders = {"/usr/bin", "/usr/share/kaz"};
  m.files = {"/usr/share/kaz/base.pak"};
  EXPECT_EQ(Resolve(m.Context(nullptr, "/", "/usr/bin/")).engine, "/usr/share/kaz/");
  m.files.clear();
  // Nowhere: the launcher's folder, where start-up then misses "base" by name.
  EXPECT_EQ(Resolve(m.Context(nullptr, "/", "/usr/bin/")).engine, "/usr/bin/");
}
