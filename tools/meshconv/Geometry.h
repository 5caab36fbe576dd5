// Geometry.h - the pieces of a conversion that work on plain vertex data: the change of
// frame, normals made with a crease angle, welding of equal corners, tangents and the
// vertex cache and overdraw optimisation.
// Builds on: Assimp's math types, meshoptimizer.
#pragma once

#include <assimp/matrix3x3.h>
#include <assimp/matrix4x4.h>
#include <assimp/vector3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Convert.h"

namespace meshconv {

// From the file's axes and units to the engine's: points by `point`, directions by
// `direction` (a reflection: every triangle's corners must be swapped to stay front facing).
struct Frame {
  aiMatrix4x4 point, inverse;
  aiMatrix3x3 direction;
  std::string note;  // "centimetres to metres", "Z up", ... or empty
};
Frame MakeFrame(const aiScene* scene, const Options& options);

// One normal per corner of a triangle list (three corners a triangle, clockwise seen from
// the front as the engine draws): the area-weighted average of the faces that share the
// corner's position and lie within `creaseDegrees` of the corner's own face.
std::vector<aiVector3D> SmoothNormals(const std::vector<aiVector3D>& corners, float creaseDegrees);

// Corners of `stride` floats each, joined where every float is equal: the unique vertices
// (in first-use order) and one index per corner.
void Weld(const std::vector<float>& corners, uint32_t stride, std::vector<float>* vertices,
          std::vector<uint32_t>* indices);

// Appends a float4 tangent to every vertex of a position/normal/texture-coordinate mesh,
// from its texture coordinates (w is +1 or -1: the side of the bitangent).
void AddTangents(meshfile::Mesh* mesh);

// Reorders each group's triangles for the vertex cache and overdraw, then the vertices for
// fetching, when that lowers the average cache misses per triangle; false when it would
// not help (the mesh is left as it was). `before` and `after`: the ratio.
bool Optimise(meshfile::Mesh* mesh, float* before, float* after);

}  // namespace meshconv
