// PhysicsBody.cpp - rigid bodies: mass, placement, velocities, forces, buoyancy.
#include "tier1/physics/PhysicsInternal.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsDynamic(const PhysicsBody* body) {
  return body->mass > 0.0f;
}

}  // namespace

PhysicsBody* PhysicsCreateBody(PhysicsWorld* world, PhysicsCollision* collision) {
  if (!world || !collision || collision->building) {
    return nullptr;
  }
  auto* body = new PhysicsBody;
  body->world = world;
  body->collision = collision;
  ++collision->refs;
  btRigidBody::btRigidBodyConstructionInfo info(0.0f, nullptr, collision->shape.get(),
                                                btVector3(0, 0, 0));
  info.m_startWorldTransform = collision->offset;
  info.m_friction = kPhysicsDefaultFriction;
  info.m_restitution = 0.0f;
  info.m_linearSleepingThreshold = 0.1f;
  info.m_angularSleepingThreshold = 0.1f;
  body->rigid = std::make_unique<btRigidBody>(info);
  body->rigid->setUserPointer(body);
  world->pending.push_back(body);
  ++world->bodyCount;
  return body;
}

void PhysicsDestroyBody(PhysicsWorld* world, PhysicsBody* body) {
  if (!body) {
    return;
  }
  // Bullet would keep solving a joint whose body is gone.
  while (!body->joints.empty()) {
    PhysicsJoint* joint = body->joints.back();
    PhysicsDetachJoint(joint);
    joint->constraint.reset();
    joint->alive = false;
  }
  if (body->added) {
    body->world->dynamics->removeRigidBody(body->rigid.get());
  } else {
    for (std::vector<PhysicsBody*>* list : {&body->world->pending, &body->world->frozen}) {
      list->erase(std::remove(list->begin(), list->end(), body), list->end());
    }
  }
  body->rigid.reset();
  PhysicsReleaseCollision(world, body->collision);
  --body->world->bodyCount;
  delete body;
}

void PhysicsBodySetUserData(PhysicsBody* body, void* userData) {
  body->userData = userData;
}
void* PhysicsBodyGetUserData(const PhysicsBody* body) {
  return body ? body->userData : nullptr;
}
PhysicsWorld* PhysicsBodyGetWorld(const PhysicsBody* body) {
  return body->world;
}

void PhysicsBodySetMassMatrix(PhysicsBody* body, float mass, float ixx, float iyy, float izz) {
  btRigidBody* rb = body->rigid.get();
  btDiscreteDynamicsWorld* dyn = body->world->dynamics.get();
  // A mass only takes effect on a body that (re-)enters the world.
  if (body->added) {
    dyn->removeRigidBody(rb);
  }
  PhysicsCollision* col = body->collision;
  if (mass > 0.0f && col->hasOffset && !body->compound) {
    // The centre of mass stays at the body origin, away from the shape.
    float m[16];
    PhysicsBodyGetMatrix(body, m);
    if (!col->compound) {
      col->compound = std::make_unique<btCompoundShape>(false, 1);
      col->compound->addChildShape(col->offset, col->shape.get());
    }
    rb->setCollisionShape(col->compound.get());
    body->compound = true;
    rb->setCenterOfMassTransform(PhysicsToTransform(m));
  }
  body->mass = mass > 0.0f ? mass : 0.0f;
  if (body->mass > 0.0f) {
    rb->setMassProps(body->mass, btVector3(ixx, iyy, izz));
  } else {
    rb->setMassProps(0.0f, btVector3(0, 0, 0));
    rb->setLinearVelocity(btVector3(0, 0, 0));
    rb->setAngularVelocity(btVector3(0, 0, 0));
  }
  rb->updateInertiaTensor();
  if (body->added) {
    dyn->addRigidBody(rb);
  }
  rb->activate(true);
}

float PhysicsBodyGetMass(const PhysicsBody* body) {
  return body->mass;
}

void PhysicsBodySetMatrix(PhysicsBody* body, const float* matrix) {
  btRigidBody* rb = body->rigid.get();
  btVector3 oldMins, oldMaxs, mins, maxs;
  rb->getAabb(oldMins, oldMaxs);
  rb->setCenterOfMassTransform(body->Offset() ? PhysicsToTransform(matrix) * body->collision->offset
                                              : PhysicsToTransform(matrix));
  rb->getAabb(mins, maxs);
  PhysicsWorld* world = body->world;
  if (body->outside && world->Contains(mins, maxs)) {
    std::erase(world->frozen, body);
    body->outside = false;
    world->pending.push_back(body);
  }
  if (IsDynamic(body)) {
    rb->activate(true);  // a moved body has to look for new contacts
  } else if (body->added) {
    // Bodies resting on it, or in its way, sleep and would never notice:
    // wake whatever its old or new place touches.
    const btVector3 margin(kPhysicsWakeMargin, kPhysicsWakeMargin, kPhysicsWakeMargin);
    btVector3 lo = oldMins, hi = oldMaxs;
    lo.setMin(mins);
    hi.setMax(maxs);
    PhysicsWakeBodiesIn(world, lo - margin, hi + margin);
  }
}

bool PhysicsBodyIsOutsideWorld(const PhysicsBody* body) {
  return body->outside;
}

void PhysicsBodyGetMatrix(const PhysicsBody* body, float* matrix) {
  const btTransform& t = body->rigid->getWorldTransform();
  PhysicsFromTransform(body->Offset() ? t * body->collision->offsetInverse : t, matrix);
}

void PhysicsBodySetTransformCallback(PhysicsBody* body, PhysicsTransformCallback callback) {
  body->transformCallback = callback;
}

void PhysicsBodySetForceAndTorqueCallback(PhysicsBody* body, PhysicsForceCallback callback) {
  body->forceCallback = callback;
}

void PhysicsBodySetFreezeTreshold(PhysicsBody* body, float linearSpeedSq, float angularSpeedSq,
                                  int) {
  body->rigid->setSleepingThresholds(std::sqrt(std::max(linearSpeedSq, 0.0f)),
                                     std::sqrt(std::max(angularSpeedSq, 0.0f)));
}

void PhysicsBodySetMaterialGroupID(PhysicsBody* body, int id) {
  body->group = id;
}
int PhysicsBodyGetMaterialGroupID(const PhysicsBody* body) {
  return body->group;
}

void PhysicsBodySetContinuousCollisionMode(PhysicsBody* body, int state) {
  btRigidBody* rb = body->rigid.get();
  if (!state) {
    rb->setCcdMotionThreshold(0.0f);
    rb->setCcdSweptSphereRadius(0.0f);
    return;
  }
  btVector3 mins, maxs;
  rb->getCollisionShape()->getAabb(btTransform::getIdentity(), mins, maxs);
  btVector3 size = maxs - mins;
  const float r = 0.5f * std::min(size.x(), std::min(size.y(), size.z()));
  rb->setCcdMotionThreshold(r);
  rb->setCcdSweptSphereRadius(0.5f * r);
}

void PhysicsBodyGetAABB(const PhysicsBody* body, float* mins, float* maxs) {
  btVector3 lo, hi;
  body->rigid->getAabb(lo, hi);
  PhysicsStore(lo, mins);
  PhysicsStore(hi, maxs);
}

void PhysicsBodyGetVelocity(const PhysicsBody* body, float* velocity) {
  PhysicsStore(body->rigid->getLinearVelocity(), velocity);
}

void PhysicsBodySetVelocity(PhysicsBody* body, const float* velocity) {
  if (!IsDynamic(body)) {
    return;
  }
  btRigidBody* rb = body->rigid.get();
  btVector3 v = PhysicsVec(velocity);
  if (v != rb->getLinearVelocity()) {
    rb->setLinearVelocity(v);
    if (!v.isZero()) {
      rb->activate(true);
    }
  }
}

void PhysicsBodyGetOmega(const PhysicsBody* body, float* omega) {
  PhysicsStore(body->rigid->getAngularVelocity(), omega);
}

void PhysicsAddBodyImpulse(PhysicsBody* body, const float* deltaVelocity, const float* point) {
  if (!IsDynamic(body)) {
    return;
  }
  btRigidBody* rb = body->rigid.get();
  btVector3 dv = PhysicsVec(deltaVelocity);
  const btScalar len = dv.length();
  if (!(len > 0)) {
    return;
  }
  // The impulse that changes the velocity of the point itself by dv.
  btVector3 n = dv / len;
  btVector3 r = PhysicsVec(point) - rb->getCenterOfMassPosition();
  btVector3 rn = r.cross(n);
  btScalar k = rb->getInvMass() + n.dot((rb->getInvInertiaTensorWorld() * rn).cross(r));
  if (!(k > 0)) {
    return;
  }
  rb->activate(true);
  rb->applyImpulse(n * (len / k), r);
}

void PhysicsBodyAddForce(PhysicsBody* body, const float* force) {
  body->rigid->applyCentralForce(PhysicsVec(force));
}

void PhysicsBodyAddTorque(PhysicsBody* body, const float* torque) {
  body->rigid->applyTorque(PhysicsVec(torque));
}

float PhysicsBodyGetTotalVolume(const PhysicsBody* body) {
  return body->collision->volume;
}

namespace {

// Velocity lost per second in a fluid of viscosity 1 (as a rate of exponential decay).
constexpr float kFluidDragRate = 4.0f;

// Volume and centre of the part of a closed surface below the plane n.x < d.
// Tetrahedra are taken from a point on the plane, so the cut face adds nothing.
float SubmergedVolume(const std::vector<btVector3>& surface, const btTransform& xf,
                      const btVector3& n, float d, btVector3& centre) {
  const btVector3 ref = n * (d / n.length2());
  double volume = 0.0;
  btVector3 moment(0, 0, 0);
  auto tetra = [&](const btVector3& a, const btVector3& b, const btVector3& c) {
    const double v = (a - ref).dot((b - ref).cross(c - ref)) / 6.0;
    volume += v;
    moment += (ref + a + b + c) * btScalar(v * 0.25);
  };
  btVector3 in[3], poly[4];
  for (size_t i = 0; i + 2 < surface.size(); i += 3) {
    float depth[3];
    int below = 0;
    for (int k = 0; k < 3; ++k) {
      in[k] = xf * surface[i + k];
      depth[k] = d - n.dot(in[k]);
      below += depth[k] > 0 ? 1 : 0;
    }
    if (below == 0) {
      continue;
    }
    if (below == 3) {
      tetra(in[0], in[1], in[2]);
      continue;
    }
    int count = 0;
    for (int k = 0; k < 3; ++k) {
      const int j = (k + 1) % 3;
      if (depth[k] > 0) {
        poly[count++] = in[k];
      }
      if ((depth[k] > 0) != (depth[j] > 0)) {
        const float t = depth[k] / (depth[k] - depth[j]);
        poly[count++] = in[k] + (in[j] - in[k]) * t;
      }
    }
    for (int k = 1; k + 1 < count; ++k) {
      tetra(poly[0], poly[k], poly[k + 1]);
    }
  }
  if (volume <= 1e-9) {
    return 0.0f;
  }
  centre = moment / btScalar(volume);
  return static_cast<float>(volume);
}

}  // namespace

void PhysicsBodyAddBuoyancyForce(PhysicsBody* body, float fluidDensity, float linearViscosity,
                                 float angularViscosity, const float* gravity,
                                 PhysicsBuoyancyPlane plane, void* context) {
  if (!IsDynamic(body)) {
    return;
  }
  btRigidBody* rb = body->rigid.get();
  const btVector3 g = PhysicsVec(gravity);
  rb->applyCentralForce(g * body->mass);
  const float total = body->collision->volume;
  if (!(total > 0.0f) || !plane) {
    return;
  }
  float p[4] = {0, 1, 0, 0};
  plane(context, p);
  const btVector3 n(p[0], p[1], p[2]);
  if (n.length2() <= 0) {
    return;
  }
  btVector3 centre;
  const float submerged = SubmergedVolume(
      body->collision->surface,
      body->compound ? rb->getWorldTransform() * body->collision->offset : rb->getWorldTransform(),
      n, p[3], centre);
  if (submerged <= 0.0f) {
    return;
  }
  rb->applyForce(-g * (fluidDensity * submerged), centre - rb->getCenterOfMassPosition());
  // Drag of the whole body once it touches the fluid, so that floating bodies settle.
  const float drag = kFluidDragRate * body->mass;
  rb->applyCentralForce(-rb->getLinearVelocity() * (linearViscosity * drag));
  rb->applyTorque(-rb->getAngularVelocity() * (angularViscosity * drag));
}

void PhysicsBodySetLinearDamping(PhysicsBody* body, float damping) {
  btRigidBody* rb = body->rigid.get();
  rb->setDamping(std::clamp(damping, 0.0f, 1.0f), rb->getAngularDamping());
}

void PhysicsBodySetAngularDamping(PhysicsBody* body, const float* damping) {
  btRigidBody* rb = body->rigid.get();
  // Bullet damps all three axes alike.
  const float a = (damping[0] + damping[1] + damping[2]) / 3.0f;
  rb->setDamping(rb->getLinearDamping(), std::clamp(a, 0.0f, 1.0f));
}

void PhysicsBodySetAutoFreeze(PhysicsBody* body, int state) {
  btRigidBody* rb = body->rigid.get();
  if (state) {
    if (rb->getActivationState() == DISABLE_DEACTIVATION) {
      rb->forceActivationState(ACTIVE_TAG);
    }
  } else {
    rb->forceActivationState(DISABLE_DEACTIVATION);
  }
}

bool PhysicsBodyIsSleeping(const PhysicsBody* body) {
  return !body->rigid->isActive();
}

void PhysicsWorldUnfreezeBody(PhysicsWorld*, PhysicsBody* body) {
  if (IsDynamic(body)) {
    body->rigid->activate(true);
  }
}
