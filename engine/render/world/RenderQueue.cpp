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

uint32_t ObjectLightSet::UseNextLights(uint32_t max, RenderLight* out) {
  const uint32_t count = std::min(max, RemainingLights());
  ScreenRect covered;
  bool anywhere = false;
  for (uint32_t i = 0; i < count; ++i) {
    const Entry& e = m_entries[1][m_used[1]++];
    RenderLight& l = out[i];
    const Vector3D world =
        e.frame ? e.frame->position : e.light->GetWorldTransform().GetTranslation();
    const Vector3D& c = e.light->GetColour();
    for (int k = 0; k < 3; ++k) l.position[k] = e.position[k];
    l.worldPosition[0] = world.x, l.worldPosition[1] = world.y, l.worldPosition[2] = world.z;
    l.color[0] = c.x, l.color[1] = c.y, l.color[2] = c.z;
    l.range = e.light->GetRadius();
    l.shadowMap = e.frame ? e.frame->shadowMap : nullptr;
    if (e.frame && m_view)
      covered.Unite(m_wholeLights ? e.frame->rect : e.frame->rect.Intersected(Reach(*e.frame)));
    else
      anywhere = true;
  }
  VideoManager* video = count ? GetVideoManager() : nullptr;
  if (!video) return count;
  if (m_view && !m_unscissored) {
    if (anywhere) covered = {0, 0, m_view->width, m_view->height};
    video->SetScissor(true, covered.x1, covered.y1, covered.x2, covered.y2);
    ClipToLights(video, count, anywhere);
  } else {
    video->SetClipPlanes(nullptr, 0);  // an AmbientLit pass draws the whole object
  }
  return count;
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
  const Vector3D lo = light.position - r, hi = light.position + r;
  AABB part;
  part.mins = Vector3D(std::max(m_box.mins.x, lo.x), std::max(m_box.mins.y, lo.y),
                       std::max(m_box.mins.z, lo.z));
  part.maxs = Vector3D(std::min(m_box.maxs.x, hi.x), std::min(m_box.maxs.y, hi.y),
                       std::min(m_box.maxs.z, hi.z));
  // Touching lights overlap the box; should rounding say otherwise, the whole sphere.
  if (part.mins.x > part.maxs.x || part.mins.y > part.maxs.y || part.mins.z > part.maxs.z)
    return light.rect;
  return m_view->Project(part);
}

ScreenRect ScreenRect::Grown(uint32_t by, uint32_t width, uint32_t height) const {
  if (IsEmpty()) return *this;
  return {x1 > by ? x1 - by : 0, y1 > by ? y1 - by : 0, std::min(width, x2 + by),
          std::min(height, y2 + by)};
}

ScreenRect FrameView::Project(const AABB& box) const {
  const ScreenRect whole{0, 0, width, height};
  float left = 1.0f, right = -1.0f, top = 1.0f, bottom = -1.0f;
  for (int corner = 0; corner < 8; ++corner) {
    const Vector4D p = viewProjection.TransformVector(
        Vector4D((corner & 1) ? box.maxs.x : box.mins.x, (corner & 2) ? box.maxs.y : box.mins.y,
                 (corner & 4) ? box.maxs.z : box.mins.z, 1.0f));
    // A corner at or behind the eye has no place on the screen.
    if (!(p.w > 1e-5f)) return whole;
    const float x = p.x / p.w, y = p.y / p.w;
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
  }
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
