// GameFolders.h - where a run finds its game and the engine's own packages,
// and where it writes.
//
// A game is a folder holding "mods/" and its packages; the engine's own
// package "base" lies beside the launcher in a build tree, or in the installed
// data folder (KAZ_DATA_FROM_BIN, relative to the launcher's folder). The game
// folder is the "basedir" option when given, else the working folder when it
// holds "mods/", else the launcher's folder. Settings, screenshots and the
// log go into the game folder, or under $XDG_DATA_HOME/kaz/<game folder's
// name> when the game folder cannot be written (a game installed system-wide).
// Pure decisions over what the caller reports of the machine, so that tests
// can give any; plain std::filesystem for the rest.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Every folder ends with '/'.
struct GameFolders {
  std::string game;    // mods/, the mods' packages, a shipped configuration
  std::string engine;  // the engine's own packages ("base")
  std::string write;   // config/, screenshots/, the log, cube shots, leak reports

  // Where a package of that name is looked for, in order: the engine's own
  // package only in the engine's folder (its generated parts are there), every
  // other in the game folder, then the engine's.
  std::vector<std::string> PackageFolders(const std::string& package) const;
};

// What start-up knows of the machine.
struct FolderContext {
  const std::string* baseDirOption = nullptr;  // the "basedir" option, null when not given
  std::string workingDir;                      // the working folder at start-up
  std::string programDir;                      // the launcher's folder
  std::string dataFromProgram;                 // the installed data folder, relative to it
  std::string xdgDataHome;                     // $XDG_DATA_HOME ("" when unset)
  std::string home;                            // $HOME ("" when unset)
  std::function<bool(const std::string&)> isWritable;
  std::function<bool(const std::string&)> isDirectory;
  std::function<bool(const std::string&)> exists;
};

// The context of this process: its working folder, environment and files.
FolderContext CurrentFolderContext(const std::string* baseDirOption, const std::string& programDir);

// Fills *out; false with *error set when the basedir option names no folder.
bool ResolveGameFolders(const FolderContext& context, GameFolders* out, std::string* error);
