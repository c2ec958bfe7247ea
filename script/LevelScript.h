#pragma once
// The level interpreter: loads a level script and flattens its enemy types,
// waves and level schedule into the list of enemy spawns the game plays.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Script {
class ScriptArena;
struct ScriptNode;
}  // namespace Script

struct ScriptPosition {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// One `enemy "name" { ... }` definition.
struct EnemyType {
  std::string model;
  std::string diffuse;
  std::string normal;
  std::string specular;
  float shininess = 0.0f;
  std::string gun;
  std::int32_t energy = 0;
};

// One `enemy "name", ...` placement inside a wave definition.
struct WaveEnemy {
  std::string enemyName;
  ScriptPosition position;
  std::int32_t movement = 0;  // 0 forward, 1 sin, 2 seek
  float speed = 0.0f;
  float freq = 0.0f;
  float amplitude = 0.0f;
  float phase = 0.0f;
};

// One `wave "name", ...` line inside a level block.
struct WaveEntry {
  std::string waveName;
  ScriptPosition position;
  float start = 0.0f;
};

// Everything one enemy of the level needs.
struct EnemySpawn {
  std::string model;
  std::string diffuse;
  std::string normal;
  std::string specular;
  float shininess = 0.0f;
  std::string gun;
  std::int32_t energy = 0;
  ScriptPosition position;  // wave entry position + placement position
  std::int32_t movement = 0;
  float speed = 0.0f;
  float freq = 0.0f;
  float amplitude = 0.0f;
  float phase = 0.0f;
  float start = 0.0f;  // seconds of level time
};

class LevelScript {
public:
  LevelScript();
  ~LevelScript();
  LevelScript(const LevelScript&) = delete;
  LevelScript& operator=(const LevelScript&) = delete;
  LevelScript(LevelScript&&) noexcept;
  LevelScript& operator=(LevelScript&&) noexcept;

  // Loads the script at path, echoing its tokens to standard output. Throws
  // KOR::Exception: "Cannot open level script" (description: the path) or the
  // level-script syntax error. On failure the previous contents stay.
  void Load(const std::string& path);
  // The same with the token trace sent to trace (null: no trace).
  void Load(const std::string& path, std::FILE* trace);
  // Loads from an open stream; the caller keeps and closes it.
  void Load(std::FILE* input, std::FILE* trace);

  // The loaded syntax tree, owned by this object; null before a load and for
  // an empty script.
  const Script::ScriptNode* Tree() const { return tree; }

  // Byte-wise ordered by name; std::less<> lets names be looked up without a copy.
  std::map<std::string, EnemyType, std::less<>> enemyTypes;
  std::map<std::string, std::vector<WaveEnemy>, std::less<>> waveTypes;
  std::vector<WaveEntry> levelWaves;
  std::vector<EnemySpawn> spawns;

private:
  std::unique_ptr<Script::ScriptArena> arena;
  const Script::ScriptNode* tree = nullptr;
};
