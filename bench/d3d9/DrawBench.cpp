// Draw-call cost of the render module on the GL backend: 10 000 draws of one small mesh
// with nothing changed between them, with the mesh or a render state changed between
// them, lit by the fixed-function pipeline, and the same draws issued straight to GL in
// the same run, for the ratio.
// Prints draws per second and GL calls per draw.

#define GL_GLEXT_PROTOTYPES 1
#include <SDL.h>
#include <SDL_opengl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "platform/d3d9/D3D9Testing.h"
#include "render_d3d9/Module.h"

namespace {

constexpr int kDraws = 10000;
const KOR::VertexElementDecl kPosition{0, 0, 2}, kColour{10, 0, 4};

struct Scene {
  KOR::Device* device = nullptr;
  KOR::Renderable* meshes[2] = {};
  KOR::StreamMap* map = nullptr;
  decltype(&glFinish) finish = nullptr;
  decltype(&glDrawElementsBaseVertex) drawElements = nullptr;
};

KOR::Renderable* Cube(KOR::Device* device, float size) {
  KOR::Renderable* r = device->CreateRenderable(false);
  r->vertices.Resize(8);
  r->vertices.AddElement(kPosition);
  r->vertices.AddElement(kColour);
  auto* p = reinterpret_cast<float*>(r->vertices.GetElement(kPosition)->data);
  auto* c = reinterpret_cast<uint32_t*>(r->vertices.GetElement(kColour)->data);
  for (int i = 0; i < 8; ++i) {
    p[i * 3 + 0] = (i & 1 ? size : -size);
    p[i * 3 + 1] = (i & 2 ? size : -size);
    p[i * 3 + 2] = (i & 4 ? 0.75f : 0.25f);
    c[i] = 0xFF000000u | uint32_t(i * 0x203040);
  }
  const uint32_t faces[36] = {0, 1, 2, 2, 1, 3, 4, 6, 5, 5, 6, 7, 0, 2, 4, 4, 2, 6,
                              1, 5, 3, 3, 5, 7, 0, 4, 1, 1, 4, 5, 2, 3, 6, 6, 3, 7};
  r->ResizeIndices(36);
  std::memcpy(r->indices, faces, sizeof faces);
  r->Build();
  return r;
}

Scene& GetScene() {
  static Scene scene;
  if (scene.device) return scene;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 0);
  KOR::RenderSystem::Instance().LoadModule("d3d9");
  scene.device = KOR::RenderSystem::Instance().CreateDevice();
  scene.device->Create(64, 64, true, 3, 0, 0);  // small, so rasterising stays cheap
  scene.meshes[0] = Cube(scene.device, 0.5f);
  scene.meshes[1] = Cube(scene.device, 0.25f);
  scene.map = scene.device->CreateStreamMap();
  scene.map->AddElement(kPosition);
  scene.map->AddElement(kColour);
  scene.map->Build();
  scene.finish = reinterpret_cast<decltype(scene.finish)>(SDL_GL_GetProcAddress("glFinish"));
  scene.drawElements = reinterpret_cast<decltype(scene.drawElements)>(
      SDL_GL_GetProcAddress("glDrawElementsBaseVertex"));
  return scene;
}

void Report(benchmark::State& state, uint64_t glCalls) {
  double draws = double(state.iterations()) * kDraws;
  state.counters["draws/s"] = benchmark::Counter(draws, benchmark::Counter::kIsRate);
  state.counters["GL calls/draw"] = double(glCalls) / draws;
}

// Engine draws, each variant starting from the same bound state.
template <class Between>
void EngineDraws(benchmark::State& state, Between between) {
  Scene& s = GetScene();
  s.meshes[0]->Draw(s.map);
  s.finish();
  uint64_t calls = 0;
  for (auto _ : state) {
    uint64_t before = D3D9GlCallCount();
    for (int i = 0; i < kDraws; ++i) {
      between(s, i);
      s.meshes[0]->Draw(s.map);
    }
    calls += D3D9GlCallCount() - before;
    s.finish();
  }
  Report(state, calls);
}

void BM_EngineDrawsUnchanged(benchmark::State& state) {
  EngineDraws(state, [](Scene&, int) {});
}

// Every other draw is of another mesh: streams, indices and vertex array change.
void BM_EngineDrawsMeshChanged(benchmark::State& state) {
  Scene& s = GetScene();
  s.meshes[0]->Draw(s.map);
  uint64_t calls = 0;
  for (auto _ : state) {
    uint64_t before = D3D9GlCallCount();
    for (int i = 0; i < kDraws; ++i) s.meshes[i & 1]->Draw(s.map);
    calls += D3D9GlCallCount() - before;
    s.finish();
  }
  Report(state, calls);
}

// A render state flips before every draw.
void BM_EngineDrawsStateChanged(benchmark::State& state) {
  EngineDraws(state, [](Scene&, int i) {
    KOR::D3D9::Device9()->SetRenderState(D3DRS_CULLMODE, i & 1 ? D3DCULL_CW : D3DCULL_NONE);
  });
  KOR::D3D9::Device9()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // as the others draw
}

// The same draw straight to GL, on the state the engine's last draw left bound.
void BM_RawGlDraws(benchmark::State& state) {
  Scene& s = GetScene();
  s.meshes[0]->Draw(s.map);
  s.finish();
  for (auto _ : state) {
    for (int i = 0; i < kDraws; ++i) s.drawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr, 0);
    s.finish();
  }
  Report(state, uint64_t(state.iterations()) * kDraws);
}

// Fixed-function lighting on, with one white directional light along +z.
IDirect3DDevice9* LitByTheSun() {
  GetScene();  // makes the device
  IDirect3DDevice9* device = KOR::D3D9::Device9();
  D3DLIGHT9 sun{};
  sun.Type = D3DLIGHT_DIRECTIONAL;
  sun.Diffuse = {1, 1, 1, 1};
  sun.Direction = {0, 0, 1};
  device->SetLight(0, &sun);
  device->LightEnable(0, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  return device;
}

// The fixed-function pipeline with lighting and one light against the unlit draws above:
// the same one GL call, a longer vertex stage.
void BM_EngineDrawsLit(benchmark::State& state) {
  IDirect3DDevice9* device = LitByTheSun();
  device->SetRenderState(D3DRS_AMBIENT, 0xFF404040u);
  EngineDraws(state, [](Scene&, int) {});
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

// A program's constants written between draws as the frame passes do: four registers
// (a matrix) per call, no draw. Prints uploads per second.
void BM_ConstantUploads(benchmark::State& state) {
  GetScene();  // makes the device
  IDirect3DDevice9* device = KOR::D3D9::Device9();
  float matrix[16] = {};
  for (auto _ : state) {
    for (int i = 0; i < kDraws; ++i) {
      matrix[0] = float(i);
      device->SetVertexShaderConstantF(4, matrix, 4);
    }
  }
  state.counters["uploads/s"] =
      benchmark::Counter(double(state.iterations()) * kDraws, benchmark::Counter::kIsRate);
}

// Lit draws with a blend state flipped before each: a state the fixed-function program
// does not depend on, so no program key is rebuilt.
void BM_EngineDrawsLitBlendChanged(benchmark::State& state) {
  IDirect3DDevice9* device = LitByTheSun();
  EngineDraws(state, [device](Scene&, int i) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, i & 1 ? TRUE : FALSE);
  });
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

BENCHMARK(BM_RawGlDraws)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConstantUploads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineDrawsLitBlendChanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineDrawsUnchanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineDrawsMeshChanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineDrawsStateChanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineDrawsLit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
