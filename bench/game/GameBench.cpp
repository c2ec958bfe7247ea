// Frame cost of the game itself (entity updates, the all-pairs collision pass, particles,
// removal) on the shipped level at its busiest second, then with its waves doubled and
// quadrupled. No device and no sound: nothing is drawn or heard, so the figures are the
// game's rules alone. A scripted player fires and weaves from the first window on.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "game/gameplay/EnemyEntity.h"
#include "game/gameplay/GameSession.h"
#include "game/shell/GameSettings.h"
#include "game/shell/InputMap.h"
#include "platform/win32/Win32Testing.h"
#include "script/LevelScript.h"

namespace {

constexpr float kStep = 0.01f;
const std::string kAssets = std::string(KOR_CONTENT_ASSETS) + "/";

struct Game {
  GameSettings settings;
  InputMap input{settings};
  std::unique_ptr<GameSession> scene = std::make_unique<GameSession>(GameSetup{}, GameCarry{});
  float time = 0.0f;
  bool firing = false, up = false;

  // The shipped level with every spawn repeated copies times, each copy a little higher.
  explicit Game(int copies) {
    static LevelScript level;
    if (level.spawns.empty()) level.Load(kAssets + "level.zub.script", nullptr);
    scene->Start(nullptr, kAssets, "zubra_level1.kor.scene", {});
    scene->onFrameStart = [this] { scene->command = input.Sample(); };
    for (int copy = 0; copy < copies; ++copy)
      for (EnemySpawn spawn : level.spawns) {
        spawn.position.y += 6.0f * float(copy);
        static_cast<EnemyEntity*>(scene->AddEntity(std::make_unique<EnemyEntity>()))->Setup(spawn);
      }
  }
  ~Game() {
    Win32Testing::KeyUp(int(settings.keyFire));
    Win32Testing::KeyUp(int(settings.keyUp));
  }
  void Frame() {
    const bool fire = time > 5.0f, goUp = int(time) % 2 == 0;
    if (fire != firing) (fire ? Win32Testing::KeyDown : Win32Testing::KeyUp)(int(settings.keyFire));
    if (goUp != up) (goUp ? Win32Testing::KeyDown : Win32Testing::KeyUp)(int(settings.keyUp));
    firing = fire;
    up = goUp;
    scene->Frame(kStep);
    time += kStep;
  }
  // Entities that take part in collisions: the ship, enemies on screen, shots, the boss.
  size_t Colliding() const {
    size_t n = 0;
    for (const char* type : {"Player", "EnemyEntity", "Bullet", "PlayerBullet", "Boss"})
      for (const KOR::Entity* e : scene->FindAllByType(type)) n += e->collisionRadius != 0.0f ? 1 : 0;
    return n;
  }
};

// The second of the plain level with the most colliding entities, found once.
int BusiestSecond() {
  static int busiest = -1;
  if (busiest >= 0) return busiest;
  Game game(1);
  size_t most = 0;
  for (int second = 0; second < 110; ++second) {
    size_t peak = 0;
    for (int i = 0; i < 100; ++i) {
      game.Frame();
      peak = std::max(peak, game.Colliding());
    }
    if (peak > most) {
      most = peak;
      busiest = second;
    }
  }
  return busiest;
}

void BusiestSecondFrames(benchmark::State& state) {
  Win32Testing::SetHeadless(true);
  const int copies = int(state.range(0));
  const int second = BusiestSecond();
  for (auto _ : state) {
    Game game(copies);
    while (game.time < float(second) - kStep / 2) game.Frame();
    size_t colliding = 0, alive = 0;
    std::chrono::duration<double> spent{0};
    for (int i = 0; i < 100; ++i) {
      const auto start = std::chrono::steady_clock::now();
      game.Frame();
      spent += std::chrono::steady_clock::now() - start;
      colliding += game.Colliding();
      alive += game.scene->GetEntityCount();
    }
    state.SetIterationTime(spent.count() / 100.0);
    state.counters["second"] = second;
    state.counters["colliding"] = double(colliding) / 100.0;
    state.counters["entities"] = double(alive) / 100.0;
  }
}
BENCHMARK(BusiestSecondFrames)->Arg(1)->Arg(2)->Arg(4)->Iterations(3)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
