// MathModuleTest.cpp - the generated math module where the harness mod's checks
// (data/scripttest/scripts/TestMath.py) cannot reach: member vectors of a box
// that is already gone, read under the sanitizers.
#include "script/ScriptFixture.h"

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

TEST_F(MathModuleTest, BoxMembersWriteThroughAndKeepTheBoxAlive) {
  ASSERT_EQ(Exec("box = Engine.AABB(V(1, 2, 3), V(4, 5, 6))\nbox.mins.x = -7"), "ok");
  EXPECT_EQ(Eval("box.mins.x, box.GetXWidth()"), "(-7.0, 11.0)");
  // A temporary box: its member vector must not read freed memory.
  ASSERT_EQ(Exec("t = Engine.AABB(V(1, 2, 3), V(4, 5, 6)).maxs\nimport gc\ngc.collect()"), "ok");
  EXPECT_EQ(Eval("t.x, t.y, t.z"), "(4.0, 5.0, 6.0)");
  // Out-of-range floats and unmatched overloads raise instead of converting.
  EXPECT_EQ(Eval("V().Scale(-1e39)").rfind("raise OverflowError", 0), 0u);
  EXPECT_EQ(Eval("Engine.Matrix4x4().Multiply('x')"),
            "raise NotImplementedError: No matching function for overloaded "
            "'Matrix4x4_Multiply'");
}

}  // namespace
