// DynMeshFunctionsTest.cpp - the _World dynamic mesh functions over a
// generated figure: creation keys, animations by name, bones and lengths.
#include "script/ScriptFixture.h"

#include <cstdlib>

#include "render/world/cal3d/DynamicMeshObject.h"
#include "tier1/World.h"

using scripttest::ScriptFixture;

namespace {

class DynMeshFunctionsTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    const std::string command = "python3 '" + kaztest::SourceDir() +
                                "/tools/make-character.py' --bones 15 --anims walk,wave '" +
                                m_package.Str() + "/chars' fig";
    ASSERT_EQ(std::system(command.c_str()), 0);
    InstallDynamicMeshType();
    m_world = World::Create();
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(Exec("import _World, Engine\n"
                   "fig = _World.CreateObject(4, {'filename': 'chars/fig.xml', "
                   "'defaultCycleAnim': 'walk'})"),
              "ok");
  }
  void TearDown() override {
    DestroyScriptManager();
    m_world->Release();
    World::SetObjectMaker(ObjectType_DynamicMesh, nullptr);
    ScriptFixture::TearDown();
  }
  kaztest::LogCapture m_log;
};

TEST_F(DynMeshFunctionsTest, AnimationsByName) {
  ASSERT_EQ(Eval("_World.objGetType(fig)"), "4") << m_log.Dump();
  EXPECT_EQ(Eval("_World.objDynMeshPlayCycleAnimation(fig, 'WAVE', 1.0, 0.2)"), "True");
  EXPECT_EQ(Eval("_World.objDynMeshPlayCycleAnimation(fig, 'run', 1.0, 0.2)"), "False");
  EXPECT_EQ(Eval("_World.objDynMeshPlayActionAnimation(fig, 'wave', 0.1, 0.1)"), "True");
  EXPECT_EQ(Eval("_World.objDynMeshStopAnimation(fig, 'wave', 0.1)"), "True");
  EXPECT_EQ(Eval("_World.objDynMeshStopAnimation(fig, 'run', 0.1)"), "False");
  EXPECT_EQ(Eval("_World.objDynMeshGetAnimLength(fig, 'walk')"), "1.0");
  EXPECT_EQ(Eval("_World.objDynMeshGetAnimLength(fig, 'run')"), "None");
  m_log.Clear();
  EXPECT_EQ(Eval("_World.objDynMeshStopAllAnimations(fig, 0)"), "True");
  EXPECT_EQ(m_log.Count("DynamicMeshObject::StopAllAnimations not implemented.", LogLevel_Warning),
            1);
}

TEST_F(DynMeshFunctionsTest, BonePositions) {
  EXPECT_EQ(Eval("_World.objDynMeshGetBonePosition(fig, 'bone99')"), "None");
  ASSERT_EQ(Exec("p = _World.objDynMeshGetBonePosition(fig, 'bone04')"), "ok");
  EXPECT_EQ(Eval("round(p.y, 3)"), "1.0");
  EXPECT_EQ(Eval("_World.objDynMeshGetBonePosition(_World.CreateObject(1, {}), 'bone04')"),
            "raise TypeError: parameter 1 must be a DynamicMesh WorldObject.");
  EXPECT_EQ(Eval("_World.CreateObject(4, {'filename': 'chars/none.xml'})"), "None");
}

}  // namespace
