// Convert.h - meshconv's conversions: a model file read by Assimp becomes a static mesh
// file, or a Cal3D character (skeleton, mesh, animations) with its dynamic mesh definition.
//
// Every file is turned into the engine's frame: Y up (Z-up files with UpAxis::kZ), metres
// (FBX files say their unit), left-handed with clockwise front faces and texture rows
// top first, as the engine draws. A Source is one loaded file; the Build functions read
// it (or any scene: they take nothing for granted) and never write files; the Write
// functions give the bytes or texts to write.
// Builds on: Assimp (Debian's libassimp-dev), meshoptimizer, tools/meshfile.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MeshFile.h"

struct aiScene;
namespace Assimp {
class Importer;
}

namespace meshconv {

enum class UpAxis { kY, kZ };

struct Options {
  float creaseDegrees = 30.0f;  // faces meeting at a sharper angle keep their own normals
  UpAxis up = UpAxis::kY;
  float scale = 1.0f;
  bool tangents = false;  // a float4 tangent (w: the bitangent's side) after the texture coordinate
  bool optimise = true;
  std::string textureDir = "Textures/";  // prefixed to each texture's file name
};

// A material group's texture: its name in the game's packages and, when the model file
// carries the image itself, the image file's bytes.
struct TextureRef {
  std::string name;
  std::vector<uint8_t> embedded;
};

struct MaterialInfo {
  std::string name;
  TextureRef diffuse;  // empty name: the material names no texture
};

// One loaded model file. Static meshes are read with the node transforms applied;
// characters keep the node tree for the skeleton.
class Source {
 public:
  enum class Purpose { kStatic, kCharacter };
  Source();
  ~Source();
  // Reading only, checked, without Assimp's processing steps (triangulation, joining,
  // baking the node transforms...): what the conversions must also survive.
  void SkipProcessing() { m_process = false; }
  bool Load(const std::string& path, Purpose purpose, std::string* error);
  // As Load, from memory; `hint` is the file extension ("glb", "obj"), or empty to guess.
  bool LoadFromMemory(const void* data, size_t size, const std::string& hint, Purpose purpose,
                      std::string* error);
  const aiScene* Scene() const { return m_scene; }

 private:
  bool Check(std::string* error);
  std::unique_ptr<Assimp::Importer> m_importer;
  const aiScene* m_scene = nullptr;
  bool m_process = true;
};

// The material of each of the scene's materials, by index: the group names are unique
// ("default" for an unnamed material) and textures are named by textureDir + file name.
std::vector<MaterialInfo> ReadMaterials(const aiScene* scene, const Options& options,
                                        const std::string& modelStem);

// What a conversion made, for the summary line.
struct Report {
  size_t vertices = 0, triangles = 0;
  std::vector<std::string> groups;  // "name: texture" or "name"
  std::vector<std::string> made;    // "normals (crease 30 degrees)", "tangents", ...
  std::vector<std::string> notes;   // anything else worth a word
  void AddGroup(const MaterialInfo& material);
  void AddMadeNormals(float creaseDegrees);
  std::string Summary(const std::string& output) const;
};

struct StaticResult {
  meshfile::Mesh mesh;
  std::vector<MaterialInfo> materials;  // one per group, in group order
  Report report;
};

bool BuildStaticMesh(const aiScene* scene, const Options& options, const std::string& modelStem,
                     StaticResult* result, std::string* error);

// A Cal3D character in the engine's frame.
struct CalBone {
  std::string name;
  int parent = -1;
  std::vector<int> children;
  float translation[3], rotation[4];            // relative to the parent, at rest
  float spaceTranslation[3], spaceRotation[4];  // model space to bone space
};
struct CalVertex {
  float position[3], normal[3], texCoord[2];
  std::vector<std::pair<int, float>> influences;  // bone, weight (at most 4, summing to 1)
};
struct CalSubmesh {
  int material = 0;
  std::vector<CalVertex> vertices;
  std::vector<uint32_t> indices;
};
struct CalKeyframe {
  float time, translation[3], rotation[4];
};
struct CalTrack {
  int bone;
  std::vector<CalKeyframe> keys;
};
struct CalAnimation {
  std::string name, fileName;
  float duration = 0.0f;
  std::vector<CalTrack> tracks;
};
struct Character {
  std::string name;
  std::vector<CalBone> bones;
  std::vector<CalSubmesh> submeshes;
  std::vector<MaterialInfo> materials;  // the definition's materials, submesh material order
  std::vector<CalAnimation> animations;
  Report report;
};

bool BuildCharacter(const aiScene* scene, const Options& options, const std::string& name,
                    Character* character, std::string* error);

// The files of a character: file name (in the output folder) to text.
std::map<std::string, std::string> WriteCharacter(const Character& character);

// A Python module naming each material group's textures:
//   MATERIALS = {'Crate': {'DiffuseMap': 'Textures/crate.png'}, ...}
std::string WriteMaterialsModule(const std::vector<MaterialInfo>& materials,
                                 const std::string& source);

// A name safe for a file name: letters, digits, '-', '_' and '.' kept, anything else '_'.
std::string SafeFileName(const std::string& name);

}  // namespace meshconv
