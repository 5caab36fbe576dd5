// ObjectTypes.cpp - the world's object types: each type's name and the class
// behind it. The classes of this floor are made here; the render area installs
// the makers of its meshes and particle systems (World::SetObjectMaker).
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

WorldObjectMaker* g_installed[kObjectTypeCount] = {};

// The classes of this floor.
WorldObject* MakeOwnType(uint32_t type) {
  switch (type) {
    case ObjectType_Null:
      return NullObject::Create();
    case ObjectType_Camera:
      return CameraObject::Create();
    case ObjectType_Light:
      return LightObject::Create();
    case ObjectType_Joint:
      return JointObject::Create();
    case ObjectType_Sound:
      return SoundObject::Create();
    case ObjectType_AnimPath:
      return AnimPathObject::Create();
    case ObjectType_Field:
      return FieldObject::Create();
    default:
      return nullptr;
  }
}

bool IsOwnType(uint32_t type) {
  switch (type) {
    case ObjectType_Null:
    case ObjectType_Camera:
    case ObjectType_Light:
    case ObjectType_Joint:
    case ObjectType_Sound:
    case ObjectType_AnimPath:
    case ObjectType_Field:
      return true;
    default:
      return false;
  }
}

}  // namespace

const char* GetObjectTypeName(uint32_t type) {
  const EnumValue* value = ObjectTypeTable().Find(type);
  return value ? value->name : "Unknown";
}

void World::SetObjectMaker(uint32_t type, WorldObjectMaker* maker) {
  if (type >= 1 && type < kObjectTypeCount) g_installed[type] = maker;
}

bool World::CanMakeObject(uint32_t type) {
  return type >= 1 && type < kObjectTypeCount && (g_installed[type] || IsOwnType(type));
}

WorldObject* World::MakeObject(uint32_t type) {
  if (type < 1 || type >= kObjectTypeCount) return nullptr;
  return g_installed[type] ? g_installed[type]->Make() : MakeOwnType(type);
}
