// The replay tool's autopilot and playtest report on the game itself: the shipped level
// won with its per-second trace against the committed one, shots aimed at the ship
// dodged, fire held for what a shot can reach, and each lost life reported with its cause.

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "game/gameplay/GameRules.h"
#include "tests/game/GameHarness.h"
#include "tools/replay/Autopilot.h"
#include "tools/replay/PlayReport.h"

namespace {

class AutopilotTest : public GameHarness {
protected:
  // The autopilot flies in place of the keys; the report looks before every frame.
  void Fly() {
    scene->onFrameStart = [this] { scene->command = pilot.Fly(*scene); };
    keys = [this](float) { report.Observe(*scene); };
  }
  Autopilot pilot;
  PlayReport report;
};

TEST_F(AutopilotTest, WinsTheShippedLevelWithALifeLeftAndPlaysTheCommittedTrace) {
  StartShippedLevel();
  if (HasFatalFailure()) return;
  Fly();
  const std::string trace = TraceUntilOver(200.0f);
  CompareWithGolden(trace, "autopilot_run.trace");
  EXPECT_EQ(boss->phase, 4) << trace;
  EXPECT_GE(player->lives, 1) << report.Text();
  EXPECT_GE(player->score, BossBonus(player->lives));
  ASSERT_EQ(report.Games().size(), 1u);
  EXPECT_EQ(report.Games()[0].bossPhase, 4);
  EXPECT_EQ(int(report.Games()[0].losses.size()), kStartLives - player->lives);
}

TEST_F(AutopilotTest, DodgesWhatAShipHoldingStillIsHitBy) {
  // Gunners at the far edge of the ship's reach, hard to kill, shooting at it through the
  // first steering window: a ship holding still is hit again and again; flown, never.
  std::vector<EnemySpawn> gunners;
  for (int i = 0; i < 3; ++i)
    gunners.push_back(Spawn(5.0f + i, 118, -40.0f + 40.0f * i, EnemyEntity::Seek, 0, "simple", 50));
  StartSmallGame(gunners);
  keys = [this](float) { report.Observe(*scene); };
  RunFor(23.0f);
  const int stillLost = kStartLives - player->lives;
  EXPECT_GE(stillLost, 2);
  ASSERT_EQ(report.Games().size(), 1u);
  ASSERT_EQ(int(report.Games()[0].losses.size()), stillLost);
  for (const LifeLoss& loss : report.Games()[0].losses) {
    EXPECT_EQ(loss.cause, "shot");
    EXPECT_GT(loss.second, 5.0f);
  }
  const std::string text = report.Text();
  EXPECT_EQ(text.rfind("game 1: score 0, lives " + std::to_string(player->lives) + ", ", 0), 0u) << text;
  EXPECT_NE(text.find("boss not reached\n  life lost at "), std::string::npos) << text;
  report.EndGame();

  EndGame();
  time = 0.0f;
  StartSmallGame(gunners);
  Fly();
  RunFor(23.0f);
  EXPECT_EQ(player->lives, kStartLives) << report.Text();
  ASSERT_EQ(report.Games().size(), 2u);
  EXPECT_TRUE(report.Games()[1].losses.empty());
  EXPECT_EQ(report.Games()[1].lives, kStartLives);
}

TEST_F(AutopilotTest, FiresAtWhatAShotCanReachAndHoldsTheFireOtherwise) {
  // One enemy well out of reach, then one ahead of the ship and level with it.
  StartSmallGame({Spawn(6.0f, 400, 0), Spawn(8.0f, 60, 0, EnemyEntity::Seek, 0, "none", 1000)});
  RunFor(7.0f);  // into the steering window; the ship sits in the middle
  PlayCommand c = pilot.Fly(*scene);
  EXPECT_FALSE(c.fire);
  EXPECT_TRUE(c.fill);  // nothing to hit: no energy spent on misses
  RunFor(1.5f);
  c = pilot.Fly(*scene);
  EXPECT_TRUE(c.fire);
  EXPECT_FALSE(c.fill);
  Fly();
  RunFor(2.0f);
  // Lined up and firing: the shots hit, and hits raise the energy.
  EXPECT_GT(player->energy, 0.1f);
  EXPECT_NEAR(player->planeY * kPlaneUnit, 0.0f, 10.0f);
}

TEST_F(AutopilotTest, StaysPutBetweenSteeringWindows) {
  StartSmallGame({Spawn(1.0f, 60, 0, EnemyEntity::Seek, 0, "none", 1000)});
  RunFor(3.0f);  // before the first window: the ship may neither steer nor fire
  const PlayCommand c = pilot.Fly(*scene);
  EXPECT_FALSE(c.up || c.down || c.left || c.right || c.fire || c.fill);
}

}  // namespace
