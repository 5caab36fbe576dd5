// DynamicMeshObject.cpp - animated Cal3D instances in the world.
#include "render/world/cal3d/DynamicMeshObject.h"

#include "base/Log.h"
#include "base/StringUtil.h"
#include "tier1/CameraObject.h"

#include <cal3d/cal3d.h>

#include <algorithm>

KAZ_DEFINE_POOL(DynamicMeshObject, 10);

namespace {

WorldObject* MakeDynamicMesh() {
  return DynamicMeshObject::Create();
}

// Frames between two animation updates, less one.
constexpr int32_t kUpdateEvery = 2;

}  // namespace

void InstallDynamicMeshType() {
  World::SetObjectFactory(ObjectType_DynamicMesh, MakeDynamicMesh);
}

bool DynamicMeshObject::Create(World* world, const ObjectParams& params) {
  if (!WorldObject::Create(world, params) || params.variant != ObjectParamsVariant::DynamicMesh)
    return false;
  const auto& record = static_cast<const DynamicMeshObjectParams&>(params);
  m_def = Ref<DynamicMeshDef>::Adopt(LoadDynamicMeshDef(record.fileName));
  if (!m_def) {
    // The loader's error line said why.
    LogDetail("DynamicMeshObject: Failed to load '%s'", record.fileName.c_str());
    return false;
  }
  m_model = new CalModel(m_def->GetCoreModel());
  bool attached = true;
  for (const auto& [name, piece] : m_def->GetPieces())
    if (piece.visible) attached = m_model->attachMesh(piece.meshId) && attached;
  if (!attached) {
    LogMessage("DynamicMeshObject: Loaded, but failed to instantiate '%s'",
               record.fileName.c_str());
    delete m_model;
    m_model = nullptr;
    m_def.Reset();
    return false;
  }

  m_materials.clear();
  for (const std::string& name : m_def->GetMaterialNames()) {
    auto it = record.materials.find(name);
    Ref<Material>& slot = m_materials.emplace_back();
    if (it != record.materials.end() && it->second) {
      slot = Ref<Material>::Share(it->second);
    } else if (record.defaultMaterial) {
      slot = Ref<Material>::Share(record.defaultMaterial);
    } else {
      slot = Ref<Material>::Adopt(GetDefaultMaterial(DefaultMaterial_Dynamic));
      if (!slot) LogWarning("Failed to load default DynamicMeeh material.");
    }
  }
  const std::vector<std::string>& names = m_def->GetMaterialNames();
  for (const auto& entry : record.materials) {
    const std::string& name = entry.first;
    const bool found = std::any_of(names.begin(), names.end(),
                                   [&](const std::string& n) { return EqualsNoCase(n, name); });
    if (!found && FirstReport("material group " + record.fileName + " " + name))
      LogWarning("DynamicMesh '%s' has no material '%s'; its material is not used.",
                 record.fileName.c_str(), name.c_str());
  }
  m_model->update(0.1f);
  UpdateBox();
  if (const uint32_t cycle = FindAnimation(record.defaultCycle))
    m_model->getMixer()->blendCycle(int(cycle - 1), 0.5f, 15.0f);
  m_updateCounter = 0;
  m_pendingTime = 0.0f;
  return true;
}

void DynamicMeshObject::UpdateBox() {
  CalVector points[8];
  m_model->getBoundingBox(true).computePoints(points);
  Vector3D mins(points[0].x, points[0].y, points[0].z), maxs = mins;
  for (const CalVector& p : points) {
    mins = Vector3D(std::min(mins.x, p.x), std::min(mins.y, p.y), std::min(mins.z, p.z));
    maxs = Vector3D(std::max(maxs.x, p.x), std::max(maxs.y, p.y), std::max(maxs.z, p.z));
  }
  SetBox(mins, maxs);
}

void DynamicMeshObject::Destroy() {
  // The last release of the shared default material empties its slot.
  m_materials.clear();
  delete m_model;
  m_model = nullptr;
  m_def.Reset();
  WorldObject::Destroy();
}

void DynamicMeshObject::Update(float dt) {
  ++m_updateCounter;
  m_pendingTime += dt;
  if (m_updateCounter <= kUpdateEvery) return;
  if (m_model) m_model->update(m_pendingTime);
  m_updateCounter = 0;
  m_pendingTime = 0.0f;
}

int DynamicMeshObject::AnimationId(uint32_t handle) const {
  if (handle == 0 || !m_model || !m_def) return -1;
  const int id = int(handle - 1);
  return m_def->GetCoreModel()->getCoreAnimation(id) ? id : -1;
}

uint32_t DynamicMeshObject::FindAnimation(const std::string& name) const {
  if (!m_model || !m_def) return 0;
  auto it = m_def->GetAnimations().find(name);
  return it == m_def->GetAnimations().end() ? 0 : uint32_t(it->second) + 1;
}

bool DynamicMeshObject::PlayCycle(uint32_t handle, float weight, float delay) {
  const int id = AnimationId(handle);
  return id >= 0 && m_model->getMixer()->blendCycle(id, weight, delay);
}

bool DynamicMeshObject::PlayAction(uint32_t handle, float delayIn, float delayOut) {
  const int id = AnimationId(handle);
  return id >= 0 && m_model->getMixer()->executeAction(id, delayIn, delayOut, 1.0f, false);
}

bool DynamicMeshObject::StopAnimation(uint32_t handle, float delay) {
  const int id = AnimationId(handle);
  if (id < 0) return false;
  m_model->getMixer()->removeAction(id);
  m_model->getMixer()->clearCycle(id, delay);
  return true;
}

void DynamicMeshObject::StopAllAnimations() {
  LogWarning("DynamicMeshObject::StopAllAnimations not implemented.");
}

float DynamicMeshObject::GetAnimationLength(uint32_t handle) const {
  const int id = AnimationId(handle);
  return id < 0 ? 0.0f : m_def->GetCoreModel()->getCoreAnimation(id)->getDuration();
}

bool DynamicMeshObject::GetBonePosition(const std::string& name, Vector3D& position) const {
  if (!m_model) return false;
  for (CalBone* bone : m_model->getSkeleton()->getVectorBone()) {
    if (bone->getCoreBone()->getName() != name) continue;
    const CalVector& t = bone->getTranslationAbsolute();
    position = Vector3D(t.x, t.y, t.z);
    if (CameraObject* camera = GetPVCamera())
      position = camera->GetViewMatrix().GetFastInverse().TransformVector(position);
    return true;
  }
  return false;
}

bool DynamicMeshObject::GetBoneLines(std::vector<Vector3D>& points) const {
  CalSkeleton* skeleton = m_model ? m_model->getSkeleton() : nullptr;
  if (!skeleton) return false;
  // One line per bone with a parent: sized from the bone count, however many there are.
  std::vector<float> lines(skeleton->getVectorBone().size() * 6);
  const int count = lines.empty() ? 0 : skeleton->getBoneLines(lines.data());
  points.clear();
  for (int i = 0; i < count * 2; ++i)
    points.emplace_back(lines[i * 3], lines[i * 3 + 1], lines[i * 3 + 2]);
  return true;
}

std::vector<Vector3D> DynamicMeshObject::GetSkinnedVertices() const {
  std::vector<Vector3D> out;
  CalRenderer* renderer = m_model ? m_model->getRenderer() : nullptr;
  if (!renderer || !renderer->beginRendering()) return out;
  std::vector<float> buffer;
  for (int mesh = 0; mesh < renderer->getMeshCount(); ++mesh) {
    for (int sub = 0; sub < renderer->getSubmeshCount(mesh); ++sub) {
      if (!renderer->selectMeshSubmesh(mesh, sub)) continue;
      buffer.resize(size_t(renderer->getVertexCount()) * 3);
      const int count = renderer->getVertices(buffer.data());
      for (int v = 0; v < count; ++v)
        out.emplace_back(buffer[v * 3], buffer[v * 3 + 1], buffer[v * 3 + 2]);
    }
  }
  renderer->endRendering();
  return out;
}

uint32_t DynamicMeshObject::GetBoneMatrices(int hardwareMesh, float* out) const {
  CalHardwareModel* hardware = m_def ? m_def->GetHardwareModel() : nullptr;
  if (!hardware || !m_model || hardwareMesh < 0 || hardwareMesh >= hardware->getHardwareMeshCount())
    return 0;
  hardware->selectHardwareMesh(hardwareMesh);
  const int bones = std::min(hardware->getBoneCount(), int(kMaxBonesPerDraw));
  for (int b = 0; b < bones; ++b) {
    // Cal3D's quaternions turn the other way round; its own matrix reads them right.
    const CalMatrix r(hardware->getRotationBoneSpace(b, m_model->getSkeleton()));
    const CalVector& t = hardware->getTranslationBoneSpace(b, m_model->getSkeleton());
    float* m = out + b * 12;
    m[0] = r.dxdx, m[1] = r.dxdy, m[2] = r.dxdz, m[3] = t.x;
    m[4] = r.dydx, m[5] = r.dydy, m[6] = r.dydz, m[7] = t.y;
    m[8] = r.dzdx, m[9] = r.dzdy, m[10] = r.dzdz, m[11] = t.z;
  }
  return uint32_t(bones);
}
