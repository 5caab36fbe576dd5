// FileWatcherInotify.cpp - the file watcher over Linux inotify; see FileWatcher.h.
#include "tier0/FileWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <unordered_map>

namespace {

using Clock = std::chrono::steady_clock;

// A file counts when it was written and closed or moved in; IN_CREATE is
// there for folders, which are then watched too.
constexpr uint32_t kWatchMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR;

std::string Why(const std::string& folder, int error) {
  if (error == ENOSPC)
    return "cannot watch '" + folder +
           "': the system's limit of watched folders is reached (fs.inotify.max_user_watches)";
  return "cannot watch '" + folder + "': " + std::strerror(error);
}

class InotifyFileWatcher final : public FileWatcher {
 public:
  explicit InotifyFileWatcher(int fd) : m_fd(fd) {}
  ~InotifyFileWatcher() override { Close(); }

  bool AddTree(const std::string& folder, std::string* reason) override;
  void Clear() override;
  size_t GetFolderCount() const override { return m_folders.size(); }
  void SetDebounce(double seconds) override {
    m_debounce = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(seconds > 0.0 ? seconds : 0.0));
  }
  bool Poll(std::vector<std::string>* changed) override;

 private:
  void Close();
  bool Watch(const std::string& folder, std::string* reason);
  // The folder and every folder below it; `arrived` marks the files found
  // there as changed (they may have come before the watch did).
  bool WatchTree(const std::string& folder, std::string* reason, bool arrived,
                 Clock::time_point now);
  void Take(const inotify_event& event, Clock::time_point now);

  int m_fd;
  std::unordered_map<int, std::string> m_folders;      // watch descriptor -> folder
  std::map<std::string, Clock::time_point> m_pending;  // file -> time of its last event
  Clock::duration m_debounce = std::chrono::milliseconds(100);
};

bool InotifyFileWatcher::Watch(const std::string& folder, std::string* reason) {
  const int wd = inotify_add_watch(m_fd, folder.c_str(), kWatchMask);
  if (wd < 0) {
    if (reason && reason->empty()) *reason = Why(folder, errno);
    return false;
  }
  m_folders[wd] = folder;
  return true;
}

bool InotifyFileWatcher::WatchTree(const std::string& folder, std::string* reason, bool arrived,
                                   Clock::time_point now) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    if (reason && reason->empty()) *reason = "'" + folder + "' is not a folder";
    return false;
  }
  bool all = Watch(folder, reason);
  // Linked folders are left out: a link back up would never end.
  for (fs::recursive_directory_iterator
           it(folder, fs::directory_options::skip_permission_denied, error),
       end;
       !error && it != end; it.increment(error)) {
    if (it->is_symlink(error)) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_directory(error))
      all = Watch(it->path().string(), reason) && all;
    else if (arrived)
      m_pending[it->path().string()] = now;
  }
  return all;
}

bool InotifyFileWatcher::AddTree(const std::string& folder, std::string* reason) {
  std::string why;
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const bool ok = WatchTree(path, &why, false, Clock::now());
  if (reason) *reason = why;
  return ok;
}

void InotifyFileWatcher::Take(const inotify_event& event, Clock::time_point now) {
  if (event.mask & IN_IGNORED) {  // the folder went away
    m_folders.erase(event.wd);
    return;
  }
  auto folder = m_folders.find(event.wd);
  if (folder == m_folders.end() || event.len == 0) return;
  const std::string path = folder->second + "/" + event.name;
  if (event.mask & IN_ISDIR) {
    if (event.mask & (IN_CREATE | IN_MOVED_TO)) WatchTree(path, nullptr, true, now);
    return;
  }
  if (event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) m_pending[path] = now;
}

bool InotifyFileWatcher::Poll(std::vector<std::string>* changed) {
  if (m_fd < 0) return false;
  alignas(inotify_event) char buffer[16 * 1024];
  Clock::time_point now{};
  bool read = false;
  for (;;) {
    const ssize_t length = ::read(m_fd, buffer, sizeof(buffer));
    if (length <= 0) break;  // EAGAIN: nothing (more) happened
    if (!read) now = Clock::now();
    read = true;
    for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      Take(*event, now);
      at += ssize_t(sizeof(inotify_event) + event->len);
    }
  }
  if (m_pending.empty()) return false;
  if (!read) now = Clock::now();
  const size_t before = changed ? changed->size() : 0;
  for (auto it = m_pending.begin(); it != m_pending.end();) {
    if (now - it->second < m_debounce) {
      ++it;
      continue;
    }
    if (changed) changed->push_back(it->first);
    it = m_pending.erase(it);
  }
  return changed && changed->size() > before;
}

void InotifyFileWatcher::Close() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  m_folders.clear();
  m_pending.clear();
}

void InotifyFileWatcher::Clear() {
  // A fresh descriptor drops every watch and every event not yet read.
  Close();
  m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

}  // namespace

std::unique_ptr<FileWatcher> CreateFileWatcher(std::string* reason) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    if (reason) *reason = std::string("inotify: ") + std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<InotifyFileWatcher>(fd);
}
