#pragma once
// One game, from its session's set-up to its end: the level's scene, one enemy per spawn
// of the level script, the pause sign, the room reverb and the level music, the run loop
// with its input sampled once a frame, and the teardown.

#include <cstdint>
#include <functional>

#include "game/gameplay/GameSession.h"
#include "game/shell/GameSettings.h"
#include "scene/SceneSettings.h"

namespace KOR {
class Device;
class SoundSystem;
}  // namespace KOR
class InputMap;
class LevelScript;

// What the scene takes of the game's settings record.
KOR::SceneSettings SceneSettingsOf(const GameSettings& settings);
// What one game is played with; the ship is invulnerable only when a tool asks.
GameSetup GameSetupOf(const GameSettings& settings, bool invulnerable = false);

// Told when a game's session starts running and, with null, when it has ended: tools
// that watch a game (replays, tests).
using GameWatch = std::function<void(const GameSession*)>;
// Flies the ship in place of the keyboard and pads (a tool's pilot): given the running
// game, this frame's command. It looks and does not touch.
using GamePilot = std::function<PlayCommand(const GameSession&)>;

// Plays one game and returns the player's score; 0 when the scene file has no player.
// device and sound may be null (nothing drawn, nothing heard). carry comes from the
// previous game of the run and is left for the next. With a pilot the ship takes its
// commands; the input still pauses and leaves.
int32_t PlayOneGame(KOR::Device* device, KOR::SoundSystem* sound, const LevelScript& level, const GameSetup& setup,
                    const InputMap& input, GameCarry& carry, const GameWatch& watch = {},
                    const GamePilot& pilot = {});
