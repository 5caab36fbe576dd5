// DynamicMeshDef.h - a skinned model definition: Cal3D core model plus GPU geometry.
//
// An XML file ("DynamicMesh", version "1.0") names a Cal3D skeleton, mesh
// pieces, animations and materials, all relative to the definition's folder
// on disk (Cal3D reads native files, so the definition cannot live inside a
// package). With a video manager running, the meshes are split by Cal3D's
// hardware model into sub-meshes of at most kMaxBonesPerDraw bones and copied
// into one static 76-byte vertex buffer and one 16-bit index buffer.
// Cal3D's types are only forward-declared here: its headers stay in this folder.
// Depends on: GpuBuffers.h, VertexFormat.h, tier0 (Resource, Xml, FileSystem, Ref).
#pragma once

#include "base/StringUtil.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/VertexFormat.h"
#include "tier0/Ref.h"
#include "tier0/Resource.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CalCoreModel;
class CalHardwareModel;
class ResourceManager;

constexpr uint32_t kDynamicVertexSize = 76;

class DynamicMeshDef : public Resource {
 public:
  struct Piece {
    int meshId = -1;
    bool visible = true;
  };

  explicit DynamicMeshDef(ResourceManager* manager);
  ~DynamicMeshDef() override;

  // Placed instances hold Cal3D models of the core model, so a reload in
  // place keeps it and only builds the GPU data again.
  bool Load(bool initial) override;
  void Unload(bool final) override;
  bool LoadResource();

  CalCoreModel* GetCoreModel() const { return m_coreModel.get(); }
  CalHardwareModel* GetHardwareModel() const { return m_hardwareModel.get(); }
  VertexBuffer* GetVertexBuffer() const { return m_vertexBuffer.Get(); }
  IndexBuffer* GetIndexBuffer() const { return m_indexBuffer.Get(); }
  DeviceVertexFormat* GetVertexFormat() const { return m_vertexFormat.Get(); }
  const std::map<std::string, int, NoCaseLess>& GetAnimations() const { return m_animations; }
  const std::map<std::string, Piece, NoCaseLess>& GetPieces() const { return m_pieces; }
  // Definition material names, in file order; entry i is Cal3D core material i.
  const std::vector<std::string>& GetMaterialNames() const { return m_materialNames; }

 private:
  void Drop();
  void DropGeometry();
  void Parse(const std::string& folder);
  void ReadChildren(const class XmlElement& root, const std::string& folder);
  void AddPiece(const XmlElement& e, const std::string& folder);
  void AddAnimation(const XmlElement& e, const std::string& folder);
  void AddMaterial(const XmlElement& e);
  void SetUpMaterials();
  void BuildGeometry();

  std::unique_ptr<CalCoreModel> m_coreModel;
  std::unique_ptr<CalHardwareModel> m_hardwareModel;
  Ref<VertexBuffer> m_vertexBuffer;
  Ref<DeviceVertexFormat> m_vertexFormat;
  Ref<IndexBuffer> m_indexBuffer;
  std::map<std::string, int, NoCaseLess> m_animations;
  std::map<std::string, Piece, NoCaseLess> m_pieces;
  std::vector<std::string> m_materialNames;
};

ResourceManager& GetDynamicMeshDefManager();
// The Cal3D material file every definition material is read from, relative to
// the engine's native base folder ("base/cal3dmat.xrf"); tests point it elsewhere.
void SetDynamicMeshMaterialFile(const std::string& relativePath);
constexpr const char* kDynamicMeshMaterialFile = "base/cal3dmat.xrf";
// The shared definition of that file (one more reference), or null after a logged failure.
DynamicMeshDef* LoadDynamicMeshDef(const std::string& fileName);
