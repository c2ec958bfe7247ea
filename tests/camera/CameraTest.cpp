#include <gtest/gtest.h>

#include <cmath>

#include "tests/camera/TestCamera.h"

using KOR::Vector3;

namespace {

void ExpectOnlyEntries(const KOR::Matrix& m, float m00, float m11, float m22, float m23,
                       float m32, float m33) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float expected = 0.0f;
      if (i == 0 && j == 0) expected = m00;
      if (i == 1 && j == 1) expected = m11;
      if (i == 2 && j == 2) expected = m22;
      if (i == 2 && j == 3) expected = m23;
      if (i == 3 && j == 2) expected = m32;
      if (i == 3 && j == 3) expected = m33;
      EXPECT_NEAR(m.m[i][j], expected, 1e-5f) << "entry [" << i << "][" << j << "]";
    }
  }
}

// Looks along +z from the origin (or from position) with the standard axes.
void LookAlongZ(TestCamera& camera, Vector3 position = {}) {
  camera.SetFrame(position, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
}

}  // namespace

TEST(CameraProjection, Fov90Aspect1Near1Far101) {
  TestCamera camera;
  camera.SetPerspective(90.0f, 1.0f, 1.0f, 101.0f);
  camera.BuildProjection();
  ExpectOnlyEntries(camera.projection, 1.0f, 1.0f, 1.01f, 1.0f, -1.01f, 0.0f);
}

TEST(CameraProjection, AspectDividesTheHorizontalScale) {
  TestCamera camera;
  camera.SetPerspective(60.0f, 2.0f, 10.0f, 10000.0f);
  camera.BuildProjection();
  const float yScale = 1.0f / std::tan(30.0f * 3.14159265f / 180.0f);
  ExpectOnlyEntries(camera.projection, yScale / 2.0f, yScale, 10000.0f / 9990.0f, 1.0f,
                    -100000.0f / 9990.0f, 0.0f);
}

TEST(CameraProjection, InfiniteFarPlaneAndItsResetBySetPerspective) {
  TestCamera camera;
  camera.SetPerspective(90.0f, 1.0f, 2.0f, 100.0f);
  camera.infiniteFar = true;
  camera.BuildProjection();
  ExpectOnlyEntries(camera.projection, 1.0f, 1.0f, -1.0f, -1.0f, -4.0f, 0.0f);

  camera.SetPerspective(90.0f, 1.0f, 2.0f, 100.0f);
  EXPECT_FALSE(camera.infiniteFar);
}

TEST(CameraProjection, OrthographicFirstArgumentScalesY) {
  TestCamera camera;
  camera.SetOrthographic(4.0f, 8.0f, 1.0f, 5.0f);
  EXPECT_FALSE(camera.perspective);
  camera.BuildProjection();
  ExpectOnlyEntries(camera.projection, 2.0f / 8.0f, 2.0f / 4.0f, 0.25f, 0.0f, -0.25f, 1.0f);
}

TEST(CameraView, StandardAxesAtTheOriginGiveTheIdentity) {
  TestCamera camera;
  LookAlongZ(camera);
  camera.BuildCameraMatrix();
  ExpectOnlyEntries(camera.view, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f);
}

TEST(CameraView, MovesThePositionToTheOriginOfViewSpace) {
  TestCamera camera;
  // Looking along +x with up +z; right = up × look.
  const Vector3 position{5.0f, -3.0f, 2.0f};
  camera.SetFrame(position, {0, 1, 0}, {0, 0, 1}, {1, 0, 0});
  camera.BuildCameraMatrix();
  const KOR::Vector4 p = KOR::Transform({5.0f, -3.0f, 2.0f, 1.0f}, camera.view);
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_NEAR(p.y, 0.0f, 1e-6f);
  EXPECT_NEAR(p.z, 0.0f, 1e-6f);
  // A point 7 ahead, 1 above and 2 to the right lands on the view's axes.
  const KOR::Vector4 q = KOR::Transform({12.0f, -1.0f, 3.0f, 1.0f}, camera.view);
  EXPECT_NEAR(q.x, 2.0f, 1e-6f);
  EXPECT_NEAR(q.y, 1.0f, 1e-6f);
  EXPECT_NEAR(q.z, 7.0f, 1e-6f);
}

TEST(CameraFrustum, DegenerateViewProjectionGivesTheClipSpaceCube) {
  TestCamera camera;
  camera.SetPerspective(90.0f, 1.0f, 1.0f, 101.0f);
  camera.SetFrame({1, 2, 3}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
  camera.BuildFrustum();
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(camera.corners[i].x, (i & 1) ? 1.0f : -1.0f);
    EXPECT_FLOAT_EQ(camera.corners[i].y, (i & 2) ? 1.0f : -1.0f);
    EXPECT_FLOAT_EQ(camera.corners[i].z, (i & 4) ? 1.0f : 0.0f);
  }
  EXPECT_TRUE(camera.SphereVisible({0.0f, 0.0f, 0.5f}, 0.0f));
  EXPECT_FALSE(camera.SphereVisible({1.5f, 0.0f, 0.5f}, 0.4f));
  EXPECT_TRUE(camera.SphereVisible({1.5f, 0.0f, 0.5f}, 0.5f));  // touching
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, -0.2f}, 0.1f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, -1.3f, 0.5f}, 0.2f));
}

TEST(CameraFrustum, UnbuiltCameraIsTheClipSpaceCube) {
  // Every parameter zero: the projection is not finite, which counts as singular.
  TestCamera camera;
  camera.BuildFrustum();
  EXPECT_TRUE(camera.SphereVisible({0.5f, -0.5f, 0.5f}, 0.0f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, 2.0f}, 0.5f));
}

TEST(CameraFrustum, SphereOnTheNearPlaneWithRadiusZeroIsVisible) {
  TestCamera camera;
  camera.SetPerspective(90.0f, 1.0f, 1.0f, 101.0f);
  LookAlongZ(camera);
  camera.BuildFrustum();
  EXPECT_TRUE(camera.SphereVisible({0.0f, 0.0f, 1.0f}, 0.0f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, 0.9f}, 0.0f));
  EXPECT_TRUE(camera.SphereVisible({0.0f, 0.0f, 0.9f}, 0.11f));
}

TEST(CameraFrustum, SphereJustOutsideAndJustInsideASidePlaneFarAway) {
  // fov 90: the right plane is x = z in view space, at 45 degrees, so a sphere at
  // depth 5000 whose centre lies delta beyond it is at a true distance delta / sqrt 2.
  TestCamera camera;
  camera.SetPerspective(90.0f, 1.0f, 10.0f, 10000.0f);
  const Vector3 position{100.0f, -50.0f, 30.0f};
  LookAlongZ(camera, position);
  camera.BuildFrustum();

  const float radius = 10.0f;
  const float atTouch = radius * std::sqrt(2.0f);
  const Vector3 outside = position + Vector3{5000.0f + atTouch * 1.02f, 0.0f, 5000.0f};
  const Vector3 inside = position + Vector3{5000.0f + atTouch * 0.98f, 0.0f, 5000.0f};
  EXPECT_FALSE(camera.SphereVisible(outside, radius));
  EXPECT_TRUE(camera.SphereVisible(inside, radius));

  // The same on the left and the top plane.
  EXPECT_FALSE(camera.SphereVisible(position + Vector3{-5000.0f - atTouch * 1.02f, 0.0f, 5000.0f}, radius));
  EXPECT_TRUE(camera.SphereVisible(position + Vector3{-5000.0f - atTouch * 0.98f, 0.0f, 5000.0f}, radius));
  EXPECT_FALSE(camera.SphereVisible(position + Vector3{0.0f, 5000.0f + atTouch * 1.02f, 5000.0f}, radius));
  EXPECT_TRUE(camera.SphereVisible(position + Vector3{0.0f, 5000.0f + atTouch * 0.98f, 5000.0f}, radius));

  for (const KOR::Plane& plane : camera.planes) EXPECT_NEAR(KOR::Length(plane.normal), 1.0f, 1e-5f);
}

TEST(CameraFrustum, NearAndFarPlanesCullAlongTheLook) {
  TestCamera camera;
  camera.SetPerspective(60.0f, 1.5f, 10.0f, 10000.0f);
  LookAlongZ(camera);
  camera.BuildFrustum();
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, 5.0f}, 4.0f));
  EXPECT_TRUE(camera.SphereVisible({0.0f, 0.0f, 5.0f}, 6.0f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, 10100.0f}, 90.0f));
  EXPECT_TRUE(camera.SphereVisible({0.0f, 0.0f, 10100.0f}, 110.0f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, -100.0f}, 50.0f));
}

TEST(CameraFrustum, WideOrthographicCameraKeepsItsVolume) {
  // Its view-projection determinant is about 1e-8: small, yet far from singular.
  TestCamera camera;
  camera.SetOrthographic(600.0f, 800.0f, 1.0f, 1001.0f);
  LookAlongZ(camera);
  camera.BuildFrustum();
  EXPECT_TRUE(camera.SphereVisible({350.0f, 250.0f, 500.0f}, 1.0f));
  EXPECT_FALSE(camera.SphereVisible({450.0f, 0.0f, 500.0f}, 1.0f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, 350.0f, 500.0f}, 1.0f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, 1100.0f}, 1.0f));
}

TEST(CameraFrustum, MirroredAxesStillPointThePlanesInwards) {
  TestCamera camera;
  camera.SetPerspective(90.0f, 1.0f, 1.0f, 100.0f);
  camera.SetFrame({}, {-1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  camera.BuildFrustum();
  EXPECT_TRUE(camera.SphereVisible({0.0f, 0.0f, 50.0f}, 1.0f));
  EXPECT_TRUE(camera.SphereVisible({30.0f, 0.0f, 50.0f}, 1.0f));
  EXPECT_FALSE(camera.SphereVisible({70.0f, 0.0f, 50.0f}, 1.0f));
  EXPECT_FALSE(camera.SphereVisible({0.0f, 0.0f, -50.0f}, 1.0f));
}
