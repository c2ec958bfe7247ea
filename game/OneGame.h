#pragma once
// One game, from its scene's set-up to its end: the scene with its background and fog,
// the player and boss prototypes, the level's scene file, one enemy per spawn of the level
// script, the room reverb and the level music, the run loop, and the teardown.

#include <cstdint>

#include "game/GameSettings.h"
#include "scene/SceneSettings.h"

namespace KOR {
class Device;
class SoundSystem;
}  // namespace KOR
class LevelScript;

// What the scene takes of the game's settings record.
KOR::SceneSettings SceneSettingsOf(const GameSettings& settings);

// Plays one game and returns the player's score; 0 when the scene file has no player.
// device and sound may be null (nothing drawn, nothing heard). An invulnerable ship never
// loses a life, so a tool can fly the whole level (never the game's own choice).
int32_t PlayOneGame(KOR::Device* device, KOR::SoundSystem* sound, const LevelScript& level,
                    const GameSettings& settings, bool invulnerable = false);
