// Resource.h - base class of shared, file-backed data (meshes, textures,
// effects, fonts, sounds).
//
// A resource is named (normally by its file path), reference counted and owned
// by the ResourceManager of its class, which maps names to live instances.
// It exists from a successful first Load(true) until its last Release(), which
// unloads it, takes it out of the manager and deletes it. Counting is plain
// (main thread only), like the pooled objects: the getter hands out one
// reference, each holder releases one.
//
// Depends on: tier0/Ref.h (the count), base/Log (unbalanced releases).
#pragma once

#include "tier0/Ref.h"

#include <cstdint>
#include <string>

class ResourceManager;

class Resource {
 public:
  explicit Resource(ResourceManager* manager);
  virtual ~Resource();
  Resource(const Resource&) = delete;
  Resource& operator=(const Resource&) = delete;

  // Graphics device notifications, sent to every resource through the registry.
  virtual void OnDeviceLost() {}
  virtual void OnDeviceReset() {}
  virtual void OnVideoShutdown() {}

  // initial: the first load (false when reloading in place).
  virtual bool Load(bool initial) = 0;
  // final: the last unload before destruction (false when reloading).
  virtual void Unload(bool final) = 0;

  // Hot reload. Whether the resource is made from that file of the package
  // file system (a virtual path); by default the file of its name.
  virtual bool UsesFile(const std::string& path) const;
  // Reads the file again into fresh data and takes it only when that worked:
  // a failed reload keeps the last good data and says why in its log lines.
  // Kinds that cannot change under their users keep the default, which
  // refuses with one line.
  virtual bool Reload();

  void AddRef() { m_refs.Add(); }
  // Drops one reference; the last one unloads, unregisters and deletes. A
  // Release without a reference held is logged and ignored.
  void Release();

  int32_t GetRefCount() const { return static_cast<int32_t>(m_refs.Get()); }
  ResourceManager* GetManager() const { return m_manager; }
  const std::string& GetName() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }

 private:
  RefCount m_refs;
  ResourceManager* m_manager;
  std::string m_name;
};
