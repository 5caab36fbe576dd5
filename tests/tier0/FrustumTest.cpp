// FrustumTest.cpp - Frustum: planes from a view-projection matrix, box culling at the boundaries.
#include "tier0/Frustum.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
class FrustumTest : public ::testing::Test {
 protected:
  // Ortho volume x -2..2, y -1..1, z 1..3 under the identity view: planes exact.
  Frustum box_{Matrix4x4::MakeOrthoLH(4.0f, 2.0f, 1.0f, 3.0f)};

  // Camera at (0, 0, -10) looking at the origin, 90 degree field of view.
  static Frustum Perspective() {
    Matrix4x4 vp = Matrix4x4::MakeLookAtLH(Vector3D(0, 0, -10), Vector3D(), Vector3D(0, 1, 0));
    vp.Multiply(Matrix4x4::MakePerspectiveProjectionFovLH(static_cast<float>(M_PI / 2), 1.0f, 1.0f,
                                                          100.0f));
    return Frustum(vp);
  }
};

AABB Box(float x0, float y0, float z0, float x1, float y1, float z1) {
  return AABB(Vector3D(x0, y0, z0), Vector3D(x1, y1, z1));
}
}  // namespace

TEST_F(FrustumTest, PlanesAreUnitAndFaceInwards) {
  const Frustum f = Perspective();
  const Vector3D inside(0, 0, 5);
  for (int i = 0; i < Frustum::PlaneCount; ++i) {
    const Vector4D& p = f.GetPlane(i);
    EXPECT_NEAR(Vector3D(p.x, p.y, p.z).Length(), 1.0f, 1e-5f) << i;
    EXPECT_GT(f.DistanceToPlane(i, inside), 0.0f) << i;
  }
  EXPECT_NEAR(f.DistanceToPlane(Frustum::Near, Vector3D(0, 0, -9)), 0.0f, 1e-3f);
  EXPECT_NEAR(f.DistanceToPlane(Frustum::Far, Vector3D(0, 0, 90)), 0.0f, 1e-2f);
}

TEST_F(FrustumTest, OrthoPlanesAreExact) {
  EXPECT_EQ(box_.GetPlane(Frustum::Right), Vector4D(-1, 0, 0, 2));
  EXPECT_EQ(box_.GetPlane(Frustum::Near), Vector4D(0, 0, 1, -1));
  EXPECT_EQ(box_.GetPlane(Frustum::Top), Vector4D(0, -1, 0, 1));
}

TEST_F(FrustumTest, BoxTouchingAPlaneFromOutsideIsCulledInsideOrAroundKept) {
  EXPECT_FALSE(box_.IntersectsBox(Box(2, 0, 2, 3, 0.5f, 2.5f)));    // right face
  EXPECT_FALSE(box_.IntersectsBox(Box(0, 0, 0, 0.5f, 0.5f, 1)));    // near face
  EXPECT_FALSE(box_.IntersectsBox(Box(0, -2, 2, 0.5f, -1, 2.5f)));  // bottom face
  EXPECT_TRUE(box_.IntersectsBox(Box(1.99f, 0, 2, 3, 0.5f, 2.5f)));
  EXPECT_TRUE(box_.IntersectsBox(Box(0, 0, 0, 0.5f, 0.5f, 1.01f)));
  EXPECT_TRUE(box_.IntersectsBox(Box(-0.5f, -0.5f, 1.5f, 0.5f, 0.5f, 2.5f)));
  EXPECT_TRUE(box_.IntersectsBox(Box(-10, -10, -10, 10, 10, 10)));
}

TEST_F(FrustumTest, PerspectiveCulling) {
  const Frustum f = Perspective();
  EXPECT_TRUE(f.IntersectsBox(Box(-1, -1, -1, 1, 1, 1)));
  EXPECT_FALSE(f.IntersectsBox(Box(-1, -1, -20, 1, 1, -12)));  // behind the camera
  EXPECT_FALSE(f.IntersectsBox(Box(-1, -1, 95, 1, 1, 99)));    // past the far plane
  EXPECT_FALSE(f.IntersectsBox(Box(15, -1, -1, 16, 1, 1)));    // off to the side
  EXPECT_TRUE(f.IntersectsBox(Box(9, -1, -1, 16, 1, 1)));      // straddles the side
}

TEST_F(FrustumTest, SingularMatrixAcceptsEverything) {
  Frustum f;
  EXPECT_FALSE(f.Build(Matrix4x4::MakeScale(Vector3D(0, 0, 0))));
  EXPECT_TRUE(f.IntersectsBox(Box(1e6f, 1e6f, 1e6f, 1e6f + 1, 1e6f + 1, 1e6f + 1)));
}
