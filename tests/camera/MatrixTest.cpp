#include <gtest/gtest.h>

#include <cmath>

#include "core/Matrix.h"

using KOR::Matrix;
using KOR::Vector3;

namespace {

Matrix Rows(std::initializer_list<std::initializer_list<float>> rows) {
  Matrix m;
  int i = 0;
  for (const auto& row : rows) {
    int j = 0;
    for (float value : row) m.m[i][j++] = value;
    ++i;
  }
  return m;
}

void ExpectIdentity(const Matrix& m, float tolerance) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(m.m[i][j], i == j ? 1.0f : 0.0f, tolerance) << "entry [" << i << "][" << j << "]";
}

void ExpectSame(const Matrix& a, const Matrix& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(a.m[i][j], b.m[i][j]) << "entry [" << i << "][" << j << "]";
}

const KOR::Quaternion someRotation{0.8f, 0.2f, -0.4f, 0.4f};  // unit length

}  // namespace

TEST(MatrixDeterminant, KnownValues) {
  EXPECT_FLOAT_EQ(KOR::Determinant(Matrix{}), 1.0f);
  EXPECT_FLOAT_EQ(KOR::Determinant(Rows({{2, 5, 7, 1}, {0, 3, 4, 9}, {0, 0, 0.5f, 6}, {0, 0, 0, -4}})), -12.0f);
  // Swapping two rows of the identity.
  EXPECT_FLOAT_EQ(KOR::Determinant(Rows({{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}})), -1.0f);
  EXPECT_FLOAT_EQ(KOR::Determinant(Rows({{1, 2, 0, 0}, {3, 4, 0, 0}, {0, 0, 1, 2}, {0, 0, 2, 1}})), 6.0f);
}

TEST(MatrixInverse, UniformScaleOfFiveHundredthsInverts) {
  // Its determinant, 1.25e-4, is below the old absolute threshold of 0.0005.
  const Matrix m = KOR::WorldMatrix(0.05f, someRotation, {3.0f, -2.0f, 5.0f});
  Matrix inverse;
  ASSERT_TRUE(KOR::Invert(m, inverse));
  ExpectIdentity(m * inverse, 1e-4f);
  ExpectIdentity(inverse * m, 1e-4f);
  ExpectSame(KOR::InverseOrSelf(m), inverse);
}

TEST(MatrixInverse, TinyAndHugeScalesInvert) {
  for (float scale : {1e-3f, 1e-2f, 0.1f, 10.0f, 1000.0f}) {
    const Matrix m = KOR::WorldMatrix(scale, someRotation, {});
    Matrix inverse;
    ASSERT_TRUE(KOR::Invert(m, inverse)) << "scale " << scale;
    ExpectIdentity(m * inverse, 1e-4f);
  }
}

TEST(MatrixInverse, SingularMatricesKeepThemselves) {
  const Matrix dependentRows = Rows({{1, 2, 3, 0}, {4, 5, 6, 0}, {5, 7, 9, 0}, {1, 1, 1, 1}});
  const Matrix flattened = KOR::WorldMatrix(1.0f, someRotation, {1, 2, 3}) *
                           Rows({{1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  Matrix notFinite;
  notFinite.m[1][1] = INFINITY;
  for (const Matrix& m : {dependentRows, flattened, Rows({{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}), notFinite}) {
    Matrix untouched = Rows({{9, 9, 9, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}});
    EXPECT_FALSE(KOR::Invert(m, untouched));
    EXPECT_EQ(untouched.m[2][3], 9.0f);
    ExpectSame(KOR::InverseOrSelf(m), m);
  }
}

TEST(MatrixProduct, LeftFactorAppliesFirst) {
  const Matrix translate = KOR::WorldMatrix(1.0f, {}, {1.0f, 2.0f, 3.0f});
  const Matrix scale = KOR::WorldMatrix(2.0f, {}, {});
  const KOR::Vector4 p = KOR::Transform({1.0f, 1.0f, 1.0f, 1.0f}, translate * scale);
  EXPECT_FLOAT_EQ(p.x, 4.0f);
  EXPECT_FLOAT_EQ(p.y, 6.0f);
  EXPECT_FLOAT_EQ(p.z, 8.0f);
  EXPECT_FLOAT_EQ(p.w, 1.0f);
}

TEST(MatrixWorld, ScalesThenRotatesThenTranslates) {
  const Vector3 position{10.0f, -4.0f, 7.0f};
  const Matrix world = KOR::WorldMatrix(3.0f, someRotation, position);
  const Vector3 p{1.0f, -2.0f, 0.5f};
  const Vector3 expected = KOR::Rotate(someRotation, p * 3.0f) + position;
  const KOR::Vector4 q = KOR::Transform({p.x, p.y, p.z, 1.0f}, world);
  EXPECT_NEAR(q.x, expected.x, 1e-5f);
  EXPECT_NEAR(q.y, expected.y, 1e-5f);
  EXPECT_NEAR(q.z, expected.z, 1e-5f);
  EXPECT_FLOAT_EQ(q.w, 1.0f);
  // Directions (w = 0) are not moved.
  const KOR::Vector4 d = KOR::Transform({0.0f, 0.0f, 1.0f, 0.0f}, world);
  const Vector3 turned = KOR::Rotate(someRotation, {0.0f, 0.0f, 3.0f});
  EXPECT_NEAR(d.x, turned.x, 1e-5f);
  EXPECT_NEAR(d.y, turned.y, 1e-5f);
  EXPECT_NEAR(d.z, turned.z, 1e-5f);
}

TEST(QuaternionRotate, IdentityAndQuarterTurn) {
  const Vector3 v{1.0f, 2.0f, 3.0f};
  const Vector3 same = KOR::Rotate(KOR::Quaternion{}, v);
  EXPECT_FLOAT_EQ(same.x, 1.0f);
  EXPECT_FLOAT_EQ(same.y, 2.0f);
  EXPECT_FLOAT_EQ(same.z, 3.0f);
  // A quarter turn about z takes x to y.
  const float h = std::sqrt(0.5f);
  const Vector3 turned = KOR::Rotate({h, 0.0f, 0.0f, h}, {1.0f, 0.0f, 0.0f});
  EXPECT_NEAR(turned.x, 0.0f, 1e-6f);
  EXPECT_NEAR(turned.y, 1.0f, 1e-6f);
  EXPECT_NEAR(turned.z, 0.0f, 1e-6f);
}
