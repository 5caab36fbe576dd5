// StaticMeshObject.h - a placed instance of a static mesh (world object type 3).
//
// Each instance holds its definition and one render material per material
// group: the record's material for the group's name, else the record's
// default material, else the shared default material. Collision types 5
// (convex hull of the file's collision section) and 6 (exact triangles of the
// drawn geometry) come from the definition; the others are the base shapes.
// The class lives with the renderer because its geometry and materials are
// GPU objects; InstallStaticMeshType() hands the world its factory.
// Depends on: StaticMeshDef.h, RenderEffect.h (Material), tier1/WorldObject.h,
// tier1/physics, base/StringUtil (the materials map).
#pragma once

#include "base/StringUtil.h"
#include "render/gpu/RenderEffect.h"
#include "render/world/StaticMeshDef.h"
#include "tier1/WorldObject.h"

#include <map>
#include <string>
#include <vector>

struct StaticMeshObjectParams : ObjectParams {
  StaticMeshObjectParams() : ObjectParams(ObjectType_StaticMesh, ObjectParamsVariant::StaticMesh) {}
  std::string fileName;
  // Group material name -> material; borrowed from the caller.
  std::map<std::string, Material*, NoCaseLess> materials;
  Material* defaultMaterial = nullptr;
};

class StaticMeshObject : public WorldObject {
  KAZ_POOLED_CLASS(StaticMeshObject)

 public:
  uint32_t GetType() const override { return ObjectType_StaticMesh; }
  bool Create(World* world, const ObjectParams& params) override;
  void Destroy() override;
  PhysicsCollision* CreateCollision(const ObjectParams& params) override;

  StaticMeshDef* GetDefinition() const { return m_def.Get(); }
  uint32_t GetMaterialCount() const { return uint32_t(m_materials.size()); }
  // The material of group `index` (null when none could be had).
  Material* GetMaterial(uint32_t index) const {
    return index < m_materials.size() ? m_materials[index].Get() : nullptr;
  }

 private:
  StaticMeshObject() = default;
  PhysicsCollision* BuildTriangleMesh(PhysicsWorld* physics) const;

  std::vector<Ref<Material>> m_materials;
  Ref<StaticMeshDef> m_def;
};

// Installs the static mesh class as the world's type 3.
void InstallStaticMeshType();
