#include "game/Player.h"

#include <algorithm>
#include <cmath>

#include "game/Explosion.h"
#include "game/GameSettings.h"
#include "game/PlayPlane.h"
#include "game/PlayerBullet.h"
#include "graphics/Mesh3DF.h"
#include "platform/win32/Windows.h"
#include "scene/CameraEntity.h"
#include "scene/Scene.h"
#include "sound/SoundSample.h"

namespace {
constexpr float kPathEnd = 104.0f;  // the path stops and the boss fight begins
constexpr float kSteerSpeed = 2.0f, kDrift = 0.99f;
constexpr float kInvulnerable = 3.0f, kHidden = 0.5f, kSlideEnd = 1.0f;
constexpr float kSoundRange = 2000.0f;
constexpr float kMusicVolume = 0.6f;

bool Held(uint32_t key) { return (GetAsyncKeyState(int(key)) & 0x8000) != 0; }
}  // namespace

bool Player::SteeringAllowed(float t) {
  return (t > 5.6f && t < 23.2f) || (t > 34.5f && t < 49.4f) || (t > 59.7f && t < 91.1f) || t > kPathEnd;
}

void Player::Initialise(const KOR::SceneObjectRecord& record) {
  StaticMeshEntity::Initialise(record);
  if (!scene) return;
  hud.Build(*scene);
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
      if (auto* camera = static_cast<KOR::CameraEntity*>(scene->FindFirstByType("CameraEntity")))
        camera->hasPath = false;  // its samplers keep the last view
  }

  // 3. Steering, or the glide back to the centre between windows.
  const bool steering = SteeringAllowed(age);
  if (steering) {
    if (Held(gameSettings.keyUp)) planeY += kSteerSpeed * dt;
    if (Held(gameSettings.keyDown)) planeY -= kSteerSpeed * dt;
    if (Held(gameSettings.keyRight)) planeX += kSteerSpeed * dt;
    if (Held(gameSettings.keyLeft)) planeX -= kSteerSpeed * dt;
    planeX = std::clamp(planeX, -2.0f, 2.0f);
    planeY = std::clamp(planeY, -1.0f, 1.0f);
  } else {
    planeX *= kDrift;  // once per frame, whatever dt is
    planeY *= kDrift;
  }

  // 4. Respawn timer and visibility: hidden, then blinking after a lost life.
  respawnTimer += dt;
  const float t = respawnTimer;
  visible = !((t < kInvulnerable && std::sin(60.0f * t) < 0.0f && lives < 4) || t < kHidden || lives < 0);

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
  const KOR::Quaternion q = rotationSampler;
  const KOR::Vector3 up = KOR::Rotate(q, {0, 1, 0}), across = KOR::Rotate(q, {0, 0, 1});
  gameSettings.planeUp[0] = up.x, gameSettings.planeUp[1] = up.y, gameSettings.planeUp[2] = up.z;
  gameSettings.planeAcross[0] = across.x, gameSettings.planeAcross[1] = across.y, gameSettings.planeAcross[2] = across.z;
  gameSettings.planeOrigin[0] = positionSampler.x, gameSettings.planeOrigin[1] = positionSampler.y;
  gameSettings.planeOrigin[2] = positionSampler.z;
  gameSettings.planeOrientation[0] = q.w, gameSettings.planeOrientation[1] = q.x;
  gameSettings.planeOrientation[2] = q.y, gameSettings.planeOrientation[3] = q.z;

  // 8. Position.
  node.position = collisionPosition = PlanePoint(planeX * kPlaneUnit, planeY * kPlaneUnit);
  collisionRadius = mesh ? mesh->GetRadius() * 0.5f : 0.0f;

  // 9, 10. Fire period and firing; a due shot that cannot be fired is lost.
  firePeriod = 1.0f / (15.0f * energy + 10.0f);
  const bool wantFire = Held(gameSettings.keyFire) && !Held(gameSettings.keyFillEnergy);
  fireCooldown -= dt;
  if (wantFire && fireCooldown < 0.0f) {
    fireCooldown = firePeriod;
    if (t >= 1.0f && steering && lives >= 0) Fire();
  }

  // 11, 12. Energy, and the cage charged while the fill key is held.
  energy = std::clamp(energy, 0.0f, 1.0f);
  if (!Held(gameSettings.keyFillEnergy)) cage = 0.0f;
  else cage = std::clamp(cage + 0.3f * dt, 0.0f, energy);

  // 13. HUD.
  hud.Update(gameSettings.playerName, score, lives, energy, cage, fadeColour);
}

void Player::Fire() {
  if (!scene) return;
  auto& shot = static_cast<PlayerBullet&>(*scene->AddEntity(std::make_unique<PlayerBullet>()));
  shot.planePosition = {planeX + 0.3f, gunSide == 0 ? planeY - 0.07f : planeY + 0.07f, planeZ};
  shot.power = energy;
  shot.owner = this;
  shot.stamp = age;
  gunSide = (gunSide + 1) % 2;
  energy -= 0.005f;
  if (fireSound) fireSound->Play().SetPosition({node.position.x, node.position.y, node.position.z});
}

void Player::OnCollision(KOR::Entity* other) {
  const std::string type = other->GetTypeName();
  if (type != "EnemyEntity" && type != "Bullet" && type != "Boss") return;
  if (respawnTimer <= kInvulnerable) return;
  energy *= 0.5f;
  if (!invulnerable) lives -= 1;
  respawnTimer = 0.0f;
  if (scene) Explosion(*scene, PlanePosition(), 30.0f, 0.25f, 1.0f, false, true);
  if (lives < 0) {
    respawnTimer = -2.0f;
    hud.ShowFade();
  }
}
