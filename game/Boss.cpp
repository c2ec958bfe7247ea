#include "game/Boss.h"

#include <cmath>

#include "game/Bullet.h"
#include "game/Explosion.h"
#include "game/GameRandom.h"
#include "game/GameRules.h"
#include "game/Player.h"
#include "game/PlayerBullet.h"
#include "game/PlayPlane.h"
#include "graphics/Mesh3DF.h"
#include "scene/Scene.h"
#include "sound/SoundSample.h"

namespace {
constexpr float kWakeAt = 104.0f;
constexpr float kPortPeriod = 1.5f, kVolleyWindow = 0.3f, kVolleyPeriod = 0.01f, kShotSpeed = 120.0f;
constexpr float kSpread = 35.0f * kPi / 180.0f;
constexpr float kDamage = 0.0025f;
constexpr float kDeathTime = 6.0f, kDeathBlastPeriod = 0.1f;
constexpr float kSoundRange = 2000.0f;
}  // namespace

bool Boss::alternation = false;

KOR::Vector3 Boss::PortPosition(int port) {
  static const KOR::Vector3 ports[4] = {{45, 40, 0}, {70, 20, 0}, {70, -20, 0}, {45, -40, 0}};
  return ports[port & 3];
}

void Boss::Initialise(const KOR::SceneObjectRecord& record) {
  StaticMeshEntity::Initialise(record);
  if (!scene) return;
  hud.Build(*scene);
  missileSound = scene->GetSound("flames.wav", true);
  volleySound = scene->GetSound("fire3.wav", true);
  for (KOR::SoundSample* s : {missileSound, volleySound})
    if (s) s->SetDistance(kSoundRange);
}

void Boss::Update(float dt) {
  StaticMeshEntity::Update(dt);
  collisionPosition = positionSampler;
  // Once dying it is out of the fight: no more hits, no second death.
  if (phase != 4) collisionRadius = mesh ? mesh->GetRadius() * 0.5f : 0.0f;

  if (age > kWakeAt && phase == 0) {
    phase = 1;
    hud.ShowBar();
    missilesOn = true;
  } else {
    if (phase == 1 && health < 0.5f) {
      phase = 2;
      missilesOn = false;
      gunsOn = true;
    }
    if (phase == 2 && health < 0.25f) {
      phase = 3;
      missilesOn = true;
      gunsOn = true;
    }
  }

  if (phase != 4 && age > kWakeAt) Fight(dt);
  if (phase == 4) Die(dt);
  hud.Update(health, fadeColour);
}

void Boss::Fight(float dt) {
  moveTimer -= dt;
  volleyTimer -= dt;
  const KOR::Vector3 p = PortPosition(port);
  if (moveTimer < kVolleyWindow && volleyTimer < 0.0f && gunsOn && (phase != 3 || alternation)) {
    volleyTimer = kVolleyPeriod;
    for (float angle : {aim, aim + kSpread, aim - kSpread}) FireBullet(*scene, p, angle).speed = kShotSpeed;
    PlayAt(volleySound, p);
  }
  if (moveTimer < 0.0f && missilesOn && (phase != 3 || !alternation)) {
    Bullet& missile = FireBullet(*scene, p, aim);
    missile.speed = kShotSpeed;
    missile.homing = missile.trail = true;
    PlayAt(missileSound, p);
  }
  if (moveTimer < 0.0f) {
    int next;
    do next = GameRand() % 4;
    while (next == port);
    port = next;
    moveTimer = kPortPeriod;
    // Without a player the guns keep their last aim.
    if (auto* player = static_cast<Player*>(scene->FindFirstByType("Player")))
      aim = AngleTo(player->PlanePosition(), PortPosition(port));
    alternation = !alternation;
    if (phase == 3 && !alternation) moveTimer = -1.0f;
  }
}

void Boss::Die(float dt) {
  moveTimer -= dt;
  volleyTimer -= dt;
  if (moveTimer < 0.0f) scene->Stop();
  if (volleyTimer < 0.0f) {
    volleyTimer = kDeathBlastPeriod;
    const float x = Random(50.0f, 90.0f);
    const float y = Random(-20.0f, 20.0f);
    Explosion(*scene, {x, y, 0.0f}, 30.0f, 0.25f, 1.0f, false, true);
  }
  fadeColour = {0, 0, 0, 1.0f - moveTimer / kDeathTime};
}

void Boss::OnCollision(KOR::Entity* other) {
  if (other->GetTypeName() != "PlayerBullet") return;
  // A shot that has hit something this frame is spent: one shot, one hit.
  if (static_cast<PlayerBullet*>(other)->hit) return;
  health -= kDamage;
  if (health >= 0.0f || phase == 4) return;
  phase = 4;
  gunsOn = missilesOn = true;
  collisionRadius = 0.0f;
  hud.HideBar();
  moveTimer = kDeathTime;
  volleyTimer = kDeathBlastPeriod;
  if (scene) {
    for (KOR::Entity* shot : scene->FindAllByType("Bullet"))
      if (!shot->killed) shot->Kill();
    if (auto* player = static_cast<Player*>(scene->FindFirstByType("Player")))
      player->score += BossBonus(player->lives);
  }
  hud.ShowFade();
}

void Boss::PlayAt(KOR::SoundSample* sound, const KOR::Vector3& planePosition) {
  if (!sound) return;
  const KOR::Vector3 w = PlanePoint(planePosition);
  sound->Play().SetPosition({w.x, w.y, w.z});
}
