#pragma once
// What a game shows while the player holds it: the picture dimmed, and "PAUSED" across
// the middle in the HUD's font, above every HUD element.

#include "scene/ScreenOverlay.h"
#include "scene/ScreenText.h"

namespace KOR {
class Scene;
}

class PauseSign {
public:
  // Makes the elements with the scene's sprite materials; shows nothing yet. Without an
  // overlay batch (no device) Show does nothing.
  void Build(KOR::Scene& scene);
  void Show(bool on);
  bool IsShown() const { return shown; }

  KOR::ScreenOverlay dim;
  KOR::ScreenText text;

private:
  KOR::OverlayBatch* batch = nullptr;
  bool shown = false;
};
