// Geometry.cpp - frame change, crease-angle normals, welding, tangents, optimisation.
#include "Geometry.h"

#include <assimp/scene.h>
#include <meshoptimizer.h>

#include <cmath>
#include <cstring>
#include <unordered_map>

namespace meshconv {

namespace {

// FBX files say how many centimetres one of their units is.
float FileUnitInMetres(const aiScene* scene) {
  if (!scene->mMetaData) return 1.0f;
  float f = 0.0f;
  double d = 0.0;
  if (scene->mMetaData->Get("UnitScaleFactor", f) && std::isfinite(f) && f > 0.0f) return f * 0.01f;
  if (scene->mMetaData->Get("UnitScaleFactor", d) && std::isfinite(d) && d > 0.0)
    return float(d * 0.01);
  return 1.0f;
}

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", double(value));
  return text;
}

std::string Key(const float* values, size_t count) {
  return std::string(reinterpret_cast<const char*>(values), count * sizeof(float));
}

}  // namespace

Frame MakeFrame(const aiScene* scene, const Options& options) {
  Frame frame;
  const float unit = FileUnitInMetres(scene);
  const float k = unit * options.scale;
  // The engine's z is the file's -z (a mirror); a Z-up file's y becomes the engine's z
  // and its z the engine's y.
  aiMatrix3x3 a(1, 0, 0, 0, 1, 0, 0, 0, -1);
  if (options.up == UpAxis::kZ) a = aiMatrix3x3(1, 0, 0, 0, 0, 1, 0, 1, 0);
  frame.direction = a;
  aiMatrix3x3 scaled = a, back = aiMatrix3x3(a).Transpose();
  for (unsigned r = 0; r < 3; ++r)
    for (unsigned c = 0; c < 3; ++c) {
      scaled[r][c] *= k;
      back[r][c] /= k;
    }
  frame.point = aiMatrix4x4(scaled);
  frame.inverse = aiMatrix4x4(back);
  if (unit != 1.0f) frame.note = "file units of " + Number(unit) + " m";
  if (options.up == UpAxis::kZ) frame.note += std::string(frame.note.empty() ? "" : ", ") + "Z up";
  if (options.scale != 1.0f)
    frame.note +=
        std::string(frame.note.empty() ? "" : ", ") + "scaled by " + Number(options.scale);
  return frame;
}

std::vector<aiVector3D> SmoothNormals(const std::vector<aiVector3D>& corners, float creaseDegrees) {
  const size_t triangles = corners.size() / 3;
  std::vector<aiVector3D> area(triangles), unit(triangles);
  for (size_t t = 0; t < triangles; ++t) {
    const aiVector3D* p = &corners[t * 3];
    area[t] = (p[1] - p[0]) ^ (p[2] - p[0]);
    const float length = area[t].Length();
    unit[t] = length > 0.0f ? area[t] / length : aiVector3D(0, 0, 0);
  }
  std::unordered_map<std::string, std::vector<size_t>> facesAt;
  for (size_t c = 0; c < corners.size(); ++c) {
    const float xyz[3] = {corners[c].x, corners[c].y, corners[c].z};
    std::vector<size_t>& faces = facesAt[Key(xyz, 3)];
    if (faces.empty() || faces.back() != c / 3) faces.push_back(c / 3);
  }
  const float cosLimit = std::cos(creaseDegrees * float(M_PI) / 180.0f);
  std::vector<aiVector3D> normals(corners.size());
  for (size_t c = 0; c < corners.size(); ++c) {
    const float xyz[3] = {corners[c].x, corners[c].y, corners[c].z};
    const size_t own = c / 3;
    aiVector3D sum(0, 0, 0);
    for (size_t f : facesAt[Key(xyz, 3)])
      if (f == own || unit[own] * unit[f] >= cosLimit) sum += area[f];
    const float length = sum.Length();
    normals[c] =
        length > 0.0f ? sum / length : (unit[own].Length() > 0 ? unit[own] : aiVector3D(0, 1, 0));
  }
  return normals;
}

void Weld(const std::vector<float>& corners, uint32_t stride, std::vector<float>* vertices,
          std::vector<uint32_t>* indices) {
  std::unordered_map<std::string, uint32_t> seen;
  const size_t count = corners.size() / stride;
  indices->reserve(indices->size() + count);
  for (size_t c = 0; c < count; ++c) {
    const float* corner = &corners[c * stride];
    const uint32_t next = uint32_t(vertices->size() / stride);
    const auto [it, added] = seen.emplace(Key(corner, stride), next);
    if (added) vertices->insert(vertices->end(), corner, corner + stride);
    indices->push_back(it->second);
  }
}

void AddTangents(meshfile::Mesh* mesh) {
  const uint32_t stride = mesh->FloatsPerVertex();  // position, normal, texture coordinate
  const size_t count = mesh->VertexCount();
  std::vector<aiVector3D> tan(count), bitan(count);
  for (const meshfile::Group& g : mesh->groups)
    for (size_t i = 0; i + 2 < g.indices.size(); i += 3) {
      const float* v[3];
      for (int k = 0; k < 3; ++k) v[k] = &mesh->vertices[size_t(g.indices[i + size_t(k)]) * stride];
      const aiVector3D e1(v[1][0] - v[0][0], v[1][1] - v[0][1], v[1][2] - v[0][2]);
      const aiVector3D e2(v[2][0] - v[0][0], v[2][1] - v[0][1], v[2][2] - v[0][2]);
      const float du1 = v[1][6] - v[0][6], dv1 = v[1][7] - v[0][7];
      const float du2 = v[2][6] - v[0][6], dv2 = v[2][7] - v[0][7];
      const float det = du1 * dv2 - du2 * dv1;
      if (std::fabs(det) < 1e-12f) continue;
      const aiVector3D t = (e1 * dv2 - e2 * dv1) / det, b = (e2 * du1 - e1 * du2) / det;
      for (int k = 0; k < 3; ++k) {
        tan[g.indices[i + size_t(k)]] += t;
        bitan[g.indices[i + size_t(k)]] += b;
      }
    }
  std::vector<float> out;
  out.reserve(count * (stride + 4));
  for (size_t i = 0; i < count; ++i) {
    const float* v = &mesh->vertices[i * stride];
    out.insert(out.end(), v, v + stride);
    const aiVector3D n(v[3], v[4], v[5]);
    aiVector3D t = tan[i] - n * (n * tan[i]);
    if (t.Length() < 1e-8f) {  // no usable texture mapping here: any direction across the normal
      t = std::fabs(n.x) < 0.9f ? aiVector3D(1, 0, 0) ^ n : aiVector3D(0, 1, 0) ^ n;
    }
    t.Normalize();
    const float w = ((n ^ t) * bitan[i]) < 0.0f ? -1.0f : 1.0f;
    out.insert(out.end(), {t.x, t.y, t.z, w});
  }
  mesh->vertices = std::move(out);
  mesh->fields.push_back({meshfile::kFloat4, meshfile::kTangent});
}

bool Optimise(meshfile::Mesh* mesh, float* before, float* after) {
  const size_t count = mesh->VertexCount();
  const size_t stride = mesh->FloatsPerVertex() * sizeof(float);
  size_t triangles = 0;
  float missesBefore = 0.0f, missesAfter = 0.0f;
  std::vector<std::vector<uint32_t>> reordered;
  for (const meshfile::Group& g : mesh->groups) {
    triangles += g.indices.size() / 3;
    const size_t n = g.indices.size();
    missesBefore +=
        meshopt_analyzeVertexCache(g.indices.data(), n, count, 16, 0, 0).acmr * float(n / 3);
    std::vector<uint32_t> cache(n), drawn(n);
    meshopt_optimizeVertexCache(cache.data(), g.indices.data(), n, count);
    meshopt_optimizeOverdraw(drawn.data(), cache.data(), n, mesh->vertices.data(), count, stride,
                             1.05f);
    missesAfter += meshopt_analyzeVertexCache(drawn.data(), n, count, 16, 0, 0).acmr * float(n / 3);
    reordered.push_back(std::move(drawn));
  }
  *before = triangles ? missesBefore / float(triangles) : 0.0f;
  *after = triangles ? missesAfter / float(triangles) : 0.0f;
  if (!(*after < *before * 0.98f)) return false;
  std::vector<uint32_t> all;
  for (const std::vector<uint32_t>& r : reordered) all.insert(all.end(), r.begin(), r.end());
  std::vector<uint32_t> remap(count);
  const size_t used = meshopt_optimizeVertexFetchRemap(remap.data(), all.data(), all.size(), count);
  std::vector<float> vertices(used * (stride / sizeof(float)));
  meshopt_remapVertexBuffer(vertices.data(), mesh->vertices.data(), count, stride, remap.data());
  mesh->vertices = std::move(vertices);
  for (size_t i = 0; i < mesh->groups.size(); ++i)
    meshopt_remapIndexBuffer(mesh->groups[i].indices.data(), reordered[i].data(),
                             reordered[i].size(), remap.data());
  return true;
}

}  // namespace meshconv
