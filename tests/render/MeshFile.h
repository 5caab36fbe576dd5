// MeshFile.h - builds static mesh files for the tests, and remembers where the counts sit
// so that a test can corrupt exactly one of them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tier0/Vector.h"

namespace meshtest {

struct MeshFile {
  float radius = 2.0f;
  Vector3D mins{-1, 0, -1}, maxs{1, 1, 1};
  std::vector<Vector3D> collisionVertices;
  std::vector<uint16_t> collisionIndices;
  // Stream 0 fields (type, usage); position only by default.
  std::vector<std::pair<uint8_t, uint8_t>> fields = {{3, 1}};
  uint32_t floatsPerVertex = 3;
  std::vector<float> vertices;
  std::vector<std::pair<std::string, std::vector<uint16_t>>> groups;

  // Offsets of the counts in the last Bytes() result.
  size_t collisionCountAt = 0, collisionIndexCountAt = 0, vertexCountAt = 0, streamCountAt = 0,
         groupCountAt = 0, firstIndexCountAt = 0, firstIndexAt = 0;

  // A unit quad on y = 0 in two groups ("floor": two triangles, "trim": one).
  static MeshFile Quad() {
    MeshFile m;
    m.vertices = {-1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1};
    m.groups = {{"floor", {0, 2, 1, 0, 3, 2}}, {"trim", {0, 1, 2}}};
    m.collisionVertices = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 1, 1}};
    m.collisionIndices = {0, 1, 2, 0, 2, 3};
    return m;
  }

  // A flat square of cells x cells quads over [-half, half] in x and y at
  // z = 0, facing -z (towards a camera looking down +z), with normals and
  // texture coordinates; one group, "face".
  static MeshFile Grid(int cells, float half) {
    MeshFile m;
    m.radius = half * 1.5f;
    m.mins = {-half, -half, 0};
    m.maxs = {half, half, 0};
    m.fields = {{3, 1}, {3, 3}, {2, 6}};
    m.floatsPerVertex = 8;
    const int n = cells + 1;
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        const float u = float(i) / float(cells), v = float(j) / float(cells);
        m.vertices.insert(m.vertices.end(),
                          {-half + 2 * half * u, half - 2 * half * v, 0, 0, 0, -1, u, v});
      }
    std::vector<uint16_t> indices;
    for (int j = 0; j < cells; ++j)
      for (int i = 0; i < cells; ++i) {
        // Clockwise on screen: top left, top right, bottom left; then the other half.
        const auto at = [n](int x, int y) { return uint16_t(y * n + x); };
        indices.insert(indices.end(), {at(i, j), at(i + 1, j), at(i, j + 1), at(i + 1, j),
                                       at(i + 1, j + 1), at(i, j + 1)});
      }
    m.groups = {{"face", indices}};
    return m;
  }

  std::string Bytes() {
    std::string b = "STCM";
    U32(b, 102);
    U32(b, 0);
    U32(b, 20);
    U32(b, 0);
    F(b, radius);
    for (const Vector3D* v : {&mins, &maxs}) V(b, *v);
    collisionCountAt = b.size();
    U32(b, uint32_t(collisionVertices.size()));
    for (const Vector3D& v : collisionVertices) V(b, v);
    collisionIndexCountAt = b.size();
    U32(b, uint32_t(collisionIndices.size()));
    for (uint16_t i : collisionIndices) U16(b, i);
    Patch(b, 16, uint32_t(b.size()));
    vertexCountAt = b.size();
    U32(b, floatsPerVertex ? uint32_t(vertices.size() / floatsPerVertex) : 0);
    streamCountAt = b.size();
    U32(b, 1);
    U32(b, uint32_t(fields.size()));
    for (auto [type, usage] : fields) b += char(type), b += char(usage);
    for (float f : vertices) F(b, f);
    groupCountAt = b.size();
    U32(b, uint32_t(groups.size()));
    for (size_t g = 0; g < groups.size(); ++g) {
      U32(b, uint32_t(groups[g].first.size()));
      b += groups[g].first;
      if (g == 0) firstIndexCountAt = b.size(), firstIndexAt = b.size() + 4;
      U32(b, uint32_t(groups[g].second.size()));
      for (uint16_t i : groups[g].second) U16(b, i);
    }
    Patch(b, 8, uint32_t(b.size()));
    return b;
  }

  static void Patch(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char(v >> (8 * i));
  }
  static void U32(std::string& b, uint32_t v) {
    b.resize(b.size() + 4);
    Patch(b, b.size() - 4, v);
  }
  static void U16(std::string& b, uint16_t v) { b += char(v & 0xff), b += char(v >> 8); }
  static void F(std::string& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    U32(b, v);
  }
  static void V(std::string& b, const Vector3D& v) { F(b, v.x), F(b, v.y), F(b, v.z); }
};

}  // namespace meshtest
