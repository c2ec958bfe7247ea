#pragma once
// What the renderers and materials need of the game's settings record; the game fills it
// when it initialises a scene, so the graphics layer does not depend on the game.

#include <cstdint>

namespace KOR {

struct RenderSettings {
  bool perPixelLighting = false;  // selects the frame and how materials are built
  bool glowEffects = true;
  bool specularLighting = true;
  uint32_t screenWidth = 800;
  uint32_t screenHeight = 600;
};

}  // namespace KOR
