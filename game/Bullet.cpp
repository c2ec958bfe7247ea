#include "game/Bullet.h"

#include <cmath>

#include "game/Explosion.h"
#include "game/Player.h"
#include "game/PlayPlane.h"
#include "scene/Scene.h"
#include "scene/SpriteBatch.h"
#include "scene/SpriteMaterials.h"

namespace {
constexpr float kTrailPeriod = 0.05f, kAcceleration = 50.0f, kLimit = 120.0f;
}  // namespace

void Bullet::Init() {
  player = scene ? static_cast<Player*>(scene->FindFirstByType("Player")) : nullptr;
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
  const KOR::Vector3 world = PlanePoint(planePosition);
  if (!trail) {
    sprite.size = size;
    sprite.colour = colour;
    sprite.position = world;
    if (!sprite.batch && scene && scene->GetSprites()) scene->GetSprites()->Add(&sprite);
  } else if (trailTimer < 0.0f) {
    trailTimer = kTrailPeriod;
    if (scene) Explosion(*scene, planePosition, 15.0f, 0.5f, 0.5f, true, false);
  }
  trailTimer -= dt;
  collisionPosition = world;
  collisionRadius = size;
  if (!InsideSquare(planePosition.x, planePosition.y, kLimit) && !killed) Kill();
}

void Bullet::OnCollision(KOR::Entity* other) {
  if (!killed && other->GetTypeName() == "Player") Kill();
}

Bullet& FireBullet(KOR::Scene& scene, const KOR::Vector3& planePosition, float angle) {
  auto& bullet = static_cast<Bullet&>(*scene.AddEntity(std::make_unique<Bullet>()));
  bullet.Init();
  bullet.SetTexture("exp1.tga");
  bullet.planePosition = planePosition;
  bullet.angle = angle;
  return bullet;
}
