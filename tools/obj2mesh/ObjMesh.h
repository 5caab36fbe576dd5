// ObjMesh.h - Wavefront OBJ to static mesh file conversion.
//
// ReadObj parses positions, normals, texture coordinates, faces (polygons
// fanned into triangles, negative indices counted from the end) and
// "usemtl" (one material group each, in first-use order). WriteMesh writes
// the engine's static mesh file: one stream of position, normal and texture
// coordinate, a group per material, the positions and all triangles as the
// collision section. Meshes over 65,536 vertices are refused: indices are 16-bit.
// Builds on: tools/meshfile (the file writer).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace obj2mesh {

struct Vertex {
  float position[3];
  float normal[3];
  float texCoord[2];
};

struct Group {
  std::string material;
  std::vector<uint32_t> indices;
};

struct Mesh {
  std::vector<Vertex> vertices;
  std::vector<Group> groups;
};

constexpr size_t kMaxVertices = 65536;

// False with a reason ("file(line): ...") on malformed input.
bool ReadObj(const std::string& text, const std::string& fileName, Mesh* mesh, std::string* error);
// The file's bytes; false with a reason when the mesh cannot be written.
bool WriteMesh(const Mesh& mesh, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace obj2mesh
