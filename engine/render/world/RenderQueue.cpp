// RenderQueue.cpp - the queued objects' light sets; see RenderQueue.h.
#include "render/world/RenderQueue.h"

#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "render/world/LightGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

bool ObjectLightSet::Add(LightObject* light, const Vector3D& localPosition,
                         const FrameLight* frame) {
  const uint32_t type = light->GetLightType();
  if (type > 1 || m_count[type] >= kMaxLightsPerType) return false;
  Entry& e = m_entries[type][m_count[type]++];
  e.light = Ref<LightObject>::Share(light);
  e.position[0] = localPosition.x;
  e.position[1] = localPosition.y;
  e.position[2] = localPosition.z;
  e.frame = frame;
  return true;
}

void ObjectLightSet::Clear() {
  for (uint32_t type = 0; type < 2; ++type) {
    for (uint32_t i = 0; i < m_count[type]; ++i) m_entries[type][i].light.Reset();
    m_count[type] = m_used[type] = 0;
  }
  m_unscissored = m_wholeLights = false;
  m_view = nullptr;
  m_regionCount = m_nextRegion = 0;
}

bool ObjectLightSet::SameLights(const ObjectLightSet& o) const {
  if (m_count[1] != o.m_count[1]) return false;
  for (uint32_t i = 0; i < m_count[1]; ++i)
    if (m_entries[1][i].light != o.m_entries[1][i].light) return false;
  return true;
}

bool ObjectLightSet::HasShadowMaps(uint32_t count) const {
  for (uint32_t i = 0; i < count && i < m_count[1]; ++i) {
    const FrameLight* frame = m_entries[1][i].frame;
    if (frame && frame->shadowMap && frame->shadowMap->GetWidth()) return true;
  }
  return false;
}

void ObjectLightSet::Fill(const Entry& e, RenderLight* out) {
  RenderLight& l = *out;
  const Vector3D world =
      e.frame ? e.frame->position : e.light->GetWorldTransform().GetTranslation();
  const Vector3D& c = e.light->GetColour();
  for (int k = 0; k < 3; ++k) l.position[k] = e.position[k];
  l.worldPosition[0] = world.x, l.worldPosition[1] = world.y, l.worldPosition[2] = world.z;
  l.color[0] = c.x, l.color[1] = c.y, l.color[2] = c.z;
  l.range = e.light->GetRadius();
  l.shadowMap = e.frame ? e.frame->shadowMap : nullptr;
}

uint32_t ObjectLightSet::UseNextLights(uint32_t max, RenderLight* out) {
  if (m_nextRegion < m_regionCount) {
    for (uint32_t i = 0; i < m_batchCount; ++i) Fill(m_entries[1][m_batchFirst + i], &out[i]);
    NextRegion(out, m_batchCount);
    return m_batchCount;
  }
  m_regionCount = m_nextRegion = 0;
  const uint32_t count = std::min(max, RemainingLights());
  ScreenRect covered;
  bool anywhere = false;
  m_batchFirst = m_used[1];
  m_batchCount = count;
  for (uint32_t i = 0; i < count; ++i) {
    const Entry& e = m_entries[1][m_used[1]++];
    Fill(e, &out[i]);
    if (e.frame && m_view)
      covered.Unite(m_wholeLights ? e.frame->rect : e.frame->rect.Intersected(Reach(*e.frame)));
    else
      anywhere = true;
  }
  VideoManager* video = count ? GetVideoManager() : nullptr;
  if (!video) return count;
  if (m_view && !m_unscissored) {
    if (anywhere) covered = {0, 0, m_view->width, m_view->height};
    SplitByShadows(covered, m_batchFirst, count);
    NextRegion(out, count);
    ClipToLights(video, count, anywhere);
  } else {
    video->SetClipPlanes(nullptr, 0);  // an AmbientLit pass draws the whole object
  }
  return count;
}

bool ObjectLightSet::BatchReaches(const AABB& box) const {
  for (uint32_t i = m_batchFirst; i < m_batchFirst + m_batchCount; ++i) {
    const FrameLight* light = m_entries[1][i].frame;
    if (!light || LightTouches(*light, box)) return true;
  }
  return false;
}

void ObjectLightSet::NextRegion(RenderLight* out, uint32_t count) {
  VideoManager* video = GetVideoManager();
  if (m_nextRegion >= m_regionCount || !video) return;
  const Region& r = m_regions[m_nextRegion++];
  video->SetScissor(true, r.rect.x1, r.rect.y1, r.rect.x2, r.rect.y2);
  if (!r.shadowed)
    for (uint32_t i = 0; i < count; ++i) out[i].shadowMap = nullptr;
}

namespace {

// The common part of two boxes; false when they do not meet.
bool Overlap(const AABB& a, const AABB& b, AABB* out) {
  out->mins = Vector3D(std::max(a.mins.x, b.mins.x), std::max(a.mins.y, b.mins.y),
                       std::max(a.mins.z, b.mins.z));
  out->maxs = Vector3D(std::min(a.maxs.x, b.maxs.x), std::min(a.maxs.y, b.maxs.y),
                       std::min(a.maxs.z, b.maxs.z));
  return out->mins.x <= out->maxs.x && out->mins.y <= out->maxs.y && out->mins.z <= out->maxs.z;
}

uint64_t Area(const ScreenRect& r) {
  return r.IsEmpty() ? 0 : uint64_t(r.x2 - r.x1) * (r.y2 - r.y1);
}

void Extend(AABB* box, const Vector3D& p) {
  box->mins =
      Vector3D(std::min(box->mins.x, p.x), std::min(box->mins.y, p.y), std::min(box->mins.z, p.z));
  box->maxs =
      Vector3D(std::max(box->maxs.x, p.x), std::max(box->maxs.y, p.y), std::max(box->maxs.z, p.z));
}

}  // namespace

AABB WorldBox(const Matrix4x4& world, const Vector3D& mins, const Vector3D& maxs) {
  AABB box;
  for (int corner = 0; corner < 8; ++corner) {
    const Vector3D p = world.TransformVector(Vector3D((corner & 1) ? maxs.x : mins.x,
                                                      (corner & 2) ? maxs.y : mins.y,
                                                      (corner & 4) ? maxs.z : mins.z));
    if (corner == 0) box.mins = box.maxs = p;
    Extend(&box, p);
  }
  return box;
}

bool ShadowVolume(const Vector3D& light, float range, const AABB& caster, float floor, AABB* out) {
  const Vector3D axis = caster.GetCenter() - light;
  const float axisLength = axis.Length();
  if (!(range > 0.0f) || !(axisLength > 1e-4f)) return false;
  const Vector3D c = axis * (1.0f / axisLength);
  // The rays from the light through the box's corners span the cone its
  // shadow fills; within range, all of it lies before the plane at `range`
  // across the cone's axis: in the hull of the corners and the points where
  // their rays meet that plane.
  Vector3D points[16];
  for (int corner = 0; corner < 8; ++corner) {
    const Vector3D p((corner & 1) ? caster.maxs.x : caster.mins.x,
                     (corner & 2) ? caster.maxs.y : caster.mins.y,
                     (corner & 4) ? caster.maxs.z : caster.mins.z);
    const Vector3D d = p - light;
    const float along = d.Dot(c);
    // A corner beside or behind the light: the cone is too wide to bound.
    if (!(along > 0.2f * d.Length())) return false;
    points[corner] = p;
    points[8 + corner] = light + d * (range / along);
  }
  // Above the floor, that hull is held by its points there and by where the
  // lines between them cross the floor.
  AABB box;
  bool any = false;
  const auto add = [&](const Vector3D& p) {
    if (!any) box.mins = box.maxs = p;
    Extend(&box, p);
    any = true;
  };
  for (int i = 0; i < 16; ++i) {
    if (points[i].y < floor) continue;
    add(points[i]);
    for (int j = 0; j < 16; ++j)
      if (points[j].y < floor) {
        const Vector3D& a = points[i];
        const Vector3D& b = points[j];
        add(a + (b - a) * ((a.y - floor) / (a.y - b.y)));
      }
  }
  const Vector3D r(range, range, range);
  const AABB sphere{light - r, light + r};
  if (!any || !Overlap(box, sphere, out)) {
    out->mins = Vector3D(1, 1, 1);  // empty: mins above maxs
    out->maxs = Vector3D(-1, -1, -1);
  }
  return true;
}

void ObjectLightSet::SplitByShadows(const ScreenRect& covered, uint32_t first, uint32_t count) {
  ScreenRect shadow;
  bool maps = false;
  // A floor's shadows end on it: what lies below the object's box is no matter.
  const float floor = m_wholeLights ? -std::numeric_limits<float>::max() : m_box.mins.y;
  for (uint32_t i = first; i < first + count && shadow != covered; ++i) {
    const FrameLight* light = m_entries[1][i].frame;
    if (!light || !light->shadowMap) continue;
    maps = true;
    if (!light->shadowsBounded) {
      shadow = covered;
      break;
    }
    for (uint32_t k = 0; k < light->shadowCasterCount; ++k) {
      AABB part;
      if (!ShadowVolume(light->position, light->range, light->shadowCasters[k], floor, &part)) {
        shadow = covered;
        break;
      }
      if (!Overlap(part, m_wholeLights ? part : m_box, &part)) continue;
      // A pixel or two more: the rounding of the projection and of the rasterizer.
      shadow.Unite(m_view->Project(part).Grown(2, m_view->width, m_view->height));
    }
  }
  shadow = shadow.Intersected(covered);
  m_regionCount = m_nextRegion = 0;
  // Without maps, or where the rest is too small for another draw to pay, one region.
  const uint64_t rest = Area(covered) - Area(shadow);
  if (!maps || shadow.IsEmpty() || rest * 4 < Area(covered)) {
    m_regions[m_regionCount++] = {covered, maps && !shadow.IsEmpty()};
    return;
  }
  m_regions[m_regionCount++] = {shadow, true};
  const ScreenRect bands[4] = {{covered.x1, covered.y1, covered.x2, shadow.y1},
                               {covered.x1, shadow.y2, covered.x2, covered.y2},
                               {covered.x1, shadow.y1, shadow.x1, shadow.y2},
                               {shadow.x2, shadow.y1, covered.x2, shadow.y2}};
  for (const ScreenRect& band : bands)
    if (!band.IsEmpty()) m_regions[m_regionCount++] = {band, false};
}

void ObjectLightSet::ClipToLights(VideoManager* video, uint32_t count, bool anywhere) const {
  // The scissor keeps a light's pixels to a rectangle; a floor that runs
  // towards the eye fills that rectangle far outside the light's reach. The
  // triangles themselves are cut to an upright hexagonal prism around the
  // batch's spheres (a little larger: nothing is lit at the rim). Walls
  // stand upright, so on a floor the prism keeps a third as much outside a
  // sphere as its box would (0.32 r^2 against 0.86 r^2), where the box's
  // corner points at the eye; a ceiling or a floor out of reach overhead is
  // rarely in the same mesh, and each mesh is lit only by the lights that
  // touch its box.
  if (anywhere) {
    video->SetClipPlanes(nullptr, 0);
    return;
  }
  static_assert(kSides <= kMaxClipPlanes);
  Vector4D world[kSides];
  for (uint32_t k = 0; k < kSides; ++k) {
    const float angle = float(k) * 2.0f * float(M_PI) / float(kSides);
    const float x = std::cos(angle), z = std::sin(angle);
    float reach = -std::numeric_limits<float>::max();
    for (uint32_t i = m_used[1] - count; i < m_used[1]; ++i) {
      const FrameLight& light = *m_entries[1][i].frame;
      reach = std::max(reach,
                       x * light.position.x + z * light.position.z + light.range * 1.01f + 0.01f);
    }
    world[k] = Vector4D(-x, 0.0f, -z, reach);
  }
  Vector4D planes[kSides];
  if (!m_view->ClipPlanesOf(world, planes))
    video->SetClipPlanes(nullptr, 0);
  else
    video->SetClipPlanes(planes, kSides);
}

bool FrameView::ClipPlanesOf(const Vector4D world[6], Vector4D planes[6]) const {
  // A world plane p becomes p x inverse(viewProjection) in clip space.
  Matrix4x4 inverse;
  if (!viewProjection.GetInverse(inverse)) return false;
  for (int p = 0; p < 6; ++p) {
    const float* w = &world[p].x;
    float c[4];
    for (int j = 0; j < 4; ++j)
      c[j] = w[0] * inverse.m[j] + w[1] * inverse.m[4 + j] + w[2] * inverse.m[8 + j] +
             w[3] * inverse.m[12 + j];
    // A light somewhere unusable (not a number) clips nothing rather than everything.
    if (!std::isfinite(c[0] + c[1] + c[2] + c[3])) return false;
    planes[p] = Vector4D(c[0], c[1], c[2], c[3]);
  }
  return true;
}

void ScreenRect::Unite(const ScreenRect& o) {
  if (o.IsEmpty()) return;
  if (IsEmpty()) {
    *this = o;
    return;
  }
  x1 = std::min(x1, o.x1), y1 = std::min(y1, o.y1);
  x2 = std::max(x2, o.x2), y2 = std::max(y2, o.y2);
}

ScreenRect ScreenRect::Intersected(const ScreenRect& o) const {
  ScreenRect r{std::max(x1, o.x1), std::max(y1, o.y1), std::min(x2, o.x2), std::min(y2, o.y2)};
  return r.IsEmpty() ? ScreenRect() : r;
}

ScreenRect ObjectLightSet::Reach(const FrameLight& light) const {
  // The part of the object's box inside the light's sphere's box: a large
  // object (a floor, a cliff) that a light touches at one end is lit there only.
  const Vector3D r(light.range, light.range, light.range);
  AABB sphere, part;
  sphere.mins = light.position - r, sphere.maxs = light.position + r;
  // Touching lights overlap the box; should rounding say otherwise, the whole sphere.
  if (!Overlap(m_box, sphere, &part)) return light.rect;
  return m_view->Project(part);
}

ScreenRect ScreenRect::Grown(uint32_t by, uint32_t width, uint32_t height) const {
  if (IsEmpty()) return *this;
  return {x1 > by ? x1 - by : 0, y1 > by ? y1 - by : 0, std::min(width, x2 + by),
          std::min(height, y2 + by)};
}

ScreenRect FrameView::Project(const AABB& box) const {
  // The part of the box in front of the eye is the box cut by a plane just
  // before it: its corners there and where its edges cross the plane.
  constexpr float kNear = 1e-5f;
  Vector4D corners[8];
  for (int corner = 0; corner < 8; ++corner)
    corners[corner] = viewProjection.TransformVector(
        Vector4D((corner & 1) ? box.maxs.x : box.mins.x, (corner & 2) ? box.maxs.y : box.mins.y,
                 (corner & 4) ? box.maxs.z : box.mins.z, 1.0f));
  float left = 1.0f, right = -1.0f, top = 1.0f, bottom = -1.0f;
  bool any = false;
  const auto take = [&](const Vector4D& p) {
    const float x = p.x / p.w, y = p.y / p.w;
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
    any = true;
  };
  for (int a = 0; a < 8; ++a) {
    const Vector4D& p = corners[a];
    if (!std::isfinite(p.x + p.y + p.w)) return {0, 0, width, height};
    if (p.w > kNear) take(p);
    // The edges from this corner to the corners one coordinate further.
    for (int bit = 1; bit < 8; bit <<= 1) {
      if (a & bit) continue;
      const Vector4D& q = corners[a | bit];
      if ((p.w > kNear) == (q.w > kNear)) continue;
      const float t = (kNear - p.w) / (q.w - p.w);
      take(Vector4D(p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, 0.0f, kNear));
    }
  }
  if (!any) return {};  // wholly behind the eye
  const auto column = [this](float ndc) {
    return uint32_t(std::clamp((ndc * 0.5f + 0.5f) * float(width), 0.0f, float(width)));
  };
  const auto row = [this](float ndc) {
    return uint32_t(std::clamp((0.5f - ndc * 0.5f) * float(height), 0.0f, float(height)));
  };
  // Whole pixels that hold any part of it: round outwards.
  ScreenRect r{column(left), row(bottom), column(right), row(top)};
  if (r.x2 < width) ++r.x2;
  if (r.y2 < height) ++r.y2;
  return r;
}
