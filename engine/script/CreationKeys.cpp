// CreationKeys.cpp - every type's creation keys; see CreationKeys.h.
#include "script/CreationKeys.h"

#include "render/world/cal3d/DynamicMeshObject.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/StaticMeshObject.h"
#include "tier1/CameraObject.h"
#include "tier1/FieldObject.h"
#include "tier1/JointObject.h"
#include "tier1/LightObject.h"
#include "tier1/SoundObject.h"
#include "tier1/WorldEnums.h"
#include "tier1/WorldObject.h"

namespace {

using V = CreationKeyVisitor;

void LightKeys(LightObjectParams& p, V& v) {
  v.Enum({"type", "What the renderer does with the light."}, p.lightType, LightTypeTable());
  v.Colour({"color", "The light's colour; components above 1 brighten."}, p.colour);
  v.Bool({"castShadows",
          "A point light's shadows: objects whose effects have a ShadowMap technique "
          "darken what lies behind them (see EnableShadowMaps)."},
         p.castsShadows);
}

void JointKeys(JointObjectParams& p, V& v) {
  v.Enum({"type", "The kind of constraint."}, p.jointType, JointTypeTable());
  v.Vector({"pinDir1", "The first pin (a world direction); see the joint types."}, p.pin1);
  v.Vector({"pinDir2", "The second pin, for the universal joint."}, p.pin2);
  v.Float({"stiffness", "How firmly the constraint holds, 0 to 1."}, p.stiffness);
  v.Float({"maxConeAngle", "A ball joint's cone limit in radians (0: none)."}, p.maxConeAngle);
  v.Float({"maxTwistAngle", "A ball joint's twist limit in radians (0: none)."}, p.maxTwistAngle);
  v.Bool({"enableJointCollision", "Whether the two joined bodies still collide."},
         p.jointCollision);
  v.Object({"object1", "The joined object; it must have a body.", true}, p.object1);
  v.Object({"object2", "The second object, or none to join object1 to the world."}, p.object2);
}

void SoundKeys(SoundObjectParams& p, V& v) {
  v.String({"filename",
            "A .wav file (played from memory) or .ogg file (streamed); empty makes "
            "a silent object."},
           p.fileName);
  v.Bool({"play", "Starts playing at once."}, p.play);
  v.Bool({"loop", "Plays in a loop."}, p.loop);
  v.Bool({"positional", "Heard from the object's position (else at the listener)."}, p.positional);
}

void FieldKeys(FieldObjectParams& p, V& v) {
  v.Enum({"type", "What the field does."}, p.fieldType, FieldTypeTable());
  v.Float({"fluidDensity", "How strongly bodies are lifted."}, p.fluidDensity);
  v.Float({"fluidLinearViscosity", "How strongly motion is slowed."}, p.fluidLinearViscosity);
  v.Float({"fluidAngularViscosity", "How strongly turning is slowed."}, p.fluidAngularViscosity);
}

void StaticMeshKeys(StaticMeshObjectParams& p, V& v) {
  v.String({"filename", "The .mesh file.", true}, p.fileName);
  v.Materials({"materials", "Materials for the mesh's material groups, by group name."},
              p.materials);
  v.Material({"defaultMaterial",
              "For the groups \"materials\" does not name (else the engine's "
              "default material, RenderEffects/default.fx)."},
             p.defaultMaterial);
}

void DynamicMeshKeys(DynamicMeshObjectParams& p, V& v) {
  v.String({"filename", "The character's XML definition file.", true}, p.fileName);
  v.String({"defaultCycleAnim", "An animation to loop from the start."}, p.defaultCycle);
  v.Materials({"materials", "Materials for the definition's materials, by name."}, p.materials);
  v.Material({"defaultMaterial", "For the materials \"materials\" does not name."},
             p.defaultMaterial);
}

void ParticleKeys(ParticleSystemObjectParams& p, V& v) {
  ParticleSystemSettings& s = p.settings;
  v.Material({"material", "What the particles are drawn with (its Particles technique).", true},
             p.material);
  v.Count({"maxParticles", "Most particles alive at once (1 to 65536)."}, s.maxParticles);
  v.Count({"particlesPerEmission", "Particles made at each emission."}, s.particlesPerEmission);
  v.Float({"emissionInterval", "Seconds between emissions."}, s.emissionInterval);
  v.Count({"particlesOnCreate", "Particles made when the system is created."}, s.particlesOnCreate);
  v.Float({"ageOffsetOnCreate", "Seconds those first particles have already lived."},
          s.ageOffsetOnCreate);
  v.Bool({"playing", "Emits from the start."}, p.playing);
  v.Float({"minLife", "Shortest life of a particle in seconds."}, s.minLife);
  v.Float({"maxLife", "Longest life of a particle in seconds."}, s.maxLife);
  v.Vector({"minVelocity", "Smallest starting velocity, per component."}, s.minVelocity);
  v.Vector({"maxVelocity", "Largest starting velocity, per component."}, s.maxVelocity);
  v.Float({"minRotation", "Smallest starting rotation in degrees."}, s.minRotation);
  v.Float({"maxRotation", "Largest starting rotation in degrees."}, s.maxRotation);
  v.Float({"minTorque", "Slowest turning in degrees per second."}, s.minTorque);
  v.Float({"maxTorque", "Fastest turning in degrees per second."}, s.maxTorque);
  v.ColourKeys({"colorKeys", "Colour over a particle's life (times 0 to 1)."}, s.colourTrack);
  v.RadiusKeys({"radiusKeys", "Radius over a particle's life (times 0 to 1)."}, s.radiusTrack);
  v.Bool({"sorted", "Draws the particles back to front."}, s.sorted);
  v.Float({"minEmitRadius", "Nearest start from the system, for the sphere shape."},
          s.minEmitRadius);
  v.Float({"maxEmitRadius", "Farthest start from the system, for the sphere shape."},
          s.maxEmitRadius);
  v.Enum({"emitterShape", "Where particles start."}, s.emitterShape, EmitterShapeTable());
}

}  // namespace

std::unique_ptr<ObjectParams> MakeObjectParams(uint32_t type) {
  switch (type) {
    case ObjectType_Null:
    case ObjectType_AnimPath:
      return std::make_unique<ObjectParams>(type);
    case ObjectType_Camera:
      return std::make_unique<CameraObjectParams>();
    case ObjectType_StaticMesh:
      return std::make_unique<StaticMeshObjectParams>();
    case ObjectType_DynamicMesh:
      return std::make_unique<DynamicMeshObjectParams>();
    case ObjectType_Light:
      return std::make_unique<LightObjectParams>();
    case ObjectType_Joint:
      return std::make_unique<JointObjectParams>();
    case ObjectType_Sound:
      return std::make_unique<SoundObjectParams>();
    case ObjectType_ParticleSystem:
      return std::make_unique<ParticleSystemObjectParams>();
    case ObjectType_Field:
      return std::make_unique<FieldObjectParams>();
    default:
      return nullptr;
  }
}

void VisitCommonKeys(ObjectParams& p, CreationKeyVisitor& v) {
  v.Matrix({"transform", "Where the object is and how it is turned."}, p.transform);
  v.Enum({"colType",
          "The shape of the object's body; a body is made when this is not None or "
          "\"dynamic\" is True."},
         p.colType, CollisionTypeTable());
  v.Bool({"visible", "Whether the object is drawn."}, p.visible);
  v.Bool({"dynamic", "A moving body with mass; otherwise it stays where it is put."}, p.dynamic);
  v.Bool({"gravity", "Whether gravity pulls a dynamic body."}, p.gravity);
  v.Vector({"mins", "The box's lowest corner, in the object's space (used with \"maxs\")."},
           p.mins);
  v.Vector({"maxs", "The box's highest corner; both must be given to set the box."}, p.maxs);
  v.Float({"radius", "The object's radius (0 keeps the type's own)."}, p.radius);
}

void VisitTypeKeys(ObjectParams& p, CreationKeyVisitor& v) {
  switch (p.variant) {
    case ObjectParamsVariant::Light:
      return LightKeys(static_cast<LightObjectParams&>(p), v);
    case ObjectParamsVariant::Joint:
      return JointKeys(static_cast<JointObjectParams&>(p), v);
    case ObjectParamsVariant::Sound:
      return SoundKeys(static_cast<SoundObjectParams&>(p), v);
    case ObjectParamsVariant::Field:
      return FieldKeys(static_cast<FieldObjectParams&>(p), v);
    case ObjectParamsVariant::StaticMesh:
      return StaticMeshKeys(static_cast<StaticMeshObjectParams&>(p), v);
    case ObjectParamsVariant::DynamicMesh:
      return DynamicMeshKeys(static_cast<DynamicMeshObjectParams&>(p), v);
    case ObjectParamsVariant::ParticleSystem:
      return ParticleKeys(static_cast<ParticleSystemObjectParams&>(p), v);
    default:
      return;  // null objects, cameras and animation paths have no keys of their own
  }
}
