// WorldRenderer.h - draws the world from a camera: culling, light sets and
// the fixed sequence of render passes; cube shots; per-frame counts.
//
// Each frame the static meshes whose boxes meet the view frustum are queued
// (dynamic meshes are queued without culling), every queued object gets the
// world's lights (at most 16 per light type, in world order), and the queues
// are drawn in the AmbientEmissive pass, then once per type-1 light in the Lit
// pass, then the Glow pass and the particles when those parts are present.
// The renderer owns a particle renderer, a glow manager and a debug renderer
// (each may fail to start, which only logs); they and the dynamic meshes are
// reached through WorldRendererParts, which InstallWorldRenderer() fills with
// this layer's own parts and tests may replace. Without a part the renderer
// does what it can alone (GlowEnable is cleared, nothing is handed to
// particles). The world makes its renderer through the hooks
// InstallWorldRenderer() sets.
// Depends on: RenderEffect.h, StaticMeshObject.h, ParticleRenderer.h,
// GlowManager.h, DebugRender.h, VideoManager.h, Texture.h, tier1 (World,
// CameraObject, LightObject), console/CVarRegistry, base/Log.
#pragma once

#include "render/gpu/RenderEffect.h"
#include "tier0/Frustum.h"
#include "tier0/Math.h"
#include "tier0/ObjectPool.h"
#include "tier0/Ref.h"
#include "tier1/LightObject.h"

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

class CameraObject;
class DebugRender;
class Texture;
class GlowManager;
class ParticleRenderer;
class World;
class WorldObject;
class WorldRenderer;

constexpr uint32_t kMaxLightsPerType = 16;

// The lights of one queued object: a list per light type (0 and 1), each
// entry with the light's position in the object's own space. The Lit pass
// draws one repetition per type-1 entry.
class ObjectLightSet : public RenderLightSet {
 public:
  struct Entry {
    Ref<LightObject> light;
    float position[3];
  };
  bool Add(LightObject* light, const Vector3D& localPosition);
  void Clear();
  void ResetLights() { m_used[0] = m_used[1] = 0; }
  uint32_t GetCount(uint32_t type) const { return type < 2 ? m_count[type] : 0; }
  const Entry& GetEntry(uint32_t type, uint32_t index) const { return m_entries[type][index]; }
  uint32_t RemainingLights() const override { return m_count[1] - m_used[1]; }
  bool UseNextLight(float position[3], float color[3], float* range) override;

 private:
  Entry m_entries[2][kMaxLightsPerType];
  uint32_t m_count[2] = {};
  uint32_t m_used[2] = {};
};

// What the camera sees this frame.
struct FrameView {
  uint32_t width = 0, height = 0;
  CameraObject* camera = nullptr;
  Matrix4x4 cameraWorld, view, projection, viewProjection;
  Frustum frustum;
  Vector3D cameraPosition;
};

// Drawing that other parts of the renderer supply; any may be absent.
struct WorldRendererParts {
  // One dynamic mesh (type 4) in the current pass.
  void (*drawDynamicMesh)(WorldRenderer& renderer, WorldObject* mesh, uint32_t pass,
                          const FrameView& view, RenderLightSet* lights) = nullptr;
  // A particle system to draw this frame; returns its live particle count.
  uint32_t (*queueParticles)(WorldRenderer& renderer, WorldObject* system) = nullptr;
  void (*drawParticles)(WorldRenderer& renderer, const FrameView& view) = nullptr;
  // Glow: begin (false stops glow for good), end (blur and composite).
  bool (*beginGlow)(WorldRenderer& renderer) = nullptr;
  void (*endGlow)(WorldRenderer& renderer) = nullptr;
  void (*drawDebug)(WorldRenderer& renderer, const FrameView& view) = nullptr;
};
void SetWorldRendererParts(const WorldRendererParts& parts);

class WorldRenderer {
 public:
  struct Stats {
    uint32_t staticMeshes = 0;
    uint32_t dynamicMeshes = 0;
    uint32_t particleSystems = 0;
    uint32_t particles = 0;
  };

  class QueuedObject : public PooledObject {
    KAZ_POOLED_CLASS(QueuedObject)

   public:
    Ref<WorldObject> object;
    ObjectLightSet lights;
    // Worked out once a frame, for every pass: world x view (x projection)
    // and the camera in the object's own space.
    Matrix4x4 worldView, worldViewProjection;
    Vector3D localCamera;
    QueuedObject* next = nullptr;

   private:
    QueuedObject() = default;
  };

  WorldRenderer() = default;
  ~WorldRenderer();
  bool Init(World* world);
  void Shutdown();
  void Render(CameraObject* camera);
  // Six 90-degree views around a point, saved as <directory>/cube_<face>.bmp.
  bool RenderCubeShot(const Vector3D& position, uint32_t size, const char* directory);
  const Stats& GetStats() const { return m_stats; }
  World* GetWorld() const { return m_world; }
  uint32_t GetCurrentPass() const { return m_pass; }
  const std::set<LightObject*>& GetShadowLights() const { return m_shadowLights; }
  Texture* GetShadowMap() const { return m_shadowMap; }
  // Null when it could not start (no video, no buffers).
  ParticleRenderer* GetParticleRenderer() const { return m_particles.get(); }
  GlowManager* GetGlowManager() const { return m_glow.get(); }
  DebugRender* GetDebugRender() const { return m_debug.get(); }
  // This frame's queues, newest first.
  QueuedObject* GetStaticQueue() const { return m_staticQueue; }
  QueuedObject* GetDynamicQueue() const { return m_dynamicQueue; }

 private:
  bool BuildView(CameraObject* camera, FrameView* view) const;
  void PrepareFrame();
  void AssignLights(QueuedObject* queued, const Matrix4x4& toLocal);
  void RenderPasses();
  void RenderPV();
  void DrawQueue(QueuedObject* head, bool dynamic);
  void DrawStaticMesh(QueuedObject* queued);
  void ClearQueues();
  void Push(QueuedObject*& head, WorldObject* object, bool withLights);

  World* m_world = nullptr;
  uint32_t m_pass = PASS_NONE;
  FrameView m_view;
  QueuedObject* m_staticQueue = nullptr;
  QueuedObject* m_dynamicQueue = nullptr;
  std::vector<WorldObject*> m_pvList;  // not counted: only alive during Render
  std::set<LightObject*> m_shadowLights;
  Texture* m_shadowMap = nullptr;
  std::unique_ptr<ParticleRenderer> m_particles;
  std::unique_ptr<GlowManager> m_glow;
  std::unique_ptr<DebugRender> m_debug;
  Stats m_stats;
};

// Installs the world's renderer hooks, the renderer's own parts and the
// static mesh and particle system types.
void InstallWorldRenderer();
