#pragma once
// One game as the program sets it up, run deterministically: the real entities in a real
// scene on the recording device, the recording sound layer, a fixed frame time and
// scripted keys. The small level (box meshes, a scene file from our writers and a level
// script) is written into a scratch folder; the shipped level can be played instead.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/gameplay/Boss.h"
#include "game/gameplay/EnemyEntity.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/Player.h"
#include "game/shell/GameSettings.h"
#include "game/shell/InputMap.h"
#include "script/LevelScript.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"
#include "tests/scene/SceneTestSupport.h"
#include "tests/sound/FakeFsound.h"

class GameHarness : public CurrentRecordedDevice {
protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the small level into the scratch folder: a ship flying a straight path, a
  // boss at plane (90, 90), the camera, and the script smallLevelScript.
  void WriteSmallLevel();
  // The program's set-up of one game (the session's Start, per vertex, with the input
  // sampled from the held keys each frame), carrying on from the previous game.
  void StartGame(const std::string& assetDirectory, const std::string& sceneFile,
                 const std::vector<EnemySpawn>& spawns);
  void StartSmallGame(const std::vector<EnemySpawn>& spawns = {});
  // The shipped level from the content build, with its script's spawns.
  void StartShippedLevel();
  void EndGame();

  // Frames of kStep seconds; keys (if set) runs before each frame with the level time.
  void Frames(int count);
  void RunFor(float seconds) { Frames(int(seconds / kStep + 0.5f)); }
  void Hold(uint32_t key, bool down);
  void ReleaseAllKeys();

  EnemyEntity& AddEnemy(const EnemySpawn& spawn);
  static EnemySpawn Spawn(float start, float x, float y, int movement = 0, float speed = 0.0f,
                          const std::string& gun = "none", int energy = 1);
  template <class T>
  std::vector<T*> All(const std::string& type) const {
    std::vector<T*> found;
    for (KOR::Entity* e : scene->FindAllByType(type)) found.push_back(static_cast<T*>(e));
    return found;
  }
  size_t Count(const std::string& type) const { return scene->FindAllByType(type).size(); }
  // The game is over: the ship's last life has faded, or the boss has finished dying.
  bool GameOver() const;
  // One line per second of level time until the game is over or limit passes: score,
  // lives, energy, entities, boss phase and health.
  std::string TraceUntilOver(float limit);
  // Compares with the committed trace in tests/game/golden; KOR_UPDATE_GOLDEN=1 rewrites it
  // instead (then review its diff).
  static void CompareWithGolden(const std::string& trace, const std::string& name);
  // The game's end as the run loop sees it: Stop was called.
  // Whether the game asked its scene to stop: a run then returns after its first frame.
  bool Stopped();

  static constexpr float kStep = 0.01f;
  std::unique_ptr<KOR::Testing::ScratchFolder> folder;
  GameSettings settings;  // the screen size and keys a case plays with
  GameCarry carry;        // what the last game left for the next
  bool invulnerable = false;
  std::unique_ptr<InputMap> input;
  std::unique_ptr<GameSession> scene;
  Player* player = nullptr;
  Boss* boss = nullptr;
  float time = 0.0f;
  std::function<void(float)> keys;
  std::vector<uint32_t> held;
};

extern const char* const smallLevelScript;
