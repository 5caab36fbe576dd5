// GameFolders.cpp - the game, engine and write folders of a run; see GameFolders.h.
#include "core/GameFolders.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#ifndef KAZ_DATA_FROM_BIN
#define KAZ_DATA_FROM_BIN "../share/kaz"
#endif

namespace {
namespace fs = std::filesystem;

constexpr const char* kEnginePackage = "base";

std::string AsFolder(const fs::path& path) {
  std::string text = path.lexically_normal().string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

// A relative folder is taken from the working folder, as a shell would.
std::string Absolute(const std::string& path, const std::string& workingDir) {
  fs::path p(path);
  if (p.is_relative()) p = fs::path(workingDir) / p;
  return AsFolder(p);
}

bool HoldsPackage(const FolderContext& c, const std::string& folder, const char* name) {
  return c.isDirectory(folder + name) || c.exists(folder + name + ".pak");
}

std::string EngineFolder(const FolderContext& c) {
  const std::string program = AsFolder(c.programDir);
  if (HoldsPackage(c, program, kEnginePackage)) return program;
  const std::string installed = AsFolder(fs::path(program) / c.dataFromProgram);
  if (!c.dataFromProgram.empty() && HoldsPackage(c, installed, kEnginePackage)) return installed;
  // Start-up then reports the missing package by name.
  return program;
}

// $XDG_DATA_HOME/kaz/<name>/, with the specification's default for XDG_DATA_HOME;
// a process without a home (a service) still gets a folder it can make.
std::string UserDataFolder(const FolderContext& c, const std::string& game) {
  fs::path data = c.xdgDataHome;
  if (data.empty() || data.is_relative())
    data = fs::path(c.home.empty() ? "/tmp" : c.home) / ".local/share";
  std::string name = fs::path(game).parent_path().filename().string();
  if (name.empty()) name = "game";
  return AsFolder(data / "kaz" / name);
}

}  // namespace

std::vector<std::string> GameFolders::PackageFolders(const std::string& package) const {
  if (package == kEnginePackage) return {engine};
  if (game == engine) return {game};
  return {game, engine};
}

FolderContext CurrentFolderContext(const std::string* baseDirOption,
                                   const std::string& programDir) {
  FolderContext c;
  c.baseDirOption = baseDirOption;
  std::error_code ec;
  c.workingDir = fs::current_path(ec).string();
  c.programDir = programDir;
  c.dataFromProgram = KAZ_DATA_FROM_BIN;
  if (const char* xdg = std::getenv("XDG_DATA_HOME")) c.xdgDataHome = xdg;
  if (const char* home = std::getenv("HOME")) c.home = home;
  c.isWritable = [](const std::string& path) { return access(path.c_str(), W_OK) == 0; };
  c.isDirectory = [](const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
  };
  c.exists = [](const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
  };
  return c;
}

bool ResolveGameFolders(const FolderContext& c, GameFolders* out, std::string* error) {
  GameFolders folders;
  folders.engine = EngineFolder(c);
  if (c.baseDirOption) {
    folders.game = Absolute(*c.baseDirOption, c.workingDir);
    if (c.baseDirOption->empty() || !c.isDirectory(folders.game)) {
      *error = "The game folder '" + *c.baseDirOption + "' (option basedir) is not a folder.";
      return false;
    }
  } else if (const std::string here = AsFolder(c.workingDir);
             !c.workingDir.empty() && c.isDirectory(here + "mods")) {
    folders.game = here;
  } else {
    folders.game = AsFolder(c.programDir);
  }
  folders.write = c.isWritable(folders.game) ? folders.game : UserDataFolder(c, folders.game);
  *out = folders;
  return true;
}
