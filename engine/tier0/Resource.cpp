// Resource.cpp - reference counting of shared resources.
#include "tier0/Resource.h"

#include "base/Log.h"
#include "base/StringUtil.h"
#include "tier0/ResourceManager.h"

Resource::Resource(ResourceManager* manager) : m_manager(manager) {}

Resource::~Resource() = default;

void Resource::Release() {
  RefCount::Drop drop = m_refs.Release();
  if (drop == RefCount::kUnbalanced) {
    // Destroying again would free a live or already freed object.
    LogError("Resource: Release of '%s' that holds no reference", m_name.c_str());
    return;
  }
  if (drop == RefCount::kKept) return;
  Unload(true);
  if (m_manager) m_manager->Unregister(this);
  delete this;
}

bool Resource::UsesFile(const std::string& path) const {
  return EqualsNoCase(m_name, path);
}

bool Resource::Reload() {
  LogMessage("a %s is read again only when the game starts anew",
             m_manager ? m_manager->GetClassName().c_str() : "resource of this kind");
  return false;
}
