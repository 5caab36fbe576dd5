// StaticMeshDef.h - a static mesh file, loaded once and shared.
//
// The file ("STCM", version 102, little-endian) holds bounds, an optional
// collision section (positions and 16-bit triangles), one vertex stream and
// named material groups with their 16-bit triangle lists. The definition is a
// resource of its own manager ("StaticMeshDef"); loading it needs a running
// video manager, because the geometry goes straight into static GPU buffers.
// Every count in the file is checked against the bytes left before anything
// is sized, and every triangle index against the vertex count.
// Depends on: GpuBuffers.h, VertexFormat.h, tier0 (Resource, Serializer,
// FileSystem, Ref), base/Log.
#pragma once

#include "render/gpu/GpuBuffers.h"
#include "render/gpu/VertexFormat.h"
#include "tier0/Ref.h"
#include "tier0/Resource.h"
#include "tier0/Vector.h"

#include <cstdint>
#include <string>
#include <vector>

class ResourceManager;

class StaticMeshDef : public Resource {
 public:
  // A run of a large group's triangles as the file lists them, with the box
  // around them in the mesh's own space: a draw leaves out the runs that
  // cannot reach its pixels.
  struct Cluster {
    uint32_t firstTriangle = 0, triangleCount = 0;
    Vector3D mins, maxs;
  };
  // Triangles a run holds, and the fewest a group with runs has: a smaller
  // one costs little to draw whole, and its runs' boxes would cost more.
  static constexpr uint32_t kClusterTriangles = 128;
  static constexpr uint32_t kClusteredGroup = 1024;
  struct Group {
    std::string materialName;
    Ref<IndexBuffer> indices;
    uint32_t triangleCount = 0;
    // Around the vertices its triangles use, in the mesh's own space: a part
    // that glows lights up its own corner of the screen, not the whole object's.
    Vector3D mins, maxs;
    std::vector<Cluster> clusters;
  };

  explicit StaticMeshDef(ResourceManager* manager);
  ~StaticMeshDef() override;

  bool Load(bool initial) override { return LoadResource(); }
  // Drops the groups and the GPU geometry; bounds and collision arrays stay.
  void Unload(bool final) override;
  // New geometry for every instance from the next frame on. Placed objects
  // keep the bounds and collision shape they were made with, and draw at most
  // as many groups as they have materials.
  bool Reload() override;
  bool LoadResource();
  // The parse of LoadResource, from a file already in memory (the fuzzer's way in).
  bool LoadFromMemory(const uint8_t* data, uint32_t size);

  float GetRadius() const { return m_radius; }
  const Vector3D& GetMins() const { return m_mins; }
  const Vector3D& GetMaxs() const { return m_maxs; }
  const std::vector<Vector3D>& GetCollisionVertices() const { return m_collisionVertices; }
  const std::vector<uint16_t>& GetCollisionIndices() const { return m_collisionIndices; }
  VertexBuffer* GetVertexBuffer() const { return m_vertexBuffer.Get(); }
  DeviceVertexFormat* GetVertexFormat() const { return m_vertexFormat.Get(); }
  uint32_t GetVertexCount() const { return m_vertexCount; }
  uint32_t GetGroupCount() const { return uint32_t(m_groups.size()); }
  const Group& GetGroup(uint32_t index) const { return m_groups[index]; }

 private:
  void DropGeometry();
  void Parse(const uint8_t* data, uint32_t size);
  void ParseGeometry(class Serializer& s);

  float m_radius = 0.0f;
  Vector3D m_mins, m_maxs;
  std::vector<Vector3D> m_collisionVertices;
  std::vector<uint16_t> m_collisionIndices;
  Ref<VertexBuffer> m_vertexBuffer;
  Ref<DeviceVertexFormat> m_vertexFormat;
  std::vector<Group> m_groups;
  uint32_t m_vertexCount = 0;
};

ResourceManager& GetStaticMeshDefManager();
// The shared definition of that file (one more reference), or null after a logged failure.
StaticMeshDef* LoadStaticMeshDef(const std::string& fileName);
