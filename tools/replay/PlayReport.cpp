#include "tools/replay/PlayReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "game/gameplay/Boss.h"
#include "game/gameplay/Bullet.h"
#include "game/gameplay/EnemyEntity.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/Player.h"

namespace {

// An enemy by its model: "drone.3df" → "drone".
std::string KindOf(const std::string& model) {
  std::string kind;
  for (char c : model) {
    if (c == '.') break;
    kind += c;
  }
  return kind;
}

}  // namespace

void PlayReport::Observe(const GameSession& game) {
  if (!inGame) {
    games.emplace_back();
    inGame = true;
    nearest = "?";
    lastLives = -2;
    lastAge = -1.0f;
  }
  GameReport& report = games.back();
  const Player* player = game.player;
  if (!player) return;
  if (lastLives == -2) lastLives = player->lives;
  for (int i = player->lives; i < lastLives; ++i) report.losses.push_back({player->GetAge(), KindOf(nearest)});
  lastLives = player->lives;
  report.score = player->score;
  report.lives = player->lives;
  report.seconds = player->GetAge();
  if (const Boss* boss = game.boss) {
    report.bossPhase = boss->phase;
    report.bossHealth = boss->health;
  }

  // The gap to the nearest thing that can hit the ship, for the next look.
  const KOR::Vector3 ship = player->collisionPosition;
  float best = 1e30f;
  auto closer = [&](float distance, float radius, const char* what) {
    const float gap = distance - radius;
    if (gap < best) {
      best = gap;
      nearest = what;
    }
  };
  for (const EnemyEntity* enemy : game.FindAll<EnemyEntity>())
    if (enemy->active && !enemy->killed)
      closer(KOR::Length(enemy->collisionPosition - ship), enemy->collisionRadius, enemy->model.c_str());
  // A shot may cross the ship within one frame: its nearest point on the way counts.
  const float step = lastAge >= 0.0f ? std::max(player->GetAge() - lastAge, 0.0f) : 0.0f;
  lastAge = player->GetAge();
  const KOR::Vector3 shipInPlane = player->PlanePosition();
  for (const Bullet* bullet : game.FindAll<Bullet>()) {
    if (bullet->killed) continue;
    const float travel = bullet->speed * step;
    const KOR::Vector3 way{std::cos(bullet->angle) * travel, std::sin(bullet->angle) * travel, 0.0f};
    const KOR::Vector3 from = bullet->planePosition - shipInPlane;
    const float along = std::clamp(-KOR::Dot(from, way) / std::max(KOR::Dot(way, way), 1e-6f), 0.0f, 1.0f);
    closer(KOR::Length(from + way * along), bullet->size,
           !bullet->homing ? "shot" : bullet->trail ? "boss missile" : "missile");
  }
  if (const Boss* boss = game.boss)
    if (boss->collisionRadius > 0.0f)
      closer(KOR::Length(boss->collisionPosition - ship), boss->collisionRadius, "boss");
}

std::string PlayReport::Text() const {
  std::string text;
  char line[160];
  for (size_t i = 0; i < games.size(); ++i) {
    const GameReport& g = games[i];
    const char* boss = g.bossPhase == 4   ? "boss beaten"
                       : g.bossPhase >= 1 ? "boss reached"
                                          : "boss not reached";
    std::snprintf(line, sizeof line, "game %zu: score %d, lives %d, %.1f s, %s", i + 1, g.score, g.lives,
                  g.seconds, boss);
    text += line;
    if (g.bossPhase >= 1 && g.bossPhase <= 3) {
      std::snprintf(line, sizeof line, " (health %.2f)", g.bossHealth);
      text += line;
    }
    text += '\n';
    for (const LifeLoss& loss : g.losses) {
      std::snprintf(line, sizeof line, "  life lost at %.1f s: %s\n", loss.second, loss.cause.c_str());
      text += line;
    }
  }
  return text;
}
