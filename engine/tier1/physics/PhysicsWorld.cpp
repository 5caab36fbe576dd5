// PhysicsWorld.cpp - world creation, stepping, material pairs and ray queries.
#include "tier1/physics/PhysicsInternal.h"

#include <algorithm>

btTransform PhysicsToTransform(const float* m) {
  btMatrix3x3 basis(m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]);
  return btTransform(basis, btVector3(m[3], m[7], m[11]));
}

void PhysicsFromTransform(const btTransform& t, float* m) {
  const btMatrix3x3& b = t.getBasis();
  const btVector3& o = t.getOrigin();
  for (int r = 0; r < 3; ++r) {
    m[4 * r + 0] = b[r].x();
    m[4 * r + 1] = b[r].y();
    m[4 * r + 2] = b[r].z();
  }
  m[3] = o.x();
  m[7] = o.y();
  m[11] = o.z();
  m[12] = m[13] = m[14] = 0.0f;
  m[15] = 1.0f;
}

PhysicsWorld* PhysicsCreate() {
  auto* world = new PhysicsWorld;
  world->config = std::make_unique<btDefaultCollisionConfiguration>();
  world->dispatcher = std::make_unique<btCollisionDispatcher>(world->config.get());
  world->broadphase = std::make_unique<btDbvtBroadphase>();
  world->solver = std::make_unique<btSequentialImpulseConstraintSolver>();
  world->dynamics = std::make_unique<PhysicsDynamicsWorld>(
      world, world->dispatcher.get(), world->broadphase.get(), world->solver.get(),
      world->config.get());
  // Gravity comes in through the force callbacks.
  world->dynamics->setGravity(btVector3(0, 0, 0));
  // Bullet's default (2 s) leaves piles jittering for long; sleep is
  // decided per body by speed thresholds and this one resting time.
  gDeactivationTime = kPhysicsSleepSeconds;
  return world;
}

void PhysicsDestroy(PhysicsWorld* world) {
  if (!world) {
    return;
  }
  // Whatever the caller left: joints first, they reference bodies.
  btDiscreteDynamicsWorld* dyn = world->dynamics.get();
  while (dyn->getNumConstraints() > 0) {
    dyn->removeConstraint(dyn->getConstraint(dyn->getNumConstraints() - 1));
  }
  while (!world->pending.empty()) {
    PhysicsDestroyBody(world, world->pending.back());
  }
  while (!world->frozen.empty()) {
    PhysicsDestroyBody(world, world->frozen.back());
  }
  btCollisionObjectArray& objects = dyn->getCollisionObjectArray();
  while (objects.size() > 0) {
    btCollisionObject* obj = objects[objects.size() - 1];
    auto* body = static_cast<PhysicsBody*>(obj->getUserPointer());
    if (body) {
      PhysicsDestroyBody(world, body);
    } else {
      dyn->removeCollisionObject(obj);
    }
  }
  // Shapes still held elsewhere outlive the cache.
  for (auto& [key, col] : world->shapes) {
    col->cacheWorld = nullptr;
  }
  world->shapes.clear();
  world->dynamics.reset();
  world->solver.reset();
  world->broadphase.reset();
  world->dispatcher.reset();
  world->config.reset();
  delete world;
}

void PhysicsSetWorldSize(PhysicsWorld* world, const float* mins, const float* maxs) {
  for (int i = 0; i < 3; ++i) {
    world->worldMins[i] = mins[i];
    world->worldMaxs[i] = maxs[i];
  }
}

void PhysicsWorld::AddPending() {
  for (PhysicsBody* body : pending) {
    dynamics->addRigidBody(body->rigid.get());
    body->added = true;
  }
  pending.clear();
}

bool PhysicsWorld::Contains(const btVector3& mins, const btVector3& maxs) const {
  // Written so that a NaN counts as outside.
  for (int i = 0; i < 3; ++i) {
    if (!(mins[i] >= worldMins[i] && maxs[i] <= worldMaxs[i])) {
      return false;
    }
  }
  return true;
}

void PhysicsWorld::FreezeOutside() {
  btAlignedObjectArray<btRigidBody*>& bodies = dynamics->getNonStaticRigidBodies();
  std::vector<PhysicsBody*> leaving;
  btVector3 mins, maxs;
  for (int i = 0; i < bodies.size(); ++i) {
    btRigidBody* rb = bodies[i];
    rb->getAabb(mins, maxs);
    if (rb->isActive() && !Contains(mins, maxs)) {
      leaving.push_back(static_cast<PhysicsBody*>(rb->getUserPointer()));
    }
  }
  for (PhysicsBody* body : leaving) {
    btRigidBody* rb = body->rigid.get();
    dynamics->removeRigidBody(rb);
    rb->setLinearVelocity(btVector3(0, 0, 0));
    rb->setAngularVelocity(btVector3(0, 0, 0));
    body->added = false;
    body->outside = true;
    frozen.push_back(body);
  }
}

void PhysicsWakeBodiesIn(PhysicsWorld* world, const btVector3& mins, const btVector3& maxs) {
  struct Waker : btBroadphaseAabbCallback {
    bool process(const btBroadphaseProxy* proxy) override {
      auto* obj = static_cast<btCollisionObject*>(proxy->m_clientObject);
      if (obj && !obj->isStaticOrKinematicObject()) {
        obj->activate(true);
      }
      return true;
    }
  } waker;
  world->broadphase->aabbTest(mins, maxs, waker);
}

void PhysicsUpdate(PhysicsWorld* world, float timestep) {
  world->AddPending();
  PhysicsDynamicsWorld* dyn = world->dynamics.get();
  const uint64_t stamp = world->steps + 1;
  btAlignedObjectArray<btRigidBody*>& bodies = dyn->getNonStaticRigidBodies();
  for (int i = 0; i < bodies.size(); ++i) {
    btRigidBody* rb = bodies[i];
    if (!rb->isActive()) {
      continue;
    }
    auto* body = static_cast<PhysicsBody*>(rb->getUserPointer());
    body->awakeStep = stamp;
    if (body->forceCallback) {
      body->forceCallback(body);
    }
  }
  dyn->stepSimulation(timestep, 0);
  world->steps = stamp;
  world->FreezeOutside();

  // A callback may destroy bodies, so gather first.
  world->moved.clear();
  for (int i = 0; i < bodies.size(); ++i) {
    btRigidBody* rb = bodies[i];
    auto* body = static_cast<PhysicsBody*>(rb->getUserPointer());
    // Bodies that fell asleep during this step still moved in it.
    if ((rb->isActive() || body->awakeStep == stamp) && body->transformCallback) {
      world->moved.push_back(body);
    }
  }
  float m[16];
  for (PhysicsBody* body : world->moved) {
    PhysicsBodyGetMatrix(body, m);
    body->transformCallback(body, m);
  }
  world->moved.clear();
}

uint64_t PhysicsGetStepCount(const PhysicsWorld* world) {
  return world->steps;
}
int PhysicsGetBodyCount(const PhysicsWorld* world) {
  return world->bodyCount;
}

// ---- materials ------------------------------------------------------------

int PhysicsMaterialCreateGroupID(PhysicsWorld* world) {
  if (world->nextGroup >= kPhysicsMaxGroups) {
    return 0;
  }
  return world->nextGroup++;
}

void PhysicsMaterialDestroyAllGroupID(PhysicsWorld* world) {
  world->pairs.clear();
  world->nextGroup = 1;
}

void PhysicsMaterialSetCollisionCallback(PhysicsWorld* world, int id0, int id1, void* userData,
                                         PhysicsContactBegin begin, PhysicsContactProcess process,
                                         PhysicsContactEnd end) {
  if (id0 < 0 || id1 < 0 || id0 >= kPhysicsMaxGroups || id1 >= kPhysicsMaxGroups) {
    return;
  }
  const int lo = std::min(id0, id1);
  const int hi = std::max(id0, id1);
  if (static_cast<int>(world->pairs.size()) <= hi) {
    world->pairs.resize(hi + 1);
  }
  std::vector<PhysicsPair>& row = world->pairs[hi];
  if (static_cast<int>(row.size()) <= lo) {
    row.resize(hi + 1);
  }
  row[lo] = PhysicsPair{userData, begin, process, end, true};
}

const PhysicsPair* PhysicsWorld::FindPair(int a, int b) const {
  const int lo = std::min(a, b);
  const int hi = std::max(a, b);
  if (hi >= static_cast<int>(pairs.size()) || lo >= static_cast<int>(pairs[hi].size())) {
    return nullptr;
  }
  const PhysicsPair& pair = pairs[hi][lo];
  return pair.set ? &pair : nullptr;
}

static void ApplyContactValues(btManifoldPoint& point, const PhysicsContactValues& v) {
  point.m_combinedRestitution = v.elasticity;
  const float f0 = v.frictionOn[0] ? v.friction[0] : 0.0f;
  const float f1 = v.frictionOn[1] ? v.friction[1] : 0.0f;
  // Bullet has one coefficient for both tangent directions.
  point.m_combinedFriction = 0.5f * (f0 + f1);
}

static bool IsAwake(const btCollisionObject* obj) {
  return !obj->isStaticOrKinematicObject() && obj->isActive();
}

void PhysicsWorld::ProcessContacts() {
  btDispatcher* disp = dynamics->getDispatcher();
  const int count = disp->getNumManifolds();
  PhysicsMaterial material;
  for (int i = 0; i < count; ++i) {
    btPersistentManifold* manifold = disp->getManifoldByIndexInternal(i);
    if (manifold->getNumContacts() == 0) {
      continue;
    }
    // Pairs at rest (asleep against asleep or static) are not solved, and
    // their callbacks would only repeat themselves.
    if (!IsAwake(manifold->getBody0()) && !IsAwake(manifold->getBody1())) {
      continue;
    }
    auto* b0 = static_cast<PhysicsBody*>(manifold->getBody0()->getUserPointer());
    auto* b1 = static_cast<PhysicsBody*>(manifold->getBody1()->getUserPointer());
    const PhysicsPair* pair = (b0 && b1) ? FindPair(b0->group, b1->group) : nullptr;
    material = PhysicsMaterial{};
    material.pair = pair;
    material.manifold = manifold;
    if (pair && pair->begin && !pair->begin(&material, b0, b1)) {
      manifold->clearManifold();
      continue;
    }
    int k = 0;
    while (k < manifold->getNumContacts()) {
      btManifoldPoint& point = manifold->getContactPoint(k);
      material.pointValues = material.pairValues;
      material.point = &point;
      int accept = 1;
      if (pair && pair->process) {
        accept = pair->process(&material, reinterpret_cast<PhysicsContact*>(&point));
      }
      material.point = nullptr;
      if (!accept) {
        manifold->removeContactPoint(k);  // moves the last point into k
        continue;
      }
      ApplyContactValues(point, material.pointValues);
      ++k;
    }
    if (pair && pair->end) {
      pair->end(&material);
    }
  }
}

void* PhysicsMaterialGetMaterialPairUserData(const PhysicsMaterial* material) {
  return material->pair ? material->pair->userData : nullptr;
}

void PhysicsMaterialGetContactPositionAndNormal(const PhysicsMaterial* material, float* position,
                                                float* normal) {
  if (!material->point) {
    position[0] = position[1] = position[2] = 0.0f;
    normal[0] = normal[1] = normal[2] = 0.0f;
    return;
  }
  const btManifoldPoint& p = *material->point;
  PhysicsStore((p.getPositionWorldOnA() + p.getPositionWorldOnB()) * 0.5f, position);
  // Bullet's normal lies on body 1 and points towards body 0.
  PhysicsStore(p.m_normalWorldOnB, normal);
}

static PhysicsContactValues& CurrentValues(PhysicsMaterial* material) {
  return material->point ? material->pointValues : material->pairValues;
}

void PhysicsMaterialSetContactElasticity(PhysicsMaterial* material, float elasticity) {
  CurrentValues(material).elasticity = elasticity;
}

void PhysicsMaterialSetContactStaticFrictionCoef(PhysicsMaterial* material, float coef, int index) {
  // Bullet's Coulomb cone has one coefficient, taken from the kinetic one.
  (void)material;
  (void)coef;
  (void)index;
}

void PhysicsMaterialSetContactKineticFrictionCoef(PhysicsMaterial* material, float coef,
                                                  int index) {
  if (index == 0 || index == 1) {
    CurrentValues(material).friction[index] = coef;
  }
}

void PhysicsMaterialSetContactFrictionState(PhysicsMaterial* material, int state, int index) {
  if (index == 0 || index == 1) {
    CurrentValues(material).frictionOn[index] = state != 0;
  }
}

// ---- queries --------------------------------------------------------------

namespace {
struct AllHitsCallback : btCollisionWorld::RayResultCallback {
  PhysicsRayFilter filter = nullptr;
  void* userData = nullptr;

  btScalar addSingleResult(btCollisionWorld::LocalRayResult& result,
                           bool normalInWorldSpace) override {
    const btCollisionObject* obj = result.m_collisionObject;
    btVector3 n = normalInWorldSpace
                      ? result.m_hitNormalLocal
                      : obj->getWorldTransform().getBasis() * result.m_hitNormalLocal;
    float normal[3];
    PhysicsStore(n, normal);
    auto* body = static_cast<PhysicsBody*>(obj->getUserPointer());
    if (body && filter) {
      filter(body, normal, 0, userData, result.m_hitFraction);
    }
    // Keep the whole segment open so that every crossing is reported.
    return m_closestHitFraction;
  }
};
}  // namespace

void PhysicsWorldRayCast(PhysicsWorld* world, const float* p0, const float* p1,
                         PhysicsRayFilter filter, void* userData) {
  if (!world || !filter) {
    return;
  }
  world->AddPending();
  AllHitsCallback cb;
  cb.filter = filter;
  cb.userData = userData;
  world->dynamics->rayTest(PhysicsVec(p0), PhysicsVec(p1), cb);
}
