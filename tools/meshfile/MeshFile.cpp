// MeshFile.cpp - static mesh file writing.
#include "MeshFile.h"

#include <cmath>
#include <cstring>

namespace meshfile {

namespace {

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutFloat(std::vector<uint8_t>& b, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  Put32(b, v);
}
void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void PutBytes(std::vector<uint8_t>& b, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  b.insert(b.end(), p, p + size);
}
void Patch32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

uint32_t Mesh::FloatsPerVertex() const {
  uint32_t floats = 0;
  for (const Field& f : fields) floats += f.type;  // float1..float4 hold 1..4 floats
  return floats;
}

size_t Mesh::VertexCount() const {
  const uint32_t stride = FloatsPerVertex();
  return stride ? vertices.size() / stride : 0;
}

bool Write(const Mesh& mesh, std::vector<uint8_t>* bytes, std::string* error) {
  const uint32_t stride = mesh.FloatsPerVertex();
  const size_t count = mesh.VertexCount();
  if (stride < 3 || mesh.fields.empty() || mesh.fields[0].usage != kPosition) {
    *error = "the vertex layout does not start with a position";
    return false;
  }
  if (count > kMaxVertices) {
    *error = std::to_string(count) + " vertices; at most 65536 fit 16-bit indices";
    return false;
  }
  for (const Group& g : mesh.groups)
    for (uint32_t i : g.indices)
      if (i >= count) {
        *error = "group '" + g.material + "' indexes past the vertices";
        return false;
      }
  float mins[3] = {0, 0, 0}, maxs[3] = {0, 0, 0}, radius = 0.0f;
  for (size_t i = 0; i < count; ++i) {
    const float* p = &mesh.vertices[i * stride];
    for (int a = 0; a < 3; ++a) {
      mins[a] = i ? std::fmin(mins[a], p[a]) : p[a];
      maxs[a] = i ? std::fmax(maxs[a], p[a]) : p[a];
    }
    radius = std::fmax(radius, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
  }
  std::vector<uint8_t>& b = *bytes;
  b.clear();
  PutBytes(b, "STCM", 4);
  Put32(b, 102);
  Put32(b, 0);   // file size
  Put32(b, 20);  // bounds
  Put32(b, 0);   // geometry
  PutFloat(b, radius);
  for (float f : mins) PutFloat(b, f);
  for (float f : maxs) PutFloat(b, f);
  Put32(b, uint32_t(count));
  for (size_t i = 0; i < count; ++i)
    for (int a = 0; a < 3; ++a) PutFloat(b, mesh.vertices[i * stride + size_t(a)]);
  size_t indexCount = 0;
  for (const Group& g : mesh.groups) indexCount += g.indices.size();
  Put32(b, uint32_t(indexCount));
  for (const Group& g : mesh.groups)
    for (uint32_t i : g.indices) Put16(b, uint16_t(i));

  Patch32(b, 16, uint32_t(b.size()));
  Put32(b, uint32_t(count));
  Put32(b, 1);  // streams
  Put32(b, uint32_t(mesh.fields.size()));
  for (const Field& f : mesh.fields) {
    b.push_back(f.type);
    b.push_back(f.usage);
  }
  for (float f : mesh.vertices) PutFloat(b, f);
  Put32(b, uint32_t(mesh.groups.size()));
  for (const Group& g : mesh.groups) {
    Put32(b, uint32_t(g.material.size()));
    PutBytes(b, g.material.data(), g.material.size());
    Put32(b, uint32_t(g.indices.size()));
    for (uint32_t i : g.indices) Put16(b, uint16_t(i));
  }
  Patch32(b, 8, uint32_t(b.size()));
  return true;
}

}  // namespace meshfile
