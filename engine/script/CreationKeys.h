// CreationKeys.h - the keys of _World.CreateObject's dictionary, type by type.
//
// Each object type lists its keys once, here, as calls on a visitor: the
// key's name, what it means, whether creation needs it, and the field of a
// fresh creation record it fills (whose value is the default). The script
// module reads a dictionary with one visitor (WorldCreation.cpp) and the
// reference generator writes docs/reference.md with another, so a key cannot
// be read without being documented, and its default is the record's own.
//
// Python-free. Builds on base/EnumTable.h, tier0 math, tier1/KeyframeTrack.h
// and the creation records of tier1 and render (in the .cpp).
#pragma once

#include "base/EnumTable.h"
#include "base/StringUtil.h"
#include "tier0/Math.h"
#include "tier1/KeyframeTrack.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class Material;
class WorldObject;
struct ObjectParams;

struct CreationKey {
  const char* name;
  const char* meaning;    // one sentence for the reference
  bool required = false;  // creation fails without it
};

// Material group name -> material, as meshes take them.
using MaterialMap = std::map<std::string, Material*, NoCaseLess>;

// What each kind of key takes, as the reference and the warnings word it.
namespace KeyKind {
constexpr const char* Count = "a whole number";
constexpr const char* Bool = "True or False";
constexpr const char* Float = "a number";
constexpr const char* String = "a text";
constexpr const char* Vector = "an Engine.Vector3D";
constexpr const char* Colour = "an Engine.Vector3D or Vector4D (red, green, blue)";
constexpr const char* Matrix = "an Engine.Matrix4x4";
constexpr const char* Object = "a _World.WorldObject";
constexpr const char* Material = "a _World.RenderMaterial";
constexpr const char* Materials = "a dict: material group name -> _World.RenderMaterial";
constexpr const char* ColourKeys = "a list of (time, Engine.Vector4D) pairs";
constexpr const char* RadiusKeys = "a list of (time, number) pairs";
}  // namespace KeyKind

class CreationKeyVisitor {
 public:
  virtual void Count(const CreationKey& key, uint32_t& value) = 0;
  // A value of the table (its range is the table's).
  virtual void Enum(const CreationKey& key, uint32_t& value, const EnumTable& table) = 0;
  virtual void Bool(const CreationKey& key, bool& value) = 0;
  virtual void Float(const CreationKey& key, float& value) = 0;
  virtual void String(const CreationKey& key, std::string& value) = 0;
  virtual void Vector(const CreationKey& key, Vector3D& value) = 0;
  virtual void Colour(const CreationKey& key, Vector3D& value) = 0;
  virtual void Matrix(const CreationKey& key, Matrix4x4& value) = 0;
  virtual void Object(const CreationKey& key, WorldObject*& value) = 0;
  virtual void Material(const CreationKey& key, ::Material*& value) = 0;
  virtual void Materials(const CreationKey& key, MaterialMap& value) = 0;
  virtual void ColourKeys(const CreationKey& key, LinearKeyframeTrack<Vector4D>& value) = 0;
  virtual void RadiusKeys(const CreationKey& key, LinearKeyframeTrack<float>& value) = 0;

 protected:
  ~CreationKeyVisitor() = default;
};

// A fresh record of the type (1 to 10) holding its defaults; null for other ids.
std::unique_ptr<ObjectParams> MakeObjectParams(uint32_t type);
// The keys every type takes, in reading order.
void VisitCommonKeys(ObjectParams& params, CreationKeyVisitor& visitor);
// The keys of the record's own type, in reading order (none for some types).
void VisitTypeKeys(ObjectParams& params, CreationKeyVisitor& visitor);
