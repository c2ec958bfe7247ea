// The numbers the whole game shares: the random sequence, plane directions, points,
// shown lives, the HUD's reference lines and the colour of the player's shots.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/gameplay/GameRandom.h"
#include "game/gameplay/GameRules.h"
#include "game/gameplay/PlayPlane.h"
#include "game/gameplay/PlayerBullet.h"
#include "game/hud/HudLayout.h"

namespace {

TEST(GameRandomTest, AFreshRunPlaysTheRuntimeSequenceFromStateOne) {
  GameRandom random;
  // The first numbers of the 214013 / 2531011 generator from state 1.
  EXPECT_EQ(random.Next(), 41);
  EXPECT_EQ(random.Next(), 18467);
  EXPECT_EQ(random.Next(), 6334);
  EXPECT_EQ(random.Next(), 26500);
  // Between(a, b) steps a thousandth of the way per unit of Next() mod 1000: 19169 → 0.169.
  EXPECT_FLOAT_EQ(random.Between(0.0f, 100.0f), 16.9f);
  // A game that carries on from a remembered state repeats what followed.
  GameRandom next(random.State());
  EXPECT_EQ(next.Next(), random.Next());
}

TEST(GameRandomTest, BetweenStaysBetweenItsEnds) {
  GameRandom random;
  for (int i = 0; i < 2000; ++i) {
    const float r = random.Between(-50.0f, 50.0f);
    EXPECT_GE(r, -50.0f);
    EXPECT_LT(r, 50.0f);
  }
}

TEST(AngleToTest, DirectionsInThePlaneRunFromZeroToTwoPi) {
  EXPECT_FLOAT_EQ(AngleTo({10, 0, 0}, {0, 0, 0}), 0.0f);
  EXPECT_NEAR(AngleTo({0, 10, 0}, {0, 0, 0}), kPi / 2, 1e-6);
  EXPECT_NEAR(AngleTo({-10, 0, 0}, {0, 0, 0}), kPi, 1e-6);
  EXPECT_NEAR(AngleTo({0, -10, 0}, {0, 0, 0}), 1.5f * kPi, 1e-5);
  EXPECT_NEAR(AngleTo({5, 5, 0}, {10, 10, 0}), 1.25f * kPi, 1e-5);
}

TEST(AngleToTest, ATargetOnTheOriginGivesZeroNotNaN) {
  EXPECT_EQ(AngleTo({3, 4, 0}, {3, 4, 0}), 0.0f);
  // Far apart along x with a tiny y: the cosine rounds to ±1 and stays defined.
  EXPECT_FALSE(std::isnan(AngleTo({-1e30f, 1e-30f, 0}, {0, 0, 0})));
}

TEST(InsideSquareTest, NaNCountsAsOutside) {
  EXPECT_TRUE(InsideSquare(120.0f, -120.0f, 120.0f));
  EXPECT_FALSE(InsideSquare(0.0f, 120.5f, 120.0f));
  EXPECT_FALSE(InsideSquare(std::numeric_limits<float>::quiet_NaN(), 0.0f, 120.0f));
}

TEST(ScoreRulesTest, EnemiesAndTheBossScoreAsTheTableSays) {
  EXPECT_EQ(EnemyPoints(0.0f, 1), 75);
  EXPECT_EQ(EnemyPoints(1.0f, 1), 225);
  EXPECT_EQ(EnemyPoints(0.3f, 3), 360);
  EXPECT_EQ(BossBonus(2), 40000);
  EXPECT_EQ(BossBonus(0), 30000);
  EXPECT_EQ(ShownLives(-1), 0);
  EXPECT_EQ(ShownLives(4), 4);
  EXPECT_EQ(ShownLives(9), 5);
}

TEST(HudLinesTest, TheReferenceLinesFollowTheAspect) {
  HudLines four3 = HudLinesFor(4.0f / 3.0f);
  EXPECT_FLOAT_EQ(four3.top, 1.0f / 6.0f);
  EXPECT_FLOAT_EQ(four3.bottom, 5.0f / 6.0f);
  HudLines sixteen10 = HudLinesFor(16.0f / 10.0f);
  EXPECT_FLOAT_EQ(sixteen10.top, 0.1f);
  EXPECT_FLOAT_EQ(sixteen10.bottom, 0.9f);
}

TEST(PlayerBulletColourTest, FromBlueGreyThroughLightBlueToWhite) {
  KOR::Colour none = PlayerBullet::ColourFor(0.0f);
  EXPECT_FLOAT_EQ(none.r, 0.2f);
  EXPECT_FLOAT_EQ(none.g, 0.4f);
  EXPECT_FLOAT_EQ(none.b, 0.7f);
  KOR::Colour half = PlayerBullet::ColourFor(0.5f);
  EXPECT_FLOAT_EQ(half.r, 0.2f);
  EXPECT_FLOAT_EQ(half.g, 0.7f);
  EXPECT_FLOAT_EQ(half.b, 1.0f);
  KOR::Colour full = PlayerBullet::ColourFor(1.0f);
  EXPECT_FLOAT_EQ(full.r, 1.0f);
  EXPECT_FLOAT_EQ(full.g, 1.0f);
  EXPECT_FLOAT_EQ(full.b, 1.0f);
}

}  // namespace
