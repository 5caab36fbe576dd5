// DebugRender.cpp - line batches and the world's debug items.
#include "render/world/DebugRender.h"

#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "render/gpu/VideoManager.h"
#include "render/world/DrawableKind.h"
#include "render/world/WorldRenderer.h"
#include "tier1/AnimPathObject.h"
#include "tier1/World.h"

#include <cmath>

namespace {

// Grid sizes beyond this are refused before they become integers.
constexpr float kMaxGridSize = 1e6f;

}  // namespace

bool DebugRender::Init() {
  Shutdown();
  VideoManager* video = GetVideoManager();
  if (!video || !video->GetDevice()) {
    LogDetail("DebugRender: Cannot initialize without the VideoManager being initialized!");
    return false;
  }
  m_format = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
  if (!m_format || !m_format->AddField(VFT_FLOAT3, VFU_POSITION) ||
      !m_format->AddField(VFT_COLOR, VFU_COLOR)) {
    LogDetail("DebugRender: Failed to create vertex format.");
    return false;
  }
  if (!m_format->Validate() || !m_format->GetDeviceDeclaration()) {
    LogDetail("DebugRender: Vertex format failed to validate.");
    return false;
  }
  m_buffer = Ref<VertexBuffer>::Adopt(CreateVertexBuffer(sizeof(Vertex), kBatchVertices, true));
  if (!m_buffer) {
    LogDetail("DebugRender: Failed to create vertex buffer.");
    return false;
  }
  m_effect = Ref<RenderEffect>::Adopt(LoadRenderEffect(kDebugEffectFile));
  if (!m_effect) {
    LogDetail("DebugRender: Failed to open effect file '%s'", kDebugEffectFile);
    return false;
  }
  m_world = m_effect->GetParameterBySemantic("WORLDMATRIX");
  m_view = m_effect->GetParameterBySemantic("VIEWMATRIX");
  m_projection = m_effect->GetParameterBySemantic("PROJMATRIX");
  m_onTop = m_effect->GetParameterByName("OnTop");
  return true;
}

void DebugRender::Shutdown() {
  if (IsDrawing()) End();
  m_effect.Reset();
  m_buffer.Reset();
  m_format.Reset();
}

void DebugRender::SetTransforms(const Matrix4x4& world, const Matrix4x4& view,
                                const Matrix4x4& projection) {
  if (!m_effect) return;
  if (IsDrawing() && m_write != m_start) Flush(false);
  m_effect->SetMatrix(m_world, world);
  m_effect->SetMatrix(m_view, view);
  m_effect->SetMatrix(m_projection, projection);
  if (IsDrawing()) m_effect->CommitChanges();
}

void DebugRender::SetOnTop(bool onTop) {
  if (!m_effect || !m_onTop) return;
  if (IsDrawing() && m_write != m_start) Flush(false);
  m_effect->SetFloat(m_onTop, onTop ? 1.0f : 0.0f);
  if (IsDrawing()) m_effect->CommitChanges();
}

bool DebugRender::Begin() {
  if (!m_buffer || IsDrawing()) return false;
  SetOnTop(false);
  m_start = static_cast<Vertex*>(m_buffer->Lock(0, 0));
  if (!m_start) return false;
  m_passes = m_effect->Begin();
  if (m_passes == 0) {
    m_buffer->Unlock();
    m_start = nullptr;
    return false;
  }
  m_format->Activate();
  m_buffer->Activate(0);
  m_write = m_start;
  return true;
}

void DebugRender::Flush(bool final) {
  const uint32_t count = uint32_t(m_write - m_start);
  m_buffer->Unlock();
  if (count >= 2) {
    ++m_batches;
    m_lines += count / 2;
    VideoManager* video = GetVideoManager();
    for (uint32_t pass = 0; pass < m_passes; ++pass) {
      if (!m_effect->BeginPass(pass)) continue;
      video->DrawPrimitive(PRIM_LINES, 0, count / 2);
      m_effect->EndPass();
    }
  }
  m_start = m_write = nullptr;
  if (final) return;
  m_start = static_cast<Vertex*>(m_buffer->Lock(0, 0));
  m_write = m_start;
}

void DebugRender::End() {
  if (!IsDrawing()) return;
  Flush(true);
  m_effect->End();
}

void DebugRender::Room(uint32_t vertices) {
  if (m_write && uint32_t(m_write - m_start) + vertices > kBatchVertices) Flush(false);
}

void DebugRender::Line(const Vector3D& a, const Vector3D& b, uint32_t colour) {
  if (!m_write) return;  // a failed re-lock ends the frame's lines
  *m_write++ = {a.x, a.y, a.z, colour};
  *m_write++ = {b.x, b.y, b.z, colour};
}

void DebugRender::AddAxis(float x, float y, float z, float length) {
  Room(6);
  const Vector3D o(x, y, z);
  Line(o, Vector3D(x + length, y, z), kAxisRed);
  Line(o, Vector3D(x, y + length, z), kAxisGreen);
  Line(o, Vector3D(x, y, z + length), kAxisBlue);
}

bool DebugRender::AddGrid(float x, float y, float z, float size, int divisions,
                          uint32_t centreColour, uint32_t lineColour) {
  if (divisions < 1 || uint32_t(divisions) * 4 + 4 > kBatchVertices || !(size > 0.0f) ||
      !std::isfinite(size))
    return false;
  Room(uint32_t(divisions) * 4 + 4);
  const float half = size / 2, step = size / float(divisions);
  // Counted, not accumulated: a step like 12.3 / 12 would lose the last line.
  for (int axis = 0; axis < 2; ++axis) {
    for (int i = 0; i <= divisions; ++i) {
      const float o = -half + step * float(i);
      const uint32_t colour = 2 * i == divisions ? centreColour : lineColour;
      if (axis == 0)
        Line(Vector3D(x - half, y, z + o), Vector3D(x + half, y, z + o), colour);
      else
        Line(Vector3D(x + o, y, z - half), Vector3D(x + o, y, z + half), colour);
    }
  }
  return true;
}

void DebugRender::AddBox(float minX, float minY, float minZ, float maxX, float maxY, float maxZ,
                         uint32_t colour) {
  Room(24);
  const Vector3D c[8] = {{minX, minY, minZ}, {maxX, minY, minZ}, {maxX, maxY, minZ},
                         {minX, maxY, minZ}, {minX, minY, maxZ}, {maxX, minY, maxZ},
                         {maxX, maxY, maxZ}, {minX, maxY, maxZ}};
  for (int i = 0; i < 4; ++i) {
    Line(c[i], c[(i + 1) % 4], colour);
    Line(c[4 + i], c[4 + (i + 1) % 4], colour);
    Line(c[i], c[4 + i], colour);
  }
}

void DebugRender::AddLines(const Vector3D* points, uint32_t lineCount, uint32_t colour) {
  for (uint32_t line = 0; line < lineCount;) {
    if (!m_write) return;
    uint32_t room = (kBatchVertices - uint32_t(m_write - m_start)) / 2;
    if (room == 0) {
      Flush(false);
      continue;
    }
    const uint32_t chunk = std::min(room, lineCount - line);
    for (uint32_t i = 0; i < chunk; ++i, ++line)
      Line(points[2 * line], points[2 * line + 1], colour);
  }
}

bool DebugRender::Start(bool& begun) {
  if (!begun) begun = Begin();
  return begun;
}

void DebugRender::DrawGridItem(const FrameView& view) {
  const CVarRegistry& cv = CVarRegistry::Instance();
  SetTransforms(Matrix4x4(), view.view, view.projection);
  const float size = cv.GridSize.Get();
  // Range-checked before it becomes an integer.
  if (size >= 1.0f && size <= kMaxGridSize)
    AddGrid(0, 0, 0, size, int(size), kGridCentre, kGridLine);
  AddAxis(0, 0, 0, cv.DebugAxisLength.Get());
}

void DebugRender::DrawAnimPaths(WorldRenderer& renderer) {
  World* world = renderer.GetWorld();
  for (WorldObject* o = world->GetFirstObject(ObjectType_AnimPath); o; o = o->GetNext()) {
    auto* path = static_cast<AnimPathObject*>(o);
    for (uint32_t segment = 0; segment + 1 < path->GetWaypointCount(); ++segment) {
      Vector3D previous = path->GetCurvePoint(segment, 0.0f);
      m_points.clear();
      for (uint32_t i = 1; i < kPathSamples; ++i) {
        const Vector3D next = path->GetCurvePoint(segment, float(i) / float(kPathSamples - 1));
        m_points.push_back(previous);
        m_points.push_back(next);
        previous = next;
      }
      AddLines(m_points.data(), uint32_t(m_points.size() / 2), kPathColour);
    }
  }
}

void DebugRender::DrawWorldDebug(WorldRenderer& renderer, const FrameView& view) {
  const CVarRegistry& cv = CVarRegistry::Instance();
  bool begun = false;
  if (cv.DrawGrid.Get() && Start(begun)) DrawGridItem(view);
  if (cv.DrawAxis.Get() && Start(begun)) {
    for (auto* q = renderer.GetStaticQueue(); q; q = q->next) {
      SetTransforms(q->object->GetWorldTransform(), view.view, view.projection);
      AddAxis(0, 0, 0, cv.DebugAxisLength.Get());
    }
  }
  if (cv.DrawBoxes.Get() && Start(begun)) {
    SetTransforms(Matrix4x4(), view.view, view.projection);
    for (auto* q = renderer.GetStaticQueue(); q; q = q->next) {
      const AABB box = q->object->GetBoundingBox();
      AddBox(box.mins.x, box.mins.y, box.mins.z, box.maxs.x, box.maxs.y, box.maxs.z, kBoxColour);
    }
  }
  if (cv.DrawSkeletons.Get() && Start(begun)) {
    for (auto* q = renderer.GetDynamicQueue(); q; q = q->next) {
      DrawableKind* kind = renderer.GetDrawableKind(q->object->GetType());
      m_points.clear();
      if (!kind || !kind->GetBoneLines(q->object.Get(), m_points)) continue;
      SetTransforms(q->object->GetWorldTransform(), view.view, view.projection);
      SetOnTop(true);
      AddLines(m_points.data(), uint32_t(m_points.size() / 2), kBoneColour);
      SetOnTop(false);
    }
  }
  if (cv.DrawAnimPaths.Get() && Start(begun)) {
    SetTransforms(Matrix4x4(), view.view, view.projection);
    DrawAnimPaths(renderer);
  }
  if (begun) End();
}
