// JointObject.cpp - joint creation by type and teardown.
#include "tier1/JointObject.h"

#include "base/Log.h"
#include "tier1/Finite.h"

KAZ_DEFINE_POOL(JointObject, 10);

namespace {
void ToFloats(const Vector3D& v, float* out) {
  out[0] = v.x, out[1] = v.y, out[2] = v.z;
}
}  // namespace

JointObject::~JointObject() {
  ReleaseAll();
}

bool JointObject::Create(World* world, const ObjectParams& params) {
  if (params.colType != Collision_None || params.dynamic) {
    LogDetail("CreateJointObject: Cannot make a physics joint a physics body.");
    return false;
  }
  if (!WorldObject::Create(world, params) || params.variant != ObjectParamsVariant::Joint ||
      params.type != ObjectType_Joint)
    return false;
  const auto& rec = static_cast<const JointObjectParams&>(params);
  if (!AcceptFinite("CreateJointObject", rec.pin1, rec.pin2, rec.stiffness, rec.maxConeAngle,
                    rec.maxTwistAngle))
    return false;
  if (!rec.object1 || !rec.object1->GetBody()) {
    LogDetail("CreateJointObject: At least one physical object must be given.");
    return false;
  }
  PhysicsWorld* physics = world->GetPhysicsWorld();
  PhysicsBody* child = rec.object1->GetBody();
  PhysicsBody* parent = rec.object2 ? rec.object2->GetBody() : nullptr;
  float pivot[3], pin1[3], pin2[3];
  ToFloats(GetWorldTransform().GetTranslation(), pivot);
  ToFloats(rec.pin1, pin1);
  ToFloats(rec.pin2, pin2);
  PhysicsJoint* joint = nullptr;
  switch (rec.jointType) {
    case Joint_UpVector:
      joint = PhysicsConstraintCreateUpVector(physics, pin1, child);
      break;
    case Joint_Ball:
      joint = PhysicsConstraintCreateBall(physics, pivot, child, parent);
      if (joint) PhysicsBallSetConeLimits(joint, pin1, rec.maxConeAngle, rec.maxTwistAngle);
      break;
    case Joint_Hinge:
      joint = PhysicsConstraintCreateHinge(physics, pivot, pin1, child, parent);
      break;
    case Joint_Universal:
      joint = PhysicsConstraintCreateUniversal(physics, pivot, pin1, pin2, child, parent);
      break;
    case Joint_Slider:
      joint = PhysicsConstraintCreateSlider(physics, pivot, pin1, child, parent);
      break;
    default:
      LogDetail("CreateJointObject: Invalid joint type requested (%d)",
                static_cast<int>(rec.jointType));
      break;
  }
  if (!joint) {
    LogDetail("CreateJoint failed for type %d", static_cast<int>(rec.jointType));
    return false;
  }
  PhysicsJointSetStiffness(joint, rec.stiffness);
  PhysicsJointSetCollisionState(joint, rec.jointCollision ? 1 : 0);
  m_joint = joint;
  m_physics = physics;
  m_object1 = Ref<WorldObject>::Share(rec.object1);
  m_object2 = Ref<WorldObject>::Share(rec.object2);
  m_jointType = rec.jointType;
  return true;
}

void JointObject::ReleaseAll() {
  // A joined body destroyed first has already retired the constraint; the
  // handle stays ours to free.
  if (m_joint) PhysicsDestroyJoint(m_physics, m_joint);
  m_joint = nullptr;
  m_physics = nullptr;
  m_object1.Reset();
  m_object2.Reset();
}

void JointObject::Destroy() {
  ReleaseAll();
  WorldObject::Destroy();
}
