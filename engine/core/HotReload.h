// HotReload.h - reloads what a game is made of when its files are saved.
//
// While it watches, every package folder of the search path (archives are
// not watched) is watched with a FileWatcher, folders below included. Poll(),
// called once a frame on the main thread, takes each saved file that the
// file system serves from the folder it was saved in and reloads what is
// made of it: the resources (effects and the files they include, textures,
// fonts, static meshes, sounds) and the script module run from it. A file
// shadowed by the same path in an earlier package changes nothing. Each
// reload ends with one line: "Reloaded ..." or "Failed to reload ...", the
// last good data staying in use. With nothing saved a frame's poll is one
// non-blocking read.
// Part of the top floor; builds on tier0 (FileWatcher, FileSystem,
// ResourceManager) and script/ScriptReload.h.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class FileWatcher;

class HotReload {
 public:
  HotReload();
  ~HotReload();
  HotReload(const HotReload&) = delete;
  HotReload& operator=(const HotReload&) = delete;

  // Watches the package folders mounted now (again, when it watched
  // already); false after a warning when nothing can be watched.
  bool Start();
  // False when it was not watching.
  bool Stop();
  bool IsWatching() const { return m_watcher != nullptr; }
  // Folders watched, those below the package folders included.
  size_t GetFolderCount() const;
  // Seconds a saved file must stay quiet before it is reloaded (0.1).
  void SetDebounce(double seconds);

  // Once a frame: reloads what was saved since the last call.
  void Poll();
  // What saving the file (a native path) changes; false when no watched
  // package folder serves it (shadowed, gone, or outside them).
  bool Apply(const std::string& nativePath);

 private:
  struct Package {
    std::string entry;   // the search-path entry, as the file system names it
    std::string folder;  // the same folder, ending with one '/'
  };
  std::unique_ptr<FileWatcher> m_watcher;
  std::vector<Package> m_packages;
  std::vector<std::string> m_changed;
  double m_debounce = 0.1;
};
