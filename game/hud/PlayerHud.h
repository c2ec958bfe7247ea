#pragma once
// The player's part of the head-up display: panel, name/score/lives text, energy and cage
// bars on the bottom reference line, and the black fade of a lost game. The elements live
// here; the scene's overlay batch only lists them.

#include <cstdint>
#include <string>

#include "game/hud/HudLayout.h"
#include "scene/ScreenOverlay.h"
#include "scene/ScreenText.h"

namespace KOR {
class Scene;
}

class PlayerHud {
public:
  // Makes the elements on the reference lines with the scene's sprite materials and lists
  // all but the fade; without an overlay batch (no device) they exist but are listed
  // nowhere.
  void Build(KOR::Scene& scene, const HudLines& lines);
  // The text (laid out again only when it changes), the bars cut (not squeezed) to energy
  // and cage, and the fade colour.
  void Update(const std::string& playerName, int32_t score, int32_t shownLives, float energy, float cage,
              const KOR::Colour& fadeColour);
  void ShowFade();

  KOR::ScreenOverlay panel, energyBar, cageBar, barFrame, fade;
  KOR::ScreenText text;

private:
  KOR::OverlayBatch* batch = nullptr;
  HudLines lines{0.0f, 1.0f};
  // What the text shows now; the score −1 until the first update.
  std::string shownName;
  int32_t shownScore = -1, shownLives = -1;
};
