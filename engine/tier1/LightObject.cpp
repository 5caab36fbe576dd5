// LightObject.cpp - light creation from its record.
#include "tier1/LightObject.h"

KAZ_DEFINE_POOL(LightObject, 10);

bool LightObject::Create(World* world, const ObjectParams& params) {
  if (!WorldObject::Create(world, params)) return false;
  // Another record leaves a black light of type 0.
  if (params.variant != ObjectParamsVariant::Light) return true;
  const auto& light = static_cast<const LightObjectParams&>(params);
  m_lightType = light.lightType;
  m_colour = light.colour;
  m_castsShadows = light.castsShadows;
  const float r = params.radius;
  SetRadius(r);
  SetBox(Vector3D(-r, -r, -r), Vector3D(r, r, r));
  return true;
}
