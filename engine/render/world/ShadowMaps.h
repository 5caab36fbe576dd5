// ShadowMaps.h - the point lights' shadows: for each shadow-casting light a
// cube of the distances from the light to the nearest caster, rendered in
// the ShadowMap pass and read by the Lit pass of the effects that want it.
//
// A light's cube holds, per direction, the distance to the first caster
// divided by the light's range, packed into the colour channels (24 bits).
// Each face is drawn with its own view and culled with its own frustum;
// casters are the visible static meshes whose effects have a ShadowMap
// technique and the drawable kinds' objects (their effects decide, through
// the same technique) within the light's sphere. A face is drawn again only
// when what it shows may have changed: the light moved or changed range, or
// a caster the face sees moved, came or went.
// Builds on RenderQueue.h and LightGrid.h (the frame's view and lights),
// DrawableKind.h, StaticMeshObject.h, gpu (VideoManager, Texture,
// GpuBuffers, RenderEffect) and tier1 (World, LightObject).
#pragma once

#include "render/world/LightGrid.h"
#include "render/world/RenderQueue.h"
#include "tier0/Ref.h"

#include <cstdint>
#include <vector>

class DepthStencilBuffer;
class DrawableKind;
class LightObject;
class StaticMeshObject;
class Texture;
class World;
class WorldObject;

// The six directions a cube is seen in, in the device's face order, each
// with its up vector and the name cube shots give it.
struct CubeFace {
  Vector3D direction, up;
  const char* name;
};
extern const CubeFace kCubeFaces[6];

// Shadow-casting lights that get a map in one frame; later ones in world order cast none.
constexpr uint32_t kMaxShadowLights = 4;

class ShadowMaps {
 public:
  ShadowMaps();
  ~ShadowMaps();
  ShadowMaps(const ShadowMaps&) = delete;
  ShadowMaps& operator=(const ShadowMaps&) = delete;

  // Brings the maps of the frame's shadow-casting point lights up to date
  // and hands each to its light in the grid (first is the renderer's own
  // cube, used by the first light; the others are made alike). kinds draw
  // the object types the renderer does not draw itself.
  void Update(World* world, const std::vector<LightObject*>& lights, LightGrid& grid,
              Texture* first, DrawableKind* const* kinds);
  // Forgets every map (they are drawn again when next needed).
  void Clear();
  // Maps brought up to date since the start (one or more faces drawn each),
  // and the faces drawn: what tests and benchmarks count.
  uint64_t GetRenderCount() const { return m_renders; }
  uint64_t GetFaceRenderCount() const { return m_faceRenders; }

 private:
  struct Slot {
    const LightObject* light = nullptr;  // identity only; the world holds the light
    Ref<Texture> cube;
    uint64_t signatures[6] = {};  // per face, of what it showed when drawn
    bool drawn = false;
    std::vector<AABB> casters;  // what its map holds this frame (FrameLight::shadowCasters)
  };
  struct Caster {
    WorldObject* object;
    AABB box;
    bool isStatic;
  };

  void GatherCasters(World* world, const FrameLight& light, DrawableKind* const* kinds);
  // The light's casters for FrameLight::shadowCasters; false: shadows may fall anywhere.
  bool BoundShadows(const FrameLight& light, uint32_t size, std::vector<AABB>& casters) const;
  // The six views from the light, into m_faces.
  void BuildFaces(const FrameLight& light, uint32_t size);
  uint64_t Signature(const FrameLight& light, uint32_t size, uint32_t face) const;
  // Draws the faces whose bits are set.
  bool Draw(Slot& slot, DrawableKind* const* kinds, uint32_t faces);
  uint32_t DrawStatic(StaticMeshObject* mesh, const FrameView& view);
  static bool Casts(const StaticMeshObject* mesh);

  std::vector<Slot> m_slots;
  std::vector<Caster> m_casters;  // of the light being worked on
  FrameView m_faces[6];           // of the light being worked on
  Ref<DepthStencilBuffer> m_depth;
  uint64_t m_renders = 0, m_faceRenders = 0;
};
