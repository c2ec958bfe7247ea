#include "script/LevelScript.h"

#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <new>
#include <string_view>
#include <utility>

#include "core/Exception.h"
#include "script/LevelScriptError.h"
#include "script/ScriptArena.h"
#include "script/ScriptNode.h"
#include "script/ScriptParser.h"
#include "script/ScriptTokens.h"

using Script::ScriptNode;

namespace {

// The values statements and options write and the record-building points read.
// One set per load, never reset between definitions: a value a definition does
// not give is the one last written anywhere above it.
struct Pending {
  EnemyType enemy;
  ScriptPosition placement;  // position inside a wave definition
  ScriptPosition entry;      // position anywhere else
  std::int32_t movement = 0;
  float speed = 0.0f;
  float freq = 0.0f;
  float amplitude = 0.0f;
  float phase = 0.0f;
  float start = 0.0f;
  ScriptPosition pair;
  std::vector<WaveEnemy> wave;
};

enum class Context { Enemy, Wave, Level };

class Interpreter {
public:
  explicit Interpreter(LevelScript& target) : target(target) {}

  void Walk(const ScriptNode* node);
  int Line() const { return line; }

private:
  void WalkList(const ScriptNode* list);
  static std::string_view TextOf(const ScriptNode* leaf) { return leaf ? leaf->Text() : std::string_view(); }
  static float NumberOf(const ScriptNode* leaf) { return leaf ? static_cast<float>(leaf->Number()) : 0.0f; }

  LevelScript& target;
  Pending pending;
  Context context = Context::Enemy;
  int line = 0;  // of the last node walked, for errors that have no node of their own
};

void Interpreter::Walk(const ScriptNode* node) {
  if (!node) return;
  line = node->line;
  using namespace Script;
  switch (node->type) {
    case DEFINITIONS:
    case ';':
    case ',':
      WalkList(node);
      break;
    case ENEMY:
      context = Context::Enemy;
      Walk(node->Child(1));
      target.enemyTypes.insert_or_assign(std::string(TextOf(node->Child(0))), pending.enemy);
      break;
    case WAVE:
      context = Context::Wave;
      pending.wave.clear();
      Walk(node->Child(1));
      // Moved, not copied: the list is cleared before the next wave reads it.
      target.waveTypes.insert_or_assign(std::string(TextOf(node->Child(0))), std::move(pending.wave));
      pending.wave.clear();
      break;
    case LEVEL:
      context = Context::Level;
      Walk(node->Child(2));
      break;
    case MODEL: pending.enemy.model.assign(TextOf(node->Child(0))); break;
    case DIFFUSE: pending.enemy.diffuse.assign(TextOf(node->Child(0))); break;
    case NORMAL: pending.enemy.normal.assign(TextOf(node->Child(0))); break;
    case SPECULAR: pending.enemy.specular.assign(TextOf(node->Child(0))); break;
    case GUN: pending.enemy.gun.assign(TextOf(node->Child(0))); break;
    case SHININESS: pending.enemy.shininess = NumberOf(node->Child(0)); break;
    case ENERGY: {
      // Truncation toward zero is defined only inside the 32-bit range.
      double energy = std::trunc(NumberOf(node->Child(0)));
      if (!(energy >= INT32_MIN && energy <= INT32_MAX)) {
        RaiseLevelScriptError("number out of range", node->line);
      }
      pending.enemy.energy = static_cast<std::int32_t>(energy);
      break;
    }
    case START: pending.start = NumberOf(node); break;
    case POSITION:
      Walk(node->Child(0));
      (context == Context::Wave ? pending.placement : pending.entry) = pending.pair;
      break;
    case PAIR:
      pending.pair = {NumberOf(node->Child(0)), NumberOf(node->Child(1)), 0.0f};
      break;
    case MOVE: {
      const ScriptNode* movement = node->Child(0);
      int type = movement ? movement->type : FOWARD;
      pending.movement = type == SIN ? 1 : type == SEEK ? 2 : 0;
      break;
    }
    case SPEED_VALUE: pending.speed = NumberOf(node); break;
    case FREQ: pending.freq = NumberOf(node); break;
    case AMPLITUDE: pending.amplitude = NumberOf(node); break;
    case PHASE: pending.phase = NumberOf(node); break;
    case ENEMY_REF: {
      Walk(node->Child(1));
      std::string_view name = TextOf(node->Child(0));
      if (!target.enemyTypes.contains(name)) {
        RaiseLevelScriptError("unknown enemy '" + std::string(name) + "'", node->line);
      }
      pending.wave.push_back({std::string(name), pending.placement, pending.movement, pending.speed,
                              pending.freq, pending.amplitude, pending.phase});
      break;
    }
    case WAVE_REF: {
      Walk(node->Child(1));
      std::string_view name = TextOf(node->Child(0));
      if (!target.waveTypes.contains(name)) {
        RaiseLevelScriptError("unknown wave '" + std::string(name) + "'", node->line);
      }
      target.levelWaves.push_back({std::string(name), pending.entry, pending.start});
      break;
    }
    default:
      break;  // accepted by the grammar, no effect on the level
  }
}

void Interpreter::WalkList(const ScriptNode* list) {
  // Lists are left-deep (list, item) chains as long as the file; walking them
  // by recursion would let a long script overflow the stack.
  std::vector<const ScriptNode*> items;
  const ScriptNode* node = list;
  for (; node && node->type == list->type && node->kind == Script::NodeKind::Inner;
       node = node->Child(0)) {
    items.push_back(node->Child(1));
  }
  Walk(node);
  for (auto item = items.rbegin(); item != items.rend(); ++item) Walk(*item);
}

std::vector<EnemySpawn> Flatten(const LevelScript& level) {
  std::size_t count = 0;
  for (const WaveEntry& entry : level.levelWaves) count += level.waveTypes.at(entry.waveName).size();
  std::vector<EnemySpawn> spawns;
  spawns.reserve(count);
  for (const WaveEntry& entry : level.levelWaves) {
    for (const WaveEnemy& enemy : level.waveTypes.at(entry.waveName)) {
      const EnemyType& type = level.enemyTypes.at(enemy.enemyName);
      ScriptPosition position = {entry.position.x + enemy.position.x,
                                 entry.position.y + enemy.position.y,
                                 entry.position.z + enemy.position.z};
      spawns.push_back({type.model, type.diffuse, type.normal, type.specular, type.shininess, type.gun,
                        type.energy, position, enemy.movement, enemy.speed, enemy.freq,
                        enemy.amplitude, enemy.phase, entry.start});
    }
  }
  return spawns;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

LevelScript::LevelScript() = default;
LevelScript::~LevelScript() = default;
LevelScript::LevelScript(LevelScript&&) noexcept = default;
LevelScript& LevelScript::operator=(LevelScript&&) noexcept = default;

void LevelScript::Load(const std::string& path) { Load(path, stdout); }

void LevelScript::Load(const std::string& path, std::FILE* trace) {
  std::unique_ptr<std::FILE, FileCloser> input(std::fopen(path.c_str(), "rb"));
  struct stat status;
  // A directory opens on Linux but cannot be read as a script.
  if (!input || fstat(fileno(input.get()), &status) != 0 || S_ISDIR(status.st_mode)) {
    throw KOR::Exception("Game", "Cannot open level script", path);
  }
  Load(input.get(), trace);
}

void LevelScript::Load(std::FILE* input, std::FILE* trace) {
  // Built aside and swapped in, so a failed load leaves the previous level.
  LevelScript loaded;
  Interpreter interpreter(loaded);
  try {
    loaded.arena = std::make_unique<Script::ScriptArena>();
    loaded.tree = Script::ParseScript(input, *loaded.arena, trace);
    interpreter.Walk(loaded.tree);
    loaded.spawns = Flatten(loaded);
  } catch (const std::bad_alloc&) {
    Script::RaiseLevelScriptError("out of memory", interpreter.Line());
  }
  if (trace) std::fflush(trace);
  *this = std::move(loaded);
}
