// MathModuleTest.cpp - the generated math module where the harness mod's checks
// (data/scripttest/scripts/TestMath.py) cannot reach: member vectors of a box
// that is already gone, in-place operators whose result is dropped while another
// name still holds the operand (both read under the sanitizers), and the call
// forms with an extra argument.
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

// Every in-place operator of every class, called through the proxy and straight
// through the generated function with its result thrown away: the operand keeps
// its own native object, changed, and no alias is left pointing at freed memory.
TEST_F(MathModuleTest, InPlaceOperatorsChangeTheirOperandAndHandItBack) {
  ASSERT_EQ(Exec(R"py(
import gc
M, B, V2, V4 = Engine.Matrix4x4, Engine.AABB, Engine.Vector2D, Engine.Vector4D
cases = [
    (lambda: V(1, 2, 3), 'iadd', lambda: V(1, 1, 1)), (lambda: V(1, 2, 3), 'isub', lambda: V(1, 1, 1)),
    (lambda: V(1, 2, 3), 'imul', lambda: 2.0), (lambda: V(2, 4, 6), 'itruediv', lambda: 2.0),
    (lambda: V(2, 4, 6), 'itruediv', lambda: V(2, 2, 2)),
    (lambda: V2(1, 2), 'iadd', lambda: V2(1, 1)), (lambda: V2(1, 2), 'isub', lambda: V2(1, 1)),
    (lambda: V2(1, 2), 'imul', lambda: 3.0), (lambda: V2(2, 4), 'itruediv', lambda: V2(2, 2)),
    (lambda: V4(1, 2, 3, 4), 'iadd', lambda: V4(1, 1, 1, 1)),
    (lambda: V4(1, 2, 3, 4), 'isub', lambda: V4(1, 1, 1, 1)),
    (lambda: V4(1, 2, 3, 4), 'imul', lambda: 2.0), (lambda: V4(2, 4, 6, 8), 'itruediv', lambda: 2.0),
    (lambda: M.MakeScale(V(2, 2, 2)), 'imul', lambda: M.MakeTranslation(V(1, 0, 0))),
    (lambda: M.MakeScale(V(2, 2, 2)), 'imul', lambda: 0.5),
    (lambda: M.MakeScale(V(2, 2, 2)), 'itruediv', lambda: 2.0),
    (lambda: B(V(0, 0, 0), V(1, 1, 1)), 'iadd', lambda: V(5, 5, 5)),
    (lambda: B(V(0, 0, 0), V(1, 1, 1)), 'isub', lambda: V(5, 5, 5)),
]
SIGN = {'iadd': '+', 'isub': '-', 'imul': '*', 'itruediv': '/'}
def show(value):
    return repr((value.mins, value.maxs)) if isinstance(value, B) else repr(value)
def apply(value, op, operand, times):
    for _ in range(times):
        value = getattr(value, '__%s__' % op)(operand())
    return show(value)
def run_case(make, op, operand):
    problems = []
    # The generated function itself, its result dropped at once.
    a = make()
    alias = a
    result = getattr(_Engine_SWIG, '%s___%s__' % (type(a).__name__, op))(a, operand())
    if result is not a: problems.append('another object')
    del result
    gc.collect()
    if show(alias) != apply(make(), op, operand, 1): problems.append('changed wrongly')
    # The statement, its rebound name dropped with the namespace it lived in.
    exec('x %s= y' % SIGN[op], {}, {'x': alias, 'y': operand()})
    gc.collect()
    if show(a) != apply(make(), op, operand, 2): problems.append('statement lost')
    return problems
failures = []
for make, op, operand in cases:
    problems = run_case(make, op, operand)
    if problems:
        failures.append('%s %s: %s' % (type(make()).__name__, op, ', '.join(problems)))
)py"),
            "ok");
  EXPECT_EQ(Eval("failures"), "[]");
  // Aliases through plain statements: the result of += dropped, the alias read.
  ASSERT_EQ(Exec("a = V(1, 2, 3)\nx = a\nx += V(1, 1, 1)\ndel x\ngc.collect()"), "ok");
  EXPECT_EQ(Eval("a.x, a.y, a.z"), "(2.0, 3.0, 4.0)");
  ASSERT_EQ(Exec("b = Engine.AABB(V(0, 0, 0), V(1, 1, 1))\ny = b\ny -= V(1, 1, 1)\ndel y\n"
                 "gc.collect()"),
            "ok");
  EXPECT_EQ(Eval("b.mins.x, b.maxs.x"), "(-1.0, 0.0)");
  ASSERT_EQ(Exec("m = Engine.Matrix4x4()\nn = m\nn *= 2.0\ndel n\ngc.collect()"), "ok");
  EXPECT_EQ(Eval("m.GetTrace()"), "8.0");
  // The matrix's chained methods hand back the same object too.
  EXPECT_EQ(Eval("m.Multiply(0.5) is m and m.Translate(V(1, 0, 0)) is m"), "True");
}

// The forms with one more argument: the controller's update takes and ignores a
// third value; sampling with a cursor gives the value and where the cursor now is.
TEST_F(MathModuleTest, ExtraArgumentFormsOfUpdateAndSample) {
  ASSERT_EQ(Exec("pc = Engine.PlayerController()"), "ok");
  EXPECT_EQ(Eval("_Engine_SWIG.PlayerController_Update(pc, 0, 0.25)"), "None");
  EXPECT_EQ(Eval("pc.Update(_Engine_SWIG.PlayerController_moveForward, 1.0)"), "None");
  EXPECT_EQ(Eval("pc.Update(0)"), "None");
  EXPECT_EQ(Eval("pc.Update(0, 'x')").rfind("raise NotImplementedError", 0), 0u);
  ASSERT_EQ(Exec("t = Engine.FloatKeyTrack(1.0, 2.0, 1.0)\nt.InsertKeyframe(2.0, 4.0)"), "ok");
  EXPECT_EQ(Eval("t.Sample(0.25, 0)"), "(1.25, 0)");
  EXPECT_EQ(Eval("t.Sample(1.5, 0)"), "(3.0, 1)");
  EXPECT_EQ(Eval("_Engine_SWIG.FloatKeyTrack_Sample(t, 0.5, 1)"), "(1.5, 0)");
  EXPECT_EQ(Eval("t.Sample(9.0, 7)"), "(4.0, 2)");
  EXPECT_EQ(Eval("t.Sample(0.5)"), "1.5");
}

}  // namespace
