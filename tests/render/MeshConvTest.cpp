// MeshConvTest.cpp - the model converter on files a modelling tool wrote (Blender's glTF,
// FBX, Collada, PLY and OBJ exports, tools/meshconv/make-samples.py): counts, groups and
// textures read back by the engine's loader, normals made where the file has none, the
// engine's frame (faces and normals pointing out, Z-up files stood up), the optimiser,
// bad input, and characters whose Cal3D skinning matches the pose Blender exported.
#include <cal3d/cal3d.h>
#include <cal3d/coretrack.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

#include "RenderTestUtil.h"
#include "common/TestFiles.h"
#include "render/world/StaticMeshObject.h"
#include "tier0/ResourceManager.h"

using namespace rendertest;

namespace {

const std::string kModels = kaztest::SourceDir() + "/data/models/ModelSources/";
const std::string kCharacters = kaztest::SourceDir() + "/data/models/CharacterSources/";
const std::string kTestModels = kaztest::TestDataDir() + "/models/";

// A static mesh file as written: bounds, stream 0's fields, the vertices and the groups.
struct MeshData {
  float mins[3], maxs[3];
  std::vector<std::pair<uint8_t, uint8_t>> fields;
  uint32_t stride = 0;  // floats a vertex
  std::vector<float> vertices;
  std::vector<std::pair<std::string, std::vector<uint16_t>>> groups;

  size_t VertexCount() const { return stride ? vertices.size() / stride : 0; }
  const float* Vertex(size_t i) const { return &vertices[i * stride]; }
  size_t Triangles() const {
    size_t n = 0;
    for (const auto& g : groups) n += g.second.size() / 3;
    return n;
  }
};

template <typename T>
T Take(const std::string& bytes, size_t* at) {
  T value{};
  if (*at + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + *at, sizeof(T));
  *at += sizeof(T);
  return value;
}

MeshData Parse(const std::string& bytes) {
  MeshData m{};
  size_t at = 24;
  for (float& f : m.mins) f = Take<float>(bytes, &at);
  for (float& f : m.maxs) f = Take<float>(bytes, &at);
  at = 16;
  at = Take<uint32_t>(bytes, &at);
  const uint32_t count = Take<uint32_t>(bytes, &at);
  Take<uint32_t>(bytes, &at);  // one stream
  const uint32_t fields = Take<uint32_t>(bytes, &at);
  for (uint32_t i = 0; i < fields && at < bytes.size(); ++i) {
    const uint8_t type = Take<uint8_t>(bytes, &at);
    m.fields.emplace_back(type, Take<uint8_t>(bytes, &at));
    m.stride += type;
  }
  for (size_t i = 0; i < size_t(count) * m.stride && at < bytes.size(); ++i)
    m.vertices.push_back(Take<float>(bytes, &at));
  const uint32_t groups = Take<uint32_t>(bytes, &at);
  for (uint32_t g = 0; g < groups && at < bytes.size(); ++g) {
    const uint32_t length = Take<uint32_t>(bytes, &at);
    std::string name = bytes.substr(at, length);
    at += length;
    std::vector<uint16_t> indices(Take<uint32_t>(bytes, &at));
    for (uint16_t& i : indices) i = Take<uint16_t>(bytes, &at);
    m.groups.emplace_back(name, indices);
  }
  return m;
}

float Dot(const float* a, const float* b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

class MeshConvTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    ASSERT_NE(Start(), nullptr);
  }
  // meshconv with `args`; its output (both streams) and status.
  kaztest::CommandResult Run(const std::string& args) {
    return kaztest::RunCommand(std::string(KAZ_BIN_DIR "/meshconv ") + args);
  }
  // Converts `input` into `name`.mesh in the test's folder (with `options`) and reads it back.
  MeshData Convert(const std::string& input, const std::string& name,
                   const std::string& options = "") {
    const kaztest::CommandResult r = Run(options + " " + input + " " + Out(name + ".mesh"));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    m_summary = r.output;
    return Parse(kaztest::ReadFile(Out(name + ".mesh")));
  }
  std::string Out(const std::string& name) const { return (m_dir.Path() / name).string(); }

  kaztest::TempDir m_dir{"kaz-meshconv"};
  std::string m_summary;
};

TEST_F(MeshConvTest, EachFormatLoadsWithItsCountsGroupsAndSize) {
  struct Case {
    std::string file, name;
    size_t vertices, triangles;
    std::vector<std::pair<std::string, uint32_t>> groups;  // material, triangles
    float height;                                          // metres, from the Blender scene
  };
  const Case cases[] = {
      {kModels + "crate.gltf", "crate", 48, 24, {{"Crate", 24}}, 0.8f},
      {kModels + "post.fbx", "post", 163, 176, {{"Wood", 44}, {"Sign", 12}, {"Lamp", 120}}, 2.04f},
      {kModels + "yard.dae", "yard", 76, 38, {{"Grass", 2}, {"Stone", 36}}, 1.66f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Convert(c.file, c.name);
    EXPECT_NE(m_summary.find(std::to_string(c.vertices) + " vertices, " +
                             std::to_string(c.triangles) + " triangles"),
              std::string::npos)
        << m_summary;
    Ref<StaticMeshDef> def = Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef(c.name + ".mesh"));
    ASSERT_TRUE(def) << m_log.Dump();
    EXPECT_EQ(def->GetVertexCount(), c.vertices);
    ASSERT_EQ(def->GetGroupCount(), c.groups.size());
    for (uint32_t g = 0; g < c.groups.size(); ++g) {
      EXPECT_EQ(def->GetGroup(g).materialName, c.groups[g].first);
      EXPECT_EQ(def->GetGroup(g).triangleCount, c.groups[g].second);
    }
    // FBX's centimetres and Collada's Z up come out as metres, Y up.
    EXPECT_NEAR(def->GetMaxs().y - def->GetMins().y, c.height, 0.01f);
  }
}

TEST_F(MeshConvTest, NormalsAreMadeWhereTheFileHasNoneAndPointOutOfTheFaces) {
  // The crate's glTF has no normals: at 30 degrees its boxes keep flat faces.
  MeshData crate = Convert(kModels + "crate.gltf", "crate");
  EXPECT_NE(m_summary.find("made: normals (crease 30 degrees)"), std::string::npos) << m_summary;
  for (size_t v = 0; v < crate.VertexCount(); ++v) {
    const float* n = crate.Vertex(v) + 3;
    const float largest = std::max({std::fabs(n[0]), std::fabs(n[1]), std::fabs(n[2])});
    EXPECT_NEAR(largest, 1.0f, 1e-4f) << "vertex " << v;
  }
  // Smoothed over everything, a box corner's normal leans along all three axes.
  crate = Convert(kModels + "crate.gltf", "round", "--crease 180");
  for (size_t v = 0; v < crate.VertexCount(); ++v) {
    const float* n = crate.Vertex(v) + 3;
    EXPECT_GT(std::min({std::fabs(n[0]), std::fabs(n[1]), std::fabs(n[2])}), 0.05f)
        << "vertex " << v;
    EXPECT_NEAR(Dot(n, n), 1.0f, 1e-4f);
  }

  // A convex rock (no normals either): every stored normal and every face, taken in the
  // engine's order (clockwise seen from the front), points away from its middle.
  const MeshData rock = Convert(kTestModels + "rock_zup.ply", "rock");
  float middle[3];
  for (int a = 0; a < 3; ++a) middle[a] = 0.5f * (rock.mins[a] + rock.maxs[a]);
  for (size_t v = 0; v < rock.VertexCount(); ++v) {
    const float* p = rock.Vertex(v);
    const float out[3] = {p[0] - middle[0], p[1] - middle[1], p[2] - middle[2]};
    EXPECT_GT(Dot(p + 3, out), 0.0f) << "vertex " << v;
  }
  for (size_t i = 0; i < rock.groups[0].second.size(); i += 3) {
    const float* p[3];
    for (int k = 0; k < 3; ++k) p[k] = rock.Vertex(rock.groups[0].second[i + size_t(k)]);
    const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const float face[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                           e1[0] * e2[1] - e1[1] * e2[0]};
    const float out[3] = {p[0][0] - middle[0], p[0][1] - middle[1], p[0][2] - middle[2]};
    EXPECT_GT(Dot(face, out), 0.0f) << "triangle " << i / 3;
  }
}

TEST_F(MeshConvTest, UpAxisOptionStandsZUpFilesUp) {
  // The rock is 1.5 m tall along the Z of a file that says nothing of its axes.
  const MeshData asIs = Convert(kTestModels + "rock_zup.ply", "asis");
  const float depth = asIs.maxs[1] - asIs.mins[1];
  EXPECT_NEAR(asIs.maxs[2] - asIs.mins[2], 1.5f, 0.01f);
  EXPECT_LT(depth, 0.5f);
  const MeshData up = Convert(kTestModels + "rock_zup.ply", "up", "--up z");
  EXPECT_NEAR(up.maxs[1] - up.mins[1], 1.5f, 0.01f);
  EXPECT_NEAR(up.maxs[2] - up.mins[2], depth, 0.001f);
  EXPECT_NE(m_summary.find("Z up"), std::string::npos) << m_summary;
  // Turned, not mirrored: the faces still point outwards (the same vertices in the same order).
  EXPECT_EQ(up.groups[0].second, asIs.groups[0].second);
}

TEST_F(MeshConvTest, MaterialGroupsCarryTheirTexturesAndTangentsFollow) {
  Convert(kModels + "post.fbx", "post",
          "--texture-dir Art --materials " + Out("post_materials.py"));
  EXPECT_EQ(
      kaztest::ReadFile(Out("post_materials.py")),
      "# Written by meshconv from post.fbx: the textures each material group names, by effect "
      "parameter.\nMATERIALS = {\n    'Wood': {'DiffuseMap': 'Art/wood.png'},\n"
      "    'Sign': {'DiffuseMap': 'Art/sign.png'},\n    'Lamp': {'DiffuseMap': "
      "'Art/lamp.png'},\n}\n");
  EXPECT_NE(m_summary.find("3 groups [Wood: Art/wood.png; Sign: Art/sign.png; Lamp: Art/lamp.png]"),
            std::string::npos)
      << m_summary;

  // A .glb carries its image: written out under the name the group gives it.
  const kaztest::CommandResult r =
      Run("--textures " + Out("tex") + " " + kCharacters + "walker.glb " + Out("walker.mesh"));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(r.Has("Cloth: Textures/walker.png")) << r.output;
  EXPECT_EQ(kaztest::ReadFile(Out("tex/walker.png")).substr(1, 3), "PNG");

  // Tangents: a float4 after the texture coordinate, across the normal.
  const MeshData lit = Convert(kModels + "post.fbx", "tangents", "--tangents");
  ASSERT_EQ(lit.fields.size(), 4u);
  EXPECT_EQ(lit.fields[3], std::make_pair(uint8_t(4), uint8_t(5)));
  for (size_t v = 0; v < lit.VertexCount(); ++v) {
    const float* t = lit.Vertex(v) + 8;
    EXPECT_NEAR(Dot(t, t), 1.0f, 1e-3f);
    EXPECT_NEAR(Dot(t, lit.Vertex(v) + 3), 0.0f, 1e-3f);
    EXPECT_EQ(std::fabs(t[3]), 1.0f);
  }
  Ref<StaticMeshDef> def = Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef("tangents.mesh"));
  EXPECT_TRUE(def) << m_log.Dump();
}

// A 40 x 40 grid whose triangles come in a scrambled order, as a PLY file.
std::string ScrambledGrid() {
  const int n = 40;
  std::vector<std::array<int, 3>> faces;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int a = y * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
      faces.push_back({a, b, d});
      faces.push_back({a, d, c});
    }
  for (size_t i = 0; i < faces.size(); ++i) std::swap(faces[i], faces[(i * 7919) % faces.size()]);
  std::string ply = "ply\nformat ascii 1.0\nelement vertex " + std::to_string((n + 1) * (n + 1)) +
                    "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
                    std::to_string(faces.size()) +
                    "\nproperty list uchar int vertex_indices\nend_header\n";
  for (int y = 0; y <= n; ++y)
    for (int x = 0; x <= n; ++x) ply += std::to_string(x) + " 0 " + std::to_string(y) + "\n";
  for (const auto& f : faces)
    ply += "3 " + std::to_string(f[0]) + " " + std::to_string(f[1]) + " " + std::to_string(f[2]) +
           "\n";
  return ply;
}

// Each triangle as its corner positions, starting from its smallest corner (order kept).
std::multiset<std::vector<float>> Triangles(const MeshData& m) {
  std::multiset<std::vector<float>> out;
  for (const auto& g : m.groups)
    for (size_t i = 0; i + 2 < g.second.size(); i += 3) {
      std::vector<std::vector<float>> corners;
      for (int k = 0; k < 3; ++k) {
        const float* p = m.Vertex(g.second[i + size_t(k)]);
        corners.push_back({p[0], p[1], p[2]});
      }
      std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
      std::vector<float> flat;
      for (const auto& c : corners) flat.insert(flat.end(), c.begin(), c.end());
      out.insert(flat);
    }
  return out;
}

TEST_F(MeshConvTest, LargeMeshesAreReorderedForTheCacheWithEveryTriangleKept) {
  m_dir.Write("grid.ply", ScrambledGrid());
  const MeshData plain = Convert(Out("grid.ply"), "plain", "--no-optimise");
  EXPECT_EQ(m_summary.find("vertex cache"), std::string::npos) << m_summary;
  const MeshData fast = Convert(Out("grid.ply"), "fast");
  float before = 0, after = 0;
  const size_t at = m_summary.find("vertex cache order (");
  ASSERT_NE(at, std::string::npos) << m_summary;
  ASSERT_EQ(std::sscanf(m_summary.c_str() + at, "vertex cache order (%f to %f", &before, &after),
            2);
  EXPECT_LT(after, before * 0.7f) << m_summary;
  EXPECT_EQ(fast.Triangles(), 3200u);
  EXPECT_EQ(fast.VertexCount(), plain.VertexCount());
  EXPECT_EQ(Triangles(fast), Triangles(plain));
}

TEST_F(MeshConvTest, BadInputGivesOneLineAndNoOutput) {
  const std::string glb = kaztest::ReadFile(kCharacters + "walker.glb");
  m_dir.Write("cut.glb", glb.substr(0, glb.size() / 3));
  m_dir.Write("noise.fbx",
              std::string(3000, '\x7f') + "Kaydara FBX Binary  " + std::string(500, '\1'));
  m_dir.Write("empty.dae", "");
  m_dir.Write("lines.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n");
  m_dir.Write("nan.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  // A face whose corner count is a letter: Debian's Assimp stops on an assertion.
  std::string rock = kaztest::ReadFile(kTestModels + "rock_zup.ply");
  ASSERT_NE(rock.find("\n3 0 5 3\n"), std::string::npos);
  m_dir.Write("stops.ply", rock.replace(rock.find("\n3 0 5 3\n"), 9, "\nr 0 5 3\n"));
  // A damaged header on which it never finishes: the time limit ends it.
  const std::string spins = kTestModels + "corrupt_spins.ply";
  for (const std::string& input :
       {Out("cut.glb"), Out("noise.fbx"), Out("empty.dae"), Out("lines.obj"), Out("nan.obj"),
        Out("missing.gltf"), Out("stops.ply"), spins}) {
    SCOPED_TRACE(input);
    const kaztest::CommandResult r = Run("--time-limit 3 " + input + " " + Out("out.mesh"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.output.rfind("meshconv: " + input + ": ", 0), 0u) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_FALSE(std::filesystem::exists(Out("out.mesh")));
    EXPECT_FALSE(std::filesystem::exists(Out("out.mesh.tmp")));
  }
  // A command line meshconv cannot follow says so, with the usage, and exits 2.
  const kaztest::CommandResult usage = Run("--crease sharp a.obj b.mesh");
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_TRUE(usage.Has("meshconv: --crease needs an angle from 0 to 180 degrees")) << usage.output;
  EXPECT_TRUE(usage.Has("usage: meshconv")) << usage.output;
}

// The bounds of the character's Cal3D-skinned vertices after `seconds` of its walk
// (no animation at all for a negative time).
bool SkinnedBounds(const std::string& dir, float seconds, float mins[3], float maxs[3]) {
  CalCoreModel core("walker");
  // This Cal3D frees a core animation without its tracks and keyframes (as the engine's
  // DynamicMeshDef knows): freed here, after the model and before the core model go.
  struct FreeTracks {
    CalCoreModel& core;
    ~FreeTracks() {
      for (int i = 0; i < core.getCoreAnimationCount(); ++i) {
        CalCoreAnimation* animation = core.getCoreAnimation(i);
        if (!animation) continue;
        for (CalCoreTrack* track : animation->getListCoreTrack()) {
          track->destroy();
          delete track;
        }
        animation->getListCoreTrack().clear();
      }
    }
  } freeTracks{core};
  if (!core.loadCoreSkeleton(dir + "/walker.xsf")) return false;
  const int mesh = core.loadCoreMesh(dir + "/walker.xmf");
  const int walk = core.loadCoreAnimation(dir + "/walker_Walk.xaf", "Walk");
  if (mesh < 0 || walk < 0) return false;
  CalModel model(&core);
  model.attachMesh(mesh);
  if (seconds >= 0.0f) model.getMixer()->blendCycle(walk, 1.0f, 0.0f);
  model.update(0.0f);  // Cal3D starts a new cycle's clock on the first update
  model.update(std::max(seconds, 0.0f));
  CalRenderer* renderer = model.getRenderer();
  if (!renderer->beginRendering()) return false;
  std::fill(mins, mins + 3, 1e9f);
  std::fill(maxs, maxs + 3, -1e9f);
  for (int s = 0; s < renderer->getSubmeshCount(0); ++s) {
    renderer->selectMeshSubmesh(0, s);
    std::vector<float> v(size_t(renderer->getVertexCount()) * 3);
    renderer->getVertices(v.data());
    for (size_t i = 0; i < v.size(); ++i) {
      mins[i % 3] = std::min(mins[i % 3], v[i]);
      maxs[i % 3] = std::max(maxs[i % 3], v[i]);
    }
  }
  renderer->endRendering();
  return true;
}

TEST_F(MeshConvTest, CharactersSkinToThePoseTheModellingToolExported) {
  // Blender's own mesh at frame 7 of the walk (0.25 s in), exported as OBJ.
  const MeshData posed = Convert(kTestModels + "walker_frame7.obj", "posed");
  const MeshData rest = Convert(kCharacters + "walker.glb", "rest");
  for (const std::string& file : {kCharacters + "walker.glb", kTestModels + "walker.fbx"}) {
    SCOPED_TRACE(file);
    const std::string dir = Out(std::filesystem::path(file).extension().string().substr(1));
    const kaztest::CommandResult r = Run("--character " + file + " " + dir);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.Has("264 vertices, 132 triangles, 1 group [Cloth: Textures/walker.png]"))
        << r.output;
    EXPECT_TRUE(r.Has("9 bones; 1 animations (Walk)")) << r.output;
    EXPECT_EQ(kaztest::ReadFile(dir + "/walker.xml"),
              "<DynamicMesh version=\"1.0\" skeleton=\"walker.xsf\">\n"
              "  <Piece filename=\"walker.xmf\" name=\"walker\" />\n"
              "  <Animation filename=\"walker_Walk.xaf\" name=\"Walk\" />\n"
              "  <Material name=\"Cloth\" />\n</DynamicMesh>\n");
    float mins[3], maxs[3];
    ASSERT_TRUE(SkinnedBounds(dir, 0.25f, mins, maxs)) << CalError::getLastErrorDescription();
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(mins[a], posed.mins[a], 0.003f) << "axis " << a;
      EXPECT_NEAR(maxs[a], posed.maxs[a], 0.003f) << "axis " << a;
    }
  }
  // The .glb's nodes hold the rest pose: without an animation the figure stands as the
  // static conversion of the same file.
  float mins[3], maxs[3];
  ASSERT_TRUE(SkinnedBounds(Out("glb"), -1.0f, mins, maxs));
  for (int a = 0; a < 3; ++a) {
    EXPECT_NEAR(mins[a], rest.mins[a], 0.003f) << "axis " << a;
    EXPECT_NEAR(maxs[a], rest.maxs[a], 0.003f) << "axis " << a;
  }
}

}  // namespace
