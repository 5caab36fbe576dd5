// meshconv.cpp - fuzzes the model converter's input path: the static mesh and character
// conversions and their writers, on scenes that Assimp's OBJ reader makes of the input
// (first byte even) or that the input spells out directly (first byte odd: nodes,
// skinned meshes, bones, weights and animation keys, NaNs and wild indices included).
// Seeds are small OBJ files and scene spellings.
//
// Only the OBJ reader is driven: Debian's Assimp (5.2.5) stops, hangs or leaks within
// seconds of fuzzing in its other readers and processing steps, which meshconv survives by
// converting in a child process (MeshConvTest shows it); here they would hide our faults.
// Assimp's processing steps are left out too: the raw scenes are the harder input.
#include <assimp/scene.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "Convert.h"

namespace {

// Reads the input front to back; past its end every read gives 0.
class Spelling {
 public:
  Spelling(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
  unsigned Count(unsigned below) { return Byte() % below; }
  float Float() {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= uint32_t(Byte()) << (8 * i);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  // Mostly small, plain numbers; now and then any bit pattern (NaN, infinity, huge).
  float Number() { return Byte() < 240 ? float(int(Byte()) - 128) / 32.0f : Float(); }
  aiVector3D Vector() { return aiVector3D(Number(), Number(), Number()); }
  aiQuaternion Turn() { return aiQuaternion(Number(), Number(), Number(), Number()); }
  aiString Name() { return aiString("n" + std::to_string(Count(12))); }

 private:
  const uint8_t* m_data;
  size_t m_size, m_at = 0;
};

// Assimp's destructors free an array only when its count is not 0.
template <typename T>
T* Array(unsigned count) {
  return count ? new T[count] : nullptr;
}

aiMatrix4x4 Transform(Spelling& in) {
  aiQuaternion turn(in.Vector(), in.Number());
  return aiMatrix4x4(aiVector3D(1, 1, 1) * (in.Count(4) ? 1.0f : in.Number()), turn, in.Vector());
}

aiMesh* Mesh(Spelling& in) {
  auto* mesh = new aiMesh();
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE | (in.Count(8) ? 0 : aiPrimitiveType_LINE);
  mesh->mNumVertices = 1 + in.Count(24);
  mesh->mVertices = new aiVector3D[mesh->mNumVertices];
  const bool normals = in.Count(2), uvs = in.Count(2);
  if (normals) mesh->mNormals = new aiVector3D[mesh->mNumVertices];
  if (uvs) mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
  for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
    mesh->mVertices[v] = in.Vector();
    if (normals) mesh->mNormals[v] = in.Vector();
    if (uvs) mesh->mTextureCoords[0][v] = in.Vector();
  }
  mesh->mNumFaces = in.Count(24);
  mesh->mFaces = Array<aiFace>(mesh->mNumFaces);
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    aiFace& face = mesh->mFaces[f];
    face.mNumIndices = in.Count(8) ? 3 : in.Count(5);
    face.mIndices = Array<unsigned>(face.mNumIndices);
    for (unsigned k = 0; k < face.mNumIndices; ++k) face.mIndices[k] = in.Count(32);
  }
  mesh->mMaterialIndex = in.Count(3);
  mesh->mNumBones = in.Count(5);
  mesh->mBones = Array<aiBone*>(mesh->mNumBones);
  for (unsigned b = 0; b < mesh->mNumBones; ++b) {
    aiBone* bone = mesh->mBones[b] = new aiBone();
    bone->mName = in.Name();
    bone->mOffsetMatrix = Transform(in);
    bone->mNumWeights = in.Count(24);
    bone->mWeights = Array<aiVertexWeight>(bone->mNumWeights);
    for (unsigned w = 0; w < bone->mNumWeights; ++w)
      bone->mWeights[w] =
          aiVertexWeight(in.Count(32), in.Count(4) ? float(in.Byte()) / 255.0f : in.Float());
  }
  return mesh;
}

aiNode* Node(Spelling& in, unsigned meshes, int depth) {
  auto* node = new aiNode(in.Name().C_Str());
  node->mTransformation = Transform(in);
  if (meshes && in.Count(3) == 0) {
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{in.Count(4)};  // now and then past the scene's meshes
  }
  const unsigned children = depth < 5 ? in.Count(4) : 0;
  if (children) {
    node->mNumChildren = children;
    node->mChildren = new aiNode*[children];
    for (unsigned c = 0; c < children; ++c) {
      node->mChildren[c] = Node(in, meshes, depth + 1);
      node->mChildren[c]->mParent = node;
    }
  }
  return node;
}

template <typename Key, typename Value>
Key* Keys(Spelling& in, unsigned* count, Value (Spelling::*value)()) {
  *count = in.Count(5);
  Key* keys = Array<Key>(*count);
  double time = 0.0;
  for (unsigned k = 0; k < *count; ++k) {
    time += in.Count(8) ? in.Byte() : in.Float();
    keys[k].mTime = time;
    keys[k].mValue = (in.*value)();
  }
  return keys;
}

aiAnimation* Animation(Spelling& in) {
  auto* animation = new aiAnimation();
  animation->mName = aiString(in.Count(2) ? "Rig|Walk" : "");
  animation->mTicksPerSecond = in.Count(4) ? 24.0 : in.Float();
  animation->mNumChannels = in.Count(5);
  animation->mChannels = Array<aiNodeAnim*>(animation->mNumChannels);
  for (unsigned c = 0; c < animation->mNumChannels; ++c) {
    aiNodeAnim* channel = animation->mChannels[c] = new aiNodeAnim();
    channel->mNodeName = in.Name();
    channel->mPositionKeys = Keys<aiVectorKey>(in, &channel->mNumPositionKeys, &Spelling::Vector);
    channel->mRotationKeys = Keys<aiQuatKey>(in, &channel->mNumRotationKeys, &Spelling::Turn);
    channel->mScalingKeys = Keys<aiVectorKey>(in, &channel->mNumScalingKeys, &Spelling::Vector);
  }
  return animation;
}

aiScene* Spell(Spelling& in) {
  auto* scene = new aiScene();
  scene->mNumMeshes = in.Count(4);
  scene->mMeshes = Array<aiMesh*>(scene->mNumMeshes);
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) scene->mMeshes[m] = Mesh(in);
  scene->mRootNode = Node(in, scene->mNumMeshes, 0);
  scene->mNumAnimations = in.Count(3);
  scene->mAnimations = Array<aiAnimation*>(scene->mNumAnimations);
  for (unsigned a = 0; a < scene->mNumAnimations; ++a) scene->mAnimations[a] = Animation(in);
  return scene;
}

void Convert(const aiScene* scene, const meshconv::Options& options) {
  std::string error;
  meshconv::StaticResult result;
  std::vector<uint8_t> bytes;
  if (meshconv::BuildStaticMesh(scene, options, "fuzz", &result, &error) &&
      !meshfile::Write(result.mesh, &bytes, &error))
    __builtin_trap();  // what the conversion builds, the writer takes
  meshconv::Character character;
  if (meshconv::BuildCharacter(scene, options, "fuzz", &character, &error))
    meshconv::WriteCharacter(character);
  else if (error.empty() || error.find('\n') != std::string::npos)
    __builtin_trap();  // a refusal is one line
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 16)) return 0;
  meshconv::Options options;
  options.tangents = (data[0] & 2) != 0;
  options.up = (data[0] & 4) ? meshconv::UpAxis::kZ : meshconv::UpAxis::kY;
  if (data[0] & 1) {
    Spelling in(data + 1, size - 1);
    aiScene* scene = Spell(in);
    Convert(scene, options);
    delete scene;
    return 0;
  }
  meshconv::Source source;
  source.SkipProcessing();
  std::string error;
  if (source.LoadFromMemory(data + 1, size - 1, "obj", meshconv::Source::Purpose::kStatic, &error))
    Convert(source.Scene(), options);
  else if (error.empty() || error.find('\n') != std::string::npos)
    __builtin_trap();
  return 0;
}
