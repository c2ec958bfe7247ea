#pragma once
// The end opponent: placed by the scene file, it wakes when the path ends and fights
// from four gun ports in three phases set by its health (missiles; spread
// volleys; both, alternating), then explodes for six seconds and ends the game.

#include <memory>

#include "game/hud/BossHud.h"
#include "scene/StaticMeshEntity.h"

namespace KOR {
class SoundSample;
}
class GameSession;

class Boss : public KOR::StaticMeshEntity {
public:
  // A removed boss is no longer the game's.
  ~Boss() override;
  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<Boss>(); }
  std::string GetTypeName() const override { return "Boss"; }
  // The mesh entity's set-up, then (in a game) the HUD and the missile and volley samples.
  void Initialise(const KOR::SceneObjectRecord& record) override;
  void Update(float dt) override;
  // Only the player's shots hurt it.
  void OnCollision(KOR::Entity* other) override;

  // Plane positions (world units) of the four ports.
  static KOR::Vector3 PortPosition(int port);

  BossHud hud;
  float moveTimer = 1.5f;    // to the next port change; dying: the time left
  float volleyTimer = 0.01f; // to the next spread shot; dying: to the next explosion
  int port = 0;
  float aim = 3.14159265f;
  bool gunsOn = false;
  bool missilesOn = false;
  float health = 1.0f;
  int phase = 0;  // 0 waiting, 1 … 3 fighting, 4 dying
  KOR::Colour fadeColour{0, 0, 0, 0};
  KOR::SoundSample* missileSound = nullptr;  // the scene's
  KOR::SoundSample* volleySound = nullptr;   // the scene's

private:
  void Fight(float dt);
  void Die(float dt);
  void PlayAt(KOR::SoundSample* sound, const KOR::Vector3& planePosition);
  GameSession* game = nullptr;
};
