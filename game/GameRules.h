#pragma once
// Score, lives and the HUD's reference lines: the numbers the player, enemies and boss
// share.

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

// The two horizontal lines the HUD hangs on, from the screen's width ÷ height:
// 0.5 ∓ aspect / 4 (1/6 and 5/6 at 4:3).
struct HudLines {
  float top;
  float bottom;
};
inline HudLines HudLinesFor(float aspect) { return {0.5f - aspect / 4.0f, 0.5f + aspect / 4.0f}; }
// The score text's top. The panel's texture is stretched between the lines, so its top
// band and the plates under it (its first 12 of 256 rows) grow with the panel's height;
// a fixed offset put the name under them on the wider screens.
inline float HudTextTop(const HudLines& lines) { return lines.top + (lines.bottom - lines.top) * (12.0f / 256.0f); }
HudLines CurrentHudLines();  // from the settings record's screen size
