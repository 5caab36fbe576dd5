// WorldObject.h - the base of every object in the World, and its creation record.
//
// An object has a world transform, bounds, visibility, an optional rigid body
// with its physical material, the marks the physics keeps (on ground, in
// fluid) and a list of attached child objects that follow its transform.
// Objects are made only by World::CreateObject from an ObjectParams record;
// each type class extends the record with a variant of its own and overrides
// the virtual operations it needs. Pooled and reference counted.
//
// Depends on tier0 (math, object pools), tier1/World.h and tier1/physics.
#pragma once

#include "tier0/Math.h"
#include "tier0/ObjectPool.h"
#include "tier0/Ref.h"
#include "tier1/World.h"
#include "tier1/physics/Physics.h"

#include <cstdint>
#include <vector>

class CameraObject;

// Which extension of the record this is; each type's Create checks it.
enum class ObjectParamsVariant : uint32_t {
  Base,
  Camera,
  Light,
  Joint,
  Sound,
  ParticleSystem,
  Field,
  StaticMesh,
  DynamicMesh,
};

// Collision shapes of a body (ObjectParams::colType).
enum CollisionType : uint32_t {
  Collision_None = 0,
  Collision_Sphere = 1,
  Collision_Box = 2,
  Collision_Capsule = 3,
  Collision_Cylinder = 4,
  Collision_ConvexHull = 5,
  Collision_TriangleMesh = 6,
};
constexpr uint32_t kCollisionTypeCount = 7;

struct ObjectParams {
  explicit ObjectParams(uint32_t type_ = ObjectType_None,
                        ObjectParamsVariant variant_ = ObjectParamsVariant::Base)
      : type(type_), variant(variant_) {}
  virtual ~ObjectParams() = default;

  uint32_t type;
  Matrix4x4 transform;
  bool visible = true;
  uint32_t colType = Collision_None;
  bool dynamic = false;
  bool gravity = true;
  PhysicalMaterial* physicalMaterial = nullptr;  // null: the World's default
  Vector3D mins;
  Vector3D maxs;
  float radius = 0.0f;
  ObjectParamsVariant variant;
};

// How an attached child follows its parent.
enum AttachType : uint32_t {
  Attach_Transform = 0,    // position and orientation
  Attach_Position = 1,     // position only
  Attach_Orientation = 2,  // orientation only
};

class WorldObject : public PooledObject {
 public:
  struct AttachRecord {
    Ref<WorldObject> child;
    uint32_t attachType;
    bool keepOffset;
    Matrix4x4 offset;
  };

  // Updates after which the on-ground mark is dropped until a contact sets it again.
  static constexpr uint32_t kOnGroundUpdates = 10;

  virtual uint32_t GetType() const { return ObjectType_None; }
  virtual void SetWorldTransform(const Matrix4x4& matrix);
  virtual bool Create(World* world, const ObjectParams& params);
  virtual void Destroy();
  virtual void Update(float dt);
  virtual PhysicsCollision* CreateCollision(const ObjectParams& params);

  World* GetWorld() const { return m_world; }
  bool IsInWorld() const { return m_inWorld; }
  float GetAge() const { return m_age; }
  const Matrix4x4& GetWorldTransform() const { return m_transform; }
  PhysicsBody* GetBody() const { return m_body; }
  PhysicalMaterial* GetPhysicalMaterial() const { return m_material.Get(); }
  uint32_t GetCollisionType() const { return m_colType; }
  bool IsDynamic() const { return m_dynamic; }
  bool HasGravity() const { return m_gravity; }
  void SetGravityEnabled(bool gravity) { m_gravity = gravity; }

  // Sizes, velocities, impulses, dampings and transforms that are not finite
  // are refused with a warning (Finite.h).
  void SetBox(const Vector3D& mins, const Vector3D& maxs);
  const Vector3D& GetBoxMins() const { return m_mins; }
  const Vector3D& GetBoxMaxs() const { return m_maxs; }
  float GetRadius() const { return m_radius; }
  void SetRadius(float radius);
  AABB GetBoundingBox() const;
  bool IsVisible() const { return m_visible; }
  void SetVisible(bool visible) { m_visible = visible; }

  Vector3D GetVelocity() const;
  void SetVelocity(const Vector3D& v);
  void ApplyImpulse(const Vector3D& point, const Vector3D& impulse, bool worldSpace);
  void SetLinearDamping(float damping);
  void SetAngularDamping(const Vector3D& damping);
  void SetAutoFreeze(bool autoFreeze);

  bool IsOnGround() const { return m_onGround; }
  void SetOnGround() { m_onGround = true; }
  float GetOnGroundThreshold() const { return m_onGroundThreshold; }
  void SetOnGroundThreshold(float threshold) { m_onGroundThreshold = threshold; }

  void SetPhysicalMaterial(PhysicalMaterial* material);
  bool CreateBody(const ObjectParams& params);

  bool Attach(WorldObject* child, uint32_t attachType, bool keepOffset);
  bool Detach(WorldObject* child);
  WorldObject* GetParent() const { return m_parent; }
  const std::vector<AttachRecord>& GetAttachments() const { return m_attachments; }

  CameraObject* GetPVCamera() const { return m_pvCamera.Get(); }

  // Set by field objects each frame, cleared by Update.
  bool IsInFluid() const { return m_inFluid; }
  void SetFluid(float density, float linearViscosity, float angularViscosity,
                const Vector4D& plane);
  const Vector4D& GetFluidPlane() const { return m_fluidPlane; }

  WorldObject* GetNext() const { return m_next; }
  WorldObject* GetPrev() const { return m_prev; }

 protected:
  // Out of line: the references it holds name classes this header only declares.
  WorldObject();
  ~WorldObject() override;

 private:
  friend class World;
  friend class CameraObject;

  // The body frame of capsules and cylinders is turned against the object frame.
  Matrix4x4 BodyMatrixFrom(const Matrix4x4& objectMatrix) const;
  Matrix4x4 ObjectMatrixFrom(const Matrix4x4& bodyMatrix) const;
  void MoveChild(const AttachRecord& record);
  void DetachAll();

  static void TransformCallback(PhysicsBody* body, const float* matrix);
  static void ForceCallback(PhysicsBody* body);
  static void FluidPlane(void* context, float* plane);

  World* m_world = nullptr;
  bool m_inWorld = false;
  float m_age = 0.0f;
  Matrix4x4 m_transform;
  PhysicsBody* m_body = nullptr;
  Ref<PhysicalMaterial> m_material;
  uint32_t m_colType = Collision_None;
  bool m_dynamic = false;
  bool m_gravity = true;
  bool m_onGround = false;
  float m_onGroundThreshold = 0.2f;
  uint32_t m_onGroundCounter = 0;
  float m_radius = 0.0f;
  Vector3D m_mins;
  Vector3D m_maxs;
  bool m_visible = true;
  WorldObject* m_next = nullptr;
  WorldObject* m_prev = nullptr;
  Ref<CameraObject> m_pvCamera;  // the camera this object is a PV object of
  std::vector<AttachRecord> m_attachments;
  WorldObject* m_parent = nullptr;
  bool m_inFluid = false;
  float m_fluidDensity = 0.0f;
  float m_fluidLinearViscosity = 0.0f;
  float m_fluidAngularViscosity = 0.0f;
  Vector4D m_fluidPlane{0.0f, 1.0f, 0.0f, 0.0f};
  bool m_fromBody = false;  // the transform being set came from the body
};
