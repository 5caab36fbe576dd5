// ObjMesh.cpp - OBJ parsing and static mesh file writing.
#include "ObjMesh.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <tuple>

namespace obj2mesh {

namespace {

struct Reader {
  std::vector<std::array<float, 3>> positions, normals;
  std::vector<std::array<float, 2>> texCoords;
  std::map<std::tuple<int, int, int>, uint32_t> vertexIndex;
  Mesh* mesh;
  size_t group = SIZE_MAX;  // index: the group list grows
  std::string where;
};

// OBJ indices are 1-based; negative ones count back from the newest element.
bool Resolve(const std::string& token, size_t count, int* out) {
  if (token.empty()) {
    *out = -1;
    return true;
  }
  char* end = nullptr;
  long value = std::strtol(token.c_str(), &end, 10);
  if (*end != '\0' || value == 0) return false;
  long index = value > 0 ? value - 1 : long(count) + value;
  if (index < 0 || size_t(index) >= count) return false;
  *out = int(index);
  return true;
}

bool Corner(Reader& r, const std::string& token, uint32_t* out, std::string* error) {
  std::string parts[3];
  size_t part = 0;
  for (char c : token) {
    if (c == '/') {
      if (++part > 2) break;
    } else {
      parts[part] += c;
    }
  }
  int p, t, n;
  if (part > 2 || parts[0].empty() || !Resolve(parts[0], r.positions.size(), &p) ||
      !Resolve(parts[1], r.texCoords.size(), &t) || !Resolve(parts[2], r.normals.size(), &n)) {
    *error = r.where + ": bad face corner '" + token + "'";
    return false;
  }
  auto key = std::make_tuple(p, t, n);
  auto it = r.vertexIndex.find(key);
  if (it != r.vertexIndex.end()) {
    *out = it->second;
    return true;
  }
  Vertex v{};
  std::memcpy(v.position, r.positions[size_t(p)].data(), sizeof v.position);
  if (n >= 0) std::memcpy(v.normal, r.normals[size_t(n)].data(), sizeof v.normal);
  if (t >= 0) std::memcpy(v.texCoord, r.texCoords[size_t(t)].data(), sizeof v.texCoord);
  *out = uint32_t(r.mesh->vertices.size());
  r.mesh->vertices.push_back(v);
  r.vertexIndex.emplace(key, *out);
  return true;
}

size_t FindGroup(Mesh* mesh, const std::string& material) {
  for (size_t i = 0; i < mesh->groups.size(); ++i)
    if (mesh->groups[i].material == material) return i;
  mesh->groups.push_back(Group{material, {}});
  return mesh->groups.size() - 1;
}

bool Face(Reader& r, std::istringstream& in, std::string* error) {
  std::vector<uint32_t> corners;
  std::string token;
  while (in >> token) {
    uint32_t index;
    if (!Corner(r, token, &index, error)) return false;
    corners.push_back(index);
  }
  if (corners.size() < 3) {
    *error = r.where + ": a face needs three corners";
    return false;
  }
  if (r.group == SIZE_MAX) r.group = FindGroup(r.mesh, "default");
  std::vector<uint32_t>& indices = r.mesh->groups[r.group].indices;
  for (size_t i = 1; i + 1 < corners.size(); ++i) {
    indices.push_back(corners[0]);
    indices.push_back(corners[i]);
    indices.push_back(corners[i + 1]);
  }
  return true;
}

template <size_t N>
bool Floats(std::istringstream& in, std::array<float, N>* out) {
  for (float& f : *out)
    if (!(in >> f) || !std::isfinite(f)) return false;
  return true;
}

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
  for (size_t i = 0; i < size; ++i) b.push_back(p[i]);
}
void Patch32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

bool ReadObj(const std::string& text, const std::string& fileName, Mesh* mesh, std::string* error) {
  Reader r;
  r.mesh = mesh;
  *mesh = Mesh();
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    r.where = fileName + "(" + std::to_string(number) + ")";
    std::istringstream in(line);
    std::string keyword;
    if (!(in >> keyword) || keyword[0] == '#') continue;
    bool ok = true;
    if (keyword == "v") {
      ok = Floats(in, &r.positions.emplace_back());
    } else if (keyword == "vn") {
      ok = Floats(in, &r.normals.emplace_back());
    } else if (keyword == "vt") {
      ok = Floats(in, &r.texCoords.emplace_back());
    } else if (keyword == "f") {
      if (!Face(r, in, error)) return false;
    } else if (keyword == "usemtl") {
      std::string name;
      std::getline(in >> std::ws, name);
      while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
      r.group = FindGroup(mesh, name);
    }
    if (!ok) {
      *error = r.where + ": bad numbers in '" + keyword + "'";
      return false;
    }
  }
  std::erase_if(mesh->groups, [](const Group& g) { return g.indices.empty(); });
  if (mesh->groups.empty()) {
    *error = fileName + ": no faces";
    return false;
  }
  return true;
}

bool WriteMesh(const Mesh& mesh, std::vector<uint8_t>* bytes, std::string* error) {
  if (mesh.vertices.size() > kMaxVertices) {
    *error = std::to_string(mesh.vertices.size()) + " vertices; at most 65536 fit 16-bit indices";
    return false;
  }
  float mins[3] = {0, 0, 0}, maxs[3] = {0, 0, 0}, radius = 0.0f;
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const float* p = mesh.vertices[i].position;
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
  Put32(b, uint32_t(mesh.vertices.size()));
  for (const Vertex& v : mesh.vertices)
    for (float f : v.position) PutFloat(b, f);
  size_t indexCount = 0;
  for (const Group& g : mesh.groups) indexCount += g.indices.size();
  Put32(b, uint32_t(indexCount));
  for (const Group& g : mesh.groups)
    for (uint32_t i : g.indices) Put16(b, uint16_t(i));

  Patch32(b, 16, uint32_t(b.size()));
  Put32(b, uint32_t(mesh.vertices.size()));
  Put32(b, 1);  // streams
  Put32(b, 3);  // fields: position, normal, texture coordinate
  const uint8_t fields[6] = {3, 1, 3, 3, 2, 6};  // (type, usage) pairs
  PutBytes(b, fields, 6);
  for (const Vertex& v : mesh.vertices) {
    for (float f : v.position) PutFloat(b, f);
    for (float f : v.normal) PutFloat(b, f);
    for (float f : v.texCoord) PutFloat(b, f);
  }
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

}  // namespace obj2mesh
