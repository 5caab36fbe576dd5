// DynamicMeshObject.h - a placed, animated instance of a DynamicMeshDef (world object type 4).
//
// Each instance owns a Cal3D model of the definition's core model with the
// visible pieces attached, plays cycles and actions through Cal3D's mixer and
// advances the animation every third frame by the time of those frames. It
// holds one render material per definition material name. Animation handles
// are core animation ids + 1 (0: none). InstallDynamicMeshType() hands the
// world its factory.
// Depends on: DynamicMeshDef.h, RenderEffect.h (Material), tier1/WorldObject.h.
#pragma once

#include "base/StringUtil.h"
#include "render/gpu/RenderEffect.h"
#include "render/world/cal3d/DynamicMeshDef.h"
#include "tier1/WorldObject.h"

#include <map>
#include <string>
#include <vector>

class CalModel;

struct DynamicMeshObjectParams : ObjectParams {
  DynamicMeshObjectParams()
      : ObjectParams(ObjectType_DynamicMesh, ObjectParamsVariant::DynamicMesh) {}
  std::string fileName;
  std::string defaultCycle;
  // Definition material name -> material; borrowed from the caller.
  std::map<std::string, Material*, NoCaseLess> materials;
  Material* defaultMaterial = nullptr;
};

class DynamicMeshObject : public WorldObject {
  KAZ_POOLED_CLASS(DynamicMeshObject)

 public:
  uint32_t GetType() const override { return ObjectType_DynamicMesh; }
  void SetWorldTransform(const Matrix4x4& matrix) override {
    WorldObject::SetWorldTransform(matrix);
  }
  bool Create(World* world, const ObjectParams& params) override;
  void Destroy() override;
  void Update(float dt) override;

  uint32_t FindAnimation(const std::string& name) const;
  bool PlayCycle(uint32_t handle, float weight, float delay);
  bool PlayAction(uint32_t handle, float delayIn, float delayOut);
  bool StopAnimation(uint32_t handle, float delay);
  void StopAllAnimations();
  float GetAnimationLength(uint32_t handle) const;
  bool GetBonePosition(const std::string& name, Vector3D& position) const;

  DynamicMeshDef* GetDefinition() const { return m_def.Get(); }
  CalModel* GetModel() const { return m_model; }
  uint32_t GetMaterialCount() const { return uint32_t(m_materials.size()); }
  Material* GetMaterial(uint32_t index) const {
    return index < m_materials.size() ? m_materials[index].Get() : nullptr;
  }
  // Cal3D's own (software) skinning of every attached mesh, in model space.
  std::vector<Vector3D> GetSkinnedVertices() const;
  // The skeleton as line pairs in model space, two points per bone with a parent.
  bool GetBoneLines(std::vector<Vector3D>& points) const;
  // Row-major 3x4 bone-space matrices of one hardware sub-mesh's bones, as
  // the skinned effects take them (12 floats per bone, at most 20 bones).
  uint32_t GetBoneMatrices(int hardwareMesh, float* out) const;

 private:
  DynamicMeshObject() = default;
  // The core animation id of a handle, or -1.
  int AnimationId(uint32_t handle) const;
  void UpdateBox();

  Ref<DynamicMeshDef> m_def;
  CalModel* m_model = nullptr;
  std::vector<Ref<Material>> m_materials;
  int32_t m_updateCounter = 0;
  float m_pendingTime = 0.0f;
};

// Installs the dynamic mesh class as the world's type 4.
void InstallDynamicMeshType();
