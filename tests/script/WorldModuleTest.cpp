// WorldModuleTest.cpp - the _World module over a real World, beyond the harness
// mod's checks (data/scripttest/scripts/TestWorld.py): creation keys, argument
// errors the harness does not make, and objects that outlive a reset or their world.
#include "script/ScriptFixture.h"

#include "common/LogCapture.h"

#include "tier1/World.h"
#include "tier1/WorldObject.h"

using scripttest::ScriptFixture;

namespace {

class WorldModuleTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    m_world = World::Create();
    ASSERT_NE(m_world, nullptr);
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(Exec("import _World, Engine\nV = Engine.Vector3D\nM = Engine.Matrix4x4"), "ok");
  }
  void TearDown() override {
    DestroyScriptManager();
    m_world->Release();
    ScriptFixture::TearDown();
  }
};

TEST_F(WorldModuleTest, ArgumentErrorsTheHarnessDoesNotMake) {
  EXPECT_EQ(Eval("_World.CreateObject('x', {})"),
            "raise TypeError: 'str' object cannot be interpreted as an integer");
  EXPECT_EQ(Eval("_World.CreateObject(1)"),
            "raise TypeError: _World.CreateObject() takes exactly 2 arguments (1 given)");
  EXPECT_EQ(Eval("_World.objGetType(_World.CreateObject(1, {}))"), "1");
  EXPECT_EQ(m_world->GetObjectCount(ObjectType_Null), 1u);
  EXPECT_EQ(Eval("_World.SetGravity((0, 1, 0))"),
            "raise TypeError: parameter 1 must be an Engine.Vector3D.");
  EXPECT_EQ(Eval("_World.objDetachObject(None, _World.CreateObject(1, {}))"),
            "raise TypeError: parameter 1 and 2 must be WorldObjects.");
  ASSERT_EQ(Exec("path = _World.CreateObject(8, {})"), "ok");
  EXPECT_EQ(Eval("_World.animAddWaypoint(path, M(), 1.0, 3, None), "
                 "_World.animGetWaypointCount(path)"),
            "(None, 1)");  // the last rotation type
}

TEST_F(WorldModuleTest, CreationKeysKeepDefaultsForValuesOfTheWrongKind) {
  ASSERT_EQ(Exec("light = _World.CreateObject(5, {'colType': 9, 'visible': 0, 'radius': 2})\n"
                 "plain = _World.CreateObject(1, {'mins': (1, 2, 3), 'gravity': 'yes'})"),
            "ok");
  WorldObject* light = m_world->GetFirstObject(ObjectType_Light);
  ASSERT_NE(light, nullptr);
  EXPECT_EQ(light->GetCollisionType(), Collision_None);
  EXPECT_TRUE(light->IsVisible());
  EXPECT_EQ(light->GetRadius(), 2.0f);
  WorldObject* plain = m_world->GetFirstObject(ObjectType_Null);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->GetBoxMins(), Vector3D());
  EXPECT_TRUE(plain->HasGravity());
  Exec("_World.RemoveObject(plain)");
  ASSERT_EQ(Exec("box = _World.CreateObject(1, {'colType': 2.9, 'visible': False, "
                 "'mins': V(-1, -1, -1), 'maxs': V(1, 1, 1), 'transform': "
                 "M.MakeTranslation(V(0, 0, 5))})"),
            "ok");
  WorldObject* box = m_world->GetFirstObject(ObjectType_Null);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetCollisionType(), Collision_Box);  // floats truncated
  EXPECT_FALSE(box->IsVisible());
  EXPECT_EQ(box->GetWorldTransform().GetTranslation(), Vector3D(0, 0, 5));
}

TEST_F(WorldModuleTest, MistakesInTheKeysAreReportedOncePerTypeAndKey) {
  kaztest::LogCapture log;
  for (int i = 0; i < 2; ++i)
    ASSERT_EQ(Exec("light = _World.CreateObject(5, {'colour': V(1, 0, 0), 'color': V(0, 1, 0), "
                   "'colType': 9, 'visible': 0, 7: 1})"),
              "ok");
  EXPECT_EQ(Exec("_World.CreateObject(10, {'colour': 1})"), "ok");  // another type: said again
  EXPECT_EQ(log.Count("CreateObject: Light objects have no key 'colour'; it is ignored.",
                      LogLevel_Warning),
            1)
      << log.Dump();
  EXPECT_EQ(log.Count("CreateObject: Field objects have no key 'colour'"), 1);
  EXPECT_EQ(log.Count("CreateObject: Light objects have no key '7'"), 1);
  EXPECT_EQ(log.Count("CreateObject: the key 'colType' of a Light takes one of the Collision "
                      "types (0 to 6); 9 is ignored."),
            1)
      << log.Dump();
  EXPECT_EQ(log.Count("CreateObject: the key 'visible' of a Light takes True or False; 0 is "
                      "ignored."),
            1);
  EXPECT_EQ(log.Problems(), 5) << log.Dump();
  // The right keys still took effect.
  auto* light = m_world->GetFirstObject(ObjectType_Light);
  ASSERT_NE(light, nullptr);
  EXPECT_TRUE(light->IsVisible());

  // Without a required key nothing is made: one error line, however often.
  log.Clear();
  EXPECT_EQ(Eval("_World.CreateObject(3, {}), _World.CreateObject(9, {})"), "(None, None)");
  EXPECT_EQ(Eval("_World.CreateObject(3, {})"), "None");
  EXPECT_EQ(log.Count("CreateObject: a StaticMesh needs the key 'filename'; none was made.",
                      LogLevel_Error),
            1)
      << log.Dump();
  EXPECT_EQ(log.Count("CreateObject: a ParticleSystem needs the key 'material'"), 1);
  EXPECT_EQ(m_world->GetObjectCount(ObjectType_StaticMesh), 0u);

  // A malformed key list is named and the whole key ignored.
  log.Clear();
  EXPECT_EQ(Exec("_World.CreateObject(9, {'radiusKeys': [(0, 1), (1, 2, 3)]})"), "ok");
  EXPECT_EQ(log.Count("the key 'radiusKeys' of a ParticleSystem takes a list of (time, number) "
                      "pairs; (1, 2, 3) is ignored."),
            1)
      << log.Dump();
}

TEST_F(WorldModuleTest, ScriptsMakeAndSubclassTheTypes) {
  ASSERT_EQ(Exec("class Mine(_World.WorldObject):\n    pass\nmine = Mine()\n"
                 "bare = _World.RenderMaterial()"),
            "ok");
  EXPECT_EQ(Eval("_World.objIsEqual(mine, mine), _World.objIsEqual(mine, 1)"), "(False, False)");
  EXPECT_EQ(Eval("_World.WorldObject.__doc__"), "'WorldObject object'");
  EXPECT_EQ(Eval("_World.RenderMaterial.__doc__"), "'RenderMaterial object'");
}

TEST_F(WorldModuleTest, ObjectsOutliveAReset) {
  ASSERT_EQ(Exec("a = _World.CreateObject(1, {'dynamic': True, 'colType': 1, 'radius': 1})"), "ok");
  Exec("_World.Reset()");
  EXPECT_EQ(m_world->GetObjectCount(ObjectType_Null), 0u);
  EXPECT_EQ(Eval("_World.objGetType(a)"), "1");
  EXPECT_EQ(Eval("str(_World.objGetVelocity(a))"), "'<0, 0, 0>'");
  EXPECT_EQ(Exec("_World.objSetVelocity(a, V(1, 0, 0))\n_World.objApplyForce(a, V(), V(1, 0, 0), 1)"
                 "\n_World.RemoveObject(a)"),
            "ok");
}

TEST_F(WorldModuleTest, WithoutAWorldNothingHappens) {
  m_world->Release();
  m_world = nullptr;
  EXPECT_EQ(Eval("_World.CreateObject(1, {})"), "None");
  EXPECT_EQ(Eval("(_World.Reset(), _World.GetNearZ(), _World.GetGravity())"), "(None, None, None)");
  EXPECT_EQ(Eval("_World.IntersectRay(V(), V(0, 0, 1), 3)"), "None");
  m_world = World::Create();
}

}  // namespace
