// DynamicMeshTest.cpp - skinned figures from the character generator: the
// definition loader's messages, the split at the bone limit into 16-bit GPU
// buffers, and placed objects (animations, box, bones, update rate). On the fake device.
#include <cal3d/cal3d.h>

#include <cstdlib>
#include <filesystem>

#include "common/StoredZip.h"
#include "common/TestFiles.h"
#include "render/world/cal3d/DynamicMeshObject.h"
#include "RenderTestUtil.h"
#include "tier0/ResourceManager.h"

using namespace rendertest;

namespace {

class DynamicMeshTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
  }
  void TearDown() override {
    SetDynamicMeshMaterialFile("base/cal3dmat.xrf");
    FakeVideoTest::TearDown();
  }
  // Writes a generated figure of `bones` bones as fig<bones>.xml and friends.
  static void Generate(const kaztest::TempDir& dir, int bones) {
    if (std::filesystem::exists(dir.Path() / ("fig" + std::to_string(bones) + ".xml"))) return;
    const std::string command = "python3 '" + kaztest::SourceDir() +
                                "/tools/make-character.py' --bones " + std::to_string(bones) +
                                " --anims walk,wave '" + dir.Str() + "' fig" +
                                std::to_string(bones);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  Ref<DynamicMeshDef> Load(const std::string& name) {
    return Ref<DynamicMeshDef>::Adopt(LoadDynamicMeshDef(name));
  }
  // Loads a definition expected to fail and returns the reason logged.
  std::string Refused(const std::string& xml) {
    static int n = 0;
    const std::string name = "bad" + std::to_string(++n) + ".xml";
    m_dir.Write(name, xml);
    m_log.Clear();
    EXPECT_FALSE(Load(name));
    const std::string head = "DynamicMesh: Failed to load '" + name + "' (";
    for (const kaztest::LoggedLine& l : m_log.Lines())
      if (l.text.starts_with(head))
        return l.text.substr(head.size(), l.text.size() - head.size() - 1);
    return "(no line) " + m_log.Dump();
  }
  kaztest::TempDir m_dir{"kaz-dynmesh"};
};

TEST_F(DynamicMeshTest, SplitsAtTheBoneLimitIntoCheckedBuffers) {
  ASSERT_NE(Start(), nullptr);
  for (int bones : {1, 15, 30}) {
    Generate(m_dir, bones);
    Ref<DynamicMeshDef> def = Load("fig" + std::to_string(bones) + ".xml");
    ASSERT_TRUE(def) << m_log.Dump();
    EXPECT_EQ(def->GetPieces().size(), 1u);
    EXPECT_EQ(def->GetAnimations().size(), 2u);
    ASSERT_EQ(def->GetMaterialNames().size(), 1u);
    CalHardwareModel* hw = def->GetHardwareModel();
    ASSERT_NE(hw, nullptr);
    EXPECT_EQ(hw->getHardwareMeshCount(), bones > 20 ? 2 : 1);
    const int vertices = hw->getTotalVertexCount();
    ASSERT_EQ(def->GetVertexBuffer()->GetVertexCount(), uint32_t(vertices));
    EXPECT_EQ(def->GetVertexFormat()->GetStreamSize(0), kDynamicVertexSize);
    auto* ib = static_cast<const uint16_t*>(def->GetIndexBuffer()->Lock(0, 0));
    ASSERT_NE(ib, nullptr);
    for (int m = 0; m < hw->getHardwareMeshCount(); ++m) {
      hw->selectHardwareMesh(m);
      EXPECT_LE(hw->getBoneCount(), int(kMaxBonesPerDraw));
      // Every index of a sub-mesh reaches one of its own vertices.
      for (int i = hw->getStartIndex(); i < hw->getStartIndex() + 3 * hw->getFaceCount(); ++i) {
        const int v = hw->getBaseVertexIndex() + ib[i];
        EXPECT_LT(v, hw->getBaseVertexIndex() + hw->getVertexCount()) << bones << " bones";
      }
    }
    def->GetIndexBuffer()->Unlock();
  }
}

TEST_F(DynamicMeshTest, MessagesAndEdgeCases) {
  ASSERT_NE(Start(), nullptr);
  Generate(m_dir, 15);
  EXPECT_EQ(Refused("<DynamicMesh version=\"1.00\" skeleton=\"fig15.xsf\"/>"), "Bad version.");
  EXPECT_EQ(Refused("<DynamicMesh skeleton=\"fig15.xsf\"/>"), "Bad version.");
  EXPECT_EQ(Refused("<DynamicMesh version=\"1.0\"/>"), "No skeleton specified.");
  EXPECT_EQ(Refused("<Mesh version=\"1.0\" skeleton=\"fig15.xsf\"/>"),
            "XML is not a valid DynamicMesh.");
  EXPECT_EQ(Refused("not xml <"), "Invalid XML, or not an XML file.");
  EXPECT_EQ(Refused("<DynamicMesh version=\"1.0\" skeleton=\"none.xsf\"/>"),
            "Failed to load specified skeleton.");
  m_log.Clear();
  EXPECT_FALSE(Load("absent.xml"));
  // A missing file is named as missing, in one error line.
  EXPECT_EQ(
      m_log.Count("DynamicMesh: Failed to load 'absent.xml' (could not open file)", LogLevel_Error),
      1)
      << m_log.Dump();
  EXPECT_EQ(m_log.Problems(), 1) << m_log.Dump();

  // The root's letter case does not matter; duplicate and broken pieces are skipped.
  m_dir.Write("odd.xml",
              "<dynamicmesh version=\"1.0\" skeleton=\"fig15.xsf\">"
              "<Piece filename=\"fig15.xmf\"/><Piece filename=\"fig15.xmf\"/>"
              "<piece filename=\"fig15.xmf\" name=\"hidden\" visible=\"0\"/>"
              "<Piece name=\"x\"/><Piece filename=\"gone.xmf\" name=\"gone\"/>"
              "<Animation filename=\"fig15_walk.xaf\"/><Animation name=\"w\"/>"
              "<Animation filename=\"fig15_walk.xaf\" name=\"walk\"/>"
              "<Animation filename=\"fig15_wave.xaf\" name=\"WALK\"/>"
              "<Material/><Material name=\"skin\"/><Material name=\"Skin\"/></dynamicmesh>");
  m_log.Clear();
  Ref<DynamicMeshDef> def = Load("odd.xml");
  ASSERT_TRUE(def) << m_log.Dump();
  EXPECT_EQ(m_log.Count("DynamicMesh piece has non unique name 'fig15.xmf'", LogLevel_Detail), 1);
  EXPECT_EQ(m_log.Count("DynamicMesh Piece tag has no filename specified.", LogLevel_Detail), 1);
  EXPECT_TRUE(m_log.Has("could not be loaded.")) << m_log.Dump();
  EXPECT_EQ(m_log.Count("DynamicMesh Animation tag has no filename specified.", LogLevel_Detail),
            1);
  EXPECT_EQ(m_log.Count("DynamicMesh Animation tag has no name specified.", LogLevel_Detail), 1);
  EXPECT_EQ(m_log.Count("DynamicMesh animation has non unique name 'WALK'", LogLevel_Detail), 1);
  EXPECT_EQ(m_log.Count("DynamicMesh Material tag has no name specified.", LogLevel_Detail), 1);
  EXPECT_EQ(m_log.Count("DynamicMesh material has non unique name 'Skin'", LogLevel_Detail), 1);
  ASSERT_EQ(def->GetPieces().size(), 2u);
  EXPECT_FALSE(def->GetPieces().at("hidden").visible);
  EXPECT_EQ(def->GetAnimations().size(), 1u);

  // A definition found only inside a package is refused.
  kaztest::TempDir packed("kaz-dynmesh-pak");
  packed.Write("fig.pak", kaztest::StoredZip({{"packed.xml", m_dir.Read("fig15.xml")}}));
  ASSERT_TRUE(FileSystem::AddToSearchPath(packed.Str() + "/fig.pak", false));
  m_log.Clear();
  EXPECT_FALSE(Load("packed.xml"));
  EXPECT_TRUE(m_log.Has("DynamicMeshes currently must reside in the real file system"))
      << m_log.Dump();
  FileSystem::RemoveFromSearchPath(packed.Str() + "/fig.pak");

  // A material that fails keeps its slot: names and Cal3D's core material ids stay one to one.
  m_dir.Write("two.xml",
              "<DynamicMesh version=\"1.0\" skeleton=\"fig15.xsf\"><Piece filename=\"fig15.xmf\"/>"
              "<Material name=\"a\"/><Material name=\"b\"/></DynamicMesh>");
  SetDynamicMeshMaterialFile("base/no-such-material.xrf");
  def = Load("two.xml");
  ASSERT_TRUE(def) << m_log.Dump();
  EXPECT_TRUE(m_log.Has("DynamicMesh material 'a' could not be loaded")) << m_log.Dump();
  EXPECT_EQ(def->GetMaterialNames().size(), 2u);
  EXPECT_EQ(def->GetCoreModel()->getCoreMaterialCount(), 2);
}

// Cal3D reserves what a count in its file says before reading what it counts,
// leaks on its failure paths and trusts the indices it reads: counts the file
// cannot hold, binary files whose counts go unchecked, broken documents and
// indices out of range are refused with a line before the library sees them.
TEST_F(DynamicMeshTest, Cal3DFilesAskingForMoreThanTheyHoldAreRefused) {
  ASSERT_NE(Start(), nullptr);
  Ref<DynamicMeshDef> def;
  Generate(m_dir, 15);
  std::string mesh = m_dir.Read("fig15.xmf");
  const size_t at = mesh.find("NUMVERTICES=\"");
  ASSERT_NE(at, std::string::npos);
  mesh.insert(at + 13, "2000000");  // a count of two thousand million and more
  m_dir.Write("huge.xmf", mesh);
  std::string skeleton = m_dir.Read("fig15.xsf");
  const size_t bones = skeleton.find("NUMBONES=\"");
  ASSERT_NE(bones, std::string::npos);
  skeleton.insert(bones + 10, "-");
  m_dir.Write("negative.xsf", skeleton);
  m_dir.Write("binary.cmf", std::string("CMF\0\xb0\x04\0\0\xff\xff\xff\x7f", 12));
  m_dir.Write("counts.xml",
              "<DynamicMesh version=\"1.0\" skeleton=\"fig15.xsf\">"
              "<Piece filename=\"huge.xmf\"/><Piece filename=\"binary.cmf\"/>"
              "<Piece filename=\"fig15.xmf\" name=\"good\"/></DynamicMesh>");
  m_log.Clear();
  def = Load("counts.xml");
  ASSERT_TRUE(def) << m_log.Dump();
  EXPECT_EQ(def->GetPieces().size(), 1u);
  EXPECT_TRUE(m_log.Has("huge.xmf' refused (NUMVERTICES ")) << m_log.Dump();
  EXPECT_TRUE(m_log.Has("binary.cmf' refused (only the XML forms")) << m_log.Dump();
  EXPECT_EQ(Refused("<DynamicMesh version=\"1.0\" skeleton=\"negative.xsf\"/>"),
            "Failed to load specified skeleton.");
  EXPECT_TRUE(m_log.Has("negative.xsf' refused (NUMBONES -")) << m_log.Dump();
  // Cal3D reads every child a bone lists, whatever NUMCHILDS says, and walks
  // down from the roots by those lists: a bone listed under one that is not
  // its parent (itself, here) would send that walk round for ever.
  std::string extra = m_dir.Read("fig15.xsf");
  const size_t one = extra.find("<BONE ID=\"1\"");
  ASSERT_NE(one, std::string::npos);
  extra.insert(extra.find("</BONE>", one), "<CHILDID>1</CHILDID>");
  m_dir.Write("extra.xsf", extra);
  std::string circle = extra;
  const size_t count = circle.find("NUMCHILDS=\"", one) + 11;
  const size_t end = circle.find('"', count);
  circle.replace(count, end - count, std::to_string(std::stoi(circle.substr(count)) + 1));
  m_dir.Write("circle.xsf", circle);
  const std::pair<const char*, const char*> refusals[] = {
      {"extra.xsf", "extra.xsf' refused (a bone holds more than its NUMCHILDS children)"},
      {"circle.xsf",
       "circle.xsf' refused (bone 1 is listed as a child of bone 1, not its parent)"}};
  for (const auto& [file, line] : refusals) {
    EXPECT_EQ(Refused(std::string("<DynamicMesh version=\"1.0\" skeleton=\"") + file + "\"/>"),
              "Failed to load specified skeleton.");
    EXPECT_TRUE(m_log.Has(line)) << m_log.Dump();
  }

  // Walked as Cal3D will walk them: a document cut short (Cal3D's failure path
  // leaks what it built), a track or an influence naming a bone the skeleton
  // lacks, a face naming a vertex the piece lacks.
  const std::string walk = m_dir.Read("fig15_walk.xaf");
  m_dir.Write("cut.xaf", walk.substr(0, walk.size() / 2));
  std::string farTrack = walk;
  farTrack.replace(farTrack.find("BONEID=\"3\""), 11, "BONEID=\"15\"");
  m_dir.Write("far.xaf", farTrack);
  std::string farBone = m_dir.Read("fig15.xmf");
  farBone.replace(farBone.find("<INFLUENCE ID=\"0\""), 17, "<INFLUENCE ID=\"99\"");
  m_dir.Write("farbone.xmf", farBone);
  std::string farVertex = m_dir.Read("fig15.xmf");
  farVertex.replace(farVertex.find("<FACE VERTEXID=\"") + 16, 1, "9999");
  m_dir.Write("farvertex.xmf", farVertex);
  // Cal3D reads every number of a file through one stream: text it cannot
  // read, or leaves unread, turns every later number (face indices too) into
  // garbage.
  std::string spoilt = m_dir.Read("fig15.xmf");
  spoilt.insert(spoilt.find("</TEXCOORD>"), ">0");
  m_dir.Write("spoilt.xmf", spoilt);
  std::string fourth = m_dir.Read("fig15.xmf");
  fourth.insert(fourth.find("\"", fourth.find("<FACE VERTEXID=\"") + 16), " 0");
  m_dir.Write("fourth.xmf", fourth);
  std::string half = m_dir.Read("fig15.xmf");
  half.insert(half.find("</POS>"), "e");
  m_dir.Write("half.xmf", half);
  m_dir.Write("walked.xml",
              "<DynamicMesh version=\"1.0\" skeleton=\"fig15.xsf\">"
              "<Piece filename=\"farbone.xmf\"/><Piece filename=\"farvertex.xmf\"/>"
              "<Piece filename=\"spoilt.xmf\"/><Piece filename=\"fourth.xmf\"/>"
              "<Piece filename=\"half.xmf\"/>"
              "<Piece filename=\"fig15.xmf\" name=\"good\"/>"
              "<Animation filename=\"cut.xaf\" name=\"cut\"/>"
              "<Animation filename=\"far.xaf\" name=\"far\"/>"
              "<Animation filename=\"fig15_walk.xaf\" name=\"walk\"/></DynamicMesh>");
  m_log.Clear();
  def = Load("walked.xml");
  ASSERT_TRUE(def) << m_log.Dump();
  EXPECT_EQ(def->GetPieces().size(), 1u);
  EXPECT_EQ(def->GetAnimations().size(), 1u);
  EXPECT_TRUE(m_log.Has("cut.xaf' refused (not well-formed XML")) << m_log.Dump();
  EXPECT_TRUE(m_log.Has("far.xaf' refused (BONEID 15 is out of range)")) << m_log.Dump();
  EXPECT_TRUE(m_log.Has("farbone.xmf' refused (ID 99 is out of range)")) << m_log.Dump();
  EXPECT_TRUE(m_log.Has("farvertex.xmf' refused (<FACE> names a vertex out of range)"))
      << m_log.Dump();
  EXPECT_TRUE(m_log.Has("spoilt.xmf' refused (<TEXCOORD> does not hold 2 numbers)"))
      << m_log.Dump();
  EXPECT_TRUE(m_log.Has("fourth.xmf' refused (<FACE> holds more than its 3 numbers)"))
      << m_log.Dump();
  EXPECT_TRUE(m_log.Has("half.xmf' refused (<POS> does not hold 3 numbers)")) << m_log.Dump();
}

TEST_F(DynamicMeshTest, WithoutVideoTheCoreModelStillLoads) {
  Generate(m_dir, 15);
  Ref<DynamicMeshDef> def = Load("fig15.xml");
  ASSERT_TRUE(def) << m_log.Dump();
  EXPECT_EQ(def->GetHardwareModel(), nullptr);
  EXPECT_EQ(def->GetVertexBuffer(), nullptr);
}

// ---- objects ---------------------------------------------------------------

class DynamicMeshObjectTest : public DynamicMeshTest {
 protected:
  void SetUp() override {
    DynamicMeshTest::SetUp();
    ASSERT_NE(Start(), nullptr);
    StartWorld();
  }
  DynamicMeshObject* Place(int bones, const std::string& cycle = "", float z = 0) {
    Generate(m_dir, bones);
    DynamicMeshObjectParams p;
    p.fileName = "fig" + std::to_string(bones) + ".xml";
    p.defaultCycle = cycle;
    p.transform = Matrix4x4::MakeTranslation(Vector3D(0, 0, z));
    return static_cast<DynamicMeshObject*>(m_world->CreateObject(p));
  }
};

TEST_F(DynamicMeshObjectTest, TheUpdateEveryThirdFrameAndAnimationHandles) {
  DynamicMeshObject* o = Place(15);
  ASSERT_NE(o, nullptr) << m_log.Dump();
  Vector3D p;
  ASSERT_TRUE(o->PlayCycle(o->FindAnimation("walk"), 1.0f, 0.0f));
  o->Update(0.1f);
  o->Update(0.1f);
  o->GetBonePosition("bone14", p);
  EXPECT_NEAR(p.x, 0.0f, 1e-4f) << "moved before the third frame";
  o->Update(0.1f);
  o->GetBonePosition("bone14", p);
  EXPECT_GT(std::abs(p.x), 0.01f) << "the third frame advances the animation";

  // Handles that name no animation are refused.
  const uint32_t walk = o->FindAnimation("walk");
  EXPECT_EQ(o->FindAnimation("run"), 0u);
  EXPECT_EQ(o->GetAnimationLength(0), 0.0f);
  EXPECT_EQ(o->GetAnimationLength(999), 0.0f);
  EXPECT_TRUE(o->PlayCycle(walk, 1.0f, 0.0f));
  EXPECT_TRUE(o->PlayAction(o->FindAnimation("wave"), 0.1f, 0.1f));
  EXPECT_FALSE(o->PlayCycle(0, 1.0f, 0.0f));
  EXPECT_FALSE(o->PlayAction(77, 0.1f, 0.1f));
  EXPECT_TRUE(o->StopAnimation(walk, 0.0f));
  EXPECT_FALSE(o->StopAnimation(0, 0.0f));
  DynamicMeshObjectParams missing;
  missing.fileName = "nothing.xml";
  EXPECT_EQ(m_world->CreateObject(missing), nullptr);
  EXPECT_TRUE(m_log.Has("DynamicMeshObject: Failed to load 'nothing.xml'")) << m_log.Dump();
}

TEST_F(DynamicMeshObjectTest, TheBoxCoversEverySkinnedVertex) {
  for (int bones : {1, 30}) {
    // The box is taken at creation, from the first pose.
    DynamicMeshObject* fresh = Place(bones);
    ASSERT_NE(fresh, nullptr) << m_log.Dump();
    ASSERT_FALSE(fresh->GetSkinnedVertices().empty());
    for (const Vector3D& v : fresh->GetSkinnedVertices()) {
      EXPECT_GE(v.x, fresh->GetBoxMins().x - 1e-4f);
      EXPECT_LE(v.x, fresh->GetBoxMaxs().x + 1e-4f);
      EXPECT_GE(v.z, fresh->GetBoxMins().z - 1e-4f);
      EXPECT_LE(v.z, fresh->GetBoxMaxs().z + 1e-4f);
      EXPECT_LE(v.y, fresh->GetBoxMaxs().y + 1e-4f);
    }
  }
}

// Thirty bones: the skeleton's lines, a reload under placed instances, bone
// matrices within the limit and a draw in two skinned pieces.
TEST_F(DynamicMeshObjectTest, ThirtyBones) {
  DynamicMeshObject* still = Place(30);
  ASSERT_NE(still, nullptr) << m_log.Dump();
  std::vector<Vector3D> points;
  ASSERT_TRUE(still->GetBoneLines(points));
  ASSERT_EQ(points.size(), 58u);  // 29 bones have a parent
  EXPECT_NEAR(points[57].y, 29 * 0.25f, 1e-4f);
  m_world->RemoveObject(still);

  DynamicMeshObject* o = Place(30, "walk", 5);
  ASSERT_NE(o, nullptr) << m_log.Dump();
  CalCoreModel* core = o->GetDefinition()->GetCoreModel();
  ResourceManager::ReloadAll();
  EXPECT_EQ(o->GetDefinition()->GetCoreModel(), core);
  CalHardwareModel* hw = o->GetDefinition()->GetHardwareModel();
  ASSERT_NE(hw, nullptr);
  for (int frame = 0; frame < 6; ++frame) m_world->Update(0.05f);
  EXPECT_FALSE(o->GetSkinnedVertices().empty());
  float matrices[kMaxBonesPerDraw * 12];
  uint32_t total = 0;
  for (int m = 0; m < hw->getHardwareMeshCount(); ++m) {
    const uint32_t bones = o->GetBoneMatrices(m, matrices);
    EXPECT_LE(bones, kMaxBonesPerDraw);
    total += bones;
  }
  EXPECT_GE(total, 30u);
  EXPECT_EQ(o->GetBoneMatrices(hw->getHardwareMeshCount(), matrices), 0u);

  Device()->ResetCalls();
  m_world->GetRenderer()->Render(m_camera);
  // No lights: AmbientEmissive only, one draw per hardware sub-mesh.
  EXPECT_EQ(Device()->Calls("DrawIndexedPrimitive"), hw->getHardwareMeshCount());
  EXPECT_EQ(m_world->GetRenderer()->GetStats().dynamicMeshes, 1u);
  // Drawn with the four-influence variant of the shared default effect.
  WorldRenderEffect* fx = o->GetMaterial(0)->GetRenderEffect();
  ASSERT_NE(fx, nullptr);
  EXPECT_EQ(fx->GetCurrentVariant(), int(kMaxBoneInfluences)) << m_log.Dump();
  EXPECT_EQ(m_log.Problems(), 0) << m_log.Dump();
}

// Every drawable gets VIEWPOS by one rule: the eye in the space its vertices
// are drawn from. A figure held by the camera (a PV object) is placed in the
// camera's own space, where the eye is the origin, wherever the camera stands.
TEST_F(DynamicMeshObjectTest, TheEyeIsInTheFiguresOwnSpaceHeldOrNot) {
  ASSERT_NE(m_camera, nullptr);
  m_camera->SetWorldTransform(Matrix4x4::MakeTranslation(Vector3D(10, 2, -4)));
  // The VIEWPOS the figure's skinned effect was last given.
  const auto eye = [](DynamicMeshObject* figure) {
    Vector3D v(-1e9f, -1e9f, -1e9f);
    Material* material = figure->GetMaterial(0);
    WorldRenderEffect* fx = material ? material->GetRenderEffect() : nullptr;
    RenderEffect* effect = fx ? fx->GetVariantEffect(kMaxBoneInfluences) : nullptr;
    const EffectHandle h = effect ? effect->GetParameterBySemantic("VIEWPOS") : 0;
    float f[3] = {};
    if (h && GSucceeded(effect->GetDeviceEffect()->GetFloatArray(h, f, 3))) v = {f[0], f[1], f[2]};
    return v;
  };
  DynamicMeshObject* walker = Place(15, "", 6);
  ASSERT_NE(walker, nullptr) << m_log.Dump();
  m_world->GetRenderer()->Render(m_camera);
  // The walker stands at (0, 0, 6): the camera is at (10, 2, -10) from it.
  Vector3D seen = eye(walker);
  EXPECT_NEAR(seen.x, 10.0f, 1e-4f);
  EXPECT_NEAR(seen.y, 2.0f, 1e-4f);
  EXPECT_NEAR(seen.z, -10.0f, 1e-4f);

  // Held 1.5 in front of the camera, the figure sees the eye 1.5 behind it.
  m_world->RemoveObject(walker);
  DynamicMeshObject* held = Place(15, "", 1.5f);
  ASSERT_NE(held, nullptr);
  m_camera->AttachPVObject(held);
  m_world->GetRenderer()->Render(m_camera);
  EXPECT_EQ(m_world->GetRenderer()->GetStats().dynamicMeshes, 1u);
  seen = eye(held);
  EXPECT_NEAR(seen.x, 0.0f, 1e-4f);
  EXPECT_NEAR(seen.y, 0.0f, 1e-4f);
  EXPECT_NEAR(seen.z, -1.5f, 1e-4f);
  m_camera->DetachPVObject(held);
}

}  // namespace
