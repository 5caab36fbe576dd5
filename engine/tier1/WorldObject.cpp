// WorldObject.cpp - transforms, bodies, physics callbacks and attachments.
#include "tier1/WorldObject.h"

#include "base/Log.h"
#include "tier1/CameraObject.h"
#include "tier1/Finite.h"

#include <algorithm>

namespace {

// Bullet builds capsules and cylinders along x; the body frame is turned a
// quarter about z so that they stand along the object's y axis.
const float kQuarterTurn = 1.57079632679f;

bool IsLengthwise(uint32_t colType) {
  return colType == Collision_Capsule || colType == Collision_Cylinder;
}

void ToFloats(const Matrix4x4& m, float* out) {
  for (int i = 0; i < 16; ++i) out[i] = m.m[i];
}

Matrix4x4 FromFloats(const float* in) {
  Matrix4x4 m;
  for (int i = 0; i < 16; ++i) m.m[i] = in[i];
  return m;
}

}  // namespace

WorldObject::WorldObject() = default;

WorldObject::~WorldObject() {
  // Normally Destroy ran already; this only drops what a skipped Destroy left.
  DetachAll();
  m_material.Reset();
  if (m_body) {
    PhysicsDestroyBody(PhysicsBodyGetWorld(m_body), m_body);
    m_body = nullptr;
  }
}

bool WorldObject::Create(World* world, const ObjectParams& params) {
  m_world = world;
  m_age = 0.0f;
  m_visible = params.visible;
  m_transform = params.transform;
  m_colType = params.colType < kCollisionTypeCount ? params.colType : Collision_None;
  m_dynamic = params.dynamic;
  m_gravity = params.gravity;
  return true;
}

void WorldObject::Destroy() {
  DetachAll();
  // Nothing may keep naming an object that left the world.
  if (m_parent) m_parent->Detach(this);
  if (m_pvCamera) m_pvCamera->DetachPVObject(this);
  m_material.Reset();
  if (m_body) {
    PhysicsDestroyBody(m_world ? m_world->GetPhysicsWorld() : PhysicsBodyGetWorld(m_body), m_body);
    m_body = nullptr;
  }
  m_world = nullptr;
}

void WorldObject::DetachAll() {
  std::vector<AttachRecord> records;
  records.swap(m_attachments);
  // The children's references go with the records.
  for (AttachRecord& record : records) record.child->m_parent = nullptr;
}

void WorldObject::Update(float dt) {
  m_inFluid = false;
  m_age += dt;
  if (m_onGround) {
    // A contact in the coming physics steps sets the mark again.
    if (m_onGroundCounter++ > kOnGroundUpdates) {
      m_onGround = false;
      m_onGroundCounter = 0;
    }
  }
}

Matrix4x4 WorldObject::BodyMatrixFrom(const Matrix4x4& objectMatrix) const {
  if (!IsLengthwise(m_colType)) return objectMatrix;
  return Matrix4x4::Product(objectMatrix, Matrix4x4::MakeZRotation(kQuarterTurn));
}

Matrix4x4 WorldObject::ObjectMatrixFrom(const Matrix4x4& bodyMatrix) const {
  if (!IsLengthwise(m_colType)) return bodyMatrix;
  return Matrix4x4::Product(bodyMatrix, Matrix4x4::MakeZRotation(-kQuarterTurn));
}

void WorldObject::SetWorldTransform(const Matrix4x4& matrix) {
  if (!AcceptFinite("SetWorldTransform", matrix)) return;
  m_transform = matrix;
  if (m_body && !m_fromBody) {
    float m[16];
    ToFloats(BodyMatrixFrom(matrix), m);
    PhysicsBodySetMatrix(m_body, m);
  }
  for (const AttachRecord& record : m_attachments) MoveChild(record);
}

void WorldObject::MoveChild(const AttachRecord& record) {
  const Matrix4x4 target = Matrix4x4::Product(m_transform, record.offset);
  WorldObject* child = record.child.Get();
  Matrix4x4 result = target;
  if (record.attachType == Attach_Position) {
    result = child->m_transform;
    result.SetTranslation(target.GetTranslation());
  } else if (record.attachType == Attach_Orientation) {
    result.SetTranslation(child->m_transform.GetTranslation());
  }
  child->SetWorldTransform(result);
}

bool WorldObject::Attach(WorldObject* child, uint32_t attachType, bool keepOffset) {
  if (!child || child == this || child->m_parent || attachType > Attach_Orientation) return false;
  // A child that is also an ancestor would make transforms chase each other forever.
  for (WorldObject* up = m_parent; up; up = up->m_parent) {
    if (up == child) return false;
  }
  child->m_parent = this;
  AttachRecord record{Ref<WorldObject>::Share(child), attachType, keepOffset, Matrix4x4()};
  if (keepOffset)
    record.offset = Matrix4x4::Product(m_transform.GetFastInverse(), child->m_transform);
  m_attachments.push_back(std::move(record));
  return true;
}

bool WorldObject::Detach(WorldObject* child) {
  if (!child || child == this || child->m_parent != this) return false;
  auto it = std::find_if(m_attachments.begin(), m_attachments.end(),
                         [child](const AttachRecord& r) { return r.child == child; });
  child->m_parent = nullptr;
  if (it != m_attachments.end()) m_attachments.erase(it);
  return true;
}

void WorldObject::SetBox(const Vector3D& mins, const Vector3D& maxs) {
  if (AcceptFinite("SetBox", mins, maxs)) m_mins = mins, m_maxs = maxs;
}

void WorldObject::SetRadius(float radius) {
  if (AcceptFinite("SetRadius", radius)) m_radius = radius;
}

AABB WorldObject::GetBoundingBox() const {
  if (m_body) {
    float mins[3], maxs[3];
    PhysicsBodyGetAABB(m_body, mins, maxs);
    AABB box;
    box.mins = Vector3D(mins[0], mins[1], mins[2]);
    box.maxs = Vector3D(maxs[0], maxs[1], maxs[2]);
    return box;
  }
  const Vector3D t = m_transform.GetTranslation();
  return AABB(t + m_mins, t + m_maxs);
}

Vector3D WorldObject::GetVelocity() const {
  if (!m_body) return Vector3D();
  float v[3];
  PhysicsBodyGetVelocity(m_body, v);
  return Vector3D(v[0], v[1], v[2]);
}

void WorldObject::SetVelocity(const Vector3D& v) {
  if (!m_body || !AcceptFinite("SetVelocity", v)) return;
  const float f[3] = {v.x, v.y, v.z};
  PhysicsBodySetVelocity(m_body, f);
}

void WorldObject::ApplyImpulse(const Vector3D& point, const Vector3D& impulse, bool worldSpace) {
  if (!m_body || !AcceptFinite("ApplyImpulse", point, impulse)) return;
  Vector3D p = point;
  Vector3D j = impulse;
  if (!worldSpace) {
    j = m_transform.TransformVector(impulse, false);
    p = m_transform.TransformVector(point, true);
  }
  const float fj[3] = {j.x, j.y, j.z};
  const float fp[3] = {p.x, p.y, p.z};
  PhysicsAddBodyImpulse(m_body, fj, fp);
}

void WorldObject::SetLinearDamping(float damping) {
  if (m_body && AcceptFinite("SetLinearDamping", damping))
    PhysicsBodySetLinearDamping(m_body, damping);
}

void WorldObject::SetAngularDamping(const Vector3D& damping) {
  if (!m_body || !AcceptFinite("SetAngularDamping", damping)) return;
  const float d[3] = {damping.x, damping.y, damping.z};
  PhysicsBodySetAngularDamping(m_body, d);
}

void WorldObject::SetAutoFreeze(bool autoFreeze) {
  if (!m_body) return;
  PhysicsBodySetAutoFreeze(m_body, autoFreeze ? 1 : 0);
  PhysicsWorldUnfreezeBody(PhysicsBodyGetWorld(m_body), m_body);
}

void WorldObject::SetFluid(float density, float linearViscosity, float angularViscosity,
                           const Vector4D& plane) {
  if (!AcceptFinite("SetFluid", density, linearViscosity, angularViscosity, plane)) return;
  m_inFluid = true;
  m_fluidDensity = density;
  m_fluidLinearViscosity = linearViscosity;
  m_fluidAngularViscosity = angularViscosity;
  m_fluidPlane = plane;
}

void WorldObject::SetPhysicalMaterial(PhysicalMaterial* material) {
  if (!m_body) return;
  if (!material && m_world) material = m_world->GetDefaultMaterial();
  if (material == m_material) return;
  m_material = Ref<PhysicalMaterial>::Share(material);
  if (m_material) {
    PhysicsBodySetMaterialGroupID(m_body, m_material->GetGroupID());
  }
}

PhysicsCollision* WorldObject::CreateCollision(const ObjectParams& params) {
  PhysicsWorld* physics = m_world ? m_world->GetPhysicsWorld() : nullptr;
  if (!physics) return nullptr;
  const Vector3D size = m_maxs - m_mins;
  const Vector3D c = (m_mins + m_maxs) * 0.5f;
  switch (params.colType) {
    case Collision_Sphere:
      return PhysicsCreateSphere(physics, m_radius, m_radius, m_radius, nullptr);
    case Collision_Box: {
      float offset[16];
      ToFloats(Matrix4x4::MakeTranslation(c), offset);
      return PhysicsCreateBox(physics, size.x, size.y, size.z, offset);
    }
    case Collision_Capsule:
    case Collision_Cylinder: {
      // The box centre in the turned body frame.
      float offset[16];
      ToFloats(Matrix4x4::MakeTranslation(Vector3D(c.y, -c.x, c.z)), offset);
      const float radius = size.x * 0.5f;
      return params.colType == Collision_Capsule
                 ? PhysicsCreateCapsule(physics, radius, size.y, offset)
                 : PhysicsCreateCylinder(physics, radius, size.y, offset);
    }
    default:
      return nullptr;
  }
}

bool WorldObject::CreateBody(const ObjectParams& params) {
  if (!m_world || !m_world->GetPhysicsWorld() || m_body) return false;
  PhysicsWorld* physics = m_world->GetPhysicsWorld();
  PhysicsCollision* collision = CreateCollision(params);
  if (!collision) {
    LogDetail("Failed to create collision object of type: %d", static_cast<int>(params.colType));
    return false;
  }
  PhysicsBody* body = PhysicsCreateBody(physics, collision);
  PhysicsReleaseCollision(physics, collision);
  if (!body) {
    LogDetail("Failed to create collision object of type: %d", static_cast<int>(params.colType));
    return false;
  }
  m_body = body;
  PhysicsBodySetUserData(body, this);
  SetPhysicalMaterial(params.physicalMaterial);
  if (m_dynamic) PhysicsBodySetMassMatrix(body, 1.0f, 2.0f, 2.0f, 2.0f);
  float m[16];
  ToFloats(BodyMatrixFrom(m_transform), m);
  PhysicsBodySetMatrix(body, m);
  PhysicsBodySetTransformCallback(body, TransformCallback);
  PhysicsBodySetForceAndTorqueCallback(body, ForceCallback);
  PhysicsBodySetFreezeTreshold(body, 0.01f, 0.01f, 10);
  return true;
}

void WorldObject::TransformCallback(PhysicsBody* body, const float* matrix) {
  auto* object = static_cast<WorldObject*>(PhysicsBodyGetUserData(body));
  if (!object) return;
  // Children follow the object frame, not the turned body frame.
  object->m_fromBody = true;
  object->SetWorldTransform(object->ObjectMatrixFrom(FromFloats(matrix)));
  object->m_fromBody = false;
}

void WorldObject::FluidPlane(void* context, float* plane) {
  const Vector4D& p = static_cast<WorldObject*>(context)->m_fluidPlane;
  plane[0] = p.x, plane[1] = p.y, plane[2] = p.z, plane[3] = p.w;
}

void WorldObject::ForceCallback(PhysicsBody* body) {
  auto* object = static_cast<WorldObject*>(PhysicsBodyGetUserData(body));
  if (!object || !object->m_world) return;
  const Vector3D& g = object->m_world->GetGravity();
  const float gravity[3] = {g.x, g.y, g.z};
  if (object->m_inFluid) {
    const float density = PhysicsBodyGetTotalVolume(body) * object->m_fluidDensity;
    PhysicsBodyAddBuoyancyForce(body, density, object->m_fluidLinearViscosity,
                                object->m_fluidAngularViscosity, gravity, FluidPlane, object);
  } else if (object->m_gravity) {
    PhysicsBodyAddForce(body, gravity);
  }
}
