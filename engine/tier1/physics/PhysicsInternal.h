// PhysicsInternal.h - the structures behind the opaque physics handles.
//
// Shared by the physics layer's own sources only. Depends on Bullet.
#pragma once

#include "tier1/physics/Physics.h"

#include <btBulletDynamicsCommon.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct PhysicsPair {
  void* userData = nullptr;
  PhysicsContactBegin begin = nullptr;
  PhysicsContactProcess process = nullptr;
  PhysicsContactEnd end = nullptr;
  bool set = false;
};

// Values a contact gets unless a callback changes them.
constexpr float kPhysicsDefaultElasticity = 0.4f;
constexpr float kPhysicsDefaultFriction = 0.5f;
// How far around a moved static body resting bodies are woken.
constexpr float kPhysicsWakeMargin = 0.05f;
// Joint stiffness at and above which joints are as hard as the solver makes
// them, and the solver's own error reduction for joints.
constexpr float kPhysicsDefaultStiffness = 0.9f;
constexpr float kPhysicsJointErp = 0.2f;
constexpr float kPhysicsMaxJointMixing = 0.99f;
// More groups than any scene needs; the pair table grows with the square.
constexpr int kPhysicsMaxGroups = 1024;

struct PhysicsContactValues {
  float elasticity = kPhysicsDefaultElasticity;
  float friction[2] = {kPhysicsDefaultFriction, kPhysicsDefaultFriction};
  bool frictionOn[2] = {true, true};
};

struct PhysicsMaterial {
  const PhysicsPair* pair = nullptr;
  btPersistentManifold* manifold = nullptr;
  btManifoldPoint* point = nullptr;  // set while the process callback runs
  PhysicsContactValues pairValues;   // what begin set, for every contact of the pair
  PhysicsContactValues pointValues;  // the contact being processed
};

class PhysicsDynamicsWorld;
struct PhysicsCollision;

// Identifies a primitive shape: kind, three dimensions, offset (bit patterns).
using PhysicsShapeKey = std::array<uint32_t, 20>;

struct PhysicsWorld {
  std::unique_ptr<btDefaultCollisionConfiguration> config;
  std::unique_ptr<btCollisionDispatcher> dispatcher;
  std::unique_ptr<btBroadphaseInterface> broadphase;
  std::unique_ptr<btSequentialImpulseConstraintSolver> solver;
  std::unique_ptr<PhysicsDynamicsWorld> dynamics;
  // pairs[hi][lo] for group ids lo <= hi
  std::vector<std::vector<PhysicsPair>> pairs;
  int nextGroup = 1;
  float worldMins[3] = {-10000, -10000, -10000};
  float worldMaxs[3] = {10000, 10000, 10000};
  uint64_t steps = 0;
  int bodyCount = 0;
  std::vector<struct PhysicsBody*> moved;  // scratch: bodies awake before the step
  // Bodies made since the last step or query. They join Bullet's world once
  // placed: entering at the origin, a thousand new bodies would first pair
  // up with each other there.
  std::vector<struct PhysicsBody*> pending;
  // Bodies frozen for leaving the extent; out of Bullet's world, still ours.
  std::vector<struct PhysicsBody*> frozen;
  // Equal primitive shapes are made once and shared: a thousand crates then
  // use one shape, as Bullet's own users do, and stay cache friendly.
  std::map<PhysicsShapeKey, PhysicsCollision*> shapes;

  const PhysicsPair* FindPair(int a, int b) const;
  void ProcessContacts();
  void AddPending();
  // Takes awake bodies whose boxes left the extent out of the simulation.
  void FreezeOutside();
  bool Contains(const btVector3& mins, const btVector3& maxs) const;
};

class PhysicsDynamicsWorld : public btDiscreteDynamicsWorld {
 public:
  PhysicsDynamicsWorld(PhysicsWorld* owner, btDispatcher* dispatcher,
                       btBroadphaseInterface* broadphase, btConstraintSolver* solver,
                       btCollisionConfiguration* config)
      : btDiscreteDynamicsWorld(dispatcher, broadphase, solver, config), m_owner(owner) {}

  // Material callbacks see the contacts after detection and before solving.
  void performDiscreteCollisionDetection() override {
    btDiscreteDynamicsWorld::performDiscreteCollisionDetection();
    m_owner->ProcessContacts();
  }

 private:
  PhysicsWorld* m_owner;
};

struct PhysicsCollision {
  int refs = 1;
  std::unique_ptr<btCollisionShape> shape;  // what bodies use
  // Where the shape sits in the body frame. Static bodies place the shape
  // itself (Bullet's transform is the body's times this offset); dynamic
  // ones, whose centre of mass is the body origin, go through `compound`,
  // made on first need, since compounds collide at several times the cost.
  btTransform offset = btTransform::getIdentity();
  btTransform offsetInverse = btTransform::getIdentity();
  bool hasOffset = false;
  std::unique_ptr<btCompoundShape> compound;
  PhysicsWorld* cacheWorld = nullptr;  // the world whose shape cache lists it
  PhysicsShapeKey cacheKey{};
  std::unique_ptr<btTriangleMesh> mesh;  // tree collisions
  std::vector<btVector3> faces;          // tree collision triangles while building
  bool building = false;
  bool isTree = false;
  // Closed outward-wound surface in the shape frame, for volume and buoyancy.
  std::vector<btVector3> surface;
  float volume = 0.0f;
};

struct PhysicsBody {
  PhysicsWorld* world = nullptr;
  std::unique_ptr<btRigidBody> rigid;
  PhysicsCollision* collision = nullptr;
  void* userData = nullptr;
  PhysicsTransformCallback transformCallback = nullptr;
  PhysicsForceCallback forceCallback = nullptr;
  int group = 0;
  float mass = 0.0f;
  bool added = false;     // in Bullet's world (see PhysicsWorld::pending)
  bool compound = false;  // uses its collision's compound shape
  // Left the world's extent: taken out of Bullet's world until it is placed
  // back inside.
  bool outside = false;

  // Bullet's transform of the body is the body's own times this.
  bool Offset() const { return collision->hasOffset && !compound; }
  uint64_t awakeStep = 0;  // step number + 1 at which the body was last awake before solving
  std::vector<PhysicsJoint*> joints;
};

struct PhysicsJoint {
  PhysicsWorld* world = nullptr;
  std::unique_ptr<btTypedConstraint> constraint;
  PhysicsBody* child = nullptr;
  PhysicsBody* parent = nullptr;
  float stiffness = kPhysicsDefaultStiffness;
  bool softened = false;  // its constraint carries our error reduction and mixing
  int collide = 0;
  bool alive = true;
};

// Conversions between the engine's matrix layout and Bullet's transforms.
btTransform PhysicsToTransform(const float* m);
void PhysicsFromTransform(const btTransform& t, float* m);
inline btVector3 PhysicsVec(const float* v) {
  return btVector3(v[0], v[1], v[2]);
}
inline void PhysicsStore(const btVector3& v, float* out) {
  out[0] = v.x();
  out[1] = v.y();
  out[2] = v.z();
}

// Takes the constraint out of the world and off its bodies.
void PhysicsDetachJoint(PhysicsJoint* joint);
// Puts it (back) in with the current collision state and stiffness.
void PhysicsAttachJoint(PhysicsJoint* joint);
// Wakes the dynamic bodies whose boxes overlap [mins, maxs].
void PhysicsWakeBodiesIn(PhysicsWorld* world, const btVector3& mins, const btVector3& maxs);
