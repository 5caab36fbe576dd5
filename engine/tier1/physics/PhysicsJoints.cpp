// PhysicsJoints.cpp - constraints between one body and another or the world.
//
// Every joint is kept on its bodies' joint lists, so that destroying a body
// takes its joints out of the solver; the joint handle then stays valid but
// inert until its owner destroys it.
#include "tier1/physics/PhysicsInternal.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

btRigidBody& RigidOf(PhysicsBody* body) {
  return body ? *body->rigid : btTypedConstraint::getFixedBody();
}

// A world-space frame at `pivot` whose column `axis` is the unit pin.
bool PinFrame(const float* pivot, const float* pin, int axis, btTransform& frame) {
  btVector3 p = PhysicsVec(pin);
  if (!(p.length2() > 1e-12f)) {
    return false;
  }
  p.normalize();
  btVector3 u, v;
  btPlaneSpace1(p, u, v);
  btVector3 cols[3];
  cols[axis] = p;
  cols[(axis + 1) % 3] = u;
  cols[(axis + 2) % 3] = v;
  btMatrix3x3 basis(cols[0].x(), cols[1].x(), cols[2].x(), cols[0].y(), cols[1].y(), cols[2].y(),
                    cols[0].z(), cols[1].z(), cols[2].z());
  frame = btTransform(basis, PhysicsVec(pivot));
  return true;
}

btTransform LocalFrame(PhysicsBody* body, const btTransform& world) {
  return RigidOf(body).getWorldTransform().inverse() * world;
}

PhysicsJoint* Register(PhysicsWorld* world, btTypedConstraint* constraint, PhysicsBody* child,
                       PhysicsBody* parent) {
  auto* joint = new PhysicsJoint;
  joint->world = world;
  joint->constraint.reset(constraint);
  joint->child = child;
  joint->parent = parent;
  PhysicsAttachJoint(joint);
  return joint;
}

bool Usable(PhysicsWorld* world, PhysicsBody* child, PhysicsBody* parent) {
  return world && child && child != parent && child->world == world &&
         (!parent || parent->world == world);
}

// A softer joint corrects its error more slowly and mixes more of the force
// it needs into the motion it allows: with t the stiffness over the default,
// error reduction 0.2 t^2 and constraint force mixing 1 - t^2 (kept below 1,
// where the solver's iterations stop converging). At the fixed step a body
// of mass 1 hanging from a ball joint sinks half a unit within a second at
// stiffness 0.1 (settling near a unit) and two millimetres at 0.5.
void ApplyStiffness(PhysicsJoint* joint) {
  const float t = std::min(joint->stiffness / kPhysicsDefaultStiffness, 1.0f);
  // A joint that was never softened keeps the solver's own settings.
  if (t >= 1.0f && !joint->softened) return;
  joint->softened = true;
  const float erp = kPhysicsJointErp * t * t;
  const float cfm = std::min(1.0f - t * t, kPhysicsMaxJointMixing);
  btTypedConstraint* c = joint->constraint.get();
  auto set = [c](int erpParam, int cfmParam, std::initializer_list<int> axes, float e, float m) {
    for (int axis : axes) {
      c->setParam(erpParam, e, axis);
      c->setParam(cfmParam, m, axis);
    }
  };
  switch (c->getConstraintType()) {
    case POINT2POINT_CONSTRAINT_TYPE:
    case HINGE_CONSTRAINT_TYPE:
      set(BT_CONSTRAINT_ERP, BT_CONSTRAINT_CFM, {-1}, erp, cfm);
      break;
    case CONETWIST_CONSTRAINT_TYPE:  // the linear rows hold the pivot
      set(BT_CONSTRAINT_ERP, BT_CONSTRAINT_CFM, {0, 1, 2}, erp, cfm);
      break;
    case SLIDER_CONSTRAINT_TYPE:  // the rows across the rail
      set(BT_CONSTRAINT_STOP_ERP, BT_CONSTRAINT_CFM, {1, 2, 4, 5}, erp, cfm);
      break;
    case D6_CONSTRAINT_TYPE:  // locked axes are limits
      set(BT_CONSTRAINT_STOP_ERP, BT_CONSTRAINT_STOP_CFM, {0, 1, 2, 3, 4, 5}, erp, cfm);
      break;
    default:
      break;
  }
}

}  // namespace

void PhysicsAttachJoint(PhysicsJoint* joint) {
  if (!joint->constraint) {
    return;
  }
  ApplyStiffness(joint);
  joint->world->dynamics->addConstraint(joint->constraint.get(), joint->collide == 0);
  for (PhysicsBody* body : {joint->child, joint->parent}) {
    if (body && std::find(body->joints.begin(), body->joints.end(), joint) == body->joints.end()) {
      body->joints.push_back(joint);
    }
    if (body) {
      body->rigid->activate(true);
    }
  }
}

void PhysicsDetachJoint(PhysicsJoint* joint) {
  if (joint->constraint) {
    joint->world->dynamics->removeConstraint(joint->constraint.get());
  }
  for (PhysicsBody* body : {joint->child, joint->parent}) {
    if (body) {
      body->joints.erase(std::remove(body->joints.begin(), body->joints.end(), joint),
                         body->joints.end());
      // A body held still by the joint would otherwise sleep on in mid-air.
      if (body->rigid) {
        body->rigid->activate(true);
      }
    }
  }
}

PhysicsJoint* PhysicsConstraintCreateUpVector(PhysicsWorld* world, const float* pin,
                                              PhysicsBody* body) {
  if (!Usable(world, body, nullptr)) {
    return nullptr;
  }
  const float origin[3] = {0, 0, 0};
  btTransform frame;
  if (!PinFrame(origin, pin, 0, frame)) {
    return nullptr;
  }
  // Keep the body's pin along the world direction; free otherwise.
  btTransform inBody = body->rigid->getWorldTransform().inverse() * frame;
  inBody.setOrigin(btVector3(0, 0, 0));
  btTransform inWorld = frame;
  inWorld.setOrigin(body->rigid->getWorldTransform().getOrigin());
  auto* c = new btGeneric6DofConstraint(btTypedConstraint::getFixedBody(), *body->rigid, inWorld,
                                        inBody, true);
  c->setLinearLowerLimit(btVector3(1, 1, 1));
  c->setLinearUpperLimit(btVector3(-1, -1, -1));
  c->setAngularLowerLimit(btVector3(1, 0, 0));
  c->setAngularUpperLimit(btVector3(-1, 0, 0));
  return Register(world, c, body, nullptr);
}

PhysicsJoint* PhysicsConstraintCreateBall(PhysicsWorld* world, const float* pivot,
                                          PhysicsBody* child, PhysicsBody* parent) {
  if (!Usable(world, child, parent)) {
    return nullptr;
  }
  btVector3 p = PhysicsVec(pivot);
  btVector3 inChild = child->rigid->getWorldTransform().inverse() * p;
  btVector3 inParent = RigidOf(parent).getWorldTransform().inverse() * p;
  auto* c = new btPoint2PointConstraint(*child->rigid, RigidOf(parent), inChild, inParent);
  return Register(world, c, child, parent);
}

void PhysicsBallSetConeLimits(PhysicsJoint* joint, const float* pin, float maxConeAngle,
                              float maxTwistAngle) {
  if (!joint || !joint->alive || !joint->constraint) {
    return;
  }
  btTypedConstraint* c = joint->constraint.get();
  auto* ball = c->getConstraintType() == POINT2POINT_CONSTRAINT_TYPE
                   ? static_cast<btPoint2PointConstraint*>(c)
                   : nullptr;
  auto* cone = c->getConstraintType() == CONETWIST_CONSTRAINT_TYPE
                   ? static_cast<btConeTwistConstraint*>(c)
                   : nullptr;
  if (!ball && !cone) {
    return;
  }
  if (maxConeAngle == 0.0f && maxTwistAngle == 0.0f && ball) {
    return;  // no limits: the plain ball stays
  }
  btVector3 pivotWorld =
      cone ? (joint->child->rigid->getWorldTransform() * cone->getAFrame()).getOrigin()
           : joint->child->rigid->getWorldTransform() * ball->getPivotInA();
  float pivot[3];
  PhysicsStore(pivotWorld, pivot);
  btTransform frame;
  if (!PinFrame(pivot, pin, 0, frame)) {
    return;
  }
  // Bullet's cone twist is the ball with limits about the pin (its x axis).
  auto* limited =
      new btConeTwistConstraint(*joint->child->rigid, RigidOf(joint->parent),
                                LocalFrame(joint->child, frame), LocalFrame(joint->parent, frame));
  const btScalar swing = maxConeAngle > 0.0f ? maxConeAngle : btScalar(BT_LARGE_FLOAT);
  const btScalar twist = maxTwistAngle > 0.0f ? maxTwistAngle : btScalar(BT_LARGE_FLOAT);
  limited->setLimit(swing, swing, twist);
  PhysicsDetachJoint(joint);
  joint->constraint.reset(limited);
  PhysicsAttachJoint(joint);
}

PhysicsJoint* PhysicsConstraintCreateHinge(PhysicsWorld* world, const float* pivot,
                                           const float* pin, PhysicsBody* child,
                                           PhysicsBody* parent) {
  btTransform frame;
  if (!Usable(world, child, parent) || !PinFrame(pivot, pin, 2, frame)) {
    return nullptr;
  }
  // Bullet's hinge turns about the frames' z axis.
  auto* c = new btHingeConstraint(*child->rigid, RigidOf(parent), LocalFrame(child, frame),
                                  LocalFrame(parent, frame));
  return Register(world, c, child, parent);
}

PhysicsJoint* PhysicsConstraintCreateUniversal(PhysicsWorld* world, const float* pivot,
                                               const float* pin0, const float* pin1,
                                               PhysicsBody* child, PhysicsBody* parent) {
  if (!Usable(world, child, parent)) {
    return nullptr;
  }
  btVector3 a = PhysicsVec(pin0);
  btVector3 b = PhysicsVec(pin1);
  if (!(a.length2() > 1e-12f)) {
    return nullptr;
  }
  a.normalize();
  // Bullet needs the two pins at right angles.
  b -= a * a.dot(b);
  if (!(b.length2() > 1e-12f)) {
    return nullptr;
  }
  b.normalize();
  btVector3 anchor = PhysicsVec(pivot);
  auto* c = new btUniversalConstraint(*child->rigid, RigidOf(parent), anchor, a, b);
  return Register(world, c, child, parent);
}

PhysicsJoint* PhysicsConstraintCreateSlider(PhysicsWorld* world, const float* pivot,
                                            const float* pin, PhysicsBody* child,
                                            PhysicsBody* parent) {
  btTransform frame;
  if (!Usable(world, child, parent) || !PinFrame(pivot, pin, 0, frame)) {
    return nullptr;
  }
  // Bullet's slider moves along the frames' x axis; rotation stays locked.
  auto* c = new btSliderConstraint(*child->rigid, RigidOf(parent), LocalFrame(child, frame),
                                   LocalFrame(parent, frame), true);
  return Register(world, c, child, parent);
}

void PhysicsJointSetStiffness(PhysicsJoint* joint, float stiffness) {
  // Not a positive number: the joint stays as it is.
  if (!joint || !(stiffness > 0.0f) || !std::isfinite(stiffness)) {
    return;
  }
  joint->stiffness = stiffness;
  if (joint->alive && joint->constraint) {
    ApplyStiffness(joint);
    for (PhysicsBody* body : {joint->child, joint->parent}) {
      if (body) body->rigid->activate(true);
    }
  }
}

float PhysicsJointGetStiffness(const PhysicsJoint* joint) {
  return joint ? joint->stiffness : 0.0f;
}

void PhysicsJointSetCollisionState(PhysicsJoint* joint, int state) {
  if (!joint) {
    return;
  }
  state = state ? 1 : 0;
  if (state == joint->collide) {
    return;
  }
  // Bullet decides this when the constraint enters the world.
  if (joint->alive) {
    PhysicsDetachJoint(joint);
    joint->collide = state;
    PhysicsAttachJoint(joint);
  } else {
    joint->collide = state;
  }
}

int PhysicsJointGetCollisionState(const PhysicsJoint* joint) {
  return joint ? joint->collide : 0;
}
bool PhysicsJointIsAlive(const PhysicsJoint* joint) {
  return joint && joint->alive;
}

void PhysicsDestroyJoint(PhysicsWorld*, PhysicsJoint* joint) {
  if (!joint) {
    return;
  }
  if (joint->alive) {
    PhysicsDetachJoint(joint);
  }
  delete joint;
}
