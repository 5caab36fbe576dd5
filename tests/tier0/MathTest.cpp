// MathTest.cpp - vectors, boxes and the free helpers: the behaviour other modules lean on.
#include "tier0/AABB.h"
#include "tier0/MathFunctions.h"
#include "tier0/Vector.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(VectorTest, LengthsAndZeroLength) {
  Vector3D zero, zero2;
  zero.Normalize();
  zero2.SetLength(2.0f);
  EXPECT_FALSE(std::isfinite(zero.x));  // callers test for this instead of a guard
  EXPECT_FALSE(std::isfinite(zero2.x));

  Vector3D v(3, 4, 0);
  EXPECT_FLOAT_EQ(v.SetLength(10.0f), 5.0f);
  EXPECT_TRUE(v.NearlyEquals(Vector3D(6, 8, 0)));
  Vector3D w(3, 4, 0);
  EXPECT_FLOAT_EQ(w.SetLengthSquared(50.0f), 25.0f);
  EXPECT_TRUE(w.NearlyEquals(Vector3D(6, 8, 0)));  // scaled by 50 / 25, not its root
}

TEST(VectorTest, ComparisonsAndDivision) {
  const Vector3D a(0, 0, 0);
  EXPECT_FALSE(a.NearlyEquals(Vector3D(0, kMathEpsilon, 0)));  // exactly epsilon is not near
  EXPECT_TRUE(a.NearlyEquals(Vector3D(0, 0.0009f, 0)));
  EXPECT_TRUE(a.NearlyEquals(Vector3D(0.4f, 0, 0), 0.5f));
  EXPECT_FALSE(Vector2D().NearlyEquals(Vector2D(kMathEpsilon, 0)));
  EXPECT_FALSE(Vector4D().NearlyEquals(Vector4D(0, 0, 0, kMathEpsilon)));
  const float nan = std::nanf("");
  EXPECT_NE(Vector3D(nan, 0, 0), Vector3D(nan, 0, 0));
  EXPECT_NE(Vector3D(1, 2, 3), Vector3D(1, 2, 3.0000005f));

  const float r = 1.0f / 3.0f;  // division multiplies by the reciprocal, bit for bit
  EXPECT_EQ(Vector3D(7, 11, 13) / 3.0f, Vector3D(7 * r, 11 * r, 13 * r));
  Vector4D w(7, 11, 13, 17);
  w /= 3.0f;
  EXPECT_EQ(w, Vector4D(7 * r, 11 * r, 13 * r, 17 * r));
}

TEST(VectorTest, CrossRotationsReflectionAndExtents) {
  EXPECT_EQ(Vector3D(1, 0, 0).Cross(Vector3D(0, 1, 0)), Vector3D(0, 0, 1));
  EXPECT_EQ(Vector3D(0, 1, 0).Cross(Vector3D(1, 0, 0)), Vector3D(0, 0, -1));
  const float quarter = static_cast<float>(M_PI / 2);
  Vector3D v(0, 1, 0);
  v.RotateX(quarter);
  EXPECT_TRUE(v.NearlyEquals(Vector3D(0, 0, 1)));
  v.RotateY(quarter);
  EXPECT_TRUE(v.NearlyEquals(Vector3D(1, 0, 0)));
  v.RotateZ(quarter);
  EXPECT_TRUE(v.NearlyEquals(Vector3D(0, 1, 0)));
  EXPECT_EQ(Vector2D(1, -1).Reflect(Vector2D(0, 1)), Vector2D(1, 1));
  Vector3D lo(1, 1, 1), hi(1, 1, 1);
  lo.MinExtent(Vector3D(0, 2, -1));
  hi.MaxExtent(Vector3D(0, 2, -1));
  EXPECT_EQ(lo, Vector3D(0, 1, -1));
  EXPECT_EQ(hi, Vector3D(1, 2, 1));
}

TEST(VectorTest, TextForms) {
  EXPECT_EQ(Vector3D(1, 2.5f, -3).ToString(), "<1, 2.5, -3>");
  EXPECT_EQ(Vector3D(1, 2.5f, -3).ToRepr(), "Vector3D(1, 2.5, -3)");
  EXPECT_EQ(Vector2D(0.125f, 1e10f).ToString(), "<0.125, 1e+10>");
  EXPECT_EQ(Vector2D(1, 2).ToRepr(), "Vector2D(1, 2)");
  EXPECT_EQ(Vector4D(1, 2, 3, 4).ToString(), "<1, 2, 3, 4>");
  EXPECT_EQ(Vector4D(-1.17549435e-38f, 0, 0, 0).ToRepr(), "Vector4D(-1.17549e-38, 0, 0, 0)");
}

TEST(AABBTest, ConstructionContainmentAndMoves) {
  const AABB box(Vector3D(1, -2, 3), Vector3D(-1, 2, -3));  // corners in any order
  EXPECT_EQ(box.mins, Vector3D(-1, -2, -3));
  EXPECT_EQ(box.maxs, Vector3D(1, 2, 3));
  const AABB c = AABB::FromCenter(Vector3D(1, 1, 1), Vector3D(1, 2, 3));
  EXPECT_EQ(c.mins, Vector3D(0, -1, -2));
  EXPECT_EQ(c.maxs, Vector3D(2, 3, 4));

  const AABB unit(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  EXPECT_TRUE(unit.ContainsPoint(Vector3D(1, 0.5f, 0.5f)));  // faces are inside
  EXPECT_FALSE(unit.ContainsPoint(Vector3D(1.0001f, 0.5f, 0.5f)));
  AABB moved = unit;
  moved += Vector3D(1, 2, 3);
  moved -= Vector3D(2, 2, 2);
  EXPECT_EQ(moved.mins, Vector3D(-1, 0, 1));
  EXPECT_EQ((moved - Vector3D(1, 0, 0)).maxs, Vector3D(-1, 1, 2));
}

TEST(AABBTest, IntersectsComparesCentreDistanceWithFullWidths) {
  const AABB unit(Vector3D(0, 0, 0), Vector3D(1, 1, 1));
  EXPECT_TRUE(unit.Intersects(unit + Vector3D(1.5f, 0, 0)));
  // Full widths sum to 2: boxes whose centres are 2 apart still count.
  EXPECT_TRUE(unit.Intersects(unit + Vector3D(0, 2, 0)));
  EXPECT_FALSE(unit.Intersects(unit + Vector3D(0, 0, 2.5f)));
  EXPECT_FALSE(unit.Intersects(unit + Vector3D(0.5f, 3, 0.5f)));
}

TEST(MathFunctionsTest, RayPlaneIntersect) {
  const Vector4D plane(0, 1, 0, -1);  // y = 1
  Vector3D hit;
  ASSERT_TRUE(RayPlaneIntersect(Vector3D(2, 5, 0), Vector3D(2, 4, 0), plane, &hit));
  EXPECT_TRUE(hit.NearlyEquals(Vector3D(2, 1, 0)));
  // A hit behind the origin is still a hit of the line.
  ASSERT_TRUE(RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(0, 6, 0), plane, &hit));
  EXPECT_TRUE(hit.NearlyEquals(Vector3D(0, 1, 0)));
  EXPECT_TRUE(RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(1, 4, 0), plane));

  hit.Set(7, 7, 7);  // parallel and empty rays miss and leave the output alone
  EXPECT_FALSE(RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(1, 5, 0), plane, &hit));
  EXPECT_FALSE(RayPlaneIntersect(Vector3D(0, 5, 0), Vector3D(0, 5, 0), plane, &hit));
  EXPECT_EQ(hit, Vector3D(7, 7, 7));
}

TEST(MathFunctionsTest, BezierEndsAndMiddle) {
  const Vector3D p0(0, 0, 0), p1(0, 1, 0), p2(1, 1, 0), p3(1, 0, 0);
  EXPECT_EQ(BezierPoint(p0, p1, p2, p3, 0.0f), p0);
  EXPECT_EQ(BezierPoint(p0, p1, p2, p3, 1.0f), p3);
  EXPECT_TRUE(BezierPoint(p0, p1, p2, p3, 0.5f).NearlyEquals(Vector3D(0.5f, 0.75f, 0)));
}
