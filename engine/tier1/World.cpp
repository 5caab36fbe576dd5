// World.cpp - object registry, materials, stepping, queries and contacts
// (the object type table is ObjectTypes.cpp).
#include "tier1/World.h"

#include "base/FrameProfiler.h"
#include "base/Log.h"
#include "tier1/Finite.h"
#include "tier1/WorldObject.h"

#include <cmath>
#include <stdexcept>

KAZ_DEFINE_POOL(World, 1);
KAZ_DEFINE_POOL(PhysicalMaterial, 10);

namespace {

WorldRendererFactory* g_rendererFactory = nullptr;

// Fixed ends of the physics world's extent.
constexpr float kWorldExtent = 10000.0f;

}  // namespace

void World::SetRendererFactory(WorldRendererFactory* factory) {
  g_rendererFactory = factory;
}

World::World() {
  Reset();
  m_gravity = Vector3D(0.0f, -9.8f, 0.0f);
}

World::~World() {
  DestroyContents();
  if (m_physics) {
    PhysicsDestroy(m_physics);
    m_physics = nullptr;
  }
  InitRenderer(false);
}

void World::DestroyContents() {
  for (uint32_t type = 0; type < kObjectTypeCount; ++type) {
    WorldObject* object = m_lists[type];
    while (object) {
      WorldObject* next = object->m_next;
      object->Destroy();
      object->m_inWorld = false;
      object->m_next = object->m_prev = nullptr;
      object->Release();
      object = next;
    }
    m_lists[type] = nullptr;
  }
  m_materials.clear();
  m_defaultMaterial.Reset();
  if (m_physics) PhysicsMaterialDestroyAllGroupID(m_physics);
  m_contactObjects[0] = m_contactObjects[1] = nullptr;
  m_contactMaterials[0] = m_contactMaterials[1] = nullptr;
}

void World::Reset() {
  DestroyContents();
  if (m_physics) PhysicsDestroy(m_physics);
  m_physics = PhysicsCreate();
  if (!m_physics) {
    LogError("Failed to create a Newton physics world. ");
    throw std::runtime_error("Failed to initialize Newton.");
  }
  const float mins[3] = {-kWorldExtent, -kWorldExtent, -kWorldExtent};
  const float maxs[3] = {kWorldExtent, kWorldExtent, kWorldExtent};
  PhysicsSetWorldSize(m_physics, mins, maxs);
  m_defaultMaterial = Ref<PhysicalMaterial>::Share(CreatePhysicalMaterial(0.8f, 0.5f));
  m_accumulator = 0.0f;
  for (uint32_t& count : m_counts) count = 0;
  m_particleCount = 0;
}

WorldObject* World::CreateObject(const ObjectParams& params) {
  if (params.type < 1 || params.type >= kObjectTypeCount) {
    LogError("World::CreateObject - UNKNOWN OBJECT TYPE: %d", static_cast<int>(params.type));
    return nullptr;
  }
  if (!AcceptFinite("World::CreateObject", params.transform, params.mins, params.maxs,
                    params.radius))
    return nullptr;
  if (!CanMakeObject(params.type)) {
    LogError("World::CreateObject - object type %s is not available",
             GetObjectTypeName(params.type));
    return nullptr;
  }
  WorldObject* object = MakeObject(params.type);
  if (!object) return nullptr;
  if (!object->Create(this, params)) {
    // Whatever Create set up goes with it.
    object->Destroy();
    object->Release();
    return nullptr;
  }
  const Vector3D zero;
  if (params.mins != zero && params.maxs != zero) object->SetBox(params.mins, params.maxs);
  if (params.radius != 0.0f) object->SetRadius(params.radius);
  if (params.dynamic || params.colType != Collision_None) object->CreateBody(params);

  const uint32_t type = object->GetType();
  object->m_prev = nullptr;
  object->m_next = m_lists[type];
  if (m_lists[type]) m_lists[type]->m_prev = object;
  m_lists[type] = object;
  object->m_inWorld = true;
  ++m_counts[type];
  return object;
}

void World::RemoveObject(WorldObject* object) {
  if (!object || !object->m_inWorld || object->m_world != this) return;
  object->Destroy();
  const uint32_t type = object->GetType();
  if (object->m_prev)
    object->m_prev->m_next = object->m_next;
  else if (m_lists[type] == object)
    m_lists[type] = object->m_next;
  if (object->m_next) object->m_next->m_prev = object->m_prev;
  object->m_next = object->m_prev = nullptr;
  object->m_inWorld = false;
  --m_counts[type];
  object->Release();
}

void World::Update(float dt) {
  m_particleCount = 0;
  // Fields run last: they rely on every other object having cleared its fluid mark.
  for (uint32_t type = 0; type < kObjectTypeCount; ++type) {
    if (!m_lists[type]) continue;
    ProfileScope scope(type == ObjectType_Sound ? ProfilePart_Sound : ProfilePart_Objects);
    for (WorldObject* object = m_lists[type]; object; object = object->m_next) object->Update(dt);
  }
  if (!m_physics) return;
  ProfileScope scope(ProfilePart_Physics);
  // A NaN would stop the physics for good: no comparison with it ever holds.
  if (!std::isnan(dt)) m_accumulator += dt;
  if (m_accumulator > kPhysicsMaxDebt) {
    LogWarning("Physics accumulator too large!");
    m_accumulator = kPhysicsCatchUp;
  }
  while (m_accumulator > kPhysicsStep) {
    PhysicsUpdate(m_physics, kPhysicsStep);
    ++m_stepCount;
    m_accumulator -= kPhysicsStep;
  }
}

bool World::InitRenderer(bool enable) {
  if (m_renderer || !enable) {
    if (m_renderer && g_rendererFactory) g_rendererFactory->Destroy(m_renderer);
    m_renderer = nullptr;
    return true;
  }
  if (!g_rendererFactory) return true;
  m_renderer = g_rendererFactory->Create(this);
  if (!m_renderer) {
    LogDetail("Failed to initialize WorldRenderer");
    return false;
  }
  return true;
}

void World::SetGravity(const Vector3D& gravity) {
  if (AcceptFinite("World::SetGravity", gravity)) m_gravity = gravity;
}

PhysicalMaterial* World::CreatePhysicalMaterial(float friction, float elasticity) {
  if (!m_physics || !AcceptFinite("World::CreatePhysicalMaterial", friction, elasticity))
    return nullptr;
  PhysicalMaterial* material = PhysicalMaterial::Create();
  if (!material) return nullptr;
  material->m_world = this;
  material->m_groupId = PhysicsMaterialCreateGroupID(m_physics);
  if (material->m_groupId == 0) {
    material->Release();
    return nullptr;
  }
  material->m_friction = friction;
  material->m_elasticity = elasticity;
  for (const Ref<PhysicalMaterial>& other : m_materials) {
    PhysicsMaterialSetCollisionCallback(m_physics, material->m_groupId, other->m_groupId, this,
                                        ContactBegin, ContactProcess, ContactEnd);
  }
  PhysicsMaterialSetCollisionCallback(m_physics, material->m_groupId, material->m_groupId, this,
                                      ContactBegin, ContactProcess, ContactEnd);
  // The world keeps the factory's reference; callers borrow the material.
  m_materials.push_back(Ref<PhysicalMaterial>::Adopt(material));
  return material;
}

PhysicalMaterial* World::FindMaterialWithCallback(MaterialBeginCallback begin) const {
  for (const Ref<PhysicalMaterial>& material : m_materials) {
    if (begin && material->m_begin == begin) return material.Get();
  }
  return nullptr;
}

// ---- queries --------------------------------------------------------------

namespace {

struct RayQuery {
  RayHit* hit;
  Vector3D origin;
  Vector3D direction;
  uint32_t flags;
  uint32_t count;
};

float RayFilter(PhysicsBody* body, const float* normal, int, void* userData, float t) {
  auto* query = static_cast<RayQuery*>(userData);
  auto* object = static_cast<WorldObject*>(PhysicsBodyGetUserData(body));
  if (!object) return t;
  const bool dynamic = object->IsDynamic();
  if ((!dynamic && !(query->flags & kQueryStatic)) || (dynamic && !(query->flags & kQueryDynamic)))
    return t;
  const float d = t * World::kRayLength;
  if (d < query->hit->distance) {
    query->hit->object = object;
    query->hit->point = query->origin + query->direction * d;
    query->hit->normal = Vector3D(normal[0], normal[1], normal[2]);
    query->hit->distance = d;
  }
  ++query->count;
  return t;
}

}  // namespace

bool World::IntersectRay(const Vector3D& origin, const Vector3D& direction, RayHit* hit,
                         uint32_t flags) {
  if (!m_physics || !hit || !AcceptFinite("World::IntersectRay", origin, direction)) return false;
  hit->distance = kRayLength;
  RayQuery query{hit, origin, direction, flags, 0};
  const Vector3D end = origin + direction * kRayLength;
  const float p0[3] = {origin.x, origin.y, origin.z};
  const float p1[3] = {end.x, end.y, end.z};
  PhysicsWorldRayCast(m_physics, p0, p1, RayFilter, &query);
  return query.count != 0;
}

uint32_t World::GetObjectsInBox(const AABB& box, std::vector<WorldObject*>& list,
                                uint32_t flags) const {
  if (!AcceptFinite("World::GetObjectsInBox", box)) return 0;
  uint32_t added = 0;
  for (uint32_t type = 0; type < kObjectTypeCount; ++type) {
    for (WorldObject* object = m_lists[type]; object; object = object->m_next) {
      const bool dynamic = object->IsDynamic();
      if ((dynamic && !(flags & kQueryDynamic)) || (!dynamic && !(flags & kQueryStatic))) continue;
      if (object->GetBoundingBox().Intersects(box)) {
        list.push_back(object);
        ++added;
      }
    }
  }
  return added;
}

// ---- contacts -------------------------------------------------------------

int World::ContactBegin(PhysicsMaterial* material, PhysicsBody* body0, PhysicsBody* body1) {
  auto* world = static_cast<World*>(PhysicsMaterialGetMaterialPairUserData(material));
  auto* o0 = static_cast<WorldObject*>(PhysicsBodyGetUserData(body0));
  auto* o1 = static_cast<WorldObject*>(PhysicsBodyGetUserData(body1));
  world->m_contactObjects[0] = o0;
  world->m_contactObjects[1] = o1;
  world->m_contactMaterials[0] = world->m_contactMaterials[1] = nullptr;
  if (!o0 || !o1) return 1;
  PhysicalMaterial* m0 = o0->GetPhysicalMaterial();
  PhysicalMaterial* m1 = o1->GetPhysicalMaterial();
  world->m_contactMaterials[0] = m0;
  world->m_contactMaterials[1] = m1;
  if (!m0 || !m1) return 1;
  if (m0->m_begin) return m0->m_begin(material, body0, body1, m0->m_userData);
  if (m1->m_begin) return m1->m_begin(material, body0, body1, m1->m_userData);
  PhysicsMaterialSetContactElasticity(material, m0->m_elasticity * m1->m_elasticity);
  const float friction = m0->m_friction * m1->m_friction;
  for (int index = 0; index < 3; ++index) {
    PhysicsMaterialSetContactStaticFrictionCoef(material, friction, index);
    PhysicsMaterialSetContactKineticFrictionCoef(material, friction, index);
  }
  return 1;
}

int World::ContactProcess(PhysicsMaterial* material, PhysicsContact* contact) {
  auto* world = static_cast<World*>(PhysicsMaterialGetMaterialPairUserData(material));
  PhysicalMaterial* m0 = world->m_contactMaterials[0];
  PhysicalMaterial* m1 = world->m_contactMaterials[1];
  if (!m0 || !m1) return 1;
  float position[3], normal[3];
  PhysicsMaterialGetContactPositionAndNormal(material, position, normal);
  Vector3D g = world->m_gravity.GetNormalized();
  // The normal points towards the first object; each object judges the
  // contact from its own side, so only what lies beneath it is ground.
  Vector3D n(normal[0], normal[1], normal[2]);
  for (int i = 0; i < 2; ++i) {
    WorldObject* object = world->m_contactObjects[i];
    const float s = -g.Dot(i == 0 ? n : -n);
    if (object->IsDynamic() && 1.0f - s < object->GetOnGroundThreshold()) object->SetOnGround();
  }
  if (m0->m_process) return m0->m_process(material, contact, m0->m_userData);
  if (m1->m_process) return m1->m_process(material, contact, m1->m_userData);
  return 1;
}

void World::ContactEnd(PhysicsMaterial* material) {
  auto* world = static_cast<World*>(PhysicsMaterialGetMaterialPairUserData(material));
  PhysicalMaterial* m0 = world->m_contactMaterials[0];
  PhysicalMaterial* m1 = world->m_contactMaterials[1];
  if (!m0 || !m1) return;
  if (m0->m_end)
    m0->m_end(material, m0->m_userData);
  else if (m1->m_end)
    m1->m_end(material, m1->m_userData);
}
