#pragma once
// The player's ship: flies the level's path, steers by the frame's command inside the play
// plane it publishes for everyone else, fires, charges its cage, loses lives when hit,
// owns the HUD and starts the boss music. The game over ends the scene's run.

#include <memory>

#include "game/gameplay/GameRules.h"
#include "game/gameplay/PlayPlane.h"
#include "game/hud/PlayerHud.h"
#include "scene/StaticMeshEntity.h"
#include "sound/SoundChannel.h"
#include "sound/SoundStream.h"

namespace KOR {
class SoundSample;
}
class GameSession;

class Player : public KOR::StaticMeshEntity {
public:
  // A removed ship is no longer the game's.
  ~Player() override;
  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<Player>(); }
  std::string GetTypeName() const override { return "Player"; }
  // The mesh entity's set-up, then (in a game) the HUD, the fire sample and the (silent)
  // boss music.
  void Initialise(const KOR::SceneObjectRecord& record) override;
  void Update(float dt) override;
  // A hit by an enemy, a bullet or the boss, once three seconds have passed since the
  // last (re)spawn, costs half the energy and a life.
  void OnCollision(KOR::Entity* other) override;

  // Where enemies and bullets aim: the ship in world units of the plane.
  KOR::Vector3 PlanePosition() const { return {planeX * kPlaneUnit, planeY * kPlaneUnit, 0.0f}; }
  // Steering and firing are possible at this level time (all bounds exclusive).
  static bool SteeringAllowed(float levelTime);
  bool IsGameOver() const { return lives < 0; }

  PlayerHud hud;
  int gunSide = 0;  // 0 lower, 1 upper
  float energy = 0.0f;
  float cage = 0.0f;
  int lives = kStartLives;
  float respawnTimer = 0.0f;  // since the last (re)spawn; −2 at game over
  int score = 0;
  KOR::Colour fadeColour{0, 0, 0, 0};
  KOR::SoundSample* fireSound = nullptr;  // the scene's
  bool bossMusicStarted = false;
  KOR::SoundStream bossMusic;
  KOR::SoundChannel bossMusicChannel;
  float planeX = 0.0f;  // −2 … 2 plane units
  float planeY = 0.0f;  // −1 … 1
  float planeZ = 0.0f;
  float firePeriod = 0.0f;
  float fireCooldown = 0.0f;

private:
  void Fire();
  GameSession* game = nullptr;
};
