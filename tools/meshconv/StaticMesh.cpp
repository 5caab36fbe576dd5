// StaticMesh.cpp - a loaded model as one static mesh: a group per material, normals made
// where the file has none, optional tangents, optimised for drawing.
#include <assimp/scene.h>

#include <cmath>
#include <map>

#include "Convert.h"
#include "Geometry.h"

namespace meshconv {

namespace {

constexpr uint32_t kStride = 8;  // position, normal, texture coordinate

bool Finite(const aiVector3D& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string MeshName(const aiMesh* mesh, unsigned index) {
  return mesh->mName.length ? "'" + std::string(mesh->mName.C_Str()) + "'"
                            : "#" + std::to_string(index);
}

// The mesh's triangles as corners in the engine's frame (each triangle's corners swapped:
// the frame mirrors). False when the mesh has a position that is not a number.
bool Corners(const aiMesh* mesh, const Frame& frame, float creaseDegrees, std::vector<float>* out,
             bool* madeNormals) {
  std::vector<aiVector3D> positions, normals;
  std::vector<unsigned> sources;
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const aiFace& face = mesh->mFaces[f];
    if (face.mNumIndices != 3) continue;
    for (unsigned k : {0u, 2u, 1u}) {
      const unsigned i = face.mIndices[k];
      if (i >= mesh->mNumVertices || !Finite(mesh->mVertices[i])) return false;
      positions.push_back(frame.point * mesh->mVertices[i]);
      sources.push_back(i);
    }
  }
  bool usable = mesh->HasNormals();
  for (size_t c = 0; usable && c < sources.size(); ++c) {
    aiVector3D n = frame.direction * mesh->mNormals[sources[c]];
    usable = Finite(n) && n.Length() > 0.0f;
    normals.push_back(n.Normalize());
  }
  if (!usable) {
    normals = SmoothNormals(positions, creaseDegrees);
    *madeNormals = true;
  }
  const aiVector3D* uvs = mesh->HasTextureCoords(0) ? mesh->mTextureCoords[0] : nullptr;
  for (size_t c = 0; c < sources.size(); ++c) {
    float u = 0.0f, v = 0.0f;
    if (uvs && std::isfinite(uvs[sources[c]].x) && std::isfinite(uvs[sources[c]].y)) {
      u = uvs[sources[c]].x;
      v = 1.0f - uvs[sources[c]].y;  // the engine's first texture row is its top
    }
    const aiVector3D& p = positions[c];
    const aiVector3D& n = normals[c];
    out->insert(out->end(), {p.x, p.y, p.z, n.x, n.y, n.z, u, v});
  }
  return true;
}

}  // namespace

bool BuildStaticMesh(const aiScene* scene, const Options& options, const std::string& modelStem,
                     StaticResult* result, std::string* error) {
  const Frame frame = MakeFrame(scene, options);
  const std::vector<MaterialInfo> materials = ReadMaterials(scene, options, modelStem);
  std::map<unsigned, size_t> groupOf;  // material index -> group
  std::vector<std::vector<float>> corners;
  bool madeNormals = false, noTexCoords = false;
  meshfile::Mesh& mesh = result->mesh;
  mesh = meshfile::Mesh();
  mesh.fields = {{meshfile::kFloat3, meshfile::kPosition},
                 {meshfile::kFloat3, meshfile::kNormal},
                 {meshfile::kFloat2, meshfile::kTexCoord}};
  result->materials.clear();
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* part = scene->mMeshes[m];
    if (!(part->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
    const unsigned material = part->mMaterialIndex < materials.size() ? part->mMaterialIndex : 0;
    auto [it, added] = groupOf.emplace(material, corners.size());
    if (added) {
      corners.emplace_back();
      result->materials.push_back(material < materials.size() ? materials[material]
                                                              : MaterialInfo{"default", {}});
    }
    if (!Corners(part, frame, options.creaseDegrees, &corners[it->second], &madeNormals)) {
      *error = "mesh " + MeshName(part, m) + " has a vertex position that is not a number";
      return false;
    }
    noTexCoords = noTexCoords || !part->HasTextureCoords(0);
  }
  std::vector<MaterialInfo> used;
  for (size_t g = 0; g < corners.size(); ++g) {
    if (corners[g].empty()) continue;  // a mesh of only points or lines
    mesh.groups.push_back({result->materials[g].name, {}});
    used.push_back(result->materials[g]);
    Weld(corners[g], kStride, &mesh.vertices, &mesh.groups.back().indices);
  }
  result->materials = std::move(used);
  if (mesh.groups.empty()) {
    *error = "no triangles in the file";
    return false;
  }
  if (mesh.VertexCount() > meshfile::kMaxVertices) {
    *error = std::to_string(mesh.VertexCount()) + " vertices; at most 65536 fit 16-bit indices";
    return false;
  }

  Report& report = result->report;
  report = Report();
  if (madeNormals) report.AddMadeNormals(options.creaseDegrees);
  if (options.tangents) {
    AddTangents(&mesh);
    report.made.push_back(noTexCoords ? "tangents (some without texture coordinates)" : "tangents");
  }
  float before = 0.0f, after = 0.0f;
  if (options.optimise && Optimise(&mesh, &before, &after)) {
    char text[96];
    std::snprintf(text, sizeof text, "vertex cache order (%.2f to %.2f misses a triangle)",
                  double(before), double(after));
    report.made.push_back(text);
  }
  report.vertices = mesh.VertexCount();
  for (const meshfile::Group& g : mesh.groups) report.triangles += g.indices.size() / 3;
  for (const MaterialInfo& m : result->materials) report.AddGroup(m);
  if (noTexCoords) report.notes.push_back("no texture coordinates in some meshes (0, 0 used)");
  if (!frame.note.empty()) report.notes.push_back(frame.note);
  return true;
}

}  // namespace meshconv
