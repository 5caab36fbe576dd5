// World.h - the simulated world: typed objects, physical materials, gravity
// and fixed-step physics.
//
// One World exists per run (the engine creates it at start-up and releases it
// at shutdown). It makes objects through the object type table (kept in
// ObjectTypes.cpp) and owns intrusive per-type lists of the live objects, the
// physics world with its material groups, and the clipping distances the
// renderer reads. Update() runs every object's update, then the
// physics in fixed steps of kPhysicsStep seconds with the remainder carried to
// the next frame. Contacts go through three World callbacks installed for
// every pair of materials; a material may replace them with its own.
//
// The engine's use: World::Create() at start-up (one reference; throws
// std::runtime_error "Failed to initialize Newton." when no physics world can
// be made), InitRenderer(true / false) as video starts and stops, Update(dt)
// every frame that is not paused, Release() at shutdown.
//
// Depends on tier0 (math, object pools), base/Log.h and tier1/physics.
#pragma once

#include "tier0/Math.h"
#include "tier0/ObjectPool.h"
#include "tier0/Ref.h"
#include "tier1/physics/Physics.h"

#include <cstdint>
#include <vector>

class World;
class WorldObject;
class WorldRenderer;
struct ObjectParams;

// Object type identifiers, shared with the scripts and the statistics display.
enum WorldObjectType : uint32_t {
  ObjectType_None = 0,  // the bare base class; never in the world
  ObjectType_Null = 1,
  ObjectType_Camera = 2,
  ObjectType_StaticMesh = 3,
  ObjectType_DynamicMesh = 4,
  ObjectType_Light = 5,
  ObjectType_Joint = 6,
  ObjectType_Sound = 7,
  ObjectType_AnimPath = 8,
  ObjectType_ParticleSystem = 9,
  ObjectType_Field = 10,
};
constexpr uint32_t kObjectTypeCount = 11;

// "Unknown" for ids outside 1..10.
const char* GetObjectTypeName(uint32_t type);

// Makes fresh objects of one type (one reference each), or null. The world's
// own types are made by the world; the render layer installs the makers of
// its meshes and particle systems (World::SetObjectMaker).
class WorldObjectMaker {
 public:
  virtual ~WorldObjectMaker() = default;
  virtual WorldObject* Make() = 0;
};

// The maker of a class with a static Create().
template <class T>
class ObjectMakerOf final : public WorldObjectMaker {
 public:
  WorldObject* Make() override { return T::Create(); }
};

// The renderer lives in the render layer, above the world, which installs
// its factory (World::SetRendererFactory).
class WorldRendererFactory {
 public:
  // A renderer for the world, initialised, or null on failure.
  virtual WorldRenderer* Create(World* world) = 0;
  // Shuts the renderer down and deletes it.
  virtual void Destroy(WorldRenderer* renderer) = 0;

 protected:
  ~WorldRendererFactory() = default;
};

// Contact callbacks a material may install; each also gets the material's user data.
using MaterialBeginCallback = int (*)(PhysicsMaterial* material, PhysicsBody* body0,
                                      PhysicsBody* body1, void* userData);
using MaterialProcessCallback = int (*)(PhysicsMaterial* material, PhysicsContact* contact,
                                        void* userData);
using MaterialEndCallback = void (*)(PhysicsMaterial* material, void* userData);

// How two bodies touch: friction (static and kinetic alike) and elasticity,
// multiplied pairwise, unless callbacks take over.
class PhysicalMaterial : public PooledObject {
  KAZ_POOLED_CLASS(PhysicalMaterial)

 public:
  World* GetWorld() const { return m_world; }
  int GetGroupID() const { return m_groupId; }
  float GetFriction() const { return m_friction; }
  float GetElasticity() const { return m_elasticity; }
  void SetCallbacks(MaterialBeginCallback begin, MaterialProcessCallback process,
                    MaterialEndCallback end, void* userData) {
    m_begin = begin, m_process = process, m_end = end, m_userData = userData;
  }

 private:
  friend class World;
  PhysicalMaterial() = default;

  World* m_world = nullptr;
  int m_groupId = 0;
  float m_friction = 0.8f;
  float m_elasticity = 0.5f;
  MaterialBeginCallback m_begin = nullptr;
  MaterialProcessCallback m_process = nullptr;
  MaterialEndCallback m_end = nullptr;
  void* m_userData = nullptr;
};

struct RayHit {
  WorldObject* object = nullptr;  // not counted
  Vector3D point;
  Vector3D normal;
  float distance = 0.0f;  // in lengths of the ray's direction
};

// IntersectRay / GetObjectsInBox flags.
constexpr uint32_t kQueryStatic = 1;
constexpr uint32_t kQueryDynamic = 2;

class World : public PooledObject {
  KAZ_POOLED_CLASS(World)

 public:
  // Seconds of simulation per physics step.
  static constexpr float kPhysicsStep = 0.004f;
  // Owed time above which a stall is assumed; the debt is cut to kPhysicsCatchUp.
  static constexpr float kPhysicsMaxDebt = 5.0f;
  static constexpr float kPhysicsCatchUp = 1.0f;
  // Length of the segment IntersectRay casts, in lengths of the direction.
  static constexpr float kRayLength = 10000.0f;

  // Removes every object and material and starts a fresh physics world.
  // Throws std::runtime_error when no physics world can be made.
  void Reset();

  // The World keeps the creation reference; callers that keep the pointer add their own.
  WorldObject* CreateObject(const ObjectParams& params);
  void RemoveObject(WorldObject* object);
  void Update(float dt);

  // Enabling without a renderer makes one through the installed factory
  // (without one it keeps none and succeeds); enabling again, or disabling,
  // destroys the one there is.
  bool InitRenderer(bool enable);
  WorldRenderer* GetRenderer() const { return m_renderer; }

  // Borrowed pointer: the World's material list holds the reference.
  PhysicalMaterial* CreatePhysicalMaterial(float friction, float elasticity);
  PhysicalMaterial* GetDefaultMaterial() const { return m_defaultMaterial.Get(); }
  // The first material whose begin callback is `begin`, or null: engine code
  // that gives all its users one material finds it again this way (a Reset
  // forgets it with every other material).
  PhysicalMaterial* FindMaterialWithCallback(MaterialBeginCallback begin) const;

  bool IntersectRay(const Vector3D& origin, const Vector3D& direction, RayHit* hit, uint32_t flags);
  uint32_t GetObjectsInBox(const AABB& box, std::vector<WorldObject*>& list, uint32_t flags) const;

  const Vector3D& GetGravity() const { return m_gravity; }
  // Positions, sizes and gravity that are not finite are refused with a warning.
  void SetGravity(const Vector3D& gravity);
  float GetNearZ() const { return m_nearZ; }
  void SetNearZ(float z) { m_nearZ = z; }
  float GetFarZ() const { return m_farZ; }
  void SetFarZ(float z) { m_farZ = z; }

  uint32_t GetObjectCount(uint32_t type) const {
    return type < kObjectTypeCount ? m_counts[type] : 0;
  }
  uint32_t GetParticleCount() const { return m_particleCount; }
  void AddParticles(uint32_t count) { m_particleCount += count; }
  WorldObject* GetFirstObject(uint32_t type) const {
    return type < kObjectTypeCount ? m_lists[type] : nullptr;
  }

  PhysicsWorld* GetPhysicsWorld() const { return m_physics; }
  float GetPhysicsAccumulator() const { return m_accumulator; }
  // Physics steps taken since the World was made.
  uint64_t GetStepCount() const { return m_stepCount; }

  // The maker of a type id (not owned; null: the world's own class, if it
  // has one); a type with neither cannot be created.
  static void SetObjectMaker(uint32_t type, WorldObjectMaker* maker);
  static bool CanMakeObject(uint32_t type);
  // A fresh object of the type (one reference), or null.
  static WorldObject* MakeObject(uint32_t type);
  // Not owned; null: worlds keep no renderer.
  static void SetRendererFactory(WorldRendererFactory* factory);

 private:
  friend class ObjectPool;
  World();
  ~World() override;

  void DestroyContents();
  static int ContactBegin(PhysicsMaterial* material, PhysicsBody* body0, PhysicsBody* body1);
  static int ContactProcess(PhysicsMaterial* material, PhysicsContact* contact);
  static void ContactEnd(PhysicsMaterial* material);

  WorldObject* m_lists[kObjectTypeCount] = {};
  WorldRenderer* m_renderer = nullptr;
  float m_nearZ = 0.1f;
  float m_farZ = 100.0f;
  uint32_t m_counts[kObjectTypeCount] = {};
  uint32_t m_particleCount = 0;
  Vector3D m_gravity{0.0f, -9.8f, 0.0f};
  PhysicsWorld* m_physics = nullptr;
  Ref<PhysicalMaterial> m_defaultMaterial;
  std::vector<Ref<PhysicalMaterial>> m_materials;
  float m_accumulator = 0.0f;
  uint64_t m_stepCount = 0;

  // The pair whose contacts are being processed (filled by ContactBegin).
  WorldObject* m_contactObjects[2] = {};
  PhysicalMaterial* m_contactMaterials[2] = {};
};
