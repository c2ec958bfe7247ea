#include "game/gameplay/GameSession.h"

#include <memory>

#include "game/gameplay/Boss.h"
#include "game/gameplay/EnemyEntity.h"
#include "game/gameplay/LevelOne.h"
#include "game/gameplay/Player.h"
#include "script/LevelScript.h"

GameSession::GameSession(const GameSetup& setup, const GameCarry& carry)
    : setup(setup),
      hudLines(HudLinesFor(setup.scene.screenHeight ? float(setup.scene.screenWidth) / float(setup.scene.screenHeight)
                                                    : float(setup.scene.screenWidth))),
      random(carry.randomState),
      bossAlternation(carry.bossAlternation) {}

void GameSession::Start(KOR::Device* device, const std::string& assetDirectory, const std::string& sceneFile,
                        const std::vector<EnemySpawn>& spawns) {
  SetAssetDirectory(assetDirectory);
  Init(device, setup.scene);
  const float* sky = LevelOne::kBackground;
  SetFog({{sky[0], sky[1], sky[2], sky[3]}, LevelOne::kFogDensity});
  RegisterPrototype("Player", std::make_unique<Player>());
  RegisterPrototype("Boss", std::make_unique<Boss>());
  LoadScene(assetDirectory + sceneFile);
  SetCameraName("p_camera");
  player = FindFirst<Player>();
  boss = FindFirst<Boss>();
  for (const EnemySpawn& spawn : spawns)
    static_cast<EnemyEntity&>(*AddEntity(std::make_unique<EnemyEntity>())).Setup(spawn);
}

GameSession* SessionOf(KOR::Scene* scene) { return dynamic_cast<GameSession*>(scene); }
