// The player's ship in a running game: blinking, invulnerability, firing rules, lives and
// the game over, steering windows and drift, the entry slide, the boss music and the HUD.

#include <cmath>
#include <sstream>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/PlayerBullet.h"
#include "scene/CameraEntity.h"
#include "scene/ScreenOverlay.h"
#include "tests/game/GameHarness.h"

namespace {

class PlayerTest : public GameHarness {
protected:
  // An enemy bullet straight onto the ship.
  void ShootPlayer() {
    Bullet& shot = FireBullet(*scene, player->PlanePosition(), 0.0f);
    shot.speed = 0.0f;
  }
  bool Blinked(float seconds) {
    bool hidden = false;
    for (int i = 0; i < int(seconds / kStep); ++i) {
      Frames(1);
      hidden = hidden || !player->visible;
    }
    return hidden;
  }
};

TEST_F(PlayerTest, TheShipBlinksOnlyAfterItsFirstLostLife) {
  StartSmallGame();
  RunFor(0.6f);  // hidden for its first half second, then sliding in
  EXPECT_TRUE(player->visible);
  EXPECT_FALSE(Blinked(2.3f));
  RunFor(0.5f);
  ShootPlayer();
  Frames(1);
  ASSERT_EQ(player->lives, 3);
  RunFor(0.6f);
  EXPECT_TRUE(Blinked(2.0f));
  RunFor(1.0f);
  EXPECT_FALSE(Blinked(1.0f));  // three seconds on, it stays
}

TEST_F(PlayerTest, AHitWithinThreeSecondsOfARespawnDoesNothingButTheBulletGoes) {
  StartSmallGame();
  RunFor(2.9f);
  ShootPlayer();
  Frames(1);
  EXPECT_EQ(player->lives, 4);
  EXPECT_EQ(Count("Bullet"), 0u);  // an enemy shot vanishes on the ship even so
  RunFor(0.2f);
  player->energy = 0.8f;
  ShootPlayer();
  Frames(1);
  EXPECT_EQ(player->lives, 3);
  EXPECT_NEAR(player->energy, 0.4f, 1e-6);
  EXPECT_EQ(player->respawnTimer, 0.0f);
  ShootPlayer();
  Frames(1);
  EXPECT_EQ(player->lives, 3);
}

TEST_F(PlayerTest, FireAndFillTogetherFireNothingAndChargeTheCageUpToTheEnergy) {
  StartSmallGame();
  RunFor(6.0f);  // inside the first steering window
  player->energy = 0.2f;
  Hold(settings.keyFire, true);
  Hold(settings.keyFillEnergy, true);
  RunFor(1.0f);
  EXPECT_EQ(Count("PlayerBullet"), 0u);
  EXPECT_FLOAT_EQ(player->cage, 0.2f);
  Hold(settings.keyFillEnergy, false);
  Frames(1);
  EXPECT_EQ(player->cage, 0.0f);
  EXPECT_EQ(Count("PlayerBullet"), 1u);
}

TEST_F(PlayerTest, TheFirstShotComesFromTheLowerGunAndShotsAlternateAtTheFirePeriod) {
  StartSmallGame();
  RunFor(6.0f);
  const float y = player->planeY;
  Hold(settings.keyFire, true);
  Frames(1);
  auto shots = All<PlayerBullet>("PlayerBullet");
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_FLOAT_EQ(shots[0]->planePosition.y, y - 0.07f);
  // Fired during the ship's update, it has flown its first step in the same frame.
  EXPECT_FLOAT_EQ(shots[0]->planePosition.x, player->planeX + 0.3f + 12.0f * kStep);
  EXPECT_FLOAT_EQ(player->firePeriod, 0.1f);  // at energy 0
  Frames(11);
  shots = All<PlayerBullet>("PlayerBullet");
  ASSERT_EQ(shots.size(), 2u);
  EXPECT_FLOAT_EQ(shots[1]->planePosition.y, y + 0.07f);
  // Each shot costs energy, which never goes below zero.
  EXPECT_EQ(player->energy, 0.0f);
  player->energy = 1.0f;
  Frames(1);
  EXPECT_FLOAT_EQ(player->firePeriod, 0.04f);
}

TEST_F(PlayerTest, OutsideTheSteeringWindowsShotsAreLostAndTheShipGlidesToTheCentre) {
  StartSmallGame();
  RunFor(6.0f);
  Hold(settings.keyUp, true);
  Hold(settings.keyRight, true);
  RunFor(1.0f);
  EXPECT_FLOAT_EQ(player->planeY, 1.0f);  // held at the edge
  EXPECT_NEAR(player->planeX, 2.0f, 0.01f);
  RunFor(16.3f);  // past 23.2 s, keys still held
  const float x = player->planeX, y = player->planeY;
  Frames(1);
  EXPECT_FLOAT_EQ(player->planeX, x * 0.99f);
  EXPECT_FLOAT_EQ(player->planeY, y * 0.99f);
  Hold(settings.keyFire, true);
  RunFor(1.0f);
  EXPECT_EQ(Count("PlayerBullet"), 0u);
  EXPECT_FALSE(Player::SteeringAllowed(5.6f));
  EXPECT_FALSE(Player::SteeringAllowed(23.2f));
  EXPECT_TRUE(Player::SteeringAllowed(34.6f));
  EXPECT_FALSE(Player::SteeringAllowed(104.0f));
  EXPECT_TRUE(Player::SteeringAllowed(104.1f));
}

TEST_F(PlayerTest, AfterAHitTheShipSlidesInFromTheLeftEdge) {
  StartSmallGame();
  RunFor(4.0f);
  ShootPlayer();
  Frames(1);
  RunFor(0.75f);
  EXPECT_NEAR(player->planeX, -1.5f, 0.03f);
  EXPECT_EQ(player->planeY, 0.0f);
}

TEST_F(PlayerTest, TheFifthHitEndsTheGameAfterAThreeSecondFade) {
  StartSmallGame();
  for (int hit = 0; hit < 5; ++hit) {
    RunFor(3.1f);
    ShootPlayer();
    Frames(1);
  }
  EXPECT_EQ(player->lives, -1);
  Frames(1);  // the HUD shows it from the next update
  EXPECT_FALSE(player->visible);
  EXPECT_NE(player->hud.text.text.find("Lives: 0"), std::string::npos) << player->hud.text.text;
  EXPECT_NE(player->hud.fade.batch, nullptr);
  RunFor(1.5f);
  EXPECT_NEAR(player->hud.fade.colour.a, (-2.0f + 1.51f + 2.0f) / 3.0f, 0.01f);
  EXPECT_FALSE(Stopped());
  RunFor(1.6f);
  EXPECT_TRUE(Stopped());
}

TEST_F(PlayerTest, AnInvulnerableShipIsHitAsAnyOtherButKeepsItsLives) {
  invulnerable = true;
  StartSmallGame();
  player->energy = 0.8f;
  for (int hit = 0; hit < 6; ++hit) {
    RunFor(3.1f);
    ShootPlayer();
    Frames(1);
    EXPECT_LT(player->respawnTimer, 0.5f) << "hit " << hit << " was taken";
  }
  EXPECT_EQ(player->lives, 4);
  EXPECT_LT(player->energy, 0.8f * 0.5f);
  RunFor(3.5f);
  EXPECT_FALSE(Stopped());
  EXPECT_TRUE(player->visible);
}

TEST_F(PlayerTest, AtLevelTime104TheBossMusicLoopsAndTheCameraStops) {
  StartSmallGame();
  EXPECT_EQ(Fake().Calls("Stream_Open('assets/boss.mp3'").size(), 1u);
  RunFor(103.9f);
  EXPECT_TRUE(Fake().Calls("Stream_Play").empty());
  RunFor(0.2f);
  EXPECT_EQ(Fake().Calls("Stream_Play").size(), 1u);
  EXPECT_TRUE(player->bossMusicStarted);
  auto* camera = scene->FindFirst<KOR::CameraEntity>();
  EXPECT_FALSE(camera->hasPath);
  RunFor(1.0f);
  EXPECT_EQ(Fake().Calls("Stream_Play").size(), 1u);
}

TEST_F(PlayerTest, TheHudHangsOnTheReferenceLinesOfA4To3Screen) {
  settings.screenWidth = 800;
  settings.screenHeight = 600;
  StartSmallGame();
  const PlayerHud& hud = player->hud;
  EXPECT_FLOAT_EQ(hud.panel.y0, 1.0f / 6.0f);
  EXPECT_FLOAT_EQ(hud.panel.y1, 5.0f / 6.0f);
  EXPECT_FLOAT_EQ(hud.barFrame.x0, 0.315f);
  EXPECT_FLOAT_EQ(hud.barFrame.y1, 5.0f / 6.0f + 0.06f);
  EXPECT_FLOAT_EQ(hud.text.y, 1.0f / 6.0f + (4.0f / 6.0f) * (12.0f / 256.0f));  // below the band and plates
  EXPECT_EQ(hud.panel.layer, 3);
  EXPECT_EQ(hud.fade.batch, nullptr);  // only once the game is lost
  EXPECT_EQ(hud.panel.batch, scene->GetOverlays());
  // The bars are cut, not squeezed: zero width at energy 0, 0.35 … 0.65 at energy 1.
  Frames(1);
  EXPECT_FLOAT_EQ(hud.energyBar.x1, 0.35f);
  player->energy = 1.0f;
  Frames(1);
  EXPECT_FLOAT_EQ(hud.energyBar.x1, 0.65f);
  EXPECT_FLOAT_EQ(hud.energyBar.uRight, 1.0f);
  player->energy = 0.5f;
  Frames(1);
  EXPECT_FLOAT_EQ(hud.energyBar.uRight, 0.5f);
  EXPECT_FLOAT_EQ(hud.energyBar.x1, 0.5f);
  EXPECT_EQ(hud.text.text, "Player\nScore: 0\nLives: 4");
}

TEST_F(PlayerTest, TheHudHangsOnTheReferenceLinesOfA16To10Screen) {
  settings.screenWidth = 1280;
  settings.screenHeight = 800;
  StartSmallGame();
  EXPECT_FLOAT_EQ(player->hud.panel.y0, 0.1f);
  EXPECT_FLOAT_EQ(player->hud.energyBar.y0, 0.87f);
  EXPECT_FLOAT_EQ(player->hud.energyBar.y1, 0.93f);
  EXPECT_FLOAT_EQ(boss->hud.barFrame.y0, 0.04f);
  EXPECT_FLOAT_EQ(boss->hud.healthBar.y1, 0.13f);
}

TEST_F(PlayerTest, TheFireSampleIsTheScenesWithItsThreeDimensionalRange) {
  StartSmallGame();
  EXPECT_EQ(Fake().Calls("Sample_Load(-1,'" + folder->Directory() + "fire2.wav'").size(), 1u);
  // The ship's fire sample and the boss's two, each heard from 2000 to 8000.
  EXPECT_EQ(Fake().Calls("Sample_SetMinMaxDistance(handle,2000,8000)").size(), 3u);
  RunFor(6.0f);
  Hold(settings.keyFire, true);
  Fake().calls.clear();
  Frames(1);
  EXPECT_EQ(Fake().Calls("PlaySound").size(), 1u);
  // Placed where the ship is (the plane's across is +z, its up +y).
  std::ostringstream at;
  at << "," << 0 << " " << player->planeY * 50.0f << " " << player->planeX * 50.0f << ",";
  const auto placed = Fake().Calls("3D_SetAttributes");
  ASSERT_FALSE(placed.empty());
  EXPECT_NE(placed.back().find(at.str()), std::string::npos) << placed.back() << " " << at.str();
}

}  // namespace
