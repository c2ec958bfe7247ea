#include "game/gameplay/Player.h"

#include <algorithm>
#include <cmath>

#include "game/gameplay/Boss.h"
#include "game/gameplay/Bullet.h"
#include "game/gameplay/EnemyEntity.h"
#include "game/gameplay/Explosion.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/LevelOne.h"
#include "game/gameplay/PlayerBullet.h"
#include "graphics/Mesh3DF.h"
#include "scene/CameraEntity.h"
#include "sound/SoundSample.h"

namespace {
using LevelOne::kPathEnd;
constexpr float kSteerSpeed = 2.0f, kDrift = 0.99f;
constexpr float kInvulnerable = 3.0f, kHidden = 0.5f, kSlideEnd = 1.0f;
constexpr float kSoundRange = 2000.0f;
constexpr float kMusicVolume = 0.6f;
}  // namespace

bool Player::SteeringAllowed(float t) {
  for (const LevelOne::TimeWindow& window : LevelOne::kSteeringWindows)
    if (t > window.from && t < window.to) return true;
  return t > kPathEnd;
}

Player::~Player() {
  if (game && game->player == this) game->player = nullptr;
}

void Player::Initialise(const KOR::SceneObjectRecord& record) {
  StaticMeshEntity::Initialise(record);
  game = SessionOf(scene);
  if (!game) return;
  hud.Build(*game, game->hudLines);
  fireSound = scene->GetSound("fire2.wav", true);
  if (fireSound) fireSound->SetDistance(kSoundRange);
  bossMusicStarted = false;
  bossMusic.Open("assets/boss.mp3");
  bossMusic.SetLoop(true);
}

void Player::Update(float dt) {
  // 1. The path, until the boss.
  if (hasPath) {
    if (age < kPathEnd) {
      positionTrack.Advance(dt);
      rotationTrack.Advance(dt);
    }
    positionTrack.Sample(positionSampler);
    rotationTrack.Sample(rotationSampler);
    node.rotation = rotationSampler;
  }

  // 2. The boss music, and the camera stays where the path ended.
  if (age > kPathEnd && !bossMusicStarted) {
    bossMusicChannel = bossMusic.Play();
    bossMusicChannel.SetVolume(kMusicVolume);
    bossMusicStarted = true;
    if (scene)
      if (auto* camera = scene->FindFirst<KOR::CameraEntity>()) camera->hasPath = false;  // keeps the last view
  }

  // 3. Steering, or the glide back to the centre between windows.
  const PlayCommand command = game ? game->command : PlayCommand{};
  const bool steering = SteeringAllowed(age);
  if (steering) {
    if (command.up) planeY += kSteerSpeed * dt;
    if (command.down) planeY -= kSteerSpeed * dt;
    if (command.right) planeX += kSteerSpeed * dt;
    if (command.left) planeX -= kSteerSpeed * dt;
    planeX = std::clamp(planeX, -2.0f, 2.0f);
    planeY = std::clamp(planeY, -1.0f, 1.0f);
  } else {
    planeX *= kDrift;  // once per frame, whatever dt is
    planeY *= kDrift;
  }

  // 4. Respawn timer and visibility: hidden, then blinking after a lost life.
  respawnTimer += dt;
  const float t = respawnTimer;
  visible = !((t < kInvulnerable && std::sin(60.0f * t) < 0.0f && lives < kStartLives) || t < kHidden || lives < 0);

  // 5. The entry slide from the left edge.
  if (t > kHidden && t < kSlideEnd) {
    planeY = 0.0f;
    planeX = 2.0f * (t - kHidden) - 2.0f;
  }

  // 6. Game over: three seconds of fade, then the run ends.
  if (lives < 0) {
    if (t > 1.0f && scene) scene->Stop();
    if (t < 1.0f) fadeColour = {0, 0, 0, (t + 2.0f) * 0.33333334f};
  }

  // 7. The play plane everyone else flies in.
  PlayPlane published;
  const KOR::Quaternion q = rotationSampler;
  published.up = KOR::Rotate(q, {0, 1, 0});
  published.across = KOR::Rotate(q, {0, 0, 1});
  published.origin = positionSampler;
  published.orientation = q;
  if (game) game->plane = published;

  // 8. Position.
  node.position = collisionPosition = published.Point(planeX * kPlaneUnit, planeY * kPlaneUnit);
  collisionRadius = mesh ? mesh->GetRadius() * 0.5f : 0.0f;

  // 9, 10. Fire period and firing; a due shot that cannot be fired is lost.
  firePeriod = 1.0f / (15.0f * energy + 10.0f);
  const bool wantFire = command.fire && !command.fill;
  fireCooldown -= dt;
  if (wantFire && fireCooldown < 0.0f) {
    fireCooldown = firePeriod;
    if (t >= 1.0f && steering && lives >= 0) Fire();
  }

  // 11, 12. Energy, and the cage charged while the fill key is held.
  energy = std::clamp(energy, 0.0f, 1.0f);
  if (!command.fill) cage = 0.0f;
  else cage = std::clamp(cage + 0.3f * dt, 0.0f, energy);

  // 13. HUD.
  if (game) hud.Update(game->setup.playerName, score, ShownLives(lives), energy, cage, fadeColour);
}

void Player::Fire() {
  if (!game) return;
  auto& shot = static_cast<PlayerBullet&>(*game->AddEntity(std::make_unique<PlayerBullet>()));
  shot.planePosition = {planeX + 0.3f, gunSide == 0 ? planeY - 0.07f : planeY + 0.07f, planeZ};
  shot.power = energy;
  shot.owner = this;
  shot.stamp = age;
  gunSide = (gunSide + 1) % 2;
  energy -= 0.005f;
  if (fireSound) fireSound->Play().SetPosition({node.position.x, node.position.y, node.position.z});
}

void Player::OnCollision(KOR::Entity* other) {
  if (!dynamic_cast<EnemyEntity*>(other) && !dynamic_cast<Bullet*>(other) && !dynamic_cast<Boss*>(other)) return;
  if (respawnTimer <= kInvulnerable) return;
  energy *= 0.5f;
  if (!game || !game->setup.invulnerable) lives -= 1;
  respawnTimer = 0.0f;
  if (game) Explosion(*game, PlanePosition(), kShipBlast);
  if (lives < 0) {
    respawnTimer = -2.0f;
    hud.ShowFade();
  }
}
