// Loading a 256 × 256 texture as the game does: decode, mipmap generation and upload to
// the GL device, for both file formats. Prints textures per second.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench/textures/OffscreenDevice.h"
#include "graphics/TextureFormats.h"
#include "graphics/TextureObject.h"

namespace {

KOR::ArgbImage Gradient() {
  KOR::ArgbImage image;
  image.width = image.height = 256;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      image.pixels.push_back(0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | uint32_t((x ^ y) & 0xF0));
  return image;
}

void Load(benchmark::State& state, const std::vector<uint8_t>& file) {
  OffscreenDevice();
  for (auto _ : state) {
    KOR::TextureObject texture;
    texture.LoadFromMemory(file.data(), uint32_t(file.size()));
    benchmark::DoNotOptimize(texture.GetTexture());
  }
  state.counters["textures/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_LoadEngineTexture256(benchmark::State& state) {
  static const std::vector<uint8_t> file = KOR::WriteEngineTexture(KOR::Palettize(Gradient()));
  Load(state, file);
}

void BM_LoadTga256(benchmark::State& state) {
  static const std::vector<uint8_t> file = KOR::WriteTga(Gradient(), 32);
  Load(state, file);
}

BENCHMARK(BM_LoadEngineTexture256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTga256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
