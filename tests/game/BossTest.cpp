// The boss: waking at 104 s, phases by health, gun ports, what hurts it, its death with
// the bonus, the removal of every enemy shot and the end of the game six seconds later.

#include <set>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/PlayerBullet.h"
#include "tests/game/GameHarness.h"

namespace {

class BossTest : public GameHarness {
protected:
  void HitBoss(int times) {
    for (int i = 0; i < times; ++i) {
      auto& shot = static_cast<PlayerBullet&>(*scene->AddEntity(std::make_unique<PlayerBullet>()));
      shot.planePosition = {90.0f / 50.0f, 90.0f / 50.0f, 0.0f};
      shot.owner = player;
    }
    Frames(1);
  }
};

TEST_F(BossTest, OnlyPlayerShotsHurtTheBoss) {
  StartSmallGame();
  Frames(2);
  Bullet& enemyShot = FireBullet(*scene, {90, 90, 0}, 0.0f);
  enemyShot.speed = 0.0f;
  // The ship rams it: the ship pays, the boss does not.
  player->planeX = player->planeY = 1.8f;
  player->respawnTimer = 5.0f;
  Frames(1);
  EXPECT_EQ(boss->health, 1.0f);
  EXPECT_EQ(player->lives, 3);
  HitBoss(1);
  EXPECT_FLOAT_EQ(boss->health, 1.0f - 0.0025f);
}

TEST_F(BossTest, TheBossWakesAt104AndChangesPhaseWithItsHealth) {
  StartSmallGame();
  RunFor(103.9f);
  EXPECT_EQ(boss->phase, 0);
  EXPECT_EQ(boss->hud.healthBar.batch, nullptr);
  RunFor(0.2f);
  EXPECT_EQ(boss->phase, 1);
  EXPECT_TRUE(boss->missilesOn);
  EXPECT_FALSE(boss->gunsOn);
  EXPECT_EQ(boss->hud.healthBar.batch, scene->GetOverlays());
  boss->health = 0.49f;
  Frames(1);
  EXPECT_EQ(boss->phase, 2);
  EXPECT_FALSE(boss->missilesOn);
  EXPECT_TRUE(boss->gunsOn);
  boss->health = 0.2f;
  Frames(1);
  EXPECT_EQ(boss->phase, 3);
  EXPECT_TRUE(boss->missilesOn && boss->gunsOn);
  EXPECT_FLOAT_EQ(boss->hud.healthBar.x1, 0.35f + 0.3f * 0.2f);
}

TEST_F(BossTest, MissilesInPhaseOneVolleysInPhaseTwoFromPortsNeverTwiceTheSame) {
  StartSmallGame();
  RunFor(104.0f);
  std::vector<int> ports;
  int missiles = 0;
  for (int i = 0; i < 1500; ++i) {
    const int before = boss->port;
    Frames(1);
    for (Bullet* b : All<Bullet>("Bullet"))
      if (b->trail && !b->killed) ++missiles;
    if (boss->port != before) ports.push_back(boss->port);
    for (Bullet* b : All<Bullet>("Bullet")) b->Kill();  // keep the ship alive and the count clear
  }
  ASSERT_GE(ports.size(), 9u);
  EXPECT_EQ(missiles, int(ports.size()));
  for (size_t i = 1; i < ports.size(); ++i) EXPECT_NE(ports[i], ports[i - 1]) << i;
  EXPECT_EQ(std::set<int>(ports.begin(), ports.end()).size(), 4u);

  boss->health = 0.4f;
  Frames(1);
  size_t volleyShots = 0;
  for (int i = 0; i < 160; ++i) {
    Frames(1);
    for (Bullet* b : All<Bullet>("Bullet")) {
      if (b->killed) continue;
      EXPECT_FALSE(b->trail);
      ++volleyShots;
      b->Kill();
    }
  }
  // Three shots whenever the volley timer runs out in the last 0.3 s before a port change.
  EXPECT_GE(volleyShots, 3u * 10u);
  EXPECT_EQ(volleyShots % 3, 0u);
}

TEST_F(BossTest, KillingTheBossWithTwoLivesLeftAddsFortyThousandAndEndsTheGameSixSecondsLater) {
  StartSmallGame();
  RunFor(104.5f);
  player->lives = 2;
  Bullet& shot = FireBullet(*scene, {-100, 100, 0}, 0.0f);
  shot.speed = 0.0f;
  boss->health = 0.001f;
  const int score = player->score;
  HitBoss(1);
  EXPECT_EQ(boss->phase, 4);
  EXPECT_EQ(player->score - score, 40000);
  EXPECT_EQ(Count("Bullet"), 0u);  // every enemy shot is gone
  EXPECT_EQ(boss->collisionRadius, 0.0f);
  EXPECT_EQ(boss->hud.healthBar.batch, nullptr);
  EXPECT_EQ(boss->hud.fade.batch, scene->GetOverlays());
  // Dead, it stays out of the fight: more shots on it change nothing.
  HitBoss(3);
  EXPECT_EQ(player->score - score, 40000);
  EXPECT_EQ(boss->collisionRadius, 0.0f);
  RunFor(3.0f);
  EXPECT_NEAR(boss->fadeColour.a, 0.5f, 0.01f);
  EXPECT_GE(Count("ParticleScript"), 3u);  // an explosion every tenth of a second
  EXPECT_FALSE(Stopped());
  RunFor(3.0f);
  EXPECT_TRUE(Stopped());
}

}  // namespace
