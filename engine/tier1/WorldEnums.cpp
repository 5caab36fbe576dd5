// WorldEnums.cpp - the tables of WorldEnums.h.
#include "tier1/WorldEnums.h"

#include "tier1/AnimPathObject.h"
#include "tier1/FieldObject.h"
#include "tier1/JointObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"
#include "tier1/WorldObject.h"

namespace {

constexpr EnumValue kObjectTypes[] = {
    {ObjectType_Null, "Null", "A bare transform: a marker, or a parent to attach objects to."},
    {ObjectType_Camera, "Camera", "A point of view; _World.SetRenderCamera draws through it."},
    {ObjectType_StaticMesh, "StaticMesh", "A mesh file (.mesh) with its materials and collision."},
    {ObjectType_DynamicMesh, "DynamicMesh",
     "A skinned, animated character (an XML definition over Cal3D files)."},
    {ObjectType_Light, "Light", "A light of a light type, a colour and a radius."},
    {ObjectType_Joint, "Joint", "A physics constraint between one or two bodies."},
    {ObjectType_Sound, "Sound", "A sound emitter, positional or not."},
    {ObjectType_AnimPath, "AnimPath", "A path of waypoints that moves objects along it."},
    {ObjectType_ParticleSystem, "ParticleSystem", "An emitter of camera-facing particles."},
    {ObjectType_Field, "Field", "A box of fluid in which dynamic bodies float."},
};

constexpr EnumValue kCollisionTypes[] = {
    {Collision_None, "None", "No body (a dynamic object without a shape gets none either)."},
    {Collision_Sphere, "Sphere", "A sphere of the object's radius."},
    {Collision_Box, "Box", "The object's box (mins to maxs)."},
    {Collision_Capsule, "Capsule", "An upright capsule fitted to the box."},
    {Collision_Cylinder, "Cylinder", "An upright cylinder fitted to the box."},
    {Collision_ConvexHull, "ConvexHull",
     "The convex hull of a static mesh's collision points (StaticMesh only)."},
    {Collision_TriangleMesh, "TriangleMesh",
     "A static mesh's collision triangles as they are (StaticMesh only)."},
};

constexpr EnumValue kAttachTypes[] = {
    {Attach_Transform, "Transform", "The child follows the parent's position and orientation."},
    {Attach_Position, "Position", "The child follows the parent's position only."},
    {Attach_Orientation, "Orientation", "The child follows the parent's orientation only."},
};

constexpr EnumValue kLightTypes[] = {
    {Light_Marker, "Marker",
     "Listed with the objects it reaches but drawn by no built-in pass; the default."},
    {Light_Point, "Point",
     "A point light of the light's radius: every object is drawn once more per such light in "
     "the Lit pass (16 per object at most)."},
};

constexpr EnumValue kJointTypes[] = {
    {Joint_UpVector, "UpVector", "Keeps object1 upright along pinDir1."},
    {Joint_Ball, "Ball", "Ball and socket at the joint's position; pinDir1 is the cone's axis."},
    {Joint_Hinge, "Hinge", "A hinge at the joint's position turning about pinDir1."},
    {Joint_Universal, "Universal", "Turns about pinDir1 and pinDir2."},
    {Joint_Slider, "Slider", "Slides along pinDir1."},
};

constexpr EnumValue kFieldTypes[] = {
    {Field_Type0, "Inert0", "Accepted and kept; does nothing."},
    {Field_Type1, "Inert1", "Accepted and kept; does nothing."},
    {Field_Fluid, "Fluid", "Dynamic bodies inside float, slowed by the viscosities."},
};

constexpr EnumValue kPathRotations[] = {
    {PathRotation_Keep, "Keep", "The object keeps its rotation."},
    {PathRotation_Unused, "Keep1", "Accepted; the object keeps its rotation."},
    {PathRotation_FacePath, "FacePath", "The object faces along the path."},
    {PathRotation_LookAtOrigin, "LookAtOrigin", "The object looks at the world's origin."},
};

constexpr EnumValue kRayFlags[] = {
    {kQueryStatic, "Static", "Objects that are not dynamic count."},
    {kQueryDynamic, "Dynamic", "Dynamic objects count (add the flags for both)."},
};

}  // namespace

const EnumTable& ObjectTypeTable() {
  static const EnumTable table{"Object types", "_World.CreateObject's first argument; objGetType",
                               kObjectTypes};
  return table;
}

const EnumTable& CollisionTypeTable() {
  static const EnumTable table{"Collision types", "CreateObject key \"colType\"", kCollisionTypes};
  return table;
}

const EnumTable& AttachTypeTable() {
  static const EnumTable table{"Attach types", "_World.objAttachObject's third argument",
                               kAttachTypes};
  return table;
}

const EnumTable& LightTypeTable() {
  static const EnumTable table{"Light types", "CreateObject key \"type\" of a Light", kLightTypes};
  return table;
}

const EnumTable& JointTypeTable() {
  static const EnumTable table{"Joint types", "CreateObject key \"type\" of a Joint", kJointTypes};
  return table;
}

const EnumTable& FieldTypeTable() {
  static const EnumTable table{"Field types", "CreateObject key \"type\" of a Field", kFieldTypes};
  return table;
}

const EnumTable& PathRotationTable() {
  static const EnumTable table{"Path rotation types", "_World.animAddWaypoint's fourth argument",
                               kPathRotations};
  return table;
}

const EnumTable& RayQueryFlagTable() {
  static const EnumTable table{"Ray query flags (bits)", "_World.IntersectRay's third argument",
                               kRayFlags};
  return table;
}
