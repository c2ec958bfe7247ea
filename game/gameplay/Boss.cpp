#include "game/gameplay/Boss.h"

#include <cmath>

#include "game/gameplay/Bullet.h"
#include "game/gameplay/Explosion.h"
#include "game/gameplay/GameRules.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/LevelOne.h"
#include "game/gameplay/Player.h"
#include "game/gameplay/PlayerBullet.h"
#include "graphics/Mesh3DF.h"
#include "sound/SoundSample.h"

namespace {
constexpr float kWakeAt = LevelOne::kPathEnd;
constexpr float kPortPeriod = 1.5f, kVolleyWindow = 0.3f, kVolleyPeriod = 0.01f, kShotSpeed = 120.0f;
constexpr float kSpread = 35.0f * kPi / 180.0f;
constexpr float kDamage = 0.0025f;
constexpr float kDeathTime = 6.0f, kDeathBlastPeriod = 0.1f;
constexpr float kSoundRange = 2000.0f;
}  // namespace

KOR::Vector3 Boss::PortPosition(int port) {
  const LevelOne::PortPosition& p = LevelOne::kBossPorts[port & 3];
  return {p.x, p.y, 0.0f};
}

Boss::~Boss() {
  if (game && game->boss == this) game->boss = nullptr;
}

void Boss::Initialise(const KOR::SceneObjectRecord& record) {
  StaticMeshEntity::Initialise(record);
  game = SessionOf(scene);
  if (!game) return;
  hud.Build(*game, game->hudLines);
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

  // Outside a game there is no plane to fight in.
  if (!game) return;
  if (phase != 4 && age > kWakeAt) Fight(dt);
  if (phase == 4) Die(dt);
  hud.Update(health, fadeColour);
}

void Boss::Fight(float dt) {
  moveTimer -= dt;
  volleyTimer -= dt;
  const KOR::Vector3 p = PortPosition(port);
  bool& alternation = game->bossAlternation;
  if (moveTimer < kVolleyWindow && volleyTimer < 0.0f && gunsOn && (phase != 3 || alternation)) {
    volleyTimer = kVolleyPeriod;
    for (float angle : {aim, aim + kSpread, aim - kSpread}) FireBullet(*game, p, angle).speed = kShotSpeed;
    PlayAt(volleySound, p);
  }
  if (moveTimer < 0.0f && missilesOn && (phase != 3 || !alternation)) {
    Bullet& missile = FireBullet(*game, p, aim);
    missile.speed = kShotSpeed;
    missile.homing = missile.trail = true;
    PlayAt(missileSound, p);
  }
  if (moveTimer < 0.0f) {
    int next;
    do next = game->random.Next() % 4;
    while (next == port);
    port = next;
    moveTimer = kPortPeriod;
    // Without a player the guns keep their last aim.
    if (const Player* player = game->player) aim = AngleTo(player->PlanePosition(), PortPosition(port));
    alternation = !alternation;
    if (phase == 3 && !alternation) moveTimer = -1.0f;
  }
}

void Boss::Die(float dt) {
  moveTimer -= dt;
  volleyTimer -= dt;
  if (moveTimer < 0.0f) game->Stop();
  if (volleyTimer < 0.0f) {
    volleyTimer = kDeathBlastPeriod;
    const float x = game->random.Between(50.0f, 90.0f);
    const float y = game->random.Between(-20.0f, 20.0f);
    Explosion(*game, {x, y, 0.0f}, kShipBlast);
  }
  fadeColour = {0, 0, 0, 1.0f - moveTimer / kDeathTime};
}

void Boss::OnCollision(KOR::Entity* other) {
  auto* shot = dynamic_cast<PlayerBullet*>(other);
  // A shot that has hit something this frame is spent: one shot, one hit.
  if (!shot || shot->hit) return;
  health -= kDamage;
  if (health >= 0.0f || phase == 4) return;
  phase = 4;
  gunsOn = missilesOn = true;
  collisionRadius = 0.0f;
  hud.HideBar();
  moveTimer = kDeathTime;
  volleyTimer = kDeathBlastPeriod;
  if (scene)
    for (Bullet* enemyShot : scene->FindAll<Bullet>())
      if (!enemyShot->killed) enemyShot->Kill();
  if (game && game->player) game->player->score += BossBonus(game->player->lives);
  hud.ShowFade();
}

void Boss::PlayAt(KOR::SoundSample* sound, const KOR::Vector3& planePosition) {
  if (!sound) return;
  const KOR::Vector3 w = game->plane.Point(planePosition);
  sound->Play().SetPosition({w.x, w.y, w.z});
}
