// Resource.cpp - reference counting of shared resources.
#include "tier0/Resource.h"

#include "base/Log.h"
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
