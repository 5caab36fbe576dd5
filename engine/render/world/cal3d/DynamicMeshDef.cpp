// DynamicMeshDef.cpp - loading a DynamicMesh definition through Cal3D.
#include "render/world/cal3d/DynamicMeshDef.h"

#include "base/Log.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"
#include "tier0/Xml.h"

#include <cal3d/cal3d.h>
#include <cal3d/coretrack.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

// Where the hardware model writes each field of a 76-byte vertex.
constexpr uint32_t kOffsetPosition = 0;
constexpr uint32_t kOffsetNormal = 12;
constexpr uint32_t kOffsetTexCoord = 36;
constexpr uint32_t kOffsetWeights = 44;
constexpr uint32_t kOffsetIndices = 60;

struct LoadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string NativeJoin(const std::string& folder, const std::string& file) {
  return (std::filesystem::path(folder) / file).string();
}

std::string& MaterialFile() {
  static std::string file = kDynamicMeshMaterialFile;
  return file;
}

}  // namespace

void SetDynamicMeshMaterialFile(const std::string& relativePath) {
  MaterialFile() = relativePath;
}

ResourceManager& GetDynamicMeshDefManager() {
  static ResourceManager manager("DynamicMeshDef");
  return manager;
}

DynamicMeshDef* LoadDynamicMeshDef(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  return GetDynamicMeshDefManager().GetOrLoad<DynamicMeshDef>(fileName);
}

DynamicMeshDef::DynamicMeshDef(ResourceManager* manager) : Resource(manager) {
  // Mode 4 flips the winding of every face Cal3D loads.
  CalLoader::setLoadingMode(LOADER_FLIP_WINDING);
}

DynamicMeshDef::~DynamicMeshDef() {
  Drop();
}

bool DynamicMeshDef::Load(bool initial) {
  if (initial || !m_coreModel) return LoadResource();
  if (!GetVideoManager()) return true;
  try {
    BuildGeometry();
  } catch (const LoadError& e) {
    LogMessage("DynamicMesh: Failed to load '%s' (%s)", GetName().c_str(), e.what());
    DropGeometry();
  }
  return true;
}

void DynamicMeshDef::Unload(bool final) {
  if (final)
    Drop();
  else
    DropGeometry();
}

void DynamicMeshDef::DropGeometry() {
  m_hardwareModel.reset();
  m_vertexBuffer.Reset();
  m_indexBuffer.Reset();
  m_vertexFormat.Reset();
}

void DynamicMeshDef::Drop() {
  DropGeometry();
  if (m_coreModel) {
    // This Cal3D frees a core animation without its tracks and keyframes.
    for (int i = 0; i < m_coreModel->getCoreAnimationCount(); ++i) {
      CalCoreAnimation* animation = m_coreModel->getCoreAnimation(i);
      if (!animation) continue;
      for (CalCoreTrack* track : animation->getListCoreTrack()) {
        track->destroy();
        delete track;
      }
      animation->getListCoreTrack().clear();
    }
  }
  m_coreModel.reset();
  m_animations.clear();
  m_pieces.clear();
  m_materialNames.clear();
}

bool DynamicMeshDef::LoadResource() {
  Drop();
  const std::string& name = GetName();
  // For a file inside an archive the query names the archive itself, which
  // Cal3D cannot read through: only a real folder will do.
  const std::string realDir = FileSystem::GetRealDir(name);
  std::error_code error;
  try {
    if (!FileSystem::Exists(name)) throw LoadError("could not open file");
    if (realDir.empty() || !std::filesystem::is_directory(realDir, error))
      throw LoadError(
          "DynamicMeshes currently must reside in the real file system rather than a VFS.");
    Parse(std::filesystem::path(NativeJoin(realDir, name)).parent_path().string());
  } catch (const LoadError& e) {
    // Every object that names the file asks again: one line is enough.
    if (FirstReport("dynamic mesh " + name + " " + e.what()))
      LogError("DynamicMesh: Failed to load '%s' (%s)", name.c_str(), e.what());
    Drop();
    return false;
  }
  return true;
}

void DynamicMeshDef::Parse(const std::string& folder) {
  FileSystem::File file;
  if (!file.OpenRead(GetName())) throw LoadError("Could not open file.");
  std::vector<uint8_t> text(file.GetLength());
  if (file.Read(text.data(), uint32_t(text.size())) != text.size())
    throw LoadError("Could not open file.");
  file.Close();
  XmlReader reader;
  reader.InitMemory(text.data(), text.size());
  XmlElement root;
  if (!root.ParseDocument(reader)) throw LoadError("Invalid XML, or not an XML file.");
  if (!EqualsNoCase(root.GetName(), "DynamicMesh"))
    throw LoadError("XML is not a valid DynamicMesh.");
  if (std::string(root.GetAttribute("version", "")) != "1.0") throw LoadError("Bad version.");
  const char* skeleton = root.GetAttribute("skeleton", nullptr);
  if (!skeleton) throw LoadError("No skeleton specified.");

  m_coreModel = std::make_unique<CalCoreModel>(GetName());
  if (!m_coreModel->loadCoreSkeleton(NativeJoin(folder, skeleton)))
    throw LoadError("Failed to load specified skeleton.");
  ReadChildren(root, folder);
  // Without this the model's box follows the bones only, not the skin.
  m_coreModel->getCoreSkeleton()->calculateBoundingBoxes(m_coreModel.get());
  SetUpMaterials();
  if (!GetVideoManager()) return;
  BuildGeometry();
}

void DynamicMeshDef::ReadChildren(const XmlElement& root, const std::string& folder) {
  for (int i = 0; i < root.GetChildCount(); ++i) {
    const XmlElement& e = *root.GetChild(i);
    if (EqualsNoCase(e.GetName(), "Piece"))
      AddPiece(e, folder);
    else if (EqualsNoCase(e.GetName(), "Animation"))
      AddAnimation(e, folder);
    else if (EqualsNoCase(e.GetName(), "Material"))
      AddMaterial(e);
  }
}

void DynamicMeshDef::AddPiece(const XmlElement& e, const std::string& folder) {
  const char* fileName = e.GetAttribute("filename", nullptr);
  if (!fileName) {
    LogDetail("DynamicMesh Piece tag has no filename specified.");
    return;
  }
  const std::string name = e.GetAttribute("name", fileName);
  if (m_pieces.count(name)) {
    LogDetail("DynamicMesh piece has non unique name '%s'", name.c_str());
    return;
  }
  const std::string path = NativeJoin(folder, fileName);
  const int id = m_coreModel->loadCoreMesh(path);
  if (id < 0) {
    LogDetail("DynamicMesh piece '%s' could not be loaded.", path.c_str());
    return;
  }
  m_pieces[name] = Piece{id, std::atoi(e.GetAttribute("visible", "1")) != 0};
}

void DynamicMeshDef::AddAnimation(const XmlElement& e, const std::string& folder) {
  const char* fileName = e.GetAttribute("filename", nullptr);
  const char* name = e.GetAttribute("name", nullptr);
  if (!fileName) {
    LogDetail("DynamicMesh Animation tag has no filename specified.");
    return;
  }
  if (!name) {
    LogDetail("DynamicMesh Animation tag has no name specified.");
    return;
  }
  if (m_animations.count(name)) {
    LogDetail("DynamicMesh animation has non unique name '%s'", name);
    return;
  }
  const std::string path = NativeJoin(folder, fileName);
  const int id = m_coreModel->loadCoreAnimation(path, name);
  if (id < 0) {
    LogDetail("Animation '%s' with name '%s' could not be loaded.", path.c_str(), name);
    return;
  }
  m_animations[name] = id;
}

void DynamicMeshDef::AddMaterial(const XmlElement& e) {
  const char* name = e.GetAttribute("name", nullptr);
  if (!name) {
    LogDetail("DynamicMesh Material tag has no name specified.");
    return;
  }
  for (const std::string& known : m_materialNames) {
    if (EqualsNoCase(known, name)) {
      LogDetail("DynamicMesh material has non unique name '%s'", name);
      return;
    }
  }
  // Name i must stay core material i: a material that cannot be read still
  // takes its slot, as an empty core material.
  const std::string path = NativeJoin(FileSystem::GetBaseDir(), MaterialFile());
  if (m_coreModel->loadCoreMaterial(path, name) < 0) {
    LogDetail("DynamicMesh material '%s' could not be loaded from '%s'.", name, path.c_str());
    m_coreModel->addCoreMaterial(new CalCoreMaterial());
  }
  m_materialNames.push_back(name);
}

void DynamicMeshDef::SetUpMaterials() {
  for (int i = 0; i < m_coreModel->getCoreMaterialCount(); ++i) {
    m_coreModel->createCoreMaterialThread(i);
    m_coreModel->setCoreMaterialId(i, 0, i);
    CalCoreMaterial* material = m_coreModel->getCoreMaterial(i);
    CalCoreMaterial::Map map;
    map.userData = reinterpret_cast<Cal::UserData>(intptr_t(i + 1));
    material->reserve(1);
    material->setMap(0, map);
  }
}

void DynamicMeshDef::BuildGeometry() {
  size_t vertices = 0, faces = 0;
  for (int m = 0; m < m_coreModel->getCoreMeshCount(); ++m) {
    CalCoreMesh* mesh = m_coreModel->getCoreMesh(m);
    for (int s = 0; s < mesh->getCoreSubmeshCount(); ++s) {
      vertices += mesh->getCoreSubmesh(s)->getVertexCount();
      faces += mesh->getCoreSubmesh(s)->getFaceCount();
    }
  }
  if (vertices == 0) throw LoadError("No vertices defined!");
  // Splitting at the bone limit duplicates shared vertices: stage for the
  // worst case, every corner of every face its own vertex. Cal3D's indices
  // are 32-bit here; they are narrowed only after being checked.
  std::vector<uint8_t> staging((vertices + 3 * faces) * kDynamicVertexSize);
  std::vector<CalIndex> indices(3 * faces);
  m_hardwareModel = std::make_unique<CalHardwareModel>(m_coreModel.get());
  char* base = reinterpret_cast<char*>(staging.data());
  m_hardwareModel->setVertexBuffer(base + kOffsetPosition, kDynamicVertexSize);
  m_hardwareModel->setNormalBuffer(base + kOffsetNormal, kDynamicVertexSize);
  m_hardwareModel->setWeightBuffer(base + kOffsetWeights, kDynamicVertexSize);
  m_hardwareModel->setMatrixIndexBuffer(base + kOffsetIndices, kDynamicVertexSize);
  m_hardwareModel->setTextureCoordNum(1);
  m_hardwareModel->setTextureCoordBuffer(0, base + kOffsetTexCoord, kDynamicVertexSize);
  m_hardwareModel->setIndexBuffer(indices.data());
  if (!m_hardwareModel->load(0, 0, int(kMaxBonesPerDraw)))
    throw LoadError("Failed to split the meshes.");

  const int totalVertices = m_hardwareModel->getTotalVertexCount();
  const int totalFaces = m_hardwareModel->getTotalFaceCount();
  if (totalVertices <= 0 || size_t(totalVertices) * kDynamicVertexSize > staging.size() ||
      totalFaces < 0 || size_t(totalFaces) > faces)
    throw LoadError("No vertices defined!");
  for (CalHardwareModel::CalHardwareMesh& hm : m_hardwareModel->getVectorHardwareMesh()) {
    for (int i = hm.startIndex; i < hm.startIndex + 3 * hm.faceCount; ++i) {
      const uint64_t index = uint64_t(indices[i]) + uint64_t(hm.baseVertexIndex);
      if (indices[i] > 0xFFFF || index >= uint64_t(totalVertices))
        throw LoadError("Index out of range.");
    }
  }
  m_vertexBuffer =
      Ref<VertexBuffer>::Adopt(CreateVertexBuffer(kDynamicVertexSize, totalVertices, false));
  if (!m_vertexBuffer) throw LoadError("Failed to create vertex buffer.");
  m_indexBuffer = Ref<IndexBuffer>::Adopt(CreateIndexBuffer(0, 3 * totalFaces, false));
  if (!m_indexBuffer) throw LoadError("Failed to create index buffer.");
  void* vb = m_vertexBuffer->Lock(0, 0);
  if (!vb) throw LoadError("Failed to lock vertex buffer.");
  std::memcpy(vb, staging.data(), size_t(totalVertices) * kDynamicVertexSize);
  // The skinned effects read bone numbers as normalised bytes (n / 255), the
  // way a colour-typed field delivers them; Cal3D writes plain numbers.
  for (int v = 0; v < totalVertices; ++v) {
    float* bones = reinterpret_cast<float*>(static_cast<uint8_t*>(vb) +
                                            size_t(v) * kDynamicVertexSize + kOffsetIndices);
    for (int i = 0; i < 4; ++i) bones[i] /= 255.0f;
  }
  m_vertexBuffer->Unlock();
  auto* ib = static_cast<uint16_t*>(m_indexBuffer->Lock(0, 0));
  if (!ib) throw LoadError("Failed to lock index buffer.");
  for (int i = 0; i < 3 * totalFaces; ++i) ib[i] = uint16_t(indices[i]);
  m_indexBuffer->Unlock();

  m_vertexFormat = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
  if (!m_vertexFormat) throw LoadError("Failed to create vertex format.");
  m_vertexFormat->Clear();
  m_vertexFormat->AddField(VFT_FLOAT3, VFU_POSITION);
  m_vertexFormat->AddField(VFT_FLOAT3, VFU_NORMAL);
  m_vertexFormat->AddField(VFT_FLOAT3, VFU_BINORMAL);
  m_vertexFormat->AddField(VFT_FLOAT2, VFU_TEXCOORD);
  m_vertexFormat->AddField(VFT_FLOAT4, VFU_BLENDWEIGHT);
  m_vertexFormat->AddField(VFT_FLOAT4, VFU_BLENDINDICES);
}
