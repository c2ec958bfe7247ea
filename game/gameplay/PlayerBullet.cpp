#include "game/gameplay/PlayerBullet.h"

#include <algorithm>
#include <cmath>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/Explosion.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/Player.h"
#include "scene/SpriteBatch.h"
#include "scene/SpriteMaterials.h"

namespace {
constexpr float kSpeed = 12.0f, kRightEdge = 2.1f, kEnergyPerHit = 0.0135f;
}  // namespace

KOR::Colour PlayerBullet::ColourFor(float e) {
  const float c0 = std::clamp(2.0f * e - 1.0f, 0.0f, 1.0f);
  const float c1 = std::clamp(e, 0.0f, 1.0f);
  const float c2 = std::clamp(2.0f * e, 0.0f, 1.0f);
  return {0.2f * (1.0f - c0) + c0, 0.4f * (1.0f - c1) + c1, 0.7f * (1.0f - c2) + c2, 1.0f};
}

void PlayerBullet::PreUpdate() {
  if (initialised || !scene) return;
  initialised = true;
  streak.passMask = 1;
  streak.material = scene->GetSpriteMaterials().Get("bullet1.tga", KOR::SpriteBlend::Additive);
  if (KOR::SpriteBatch* batch = scene->GetSprites()) batch->Add(&streak);
}

void PlayerBullet::Update(float dt) {
  // Fired during the player's update, it moves before its first PreUpdate.
  const GameSession* game = SessionOf(scene);
  const PlayPlane plane = game ? game->plane : PlayPlane{};
  const KOR::Vector3 p = plane.Point(planePosition.x * kPlaneUnit, planePosition.y * kPlaneUnit);
  streak.position = p;
  streak.direction = plane.across;
  streak.passMask = 1;
  streak.length = 15.0f;
  streak.width = (0.8f + 0.2f * std::sin(10.0f * stamp)) * 5.0f;
  collisionPosition = p;
  collisionRadius = 10.0f;
  planePosition.x += kSpeed * dt;
  // NaN counts as gone too.
  if (!(planePosition.x < kRightEdge) && !killed) Kill();
  streak.colour = ColourFor(power);
}

void PlayerBullet::OnCollision(KOR::Entity* other) {
  if (hit) return;
  if (dynamic_cast<Player*>(other) || dynamic_cast<Bullet*>(other)) return;
  Kill();
  hit = true;
  if (owner) owner->energy += kEnergyPerHit;
  if (GameSession* game = SessionOf(scene)) HitSparks(*game, planePosition * kPlaneUnit, streak.colour);
}
