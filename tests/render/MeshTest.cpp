// MeshTest.cpp - static meshes: the file loader with its checks (corrupt, truncated and
// hostile files), placed mesh objects with their materials and collision,
// and the OBJ converter's output read back by the loader. On the fake device.
#include <cstdlib>
#include <fstream>

#include "common/TestFiles.h"
#include "MeshFile.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/RenderEffect.h"
#include "render/world/StaticMeshObject.h"
#include "RenderTestUtil.h"
#include "tier0/ResourceManager.h"
#include "tier1/NullObject.h"

using namespace rendertest;
using meshtest::MeshFile;

namespace {

class MeshTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    ASSERT_NE(Start(), nullptr);
  }
  // Writes the file and loads it; null when the loader refuses it.
  Ref<StaticMeshDef> Load(const std::string& bytes, const std::string& name = "m.mesh") {
    m_dir.Write(name, bytes);
    return Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef(name));
  }
  // Loads a file expected to fail and returns the loader's detail line.
  std::string Refused(const std::string& bytes) {
    m_log.Clear();
    EXPECT_FALSE(Load(bytes));
    for (const kaztest::LoggedLine& l : m_log.Lines())
      if (l.text.starts_with("Error loading StaticMesh '"))
        return l.text.substr(l.text.find(" - ") + 3);
    return "(no line) " + m_log.Dump();
  }
  // Runs the converter on `obj` (written as name.obj) into name.mesh; its exit status.
  int Convert(const std::string& name, const std::string& obj) {
    m_dir.Write(name + ".obj", obj);
    const std::string base = m_dir.Str() + "/" + name;
    return std::system(
        (KAZ_BIN_DIR "/obj2mesh " + base + ".obj " + base + ".mesh 2>/dev/null").c_str());
  }
  kaztest::TempDir m_dir{"kaz-mesh"};
};

TEST_F(MeshTest, LoadsBoundsCollisionAndGroups) {
  MeshFile f = MeshFile::Quad();
  Ref<StaticMeshDef> def = Load(f.Bytes());
  ASSERT_TRUE(def) << m_log.Dump();
  EXPECT_FLOAT_EQ(def->GetRadius(), 2.0f);
  EXPECT_EQ(def->GetMaxs(), Vector3D(1, 1, 1));
  EXPECT_EQ(def->GetCollisionVertices().size(), 4u);
  EXPECT_EQ(def->GetCollisionIndices().size(), 6u);
  EXPECT_EQ(def->GetVertexCount(), 4u);
  EXPECT_EQ(def->GetVertexFormat()->GetStreamSize(0), 12u);
  ASSERT_EQ(def->GetGroupCount(), 2u);
  EXPECT_EQ(def->GetGroup(0).materialName, "floor");
  EXPECT_EQ(def->GetGroup(0).triangleCount, 2u);
  EXPECT_EQ(def->GetGroup(1).triangleCount, 1u);
  // A second request shares the definition.
  Ref<StaticMeshDef> again = Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef("M.MESH"));
  EXPECT_EQ(again.Get(), def.Get());
  // A reload reads the file again.
  MeshFile one = MeshFile::Quad();
  one.groups.pop_back();
  m_dir.Write("m.mesh", one.Bytes());
  ResourceManager::ReloadAll();
  EXPECT_EQ(def->GetGroupCount(), 1u);
  EXPECT_NE(def->GetVertexBuffer(), nullptr);
}

// A large group is cut into runs of consecutive triangles that together hold
// all of them, each with a box around its own vertices; a small one is not.
TEST_F(MeshTest, ALargeGroupHasRunsOfTrianglesWithTheirBoxes) {
  MeshFile f = MeshFile::Grid(32, 2.0f);
  Ref<StaticMeshDef> def = Load(f.Bytes());
  ASSERT_TRUE(def) << m_log.Dump();
  const StaticMeshDef::Group& group = def->GetGroup(0);
  ASSERT_GE(group.clusters.size(), 2u);
  uint32_t next = 0;
  float height = 0.0f;
  for (const StaticMeshDef::Cluster& c : group.clusters) {
    EXPECT_EQ(c.firstTriangle, next);
    next += c.triangleCount;
    for (uint32_t k = c.firstTriangle * 3; k < next * 3; ++k) {
      const float* v = &f.vertices[size_t(f.groups[0].second[k]) * f.floatsPerVertex];
      EXPECT_TRUE(v[0] >= c.mins.x && v[0] <= c.maxs.x && v[1] >= c.mins.y && v[1] <= c.maxs.y)
          << "triangle " << k / 3;
    }
    height += c.maxs.y - c.mins.y;
  }
  EXPECT_EQ(next, group.triangleCount);
  // Row by row, the runs are bands of the wall, not the whole of it each.
  EXPECT_LT(height, 2.0f * (4.0f + 0.01f));
  Ref<StaticMeshDef> small = Load(MeshFile::Grid(16, 2.0f).Bytes(), "small.mesh");
  ASSERT_TRUE(small) << m_log.Dump();
  EXPECT_TRUE(small->GetGroup(0).clusters.empty());
}

TEST_F(MeshTest, BadFilesGiveTheirLine) {
  const std::string good = MeshFile::Quad().Bytes();
  for (int i = 0; i < 4; ++i) {
    std::string bad = good;
    bad[size_t(i)] ^= 0x20;
    EXPECT_EQ(Refused(bad), "File format not valid.");
  }
  std::string old = good;
  MeshFile::Patch(old, 4, 101);
  EXPECT_EQ(Refused(old), "Incompatible format version.");
  EXPECT_EQ(Refused(good + '\0'), "File size mismatch.");
  // Cut inside the last group's name: its length promises more than is left.
  std::string cut = good.substr(0, good.size() - 8);
  MeshFile::Patch(cut, 8, uint32_t(cut.size()));
  EXPECT_NE(Refused(cut).find("EOF"), std::string::npos);

  std::vector<std::pair<MeshFile, std::string>> cases(6, {MeshFile::Quad(), ""});
  cases[0].first.groups.clear();
  cases[0].second = "There are no material groups!";
  cases[1].first.groups[1].second = {0, 1, 2, 3};
  cases[1].second = "Index count invalid.";
  // The triangle-mesh builder and the device read vertices by these indices.
  cases[2].first.groups[1].second = {0, 1, 4};
  cases[2].second = "Index out of range.";
  // A format no declaration can hold, and one without three floats of position.
  cases[3].first.fields.assign(64, {1, 6});
  cases[3].first.floatsPerVertex = 64;
  cases[3].first.vertices.assign(64 * 2, 0.0f);
  cases[3].first.groups = {{"a", {0, 1, 1}}};
  cases[4].first.fields = {{2, 6}};
  cases[4].first.floatsPerVertex = 2;
  cases[4].first.vertices.resize(8);
  cases[3].second = cases[4].second = "Invalid vertex format in file.";
  cases.pop_back();
  for (auto& [file, line] : cases) EXPECT_EQ(Refused(file.Bytes()), line);
}

// Counts that would size arrays or buffers beyond the file fail before any
// allocation (no bad_alloc escapes) and before v x s can wrap.
TEST_F(MeshTest, HostileCountsFailBeforeSizing) {
  MeshFile f = MeshFile::Quad();
  const std::string good = f.Bytes();
  const std::pair<size_t, uint32_t> patches[] = {
      {f.collisionCountAt, 0x40000000u}, {f.collisionIndexCountAt, 0xffffffffu},
      {f.vertexCountAt, 0x15555556u},    {f.vertexCountAt, 0xffffffffu},
      {f.groupCountAt, 0xffffffffu},     {f.firstIndexCountAt, 0x7ffffffeu},
      {f.streamCountAt, 0xffffffffu},
  };
  for (auto [at, value] : patches) {
    std::string bad = good;
    MeshFile::Patch(bad, at, value);
    EXPECT_NE(Refused(bad), "") << "offset " << at;
    EXPECT_EQ(m_log.Count("Error loading StaticMesh '", LogLevel_Error), 1);
  }
}

TEST_F(MeshTest, MissingFileAndNoVideo) {
  m_log.Clear();
  EXPECT_FALSE(Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef("nothing.mesh")));
  EXPECT_EQ(m_log.Count("Failed to open StaticMesh file 'nothing.mesh'", LogLevel_Error), 1);
  DestroyVideoManager();
  m_log.Clear();
  EXPECT_FALSE(Load(MeshFile::Quad().Bytes()));
  EXPECT_EQ(m_log.Count("needs the video manager", LogLevel_Detail), 1) << m_log.Dump();
}

// ---- objects ---------------------------------------------------------------

class MeshObjectTest : public MeshTest {
 protected:
  void SetUp() override {
    MeshTest::SetUp();
    StartWorld(false);
  }
  StaticMeshObject* Place(StaticMeshObjectParams p, const std::string& file = "q.mesh") {
    p.fileName = file;
    return static_cast<StaticMeshObject*>(m_world->CreateObject(p));
  }
  Ref<Material> NewMaterial() {
    Ref<Material> m = Ref<Material>::Adopt(CreateMaterial());
    EXPECT_TRUE(m->SetRenderEffect("RenderEffects/default.fx")) << m_log.Dump();
    return m;
  }
  WorldObject* Ball(float x, float y, float z) {
    ObjectParams p(ObjectType_Null);
    p.transform = Matrix4x4::MakeTranslation(Vector3D(x, y, z));
    p.colType = Collision_Sphere;
    p.radius = 0.25f;
    p.dynamic = true;
    return m_world->CreateObject(p);
  }
  void Run(float seconds) {
    for (int i = 0; i < int(seconds * 50); ++i) m_world->Update(0.02f);
  }
};

TEST_F(MeshObjectTest, MaterialsByGroupNameThenDefaults) {
  m_dir.Write("q.mesh", MeshFile::Quad().Bytes());
  Ref<Material> floor = NewMaterial(), fallback = NewMaterial();
  StaticMeshObjectParams p;
  p.materials["FLOOR"] = floor.Get();
  p.defaultMaterial = fallback.Get();
  StaticMeshObject* a = Place(p);
  ASSERT_NE(a, nullptr) << m_log.Dump();
  EXPECT_EQ(a->GetMaterial(0), floor.Get());
  EXPECT_EQ(a->GetMaterial(1), fallback.Get());
  EXPECT_FLOAT_EQ(a->GetRadius(), 2.0f);

  p.defaultMaterial = nullptr;
  StaticMeshObject* b = Place(p);
  Ref<Material> shared = Ref<Material>::Adopt(GetDefaultMaterial());
  EXPECT_EQ(b->GetMaterial(1), shared.Get());
  EXPECT_EQ(shared->GetRenderEffect()->GetName(), "RenderEffects/default.fx");

  EXPECT_EQ(Place(p, "none.mesh"), nullptr);
  EXPECT_EQ(m_log.Count("Failed to open StaticMesh file 'none.mesh'", LogLevel_Error), 1);
  EXPECT_EQ(m_log.Count("StaticMeshObject: Failed to load 'none.mesh'", LogLevel_Detail), 1);
}

TEST_F(MeshObjectTest, SharedDefaultGoesWithItsLastUser) {
  m_dir.Write("q.mesh", MeshFile::Quad().Bytes());
  const uint32_t before = Material::s_pool.GetInUseCount();
  StaticMeshObject* a = Place({});
  StaticMeshObject* b = Place({});
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->GetMaterial(0), b->GetMaterial(1));
  EXPECT_EQ(Material::s_pool.GetInUseCount(), before + 1);
  m_world->RemoveObject(a);
  EXPECT_EQ(Material::s_pool.GetInUseCount(), before + 1);
  m_world->RemoveObject(b);
  EXPECT_EQ(Material::s_pool.GetInUseCount(), before);
  // The next need loads it again.
  StaticMeshObject* c = Place({});
  ASSERT_NE(c->GetMaterial(0), nullptr);
  EXPECT_EQ(Material::s_pool.GetInUseCount(), before + 1);
}

TEST_F(MeshObjectTest, HullWithoutCollisionIndicesIsEmpty) {
  MeshFile f = MeshFile::Quad();
  f.collisionIndices.clear();
  m_dir.Write("q.mesh", f.Bytes());
  StaticMeshObjectParams p;
  p.colType = Collision_ConvexHull;
  ASSERT_NE(Place(p), nullptr);
  WorldObject* ball = Ball(0, 2, 0);
  Run(1.0f);
  EXPECT_LT(ball->GetWorldTransform().GetTranslation().y, -1.0f);

  m_dir.Write("h.mesh", MeshFile::Quad().Bytes());
  StaticMeshObjectParams q;
  q.colType = Collision_ConvexHull;
  q.transform = Matrix4x4::MakeTranslation(Vector3D(10, 0, 0));
  ASSERT_NE(Place(q, "h.mesh"), nullptr);
  WorldObject* held = Ball(10.2f, 3, -0.5f);
  Run(1.5f);
  EXPECT_GT(held->GetWorldTransform().GetTranslation().y, 0.0f);
}

// The ramp converted by the build from data/gallery: 4 x 4, rising 1 along z.
TEST_F(MeshObjectTest, BallRestsOnConvertedRampTriangles) {
  FileSystem::AddToSearchPath(KAZ_BIN_DIR "/gallery_built", true);
  StaticMeshObjectParams p;
  p.colType = Collision_TriangleMesh;
  ASSERT_NE(Place(p, "Meshes/ramp.mesh"), nullptr) << m_log.Dump();
  WorldObject* ball = Ball(0, 2, 1);
  Run(1.0f);
  const Vector3D at = ball->GetWorldTransform().GetTranslation();
  ASSERT_GT(at.z, -2.0f);
  const float surface = (at.z + 2.0f) / 4.0f;
  // Resting on (or rolling down) the slope: its centre one radius above it,
  // measured along the slope's normal (cos of the slope is 0.97).
  EXPECT_NEAR(at.y, surface + 0.25f / 0.9701f, 0.05f);
}

// ---- the converter ---------------------------------------------------------

const char* kTwoMaterials = R"(# quads, negative indices, two materials
v 0 0 0
v 2 0 0
v 2 0 3
v 0 0 3
v 0 1 0
vn 0 1 0
vt 0 0
vt 1 1
usemtl ground
f 1/1/1 2/2/1 3/1/1 4/2/1
usemtl pole
f -1//-1 -4//1 -3//1
usemtl ground
f 1 3 2
)";

TEST_F(MeshTest, ConvertedObjLoadsWithItsGroupsAndBounds) {
  ASSERT_EQ(Convert("out", kTwoMaterials), 0);
  Ref<StaticMeshDef> def = Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef("out.mesh"));
  ASSERT_TRUE(def) << m_log.Dump();
  ASSERT_EQ(def->GetGroupCount(), 2u);
  EXPECT_EQ(def->GetGroup(0).materialName, "ground");
  EXPECT_EQ(def->GetGroup(0).triangleCount, 3u);  // the quad's two and the later triangle
  EXPECT_EQ(def->GetGroup(1).materialName, "pole");
  EXPECT_EQ(def->GetGroup(1).triangleCount, 1u);
  EXPECT_EQ(def->GetMins(), Vector3D(0, 0, 0));
  EXPECT_EQ(def->GetMaxs(), Vector3D(2, 1, 3));
  EXPECT_EQ(def->GetVertexFormat()->GetStreamSize(0), 32u);
  EXPECT_EQ(def->GetCollisionIndices().size(), 12u);
  // Corners differ by their texture coordinates and normals: 4 + 3 + 3.
  EXPECT_EQ(def->GetVertexCount(), 10u);
}

TEST_F(MeshTest, ConverterRefusesWhatIndicesCannotReach) {
  std::string text;
  for (int t = 0; t < 21846; ++t) {
    for (int c = 0; c < 3; ++c) text += "v " + std::to_string(t) + " " + std::to_string(c) + " 0\n";
    text += "f -3 -2 -1\n";
  }
  EXPECT_NE(Convert("big", text), 0);
  EXPECT_NE(Convert("bad", "v 0 0 0\nf 1 2 3\n"), 0);
}

}  // namespace
