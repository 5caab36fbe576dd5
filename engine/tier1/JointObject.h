// JointObject.h - a physics constraint between object 1's body and object 2's
// body, or the world when object 2 has none. The pivot is the joint object's
// translation; pins are world directions.
//
// The joint keeps both objects referenced. Removing a joined object takes its
// body, and with it the constraint, out of the physics; the joint object stays
// until removed itself. Depends on tier1/WorldObject.h.
#pragma once

#include "tier0/Ref.h"
#include "tier1/WorldObject.h"

enum JointType : uint32_t {
  Joint_UpVector = 0,
  Joint_Ball = 1,
  Joint_Hinge = 2,
  Joint_Universal = 3,
  Joint_Slider = 4,
};

struct JointObjectParams : ObjectParams {
  JointObjectParams() : ObjectParams(ObjectType_Joint, ObjectParamsVariant::Joint) {}
  uint32_t jointType = Joint_Ball;
  Vector3D pin1;
  Vector3D pin2;
  float stiffness = 0.9f;
  float maxConeAngle = 0.0f;
  float maxTwistAngle = 0.0f;
  bool jointCollision = false;
  WorldObject* object1 = nullptr;
  WorldObject* object2 = nullptr;
};

class JointObject : public WorldObject {
  KAZ_POOLED_CLASS(JointObject)

 public:
  uint32_t GetType() const override { return ObjectType_Joint; }
  bool Create(World* world, const ObjectParams& params) override;
  void Destroy() override;

  uint32_t GetJointType() const { return m_jointType; }
  PhysicsJoint* GetJoint() const { return m_joint; }
  WorldObject* GetObject1() const { return m_object1.Get(); }
  WorldObject* GetObject2() const { return m_object2.Get(); }

 private:
  JointObject() = default;
  ~JointObject() override;
  void ReleaseAll();

  uint32_t m_jointType = Joint_Ball;
  PhysicsJoint* m_joint = nullptr;
  PhysicsWorld* m_physics = nullptr;  // the physics world the joint lives in
  Ref<WorldObject> m_object1;
  Ref<WorldObject> m_object2;
};
