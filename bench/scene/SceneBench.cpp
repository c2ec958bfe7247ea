// Frame cost of the scene's update and all-pairs collision steps for N colliding
// entities (no device: nothing is drawn, no nodes are culled). The pair loop is
// quadratic by design; the figures show how it grows from 100 to 400 entities.
#include <benchmark/benchmark.h>

#include <cmath>

#include "scene/Scene.h"

namespace {

// Drifts on a circle of its own and counts what it touches, as a bullet or enemy would.
class Drifter : public KOR::Entity {
public:
  explicit Drifter(float phase) : phase(phase) { collisionRadius = 1.0f; }
  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<Drifter>(0.0f); }
  void PreUpdate() override {}
  void Update(float) override {
    float angle = phase + age;
    collisionPosition = {40.0f * std::cos(angle) + phase, 40.0f * std::sin(angle), 0.0f};
  }
  void OnCollision(KOR::Entity*) override { ++hits; }
  std::string GetTypeName() const override { return "Drifter"; }
  void Initialise(const KOR::SceneObjectRecord&) override {}

  float phase;
  long hits = 0;
};

void UpdateAndCollide(benchmark::State& state) {
  KOR::Scene scene;
  scene.Init(nullptr, KOR::SceneSettings{});
  const int n = int(state.range(0));
  for (int i = 0; i < n; ++i) scene.AddEntity(std::make_unique<Drifter>(float(i) * 0.37f));
  for (auto _ : state) scene.Frame(0.001f);
  state.counters["pairs"] = double(n) * double(n - 1) / 2.0;
}
BENCHMARK(UpdateAndCollide)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
