// LightGrid.cpp - the frame's lights by cell; see LightGrid.h.
#include "render/world/LightGrid.h"

#include "tier1/LightObject.h"
#include "tier1/World.h"

#include <algorithm>
#include <cmath>

namespace {

// Cells a light may span along one axis before it is offered to every box;
// a box spanning more cells than kBoxCells looks at every light instead.
constexpr int32_t kLightSpan = 4;
constexpr int64_t kBoxCells = 64;
constexpr int32_t kCellLimit = (1 << 20) - 1;  // 21 bits a coordinate in a key

}  // namespace

bool LightTouches(const FrameLight& light, const AABB& box) {
  float d2 = 0.0f;
  const float c[3] = {light.position.x, light.position.y, light.position.z};
  const float lo[3] = {box.mins.x, box.mins.y, box.mins.z};
  const float hi[3] = {box.maxs.x, box.maxs.y, box.maxs.z};
  for (int i = 0; i < 3; ++i) {
    const float d = c[i] < lo[i] ? lo[i] - c[i] : (c[i] > hi[i] ? c[i] - hi[i] : 0.0f);
    d2 += d * d;
  }
  return d2 <= light.range * light.range;
}

uint64_t LightGrid::Key(int32_t x, int32_t y, int32_t z) {
  const auto bits = [](int32_t v) { return uint64_t(uint32_t(v + kCellLimit) & 0x1FFFFF); };
  return (bits(x) << 42) | (bits(y) << 21) | bits(z);
}

bool LightGrid::CellRange(const AABB& box, int32_t lo[3], int32_t hi[3]) const {
  const float mins[3] = {box.mins.x, box.mins.y, box.mins.z};
  const float maxs[3] = {box.maxs.x, box.maxs.y, box.maxs.z};
  for (int i = 0; i < 3; ++i) {
    const float a = std::floor(mins[i] / m_cell), b = std::floor(maxs[i] / m_cell);
    if (!std::isfinite(a) || !std::isfinite(b)) return false;
    lo[i] = int32_t(std::clamp(a, -float(kCellLimit), float(kCellLimit)));
    hi[i] = int32_t(std::clamp(b, -float(kCellLimit), float(kCellLimit)));
  }
  return true;
}

void LightGrid::Build(World* world, const FrameView& view) {
  m_lights.clear();
  m_entries.clear();
  m_wide.clear();
  uint32_t order = 0;
  double diameters = 0.0;
  uint32_t ranged = 0;
  for (WorldObject* o = world->GetFirstObject(ObjectType_Light); o; o = o->GetNext(), ++order) {
    auto* light = static_cast<LightObject*>(o);
    if (light->GetLightType() != 1) continue;
    FrameLight& f = m_lights.emplace_back();
    f.light = light;
    f.position = light->GetWorldTransform().GetTranslation();
    f.range = std::isfinite(light->GetRadius()) ? std::max(0.0f, light->GetRadius()) : 0.0f;
    f.order = order;
    const Vector3D reach(f.range, f.range, f.range);
    f.rect = view.Project(AABB(f.position - reach, f.position + reach));
    if (f.range > 0.0f) diameters += 2.0 * f.range, ++ranged;
  }
  m_cell = ranged ? std::clamp(float(diameters / ranged), 0.25f, 1e6f) : 1.0f;
  for (uint32_t i = 0; i < m_lights.size(); ++i) {
    const FrameLight& f = m_lights[i];
    const Vector3D reach(f.range, f.range, f.range);
    int32_t lo[3], hi[3];
    if (!CellRange(AABB(f.position - reach, f.position + reach), lo, hi) ||
        hi[0] - lo[0] >= kLightSpan || hi[1] - lo[1] >= kLightSpan || hi[2] - lo[2] >= kLightSpan) {
      m_wide.push_back(i);
      continue;
    }
    for (int32_t x = lo[0]; x <= hi[0]; ++x)
      for (int32_t y = lo[1]; y <= hi[1]; ++y)
        for (int32_t z = lo[2]; z <= hi[2]; ++z) m_entries.push_back({Key(x, y, z), i});
  }
  std::sort(m_entries.begin(), m_entries.end(),
            [](const Entry& a, const Entry& b) { return a.cell < b.cell; });
  m_seen.assign(m_lights.size(), 0);
  m_query = 0;
}

void LightGrid::Offer(uint32_t index, const AABB& box) {
  if (m_seen[index] == m_query) return;
  m_seen[index] = m_query;
  if (LightTouches(m_lights[index], box)) m_found.push_back(&m_lights[index]);
}

uint32_t LightGrid::Touching(const AABB& box, const FrameLight** out, uint32_t max) {
  if (m_lights.empty() || max == 0) return 0;
  ++m_query;
  m_found.clear();
  for (uint32_t i : m_wide) Offer(i, box);
  int32_t lo[3], hi[3];
  const bool ranged = CellRange(box, lo, hi);
  const int64_t cells = ranged
                            ? int64_t(hi[0] - lo[0] + 1) * (hi[1] - lo[1] + 1) * (hi[2] - lo[2] + 1)
                            : kBoxCells + 1;
  if (cells > kBoxCells) {
    for (uint32_t i = 0; i < m_lights.size(); ++i) Offer(i, box);
  } else {
    for (int32_t x = lo[0]; x <= hi[0]; ++x)
      for (int32_t y = lo[1]; y <= hi[1]; ++y)
        for (int32_t z = lo[2]; z <= hi[2]; ++z) {
          const uint64_t key = Key(x, y, z);
          auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key,
                                     [](const Entry& e, uint64_t k) { return e.cell < k; });
          for (; it != m_entries.end() && it->cell == key; ++it) Offer(it->light, box);
        }
  }
  std::sort(m_found.begin(), m_found.end(),
            [](const FrameLight* a, const FrameLight* b) { return a->order < b->order; });
  const uint32_t count = std::min(max, uint32_t(m_found.size()));
  std::copy_n(m_found.begin(), count, out);
  return count;
}
