// Scripted enemies: appearing at their time, the movement patterns, their guns, hits,
// death and points, and what they leave behind.

#include <cmath>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/GameRules.h"
#include "game/gameplay/ParticleScript.h"
#include "game/gameplay/PlayPlane.h"
#include "game/gameplay/PlayerBullet.h"
#include "tests/game/GameHarness.h"

namespace {

class EnemyTest : public GameHarness {
protected:
  // A player shot placed on a plane point (world units), not moving.
  PlayerBullet& ShotAt(float x, float y) {
    auto& shot = static_cast<PlayerBullet&>(*scene->AddEntity(std::make_unique<PlayerBullet>()));
    shot.planePosition = {x / 50.0f, y / 50.0f, 0.0f};
    shot.owner = player;
    return shot;
  }
  bool Drawn(EnemyEntity& e) const {
    for (KOR::RenderNode* n : scene->GetNodes())
      if (n == &e.node) return true;
    return false;
  }
};

TEST_F(EnemyTest, AnEnemyBeforeItsStartTimeIsNeitherDrawnNorHit) {
  StartSmallGame();
  EnemyEntity& e = AddEnemy(Spawn(0.5f, 60, 0, EnemyEntity::Seek));
  Frames(10);
  ShotAt(60, 0);
  Frames(1);
  EXPECT_FALSE(e.active);
  EXPECT_FALSE(Drawn(e));
  EXPECT_EQ(e.hitPoints, 0);
  RunFor(0.5f);
  EXPECT_TRUE(e.active);
  EXPECT_TRUE(Drawn(e));
}

TEST_F(EnemyTest, AnEnergyThreeEnemyDiesOnTheThirdHitAndScoresOnce) {
  StartSmallGame();
  AddEnemy(Spawn(0.0f, 60, 0, EnemyEntity::Seek, 0, "none", 3));
  Frames(2);
  for (int hit = 1; hit <= 2; ++hit) {
    ShotAt(60, 0);
    Frames(1);
    EXPECT_EQ(Count("EnemyEntity"), 1u) << hit;
  }
  player->energy = 0.5f;
  ShotAt(60, 0);
  Frames(1);
  EXPECT_EQ(Count("EnemyEntity"), 0u);
  EXPECT_EQ(Count("ParticleScript"), 4u);  // three sparks, one explosion
  // The enemy, earlier in the list, hears of the shot before the shot pays its energy.
  EXPECT_EQ(player->score, EnemyPoints(0.5f, 3));
}

TEST_F(EnemyTest, TwoShotsInTheDyingFrameScoreAndExplodeOnce) {
  StartSmallGame();
  AddEnemy(Spawn(0.0f, 60, 0, EnemyEntity::Seek, 0, "none", 1));
  Frames(2);
  ShotAt(60, 0);
  ShotAt(60, 2);
  Frames(1);
  EXPECT_EQ(player->score, 75);
  size_t explosions = 0;
  for (auto* fx : All<ParticleScript>("ParticleScript")) explosions += fx->GetPending().size() == 6 ? 1 : 0;
  EXPECT_EQ(explosions, 1u);
}

TEST_F(EnemyTest, OneShotTouchingTwoEnemiesDamagesOnlyTheFirst) {
  StartSmallGame();
  EnemyEntity& first = AddEnemy(Spawn(0.0f, 60, 0, EnemyEntity::Seek, 0, "none", 3));
  EnemyEntity& second = AddEnemy(Spawn(0.0f, 60, 5, EnemyEntity::Seek, 0, "none", 3));
  Frames(2);
  ShotAt(60, 2);
  Frames(1);
  EXPECT_EQ(first.hitPoints, 1);
  EXPECT_EQ(second.hitPoints, 2);
}

TEST_F(EnemyTest, APatternMovesTheEnemyThroughThePlane) {
  StartSmallGame();
  EnemySpawn sine = Spawn(0.0f, 100, 10, EnemyEntity::Sine, 40);
  sine.freq = 0.5f;
  sine.amplitude = 20.0f;
  EnemyEntity& wave = AddEnemy(sine);
  EnemyEntity& forward = AddEnemy(Spawn(0.0f, 100, 10, EnemyEntity::Forward, 40));
  EnemyEntity& seek = AddEnemy(Spawn(0.0f, 100, 10, EnemyEntity::Seek, 40));
  RunFor(0.5f);
  EXPECT_NEAR(wave.planePosition.y, 10.0f + 20.0f, 1e-3);
  EXPECT_NEAR(wave.planePosition.x, 100.0f - 40.0f * 0.5f, 0.01f);  // moves from its first active frame
  EXPECT_NEAR(forward.planePosition.x, 100.0f - 40.0f * 0.5f, 0.01f);
  EXPECT_EQ(forward.planePosition.y, 10.0f);
  EXPECT_EQ(seek.planePosition.x, 100.0f);
  // The node is where the plane puts it: across +z, up +y in the small level.
  EXPECT_FLOAT_EQ(forward.node.position.z, forward.planePosition.x);
  EXPECT_FLOAT_EQ(forward.node.position.y, 10.0f);
}

TEST_F(EnemyTest, AnEnemyLeavingOnTheLeftIsRemovedAndItsNodeWithIt) {
  StartSmallGame();
  AddEnemy(Spawn(0.0f, -110, 0, EnemyEntity::Forward, 100));
  Frames(5);
  EXPECT_EQ(scene->GetNodes().size(), 3u);  // ship, boss, enemy
  RunFor(0.2f);
  EXPECT_EQ(Count("EnemyEntity"), 0u);
  EXPECT_EQ(scene->GetNodes().size(), 2u);
}

TEST_F(EnemyTest, GunsFireOnlyAtAPlayerAheadAndNoneOrUnknownNeverFire) {
  StartSmallGame();
  RunFor(1.0f);  // the ship sits at the centre after its slide
  AddEnemy(Spawn(0.0f, 80, 0, EnemyEntity::Seek, 0, "none"));
  AddEnemy(Spawn(0.0f, 80, 20, EnemyEntity::Seek, 0, "laser"));
  AddEnemy(Spawn(0.0f, -80, 0, EnemyEntity::Seek, 0, "simple"));  // the player is ahead of it: behind
  RunFor(3.0f);
  EXPECT_EQ(Count("Bullet"), 0u);
  EnemyEntity& gunner = AddEnemy(Spawn(0.0f, 80, -40, EnemyEntity::Seek, 0, "homing"));
  const KOR::Vector3 target = player->PlanePosition();
  Frames(1);
  auto shots = All<Bullet>("Bullet");
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_TRUE(shots[0]->homing);
  EXPECT_NEAR(shots[0]->angle, AngleTo(target, gunner.planePosition), 1e-3);
  // The timer restarts with the period it had before the shot (0.4 s) and runs at 1 s
  // from then on.
  std::vector<float> shotTimes{gunner.age};
  for (int i = 0; i < 200; ++i) {
    for (Bullet* b : All<Bullet>("Bullet")) b->speed = 0.0f;  // kept away from the ship
    Frames(1);
    const size_t n = Count("Bullet");
    if (n > shotTimes.size()) shotTimes.push_back(gunner.age);
  }
  ASSERT_EQ(shotTimes.size(), 3u);
  EXPECT_NEAR(shotTimes[1] - shotTimes[0], 0.41f, 0.011f);
  EXPECT_NEAR(shotTimes[2] - shotTimes[1], 1.01f, 0.011f);
}

TEST_F(EnemyTest, WithoutAPlayerEnemiesNeitherAimNorScore) {
  StartSmallGame();
  scene->QueueRemoval(player);
  EnemyEntity& e = AddEnemy(Spawn(0.0f, 60, 0, EnemyEntity::Seek, 0, "simple", 1));
  e.player = nullptr;
  player = nullptr;
  Frames(2);
  EXPECT_EQ(scene->player, nullptr) << "a removed ship is no longer the game's";
  EXPECT_EQ(Count("Bullet"), 0u);
  // A homing shot without anyone to follow flies straight on, still speeding up.
  Bullet& missile = FireBullet(*scene, {100, 100, 0}, kPi);
  missile.homing = true;
  RunFor(0.5f);
  EXPECT_FLOAT_EQ(missile.angle, kPi);
  EXPECT_NEAR(missile.speed, 125.0f + 25.0f, 0.01f);
  auto& shot = static_cast<PlayerBullet&>(*scene->AddEntity(std::make_unique<PlayerBullet>()));
  shot.planePosition = {60.0f / 50.0f, 0.0f, 0.0f};
  Frames(1);
  EXPECT_EQ(Count("EnemyEntity"), 0u);
}

TEST_F(EnemyTest, EqualDescriptionsShareAMaterialAndLongNamesAreCut) {
  StartSmallGame();
  EnemyEntity& a = AddEnemy(Spawn(0.0f, 60, 0));
  EnemyEntity& b = AddEnemy(Spawn(1.0f, 90, 0));
  EXPECT_EQ(a.material, b.material);
  EnemySpawn longName = Spawn(0.0f, 60, 0);
  longName.diffuse = std::string(400, 'd');
  EnemyEntity& c = AddEnemy(longName);
  EXPECT_NE(c.material, a.material);
  EXPECT_EQ(c.material->diffuseName, std::string(255, 'd'));
}

TEST_F(EnemyTest, AnActiveEnemyDeletedWithItsSceneLeavesNoNodeBehind) {
  StartSmallGame();
  EnemyEntity& e = AddEnemy(Spawn(0.0f, 60, 0, EnemyEntity::Seek));
  Frames(2);
  ASSERT_TRUE(Drawn(e));
  e.Kill();
  Frames(1);
  for (KOR::RenderNode* n : scene->GetNodes()) EXPECT_NE(n->material, nullptr);
  EXPECT_EQ(scene->GetNodes().size(), 2u);
}

}  // namespace
