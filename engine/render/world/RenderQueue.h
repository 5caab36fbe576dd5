// RenderQueue.h - what one frame of the world renderer is drawn from: the
// camera's view and the light sets of the queued objects.
//
// Every drawing part of the world room (static meshes, particles, debug
// lines) and every drawable kind above it (world/cal3d/) gets the frame's
// view; an object's light set lists the lights that touch it per light type
// with their positions in the object's own space, and hands the per-pixel
// ones (type 1) to the effect in batches of as many as the effect takes,
// keeping each batch's draws to the pixels its lights' spheres cover and its
// geometry to the box around them. A batch with shadow maps is handed over
// once for the pixels where a shadow can fall, and again without its maps
// for the rest of its rectangle, where reading them would find nothing.
// Builds on gpu/RenderEffect.h (RenderLightSet), gpu/VideoManager.h (the
// scissor and clip planes), tier0 (Matrix4x4, Frustum, AABB) and tier1/LightObject.h.
#pragma once

#include "render/gpu/RenderEffect.h"
#include "tier0/AABB.h"
#include "tier0/Frustum.h"
#include "tier0/Math.h"
#include "tier0/ObjectPool.h"
#include "tier0/Ref.h"
#include "tier1/LightObject.h"
#include "tier1/WorldObject.h"

#include <algorithm>
#include <cstdint>

class CameraObject;
class VideoManager;
struct FrameLight;

constexpr uint32_t kMaxLightsPerType = 16;

// A rectangle of the viewport in pixels, (x1, y1) inclusive, (x2, y2) exclusive, row 0 the top.
struct ScreenRect {
  uint32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool IsEmpty() const { return x2 <= x1 || y2 <= y1; }
  bool operator==(const ScreenRect&) const = default;
  void Unite(const ScreenRect& o);
  ScreenRect Intersected(const ScreenRect& o) const;
  // Grown by `by` pixels on every side, within a width x height viewport.
  ScreenRect Grown(uint32_t by, uint32_t width, uint32_t height) const;
};

struct FrameView;

// The world box around a box of an object's own space (mins, maxs) that
// `world` places.
AABB WorldBox(const Matrix4x4& world, const Vector3D& mins, const Vector3D& maxs);

// A world box that holds every point within `range` of a light and at or
// above `floor` whose way to the light passes through `caster` (an empty
// box, mins above maxs, when there is none); false when that cannot be
// bounded (the light inside or beside the box).
bool ShadowVolume(const Vector3D& light, float range, const AABB& caster, float floor, AABB* out);

// The lights of one queued object: a list per light type (0 and 1), each
// entry with the light's position in the object's own space. The Lit pass
// draws one repetition per batch of type-1 entries.
class ObjectLightSet : public RenderLightSet {
 public:
  struct Entry {
    Ref<LightObject> light;
    float position[3];
    const FrameLight* frame;  // the light's place on screen this frame (null: anywhere)
  };
  bool Add(LightObject* light, const Vector3D& localPosition, const FrameLight* frame = nullptr);
  void Clear();
  // Back to the first light a pass takes, less the first `skip` point lights
  // (those an AmbientLit pass drew already).
  void ResetLights(uint32_t skip = 0) {
    m_used[0] = 0, m_used[1] = std::min(skip, m_count[1]);
    m_regionCount = m_nextRegion = 0;
  }
  // Whether the batches taken set the scissor rectangle: not in an AmbientLit
  // pass, which draws the whole object.
  void SetScissored(bool scissored) { m_unscissored = !scissored; }
  uint32_t GetUsedLights() const { return m_used[1]; }
  // Whether any of the first count type-1 lights brings a shadow map this frame.
  bool HasShadowMaps(uint32_t count) const;
  uint32_t GetCount(uint32_t type) const { return type < 2 ? m_count[type] : 0; }
  const Entry& GetEntry(uint32_t type, uint32_t index) const { return m_entries[type][index]; }
  // A batch still to be drawn over another part of its rectangle counts as one light.
  uint32_t RemainingLights() const override {
    return m_count[1] - m_used[1] + (m_nextRegion < m_regionCount ? 1 : 0);
  }
  uint32_t UseNextLights(uint32_t max, RenderLight* out) override;
  // Whether a light of the batch just taken can reach the world box (always
  // where one of them may be anywhere).
  bool BatchReaches(const AABB& box) const;
  // The rectangle the batch just taken is scissored to; null where it draws anywhere.
  const ScreenRect* GetScissor() const {
    return m_nextRegion > 0 ? &m_regions[m_nextRegion - 1].rect : nullptr;
  }
  // From now on each batch taken sets the scissor rectangle to the pixels
  // where its lights can reach the object, whose world box is `box`, as
  // `view` (which outlives the set's use) sees it; null: never.
  void ScissorTo(const FrameView* view, const AABB& box) { m_view = view, m_box = box; }
  // Whether that rectangle is kept to the object's box (true, the default)
  // or only to the lights' spheres: copies drawn with one object's set.
  void ScissorToTheBox(bool box) { m_wholeLights = !box; }
  // Whether two sets hold the same type-1 lights in the same order.
  bool SameLights(const ObjectLightSet& o) const;

 private:
  Entry m_entries[2][kMaxLightsPerType];
  uint32_t m_count[2] = {};
  uint32_t m_used[2] = {};
  // Where a light can reach the object, on the screen.
  ScreenRect Reach(const FrameLight& light) const;
  // Fills out with the entry's light as a repetition hands it over.
  static void Fill(const Entry& e, RenderLight* out);
  // Where the batch's shadows can fall within its rectangle: that part
  // first (with the maps), then up to four bands of the rest (without), in
  // m_regions; a single region when splitting would not pay.
  void SplitByShadows(const ScreenRect& covered, uint32_t first, uint32_t count);
  // Scissors the next region of the batch just taken, taking its maps
  // from out where it has no shadows.
  void NextRegion(RenderLight* out, uint32_t count);
  // Clips the draws of the batch just taken (the last `count` lights) to an
  // upright prism of kSides around their spheres; not when one of them may
  // be anywhere.
  void ClipToLights(VideoManager* video, uint32_t count, bool anywhere) const;
  static constexpr uint32_t kSides = 6;  // the device's clip planes (kMaxClipPlanes)

  bool m_unscissored = false;
  bool m_wholeLights = false;
  struct Region {
    ScreenRect rect;
    bool shadowed;
  };
  static constexpr uint32_t kMaxRegions = 5;
  Region m_regions[kMaxRegions];
  uint32_t m_regionCount = 0, m_nextRegion = 0;
  uint32_t m_batchFirst = 0, m_batchCount = 0;  // the batch the regions belong to
  const FrameView* m_view = nullptr;
  AABB m_box;
};

// What the camera sees this frame. cameraPosition is in the space the drawn
// objects' transforms are given in: the world, or the camera's own space
// (the origin) for the objects the camera holds.
struct FrameView {
  uint32_t width = 0, height = 0;
  CameraObject* camera = nullptr;
  Matrix4x4 cameraWorld, view, projection, viewProjection;
  Frustum frustum;
  Vector3D cameraPosition;

  // The pixels a world box covers, clipped to the viewport: of a box that
  // reaches behind the eye, the part in front of it; none when all is behind.
  ScreenRect Project(const AABB& box) const;
  // Six world planes (a x + b y + c z + d >= 0 inside) as clip-space planes
  // of this view (VideoManager::SetClipPlanes); false when the view has no
  // inverse or a plane is not a number.
  bool ClipPlanesOf(const Vector4D world[6], Vector4D planes[6]) const;
};

// What an object is drawn with in a view, by one rule for every drawable: its
// transform, world x view (x projection), and the eye (VIEWPOS) and lights in
// its own space, through toLocal.
struct ObjectTransforms {
  Matrix4x4 world, worldView, worldViewProjection, toLocal;
  Vector3D localEye;
  void Compute(const FrameView& view, const Matrix4x4& objectWorld) {
    world = objectWorld;
    worldView = Matrix4x4::Product(view.view, objectWorld);
    worldViewProjection = Matrix4x4::Product(view.viewProjection, objectWorld);
    toLocal = objectWorld.GetFastInverse();
    localEye = toLocal.TransformVector(view.cameraPosition);
  }
};

// One object queued for the frame (pooled, "WorldRenderer::QueuedObject",
// grow count 25): a counted reference, its light set and what it is drawn
// with, linked into its queue.
class QueuedObject : public PooledObject {
  KAZ_POOLED_CLASS(QueuedObject)

 public:
  Ref<WorldObject> object;
  ObjectLightSet lights;
  // Worked out once a frame, for every pass.
  ObjectTransforms transforms;
  bool drawn = false;  // a draw was issued for it this frame
  bool glows = false;  // a material of it has a Glow technique
  QueuedObject* next = nullptr;

 private:
  QueuedObject() = default;
};
