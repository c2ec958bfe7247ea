// Key tracks: linear for vectors and scalars, spherical for rotations, clamped to the
// first and last keys.

#include <gtest/gtest.h>

#include <cmath>

#include "scene/KeyTrack.h"

namespace {

using KOR::KeyTrack;

TEST(KeyTrack, VectorsMoveLinearlyAndStopAtTheLastKey) {
  KeyTrack<KOR::Vector3> track;
  track.AddKey(0.1f, {10, 0, 0});
  track.AddKey(0.0f, {0, 0, 0});  // out of order: kept by time
  track.AddKey(0.2f, {10, 20, 0});
  KOR::Vector3 v{7, 7, 7};
  track.Sample(v);
  EXPECT_FLOAT_EQ(v.x, 0.0f);
  track.Advance(0.05f);
  track.Sample(v);
  EXPECT_NEAR(v.x, 5.0f, 1e-4);
  track.Advance(0.1f);
  track.Sample(v);
  EXPECT_NEAR(v.x, 10.0f, 1e-4);
  EXPECT_NEAR(v.y, 10.0f, 1e-4);
  track.Advance(100.0f);
  EXPECT_FLOAT_EQ(track.GetClock(), 0.2f);
  track.Sample(v);
  EXPECT_FLOAT_EQ(v.y, 20.0f);
}

TEST(KeyTrack, AnEmptyTrackLeavesTheValueAlone) {
  KeyTrack<float> track;
  float value = 3.5f;
  track.Advance(1.0f);
  track.Sample(value);
  EXPECT_FLOAT_EQ(value, 3.5f);
  EXPECT_TRUE(track.Empty());
}

TEST(KeyTrack, RotationsTurnAtAnEvenRateAlongTheShorterArc) {
  const float half = std::sqrt(0.5f);
  KeyTrack<KOR::Quaternion> track;
  track.AddKey(0.0f, {1, 0, 0, 0});
  track.AddKey(1.0f, {half, 0, 0, half});  // 90° about z
  track.Advance(1.0f / 3.0f);
  KOR::Quaternion q;
  track.Sample(q);
  // A third of the way is 30°: a half-angle of 15°, unit length.
  EXPECT_NEAR(q.w, std::cos(0.2617994f), 1e-5);
  EXPECT_NEAR(q.z, std::sin(0.2617994f), 1e-5);

  KeyTrack<KOR::Quaternion> flipped;
  flipped.AddKey(0.0f, {1, 0, 0, 0});
  flipped.AddKey(1.0f, {-half, 0, 0, -half});  // the same rotation, other sign
  flipped.Advance(0.5f);
  flipped.Sample(q);
  EXPECT_NEAR(std::fabs(q.z), std::sin(0.3926991f), 1e-5);  // 45°, not the long way
}

}  // namespace
