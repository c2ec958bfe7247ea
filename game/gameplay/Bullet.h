#pragma once
// Every shot of enemies and the boss, the boss's homing missiles included: a point sprite
// (or, for a trail, puffs of smoke) flying in the play plane, removed when it leaves the
// plane or touches the player.

#include <memory>
#include <string>

#include "core/Vector.h"
#include "graphics/PixelFormat.h"
#include "scene/Entity.h"
#include "scene/WorldSprite.h"

class GameSession;
class Player;

class Bullet : public KOR::Entity {
public:
  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<Bullet>(); }
  void PreUpdate() override {}
  void Update(float dt) override;
  void OnCollision(KOR::Entity* other) override;
  std::string GetTypeName() const override { return "Bullet"; }
  void Initialise(const KOR::SceneObjectRecord&) override {}

  // After AddEntity: the game and its player (the homing target).
  void Init();
  // The sprite's additive material for the texture.
  void SetTexture(const std::string& name);

  GameSession* game = nullptr;
  Player* player = nullptr;
  KOR::PointSprite sprite;
  bool homing = false;
  bool trail = false;
  float speed = 125.0f;  // world units per second
  float angle = 3.14159265f;
  float size = 2.5f;  // sprite size and collision radius
  KOR::Colour colour{1, 1, 1, 1};
  KOR::Vector3 planePosition;  // world units
  float trailTimer = 0.05f;    // to the next puff; also when a missile turns
};

// A shot of an enemy or the boss, added and set up as the shooters do it.
Bullet& FireBullet(GameSession& game, const KOR::Vector3& planePosition, float angle);
