#include "game/GameRules.h"

#include "game/GameSettings.h"

HudLines CurrentHudLines() {
  const float height = gameSettings.screenHeight ? float(gameSettings.screenHeight) : 1.0f;
  return HudLinesFor(float(gameSettings.screenWidth) / height);
}
