// NullObject.h - a bare transform in the world: a marker, or a parent that
// other objects are attached to. Depends on tier1/WorldObject.h.
#pragma once

#include "tier1/WorldObject.h"

class NullObject : public WorldObject {
  KAZ_POOLED_CLASS(NullObject)

 public:
  using WorldObject::Create;
  uint32_t GetType() const override { return ObjectType_Null; }

 private:
  NullObject() = default;
};
