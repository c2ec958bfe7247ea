// Frame cost of the scene renderer at 800 x 600 on the GL backend: 50 textured, normal-
// mapped objects with emissive maps, lit by 4 lights, drawn per pixel with and without
// glow and per vertex. Each phase ends with glFinish so its share of the frame can be
// read; prints ms per phase and per frame, and GL calls per frame.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>

#include "platform/d3d9/D3D9Testing.h"
#include "tests/render_d3d9/FrameSupport.h"

namespace {

constexpr int kPhases = 7;
const char* const kPhaseNames[kPhases] = {"depth", "lights", "emissive", "fog", "sprites", "glow", "present"};

struct PhaseClock {
  void (*finish)() = nullptr;
  std::chrono::steady_clock::time_point last;
  std::array<double, kPhases> seconds{};
};

void PhaseDone(KOR::FramePhase phase, void* context) {
  auto* clock = static_cast<PhaseClock*>(context);
  clock->finish();
  auto now = std::chrono::steady_clock::now();
  clock->seconds[size_t(phase)] += std::chrono::duration<double>(now - clock->last).count();
  clock->last = now;
}

KOR::Device* TheDevice() {
  static KOR::Device* device = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 0);
    KOR::RenderSystem::Instance().LoadModule("d3d9");
    KOR::Device* made = KOR::RenderSystem::Instance().CreateDevice();
    made->Create(800, 600, true, 3, 0, 0);
    return made;
  }();
  return device;
}

void Frames(benchmark::State& state, bool perPixel, bool glow) {
  KOR::Device* device = TheDevice();
  KOR::RenderSettings settings;
  settings.perPixelLighting = perPixel;
  settings.glowEffects = glow;
  settings.screenWidth = 800, settings.screenHeight = 600;
  frame::TestScene scene(device, settings);
  scene.textures.Add("d.tga", 0xFF806040u);
  scene.textures.Add("n.tga", 0xFF8080FFu);
  scene.textures.Add("s.tga", 0xFF404040u);
  scene.textures.Add("e.tga", 0xFF2040FFu);
  KOR::Material& material = scene.AddMaterial("d.tga", "n.tga", "s.tga", "e.tga");
  for (int i = 0; i < 50; ++i) scene.AddNode(material, -4.5f + float(i % 10), -2.0f + float(i / 10), 0.45f);
  const KOR::Vector3 colours[4] = {{1, 0.8f, 0.6f}, {0.4f, 0.6f, 1}, {1, 0.3f, 0.3f}, {0.5f, 1, 0.5f}};
  for (int i = 0; i < 4; ++i) scene.AddLight({-3.0f + 2.0f * float(i), 0, -2}, colours[i], 8.0f);
  PhaseClock clock;
  clock.finish = reinterpret_cast<void (*)()>(SDL_GL_GetProcAddress("glFinish"));
  scene.renderer.phaseDone = PhaseDone;
  scene.renderer.phaseContext = &clock;
  scene.Frame({0.1f, 0.12f, 0.15f, 1});  // first use of every program and target
  clock.seconds = {};
  uint64_t calls = 0;
  for (auto _ : state) {
    uint64_t before = D3D9GlCallCount();
    clock.finish();
    clock.last = std::chrono::steady_clock::now();
    scene.Frame({0.1f, 0.12f, 0.15f, 1});
    calls += D3D9GlCallCount() - before;
  }
  double frames = double(state.iterations());
  for (int i = 0; i < kPhases; ++i) state.counters[std::string("ms ") + kPhaseNames[i]] = clock.seconds[size_t(i)] * 1e3 / frames;
  state.counters["GL calls/frame"] = double(calls) / frames;
}

void BM_PerPixelWithGlow(benchmark::State& state) { Frames(state, true, true); }
void BM_PerPixelWithoutGlow(benchmark::State& state) { Frames(state, true, false); }
void BM_PerVertex(benchmark::State& state) { Frames(state, false, false); }

BENCHMARK(BM_PerPixelWithGlow)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_PerPixelWithoutGlow)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_PerVertex)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
