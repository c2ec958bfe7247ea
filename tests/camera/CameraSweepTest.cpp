// Our matrices and frustum against an independent formulation (glm, column vectors,
// in double where it matters) for many random cameras. glm's column-major storage of
// a column-vector matrix is laid out exactly like our row-vector matrix, so entry
// [i][j] compares with glm's m[i][j].

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <random>

#include "tests/camera/TestCamera.h"

using KOR::Vector3;

namespace {

constexpr int cameraCount = 500;

class Random {
public:
  float Uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(engine); }
  float LogUniform(float low, float high) { return std::exp(Uniform(std::log(low), std::log(high))); }
  Vector3 Direction() {
    for (;;) {
      const Vector3 v{Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
      const float length = KOR::Length(v);
      if (length > 0.1f && length <= 1.0f) return v * (1.0f / length);
    }
  }

private:
  std::mt19937 engine{20240608};
};

struct Frame {
  Vector3 position, right, up, look;
};

// A left-handed orthonormal frame: right = up × look.
Frame RandomFrame(Random& random) {
  Frame f;
  f.position = {random.Uniform(-2000, 2000), random.Uniform(-2000, 2000), random.Uniform(-2000, 2000)};
  f.look = random.Direction();
  Vector3 up;
  do {
    up = random.Direction();
    up = up - f.look * KOR::Dot(up, f.look);
  } while (KOR::Length(up) < 0.2f);
  f.up = up * (1.0f / KOR::Length(up));
  f.right = KOR::Cross(f.up, f.look);
  return f;
}

glm::dvec3 ToGlm(const Vector3& v) { return {v.x, v.y, v.z}; }

void ExpectMatches(const KOR::Matrix& ours, const glm::dmat4& reference, double relative,
                   const char* what, int camera) {
  double scale = 1.0;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) scale = std::max(scale, std::fabs(reference[i][j]));
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      ASSERT_NEAR(ours.m[i][j], reference[i][j], relative * scale)
          << what << " [" << i << "][" << j << "] of camera " << camera;
}

// The frustum planes straight from the clip matrix (row 3 ± row 0 and so on, with depth
// from 0 to 1), normalised: signed distances of a point from the six sides.
struct ReferenceFrustum {
  glm::dvec4 planes[6];

  explicit ReferenceFrustum(const glm::dmat4& clip) {
    auto row = [&](int r) { return glm::dvec4(clip[0][r], clip[1][r], clip[2][r], clip[3][r]); };
    const glm::dvec4 candidates[6] = {row(2), row(3) - row(2), row(3) + row(0),
                                      row(3) - row(0), row(3) - row(1), row(3) + row(1)};
    for (int i = 0; i < 6; ++i)
      planes[i] = candidates[i] / glm::length(glm::dvec3(candidates[i]));
  }

  // The least signed distance of the sphere's surface: negative when it is outside.
  double Margin(const glm::dvec3& centre, double radius) const {
    double margin = INFINITY;
    for (const glm::dvec4& p : planes) margin = std::min(margin, glm::dot(glm::dvec3(p), centre) + p.w + radius);
    return margin;
  }
};

}  // namespace

TEST(CameraSweep, PerspectiveCamerasMatchAnIndependentFormulation) {
  Random random;
  int compared = 0;
  int culled = 0;
  int spheres = 0;
  for (int c = 0; c < cameraCount; ++c) {
    const float fov = random.Uniform(10.0f, 150.0f);
    const float aspect = random.Uniform(0.3f, 3.0f);
    const float near = random.LogUniform(0.05f, 50.0f);
    const float far = near * random.LogUniform(2.0f, 1e4f);
    const Frame f = RandomFrame(random);

    TestCamera camera;
    camera.SetPerspective(fov, aspect, near, far);
    camera.SetFrame(f.position, f.right, f.up, f.look);
    camera.BuildFrustum();

    const glm::dmat4 projection = glm::perspectiveLH_ZO(glm::radians(double(fov)), double(aspect),
                                                        double(near), double(far));
    const glm::dmat4 view = glm::lookAtLH(ToGlm(f.position), ToGlm(f.position) + ToGlm(f.look), ToGlm(f.up));
    ExpectMatches(camera.projection, projection, 1e-5, "projection", c);
    ExpectMatches(camera.view, view, 1e-5, "view", c);
    ExpectMatches(camera.viewProjection, projection * view, 1e-5, "view-projection", c);

    for (const KOR::Plane& plane : camera.planes)
      ASSERT_NEAR(KOR::Length(plane.normal), 1.0f, 1e-5f) << "camera " << c;

    // Spheres in and around the frustum, up to a tenth of their depth in radius.
    const ReferenceFrustum reference(projection * view);
    for (int s = 0; s < 40; ++s, ++spheres) {
      const float depth = random.LogUniform(near * 0.5f, far * 1.2f);
      const float half = depth * std::tan(glm::radians(fov) * 0.5f);
      const Vector3 centre = f.position + f.look * depth +
                             f.up * (half * random.Uniform(-1.6f, 1.6f)) +
                             f.right * (half * aspect * random.Uniform(-1.6f, 1.6f));
      const float radius = depth * random.Uniform(0.0f, 0.1f);
      const double margin = reference.Margin(ToGlm(centre), radius);
      // Float rounding of coordinates up to a few thousand units from the origin.
      const double tolerance = 1e-5 * (KOR::Length(centre) + KOR::Length(f.position) + far * 1e-2 + 1.0);
      if (std::fabs(margin) < tolerance) continue;
      ++compared;
      culled += margin < 0.0;
      ASSERT_EQ(camera.SphereVisible(centre, radius), margin >= 0.0)
          << "camera " << c << " sphere " << s << " margin " << margin;
    }
  }
  EXPECT_GT(compared, spheres * 9 / 10);
  EXPECT_GT(culled, compared / 5);
  EXPECT_LT(culled, compared * 4 / 5);
}

TEST(CameraSweep, OrthographicCamerasMatchAnIndependentFormulation) {
  Random random;
  for (int c = 0; c < cameraCount; ++c) {
    const float width = random.LogUniform(1.0f, 5000.0f);
    const float height = random.LogUniform(1.0f, 5000.0f);
    const float near = random.Uniform(-100.0f, 100.0f);
    const float far = near + random.LogUniform(1.0f, 1e4f);
    const Frame f = RandomFrame(random);

    TestCamera camera;
    camera.SetOrthographic(width, height, near, far);
    camera.SetFrame(f.position, f.right, f.up, f.look);
    camera.BuildFrustum();

    // The first argument scales y, so the x extent comes from the height.
    const glm::dmat4 projection = glm::orthoLH_ZO(-height / 2.0, height / 2.0, -width / 2.0,
                                                  width / 2.0, double(near), double(far));
    const glm::dmat4 view = glm::lookAtLH(ToGlm(f.position), ToGlm(f.position) + ToGlm(f.look), ToGlm(f.up));
    ExpectMatches(camera.projection, projection, 1e-5, "projection", c);
    ExpectMatches(camera.viewProjection, projection * view, 1e-5, "view-projection", c);

    // The box's centre is visible and a point just past each side is not.
    const Vector3 middle = f.position + f.look * ((near + far) / 2.0f);
    EXPECT_TRUE(camera.SphereVisible(middle, 0.0f)) << "camera " << c;
    const float margin = 1e-3f * (width + height + far - near) + 1e-2f;
    EXPECT_FALSE(camera.SphereVisible(middle + f.right * (height / 2.0f + margin), 0.0f)) << "camera " << c;
    EXPECT_FALSE(camera.SphereVisible(middle - f.up * (width / 2.0f + margin), 0.0f)) << "camera " << c;
    EXPECT_FALSE(camera.SphereVisible(middle + f.look * ((far - near) / 2.0f + margin), 0.0f)) << "camera " << c;
  }
}

TEST(CameraSweep, InversesAndWorldMatricesMatchAnIndependentFormulation) {
  Random random;
  for (int c = 0; c < cameraCount; ++c) {
    const float scale = random.LogUniform(1e-3f, 1e3f);
    const Vector3 axis = random.Direction();
    const float angle = random.Uniform(-3.1f, 3.1f);
    const KOR::Quaternion q{std::cos(angle / 2), axis.x * std::sin(angle / 2),
                            axis.y * std::sin(angle / 2), axis.z * std::sin(angle / 2)};
    const Vector3 position{random.Uniform(-100, 100), random.Uniform(-100, 100), random.Uniform(-100, 100)};
    const KOR::Matrix world = KOR::WorldMatrix(scale, q, position);

    const glm::dmat4 reference = glm::translate(glm::dmat4(1.0), ToGlm(position)) *
                                 glm::dmat4(glm::mat3_cast(glm::dquat(q.w, q.x, q.y, q.z))) *
                                 glm::scale(glm::dmat4(1.0), glm::dvec3(scale));
    ExpectMatches(world, reference, 1e-5, "world", c);

    KOR::Matrix inverse;
    ASSERT_TRUE(KOR::Invert(world, inverse)) << "scale " << scale;
    ExpectMatches(inverse, glm::inverse(reference), 1e-5, "inverse", c);
    EXPECT_NEAR(KOR::Determinant(world), glm::determinant(reference), 1e-5 * std::pow(scale, 3.0f));
  }
}
