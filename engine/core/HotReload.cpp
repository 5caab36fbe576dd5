// HotReload.cpp - saved files back into the running game; see HotReload.h.
#include "core/HotReload.h"

#include "base/Log.h"
#include "base/StringUtil.h"
#include "script/ScriptReload.h"
#include "tier0/FileSystem.h"
#include "tier0/FileWatcher.h"
#include "tier0/ResourceManager.h"

#include <filesystem>
#include <string_view>

HotReload::HotReload() = default;

HotReload::~HotReload() = default;

bool HotReload::Start() {
  Stop();
  std::string reason;
  std::unique_ptr<FileWatcher> watcher = CreateFileWatcher(&reason);
  if (!watcher) {
    LogWarning("Cannot watch the package folders (%s).", reason.c_str());
    return false;
  }
  watcher->SetDebounce(m_debounce);
  std::string problem;
  for (const std::string& entry : FileSystem::GetSearchPaths()) {
    std::error_code error;
    if (!std::filesystem::is_directory(entry, error)) continue;  // an archive
    std::string why;
    if (!watcher->AddTree(entry, &why) && problem.empty()) problem = why;
    std::string folder = entry;
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    m_packages.push_back({entry, folder + "/"});
  }
  if (!problem.empty()) LogWarning("Some package folders are not watched: %s.", problem.c_str());
  m_watcher = std::move(watcher);
  LogMessage("Watching [grey]%d[white] package folder(s): saved files are reloaded.",
             static_cast<int>(m_packages.size()));
  return true;
}

bool HotReload::Stop() {
  const bool was = m_watcher != nullptr;
  m_watcher.reset();
  m_packages.clear();
  m_changed.clear();
  return was;
}

size_t HotReload::GetFolderCount() const {
  return m_watcher ? m_watcher->GetFolderCount() : 0;
}

void HotReload::SetDebounce(double seconds) {
  m_debounce = seconds;
  if (m_watcher) m_watcher->SetDebounce(seconds);
}

void HotReload::Poll() {
  if (!m_watcher || !m_watcher->Poll(&m_changed)) return;
  // A reloaded script may stop or restart the watching.
  std::vector<std::string> changed;
  changed.swap(m_changed);
  for (const std::string& path : changed) Apply(path);
}

bool HotReload::Apply(const std::string& nativePath) {
  std::string path;
  for (const Package& package : m_packages) {
    if (nativePath.compare(0, package.folder.size(), package.folder) != 0) continue;
    const std::string inside = nativePath.substr(package.folder.size());
    // Only the copy the game reads counts; packages may nest, so look on.
    if (FileSystem::GetRealDir(inside) != package.entry) continue;
    path = inside;
    break;
  }
  if (path.empty()) return false;
  ResourceManager::ReloadFile(path);
  const std::string_view view(path);
  if (view.size() > 3 && EqualsNoCase(view.substr(view.size() - 3), ".py")) {
    std::string reason;
    const ScriptReload outcome = ReloadScriptModule(nativePath, &reason);
    if (outcome != ScriptReload::NotLoaded)
      ResourceManager::ReportReload(path, outcome == ScriptReload::Reloaded, reason);
  }
  return true;
}
