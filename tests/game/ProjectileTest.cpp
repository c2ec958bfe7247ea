// Shots in flight: where they are removed, homing missiles with their trail and their
// acceleration, and which shots hit what.

#include <cmath>
#include <limits>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/ParticleScript.h"
#include "game/gameplay/PlayPlane.h"
#include "game/gameplay/PlayerBullet.h"
#include "tests/game/GameHarness.h"

namespace {

class ProjectileTest : public GameHarness {};

TEST_F(ProjectileTest, APlayerShotIsRemovedOnceItReachesTheRightEdge) {
  StartSmallGame();
  auto& shot = static_cast<PlayerBullet&>(*scene->AddEntity(std::make_unique<PlayerBullet>()));
  shot.planePosition = {1.9f, -0.9f, 0.0f};
  Frames(1);  // 2.02
  EXPECT_EQ(Count("PlayerBullet"), 1u);
  Frames(1);  // 2.14: gone at the end of this frame
  EXPECT_EQ(Count("PlayerBullet"), 0u);
}

TEST_F(ProjectileTest, EnemyShotsLeavingThePlaneOrLostToNaNAreRemoved) {
  StartSmallGame();
  Bullet& up = FireBullet(*scene, {0, 119, 0}, kPi / 2);
  Bullet& lost = FireBullet(*scene, {0, 0, 0}, std::numeric_limits<float>::quiet_NaN());
  Bullet& stays = FireBullet(*scene, {0, -119, 0}, 0.0f);
  stays.speed = 0.0f;
  (void)up;
  (void)lost;
  Frames(1);  // y = 119 + 1.25: out
  auto left = All<Bullet>("Bullet");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0], &stays);
}

TEST_F(ProjectileTest, AHomingMissileWithATrailPuffsEveryFiftiethOfASecondAndAccelerates) {
  StartSmallGame();
  RunFor(1.0f);
  Bullet& missile = FireBullet(*scene, {100, 100, 0}, kPi);
  missile.homing = missile.trail = true;
  missile.speed = 10.0f;
  std::vector<float> puffs;
  for (int i = 0; i < 100; ++i) {
    Frames(1);
    for (ParticleScript* fx : All<ParticleScript>("ParticleScript"))
      if (fx->age < 1.5f * kStep) puffs.push_back(missile.age);
  }
  EXPECT_NEAR(missile.speed, 60.0f, 0.01f);
  // A puff whenever the 0.05 s timer has run out: with frames of 0.01 s, every fifth or
  // sixth frame.
  ASSERT_GE(puffs.size(), 15u);
  EXPECT_NEAR(puffs[0], 0.06f, 0.011f);
  for (size_t i = 1; i < puffs.size(); ++i) {
    EXPECT_GE(puffs[i] - puffs[i - 1], 0.05f - 0.001f) << i;
    EXPECT_LE(puffs[i] - puffs[i - 1], 0.06f + 0.001f) << i;
  }
  EXPECT_EQ(missile.sprite.batch, nullptr);  // drawn only by its puffs
  // It has turned from π towards the ship, down and to the left.
  EXPECT_GT(missile.angle, kPi);
}

TEST_F(ProjectileTest, PlayerShotsPassEnemyShotsAndEnemyShotsPassEnemies) {
  StartSmallGame();
  AddEnemy(Spawn(0.0f, 60, 0, EnemyEntity::Seek, 0, "none", 1));
  Bullet& enemyShot = FireBullet(*scene, {60, 0, 0}, 0.0f);
  enemyShot.speed = 0.0f;
  auto& shot = static_cast<PlayerBullet&>(*scene->AddEntity(std::make_unique<PlayerBullet>()));
  shot.planePosition = {-1.0f, 0.9f, 0.0f};
  Frames(2);
  EXPECT_EQ(Count("EnemyEntity"), 1u);
  EXPECT_EQ(Count("Bullet"), 1u);
  // Now the player's shot flies through the enemy's shot onto the enemy.
  shot.planePosition = {1.2f, 0.0f, 0.0f};
  Frames(1);
  EXPECT_EQ(Count("EnemyEntity"), 0u);
  EXPECT_EQ(Count("Bullet"), 1u);
}

TEST_F(ProjectileTest, APlayerShotsHitGivesEnergyAndSparksInItsColour) {
  StartSmallGame();
  AddEnemy(Spawn(0.0f, 60, 0, EnemyEntity::Seek, 0, "none", 5));
  Frames(2);
  auto& shot = static_cast<PlayerBullet&>(*scene->AddEntity(std::make_unique<PlayerBullet>()));
  shot.planePosition = {1.2f, 0.0f, 0.0f};
  shot.power = 1.0f;
  shot.owner = player;
  Frames(1);
  EXPECT_FLOAT_EQ(player->energy, 0.0135f);
  auto effects = All<ParticleScript>("ParticleScript");
  ASSERT_EQ(effects.size(), 1u);
  ASSERT_EQ(effects[0]->GetPending().size(), 4u);
  const Particle& flash = *effects[0]->GetPending().front();
  EXPECT_FLOAT_EQ(flash.startColour.r, 1.0f);
  EXPECT_FLOAT_EQ(flash.lifetime, 0.2f);
  EXPECT_FLOAT_EQ(flash.position.x, 60.0f + 12.0f * kStep * 50.0f);
}

}  // namespace
