// MeshFile.h - writes the engine's static mesh file (version 102) from a vertex layout,
// packed vertices and material groups.
//
// The first three floats of every vertex are its position: the bounds and the collision
// section (every position and every triangle) are made from them. Indices are 16-bit in
// the file, so a mesh of more than 65,536 vertices is refused. Shared by the converters
// (obj2mesh, meshconv). Standalone: the C++ library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace meshfile {

// Vertex field types and usages, as the engine's vertex formats number them.
enum FieldType : uint8_t { kFloat1 = 1, kFloat2 = 2, kFloat3 = 3, kFloat4 = 4 };
enum FieldUsage : uint8_t { kPosition = 1, kNormal = 3, kTangent = 5, kTexCoord = 6 };

struct Field {
  uint8_t type;
  uint8_t usage;
};

struct Group {
  std::string material;
  std::vector<uint32_t> indices;  // three per triangle
};

struct Mesh {
  std::vector<Field> fields;    // stream 0; float fields only
  std::vector<float> vertices;  // FloatsPerVertex() floats each
  std::vector<Group> groups;

  uint32_t FloatsPerVertex() const;
  size_t VertexCount() const;
};

constexpr size_t kMaxVertices = 65536;

// The file's bytes; false with a reason when the mesh cannot be written.
bool Write(const Mesh& mesh, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace meshfile
