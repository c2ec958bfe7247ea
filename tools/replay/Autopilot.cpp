#include "tools/replay/Autopilot.h"

#include <algorithm>
#include <cmath>

#include "game/gameplay/Boss.h"
#include "game/gameplay/Bullet.h"
#include "game/gameplay/EnemyEntity.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/PlayPlane.h"
#include "game/gameplay/Player.h"

namespace {

// What a player learns of the ship by flying it, in world units of the plane: how fast
// it steers, where it may go, where its shots start, how fast they fly and where they end.
constexpr float kShipSpeed = 2.0f * kPlaneUnit;
constexpr float kMaxX = 2.0f * kPlaneUnit, kMaxY = 1.0f * kPlaneUnit;
constexpr float kMuzzle = 0.3f * kPlaneUnit, kShotSpeed = 12.0f * kPlaneUnit, kReach = 2.1f * kPlaneUnit;
constexpr float kShotRadius = 10.0f, kGunOffset = 0.07f * kPlaneUnit;
// And of the missiles: they speed up, and turn a tenth of the way towards the ship each
// time they turn (a launcher's every frame, the boss's every twentieth of a second).
constexpr float kMissileAcceleration = 50.0f, kMissileTurn = 0.1f, kTrailTurnPeriod = 0.05f;
// Where it likes to fly: far left, where missiles that miss leave the plane at once and
// shots and hulls come from far away.
constexpr float kHomeX = -1.7f * kPlaneUnit;
constexpr int kSteps = 20;
constexpr float kStep = Autopilot::kLookAhead / kSteps;

// The plane position (world units) of a point in the world.
KOR::Vector3 InPlane(const PlayPlane& plane, const KOR::Vector3& world) {
  const KOR::Vector3 d = world - plane.origin;
  return {KOR::Dot(d, plane.across), KOR::Dot(d, plane.up), 0.0f};
}

}  // namespace

void Autopilot::Reset() {
  seen.clear();
  lastAge = -1.0f;
}

float Autopilot::DangerOf(const KOR::Vector3* path, int steps, float step, float shipRadius) const {
  float danger = 0.0f;
  for (const Threat& threat : threats) {
    KOR::Vector3 p = threat.position;
    float angle = threat.angle, speed = threat.speed, turnIn = threat.turnIn;
    for (int k = 0; k < steps; ++k) {
      if (threat.homing) {
        turnIn -= step;
        if (turnIn < 0.0f) {
          // Several turns may fall in one step; the blend compounds.
          const float period = threat.turnPeriod;
          const float turns = std::max(1.0f, step / period);
          const float keep = std::pow(1.0f - kMissileTurn, turns);
          angle = keep * angle + (1.0f - keep) * AngleTo(path[k], p);
          turnIn = period;
        }
        speed += kMissileAcceleration * step;
        p.x += std::cos(angle) * speed * step;
        p.y += std::sin(angle) * speed * step;
      } else {
        p.x += threat.velocity.x * step;
        p.y += threat.velocity.y * step;
      }
      const float dx = p.x - path[k].x, dy = p.y - path[k].y;
      const float gap = std::sqrt(dx * dx + dy * dy) - shipRadius - threat.radius;
      const float soon = 2.0f - float(k) / float(steps);
      if (gap < 0.0f) {
        danger += 100.0f * soon;
        break;
      }
      if (gap < kMargin) danger += 0.1f * soon * (kMargin - gap) / kMargin;
    }
  }
  return danger;
}

PlayCommand Autopilot::Fly(const GameSession& game) {
  PlayCommand command;
  const Player* player = game.player;
  if (!player) return command;
  const float now = player->GetAge();
  const float dt = lastAge >= 0.0f && now > lastAge ? now - lastAge : 0.0f;
  lastAge = now;
  const KOR::Vector3 ship = player->PlanePosition();

  // What is in the plane now, and the nearest enemy a shot can reach.
  threats.clear();
  seenNow.clear();
  bool haveTarget = false;
  float targetDistance = 1e30f, targetY = 0.0f, targetRadius = 0.0f;
  auto consider = [&](const KOR::Vector3& p, const KOR::Vector3& v, float radius) {
    const float ahead = p.x - (ship.x + kMuzzle);
    if (p.x - radius >= kReach || ahead + radius <= 0.0f) return;
    const float dx = p.x - ship.x, dy = p.y - ship.y;
    const float distance = std::sqrt(dx * dx + dy * dy);
    if (distance >= targetDistance) return;
    targetDistance = distance;
    // Where it will be when a shot gets there.
    const float flight = std::max(ahead, 0.0f) / std::max(kShotSpeed - v.x, kShotSpeed);
    targetY = p.y + v.y * flight;
    targetRadius = radius;
    haveTarget = true;
  };
  for (const EnemyEntity* enemy : game.FindAll<EnemyEntity>()) {
    if (!enemy->active || enemy->killed) continue;
    KOR::Vector3 velocity{0, 0, 0};
    for (const Seen& s : seen)
      if (s.enemy == enemy && dt > 0.0f) velocity = (enemy->planePosition - s.position) * (1.0f / dt);
    seenNow.push_back({enemy, enemy->planePosition});
    Threat threat;
    threat.position = enemy->planePosition;
    threat.velocity = velocity;
    threat.radius = enemy->collisionRadius;
    threats.push_back(threat);
    consider(enemy->planePosition, velocity, enemy->collisionRadius);
  }
  seen.swap(seenNow);
  const Boss* boss = game.boss;
  const bool bossFighting = boss && boss->phase >= 1 && boss->phase <= 3;
  if (bossFighting) {
    Threat hull;
    hull.position = InPlane(game.plane, boss->collisionPosition);
    hull.radius = boss->collisionRadius;
    threats.push_back(hull);
    consider(hull.position, {0, 0, 0}, hull.radius);
  }
  for (const Bullet* bullet : game.FindAll<Bullet>()) {
    if (bullet->killed) continue;
    Threat threat;
    threat.position = bullet->planePosition;
    threat.radius = bullet->size;
    threat.homing = bullet->homing;
    threat.angle = bullet->angle;
    threat.speed = bullet->speed;
    threat.velocity = {std::cos(bullet->angle) * bullet->speed, std::sin(bullet->angle) * bullet->speed, 0.0f};
    if (bullet->homing) {
      // A missile with a trail turns at its own pace, a launcher's every frame.
      threat.turnPeriod = bullet->trail ? kTrailTurnPeriod : std::max(dt, 1e-3f);
      threat.turnIn = std::max(bullet->trailTimer, 0.0f);
    }
    threats.push_back(threat);
  }

  // Between the steering windows the ship glides by itself and cannot fire.
  if (!Player::SteeringAllowed(now)) return command;

  // Where it wants to be: at home, level with the target (or the middle).
  const float goalX = kHomeX;
  const float goalY = haveTarget ? std::clamp(targetY, -kMaxY, kMaxY) : ship.y;
  float bestScore = 1e30f;
  int bestX = 0, bestY = 0;
  KOR::Vector3 path[kSteps];
  for (int ux = -1; ux <= 1; ++ux)
    for (int uy = -1; uy <= 1; ++uy) {
      KOR::Vector3 p = ship;
      for (int k = 0; k < kSteps; ++k) {
        p.x = std::clamp(p.x + float(ux) * kShipSpeed * kStep, -kMaxX, kMaxX);
        p.y = std::clamp(p.y + float(uy) * kShipSpeed * kStep, -kMaxY, kMaxY);
        path[k] = p;
      }
      // The goal counts only between ways of equal danger: its weight stays below a
      // near miss's.
      const float danger = DangerOf(path, kSteps, kStep, player->collisionRadius);
      // How near the goal it keeps over the first tenth of a second: steady, no overshoot.
      float miss = 0.0f;
      for (int k = 0; k < kSteps / 5; ++k)
        miss += std::fabs(path[k].y - goalY) + 0.5f * std::fabs(path[k].x - goalX);
      const float score = danger * 100.0f + miss * 0.001f;
      if (score < bestScore) {
        bestScore = score;
        bestX = ux;
        bestY = uy;
      }
    }
  command.left = bestX < 0;
  command.right = bestX > 0;
  command.up = bestY > 0;
  command.down = bestY < 0;

  // Fire when a shot from either gun would meet the target; otherwise hold the fire.
  const bool aligned = haveTarget && std::fabs(targetY - ship.y) < targetRadius + kShotRadius - kGunOffset;
  command.fire = aligned;
  command.fill = !aligned;
  return command;
}
