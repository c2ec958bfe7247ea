#pragma once
// Score and lives: the numbers the player, enemies and boss share.

#include <algorithm>
#include <cstdint>

constexpr int32_t kStartLives = 4;
// Lives are shown clamped: a lost game reads 0, never a negative number.
inline int32_t ShownLives(int32_t lives) { return std::clamp(lives, 0, 5); }

// trunc((player energy + 0.5) × enemy energy × 150).
inline int32_t EnemyPoints(float playerEnergy, int32_t enemyEnergy) {
  return int32_t((playerEnergy + 0.5f) * (float(enemyEnergy) * 150.0f));
}
// (lives left + 6) × 5000.
inline int32_t BossBonus(int32_t livesLeft) { return (livesLeft + 6) * 5000; }
