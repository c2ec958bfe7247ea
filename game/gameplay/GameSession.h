#pragma once
// One game: the scene its entities live in, and what belongs to this game alone: the play
// plane the player publishes each frame, this frame's command, the game's random numbers,
// the boss's alternation, the player's name and where the HUD hangs. Entities reach it
// through their scene (SessionOf); nothing of a game lives in globals.

#include <cstdint>
#include <string>
#include <vector>

#include "game/gameplay/GameRandom.h"
#include "game/gameplay/PlayCommand.h"
#include "game/gameplay/PlayPlane.h"
#include "game/hud/HudLayout.h"
#include "scene/Scene.h"

struct EnemySpawn;
class Boss;
class Player;

// What one game hands to the next game of the same run: the random sequence and the
// boss's alternation carry on, as they would in one process playing game after game.
struct GameCarry {
  uint32_t randomState = 1;  // where a fresh process starts
  bool bossAlternation = false;
};

// The choices one game is played with.
struct GameSetup {
  KOR::SceneSettings scene;
  std::string playerName = "Player";
  // The ship is hit as any other but never loses a life (tools only, never a player's
  // choice).
  bool invulnerable = false;
};

class GameSession : public KOR::Scene {
public:
  GameSession(const GameSetup& setup, const GameCarry& carry);
  // The entities go first: they leave the session as they go.
  ~GameSession() override { DeleteEntities(); }

  // The scene for device (null: nothing drawn) with the level's sky and fog, the player
  // and boss prototypes, the scene file, the camera and one enemy per spawn.
  void Start(KOR::Device* device, const std::string& assetDirectory, const std::string& sceneFile,
             const std::vector<EnemySpawn>& spawns);
  // For the next game of the run.
  GameCarry Carry() const { return {random.State(), bossAlternation}; }

  const GameSetup setup;
  HudLines hudLines;
  PlayPlane plane;
  PlayCommand command;
  GameRandom random;
  // Flipped at every port change of the boss; its third phase alternates volleys and
  // missiles with it.
  bool bossAlternation = false;
  // The scene file's ship and boss, once Start has made them; null when it has none or
  // once they have been removed.
  Player* player = nullptr;
  Boss* boss = nullptr;
};

// The session an entity's scene belongs to; null for an entity outside a game.
GameSession* SessionOf(KOR::Scene* scene);
