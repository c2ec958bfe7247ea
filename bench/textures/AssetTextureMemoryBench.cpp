// System memory the game's own textures take once loaded through the layer: every texture
// of the content build's assets folder loaded as the game loads it and kept, then the
// process's resident growth, the bytes the d3d9 layer holds for textures, and the bytes of
// all their levels (what a layer keeping a copy of each level would hold besides).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "bench/textures/OffscreenDevice.h"
#include "graphics/TextureObject.h"
#include "platform/d3d9/D3D9Testing.h"

namespace {

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * 4096;
}

std::vector<std::vector<uint8_t>> AssetTextures() {
  const char* folder = std::getenv("KOR_ASSETS");
  std::vector<std::vector<uint8_t>> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder ? folder : KOR_BENCH_ASSETS, error)) {
    std::string name = entry.path().filename().string();
    if (!name.ends_with(".tga") && !name.ends_with(".texture")) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

void BM_LoadAllAssetTextures(benchmark::State& state) {
  OffscreenDevice();
  static const std::vector<std::vector<uint8_t>> files = AssetTextures();
  if (files.empty()) {
    state.SkipWithError("no textures in the assets folder (build kor_content, or set KOR_ASSETS)");
    return;
  }
  double resident = 0, held = 0, levels = 0;
  for (auto _ : state) {
    long before = ResidentBytes();
    D3D9Counters start = D3D9GetCounters();
    std::vector<std::unique_ptr<KOR::TextureObject>> loaded;
    for (const std::vector<uint8_t>& file : files) {
      loaded.push_back(std::make_unique<KOR::TextureObject>());
      loaded.back()->LoadFromMemory(file.data(), uint32_t(file.size()));
      benchmark::DoNotOptimize(loaded.back()->GetTexture());
    }
    D3D9Counters end = D3D9GetCounters();
    resident = double(ResidentBytes() - before);
    held = double(end.textureBytes - start.textureBytes);
    levels = double(end.textureLevelBytes - start.textureLevelBytes);
  }
  state.counters["textures"] = double(files.size());
  state.counters["resident MiB"] = resident / (1 << 20);
  state.counters["layer-held MiB"] = held / (1 << 20);
  state.counters["level MiB"] = levels / (1 << 20);
}

BENCHMARK(BM_LoadAllAssetTextures)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
