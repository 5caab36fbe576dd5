// ObjectTypes.cpp - the world's object type table: each type's name and the
// class behind it. The classes of this floor are there from the start; the
// render area installs its meshes and particle systems (World::SetObjectFactory).
#include "tier1/World.h"

#include "tier1/AnimPathObject.h"
#include "tier1/CameraObject.h"
#include "tier1/FieldObject.h"
#include "tier1/JointObject.h"
#include "tier1/LightObject.h"
#include "tier1/NullObject.h"
#include "tier1/SoundObject.h"
#include "tier1/WorldEnums.h"

namespace {

template <class T>
WorldObject* Make() {
  return T::Create();
}

WorldObjectFactory g_factories[kObjectTypeCount] = {
    nullptr,           Make<NullObject>,  Make<CameraObject>,
    nullptr,           nullptr,           Make<LightObject>,
    Make<JointObject>, Make<SoundObject>, Make<AnimPathObject>,
    nullptr,           Make<FieldObject>,
};

}  // namespace

const char* GetObjectTypeName(uint32_t type) {
  const EnumValue* value = ObjectTypeTable().Find(type);
  return value ? value->name : "Unknown";
}

void World::SetObjectFactory(uint32_t type, WorldObjectFactory factory) {
  if (type >= 1 && type < kObjectTypeCount) g_factories[type] = factory;
}

WorldObjectFactory World::GetObjectFactory(uint32_t type) {
  return (type >= 1 && type < kObjectTypeCount) ? g_factories[type] : nullptr;
}
