#include "game/gameplay/Bullet.h"

#include <cmath>

#include "game/gameplay/Explosion.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/Player.h"
#include "scene/SpriteBatch.h"
#include "scene/SpriteMaterials.h"

namespace {
constexpr float kTrailPeriod = 0.05f, kAcceleration = 50.0f, kLimit = 120.0f;
}  // namespace

void Bullet::Init() {
  game = SessionOf(scene);
  player = game ? game->player : nullptr;
}

void Bullet::SetTexture(const std::string& name) {
  if (scene) sprite.material = scene->GetSpriteMaterials().Get(name, KOR::SpriteBlend::Additive);
}

void Bullet::Update(float dt) {
  if (homing) {
    // Without a player there is nothing to turn towards.
    if (trailTimer < 0.0f && player)
      angle = 0.9f * angle + 0.1f * AngleTo(player->PlanePosition(), planePosition);
    speed += kAcceleration * dt;
  }
  planePosition.x += std::cos(angle) * speed * dt;
  planePosition.y += std::sin(angle) * speed * dt;
  const KOR::Vector3 world = game ? game->plane.Point(planePosition) : planePosition;
  if (!trail) {
    sprite.size = size;
    sprite.colour = colour;
    sprite.position = world;
    if (!sprite.batch && scene && scene->GetSprites()) scene->GetSprites()->Add(&sprite);
  } else if (trailTimer < 0.0f) {
    trailTimer = kTrailPeriod;
    if (game) Explosion(*game, planePosition, kTrailPuff);
  }
  trailTimer -= dt;
  collisionPosition = world;
  collisionRadius = size;
  if (!InsideSquare(planePosition.x, planePosition.y, kLimit) && !killed) Kill();
}

void Bullet::OnCollision(KOR::Entity* other) {
  if (!killed && dynamic_cast<Player*>(other)) Kill();
}

Bullet& FireBullet(GameSession& game, const KOR::Vector3& planePosition, float angle) {
  auto& bullet = static_cast<Bullet&>(*game.AddEntity(std::make_unique<Bullet>()));
  bullet.Init();
  bullet.SetTexture("exp1.tga");
  bullet.planePosition = planePosition;
  bullet.angle = angle;
  return bullet;
}
