// Character.cpp - a rigged model as a Cal3D character: the bones skinned meshes name, the
// meshes in their rest pose with up to four influences a vertex, and every animation
// sampled at its own key times.
//
// Cal3D bones carry no scale: each bone keeps the rotation and translation of its global
// transform and the (uniform, constant) scale stays in the vertices, which is exact for
// the usual exports (an armature scaled as a whole, FBX's unit scale).
#include <assimp/scene.h>

#include <cmath>
#include <map>
#include <set>

#include "Convert.h"
#include "Geometry.h"

namespace meshconv {

namespace {

using Globals = std::map<const aiNode*, aiMatrix4x4>;
using Channels = std::map<const aiNode*, const aiNodeAnim*>;

aiVector3D Mix(const aiVector3D& a, const aiVector3D& b, float f) {
  return a + (b - a) * f;
}

aiQuaternion Mix(const aiQuaternion& a, const aiQuaternion& b, float f) {
  aiQuaternion q;
  aiQuaternion::Interpolate(q, a, b, f);
  return q.Normalize();
}

// A channel's value at `time`: held before its first key and after its last, mixed
// between the two keys around it; `rest` when it has no keys.
template <typename Key, typename Value>
Value Sample(const Key* keys, unsigned count, double time, const Value& rest) {
  if (count == 0) return rest;
  size_t i = 0;
  while (i < count && keys[i].mTime < time) ++i;
  if (i == 0) return keys[0].mValue;
  if (i >= count) return keys[count - 1].mValue;
  const double span = keys[i].mTime - keys[i - 1].mTime;
  const float f = span > 0.0 ? float((time - keys[i - 1].mTime) / span) : 0.0f;
  return Mix(keys[i - 1].mValue, keys[i].mValue, f);
}

aiMatrix4x4 Local(const aiNode* node, const Channels* channels, double ticks) {
  const auto it = channels ? channels->find(node) : Channels::const_iterator();
  if (!channels || it == channels->end()) return node->mTransformation;
  const aiNodeAnim* c = it->second;
  aiVector3D s, t;
  aiQuaternion r;
  node->mTransformation.Decompose(s, r, t);
  return aiMatrix4x4(Sample(c->mScalingKeys, c->mNumScalingKeys, ticks, s),
                     Sample(c->mRotationKeys, c->mNumRotationKeys, ticks, r),
                     Sample(c->mPositionKeys, c->mNumPositionKeys, ticks, t));
}

void Pose(const aiNode* node, const aiMatrix4x4& parent, const Channels* channels, double ticks,
          Globals* out) {
  const aiMatrix4x4 global = parent * Local(node, channels, ticks);
  (*out)[node] = global;
  for (unsigned i = 0; i < node->mNumChildren; ++i)
    Pose(node->mChildren[i], global, channels, ticks, out);
}

// A global transform without its scale, in the engine's frame.
aiMatrix4x4 Rigid(const aiMatrix4x4& global, const Frame& frame) {
  aiVector3D s, t;
  aiQuaternion r;
  global.Decompose(s, r, t);
  return frame.point * aiMatrix4x4(aiVector3D(1, 1, 1), r.Normalize(), t) * frame.inverse;
}

// Cal3D turns vectors by the conjugate of its quaternions.
void Store(const aiMatrix4x4& m, float translation[3], float rotation[4]) {
  aiVector3D s, t;
  aiQuaternion r;
  m.Decompose(s, r, t);
  r.Normalize();
  translation[0] = t.x, translation[1] = t.y, translation[2] = t.z;
  rotation[0] = -r.x, rotation[1] = -r.y, rotation[2] = -r.z, rotation[3] = r.w;
}

struct Skeleton {
  std::vector<const aiNode*> nodes;  // by bone id
  std::map<std::string, int> ids;
  std::map<const aiNode*, int> nearest;  // every node: its nearest bone at or above it, or -1
};

void Collect(const aiNode* node, int above, const std::set<std::string>& names, Skeleton* s,
             std::vector<CalBone>* bones) {
  int here = above;
  const std::string name = node->mName.C_Str();
  if (names.count(name) && !s->ids.count(name)) {
    here = int(bones->size());
    s->ids[name] = here;
    s->nodes.push_back(node);
    CalBone bone;
    bone.name = name;
    bone.parent = above;
    if (above >= 0) (*bones)[size_t(above)].children.push_back(here);
    bones->push_back(bone);
  }
  s->nearest[node] = here;
  for (unsigned i = 0; i < node->mNumChildren; ++i)
    Collect(node->mChildren[i], here, names, s, bones);
}

// Each bone's place relative to its parent (and the model's space relative to it) at rest.
void RestPose(const Skeleton& s, const Globals& rest, const Frame& frame,
              std::vector<CalBone>* bones) {
  for (size_t b = 0; b < bones->size(); ++b) {
    CalBone& bone = (*bones)[b];
    const aiMatrix4x4 global = Rigid(rest.at(s.nodes[b]), frame);
    const aiMatrix4x4 local =
        bone.parent < 0
            ? global
            : aiMatrix4x4(Rigid(rest.at(s.nodes[size_t(bone.parent)]), frame)).Inverse() * global;
    Store(local, bone.translation, bone.rotation);
    Store(aiMatrix4x4(global).Inverse(), bone.spaceTranslation, bone.spaceRotation);
  }
}

struct Part {
  const aiMesh* mesh;
  const aiNode* node;
};

void FindParts(const aiScene* scene, const aiNode* node, std::vector<Part>* parts) {
  for (unsigned i = 0; i < node->mNumMeshes; ++i)
    if (node->mMeshes[i] < scene->mNumMeshes &&
        (scene->mMeshes[node->mMeshes[i]]->mPrimitiveTypes & aiPrimitiveType_TRIANGLE))
      parts->push_back({scene->mMeshes[node->mMeshes[i]], node});
  for (unsigned i = 0; i < node->mNumChildren; ++i) FindParts(scene, node->mChildren[i], parts);
}

constexpr uint32_t kStride = 16;  // position, normal, texture coordinate, 4 bones, 4 weights

// The part's triangles as corners in the engine's frame, skinned to its rest pose.
bool PartCorners(const Part& part, const Skeleton& s, const Globals& rest, const Frame& frame,
                 float creaseDegrees, std::vector<float>* out, bool* madeNormals, size_t* loose) {
  const aiMesh* mesh = part.mesh;
  std::vector<std::vector<std::pair<int, float>>> weights(mesh->mNumVertices);
  // Per vertex: the sum of weight x bone's global x offset (a vertex's place at rest).
  const aiMatrix4x4 zero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  std::vector<aiMatrix4x4> skin(mesh->mNumVertices, zero);
  for (unsigned b = 0; b < mesh->mNumBones; ++b) {
    const aiBone* bone = mesh->mBones[b];
    const auto id = s.ids.find(bone->mName.C_Str());
    if (id == s.ids.end()) continue;
    const aiMatrix4x4 toPose = rest.at(s.nodes[size_t(id->second)]) * bone->mOffsetMatrix;
    for (unsigned w = 0; w < bone->mNumWeights; ++w) {
      const aiVertexWeight& vw = bone->mWeights[w];
      if (vw.mVertexId >= mesh->mNumVertices || !(vw.mWeight > 0.0f)) continue;
      weights[vw.mVertexId].emplace_back(id->second, vw.mWeight);
      for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c) skin[vw.mVertexId][r][c] += toPose[r][c] * vw.mWeight;
    }
  }
  const int holder = std::max(0, s.nearest.at(part.node));  // for vertices no bone moves
  const aiMatrix4x4 nodeGlobal = rest.at(part.node);
  std::vector<aiVector3D> positions, normals;
  std::vector<unsigned> sources;
  for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
    float total = 0.0f;
    for (const auto& [bone, w] : weights[v]) total += w;
    if (total <= 0.0f) {
      weights[v] = {{holder, 1.0f}};
      skin[v] = nodeGlobal;
      *loose += mesh->mNumBones ? 1 : 0;
      continue;
    }
    for (auto& [bone, w] : weights[v]) w /= total;
    for (unsigned r = 0; r < 4; ++r)
      for (unsigned c = 0; c < 4; ++c) skin[v][r][c] /= total;
  }
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const aiFace& face = mesh->mFaces[f];
    if (face.mNumIndices != 3) continue;
    for (unsigned k : {0u, 2u, 1u}) {
      const unsigned i = face.mIndices[k];
      if (i >= mesh->mNumVertices) return false;
      const aiVector3D p = frame.point * (skin[i] * mesh->mVertices[i]);
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
      positions.push_back(p);
      sources.push_back(i);
      if (mesh->HasNormals())
        normals.push_back(
            (frame.direction * (aiMatrix3x3(skin[i]) * mesh->mNormals[i])).Normalize());
    }
  }
  bool usable = mesh->HasNormals();
  for (const aiVector3D& n : normals)
    usable = usable && std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z) &&
             n.SquareLength() > 0.5f;
  if (!usable) {
    normals = SmoothNormals(positions, creaseDegrees);
    *madeNormals = true;
  }
  for (size_t c = 0; c < sources.size(); ++c) {
    const unsigned i = sources[c];
    const aiVector3D uv = mesh->HasTextureCoords(0) ? mesh->mTextureCoords[0][i] : aiVector3D();
    const aiVector3D& n = normals[c];
    float bones[4] = {-1, -1, -1, -1}, w[4] = {0, 0, 0, 0};
    for (size_t k = 0; k < weights[i].size() && k < 4; ++k)
      bones[k] = float(weights[i][k].first), w[k] = weights[i][k].second;
    out->insert(out->end(),
                {positions[c].x, positions[c].y, positions[c].z, n.x, n.y, n.z,
                 std::isfinite(uv.x) ? uv.x : 0.0f, std::isfinite(uv.y) ? 1.0f - uv.y : 0.0f});
    out->insert(out->end(), bones, bones + 4);
    out->insert(out->end(), w, w + 4);
  }
  return true;
}

void Submesh(const std::vector<float>& corners, int material, CalSubmesh* sub) {
  std::vector<float> vertices;
  sub->material = material;
  Weld(corners, kStride, &vertices, &sub->indices);
  for (size_t v = 0; v < vertices.size(); v += kStride) {
    CalVertex cv;
    std::copy(&vertices[v], &vertices[v + 3], cv.position);
    std::copy(&vertices[v + 3], &vertices[v + 6], cv.normal);
    std::copy(&vertices[v + 6], &vertices[v + 8], cv.texCoord);
    for (size_t k = 0; k < 4; ++k)
      if (vertices[v + 8 + k] >= 0.0f)
        cv.influences.emplace_back(int(vertices[v + 8 + k]), vertices[v + 12 + k]);
    sub->vertices.push_back(std::move(cv));
  }
}

std::string AnimationName(const aiAnimation* animation, size_t index,
                          std::set<std::string>* taken) {
  std::string name = animation->mName.C_Str();
  const size_t bar = name.find_last_of('|');  // "Armature|Walk": the action's name
  if (bar != std::string::npos) name = name.substr(bar + 1);
  if (name.empty()) name = "anim" + std::to_string(index + 1);
  std::string unique = name;
  for (int n = 2; taken->count(unique); ++n) unique = name + "_" + std::to_string(n);
  taken->insert(unique);
  return unique;
}

CalAnimation Animate(const aiScene* scene, const aiAnimation* animation, const Skeleton& s,
                     const std::vector<CalBone>& bones, const Frame& frame) {
  CalAnimation out;
  Channels channels;
  std::set<double> times;
  for (unsigned c = 0; c < animation->mNumChannels; ++c) {
    const aiNodeAnim* channel = animation->mChannels[c];
    const aiNode* node = scene->mRootNode->FindNode(channel->mNodeName);
    if (!node) continue;
    channels[node] = channel;
    for (unsigned k = 0; k < channel->mNumPositionKeys; ++k)
      times.insert(channel->mPositionKeys[k].mTime);
    for (unsigned k = 0; k < channel->mNumRotationKeys; ++k)
      times.insert(channel->mRotationKeys[k].mTime);
    for (unsigned k = 0; k < channel->mNumScalingKeys; ++k)
      times.insert(channel->mScalingKeys[k].mTime);
  }
  std::erase_if(times, [](double t) { return !std::isfinite(t); });
  const double tps = animation->mTicksPerSecond;
  const double perSecond = std::isfinite(tps) && tps > 0.0 ? tps : 25.0;
  const double first = times.empty() ? 0.0 : *times.begin();
  const double last = times.empty() ? 0.0 : *times.rbegin();
  out.duration = float(std::max((last - first) / perSecond, 1.0 / perSecond));
  if (times.empty()) times.insert(0.0);
  out.tracks.resize(bones.size());
  for (size_t b = 0; b < bones.size(); ++b) out.tracks[b].bone = int(b);
  for (double ticks : times) {
    Globals pose;
    Pose(scene->mRootNode, aiMatrix4x4(), &channels, ticks, &pose);
    for (size_t b = 0; b < bones.size(); ++b) {
      const aiMatrix4x4 global = Rigid(pose.at(s.nodes[b]), frame);
      const int parent = bones[b].parent;
      const aiMatrix4x4 local =
          parent < 0
              ? global
              : aiMatrix4x4(Rigid(pose.at(s.nodes[size_t(parent)]), frame)).Inverse() * global;
      CalKeyframe key;
      key.time = float((ticks - first) / perSecond);
      Store(local, key.translation, key.rotation);
      out.tracks[b].keys.push_back(key);
    }
  }
  return out;
}

bool Finite(const float* values, int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(values[i])) return false;
  return true;
}

// The first bone or keyframe whose place is not a number (a file's NaN or infinite
// transform, a scale of 0), as a reason; empty when all are numbers.
std::string NotANumber(const Character& c) {
  for (const CalBone& b : c.bones)
    if (!Finite(b.translation, 3) || !Finite(b.rotation, 4) || !Finite(b.spaceTranslation, 3) ||
        !Finite(b.spaceRotation, 4))
      return "bone '" + b.name + "' has a transform that is not a number";
  for (const CalAnimation& a : c.animations)
    for (const CalTrack& t : a.tracks)
      for (const CalKeyframe& k : t.keys)
        if (!Finite(k.translation, 3) || !Finite(k.rotation, 4))
          return "animation '" + a.name + "' gives bone '" + c.bones[size_t(t.bone)].name +
                 "' a transform that is not a number";
  return "";
}

void AddAnimations(const aiScene* scene, const Skeleton& skeleton, const Frame& frame,
                   Character* c) {
  std::set<std::string> taken, files;
  for (unsigned a = 0; a < scene->mNumAnimations; ++a) {
    CalAnimation& anim = c->animations.emplace_back(
        Animate(scene, scene->mAnimations[a], skeleton, c->bones, frame));
    anim.name = AnimationName(scene->mAnimations[a], a, &taken);
    // "Run 1" and "Run_1" are two names but would be one file.
    const std::string stem = SafeFileName(c->name + "_" + anim.name);
    anim.fileName = stem + ".xaf";
    for (int n = 2; !files.insert(anim.fileName).second; ++n)
      anim.fileName = stem + "_" + std::to_string(n) + ".xaf";
  }
}

void Summarise(const Options& options, const Frame& frame, size_t vertices, bool madeNormals,
               size_t loose, Character* c) {
  Report& r = c->report;
  r.vertices = vertices;
  for (const CalSubmesh& sub : c->submeshes) r.triangles += sub.indices.size() / 3;
  for (const MaterialInfo& m : c->materials) r.AddGroup(m);
  if (madeNormals) r.AddMadeNormals(options.creaseDegrees);
  r.notes.push_back(std::to_string(c->bones.size()) + " bones");
  std::string names;
  for (const CalAnimation& a : c->animations) names += (names.empty() ? "" : ", ") + a.name;
  r.notes.push_back(std::to_string(c->animations.size()) + " animations" +
                    (names.empty() ? "" : " (" + names + ")"));
  if (loose)
    r.notes.push_back(std::to_string(loose) +
                      " vertices without weights held by their node's bone");
  if (!frame.note.empty()) r.notes.push_back(frame.note);
}

}  // namespace

bool BuildCharacter(const aiScene* scene, const Options& options, const std::string& name,
                    Character* character, std::string* error) {
  const Frame frame = MakeFrame(scene, options);
  Character& c = *character;
  c = Character();
  c.name = name;
  std::set<std::string> boneNames;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m)
    for (unsigned b = 0; b < scene->mMeshes[m]->mNumBones; ++b)
      boneNames.insert(scene->mMeshes[m]->mBones[b]->mName.C_Str());
  Skeleton skeleton;
  Collect(scene->mRootNode, -1, boneNames, &skeleton, &c.bones);
  if (c.bones.empty()) {
    *error = "no skinned mesh: nothing to animate (convert it as a static mesh)";
    return false;
  }
  Globals rest;
  Pose(scene->mRootNode, aiMatrix4x4(), nullptr, 0.0, &rest);
  RestPose(skeleton, rest, frame, &c.bones);

  const std::vector<MaterialInfo> materials = ReadMaterials(scene, options, name);
  std::vector<Part> parts;
  FindParts(scene, scene->mRootNode, &parts);
  std::map<unsigned, size_t> submeshOf;  // material index -> submesh
  std::vector<std::vector<float>> corners;
  bool madeNormals = false;
  size_t loose = 0;
  for (const Part& part : parts) {
    const unsigned material =
        part.mesh->mMaterialIndex < materials.size() ? part.mesh->mMaterialIndex : 0;
    auto [it, added] = submeshOf.emplace(material, corners.size());
    if (added) {
      corners.emplace_back();
      c.materials.push_back(material < materials.size() ? materials[material]
                                                        : MaterialInfo{"default", {}});
    }
    if (!PartCorners(part, skeleton, rest, frame, options.creaseDegrees, &corners[it->second],
                     &madeNormals, &loose)) {
      *error =
          "mesh '" + std::string(part.mesh->mName.C_Str()) + "' has a vertex that is not a number";
      return false;
    }
  }
  size_t vertices = 0;
  for (size_t i = 0; i < corners.size(); ++i) {
    c.submeshes.emplace_back();
    Submesh(corners[i], int(i), &c.submeshes.back());
    vertices += c.submeshes.back().vertices.size();
  }
  if (vertices > meshfile::kMaxVertices) {
    *error = std::to_string(vertices) + " vertices; at most 65536 fit 16-bit indices";
    return false;
  }
  AddAnimations(scene, skeleton, frame, &c);
  *error = NotANumber(c);
  if (!error->empty()) return false;
  Summarise(options, frame, vertices, madeNormals, loose, &c);
  return true;
}

}  // namespace meshconv
