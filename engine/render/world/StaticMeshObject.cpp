// StaticMeshObject.cpp - placing static meshes: materials and collision.
#include "render/world/StaticMeshObject.h"

#include "base/Log.h"
#include "base/StringUtil.h"

#include <cstring>

KAZ_DEFINE_POOL(StaticMeshObject, 10);

namespace {

WorldObject* MakeStaticMesh() {
  return StaticMeshObject::Create();
}

}  // namespace

void InstallStaticMeshType() {
  World::SetObjectFactory(ObjectType_StaticMesh, MakeStaticMesh);
}

bool StaticMeshObject::Create(World* world, const ObjectParams& params) {
  if (!WorldObject::Create(world, params) || params.variant != ObjectParamsVariant::StaticMesh)
    return false;
  const auto& record = static_cast<const StaticMeshObjectParams&>(params);
  m_def = Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef(record.fileName));
  if (!m_def) {
    // The loader's error line said why.
    LogDetail("StaticMeshObject: Failed to load '%s'", record.fileName.c_str());
    return false;
  }
  SetRadius(m_def->GetRadius());
  SetBox(m_def->GetMins(), m_def->GetMaxs());

  m_materials.clear();
  m_materials.resize(m_def->GetGroupCount());
  for (uint32_t g = 0; g < m_def->GetGroupCount(); ++g) {
    auto it = record.materials.find(m_def->GetGroup(g).materialName);
    if (it != record.materials.end() && it->second) {
      m_materials[g] = Ref<Material>::Share(it->second);
    } else if (record.defaultMaterial) {
      m_materials[g] = Ref<Material>::Share(record.defaultMaterial);
    } else {
      m_materials[g] = Ref<Material>::Adopt(GetDefaultMaterial(DefaultMaterial_Static));
      if (!m_materials[g]) LogWarning("Failed to load default StaticMesh material.");
    }
  }
  for (const auto& [group, material] : record.materials) {
    bool found = false;
    for (uint32_t g = 0; g < m_def->GetGroupCount() && !found; ++g)
      found = EqualsNoCase(m_def->GetGroup(g).materialName, group);
    if (!found && FirstReport("material group " + record.fileName + " " + group))
      LogWarning("StaticMesh '%s' has no material group '%s'; its material is not used.",
                 record.fileName.c_str(), group.c_str());
  }
  return true;
}

void StaticMeshObject::Destroy() {
  // The last release of the shared default material empties its slot.
  m_materials.clear();
  m_def.Reset();
  WorldObject::Destroy();
}

PhysicsCollision* StaticMeshObject::CreateCollision(const ObjectParams& params) {
  PhysicsWorld* physics = GetWorld() ? GetWorld()->GetPhysicsWorld() : nullptr;
  if (!physics) return nullptr;
  if (params.colType == Collision_ConvexHull) {
    if (!m_def) return PhysicsCreateNull(physics);
    const auto& vertices = m_def->GetCollisionVertices();
    const auto& indices = m_def->GetCollisionIndices();
    if (vertices.empty() || indices.empty() || indices.size() % 3 != 0)
      return PhysicsCreateNull(physics);
    return PhysicsCreateConvexHull(physics, int(vertices.size()), &vertices[0].x, 12, nullptr);
  }
  if (params.colType == Collision_TriangleMesh) return BuildTriangleMesh(physics);
  return WorldObject::CreateCollision(params);
}

PhysicsCollision* StaticMeshObject::BuildTriangleMesh(PhysicsWorld* physics) const {
  VertexBuffer* vb = m_def ? m_def->GetVertexBuffer() : nullptr;
  if (!vb) return nullptr;
  const auto* vertices = static_cast<const uint8_t*>(vb->Lock(0, 0));
  if (!vertices) return nullptr;
  const uint32_t stride = vb->GetVertexSize();
  const uint32_t vertexCount = vb->GetVertexCount();
  PhysicsCollision* tree = PhysicsCreateTreeCollision(physics);
  PhysicsTreeCollisionBeginBuild(tree);
  for (uint32_t g = 0; g < m_def->GetGroupCount(); ++g) {
    IndexBuffer* ib = m_def->GetGroup(g).indices.Get();
    const auto* indices = ib ? static_cast<const uint16_t*>(ib->Lock(0, 0)) : nullptr;
    if (!indices) continue;
    const uint32_t count = m_def->GetGroup(g).triangleCount * 3;
    for (uint32_t i = 0; i + 2 < count; i += 3) {
      float face[9];
      bool inside = true;
      for (int corner = 0; corner < 3; ++corner) {
        const uint32_t index = indices[i + corner];
        inside = inside && index < vertexCount;
        if (inside) std::memcpy(face + corner * 3, vertices + size_t(index) * stride, 12);
      }
      if (inside) PhysicsTreeCollisionAddFace(tree, 3, face, 12, 1);
    }
    ib->Unlock();
  }
  vb->Unlock();
  PhysicsTreeCollisionEndBuild(tree, 0);
  return tree;
}
