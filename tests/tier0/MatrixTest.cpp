// MatrixTest.cpp - Matrix4x4: layout, composition order, rotation signs, inverses and projections.
#include "tier0/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr float kPi = static_cast<float>(M_PI);

// Clip-space depth (z / w) of a point under a projection.
float ProjectedDepth(const Matrix4x4& proj, const Vector3D& p) {
  const Vector4D h = proj.TransformVector(Vector4D(p.x, p.y, p.z, 1.0f));
  return h.z / h.w;
}

Matrix4x4 SomeAffine() {
  Matrix4x4 m = Matrix4x4::MakeScale(Vector3D(2, 3, 0.5f));
  m.RotateX(0.3f).RotateY(-1.1f).RotateZ(2.0f).Translate(Vector3D(4, -5, 6));
  return m;
}
}  // namespace

TEST(MatrixTest, LayoutIsRowByRowWithTranslationInColumnThree) {
  const Matrix4x4 id;
  EXPECT_EQ(id, Matrix4x4::MakeIdentity());
  const Matrix4x4 t = Matrix4x4::MakeTranslation(Vector3D(1, 2, 3));
  EXPECT_EQ(t[3], 1.0f);
  EXPECT_EQ(t[7], 2.0f);
  EXPECT_EQ(t[11], 3.0f);
  EXPECT_EQ(t.GetTranslation(), Vector3D(1, 2, 3));

  const Matrix4x4 axes(Vector3D(1, 2, 3), Vector3D(4, 5, 6), Vector3D(7, 8, 9),
                       Vector3D(10, 11, 12));
  EXPECT_EQ(axes, Matrix4x4(1, 2, 3, 10, 4, 5, 6, 11, 7, 8, 9, 12, 0, 0, 0, 1));
  EXPECT_EQ(axes.GetRight(), Vector3D(1, 2, 3));
  EXPECT_EQ(axes.GetUp(), Vector3D(4, 5, 6));
  EXPECT_EQ(axes.GetForward(), Vector3D(7, 8, 9));
}

TEST(MatrixTest, MultiplyPreMultiplies) {
  const Matrix4x4 t = Matrix4x4::MakeTranslation(Vector3D(1, 0, 0));
  const Matrix4x4 r = Matrix4x4::MakeZRotation(kPi / 2);
  Matrix4x4 m = t;
  m.Multiply(r);
  EXPECT_EQ(m, Matrix4x4::Product(r, t));
  EXPECT_NE(m, Matrix4x4::Product(t, r));
  // Translate first, then rotate: (0,0,0) -> (1,0,0) -> (0,1,0).
  EXPECT_TRUE(m.TransformVector(Vector3D()).NearlyEquals(Vector3D(0, 1, 0)));
  Matrix4x4 n = t;
  n *= r;
  EXPECT_EQ(n, m);
}

TEST(MatrixTest, RotationSignsAndUnnormalisedAxis) {
  const float a = 0.4f, s = std::sin(a);
  const Matrix4x4 x = Matrix4x4::MakeXRotation(a), y = Matrix4x4::MakeYRotation(a),
                  z = Matrix4x4::MakeZRotation(a);
  EXPECT_EQ(x[6], s);
  EXPECT_EQ(x[9], -s);
  EXPECT_EQ(y[2], -s);
  EXPECT_EQ(y[8], s);
  EXPECT_EQ(z[1], -s);
  EXPECT_EQ(z[4], s);
  // The axis builder agrees with Z but turns the other way to X and Y.
  EXPECT_TRUE(Matrix4x4::MakeRotation(Vector3D(0, 0, 1), a).NearlyEquals(z, 1e-6f));
  EXPECT_TRUE(Matrix4x4::MakeRotation(Vector3D(1, 0, 0), -a).NearlyEquals(x, 1e-6f));
  EXPECT_TRUE(Matrix4x4::MakeRotation(Vector3D(0, 1, 0), -a).NearlyEquals(y, 1e-6f));
  // Nor does it normalise its axis.
  const float c = std::cos(0.7f);
  EXPECT_FLOAT_EQ(Matrix4x4::MakeRotation(Vector3D(0, 0, 2), 0.7f)[10], (1 - c) * 4 + c);
}

TEST(MatrixTest, InverseTimesMatrixIsIdentity) {
  const Matrix4x4 cases[] = {
      SomeAffine(),
      Matrix4x4::MakePerspectiveProjectionFovLH(1.0f, 4.0f / 3.0f, 0.5f, 500.0f),
      Matrix4x4::Product(
          Matrix4x4::MakePerspectiveProjectionFovLH(1.2f, 1.6f, 1.0f, 100.0f),
          Matrix4x4::MakeLookAtLH(Vector3D(3, 4, -5), Vector3D(), Vector3D(0, 1, 0))),
  };
  for (const Matrix4x4& m : cases) {
    Matrix4x4 inv;
    ASSERT_TRUE(m.GetInverse(inv));
    EXPECT_TRUE(Matrix4x4::Product(inv, m).NearlyEquals(Matrix4x4(), 1e-4f)) << m.ToString();
    EXPECT_TRUE(Matrix4x4::Product(m, inv).NearlyEquals(Matrix4x4(), 1e-4f)) << m.ToString();
  }
}

TEST(MatrixTest, SingularMatrixHasNoInverse) {
  Matrix4x4 out = Matrix4x4::MakeTranslation(Vector3D(9, 9, 9));
  EXPECT_FALSE(Matrix4x4::MakeScale(Vector3D(1, 0, 1)).GetInverse(out));
  EXPECT_EQ(out, Matrix4x4::MakeTranslation(Vector3D(9, 9, 9)));
  const float inf = INFINITY;
  EXPECT_FALSE(Matrix4x4::MakeScale(Vector3D(inf, 1, 1)).GetInverse(out));
}

TEST(MatrixTest, FastInverseOfRigidTransform) {
  Matrix4x4 rigid = Matrix4x4::MakeRotation(Vector3D(1, 2, 3).GetNormalized(), 0.9f);
  rigid.Translate(Vector3D(-3, 7, 2));
  const Matrix4x4 fast = rigid.GetFastInverse();
  Matrix4x4 full;
  ASSERT_TRUE(rigid.GetInverse(full));
  EXPECT_TRUE(fast.NearlyEquals(full, 1e-5f));
  EXPECT_EQ(fast[12], 0.0f);
  EXPECT_EQ(fast[15], 1.0f);
}

TEST(MatrixTest, DeterminantTraceTransposeAndTransform) {
  EXPECT_FLOAT_EQ(Matrix4x4::MakeScale(Vector3D(2, 3, 4)).GetDeterminant(), 24.0f);
  EXPECT_NEAR(Matrix4x4::MakeRotation(Vector3D(0, 1, 0), 1.3f).GetDeterminant(), 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(Matrix4x4::MakeScale(Vector3D(2, 3, 4)).GetTrace(), 10.0f);
  const Matrix4x4 m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  EXPECT_EQ(m.GetTranspose(), Matrix4x4(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16));
  const Matrix4x4 t = Matrix4x4::MakeTranslation(Vector3D(1, 2, 3));
  EXPECT_EQ(t.TransformVector(Vector3D(1, 1, 1)), Vector3D(2, 3, 4));
  EXPECT_EQ(t.TransformVector(Vector3D(1, 1, 1), false), Vector3D(1, 1, 1));
}

TEST(MatrixTest, LookAt) {
  const Vector3D eye(0, 0, -5);
  const Matrix4x4 view = Matrix4x4::MakeLookAtLH(eye, Vector3D(), Vector3D(0, 1, 0));
  EXPECT_TRUE(view.GetRight().NearlyEquals(Vector3D(1, 0, 0)));
  EXPECT_TRUE(view.GetUp().NearlyEquals(Vector3D(0, 1, 0)));
  // The target lies straight ahead, 5 units along +z in view space.
  EXPECT_TRUE(view.TransformVector(Vector3D()).NearlyEquals(Vector3D(0, 0, 5)));
  EXPECT_TRUE(view.TransformVector(eye).NearlyEquals(Vector3D()));
  // Right-handed views look down -z.
  const Matrix4x4 rh = Matrix4x4::MakeLookAtRH(Vector3D(0, 0, 5), Vector3D(), Vector3D(0, 1, 0));
  EXPECT_TRUE(rh.GetForward().NearlyEquals(Vector3D(0, 0, 1)));
  EXPECT_TRUE(rh.TransformVector(Vector3D()).NearlyEquals(Vector3D(0, 0, -5)));
}

TEST(MatrixTest, PerspectiveFov) {
  const float zn = 1.0f, zf = 101.0f;
  const Matrix4x4 p =
      Matrix4x4::MakePerspectiveProjectionFovLH(static_cast<float>(M_PI / 2), 2.0f, zn, zf);
  // At 90 degrees the frustum's edges leave at 45 degrees; x is squeezed by the aspect.
  const Vector4D edge = p.TransformVector(Vector4D(20, 10, 10, 1));
  EXPECT_FLOAT_EQ(edge.x / edge.w, 1.0f);
  EXPECT_FLOAT_EQ(edge.y / edge.w, 1.0f);
  EXPECT_NEAR(ProjectedDepth(p, Vector3D(0, 0, zn)), 0.0f, 1e-6f);
  EXPECT_NEAR(ProjectedDepth(p, Vector3D(0, 0, zf)), 1.0f, 1e-6f);

  // Right-handed keeps a positive depth scale: looking down -z, depth runs 0 to -1.
  const Matrix4x4 rh = Matrix4x4::MakePerspectiveProjectionFovRH(1.0f, 1.0f, zn, zf);
  EXPECT_FLOAT_EQ(rh[10], zf / (zf - zn));
  EXPECT_NEAR(ProjectedDepth(rh, Vector3D(0, 0, -zn)), 0.0f, 1e-6f);
  EXPECT_NEAR(ProjectedDepth(rh, Vector3D(0, 0, -zf)), -1.0f, 1e-6f);
}

TEST(MatrixTest, PerspectiveAndOrthoLH) {
  const Matrix4x4 p = Matrix4x4::MakePerspectiveProjectionLH(4.0f, 2.0f, 2.0f, 10.0f);
  EXPECT_EQ(p[0], 1.0f);
  EXPECT_EQ(p[5], 2.0f);
  EXPECT_FLOAT_EQ(p[11], 2.0f * 10.0f / (2.0f - 10.0f));
  EXPECT_NEAR(ProjectedDepth(p, Vector3D(0, 0, 2)), 0.0f, 1e-6f);
  EXPECT_NEAR(ProjectedDepth(p, Vector3D(0, 0, 10)), 1.0f, 1e-6f);

  const Matrix4x4 o = Matrix4x4::MakeOrthoLH(4.0f, 2.0f, 2.0f, 10.0f);
  EXPECT_EQ(o, Matrix4x4(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.125f, -0.25f, 0, 0, 0, 1));
  EXPECT_EQ(ProjectedDepth(o, Vector3D(0, 0, 2)), 0.0f);
  EXPECT_EQ(ProjectedDepth(o, Vector3D(0, 0, 10)), 1.0f);
}

TEST(MatrixTest, TwoDProjectionMapsRectangleToUnitSquare) {
  const Matrix4x4 p = Matrix4x4::Make2DProjectionLH(0, 640, 480, 0, 0, 1);
  EXPECT_TRUE(p.TransformVector(Vector3D(0, 480, 0)).NearlyEquals(Vector3D(-1, -1, 0)));
  EXPECT_TRUE(p.TransformVector(Vector3D(640, 0, 1)).NearlyEquals(Vector3D(1, 1, 1)));
  EXPECT_TRUE(p.TransformVector(Vector3D(320, 240, 0)).NearlyEquals(Vector3D(0, 0, 0)));
}

TEST(MatrixTest, ColumnMajorConversion) {
  const Matrix4x4 m = SomeAffine();
  float gl[16];
  m.ToColumnMajor(gl);
  EXPECT_EQ(gl[12], m[3]);
  EXPECT_EQ(gl[13], m[7]);
  EXPECT_EQ(gl[14], m[11]);
  EXPECT_EQ(Matrix4x4::FromColumnMajor(gl), m);
}

TEST(MatrixTest, TextForms) {
  EXPECT_EQ(Matrix4x4().ToString(), "<1, 0, 0, 0,\n 0, 1, 0, 0,\n 0, 0, 1, 0,\n 0, 0, 0, 1>");
  EXPECT_EQ(Matrix4x4::MakeTranslation(Vector3D(1.5f, -2, 3)).ToRepr(),
            "Matrix4x4(1, 0, 0, 1.5,\n 0, 1, 0, -2,\n 0, 0, 1, 3,\n 0, 0, 0, 1)");
}
