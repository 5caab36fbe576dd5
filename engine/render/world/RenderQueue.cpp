// RenderQueue.cpp - the queued objects' light sets; see RenderQueue.h.
#include "render/world/RenderQueue.h"

bool ObjectLightSet::Add(LightObject* light, const Vector3D& localPosition) {
  const uint32_t type = light->GetLightType();
  if (type > 1 || m_count[type] >= kMaxLightsPerType) return false;
  Entry& e = m_entries[type][m_count[type]++];
  e.light = Ref<LightObject>::Share(light);
  e.position[0] = localPosition.x;
  e.position[1] = localPosition.y;
  e.position[2] = localPosition.z;
  return true;
}

void ObjectLightSet::Clear() {
  for (uint32_t type = 0; type < 2; ++type) {
    for (uint32_t i = 0; i < m_count[type]; ++i) m_entries[type][i].light.Reset();
    m_count[type] = m_used[type] = 0;
  }
}

bool ObjectLightSet::UseNextLight(float position[3], float color[3], float* range) {
  if (RemainingLights() == 0) return false;
  const Entry& e = m_entries[1][m_used[1]++];
  for (int i = 0; i < 3; ++i) position[i] = e.position[i];
  const Vector3D& c = e.light->GetColour();
  color[0] = c.x, color[1] = c.y, color[2] = c.z;
  *range = e.light->GetRadius();
  return true;
}
