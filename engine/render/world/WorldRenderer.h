// WorldRenderer.h - draws the world from a camera: culling, light sets and
// the fixed sequence of render passes; cube shots; per-frame counts.
//
// Each frame the static meshes whose boxes meet the view frustum are queued
// (dynamic meshes are queued without culling), every queued object gets the
// point lights whose spheres touch its box (at most 16 per light type, in
// world order, found through the frame's LightGrid), the shadow-casting
// lights' maps are brought up to date (ShadowMaps), and the queues are drawn
// in the AmbientEmissive pass, then once per batch of type-1 lights in the Lit
// pass, then the glow is laid over and the particles drawn. The static meshes
// go through a StaticDrawList (sorted, copies instanced); those
// with a Glow technique are drawn into the glow's target before the others
// (a target switch after the scene would make the device finish the scene
// first); when none is in view there is no glow work at all. The renderer owns a particle
// renderer, a glow manager and a debug renderer (each may fail to start,
// which only logs; without glow, GlowEnable is cleared); it draws the static
// meshes through its StaticDrawList and the dynamic meshes through the DrawableKind registered
// for their type. The world makes its renderer through the factory that
// InstallWorldRenderer() (render/Renderer.h) installs.
// Depends on: RenderQueue.h, LightGrid.h, StaticDrawList.h, DrawableKind.h, StaticMeshObject.h,
// ParticleRenderer.h, GlowManager.h, DebugRender.h, gpu (VideoManager,
// Texture, RenderEffect), tier1 (World, CameraObject, LightObject),
// console/CVarRegistry, base/Log.
#pragma once

#include "render/world/LightGrid.h"
#include "render/world/RenderQueue.h"
#include "render/world/ShadowMaps.h"
#include "render/world/StaticDrawList.h"
#include "tier0/ObjectPool.h"
#include "tier1/World.h"

#include <cstdint>
#include <memory>
#include <vector>

class CameraObject;
class DebugRender;
class DrawableKind;
class GlowManager;
class ParticleRenderer;
class StaticMeshObject;
class Texture;
class WorldObject;

class WorldRenderer {
 public:
  // What the last frame drew: objects with at least one draw issued, the
  // particles in drawn batches, and every draw the frame issued.
  struct Stats {
    uint32_t staticMeshes = 0;
    uint32_t dynamicMeshes = 0;
    uint32_t particleSystems = 0;
    uint32_t particles = 0;
    uint32_t drawCalls = 0;
    uint32_t triangles = 0;
  };

  using QueuedObject = ::QueuedObject;

  WorldRenderer();
  ~WorldRenderer();
  bool Init(World* world);
  void Shutdown();
  void Render(CameraObject* camera);
  // Six 90-degree views around a point, saved as <directory>/cube_<face>.bmp.
  bool RenderCubeShot(const Vector3D& position, uint32_t size, const char* directory);
  const Stats& GetStats() const { return m_stats; }
  World* GetWorld() const { return m_world; }
  uint32_t GetCurrentPass() const { return m_pass; }
  // The shadow-casting lights of the frame, in world order; the first has
  // the shadow map below, the next ones maps of their own (ShadowMaps).
  const std::vector<LightObject*>& GetShadowLights() const { return m_shadowLights; }
  Texture* GetShadowMap() const { return m_shadowMap; }
  const ShadowMaps& GetShadowMaps() const { return m_shadows; }
  // Null when it could not start (no video, no buffers).
  ParticleRenderer* GetParticleRenderer() const { return m_particles.get(); }
  GlowManager* GetGlowManager() const { return m_glow.get(); }
  DebugRender* GetDebugRender() const { return m_debug.get(); }
  // This frame's queues, newest first.
  QueuedObject* GetStaticQueue() const { return m_staticQueue; }
  QueuedObject* GetDynamicQueue() const { return m_dynamicQueue; }
  // Draws the objects of one type that the renderer does not draw itself
  // (not owned; null stops drawing them).
  void SetDrawableKind(uint32_t type, DrawableKind* kind);
  DrawableKind* GetDrawableKind(uint32_t type) const;

 private:
  bool BuildView(CameraObject* camera, FrameView* view) const;
  void PrepareFrame();
  void GatherLights();
  void AssignLights(QueuedObject* queued, const AABB& box);
  void RenderPasses();
  // The shadow maps the Lit pass reads, drawn before anything else of the frame.
  void RenderShadowMaps();
  // The Glow pass into the glow's target and its blur; false when there was none.
  bool RenderGlow();
  // Around the parts of a mesh whose materials glow, in the world; false when none does.
  static bool GlowBox(const StaticMeshObject* mesh, AABB* box);
  void RenderPV();
  // The dynamic meshes of a queue, through their drawable kinds.
  void DrawQueue(QueuedObject* head);
  void ClearQueues();
  void Push(QueuedObject*& head, WorldObject* object, const AABB& box);

  World* m_world = nullptr;
  uint32_t m_pass = PASS_NONE;
  FrameView m_view;
  QueuedObject* m_staticQueue = nullptr;
  QueuedObject* m_dynamicQueue = nullptr;
  std::vector<WorldObject*> m_pvList;  // not counted: only alive during Render
  std::vector<LightObject*> m_shadowLights;
  std::vector<LightObject*> m_ambientLights;  // type 0: listed for every object, drawn by no pass
  LightGrid m_lightGrid;
  StaticDrawList m_staticDraws;
  // Where the glowing objects are on screen (and, once blurred, their glow):
  // apart, so that the overlay spares the pixels between two of them, while
  // there is room.
  static constexpr uint32_t kMaxGlowRects = 8;
  ScreenRect m_glowRects[kMaxGlowRects];
  uint32_t m_glowRectCount = 0;
  void AddGlowRect(const ScreenRect& rect);
  // Grows each rectangle by the blur's spread and unites those that then
  // overlap, so that no pixel gets the glow twice.
  void SpreadGlowRects(uint32_t spread);
  Texture* m_shadowMap = nullptr;
  ShadowMaps m_shadows;
  std::unique_ptr<ParticleRenderer> m_particles;
  std::unique_ptr<GlowManager> m_glow;
  std::unique_ptr<DebugRender> m_debug;
  DrawableKind* m_kinds[kObjectTypeCount] = {};
  Stats m_stats;
};
