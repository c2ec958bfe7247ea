#pragma once
// What the scene and its entities need of the game's settings record. The game fills it
// from its own settings when it initialises a scene, so the scene does not depend on the
// game.

#include <cstdint>

namespace KOR {

struct SceneSettings {
  bool perPixelLighting = false;  // selects the renderer and how materials are built
  bool glowEffects = true;
  bool specularLighting = true;
  uint32_t screenWidth = 800;
  uint32_t screenHeight = 600;
};

// The process-wide copy that Scene::Init stores; entities read it (the camera's aspect).
const SceneSettings& CurrentSceneSettings();

}  // namespace KOR
