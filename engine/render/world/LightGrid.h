// LightGrid.h - the frame's point lights (type 1) in a uniform grid of cells,
// so that finding the lights whose spheres touch a box costs the same however
// many lights are far away from it.
//
// Build takes the world's lights once a frame with their world positions,
// ranges and the screen rectangles their spheres cover (what the Lit pass is
// scissored to). A light whose sphere spans many cells is kept in a short
// list of its own and offered to every box; so is every light when a box
// spans many cells. The grid's cell is the mean diameter of the lights. Its
// arrays keep their storage from frame to frame.
// Builds on RenderQueue.h (FrameView, ScreenRect), tier1 (World, LightObject).
#pragma once

#include "render/world/RenderQueue.h"
#include "tier0/AABB.h"

#include <cstdint>
#include <vector>

class LightObject;
class Texture;
class World;

struct FrameLight {
  LightObject* light = nullptr;  // the world holds it for the frame
  Vector3D position;             // world
  float range = 0.0f;
  uint32_t order = 0;            // its place among the world's lights
  ScreenRect rect;               // the pixels its sphere covers
  Texture* shadowMap = nullptr;  // its cube of distances this frame (ShadowMaps)
  // With the map: the boxes of what it holds (ShadowMaps), grown by what
  // the Lit pass's filter reads around a point; shadows fall only behind
  // them (ShadowVolume). Not bounded: they may fall anywhere.
  bool shadowsBounded = false;
  const AABB* shadowCasters = nullptr;
  uint32_t shadowCasterCount = 0;
};

// Whether the light's sphere touches the world box.
bool LightTouches(const FrameLight& light, const AABB& box);

class LightGrid {
 public:
  void Build(World* world, const FrameView& view);
  // The lights whose spheres touch the box, in world order, at most max of them.
  uint32_t Touching(const AABB& box, const FrameLight** out, uint32_t max);
  const std::vector<FrameLight>& GetLights() const { return m_lights; }
  std::vector<FrameLight>& GetLights() { return m_lights; }

 private:
  struct Entry {
    uint64_t cell;
    uint32_t light;
  };
  // Cells a box spans along each axis, and the key of one cell.
  bool CellRange(const AABB& box, int32_t lo[3], int32_t hi[3]) const;
  static uint64_t Key(int32_t x, int32_t y, int32_t z);
  void Offer(uint32_t index, const AABB& box);

  std::vector<FrameLight> m_lights;
  std::vector<Entry> m_entries;  // sorted by cell
  std::vector<uint32_t> m_wide;  // lights offered to every box
  std::vector<uint32_t> m_seen;  // per light: the query that last offered it
  std::vector<const FrameLight*> m_found;
  uint32_t m_query = 0;
  float m_cell = 1.0f;
};
