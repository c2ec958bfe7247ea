// Whole games: the shipped level flown by a scripted player with its per-second trace
// against the committed one, a game lost by a ship that dodges nothing, a game won by
// killing the boss, and two games in one process leaving nothing behind.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/GameRules.h"
#include "game/gameplay/PlayPlane.h"
#include "scene/ScreenOverlay.h"
#include "scene/SpriteBatch.h"
#include "tests/game/GameHarness.h"

namespace {

class GameRunTest : public GameHarness {
protected:
  // Fire held from the first steering window on; up and down in turns of a second.
  void WeaveAndFire() {
    keys = [this](float t) {
      Hold(settings.keyFire, t > 5.0f);
      const bool up = int(t) % 2 == 0;
      Hold(settings.keyUp, up);
      Hold(settings.keyDown, !up);
    };
  }
  // A pilot that fires from the left third of the plane, lines up with the enemy it
  // should kill first (missile launchers, then the nearest ahead) and turns away from
  // plain shots and hulls that come close.
  void FlyAndFight() {
    keys = [this](float t) {
      const KOR::Vector3 ship = player->PlanePosition();
      float threat = 0.0f, threatDistance = 1e9f, target = ship.y, targetRank = 1e9f;
      auto avoid = [&](const KOR::Vector3& p) {
        const float dx = p.x - ship.x, dy = p.y - ship.y, d = std::sqrt(dx * dx + dy * dy);
        if (dx > -15.0f && d < 40.0f && d < threatDistance) {
          threatDistance = d;
          threat = dy;
        }
      };
      for (EnemyEntity* e : All<EnemyEntity>("EnemyEntity")) {
        if (!e->active) continue;
        avoid(e->planePosition);
        const float dx = e->planePosition.x - ship.x;
        const float rank = dx + (e->gun == "homing" ? -1000.0f : 0.0f);
        if (dx > 20.0f && rank < targetRank) {
          targetRank = rank;
          target = e->planePosition.y;
        }
      }
      if (boss && boss->phase >= 1 && boss->phase <= 3) {
        const KOR::Vector3 d = boss->collisionPosition - scene->plane.Point(0.0f, 0.0f);
        const float bossY = KOR::Dot(d, scene->plane.up);
        if (targetRank > 1e8f) target = std::clamp(bossY, -45.0f, 45.0f);
      }
      for (Bullet* b : All<Bullet>("Bullet"))
        if (!b->homing) avoid(b->planePosition);
      bool up = false, down = false;
      if (threatDistance < 1e9f) (threat > 0.0f ? down : up) = true;
      else if (target > ship.y + 2.0f) up = true;
      else if (target < ship.y - 2.0f) down = true;
      Hold(settings.keyUp, up);
      Hold(settings.keyDown, down);
      Hold(settings.keyLeft, player->planeX > -1.4f);
      Hold(settings.keyRight, player->planeX < -1.6f);
      Hold(settings.keyFire, t > 5.0f);
    };
  }
  size_t Balance(const std::string& open, const std::string& close) const {
    return Fake().Calls(open).size() - Fake().Calls(close).size();
  }
};

TEST_F(GameRunTest, TheShippedLevelPlaysTheCommittedTrace) {
  StartShippedLevel();
  if (HasFatalFailure()) return;
  FlyAndFight();
  const std::string trace = TraceUntilOver(200.0f);
  CompareWithGolden(trace, "level_run.trace");
  EXPECT_TRUE(Stopped());
}

TEST_F(GameRunTest, TheShippedBossFightPlaysTheCommittedTrace) {
  // The shipped scene without its waves: the path to the boss and the fight to the end.
  StartGame(std::string(KOR_CONTENT_ASSETS) + "/", "zubra_level1.kor.scene", {});
  FlyAndFight();
  const std::string trace = TraceUntilOver(200.0f);
  CompareWithGolden(trace, "boss_fight.trace");
  EXPECT_TRUE(Stopped());
}

TEST_F(GameRunTest, AShipThatDodgesNothingLosesTheGame) {
  std::vector<EnemySpawn> gunners;
  for (int i = 0; i < 4; ++i) gunners.push_back(Spawn(1.0f + i, 100, -30.0f + 20.0f * i, EnemyEntity::Seek, 0, "simple", 50));
  StartSmallGame(gunners);
  std::string trace = TraceUntilOver(120.0f);
  EXPECT_EQ(player->lives, -1) << trace;
  EXPECT_EQ(player->score, 0);
  EXPECT_LT(time, 60.0f);
  EXPECT_TRUE(Stopped());
}

TEST_F(GameRunTest, KillingTheBossEndsTheGameSixSecondsLaterWithTheBonus) {
  StartSmallGame();
  RunFor(104.0f);
  boss->health = 0.05f;  // twenty hits from the end
  // The boss sits at the top of the plane: fire from the top edge.
  keys = [this](float) {
    Hold(settings.keyFire, true);
    Hold(settings.keyUp, true);
  };
  float diedAt = -1.0f;
  while (time < 130.0f && !(boss->phase == 4 && boss->moveTimer < 0.0f)) {
    Frames(1);
    if (diedAt < 0.0f && boss->phase == 4) diedAt = time;
  }
  ASSERT_GT(diedAt, 0.0f);
  EXPECT_NEAR(time - diedAt, 6.0f, 0.02f);
  EXPECT_GE(player->score, BossBonus(player->lives));
  EXPECT_EQ(player->score % 5000, 0);  // nothing else scored in this level
  EXPECT_TRUE(Stopped());
}

TEST_F(GameRunTest, TwoGamesInOneProcessLeaveNothingBehind) {
  struct Census {
    size_t entities, overlays, sprites, effects;
  };
  std::vector<Census> seen;
  for (int game = 0; game < 2; ++game) {
    LevelScript level;
    WriteSmallLevel();
    level.Load(folder->File("level.zub.script"), nullptr);
    StartGame(folder->Directory(), "level.kor.scene", level.spawns);
    WeaveAndFire();
    RunFor(10.0f);
    seen.push_back({scene->GetEntityCount(), scene->GetOverlays()->GetOverlays().size(),
                    scene->GetSprites()->GetSprites().size(), Count("ParticleScript")});
    RunFor(100.0f);  // into the boss fight, with its missiles and explosions
    ReleaseAllKeys();
    keys = nullptr;
    EndGame();
    EXPECT_EQ(Balance("Sample_Load", "Sample_Free(handle"), 0u) << game;
    EXPECT_EQ(Balance("Stream_Open", "Stream_Close(handle"), 0u) << game;
    time = 0.0f;
  }
  EXPECT_EQ(seen[0].entities, seen[1].entities);
  EXPECT_EQ(seen[0].overlays, seen[1].overlays);
  EXPECT_EQ(seen[0].sprites, seen[1].sprites);
  EXPECT_EQ(seen[0].effects, seen[1].effects);
  EXPECT_GT(seen[0].overlays, 5u);
}

}  // namespace
