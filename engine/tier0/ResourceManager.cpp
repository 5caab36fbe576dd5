// ResourceManager.cpp - name map, registry walks and the leak report.
#include "tier0/ResourceManager.h"

#include "base/Log.h"
#include "base/LogHold.h"
#include "tier0/FileSystem.h"

#include <cstdio>
#include <unistd.h>

namespace {

// Empty: the base directory. A function static, as managers in other files
// are built during static initialisation.
std::string& ReportDirOverride() {
  static std::string dir;
  return dir;
}

// Folder of the running executable, with a trailing separator.
std::string ExecutableDir() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return {};
  std::string dir(path, static_cast<size_t>(length));
  size_t slash = dir.rfind('/');
  return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

std::string ReportDir() {
  if (!ReportDirOverride().empty()) return ReportDirOverride();
  std::string base = FileSystem::GetBaseDir();
  return base.empty() ? ExecutableDir() : base;
}

}  // namespace

ResourceManager::ResourceManager(const char* className) : m_className(className ? className : "") {
  m_next = s_first;
  s_first = this;
  std::remove(GetReportPath().c_str());
}

ResourceManager::~ResourceManager() {
  WriteLeakReport();

  for (ResourceManager** link = &s_first; *link; link = &(*link)->m_next) {
    if (*link == this) {
      *link = m_next;
      break;
    }
  }

  // One at a time: a destructor may release another resource of this manager,
  // which then leaves the map itself.
  while (!m_resources.empty()) {
    auto first = m_resources.begin();
    Resource* resource = first->second;
    m_resources.erase(first);
    delete resource;
  }
}

Resource* ResourceManager::Find(const std::string& name) const {
  auto it = m_resources.find(name);
  return it == m_resources.end() ? nullptr : it->second;
}

bool ResourceManager::Register(Resource* resource) {
  if (!resource) return false;
  return m_resources.emplace(resource->GetName(), resource).second;
}

bool ResourceManager::Unregister(Resource* resource) {
  if (!resource) return false;
  auto it = m_resources.find(resource->GetName());
  // Only its own entry: a same-named instance that never got registered must
  // not take the live one out of the map.
  if (it == m_resources.end() || it->second != resource) return false;
  m_resources.erase(it);
  return true;
}

template <class Fn>
void ResourceManager::ForEachResource(Fn fn) {
  for (ResourceManager* manager = s_first; manager; manager = manager->m_next) manager->ForEach(fn);
}

void ResourceManager::NotifyDeviceLost() {
  ForEachResource([](Resource* r) { r->OnDeviceLost(); });
}

void ResourceManager::NotifyDeviceReset() {
  ForEachResource([](Resource* r) { r->OnDeviceReset(); });
}

void ResourceManager::NotifyVideoShutdown() {
  ForEachResource([](Resource* r) { r->OnVideoShutdown(); });
}

void ResourceManager::ReloadAll() {
  ForEachResource([](Resource* r) {
    r->Unload(false);
    r->Load(false);
  });
  LogMessage("[orange]Reloaded all resources.");
}

int ResourceManager::ReloadFile(const std::string& path) {
  int tried = 0;
  ForEachResource([&](Resource* r) {
    if (!r->UsesFile(path)) return;
    ++tried;
    // The resource may go while it reloads (its last user let go); the name
    // outlives it.
    const std::string name = r->GetName();
    bool ok = false;
    std::string reason;
    {
      LogHold hold;
      ok = r->Reload();
      if (ok)
        hold.Release();
      else
        reason = hold.Summary();
    }
    ReportReload(name, ok, reason.empty() ? "no reason given" : reason);
  });
  return tried;
}

void ResourceManager::ReportReload(const std::string& name, bool ok, const std::string& reason) {
  if (ok)
    LogMessage("[orange]Reloaded [grey]%s", name.c_str());
  else
    LogWarning("Failed to reload '%s' (%s); keeping the last good one.", name.c_str(),
               reason.c_str());
}

void ResourceManager::SetReportDir(const std::string& dir) {
  ReportDirOverride() = dir;
}

std::string ResourceManager::GetReportPath() const {
  return ReportDir() + m_className + "_ResMgr.log";
}

void ResourceManager::WriteLeakReport() const {
  if (m_resources.empty()) return;
  FILE* file = std::fopen(GetReportPath().c_str(), "w");
  if (!file) return;
  std::fprintf(file, "*** WARNING ***\n\n");
  std::fprintf(file, "Resource instances of class %s still have references!\n\n",
               m_className.c_str());
  int index = 0;
  for (const auto& [name, resource] : m_resources) {
    std::fprintf(file, "#%d: %d references for '%s'\n", ++index,
                 static_cast<int>(resource->GetRefCount()), name.c_str());
  }
  std::fprintf(file, "-- END LIST (%d total)", index);
  std::fclose(file);
}
