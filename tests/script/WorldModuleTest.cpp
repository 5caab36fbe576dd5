// WorldModuleTest.cpp - the _World module over a real World: creation keys, object identity, the
// fixed TypeError texts and objects that outlive their world.
#include "script/ScriptFixture.h"

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
    ScriptHost host = GetScriptHost();
    host.setRenderCamera = [this](WorldObject* camera) {
      if (m_camera) m_camera->Release();
      m_camera = camera && camera->GetType() == ObjectType_Camera ? camera : nullptr;
      if (m_camera) m_camera->AddRef();
    };
    host.getRenderCamera = [this] { return m_camera; };
    SetScriptHost(host);
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(Exec("import _World, Engine\nV = Engine.Vector3D\nM = Engine.Matrix4x4"), "ok");
  }
  void TearDown() override {
    DestroyScriptManager();
    if (m_camera) m_camera->Release();
    m_world->Release();
    ScriptFixture::TearDown();
  }
  WorldObject* m_camera = nullptr;
};

TEST_F(WorldModuleTest, CreateObjectChecksTypeAndDictionary) {
  EXPECT_EQ(Eval("_World.CreateObject(0, {})"),
            "raise TypeError: first param must be a valid object type ID.");
  EXPECT_EQ(Eval("_World.CreateObject(11, {})"),
            "raise TypeError: first param must be a valid object type ID.");
  EXPECT_EQ(Eval("_World.CreateObject(1, [])"),
            "raise TypeError: second param must be kwargs (ie. a dict)");
  EXPECT_EQ(Eval("_World.CreateObject('x', {})"),
            "raise TypeError: 'str' object cannot be interpreted as an integer");
  EXPECT_EQ(Eval("_World.CreateObject(1)"),
            "raise TypeError: _World.CreateObject() takes exactly 2 arguments (1 given)");
  EXPECT_EQ(Eval("_World.objGetType(_World.CreateObject(1, {}))"), "1");
  EXPECT_EQ(m_world->GetObjectCount(ObjectType_Null), 1u);
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

TEST_F(WorldModuleTest, InstancesOfOneObjectCompareEqual) {
  ASSERT_EQ(Exec("box = _World.CreateObject(1, {'colType': 2, 'mins': V(-1, -1, -1), "
                 "'maxs': V(1, 1, 1), 'transform': M.MakeTranslation(V(0, 0, 5))})\n"
                 "hit = _World.IntersectRay(V(0, 0, 0), V(0, 0, 1), 1)"),
            "ok");
  EXPECT_EQ(Eval("len(hit), hit[1]"), "(5, None)");
  EXPECT_EQ(Eval("_World.objIsEqual(box, hit[0])"), "True");
  EXPECT_EQ(Eval("box is hit[0]"), "False");
  EXPECT_EQ(Eval("str(hit[2])"), "'<0, 0, 4>'");
  EXPECT_EQ(Eval("_World.IntersectRay(V(0, 0, 0), V(0, 0, -1), 3)"), "None");
  EXPECT_EQ(Eval("_World.objIsEqual(box, 1)"), "False");
}

TEST_F(WorldModuleTest, ScriptsMakeAndSubclassTheTypes) {
  ASSERT_EQ(Exec("class Mine(_World.WorldObject):\n    pass\nmine = Mine()\n"
                 "bare = _World.RenderMaterial()"),
            "ok");
  EXPECT_EQ(Eval("_World.objGetType(mine)"), "raise TypeError: parameter 1 must be a WorldObject.");
  EXPECT_EQ(Eval("_World.objIsEqual(mine, mine)"), "False");
  EXPECT_EQ(Eval("_World.WorldObject.__doc__"), "'WorldObject object'");
  EXPECT_EQ(Eval("_World.RenderMaterial.__doc__"), "'RenderMaterial object'");
}

TEST_F(WorldModuleTest, ClippingGravityAndCamera) {
  Exec("_World.SetNearZ(0.5)");
  EXPECT_EQ(Eval("(_World.GetNearZ(), _World.GetFarZ())"), "(0.5, 100.0)");
  Exec("_World.SetFarZ(250)\n_World.SetGravity(V(0, -1, 0))");
  EXPECT_EQ(Eval("_World.GetFarZ()"), "250.0");
  EXPECT_EQ(Eval("str(_World.GetGravity())"), "'<0, -1, 0>'");
  EXPECT_EQ(Eval("_World.SetGravity((0, 1, 0))"),
            "raise TypeError: parameter 1 must be an Engine.Vector3D.");
  Exec("cam = _World.CreateObject(2, {})\n_World.SetRenderCamera(cam)");
  EXPECT_EQ(Eval("_World.objIsEqual(_World.GetRenderCamera(), cam)"), "True");
  Exec("_World.SetRenderCamera(None)");
  EXPECT_EQ(Eval("_World.GetRenderCamera()"), "None");
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

TEST_F(WorldModuleTest, ObjectFunctionsRaiseTheirOwnTexts) {
  Exec("a = _World.CreateObject(1, {})\nb = _World.CreateObject(1, {})");
  EXPECT_EQ(Eval("_World.objAttachObject(a, b, 3, 0)"),
            "raise TypeError: param 3 must be a valid attach type ID.");
  EXPECT_EQ(Eval("_World.objAttachObject(a, b, -1, 0)"),
            "raise TypeError: param 3 must be a valid attach type ID.");
  EXPECT_EQ(Eval("_World.objAttachObject(a, 5, 0, 0)"),
            "raise TypeError: parameter 1 and 2 must be WorldObjects.");
  EXPECT_EQ(Eval("_World.objDetachObject(None, b)"),
            "raise TypeError: parameter 1 and 2 must be WorldObjects.");
  EXPECT_EQ(Eval("_World.objAttachObject(a, b, 0, 1), _World.objDetachObject(a, b)"),
            "(True, True)");
  const std::pair<const char*, const char*> typed[] = {
      {"_World.objDynMeshStopAllAnimations(a, 0)", "DynamicMesh"},
      {"_World.objCamAttachPVObject(a, b)", "Camera"},
      {"_World.animGetWaypointCount(a)", "AnimPath"},
      {"_World.sndPlay(a, 0)", "Sound"},
      {"_World.psEmitOnce(a)", "ParticleSystem"},
  };
  for (const auto& [call, type] : typed)
    EXPECT_EQ(Eval(call),
              std::string("raise TypeError: parameter 1 must be a ") + type + " WorldObject.");
  Exec("cam = _World.CreateObject(2, {})\npath = _World.CreateObject(8, {})");
  EXPECT_EQ(Eval("_World.objCamAttachPVObject(cam, 7)"),
            "raise TypeError: parameter 2 must be a WorldObject.");
  EXPECT_EQ(Eval("_World.animAddWaypoint(path, M(), 1.0, 4, None)"),
            "raise TypeError: rotation type ID is invalid.");
  EXPECT_EQ(Eval("_World.animAddWaypoint(path, M(), 1.0, 3, None), "
                 "_World.animGetWaypointCount(path)"),
            "(None, 1)");
  EXPECT_EQ(Eval("_World.objCamGetSecondaryTransform(a).GetTrace()"), "4.0");
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
