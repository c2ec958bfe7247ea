#pragma once
// The boss's part of the head-up display: its health bar in a frame on the top reference
// line while it fights, and the black fade of its death.

#include "game/hud/HudLayout.h"
#include "scene/ScreenOverlay.h"

namespace KOR {
class Scene;
}

class BossHud {
public:
  // Makes the elements on the reference lines; none is listed until the fight starts.
  void Build(KOR::Scene& scene, const HudLines& lines);
  void ShowBar();
  void HideBar();
  void ShowFade();
  // The bar cut to health (0 … 1); the fade colour.
  void Update(float health, const KOR::Colour& fadeColour);

  KOR::ScreenOverlay barFrame, healthBar, fade;

private:
  KOR::OverlayBatch* batch = nullptr;
  HudLines lines{0.0f, 1.0f};
};
