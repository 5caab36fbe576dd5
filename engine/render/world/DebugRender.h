// DebugRender.h - coloured lines for inspection: the ground grid, axes,
// bounding boxes, skeletons and animation paths.
//
// Line vertices (position and packed ARGB colour, 16 bytes) are batched in
// one dynamic buffer of 512 vertices and drawn as line lists with
// "RenderEffects/DebugRender.fx"; a full batch is drawn and the buffer
// refilled, so any number of lines fits. The world renderer owns one and
// calls DrawWorldDebug at the end of every frame; console variables choose
// the items (DrawGrid, DrawAxis, DrawBoxes, DrawSkeletons, DrawAnimPaths).
// Skeletons come from the drawable kinds the renderer draws dynamic meshes with.
// Depends on: RenderEffect.h, GpuBuffers.h, VertexFormat.h, VideoManager.h,
// tier1 (World, AnimPathObject), console/CVarRegistry, base/Log.
#pragma once

#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/VertexFormat.h"
#include "tier0/Ref.h"

#include <cstdint>
#include <vector>

// The effect debug lines are drawn with (a package file).
constexpr const char* kDebugEffectFile = "RenderEffects/DebugRender.fx";

struct FrameView;
class WorldObject;
class WorldRenderer;

class DebugRender {
 public:
  static constexpr uint32_t kBatchVertices = 512;
  static constexpr uint32_t kAxisRed = 0xFFFF0000, kAxisGreen = 0xFF00FF00, kAxisBlue = 0xFF0000FF;
  static constexpr uint32_t kGridLine = 0xFF808080, kGridCentre = 0xFF8080FF;
  static constexpr uint32_t kBoxColour = 0xFFFF0000, kBoneColour = 0xFFFF00FF;
  static constexpr uint32_t kPathColour = 0xFFFFFF00;
  // Points along each path segment.
  static constexpr uint32_t kPathSamples = 16;

  DebugRender() = default;
  ~DebugRender() { Shutdown(); }
  DebugRender(const DebugRender&) = delete;
  DebugRender& operator=(const DebugRender&) = delete;

  bool Init();
  void Shutdown();
  void SetTransforms(const Matrix4x4& world, const Matrix4x4& view, const Matrix4x4& projection);
  // Lines added from now on are drawn over everything (the effect's OnTop);
  // Begin switches it off.
  void SetOnTop(bool onTop);
  bool Begin();
  void End();
  bool IsDrawing() const { return m_write != nullptr; }

  void AddAxis(float x, float y, float z, float length);
  // False (nothing drawn) when the divisions do not fit one batch or the
  // size is not a usable number.
  bool AddGrid(float x, float y, float z, float size, int divisions, uint32_t centreColour,
               uint32_t lineColour);
  void AddBox(float minX, float minY, float minZ, float maxX, float maxY, float maxZ,
              uint32_t colour);
  void AddLines(const Vector3D* points, uint32_t lineCount, uint32_t colour);

  void DrawWorldDebug(WorldRenderer& renderer, const FrameView& view);

  // Batches and lines drawn since Init (for tests and statistics).
  uint32_t GetBatchCount() const { return m_batches; }
  uint32_t GetLineCount() const { return m_lines; }

 private:
  struct Vertex {
    float x, y, z;
    uint32_t colour;
  };
  static_assert(sizeof(Vertex) == 16);

  void Flush(bool final);
  void Room(uint32_t vertices);
  void Line(const Vector3D& a, const Vector3D& b, uint32_t colour);
  bool Start(bool& begun);
  void DrawGridItem(const FrameView& view);
  void DrawAnimPaths(WorldRenderer& renderer);

  Ref<DeviceVertexFormat> m_format;
  Ref<VertexBuffer> m_buffer;
  Ref<RenderEffect> m_effect;
  EffectHandle m_world = 0, m_view = 0, m_projection = 0, m_onTop = 0;
  Vertex* m_start = nullptr;
  Vertex* m_write = nullptr;
  uint32_t m_passes = 0;
  uint32_t m_batches = 0;
  uint32_t m_lines = 0;
  std::vector<Vector3D> m_points;
};
