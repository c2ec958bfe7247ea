// Culling cost: SphereVisible per second over a scene's worth of spheres around a
// far-reaching camera (about a third of them inside), and BuildFrustum per second.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/CameraMath.h"

namespace {

class BenchCamera : public KOR::Camera {
public:
  void ApplyProjection() override {}
  void ApplyCamera() override {}
};

void SetUp(BenchCamera& camera) {
  camera.SetPerspective(60.0f, 4.0f / 3.0f, 10.0f, 10000.0f);
  camera.SetFrame({100.0f, 50.0f, -200.0f}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
}

void SphereVisible(benchmark::State& state) {
  BenchCamera camera;
  SetUp(camera);
  camera.BuildFrustum();
  std::mt19937 random(7);
  std::uniform_real_distribution<float> across(-6000.0f, 6000.0f), ahead(-2000.0f, 11000.0f),
      radius(1.0f, 100.0f);
  std::vector<KOR::Vector3> centres(static_cast<size_t>(state.range(0)));
  std::vector<float> radii(centres.size());
  for (size_t i = 0; i < centres.size(); ++i) {
    centres[i] = {across(random), across(random), ahead(random)};
    radii[i] = radius(random);
  }
  int visible = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < centres.size(); ++i) visible += camera.SphereVisible(centres[i], radii[i]);
    benchmark::DoNotOptimize(visible);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["visible_share"] =
      double(visible) / double(state.iterations() * state.range(0));
}
BENCHMARK(SphereVisible)->Arg(10000);

void BuildFrustum(benchmark::State& state) {
  BenchCamera camera;
  SetUp(camera);
  for (auto _ : state) {
    camera.BuildFrustum();
    benchmark::DoNotOptimize(camera.planes);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BuildFrustum);

}  // namespace

BENCHMARK_MAIN();
