// ShadowMaps.cpp - cube maps of distances for the shadow-casting lights; see ShadowMaps.h.
#include "render/world/ShadowMaps.h"

#include "render/device/Formats.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "render/world/DrawableKind.h"
#include "render/world/StaticMeshObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"

#include <algorithm>
#include <cstring>

const CubeFace kCubeFaces[6] = {
    {{1, 0, 0}, {0, 1, 0}, "right"}, {{-1, 0, 0}, {0, 1, 0}, "left"},
    {{0, 1, 0}, {0, 0, -1}, "up"},   {{0, -1, 0}, {0, 0, 1}, "down"},
    {{0, 0, 1}, {0, 1, 0}, "front"}, {{0, 0, -1}, {0, 1, 0}, "back"},
};

namespace {

constexpr float kQuarterTurn = 1.57079632679f;
// Nearer than this to the light nothing casts: the faces' near plane.
constexpr float kNearPlane = 0.02f;

bool SphereTouchesBox(const Vector3D& centre, float radius, const AABB& box) {
  const float c[3] = {centre.x, centre.y, centre.z};
  const float lo[3] = {box.mins.x, box.mins.y, box.mins.z};
  const float hi[3] = {box.maxs.x, box.maxs.y, box.maxs.z};
  float d2 = 0.0f;
  for (int i = 0; i < 3; ++i) {
    const float d = c[i] < lo[i] ? lo[i] - c[i] : (c[i] > hi[i] ? c[i] - hi[i] : 0.0f);
    d2 += d * d;
  }
  return d2 <= radius * radius;
}

// FNV-1a over raw bytes: the signature of what a cube shows.
void Mix(uint64_t& hash, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
}

// Puts back the target, depth buffer, viewport and clear colour the frame had.
class TargetKeeper {
 public:
  explicit TargetKeeper(VideoManager* video) : m_video(video) {
    m_target = Ref<Texture>::Share(video->GetRenderTarget());
    m_depth = Ref<DepthStencilBuffer>::Share(video->GetDepthStencilBuffer());
    video->GetViewport(&m_x1, &m_y1, &m_x2, &m_y2, &m_minZ, &m_maxZ);
    video->GetClearColor(&m_clear[0], &m_clear[1], &m_clear[2], &m_clear[3]);
  }
  ~TargetKeeper() {
    m_video->ActivateRenderTarget(m_target.Get(), 0);
    m_video->ActivateDepthStencilBuffer(m_depth.Get());
    m_video->SetViewport(m_x1, m_y1, m_x2, m_y2, m_minZ, m_maxZ);
    m_video->SetClearColor(m_clear[0], m_clear[1], m_clear[2], m_clear[3]);
  }

 private:
  VideoManager* m_video;
  Ref<Texture> m_target;
  Ref<DepthStencilBuffer> m_depth;
  uint32_t m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
  float m_minZ = 0.0f, m_maxZ = 1.0f;
  float m_clear[4] = {};
};

}  // namespace

ShadowMaps::ShadowMaps() = default;
ShadowMaps::~ShadowMaps() = default;

void ShadowMaps::Clear() {
  m_slots.clear();
  m_casters.clear();
  m_depth.Reset();
}

bool ShadowMaps::Casts(const StaticMeshObject* mesh) {
  const StaticMeshDef* def = mesh->GetDefinition();
  const uint32_t slots = def ? def->GetGroupCount() : 0;
  for (uint32_t g = 0; g < slots && g < mesh->GetMaterialCount(); ++g) {
    Material* material = mesh->GetMaterial(g);
    WorldRenderEffect* fx = material ? material->GetRenderEffect() : nullptr;
    if (fx && fx->HasTechnique(PASS_SHADOWMAP, 0)) return true;
  }
  return false;
}

void ShadowMaps::Update(World* world, const std::vector<LightObject*>& lights, LightGrid& grid,
                        Texture* first, DrawableKind* const* kinds) {
  if (!world || !first || !first->GetWidth()) return;
  // The slots follow the shadow-casting point lights in world order; a
  // light keeps its slot (and its map) while it keeps its place.
  std::vector<FrameLight*> casting;
  for (LightObject* light : lights) {
    if (casting.size() == kMaxShadowLights) break;
    for (FrameLight& f : grid.GetLights())
      if (f.light == light && f.range > 0.0f) casting.push_back(&f);
  }
  if (m_slots.size() < casting.size()) m_slots.resize(casting.size());
  const uint32_t size = first->GetWidth();
  for (size_t i = 0; i < casting.size(); ++i) {
    Slot& slot = m_slots[i];
    FrameLight& light = *casting[i];
    if (slot.light != light.light) slot.drawn = false;
    slot.light = light.light;
    if (i == 0) {
      if (slot.cube.Get() != first) slot.drawn = false;
      slot.cube = Ref<Texture>::Share(first);
    } else if (!slot.cube) {
      slot.cube =
          Ref<Texture>::Adopt(CreateTexture(size, size, TEXTYPE_CUBE, TEXFMT_A8R8G8B8, true, true));
      slot.drawn = false;
    }
    if (!slot.cube) continue;
    GatherCasters(world, light, kinds);
    BuildFaces(light, size);
    // Only the faces whose casters changed are drawn again: a figure walking
    // past a light changes one or two of them.
    uint32_t stale = 0;
    uint64_t signatures[6];
    for (uint32_t face = 0; face < 6; ++face) {
      signatures[face] = Signature(light, size, face);
      if (!slot.drawn || signatures[face] != slot.signatures[face]) stale |= 1u << face;
    }
    if (stale) {
      slot.drawn = Draw(slot, kinds, stale);
      std::copy(signatures, signatures + 6, slot.signatures);
    }
    if (slot.drawn) {
      light.shadowMap = slot.cube.Get();
      light.shadowsBounded = BoundShadows(light, size, slot.casters);
      light.shadowCasters = slot.casters.data();
      light.shadowCasterCount = uint32_t(slot.casters.size());
    }
  }
}

bool ShadowMaps::BoundShadows(const FrameLight& light, uint32_t size,
                              std::vector<AABB>& casters) const {
  casters.clear();
  // The Lit pass's filter reads a texel or so around a point's direction:
  // casters grow by two texels at the light's range.
  const float margin = 4.0f * light.range / float(std::max(size, 1u));
  const Vector3D grow(margin, margin, margin);
  for (const Caster& c : m_casters) {
    const AABB grown{c.box.mins - grow, c.box.maxs + grow};
    if (grown.ContainsPoint(light.position)) return false;
    casters.push_back(grown);
  }
  return true;
}

void ShadowMaps::GatherCasters(World* world, const FrameLight& light, DrawableKind* const* kinds) {
  m_casters.clear();
  for (WorldObject* o = world->GetFirstObject(ObjectType_StaticMesh); o; o = o->GetNext()) {
    if (!o->IsVisible()) continue;
    const AABB box = o->GetBoundingBox();
    if (SphereTouchesBox(light.position, light.range, box) &&
        Casts(static_cast<StaticMeshObject*>(o)))
      m_casters.push_back({o, box, true});
  }
  // Dynamic meshes cast when their effects have the technique; objects held
  // by a camera live in its space and cast nothing.
  if (!kinds[ObjectType_DynamicMesh]) return;
  for (WorldObject* o = world->GetFirstObject(ObjectType_DynamicMesh); o; o = o->GetNext()) {
    if (!o->IsVisible() || o->GetPVCamera()) continue;
    const AABB box = o->GetBoundingBox();
    if (SphereTouchesBox(light.position, light.range, box)) m_casters.push_back({o, box, false});
  }
}

uint64_t ShadowMaps::Signature(const FrameLight& light, uint32_t size, uint32_t face) const {
  uint64_t hash = 1469598103934665603ull;
  const float at[4] = {light.position.x, light.position.y, light.position.z, light.range};
  Mix(hash, at, sizeof(at));
  Mix(hash, &size, sizeof(size));
  for (const Caster& c : m_casters) {
    if (!m_faces[face].frustum.IntersectsBox(c.box)) continue;
    Mix(hash, &c.object, sizeof(c.object));
    Mix(hash, c.object->GetWorldTransform().m, sizeof(float) * 16);
    // A skinned mesh that changes its pose changes its box.
    const float box[6] = {c.box.mins.x, c.box.mins.y, c.box.mins.z,
                          c.box.maxs.x, c.box.maxs.y, c.box.maxs.z};
    Mix(hash, box, sizeof(box));
  }
  return hash;
}

void ShadowMaps::BuildFaces(const FrameLight& light, uint32_t size) {
  const Matrix4x4 projection = Matrix4x4::MakePerspectiveProjectionFovLH(
      kQuarterTurn, 1.0f, std::min(kNearPlane, light.range * 0.5f), light.range);
  const float scale = 1.0f / light.range;
  const Matrix4x4 toRange = Matrix4x4::MakeScale(Vector3D(scale, scale, scale));
  for (uint32_t face = 0; face < 6; ++face) {
    const CubeFace& f = kCubeFaces[face];
    FrameView& view = m_faces[face];
    const Matrix4x4 look =
        Matrix4x4::MakeLookAtLH(light.position, light.position + f.direction, f.up);
    view.width = view.height = size;
    view.projection = projection;
    view.cameraPosition = light.position;
    // WORLDVIEWMATRIX takes a vertex into the light's space in units of its
    // range, so its length is what the map holds.
    view.view = Matrix4x4::Product(toRange, look);
    view.viewProjection = Matrix4x4::Product(projection, look);
    view.frustum.Build(view.viewProjection);
  }
}

bool ShadowMaps::Draw(Slot& slot, DrawableKind* const* kinds, uint32_t faces) {
  VideoManager* video = GetVideoManager();
  Texture* cube = slot.cube.Get();
  const uint32_t size = cube->GetWidth();
  if (!video || !size) return false;
  if (!m_depth || m_depth->GetWidth() != size) {
    m_depth = Ref<DepthStencilBuffer>::Adopt(CreateDepthStencilBuffer(size, size));
    if (!m_depth) return false;
  }
  TargetKeeper keep(video);
  // Distances are in units of the light's range: nothing reaches past 1.
  video->SetClearColor(1.0f, 1.0f, 1.0f, 1.0f);
  ObjectLightSet none;
  ObjectTransforms transforms;
  for (uint32_t face = 0; face < 6; ++face) {
    if (!(faces & (1u << face))) continue;
    const FrameView& view = m_faces[face];
    // The video manager numbers a cube's faces from 1.
    if (!video->ActivateRenderTarget(cube, face + 1) ||
        !video->ActivateDepthStencilBuffer(m_depth.Get()))
      return false;
    video->SetViewport(0, 0, size, size, 0.0f, 1.0f);
    video->Clear(true, true, false);
    for (const Caster& c : m_casters) {
      if (!view.frustum.IntersectsBox(c.box)) continue;
      if (c.isStatic) {
        DrawStatic(static_cast<StaticMeshObject*>(c.object), view);
      } else if (DrawableKind* kind = kinds[c.object->GetType()]) {
        transforms.Compute(view, c.object->GetWorldTransform());
        kind->Draw(c.object, PASS_SHADOWMAP, view, transforms, &none);
      }
    }
    ++m_faceRenders;
  }
  ++m_renders;
  return true;
}

uint32_t ShadowMaps::DrawStatic(StaticMeshObject* mesh, const FrameView& view) {
  StaticMeshDef* def = mesh->GetDefinition();
  if (!def || !def->GetVertexBuffer()) return 0;
  VideoManager* video = GetVideoManager();
  ObjectTransforms t;
  t.Compute(view, mesh->GetWorldTransform());
  uint32_t draws = 0;
  for (uint32_t g = 0; g < def->GetGroupCount() && g < mesh->GetMaterialCount(); ++g) {
    Material* material = mesh->GetMaterial(g);
    WorldRenderEffect* fx = material ? material->GetRenderEffect() : nullptr;
    if (!fx) continue;
    const uint32_t passes = fx->SetupPass(PASS_SHADOWMAP, 0, nullptr);
    if (!passes) continue;
    fx->SetSemanticMatrix(SEM_WORLDMATRIX, t.world);
    fx->SetSemanticMatrix(SEM_VIEWMATRIX, view.view);
    fx->SetSemanticMatrix(SEM_PROJMATRIX, view.projection);
    fx->SetSemanticMatrix(SEM_WORLDVIEWPROJMATRIX, t.worldViewProjection);
    fx->SetSemanticMatrix(SEM_WORLDVIEWMATRIX, t.worldView);
    fx->SetSemanticVector(SEM_VIEWPOS, t.localEye.x, t.localEye.y, t.localEye.z);
    def->GetVertexFormat()->Activate();
    def->GetVertexBuffer()->Activate(0);
    material->ApplyTextures();
    const StaticMeshDef::Group& group = def->GetGroup(g);
    group.indices->Activate();
    for (uint32_t i = 0; i < passes; ++i) {
      if (!fx->BeginPass(i)) continue;
      draws += video->DrawIndexedPrimitive(PRIM_TRIANGLES, 0, def->GetVertexCount(), 0,
                                           group.triangleCount);
      fx->EndPass();
    }
    fx->ResetPass();
  }
  return draws;
}
