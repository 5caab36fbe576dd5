// LightObject.h - a light: its type, colour and whether it casts shadows.
// The world renderer gives the types their meaning. Depends on tier1/WorldObject.h.
#pragma once

#include "tier1/WorldObject.h"

// What the world renderer does with a light (WorldEnums.h names them).
enum LightType : uint32_t {
  Light_Marker = 0,
  Light_Point = 1,
};

struct LightObjectParams : ObjectParams {
  LightObjectParams() : ObjectParams(ObjectType_Light, ObjectParamsVariant::Light) {}
  uint32_t lightType = Light_Marker;
  Vector3D colour{1.0f, 1.0f, 1.0f};
  bool castsShadows = false;
};

class LightObject : public WorldObject {
  KAZ_POOLED_CLASS(LightObject)

 public:
  uint32_t GetType() const override { return ObjectType_Light; }
  bool Create(World* world, const ObjectParams& params) override;

  uint32_t GetLightType() const { return m_lightType; }
  const Vector3D& GetColour() const { return m_colour; }
  void SetColour(const Vector3D& colour) { m_colour = colour; }
  bool CastsShadows() const { return m_castsShadows; }

 private:
  LightObject() = default;

  uint32_t m_lightType = 0;
  Vector3D m_colour;
  bool m_castsShadows = false;
};
