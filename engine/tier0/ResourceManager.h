// ResourceManager.h - one per resource class: maps names to live instances so
// a second request for a name shares the first instance.
//
// Names compare without regard to letter case; the map holds no reference.
// Every manager links itself into a process-wide registry (newest first),
// through which device events and "reload everything" reach every resource.
// A manager destroyed while resources are still referenced writes the leak
// report "<class>_ResMgr.log" into the base directory and deletes what is left;
// a stale report from an earlier run is removed when the manager is built.
//
// Managers are globals built during static initialisation, before the file
// system starts, so the base directory falls back to the executable's folder
// (which is what the file system reports too).
//
// Main thread only; no locking.
//
// Depends on: tier0/Resource, tier0/FileSystem (base directory), base/Log,
// base/LogHold (the reason of a failed reload).
#pragma once

#include "base/StringUtil.h"
#include "tier0/Resource.h"

#include <cstddef>
#include <map>
#include <string>
#include <type_traits>

class ResourceManager {
 public:
  explicit ResourceManager(const char* className);
  virtual ~ResourceManager();
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;

  // Does not touch the reference count.
  Resource* Find(const std::string& name) const;
  // False (nothing inserted) when the name is already taken.
  bool Register(Resource* resource);
  // False when the resource's name is not held by this very resource.
  bool Unregister(Resource* resource);

  // The shared instance with one more reference, or a freshly loaded one with
  // its first; null (nothing registered) when loading fails. T is built as
  // T(ResourceManager*).
  template <class T>
  T* GetOrLoad(const std::string& name);

  const std::string& GetClassName() const { return m_className; }
  size_t GetCount() const { return m_resources.size(); }
  ResourceManager* GetNext() const { return m_next; }
  static ResourceManager* GetFirst() { return s_first; }

  // This manager's resources in name order; the callback may add or release
  // resources.
  template <class Fn>
  void ForEach(Fn fn);

  // Registry-wide, managers newest first, resources in name order. Resources
  // may be added or released by the callbacks.
  static void NotifyDeviceLost();
  static void NotifyDeviceReset();
  static void NotifyVideoShutdown();
  // Unload(false) then Load(false) on every resource; a failed reload stays
  // registered with whatever it left behind.
  static void ReloadAll();
  // Reload() on every resource made from the file (a virtual path), each
  // reported in one line: the loader's own lines are held back and, when
  // the reload failed, become the reason. Returns how many were tried.
  static int ReloadFile(const std::string& path);
  // The two lines every reload of a saved file ends with (scripts too).
  static void ReportReload(const std::string& name, bool ok, const std::string& reason);

  // Folder (ending with a separator) for leak reports; empty means the base
  // directory. For tests and tools.
  static void SetReportDir(const std::string& dir);
  std::string GetReportPath() const;

 private:
  template <class Fn>
  static void ForEachResource(Fn fn);
  void WriteLeakReport() const;

  std::map<std::string, Resource*, NoCaseLess> m_resources;
  std::string m_className;
  ResourceManager* m_next = nullptr;

  static inline ResourceManager* s_first = nullptr;
};

template <class Fn>
void ResourceManager::ForEach(Fn fn) {
  auto it = m_resources.begin();
  while (it != m_resources.end()) {
    // Resume after this name, not from the iterator: the callback may add or
    // release resources.
    std::string name = it->first;
    fn(it->second);
    it = m_resources.upper_bound(name);
  }
}

template <class T>
T* ResourceManager::GetOrLoad(const std::string& name) {
  static_assert(std::is_base_of_v<Resource, T>, "resource classes derive from Resource");
  if (Resource* found = Find(name)) {
    found->AddRef();
    return static_cast<T*>(found);
  }
  T* resource = new T(this);
  resource->SetName(name);
  if (!resource->Load(true)) {
    delete resource;
    return nullptr;
  }
  if (!Register(resource)) {
    // Loading registered the same name itself (a self-reference); keep that one.
    resource->Unload(true);
    delete resource;
    Resource* other = Find(name);
    if (other) other->AddRef();
    return static_cast<T*>(other);
  }
  resource->AddRef();
  return resource;
}
