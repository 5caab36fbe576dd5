// FieldObject.h - a box of fluid: dynamic bodies whose bounds overlap it float
// (field type 2); types 0 and 1 are kept but do nothing.
//
// Fields update after every other object type, once those have cleared their
// fluid marks. Depends on tier1/WorldObject.h.
#pragma once

#include "tier1/WorldObject.h"

#include <vector>

enum FieldType : uint32_t { Field_Type0 = 0, Field_Type1 = 1, Field_Fluid = 2 };

struct FieldObjectParams : ObjectParams {
  FieldObjectParams() : ObjectParams(ObjectType_Field, ObjectParamsVariant::Field) {}
  uint32_t fieldType = 0;
  float fluidDensity = 1.0f;
  float fluidLinearViscosity = 1.0f;
  float fluidAngularViscosity = 1.0f;
};

class FieldObject : public WorldObject {
  KAZ_POOLED_CLASS(FieldObject)

 public:
  uint32_t GetType() const override { return ObjectType_Field; }
  bool Create(World* world, const ObjectParams& params) override;
  void Update(float dt) override;

  uint32_t GetFieldType() const { return m_fieldType; }

 private:
  FieldObject() = default;

  uint32_t m_fieldType = 0;
  float m_fluidDensity = 0.0f;
  float m_fluidLinearViscosity = 0.0f;
  float m_fluidAngularViscosity = 0.0f;
  std::vector<WorldObject*> m_found;  // scratch, kept to avoid allocating every frame
};
