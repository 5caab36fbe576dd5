// StaticMeshDef.cpp - the static mesh file loader.
#include "render/world/StaticMeshDef.h"

#include "base/Log.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"
#include "tier0/Serializer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr char kMagic[4] = {'S', 'T', 'C', 'M'};
constexpr uint32_t kVersion = 102;
// Smallest possible group: an empty name (its length) and an index count.
constexpr uint64_t kMinGroupBytes = 8;

#define MESH_FAIL(message)                                                                       \
  throw SerializeException(message, 0, ".\\tier1\\StaticMeshDef", "StaticMeshDef::LoadResource", \
                           __LINE__)

// A count of items of `itemSize` bytes must fit in what is left of the file:
// a corrupt count must never size an array or a buffer.
void CheckFits(const Serializer& s, uint64_t count, uint64_t itemSize, const char* what) {
  const uint64_t left = s.GetSize() - s.GetPosition();
  if (count * itemSize > left) MESH_FAIL(std::string(what) + " count exceeds the file.");
}

}  // namespace

ResourceManager& GetStaticMeshDefManager() {
  static ResourceManager manager("StaticMeshDef");
  return manager;
}

StaticMeshDef* LoadStaticMeshDef(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  return GetStaticMeshDefManager().GetOrLoad<StaticMeshDef>(fileName);
}

StaticMeshDef::StaticMeshDef(ResourceManager* manager) : Resource(manager) {}

StaticMeshDef::~StaticMeshDef() {
  DropGeometry();
}

void StaticMeshDef::DropGeometry() {
  m_groups.clear();
  m_vertexBuffer.Reset();
  m_vertexFormat.Reset();
}

void StaticMeshDef::Unload(bool final) {
  DropGeometry();
}

bool StaticMeshDef::Reload() {
  StaticMeshDef fresh(nullptr);
  fresh.SetName(GetName());
  if (!fresh.LoadResource()) return false;
  std::swap(m_radius, fresh.m_radius);
  std::swap(m_mins, fresh.m_mins);
  std::swap(m_maxs, fresh.m_maxs);
  m_collisionVertices.swap(fresh.m_collisionVertices);
  m_collisionIndices.swap(fresh.m_collisionIndices);
  std::swap(m_vertexBuffer, fresh.m_vertexBuffer);
  std::swap(m_vertexFormat, fresh.m_vertexFormat);
  m_groups.swap(fresh.m_groups);
  std::swap(m_vertexCount, fresh.m_vertexCount);
  return true;
}

bool StaticMeshDef::LoadResource() {
  const std::string& name = GetName();
  FileSystem::File file;
  if (!file.OpenRead(name)) {
    // Every object that names the file asks again: one line is enough.
    if (FirstReport("static mesh " + name))
      LogError("Failed to open StaticMesh file '%s'", name.c_str());
    return false;
  }
  const uint32_t length = file.GetLength();
  std::vector<uint8_t> buffer(length);
  if (file.Read(buffer.data(), length) != length) {
    LogError("Error reading in bufer from StaticMesh file '%s'", name.c_str());
    return false;
  }
  file.Close();
  return LoadFromMemory(buffer.data(), length);
}

bool StaticMeshDef::LoadFromMemory(const uint8_t* data, uint32_t size) {
  try {
    Parse(data, size);
  } catch (const SerializeException& e) {
    DropGeometry();
    LogError("Error loading StaticMesh '%s' - %s", GetName().c_str(), e.what());
    return false;
  }
  if (!m_vertexBuffer) {
    // Stopped after the bounds: no video manager to hold the geometry.
    LogDetail("StaticMesh '%s' needs the video manager; none is running.", GetName().c_str());
    return false;
  }
  return true;
}

void StaticMeshDef::Parse(const uint8_t* data, uint32_t size) {
  MemReadSerializer s(data, size);
  char magic[4];
  s.DataRaw(magic, 4);
  if (std::memcmp(magic, kMagic, 4) != 0) MESH_FAIL("File format not valid.");
  uint32_t version = 0, fileSize = 0, boundsOffset = 0, geometryOffset = 0;
  s.DataUInt32(version);
  if (version != kVersion) MESH_FAIL("Incompatible format version.");
  s.DataUInt32(fileSize);
  s.DataUInt32(boundsOffset);
  s.DataUInt32(geometryOffset);
  if (fileSize != size) MESH_FAIL("File size mismatch.");

  s.SetPosition(boundsOffset);
  s.DataFloat(m_radius);
  s.DataVector3D(m_mins);
  s.DataVector3D(m_maxs);
  uint32_t count = 0;
  s.DataUInt32(count);
  CheckFits(s, count, 12, "Collision vertex");
  m_collisionVertices.resize(count);
  for (Vector3D& v : m_collisionVertices) s.DataVector3D(v);
  s.DataUInt32(count);
  CheckFits(s, count, 2, "Collision index");
  m_collisionIndices.resize(count);
  for (uint16_t& i : m_collisionIndices) s.DataUInt16(i);

  if (!GetVideoManager()) return;
  s.SetPosition(geometryOffset);
  ParseGeometry(s);
}

namespace {

// A box around the vertices indices[first, end) use; positions that are not
// numbers take no part.
void Bounds(const std::vector<Vector3D>& positions, const std::vector<uint16_t>& indices,
            size_t first, size_t end, Vector3D* outMins, Vector3D* outMaxs) {
  constexpr float kHuge = std::numeric_limits<float>::max();
  Vector3D mins(kHuge, kHuge, kHuge), maxs(-kHuge, -kHuge, -kHuge);
  for (size_t k = first; k < end; ++k) {
    const Vector3D& p = positions[indices[k]];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
    mins = Vector3D(std::min(mins.x, p.x), std::min(mins.y, p.y), std::min(mins.z, p.z));
    maxs = Vector3D(std::max(maxs.x, p.x), std::max(maxs.y, p.y), std::max(maxs.z, p.z));
  }
  if (mins.x > maxs.x) mins = maxs = Vector3D();
  *outMins = mins;
  *outMaxs = maxs;
}

void GroupBounds(const std::vector<Vector3D>& positions, const std::vector<uint16_t>& indices,
                 StaticMeshDef::Group* group) {
  Bounds(positions, indices, 0, indices.size(), &group->mins, &group->maxs);
  group->clusters.clear();
  const uint32_t triangles = uint32_t(indices.size() / 3);
  if (triangles < StaticMeshDef::kClusteredGroup) return;
  for (uint32_t t = 0; t < triangles; t += StaticMeshDef::kClusterTriangles) {
    StaticMeshDef::Cluster& c = group->clusters.emplace_back();
    c.firstTriangle = t;
    c.triangleCount = std::min(StaticMeshDef::kClusterTriangles, triangles - t);
    Bounds(positions, indices, size_t(t) * 3, size_t(t + c.triangleCount) * 3, &c.mins, &c.maxs);
  }
}

}  // namespace

void StaticMeshDef::ParseGeometry(Serializer& s) {
  m_vertexFormat = Ref<DeviceVertexFormat>::Adopt(CreateVertexFormat());
  if (!m_vertexFormat) MESH_FAIL("Failed to create VertexFormat object.");
  uint32_t vertexCount = 0;
  s.DataUInt32(vertexCount);
  m_vertexFormat->Serialize(s);
  // The positions are the first three floats of a vertex; a stream without
  // them cannot be drawn or collided with.
  const uint32_t stride = m_vertexFormat->GetStreamSize(0);
  if (stride < 12 || !m_vertexFormat->Validate()) MESH_FAIL("Invalid vertex format in file.");
  CheckFits(s, vertexCount, stride, "Vertex");

  m_vertexBuffer = Ref<VertexBuffer>::Adopt(CreateVertexBuffer(stride, vertexCount, false));
  if (!m_vertexBuffer) MESH_FAIL("Failed to create vertex buffer.");
  void* vertices = m_vertexBuffer->Lock(0, 0);
  if (!vertices) MESH_FAIL("Failed to lock vertex buffer.");
  try {
    s.DataRaw(vertices, vertexCount * stride);
  } catch (...) {
    m_vertexBuffer->Unlock();
    throw;
  }
  std::vector<Vector3D> positions(vertexCount);
  for (uint32_t v = 0; v < vertexCount; ++v)
    std::memcpy(&positions[v], static_cast<const uint8_t*>(vertices) + size_t(v) * stride, 12);
  m_vertexBuffer->Unlock();

  uint32_t groupCount = 0;
  s.DataUInt32(groupCount);
  if (groupCount == 0) MESH_FAIL("There are no material groups!");
  CheckFits(s, groupCount, kMinGroupBytes, "Material group");
  m_groups.reserve(groupCount);
  std::vector<uint16_t> indices;
  for (uint32_t g = 0; g < groupCount; ++g) {
    Group& group = m_groups.emplace_back();
    s.DataString(group.materialName);
    uint32_t k = 0;
    s.DataUInt32(k);
    if (k % 3 != 0) MESH_FAIL("Index count invalid.");
    CheckFits(s, k, 2, "Index");
    indices.resize(k);
    for (uint16_t& i : indices) {
      s.DataUInt16(i);
      // The collision builder and the device read vertices by these.
      if (i >= vertexCount) MESH_FAIL("Index out of range.");
    }
    group.indices = Ref<IndexBuffer>::Adopt(CreateIndexBuffer(0, k, false));
    if (!group.indices) MESH_FAIL("Failed to create IndexBuffer object.");
    void* out = group.indices->Lock(0, 0);
    if (!out) MESH_FAIL("Failed to lock index buffer.");
    if (k) std::memcpy(out, indices.data(), size_t(k) * 2);
    group.indices->Unlock();
    group.triangleCount = k / 3;
    GroupBounds(positions, indices, &group);
  }
  m_vertexCount = vertexCount;
}
