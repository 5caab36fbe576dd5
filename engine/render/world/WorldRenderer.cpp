// WorldRenderer.cpp - culling, light assignment, passes and cube shots.
#include "render/world/WorldRenderer.h"

#include "base/FrameProfiler.h"
#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "render/device/Formats.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "render/world/DebugRender.h"
#include "render/world/DrawableKind.h"
#include "render/world/GlowManager.h"
#include "render/world/ParticleRenderer.h"
#include "render/world/StaticMeshObject.h"
#include "tier1/CameraObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"

#include <string>

KAZ_DEFINE_POOL_NAMED(QueuedObject, 25, "WorldRenderer::QueuedObject");

namespace {

constexpr float kCubeFieldOfView = 1.57079632679f;

}  // namespace

void WorldRenderer::SetDrawableKind(uint32_t type, DrawableKind* kind) {
  if (type < kObjectTypeCount) m_kinds[type] = kind;
}

DrawableKind* WorldRenderer::GetDrawableKind(uint32_t type) const {
  return type < kObjectTypeCount ? m_kinds[type] : nullptr;
}

// ---- life -----------------------------------------------------------------

WorldRenderer::WorldRenderer() = default;

WorldRenderer::~WorldRenderer() {
  Shutdown();
  if (m_shadowMap) m_shadowMap->Release();
  m_shadowMap = nullptr;
}

bool WorldRenderer::Init(World* world) {
  m_world = world;
  if (!world) return false;
  m_debug = std::make_unique<DebugRender>();
  if (!m_debug->Init()) {
    m_debug.reset();
    LogDetail("Warning, failed to initialize DebugRender!");
  }
  m_particles = std::make_unique<ParticleRenderer>();
  if (!m_particles->Init(GetVideoManager())) {
    m_particles.reset();
    LogWarning("Failed to create particle renderer.");
  }
  m_glow.reset(CreateGlowManager(GetVideoManager()));
  if (!m_glow) LogWarning("Failed to create GlowManager.");
  return true;
}

void WorldRenderer::Shutdown() {
  ClearQueues();
  m_shadowLights.clear();
  m_shadows.Clear();
  m_pvList.clear();
  if (m_particles) m_particles->Shutdown();
  m_particles.reset();
  m_staticDraws.ReleaseBuffers();
  m_glow.reset();
  m_debug.reset();
}

void WorldRenderer::ClearQueues() {
  m_staticDraws.Clear();
  for (QueuedObject** head : {&m_staticQueue, &m_dynamicQueue}) {
    while (QueuedObject* q = *head) {
      *head = q->next;
      q->lights.Clear();
      q->object.Reset();
      q->Release();
    }
  }
}

void WorldRenderer::Push(QueuedObject*& head, WorldObject* object, const AABB& box) {
  QueuedObject* q = QueuedObject::Create();
  if (!q) return;
  q->object = Ref<WorldObject>::Share(object);
  q->transforms.Compute(m_view, object->GetWorldTransform());
  q->drawn = q->glows = false;
  AssignLights(q, box);
  q->next = head;
  head = q;
}

// ---- the frame ------------------------------------------------------------

bool WorldRenderer::BuildView(CameraObject* camera, FrameView* view) const {
  DisplayMode mode;
  VideoManager* video = GetVideoManager();
  if (!video || !video->GetDisplayMode(&mode) || mode.width == 0 || mode.height == 0) return false;
  view->width = mode.width;
  view->height = mode.height;
  view->camera = camera;
  view->cameraWorld =
      Matrix4x4::Product(camera->GetWorldTransform(), camera->GetSecondaryTransform());
  view->view = camera->GetViewMatrix();
  view->projection = camera->GetProjectionMatrix(float(mode.width) / float(mode.height),
                                                 m_world->GetNearZ(), m_world->GetFarZ());
  view->viewProjection = Matrix4x4::Product(view->projection, view->view);
  view->frustum.Build(view->viewProjection);
  view->cameraPosition = view->cameraWorld.GetTranslation();
  return true;
}

void WorldRenderer::Render(CameraObject* camera) {
  if (!camera || !m_world) return;
  Ref<CameraObject> hold = Ref<CameraObject>::Share(camera);
  m_stats = Stats();
  if (!BuildView(camera, &m_view)) return;
  VideoManager* video = GetVideoManager();
  const uint64_t draws = video->GetDrawCount(), primitives = video->GetPrimitiveCount();
  video->SetViewport(0, 0, m_view.width, m_view.height, 0.0f, 1.0f);
  {
    ProfileScope scope(ProfilePart_Cull);
    PrepareFrame();
  }
  RenderPasses();
  RenderPV();
  if (m_debug) {
    ProfileScope scope(ProfilePart_2D);
    m_debug->DrawWorldDebug(*this, m_view);
  }
  m_pvList.clear();
  m_stats.drawCalls = uint32_t(video->GetDrawCount() - draws);
  m_stats.triangles = uint32_t(video->GetPrimitiveCount() - primitives);
}

void WorldRenderer::PrepareFrame() {
  ClearQueues();
  m_shadowLights.clear();
  m_pvList.clear();
  m_glowRectCount = 0;
  GatherLights();
  for (WorldObject* o = m_world->GetFirstObject(ObjectType_StaticMesh); o; o = o->GetNext()) {
    if (!o->IsVisible()) continue;
    const AABB box = o->GetBoundingBox();
    if (!m_view.frustum.IntersectsBox(box)) continue;
    Push(m_staticQueue, o, box);
    AABB glowing;
    m_staticQueue->glows = GlowBox(static_cast<StaticMeshObject*>(o), &glowing);
    if (m_staticQueue->glows) AddGlowRect(m_view.Project(glowing));
  }
  for (WorldObject* o = m_world->GetFirstObject(ObjectType_DynamicMesh); o; o = o->GetNext()) {
    if (!o->IsVisible()) continue;
    CameraObject* pv = o->GetPVCamera();
    if (!pv)
      Push(m_dynamicQueue, o, o->GetBoundingBox());
    else if (pv == m_view.camera)
      m_pvList.push_back(o);
  }
  m_staticDraws.Build(m_staticQueue, m_view);
  // The shadow-casting lights matter when anything is queued to be lit.
  if ((m_staticQueue || m_dynamicQueue) && CVarRegistry::Instance().EnableShadowMaps.Get()) {
    for (WorldObject* o = m_world->GetFirstObject(ObjectType_Light); o; o = o->GetNext())
      if (static_cast<LightObject*>(o)->CastsShadows())
        m_shadowLights.push_back(static_cast<LightObject*>(o));
  }
  if (!CVarRegistry::Instance().DrawParticles.Get() || !m_particles) return;
  for (WorldObject* o = m_world->GetFirstObject(ObjectType_ParticleSystem); o; o = o->GetNext()) {
    if (o->IsVisible() && m_view.frustum.IntersectsBox(o->GetBoundingBox()))
      m_particles->Queue(static_cast<ParticleSystemObject*>(o));
  }
}

bool WorldRenderer::GlowBox(const StaticMeshObject* mesh, AABB* box) {
  const StaticMeshDef* def = mesh->GetDefinition();
  const uint32_t slots = def ? def->GetGroupCount() : 0;
  const Matrix4x4& world = mesh->GetWorldTransform();
  bool any = false;
  for (uint32_t g = 0; g < slots && g < mesh->GetMaterialCount(); ++g) {
    Material* material = mesh->GetMaterial(g);
    WorldRenderEffect* fx = material ? material->GetRenderEffect() : nullptr;
    if (!fx || !fx->HasTechnique(PASS_GLOW, 0)) continue;
    const StaticMeshDef::Group& group = def->GetGroup(g);
    const AABB part = WorldBox(world, group.mins, group.maxs);
    *box =
        any ? AABB(Vector3D(std::min(box->mins.x, part.mins.x), std::min(box->mins.y, part.mins.y),
                            std::min(box->mins.z, part.mins.z)),
                   Vector3D(std::max(box->maxs.x, part.maxs.x), std::max(box->maxs.y, part.maxs.y),
                            std::max(box->maxs.z, part.maxs.z)))
            : part;
    any = true;
  }
  return any;
}

void WorldRenderer::GatherLights() {
  m_ambientLights.clear();
  for (WorldObject* o = m_world->GetFirstObject(ObjectType_Light); o; o = o->GetNext())
    if (static_cast<LightObject*>(o)->GetLightType() == 0)
      m_ambientLights.push_back(static_cast<LightObject*>(o));
  m_lightGrid.Build(m_world, m_view);
}

void WorldRenderer::AssignLights(QueuedObject* queued, const AABB& box) {
  const Matrix4x4& toLocal = queued->transforms.toLocal;
  for (LightObject* light : m_ambientLights) {
    if (queued->lights.GetCount(0) == kMaxLightsPerType) break;
    queued->lights.Add(light, toLocal.TransformVector(light->GetWorldTransform().GetTranslation()));
  }
  // The point lights whose spheres touch the object, the first sixteen in world order.
  const FrameLight* touching[kMaxLightsPerType];
  const uint32_t count = m_lightGrid.Touching(box, touching, kMaxLightsPerType);
  for (uint32_t i = 0; i < count; ++i)
    queued->lights.Add(touching[i]->light, toLocal.TransformVector(touching[i]->position),
                       touching[i]);
  queued->lights.ScissorTo(&m_view, box);
}

void WorldRenderer::RenderPasses() {
  CVarRegistry& cv = CVarRegistry::Instance();
  VideoManager* video = GetVideoManager();
  const bool wire = cv.WireFrame.Get();
  RenderShadowMaps();
  if (wire) video->SetWireFrame(true);

  // The glowing objects go into the glow's own target first: switching
  // targets after the scene would make the device finish the scene there.
  // The blurred image is laid over the scene after the Lit pass.
  const bool glowing = RenderGlow();

  m_pass = PASS_AMBIENTEMISSIVE;
  {
    ProfileScope scope(ProfilePart_Ambient);
    m_stats.staticMeshes += m_staticDraws.Draw(m_pass, m_view);
    DrawQueue(m_dynamicQueue);
  }

  m_pass = PASS_LIT;
  {
    ProfileScope scope(ProfilePart_Lit);
    // Each batch of lights keeps its draws to the pixels the lights reach.
    video->SetScissor(true, 0, 0, m_view.width, m_view.height);
    m_stats.staticMeshes += m_staticDraws.Draw(m_pass, m_view);
    DrawQueue(m_dynamicQueue);
    video->SetScissor(false);
    video->SetClipPlanes(nullptr, 0);
  }

  if (glowing) {
    ProfileScope scope(ProfilePart_Glow);
    m_glow->Composite(m_glowRects, m_glowRectCount);
  }
  m_pass = PASS_PARTICLES;
  if (m_particles) {
    ProfileScope scope(ProfilePart_Particles);
    m_particles->Render(m_view);
    m_stats.particleSystems += m_particles->GetDrawnSystems();
    m_stats.particles += m_particles->GetDrawnParticles();
  }
  m_pass = PASS_NONE;
  if (wire) video->SetWireFrame(false);
}

void WorldRenderer::RenderShadowMaps() {
  CVarRegistry& cv = CVarRegistry::Instance();
  if (!cv.EnableShadowMaps.Get()) return;
  if (!m_shadowMap) {
    const int size = cv.ShadowMapSize.Get();
    m_shadowMap = size > 0 ? CreateTexture(uint32_t(size), uint32_t(size), TEXTYPE_CUBE,
                                           TEXFMT_A8R8G8B8, true, true)
                           : nullptr;
    if (!m_shadowMap) {
      LogDetail("Failed to create shadow map cube texture");
      cv.EnableShadowMaps.Set(false);
      return;
    }
  }
  if (m_shadowLights.empty()) return;
  ProfileScope scope(ProfilePart_Shadow);
  m_pass = PASS_SHADOWMAP;
  m_shadows.Update(m_world, m_shadowLights, m_lightGrid, m_shadowMap, m_kinds);
  m_pass = PASS_NONE;
}

bool WorldRenderer::RenderGlow() {
  CVarRegistry& cv = CVarRegistry::Instance();
  if (!m_glow) cv.GlowEnable.Set(false);
  // Nothing in view glows: no glow work at all.
  if (!cv.GlowEnable.Get() || !m_glowRectCount) return false;
  ProfileScope scope(ProfilePart_Glow);
  if (!m_glow->Begin()) {
    cv.GlowEnable.Set(false);
    return false;
  }
  m_pass = PASS_GLOW;
  m_stats.staticMeshes += m_staticDraws.Draw(m_pass, m_view);
  m_glow->End();
  SpreadGlowRects(m_glow->GetSpread());
  return true;
}

void WorldRenderer::AddGlowRect(const ScreenRect& rect) {
  if (rect.IsEmpty()) return;
  if (m_glowRectCount < kMaxGlowRects)
    m_glowRects[m_glowRectCount++] = rect;
  else
    m_glowRects[kMaxGlowRects - 1].Unite(rect);
}

void WorldRenderer::SpreadGlowRects(uint32_t spread) {
  for (uint32_t i = 0; i < m_glowRectCount; ++i)
    m_glowRects[i] = m_glowRects[i].Grown(spread, m_view.width, m_view.height);
  for (uint32_t i = 0; i < m_glowRectCount; ++i) {
    for (uint32_t j = i + 1; j < m_glowRectCount; ++j) {
      if (m_glowRects[i].Intersected(m_glowRects[j]).IsEmpty()) continue;
      // The union may meet one already passed: look again from the start.
      m_glowRects[i].Unite(m_glowRects[j]);
      m_glowRects[j] = m_glowRects[--m_glowRectCount];
      i = uint32_t(-1);
      break;
    }
  }
}

void WorldRenderer::RenderPV() {
  if (m_pvList.empty()) return;
  VideoManager* video = GetVideoManager();
  // The held objects' transforms are in the camera's own space, where the eye
  // is the origin.
  FrameView pvView = m_view;
  pvView.view = Matrix4x4();
  pvView.viewProjection = pvView.projection;
  pvView.cameraWorld = Matrix4x4();
  pvView.cameraPosition = Vector3D();
  ProfileScope scope(ProfilePart_Ambient);
  video->Clear(false, true, false);
  m_pass = PASS_AMBIENTEMISSIVE;
  ObjectLightSet none;
  ObjectTransforms transforms;
  for (WorldObject* o : m_pvList) {
    DrawableKind* kind = GetDrawableKind(o->GetType());
    if (o->GetType() != ObjectType_DynamicMesh || !kind) continue;
    transforms.Compute(pvView, o->GetWorldTransform());
    if (kind->Draw(o, m_pass, pvView, transforms, &none)) ++m_stats.dynamicMeshes;
  }
  m_pass = PASS_NONE;
}

void WorldRenderer::DrawQueue(QueuedObject* head) {
  for (QueuedObject* q = head; q; q = q->next) {
    DrawableKind* kind = GetDrawableKind(q->object->GetType());
    if (!kind) continue;
    q->lights.ResetLights();
    const uint32_t draws = kind->Draw(q->object.Get(), m_pass, m_view, q->transforms, &q->lights);
    // An object counts once a frame, in whichever pass first drew it.
    if (!draws || q->drawn) continue;
    q->drawn = true;
    ++m_stats.dynamicMeshes;
  }
}

// ---- cube shots -----------------------------------------------------------

bool WorldRenderer::RenderCubeShot(const Vector3D& position, uint32_t size, const char* directory) {
  VideoManager* video = GetVideoManager();
  if (!video || !m_world || !directory) return false;
  Texture* backBuffer = video->GetRenderTarget();
  const uint32_t format = backBuffer ? backBuffer->GetFormat() : uint32_t(TEXFMT_A8R8G8B8);
  Ref<Texture> target =
      Ref<Texture>::Adopt(CreateTexture(size, size, TEXTYPE_2D, format, false, true));
  if (!target) {
    LogError("Failed to create %dx%d target texture.", int(size), int(size));
    return false;
  }
  Ref<Texture> previous = Ref<Texture>::Share(backBuffer);
  if (!video->ActivateRenderTarget(target.Get(), 0)) return false;
  m_view = FrameView();
  m_view.width = m_view.height = size;
  m_view.projection = Matrix4x4::MakePerspectiveProjectionFovLH(
      kCubeFieldOfView, 1.0f, m_world->GetNearZ(), m_world->GetFarZ());
  m_view.cameraPosition = position;
  bool saved = true;
  for (const CubeFace& face : kCubeFaces) {
    m_view.view = Matrix4x4::MakeLookAtLH(position, position + face.direction, face.up);
    m_view.viewProjection = Matrix4x4::Product(m_view.projection, m_view.view);
    m_view.frustum.Build(m_view.viewProjection);
    video->SetViewport(0, 0, size, size, 0.0f, 1.0f);
    video->Clear(true, true, false);
    PrepareFrame();
    RenderPasses();
    const std::string file = std::string(directory) + "/cube_" + face.name + ".bmp";
    saved = target->SaveToFile(file.c_str()) && saved;
  }
  video->ActivateRenderTarget(previous.Get(), 0);
  return saved;
}
