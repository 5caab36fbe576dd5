// Source.cpp - loading a model file through Assimp, its materials and textures, the summary line.
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <cstdio>
#include <set>

#include "Convert.h"

namespace meshconv {

namespace {

// Triangles only (points and lines are dropped), shared corners joined, degenerate
// triangles removed, the data checked; statics also get every node transform applied.
unsigned Flags(Source::Purpose purpose) {
  unsigned flags = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_SortByPType |
                   aiProcess_FindDegenerates | aiProcess_ValidateDataStructure |
                   aiProcess_TransformUVCoords;
  if (purpose == Source::Purpose::kStatic)
    flags |= aiProcess_PreTransformVertices;
  else
    flags |= aiProcess_LimitBoneWeights;
  return flags;
}

void Configure(Assimp::Importer& importer) {
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                              aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  importer.SetPropertyBool(AI_CONFIG_PP_FD_REMOVE, true);
  importer.SetPropertyInteger(AI_CONFIG_PP_LBW_MAX_WEIGHTS, 4);
}

// Assimp's reasons can span lines; ours are one.
std::string OneLine(const char* text) {
  std::string line = text && *text ? text : "the importer gave no reason";
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string BaseName(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TextureRef Texture(const aiScene* scene, const aiMaterial* material, const Options& options,
                   const std::string& modelStem) {
  aiString path;
  if (material->GetTexture(aiTextureType_DIFFUSE, 0, &path) != AI_SUCCESS &&
      material->GetTexture(aiTextureType_BASE_COLOR, 0, &path) != AI_SUCCESS)
    return {};
  TextureRef ref;
  const auto [embedded, index] = scene->GetEmbeddedTextureAndIndex(path.C_Str());
  if (!embedded) {
    ref.name = BaseName(path.C_Str());
    if (!ref.name.empty()) ref.name = options.textureDir + ref.name;
    return ref;
  }
  // Only compressed images (PNG, JPEG...) are kept: raw texels have no file format.
  if (embedded->mHeight != 0 || !embedded->pcData || embedded->mWidth == 0) return {};
  std::string name = BaseName(embedded->mFilename.C_Str());
  if (name.empty()) name = modelStem + "_" + std::to_string(index);
  std::string hint(embedded->achFormatHint, strnlen(embedded->achFormatHint, HINTMAXTEXTURELEN));
  if (!hint.empty() && name.find('.') == std::string::npos) name += "." + hint;
  ref.name = options.textureDir + SafeFileName(name);
  const auto* bytes = reinterpret_cast<const uint8_t*>(embedded->pcData);
  ref.embedded.assign(bytes, bytes + embedded->mWidth);
  return ref;
}

std::string PythonString(const std::string& text) {
  std::string out = "'";
  for (unsigned char c : text) {
    if (c == '\\' || c == '\'') {
      out += '\\';
      out += char(c);
    } else if (c < 32 || c == 127) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    } else {
      out += char(c);
    }
  }
  return out + "'";
}

}  // namespace

Source::Source() : m_importer(std::make_unique<Assimp::Importer>()) {
  Configure(*m_importer);
}

Source::~Source() = default;

bool Source::Load(const std::string& path, Purpose purpose, std::string* error) {
  m_scene =
      m_importer->ReadFile(path, m_process ? Flags(purpose) : aiProcess_ValidateDataStructure);
  return Check(error);
}

bool Source::LoadFromMemory(const void* data, size_t size, const std::string& hint, Purpose purpose,
                            std::string* error) {
  m_scene = m_importer->ReadFileFromMemory(
      data, size, m_process ? Flags(purpose) : aiProcess_ValidateDataStructure, hint.c_str());
  return Check(error);
}

bool Source::Check(std::string* error) {
  if (!m_scene) {
    *error = OneLine(m_importer->GetErrorString());
    return false;
  }
  if ((m_scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || !m_scene->mRootNode) {
    *error = "the file holds no complete scene";
    m_scene = nullptr;
    return false;
  }
  size_t triangles = 0;
  for (unsigned m = 0; m < m_scene->mNumMeshes; ++m)
    if (m_scene->mMeshes[m]->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)
      triangles += m_scene->mMeshes[m]->mNumFaces;
  if (triangles == 0) {
    *error = "no triangles in the file";
    m_scene = nullptr;
    return false;
  }
  return true;
}

std::vector<MaterialInfo> ReadMaterials(const aiScene* scene, const Options& options,
                                        const std::string& modelStem) {
  std::vector<MaterialInfo> materials;
  std::set<std::string> taken;
  for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
    const aiMaterial* material = scene->mMaterials[i];
    aiString name;
    material->Get(AI_MATKEY_NAME, name);
    std::string base = name.length ? name.C_Str() : "";
    if (base.empty() || base == AI_DEFAULT_MATERIAL_NAME) base = "default";
    // Two materials of one name would share a group name: number the later ones.
    std::string unique = base;
    for (int n = 2; taken.count(unique); ++n) unique = base + "." + std::to_string(n);
    taken.insert(unique);
    materials.push_back({unique, Texture(scene, material, options, modelStem)});
  }
  return materials;
}

void Report::AddGroup(const MaterialInfo& m) {
  groups.push_back(m.name + ": " + (m.diffuse.name.empty() ? "no texture" : m.diffuse.name));
}

void Report::AddMadeNormals(float creaseDegrees) {
  char text[64];
  std::snprintf(text, sizeof text, "normals (crease %g degrees)", double(creaseDegrees));
  made.push_back(text);
}

std::string Report::Summary(const std::string& output) const {
  std::string line = output + ": " + std::to_string(vertices) + " vertices, " +
                     std::to_string(triangles) + " triangles, " + std::to_string(groups.size()) +
                     (groups.size() == 1 ? " group [" : " groups [");
  for (size_t i = 0; i < groups.size(); ++i) line += (i ? "; " : "") + groups[i];
  line += "]";
  line += "; made: ";
  if (made.empty()) line += "nothing";
  for (size_t i = 0; i < made.size(); ++i) line += (i ? ", " : "") + made[i];
  for (const std::string& note : notes) line += "; " + note;
  return line;
}

std::string WriteMaterialsModule(const std::vector<MaterialInfo>& materials,
                                 const std::string& source) {
  std::string text = "# Written by meshconv from " + BaseName(source) +
                     ": the textures each material group names, by effect parameter.\n"
                     "MATERIALS = {\n";
  for (const MaterialInfo& m : materials) {
    text += "    " + PythonString(m.name) + ": {";
    if (!m.diffuse.name.empty()) text += "'DiffuseMap': " + PythonString(m.diffuse.name);
    text += "},\n";
  }
  return text + "}\n";
}

std::string SafeFileName(const std::string& name) {
  std::string safe;
  for (unsigned char c : name)
    safe += (std::isalnum(c) || c == '-' || c == '_' || c == '.') ? char(c) : '_';
  if (safe.empty() || safe[0] == '.') safe = "_" + safe;
  return safe;
}

}  // namespace meshconv
