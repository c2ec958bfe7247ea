#include "game/gameplay/EnemyEntity.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/Explosion.h"
#include "game/gameplay/GameRules.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/Player.h"
#include "game/gameplay/PlayerBullet.h"
#include "graphics/Mesh3DF.h"
#include "scene/SceneRecords.h"

namespace {
constexpr float kLeaveAt = -120.0f, kShotPeriod = 1.0f;

// Cut to the field, always terminated; the rest of the field stays zero.
void CopyName(char (&field)[KOR::SceneFileFormat::kNameSize], const std::string& name) {
  const size_t n = std::min(name.size(), sizeof field - 1);
  std::memcpy(field, name.data(), n);
}
}  // namespace

EnemyEntity::~EnemyEntity() {
  if (active && scene) scene->UnregisterNode(&node);
}

void EnemyEntity::Setup(const EnemySpawn& spawn) {
  model = spawn.model;
  diffuse = spawn.diffuse;
  normal = spawn.normal;
  specular = spawn.specular;
  shininess = spawn.shininess;
  gun = spawn.gun;
  gunKind = gun == "simple" ? SimpleGun : gun == "homing" ? HomingGun : NoGun;
  energy = spawn.energy;
  startPosition = {spawn.position.x, spawn.position.y, spawn.position.z};
  movement = spawn.movement;
  speed = spawn.speed;
  freq = spawn.freq;
  amplitude = spawn.amplitude;
  phase = spawn.phase;
  start = spawn.start;
  if (!scene) return;

  mesh = scene->GetMesh(model);
  // Every byte defined (names and padding zero, colour white), so equal descriptions are
  // equal bytes and share one material.
  KOR::SceneMaterialBlock block{};
  for (float& c : block.colour) c = 1.0f;
  block.shininess = shininess;
  CopyName(block.diffuseName, diffuse);
  CopyName(block.normalName, normal);
  CopyName(block.specularName, specular);
  material = scene->GetMaterial(block);

  node.renderable = mesh->GetRenderable();
  node.boundsMin = mesh->GetBoundsMin();
  node.boundsMax = mesh->GetBoundsMax();
  node.material = material;
  hitPoints = energy - 1;
  planePosition = startPosition;
  game = SessionOf(scene);
  player = game ? game->player : nullptr;
}

void EnemyEntity::Update(float dt) {
  if (!active) {
    if (age > start) {
      if (scene) scene->RegisterNode(&node);
      active = true;
    }
    if (!active) return;
  }

  switch (movement) {
    case Forward: planePosition.x -= speed * dt; break;
    case Sine:
      planePosition.x -= speed * dt;
      planePosition.y = startPosition.y + amplitude * std::sin(2.0f * kPi * (age * freq + phase));
      break;
    case Seek: break;  // keeps its place in the travelling plane
    default: break;
  }

  if (game) {
    node.position = collisionPosition = game->plane.Point(planePosition);
    node.rotation = game->plane.orientation;
  }
  if (planePosition.x < kLeaveAt && !killed) Kill();
  collisionRadius = mesh ? mesh->GetRadius() * 0.5f : 0.0f;

  if (gunKind == NoGun || !player || !game) return;
  fireTimer -= dt;
  if (fireTimer >= 0.0f) return;
  fireTimer = firePeriod;
  const float a = AngleTo(player->PlanePosition(), planePosition);
  // Only at a player ahead, on the −x side.
  if (!(a > kPi / 2.0f && a < 3.0f * kPi / 2.0f)) return;
  firePeriod = kShotPeriod;
  Bullet& shot = FireBullet(*game, planePosition, a);
  shot.homing = gunKind == HomingGun;
}

void EnemyEntity::OnCollision(KOR::Entity* other) {
  // A dying enemy has exploded and scored already.
  if (!active || killed) return;
  auto* shot = dynamic_cast<PlayerBullet*>(other);
  // A shot that has hit something this frame is spent: one shot, one hit.
  if (!shot || shot->hit) return;
  hitPoints -= 1;
  if (hitPoints >= 0) return;
  if (game) Explosion(*game, planePosition, kShipBlast);
  Kill();
  if (player) player->score += EnemyPoints(player->energy, energy);
}
