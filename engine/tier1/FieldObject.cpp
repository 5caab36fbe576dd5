// FieldObject.cpp - fluid fields.
#include "tier1/FieldObject.h"

#include "tier1/Finite.h"

KAZ_DEFINE_POOL(FieldObject, 10);

bool FieldObject::Create(World* world, const ObjectParams& params) {
  if (!WorldObject::Create(world, params) || params.variant != ObjectParamsVariant::Field)
    return false;
  const auto& field = static_cast<const FieldObjectParams&>(params);
  if (!AcceptFinite("CreateFieldObject", field.fluidDensity, field.fluidLinearViscosity,
                    field.fluidAngularViscosity))
    return false;
  m_fieldType = field.fieldType;
  m_fluidDensity = field.fluidDensity;
  m_fluidLinearViscosity = field.fluidLinearViscosity;
  m_fluidAngularViscosity = field.fluidAngularViscosity;
  return true;
}

void FieldObject::Update(float) {
  World* world = GetWorld();
  if (!world || m_fieldType != Field_Fluid) return;
  const AABB box = GetBoundingBox();
  const Vector4D plane(0.0f, 1.0f, 0.0f, box.maxs.y);
  m_found.clear();
  world->GetObjectsInBox(box, m_found, kQueryDynamic);
  for (WorldObject* object : m_found) {
    if (object == this || !object->GetBody()) continue;
    object->SetFluid(m_fluidDensity, m_fluidLinearViscosity, m_fluidAngularViscosity, plane);
    // Never asleep while floating.
    object->SetAutoFreeze(false);
  }
  m_found.clear();
}
