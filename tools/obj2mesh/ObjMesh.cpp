// ObjMesh.cpp - OBJ parsing and static mesh file writing.
#include "ObjMesh.h"

#include "MeshFile.h"

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
  meshfile::Mesh out;
  out.fields = {{meshfile::kFloat3, meshfile::kPosition},
                {meshfile::kFloat3, meshfile::kNormal},
                {meshfile::kFloat2, meshfile::kTexCoord}};
  out.vertices.reserve(mesh.vertices.size() * 8);
  for (const Vertex& v : mesh.vertices) {
    out.vertices.insert(out.vertices.end(), v.position, v.position + 3);
    out.vertices.insert(out.vertices.end(), v.normal, v.normal + 3);
    out.vertices.insert(out.vertices.end(), v.texCoord, v.texCoord + 2);
  }
  for (const Group& g : mesh.groups) out.groups.push_back({g.material, g.indices});
  return meshfile::Write(out, bytes, error);
}

}  // namespace obj2mesh
