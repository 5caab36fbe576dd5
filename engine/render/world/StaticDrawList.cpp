// StaticDrawList.cpp - sorting, runs and instanced copies of static meshes; see StaticDrawList.h.
#include "render/world/StaticDrawList.h"

#include "base/Log.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/VertexFormat.h"
#include "render/gpu/VideoManager.h"
#include "render/world/StaticMeshObject.h"

#include <algorithm>
#include <cstring>

namespace {

float SquaredDistance(const Vector3D& p, const AABB& box) {
  const auto axis = [](float v, float lo, float hi) {
    const float d = v < lo ? lo - v : (v > hi ? v - hi : 0.0f);
    return d * d;
  };
  return axis(p.x, box.mins.x, box.maxs.x) + axis(p.y, box.mins.y, box.maxs.y) +
         axis(p.z, box.mins.z, box.maxs.z);
}

uint64_t LightsKey(const ObjectLightSet& lights) {
  uint64_t key = 1469598103934665603ull;
  for (uint32_t i = 0; i < lights.GetCount(1); ++i) {
    key ^= uint64_t(reinterpret_cast<uintptr_t>(lights.GetEntry(1, i).light.Get()));
    key *= 1099511628211ull;
  }
  return key;
}

// A strict order of pointers, whatever they point into.
bool Before(const void* a, const void* b) {
  return reinterpret_cast<uintptr_t>(a) < reinterpret_cast<uintptr_t>(b);
}

}  // namespace

void StaticDrawList::Clear() {
  m_items.clear();
  m_runs.clear();
}

void StaticDrawList::Build(QueuedObject* queue, const FrameView& view) {
  Clear();
  uint32_t seq = 0;
  for (QueuedObject* q = queue; q; q = q->next) {
    auto* mesh = static_cast<StaticMeshObject*>(q->object.Get());
    StaticMeshDef* def = mesh->GetDefinition();
    if (!def || !def->GetVertexBuffer()) {
      LogDetail("StaticMesh instance with no def!");
      continue;
    }
    const float distance = SquaredDistance(view.cameraPosition, mesh->GetBoundingBox());
    const uint64_t lightsKey = LightsKey(q->lights);
    for (uint32_t g = 0; g < def->GetGroupCount() && g < mesh->GetMaterialCount(); ++g) {
      Material* material = mesh->GetMaterial(g);
      WorldRenderEffect* fx = material ? material->GetRenderEffect() : nullptr;
      if (!fx) continue;
      const uint32_t traits = fx->GetPassTraits(PASS_AMBIENTEMISSIVE, 0);
      const bool opaque =
          !(traits & (WorldRenderEffect::Trait_Blends | WorldRenderEffect::Trait_KeepsDepth));
      m_items.push_back({q, def, g, material, fx, distance, lightsKey, seq++, opaque, 0});
    }
  }
  // Opaque items by state, each state front to back; the others as queued.
  std::sort(m_items.begin(), m_items.end(), [](const Item& a, const Item& b) {
    if (a.opaque != b.opaque) return a.opaque;
    if (!a.opaque) return a.seq < b.seq;
    if (a.fx != b.fx) return Before(a.fx, b.fx);
    if (a.material != b.material) return Before(a.material, b.material);
    if (a.def != b.def) return Before(a.def, b.def);
    if (a.group != b.group) return a.group < b.group;
    if (a.distance != b.distance) return a.distance < b.distance;
    return a.seq < b.seq;
  });
  for (uint32_t i = 0; i < m_items.size();) {
    uint32_t end = i + 1;
    if (m_items[i].opaque)
      while (end < m_items.size() && m_items[end].opaque && SameState(m_items[i], m_items[end]))
        ++end;
    uint32_t first = m_items[i].seq;
    for (uint32_t k = i; k < end; ++k) first = std::min(first, m_items[k].seq);
    m_runs.push_back({i, end - i, m_items[i].distance, first, m_items[i].opaque});
    i = end;
  }
  // Runs front to back by their nearest item; ties (the eye inside both) as queued.
  std::sort(m_runs.begin(), m_runs.end(), [](const Run& a, const Run& b) {
    if (a.opaque != b.opaque) return a.opaque;
    if (a.opaque && a.nearest != b.nearest) return a.nearest < b.nearest;
    return a.firstSeq < b.firstSeq;
  });
}

bool StaticDrawList::Drawn(const Item& item) {
  if (item.queued->drawn) return false;
  item.queued->drawn = true;
  ++m_newlyDrawn;
  return true;
}

bool StaticDrawList::InstanceBuffer() {
  if (!m_instances)
    m_instances =
        Ref<VertexBuffer>::Adopt(CreateVertexBuffer(kInstanceStride, kMaxInstances, true));
  return m_instances != nullptr;
}

uint32_t StaticDrawList::Draw(uint32_t pass, const FrameView& view) {
  m_newlyDrawn = m_instancedDraws = 0;
  for (const Run& run : m_runs) DrawRun(run, pass, view);
  return m_newlyDrawn;
}

void StaticDrawList::DrawRun(const Run& run, uint32_t pass, const FrameView& view) {
  WorldRenderEffect* fx = m_items[run.first].fx;
  // In the AmbientEmissive pass an effect with an AmbientLit technique draws
  // the items that lights reach with it, their first batch of lights included,
  // unless that batch reads shadow maps: the Lit pass after it shades only the
  // pixels that won the depth test, and within its lights' rectangle, where
  // the ambient pass would run the lookups for every pixel drawn.
  const bool ambientLit = pass == PASS_AMBIENTEMISSIVE && fx->HasAmbientLit(0);
  const uint32_t batch = ambientLit ? fx->GetLightBatch(0) : 0;
  m_sequence.clear();
  m_litSequence.clear();
  for (uint32_t i = run.first; i < run.first + run.count; ++i) {
    const ObjectLightSet& lights = m_items[i].queued->lights;
    if (ambientLit && lights.GetCount(1) && !lights.HasShadowMaps(batch))
      m_litSequence.push_back(i);
    else
      m_sequence.push_back(i);
  }
  if (!m_sequence.empty() && fx->HasTechnique(pass, 0)) DrawSequence(m_sequence, pass, false, view);
  if (!m_litSequence.empty()) DrawSequence(m_litSequence, pass, true, view);
}

void StaticDrawList::DrawSequence(std::vector<uint32_t>& sequence, uint32_t pass, bool ambientLit,
                                  const FrameView& view) {
  const Item& head = m_items[sequence.front()];
  WorldRenderEffect* fx = head.fx;
  const uint32_t passes = ambientLit ? fx->BeginAmbientLit(0) : fx->BeginTechnique(pass, 0);
  if (!passes) {
    fx->ResetPass();
    return;
  }
  VideoManager* video = GetVideoManager();
  fx->SetSemanticMatrix(SEM_VIEWMATRIX, view.view);
  fx->SetSemanticMatrix(SEM_PROJMATRIX, view.projection);
  head.material->ApplyTextures();
  head.def->GetVertexBuffer()->Activate(0);
  head.def->GetGroup(head.group).indices->Activate();
  const bool copies = sequence.size() > 1 &&
                      (fx->GetPassTraits(pass, 0) & WorldRenderEffect::Trait_Instanced) &&
                      head.def->GetVertexFormat()->GetInstancedDeclaration() && InstanceBuffer();
  // Where lights are taken, the copies that share their lights are drawn together.
  const bool lit = pass == PASS_LIT || ambientLit;
  if (copies && lit)
    std::sort(sequence.begin(), sequence.end(), [this](uint32_t a, uint32_t b) {
      const Item &x = m_items[a], &y = m_items[b];
      if (x.lightsKey != y.lightsKey) return x.lightsKey < y.lightsKey;
      return a < b;
    });
  for (uint32_t p = 0; p < passes; ++p) {
    if (!fx->BeginPass(p)) continue;
    for (size_t i = 0; i < sequence.size();) {
      size_t end = i + 1;
      if (copies)
        while (end < sequence.size() && (!lit || m_items[sequence[end]].queued->lights.SameLights(
                                                     m_items[sequence[i]].queued->lights)))
          ++end;
      if (end - i > 1)
        DrawCopies(&sequence[i], uint32_t(end - i), pass, ambientLit, view);
      else
        DrawItem(m_items[sequence[i]], pass, ambientLit, view);
      i = end;
    }
    fx->EndPass();
  }
  if (copies) {
    fx->SetInstanced(false);
    video->ActivateInstanceBuffer(nullptr);
  }
  fx->ResetPass();
}

template <typename DrawFn>
bool StaticDrawList::DrawLit(Item& item, uint32_t pass, bool ambientLit, const DrawFn& draw) {
  WorldRenderEffect* fx = item.fx;
  ObjectLightSet& lights = item.queued->lights;
  bool drawn = false;
  if (ambientLit) {
    lights.ResetLights();
    lights.SetScissored(false);
    if (fx->TakeLights(&lights)) {
      fx->CommitChanges();
      drawn = draw();
    }
    lights.SetScissored(true);
    item.ambientLights = lights.GetUsedLights();
    return drawn;
  }
  lights.ResetLights(pass == PASS_LIT ? item.ambientLights : 0);
  // The Lit pass repeats per batch of lights; an object no light reaches has none.
  while (pass != PASS_LIT || fx->TakeLights(&lights)) {
    fx->CommitChanges();
    drawn = draw() || drawn;
    if (pass != PASS_LIT) break;
  }
  return drawn;
}

void StaticDrawList::DrawItem(Item& item, uint32_t pass, bool ambientLit, const FrameView& view) {
  WorldRenderEffect* fx = item.fx;
  VideoManager* video = GetVideoManager();
  fx->SetInstanced(false);
  video->ActivateVertexFormat(item.def->GetVertexFormat());
  const ObjectTransforms& t = item.queued->transforms;
  fx->SetSemanticMatrix(SEM_WORLDMATRIX, t.world);
  fx->SetSemanticMatrix(SEM_WORLDVIEWPROJMATRIX, t.worldViewProjection);
  fx->SetSemanticMatrix(SEM_WORLDVIEWMATRIX, t.worldView);
  fx->SetSemanticVector(SEM_VIEWPOS, t.localEye.x, t.localEye.y, t.localEye.z);
  const uint32_t vertices = item.def->GetVertexCount();
  const uint32_t triangles = item.def->GetGroup(item.group).triangleCount;
  const bool clustered = PlaceClusters(item, view);
  DrawLit(item, pass, ambientLit, [&] {
    if (clustered) {
      if (!DrawClusters(item)) return false;
    } else if (!video->DrawIndexedPrimitive(PRIM_TRIANGLES, 0, vertices, 0, triangles)) {
      return false;
    }
    Drawn(item);
    return true;
  });
}

bool StaticDrawList::PlaceClusters(const Item& item, const FrameView& view) {
  const std::vector<StaticMeshDef::Cluster>& clusters = item.def->GetGroup(item.group).clusters;
  if (clusters.empty()) return false;
  const Matrix4x4& world = item.queued->transforms.world;
  m_clusterRects.resize(clusters.size());
  m_clusterBoxes.resize(clusters.size());
  for (size_t c = 0; c < clusters.size(); ++c) {
    m_clusterBoxes[c] = WorldBox(world, clusters[c].mins, clusters[c].maxs);
    m_clusterRects[c] = view.frustum.IntersectsBox(m_clusterBoxes[c])
                            ? view.Project(m_clusterBoxes[c])
                            : ScreenRect();
  }
  return true;
}

bool StaticDrawList::DrawClusters(const Item& item) {
  const ObjectLightSet& lights = item.queued->lights;
  const ScreenRect* scissor = lights.GetScissor();
  const StaticMeshDef::Group& group = item.def->GetGroup(item.group);
  VideoManager* video = GetVideoManager();
  const uint32_t vertices = item.def->GetVertexCount();
  bool drawn = false;
  uint32_t first = 0, count = 0;  // the run of triangles still to draw
  const auto flush = [&] {
    if (count && video->DrawIndexedPrimitive(PRIM_TRIANGLES, 0, vertices, first * 3, count))
      drawn = true;
    count = 0;
  };
  for (size_t c = 0; c < group.clusters.size(); ++c) {
    const ScreenRect& rect = m_clusterRects[c];
    if (rect.IsEmpty() || (scissor && (rect.Intersected(*scissor).IsEmpty() ||
                                       !lights.BatchReaches(m_clusterBoxes[c])))) {
      flush();
      continue;
    }
    if (count == 0) first = group.clusters[c].firstTriangle;
    count += group.clusters[c].triangleCount;
  }
  flush();
  return drawn;
}

void StaticDrawList::DrawCopies(const uint32_t* items, uint32_t count, uint32_t pass,
                                bool ambientLit, const FrameView& view) {
  Item& head = m_items[items[0]];
  WorldRenderEffect* fx = head.fx;
  VideoManager* video = GetVideoManager();
  // Each copy's matrix comes with it: the rest is the world's.
  fx->SetInstanced(true);
  fx->SetSemanticMatrix(SEM_WORLDMATRIX, Matrix4x4());
  fx->SetSemanticMatrix(SEM_WORLDVIEWPROJMATRIX, view.viewProjection);
  fx->SetSemanticMatrix(SEM_WORLDVIEWMATRIX, view.view);
  fx->SetSemanticVector(SEM_VIEWPOS, view.cameraPosition.x, view.cameraPosition.y,
                        view.cameraPosition.z);
  if (!video->ActivateInstancedFormat(head.def->GetVertexFormat())) return;
  const uint32_t vertices = head.def->GetVertexCount();
  const uint32_t triangles = head.def->GetGroup(head.group).triangleCount;
  for (uint32_t first = 0; first < count; first += kMaxInstances) {
    const uint32_t n = std::min(kMaxInstances, count - first);
    auto* data = static_cast<float*>(m_instances->Lock(0, n));
    if (!data) return;
    for (uint32_t i = 0; i < n; ++i)
      m_items[items[first + i]].queued->transforms.world.ToColumnMajor(data + i * 16);
    m_instances->Unlock();
    if (!video->ActivateInstanceBuffer(m_instances.Get(), 0)) return;
    // The copies share the head's lights, not its box.
    head.queued->lights.ScissorToTheBox(false);
    DrawLit(head, pass, ambientLit, [&] {
      if (!video->DrawIndexedPrimitiveInstanced(PRIM_TRIANGLES, 0, vertices, 0, triangles, n))
        return false;
      ++m_instancedDraws;
      for (uint32_t i = 0; i < n; ++i) Drawn(m_items[items[first + i]]);
      return true;
    });
    head.queued->lights.ScissorToTheBox(true);
  }
  // The copies share their lights: each skips in the Lit pass what the head's took here.
  if (ambientLit)
    for (uint32_t i = 1; i < count; ++i) m_items[items[i]].ambientLights = head.ambientLights;
}
