// WorldEnums.h - the numbers scripts give the world: object types, collision
// shapes, light, joint and field types, attach types, path rotations and the
// ray query flags, each as a table of names and meanings.
//
// Script input is checked against these tables, and the generated reference
// lists them. Builds on base/EnumTable.h and the enumerations of tier1.
#pragma once

#include "base/EnumTable.h"

const EnumTable& ObjectTypeTable();     // World.h: WorldObjectType (1..10)
const EnumTable& CollisionTypeTable();  // WorldObject.h: CollisionType
const EnumTable& AttachTypeTable();     // WorldObject.h: AttachType
const EnumTable& LightTypeTable();      // LightObject.h: LightType
const EnumTable& JointTypeTable();      // JointObject.h: JointType
const EnumTable& FieldTypeTable();      // FieldObject.h: FieldType
const EnumTable& PathRotationTable();   // AnimPathObject.h: PathRotationType
const EnumTable& RayQueryFlagTable();   // World.h: kQueryStatic, kQueryDynamic
