// ParticleRenderer.h - draws the queued particle systems as camera-facing
// textured quads.
//
// One dynamic vertex buffer (4 vertices of 24 bytes per particle) and one
// dynamic 16-bit index buffer (6 indices per particle) are shared by every
// system; a batch holds at most MaxParticlesPerBatch particles (read at Init,
// kept within what 16-bit indices can address). Systems are grouped by
// material in the order they were queued, so each material's effect is set up
// once per batch with the "Particles" pass. The corner directions of all 360
// whole-degree rotations are worked out once a frame from the camera's axes.
// Depends on: ParticleSystemObject.h, RenderEffect.h, GpuBuffers.h,
// VertexFormat.h, VideoManager.h, console/CVarRegistry, base/Log.
#pragma once

#include "render/gpu/GpuBuffers.h"
#include "render/gpu/VertexFormat.h"
#include "render/world/ParticleSystemObject.h"
#include "tier0/Ref.h"

#include <cstdint>
#include <vector>

class VideoManager;
struct FrameView;

class ParticleRenderer {
 public:
  // Four vertices per particle must stay addressable by 16-bit indices.
  static constexpr uint32_t kMaxBatch = 16384;
  static constexpr uint32_t kVertexSize = 24;

  ParticleRenderer() = default;
  ~ParticleRenderer() { Shutdown(); }
  ParticleRenderer(const ParticleRenderer&) = delete;
  ParticleRenderer& operator=(const ParticleRenderer&) = delete;

  bool Init(VideoManager* video);
  void Shutdown();
  void Queue(ParticleSystemObject* system);
  void Render(const FrameView& view);

  uint32_t GetCapacity() const { return m_capacity; }
  // Particles in each batch drawn by the last Render, in order.
  const std::vector<uint32_t>& GetBatchSizes() const { return m_batchSizes; }
  // What the last Render drew: systems with a particle in a batch that was
  // drawn, and the particles of those batches.
  uint32_t GetDrawnSystems() const { return m_drawnSystems; }
  uint32_t GetDrawnParticles() const { return m_drawnParticles; }
  // The rotation table entry a rotation in degrees uses; -1 for the
  // unrotated corners (exactly 0, or not a finite number).
  static int RotationEntry(float degrees);

 private:
  struct Group {
    Ref<Material> material;
    std::vector<Ref<ParticleSystemObject>> systems;
  };
  struct Vertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
  };
  static_assert(sizeof(Vertex) == kVertexSize);

  void BuildCorners(const FrameView& view);
  void DrawGroup(Group& group, const FrameView& view);
  bool Lock(uint32_t count, Vertex** vertices, uint16_t** indices);
  void Unlock();
  // True when the batch was drawn.
  bool DrawBatch(WorldRenderEffect* effect, uint32_t count);
  // Counts the systems [first, last] of a drawn batch that were not counted yet.
  void CountDrawn(const Group& group, size_t first, size_t last, uint32_t particles);

  VideoManager* m_video = nullptr;
  Ref<VertexBuffer> m_vertices;
  Ref<DeviceVertexFormat> m_format;
  Ref<IndexBuffer> m_indices;
  uint32_t m_capacity = 0;
  Vector3D m_corners[4];
  Vector3D m_rotated[360][4];
  // Groups in first-queued order; only the first m_groupCount are in use, so
  // a steady scene reuses their storage every frame.
  std::vector<Group> m_groups;
  size_t m_groupCount = 0;
  std::vector<uint32_t> m_batchSizes;
  uint32_t m_drawnSystems = 0, m_drawnParticles = 0;
  size_t m_countedUpTo = 0;  // systems of the current group already counted
};
