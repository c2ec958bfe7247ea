#pragma once
// What the scene and its entities need of the game's settings record. The game fills it
// from its own settings when it initialises a scene, so the scene does not depend on the
// game; entities read their scene's copy.

#include "graphics/RenderSettings.h"

namespace KOR {

using SceneSettings = RenderSettings;

}  // namespace KOR
