// MathModuleTest.cpp - the generated math module: overload choice, range errors, the box's member
// vectors and the bridge to the world module.
#include "script/ScriptFixture.h"

#include "tier1/World.h"

using scripttest::ScriptFixture;

namespace {

class MathModuleTest : public ScriptFixture {
 protected:
  void SetUp() override {
    ScriptFixture::SetUp();
    ASSERT_NE(Start(), nullptr);
    ASSERT_EQ(Exec("import Engine, _Engine_SWIG\nV = Engine.Vector3D"), "ok");
  }
};

TEST_F(MathModuleTest, ConstructorsStartFromZeroOrIdentity) {
  EXPECT_EQ(Eval("str(V())"), "'<0, 0, 0>'");
  EXPECT_EQ(Eval("repr(Engine.Vector4D(1, 2, 3, 4))"), "'Vector4D(1, 2, 3, 4)'");
  EXPECT_EQ(Eval("Engine.Matrix4x4().GetTrace(), Engine.Matrix4x4().GetDeterminant()"),
            "(4.0, 1.0)");
  EXPECT_EQ(Eval("str(Engine.AABB().mins), str(Engine.AABB().maxs)"), "('<0, 0, 0>', '<0, 0, 0>')");
  EXPECT_EQ(Eval("str(Engine.Vector2D(Engine.Vector2D(1, 2)))"), "'<1, 2>'");
}

TEST_F(MathModuleTest, OverloadsAreChosenByArgumentTypes) {
  EXPECT_EQ(Eval("V(0, 0, 0).NearlyEquals(V(0.0005, 0, 0))"), "True");
  EXPECT_EQ(Eval("V(0, 0, 0).NearlyEquals(V(0.0005, 0, 0), 0.0001)"), "False");
  EXPECT_EQ(Eval("Engine.Matrix4x4().Multiply(2.0).GetTrace()"), "8.0");
  EXPECT_EQ(Eval("Engine.Matrix4x4().Multiply(Engine.Matrix4x4.MakeScale(V(2, 3, 4)))"
                 ".GetDeterminant()"),
            "24.0");
  EXPECT_EQ(Eval("Engine.Matrix4x4().Multiply('x')"),
            "raise NotImplementedError: No matching function for overloaded "
            "'Matrix4x4_Multiply'");
  EXPECT_EQ(Eval("Engine.AABB(1)"),
            "raise NotImplementedError: No matching function for overloaded 'new_AABB'");
  EXPECT_EQ(Eval("str(Engine.Matrix4x4.MakeTranslation(V(1, 2, 3)).TransformVector(V()))"),
            "'<1, 2, 3>'");
  EXPECT_EQ(Eval("str(Engine.Matrix4x4.MakeTranslation(V(1, 2, 3)).TransformVector(V(), False))"),
            "'<0, 0, 0>'");
}

TEST_F(MathModuleTest, OperatorsAndFlatFunctions) {
  EXPECT_EQ(Eval("str(V(1, 2, 3) * 2 - V(1, 1, 1))"), "'<1, 3, 5>'");
  EXPECT_EQ(Eval("str(-V(1, 2, 3) / 2)"), "'<-0.5, -1, -1.5>'");
  EXPECT_EQ(Eval("V(1, 2, 3) == V(1, 2, 3), V(1, 2, 3) != V(1, 2, 3)"), "(True, False)");
  EXPECT_EQ(Eval("str(_Engine_SWIG.Vector3D_Cross(V(1, 0, 0), V(0, 1, 0)))"), "'<0, 0, 1>'");
  EXPECT_EQ(Eval("_Engine_SWIG.PlayerController_moveJump, Engine.PlayerController.moveWalk"),
            "(16, 64)");
}

TEST_F(MathModuleTest, FloatArgumentsOutsideTheRangeRaise) {
  EXPECT_EQ(Eval("V(1e39, 0, 0)").rfind("raise ", 0), 0u);
  EXPECT_EQ(Eval("V().Scale(-1e39)").rfind("raise OverflowError", 0), 0u);
  EXPECT_EQ(Eval("V(1, 2, 3).Dot(Engine.Vector4D())").rfind("raise TypeError", 0), 0u);
}

TEST_F(MathModuleTest, BoxMembersWriteThroughAndKeepTheBoxAlive) {
  ASSERT_EQ(Exec("box = Engine.AABB(V(1, 2, 3), V(4, 5, 6))\nbox.mins.x = -7"), "ok");
  EXPECT_EQ(Eval("box.mins.x, box.GetXWidth()"), "(-7.0, 11.0)");
  ASSERT_EQ(Exec("m = _Engine_SWIG.AABB_mins_get(box)\nm.y = 0"), "ok");
  EXPECT_EQ(Eval("box.mins.y"), "0.0");
  // A temporary box: its member vector must not read freed memory.
  ASSERT_EQ(Exec("t = Engine.AABB(V(1, 2, 3), V(4, 5, 6)).maxs\nimport gc\ngc.collect()"), "ok");
  EXPECT_EQ(Eval("t.x, t.y, t.z"), "(4.0, 5.0, 6.0)");
  EXPECT_EQ(Eval("Engine.AABB(V(1, 2, 3), V(4, 5, 6)).mins.x"), "1.0");
}

TEST_F(MathModuleTest, PlayerControllerTakesOnlyWorldObjects) {
  EXPECT_EQ(Eval("Engine.PlayerController().Init(5)"),
            "raise TypeError: argument must be a WorldObject.");
  World* world = World::Create();
  m_world = world;
  EXPECT_EQ(Exec("import _World\nbody = _World.CreateObject(1, {'dynamic': True, 'colType': 3, "
                 "'radius': 0.5, 'mins': V(-0.5, -1, -0.5), 'maxs': V(0.5, 1, 0.5)})\n"
                 "pc = Engine.PlayerController()\nok = pc.Init(body)\n"
                 "pc.SetRunSpeed(5)\npc.SetWalkSpeed(2)\npc.SetHeadingAngle(0.5)\n"
                 "pc.Update(Engine.PlayerController.moveForward)\ndel pc, body"),
            "ok");
  EXPECT_EQ(Eval("ok"), "True");
  m_world = nullptr;
  world->Release();
}

TEST_F(MathModuleTest, FloatKeyTrackSamples) {
  ASSERT_EQ(Exec("k = Engine.FloatKeyTrack()\nk.Initialize(0.0, 10.0, 2.0)\n"
                 "k.InsertKeyframe(4.0, 0.0)"),
            "ok");
  EXPECT_EQ(Eval("k.GetKeyframeCount(), k.Sample(1.0), k.GetKeyframeTime(2)"), "(3, 5.0, 4.0)");
  Exec("k.Normalize()");
  EXPECT_EQ(Eval("k.GetKeyframeTime(1), k.GetKeyframeValue(1)"), "(0.5, 10.0)");
}

}  // namespace
