#pragma once
// The player's shot: a streak flying along the play plane at 12 plane units per second,
// coloured by the energy it was fired with; its first hit gives the player energy.

#include <memory>

#include "core/Vector.h"
#include "graphics/PixelFormat.h"
#include "scene/Entity.h"
#include "scene/WorldSprite.h"

class Player;

class PlayerBullet : public KOR::Entity {
public:
  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<PlayerBullet>(); }
  // On its first frame: the streak's material, and the streak listed for drawing.
  void PreUpdate() override;
  void Update(float dt) override;
  void OnCollision(KOR::Entity* other) override;
  std::string GetTypeName() const override { return "PlayerBullet"; }
  void Initialise(const KOR::SceneObjectRecord&) override {}

  // From blue-grey (0.2, 0.4, 0.7) at power 0 through light blue to white at power 1.
  static KOR::Colour ColourFor(float power);

  bool hit = false;
  Player* owner = nullptr;
  KOR::Vector3 planePosition;  // plane units (50 world units)
  KOR::StreakSprite streak;
  bool initialised = false;
  float power = 0.0f;
  float stamp = 0.0f;  // the player's age at firing; varies the width
};
