// FileWatcher.h - tells which files in a set of folders were saved.
//
// A watcher is given folders; it watches each with every folder below it,
// and the folders made there later. Poll() reports the files written and
// closed, or moved in (editors save by writing a copy and renaming it over
// the file), each once, when it has been quiet for the debounce time: an
// editor's save is often several writes. Poll never blocks; with nothing
// pending it costs one non-blocking read. Paths are native. Main thread only.
//
// The Linux implementation (FileWatcherInotify.cpp) is the only file that
// includes the platform's header. Builds on the standard library only.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class FileWatcher {
 public:
  virtual ~FileWatcher() = default;

  // Watches the folder and every folder below it; false with a reason when
  // some folder could not be watched (the others are).
  virtual bool AddTree(const std::string& folder, std::string* reason) = 0;
  // Stops watching everything and forgets what was pending.
  virtual void Clear() = 0;
  // Folders watched now.
  virtual size_t GetFolderCount() const = 0;
  // Seconds a file must stay quiet before it is reported (0.1 unless set).
  virtual void SetDebounce(double seconds) = 0;
  // Appends the files that changed and have settled; true when it added any.
  virtual bool Poll(std::vector<std::string>* changed) = 0;
};

// Null with a reason when this system offers no way to watch folders.
std::unique_ptr<FileWatcher> CreateFileWatcher(std::string* reason);
