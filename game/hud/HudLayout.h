#pragma once
// Where the HUD hangs, in screen units (0 … 1 across and down): two horizontal reference
// lines from the screen's shape, and the bar that the player's energy and cage and the
// boss's health share, with its frame.

struct HudLines {
  float top;
  float bottom;
};
// 0.5 ∓ aspect / 4 from the screen's width ÷ height (1/6 and 5/6 at 4:3).
inline HudLines HudLinesFor(float aspect) { return {0.5f - aspect / 4.0f, 0.5f + aspect / 4.0f}; }
// The player's text's top. The panel's texture is stretched between the lines, so its top
// band and the plates under it (its first 12 of 256 rows) grow with the panel's height;
// a fixed offset put the name under them on the wider screens.
inline float HudTextTop(const HudLines& lines) { return lines.top + (lines.bottom - lines.top) * (12.0f / 256.0f); }

// The bar, centred on a reference line; it is cut (not squeezed) to what it shows.
constexpr float kHudBarLeft = 0.35f, kHudBarWidth = 0.3f, kHudBarHalfHeight = 0.03f;
constexpr float kHudFrameLeft = 0.315f, kHudFrameRight = 0.685f, kHudFrameHalfHeight = 0.06f;
