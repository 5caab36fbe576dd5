// MathTest.cpp - vectors, boxes and the free helpers: the behaviour other modules lean on.
#include "tier0/AABB.h"
#include "tier0/MathFunctions.h"
#include "tier0/Vector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
bool AllFinite(const Vector3D& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
}  // namespace

// ---- vectors ----

TEST(VectorTest, NormalizeOfZeroIsNotFinite) {
  Vector3D v;
  v.Normalize();
  EXPECT_FALSE(AllFinite(v));
  Vector3D w;
  w.SetLength(2.0f);
  EXPECT_FALSE(AllFinite(w));
}

TEST(VectorTest, SetLengthReturnsOldLength) {
  Vector3D v(3, 4, 0);
  EXPECT_FLOAT_EQ(v.SetLength(10.0f), 5.0f);
  EXPECT_TRUE(v.NearlyEquals(Vector3D(6, 8, 0)));
}

TEST(VectorTest, SetLengthSquaredScalesByTheRatioItself) {
  Vector3D v(3, 4, 0);
  EXPECT_FLOAT_EQ(v.SetLengthSquared(50.0f), 25.0f);
  // The factor is 50 / 25 = 2, not its square root.
  EXPECT_TRUE(v.NearlyEquals(Vector3D(6, 8, 0)));
}

TEST(VectorTest, GetNormalizedLeavesOriginal) {
  const Vector3D v(0, 0, 5);
  EXPECT_EQ(v.GetNormalized(), Vector3D(0, 0, 1));
  EXPECT_EQ(v, Vector3D(0, 0, 5));
}

TEST(VectorTest, NearlyEqualsIsStrict) {
  const Vector3D a(0, 0, 0);
  EXPECT_FALSE(a.NearlyEquals(Vector3D(0, kMathEpsilon, 0)));
  EXPECT_TRUE(a.NearlyEquals(Vector3D(0, 0.0009f, 0)));
  EXPECT_TRUE(a.NearlyEquals(Vector3D(0.4f, 0, 0), 0.5f));
  EXPECT_FALSE(Vector2D().NearlyEquals(Vector2D(kMathEpsilon, 0)));
  EXPECT_FALSE(Vector4D().NearlyEquals(Vector4D(0, 0, 0, kMathEpsilon)));
}

TEST(VectorTest, EqualityIsExact) {
  const float nan = std::nanf("");
  EXPECT_NE(Vector3D(nan, 0, 0), Vector3D(nan, 0, 0));
  EXPECT_NE(Vector3D(1, 2, 3), Vector3D(1, 2, 3.0000005f));
}

TEST(VectorTest, DivisionMultipliesByReciprocal) {
  const Vector3D v(7, 11, 13);
  const float r = 1.0f / 3.0f;
  EXPECT_EQ(v / 3.0f, Vector3D(7 * r, 11 * r, 13 * r));
  Vector4D w(7, 11, 13, 17);
  w /= 3.0f;
  EXPECT_EQ(w, Vector4D(7 * r, 11 * r, 13 * r, 17 * r));
}

TEST(VectorTest, ArithmeticAndScalarAdd) {
  Vector3D v(1, 2, 3);
  v += 1.0f;
  EXPECT_EQ(v, Vector3D(2, 3, 4));
  v -= 2.0f;
  EXPECT_EQ(v, Vector3D(0, 1, 2));
  Vector3D s;
  s.Add(Vector3D(1, 1, 1), Vector3D(2, 3, 4));
  EXPECT_EQ(s, Vector3D(3, 4, 5));
  s.Subtract(Vector3D(1, 1, 1), Vector3D(2, 3, 4));
  EXPECT_EQ(s, Vector3D(-1, -2, -3));
  EXPECT_EQ(-s, Vector3D(1, 2, 3));
  EXPECT_FLOAT_EQ(Vector3D(1, 0, 0).Distance(Vector3D(4, 4, 0)), 5.0f);
  EXPECT_FLOAT_EQ(Vector4D(1, 2, 3, 4).Dot(Vector4D(1, 1, 1, 1)), 10.0f);
}

TEST(VectorTest, CrossIsRightHandedFormula) {
  EXPECT_EQ(Vector3D(1, 0, 0).Cross(Vector3D(0, 1, 0)), Vector3D(0, 0, 1));
  EXPECT_EQ(Vector3D(0, 1, 0).Cross(Vector3D(1, 0, 0)), Vector3D(0, 0, -1));
}

TEST(VectorTest, RotationsFollowTheAxisFormulas) {
  const float quarter = static_cast<float>(M_PI / 2);
  Vector3D v(0, 1, 0);
  v.RotateX(quarter);  // y' = y c - z s, z' = z c + y s
  EXPECT_TRUE(v.NearlyEquals(Vector3D(0, 0, 1)));
  v.Set(0, 0, 1);
  v.RotateY(quarter);  // x' = x c + z s
  EXPECT_TRUE(v.NearlyEquals(Vector3D(1, 0, 0)));
  v.Set(1, 0, 0);
  v.RotateZ(quarter);  // y' = y c + x s
  EXPECT_TRUE(v.NearlyEquals(Vector3D(0, 1, 0)));
}

TEST(VectorTest, ExtentsTrackMinimumAndMaximum) {
  Vector3D lo(1, 1, 1), hi(1, 1, 1);
  lo.MinExtent(Vector3D(0, 2, -1));
  hi.MaxExtent(Vector3D(0, 2, -1));
  EXPECT_EQ(lo, Vector3D(0, 1, -1));
  EXPECT_EQ(hi, Vector3D(1, 2, 1));
}

TEST(VectorTest, ReflectMirrorsAboutNormal) {
  const Vector2D v(1, -1);
  EXPECT_EQ(v.Reflect(Vector2D(0, 1)), Vector2D(1, 1));
  EXPECT_EQ(v, Vector2D(1, -1));
}

TEST(VectorTest, TextForms) {
  EXPECT_EQ(Vector3D(1, 2.5f, -3).ToString(), "<1, 2.5, -3>");
  EXPECT_EQ(Vector3D(1, 2.5f, -3).ToRepr(), "Vector3D(1, 2.5, -3)");
  EXPECT_EQ(Vector2D(0.125f, 1e10f).ToString(), "<0.125, 1e+10>");
  EXPECT_EQ(Vector2D(1, 2).ToRepr(), "Vector2D(1, 2)");
  EXPECT_EQ(Vector4D(1, 2, 3, 4).ToString(), "<1, 2, 3, 4>");
  EXPECT_EQ(Vector4D(-1.17549435e-38f, 0, 0, 0).ToRepr(), "Vector4D(-1.17549e-38, 0, 0, 0)");
}

// ---- boxes ----

TEST(AABBTest, TwoPointsInAnyOrder) {
  const AABB box(Vector3D(1, -2, 3), Vector3D(-1, 2, -3));
  EXPECT_EQ(box.mins, Vector3D(-1, -2, -3));
  EXPECT_EQ(box.maxs, Vector3D(1, 2, 3));
  EXPECT_FLOAT_EQ(box.GetYWidth(), 4.0f);
  EXPECT_EQ(box.GetCenter(), Vector3D());
}

TEST(AABBTest, FromCenterAndHalfSize) {
  const AABB box = AABB::FromCenter(Vector3D(1, 1, 1), Vector3D(1, 2, 3));
  EXPECT_EQ(box.mins, Vector3D(0, -1, -2));
  EXPECT_EQ(box.maxs, Vector3D(2, 3, 4));
}

TEST(AABBTest, FacesAreInside) {
  const AABB box(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  EXPECT_TRUE(box.ContainsPoint(Vector3D(1, 0.5f, 0.5f)));
  EXPECT_TRUE(box.ContainsPoint(Vector3D(0, 0, 0)));
  EXPECT_FALSE(box.ContainsPoint(Vector3D(1.0001f, 0.5f, 0.5f)));
}

TEST(AABBTest, IntersectsComparesCentreDistanceWithFullWidths) {
  const AABB unit(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  EXPECT_TRUE(unit.Intersects(unit + Vector3D(1.5f, 0, 0)));
  // Full widths sum to 2: boxes whose centres are 2 apart still count.
  EXPECT_TRUE(unit.Intersects(unit + Vector3D(0, 2, 0)));
  EXPECT_FALSE(unit.Intersects(unit + Vector3D(0, 0, 2.5f)));
  EXPECT_FALSE(unit.Intersects(unit + Vector3D(0.5f, 3, 0.5f)));
}

TEST(AABBTest, MovingKeepsSize) {
  AABB box(Vector3D(0, 0, 0), Vector3D(1, 2, 3));
  box += Vector3D(1, 1, 1);
  EXPECT_EQ(box.mins, Vector3D(1, 1, 1));
  EXPECT_EQ(box.maxs, Vector3D(2, 3, 4));
  box -= Vector3D(2, 2, 2);
  EXPECT_EQ(box.mins, Vector3D(-1, -1, -1));
  EXPECT_EQ((box - Vector3D(1, 0, 0)).maxs, Vector3D(-1, 1, 2));
}

// ---- free helpers ----

TEST(MathFunctionsTest, RayHitsPlane) {
  Vector3D hit;
  // Plane y = 1 as a*x + b*y + c*z + d = 0.
  ASSERT_TRUE(RayPlaneIntersect(Vector3D(2, 5, 0), Vector3D(2, 4, 0), Vector4D(0, 1, 0, -1), &hit));
  EXPECT_TRUE(hit.NearlyEquals(Vector3D(2, 1, 0)));
  // A hit behind the origin is still a hit of the line.
  ASSERT_TRUE(RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(0, 6, 0), Vector4D(0, 1, 0, -1), &hit));
  EXPECT_TRUE(hit.NearlyEquals(Vector3D(0, 1, 0)));
  EXPECT_TRUE(RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(1, 4, 0), Vector4D(0, 1, 0, -1)));
}

TEST(MathFunctionsTest, RayPlaneRejectsParallelAndEmptyRays) {
  Vector3D hit(7, 7, 7);
  EXPECT_FALSE(
      RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(1, 5, 0), Vector4D(0, 1, 0, -1), &hit));
  EXPECT_FALSE(
      RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(0, 5, 0), Vector4D(0, 1, 0, -1), &hit));
  EXPECT_EQ(hit, Vector3D(7, 7, 7));
}

TEST(MathFunctionsTest, BezierEndsAndMiddle) {
  const Vector3D p0(0, 0, 0), p1(0, 1, 0), p2(1, 1, 0), p3(1, 0, 0);
  EXPECT_EQ(BezierPoint(p0, p1, p2, p3, 0.0f), p0);
  EXPECT_EQ(BezierPoint(p0, p1, p2, p3, 1.0f), p3);
  EXPECT_TRUE(BezierPoint(p0, p1, p2, p3, 0.5f).NearlyEquals(Vector3D(0.5f, 0.75f, 0)));
  EXPECT_EQ(Normalize(Vector3D(0, 3, 0)), Vector3D(0, 1, 0));
  EXPECT_FLOAT_EQ(Distance(Vector3D(0, 0, 0), Vector3D(0, 0, 2)), 2.0f);
}
