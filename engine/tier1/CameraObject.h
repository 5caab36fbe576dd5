// CameraObject.h - a point of view: field of view, a secondary transform that
// scripts place on top of the world transform, and the PV objects (objects
// drawn in this camera's view space, e.g. a weapon held in front of it).
//
// The camera and each PV object hold a reference to each other; removing
// either from the world breaks the pair. Depends on tier1/WorldObject.h.
#pragma once

#include "tier1/WorldObject.h"

#include <bit>
#include <cstdint>
#include <vector>

// Vertical field of view in radians unless the record sets another: about
// 1.3099, given as its bit pattern because the literal 1.3099f rounds to a
// neighbour three steps away and scripts compare the exact value.
constexpr float kDefaultFieldOfView = std::bit_cast<float>(uint32_t{0x3FA7AACB});

struct CameraObjectParams : ObjectParams {
  CameraObjectParams() : ObjectParams(ObjectType_Camera, ObjectParamsVariant::Camera) {}
  float fieldOfView = kDefaultFieldOfView;
};

class CameraObject : public WorldObject {
  KAZ_POOLED_CLASS(CameraObject)

 public:
  uint32_t GetType() const override { return ObjectType_Camera; }
  bool Create(World* world, const ObjectParams& params) override;
  void Destroy() override;

  float GetFieldOfView() const { return m_fieldOfView; }
  const Matrix4x4& GetSecondaryTransform() const { return m_secondary; }
  void SetSecondaryTransform(const Matrix4x4& m) { m_secondary = m; }

  Matrix4x4 GetViewMatrix() const;
  Matrix4x4 GetProjectionMatrix(float aspect, float zNear, float zFar) const;

  void AttachPVObject(WorldObject* object);
  void DetachPVObject(WorldObject* object);
  const std::vector<Ref<WorldObject>>& GetPVObjects() const { return m_pvObjects; }

 private:
  CameraObject() = default;
  void DetachAllPVObjects();

  float m_fieldOfView = kDefaultFieldOfView;
  Matrix4x4 m_secondary;
  std::vector<Ref<WorldObject>> m_pvObjects;
};
