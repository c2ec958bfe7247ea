// Level-script load throughput: scanner, parser, interpreter and flattening on
// generated scripts of 1 MB and 10 MB, the token trace sent to /dev/null as a
// designer's checker run with its output discarded would. Bytes per second is
// the figure; the two sizes together show whether cost grows linearly.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "script/LevelScript.h"

namespace {

// A script shaped like a real level: enemy types, then waves of placements each
// scheduled by one level line, with comments and indentation between.
std::string GenerateScript(std::size_t bytes) {
  std::string text = "// generated level\nscript \"bench\" { name \"Bench\"; music \"m.mp3\", fadein 2; }\n";
  for (int e = 0; e < 50; ++e) {
    std::string n = std::to_string(e);
    text += "enemy \"enemy" + n + "\" {\n  model \"enemy" + n + ".3df\";\n  diffuse \"enemy" + n +
            "_d.tga\";\n  normal \"enemy" + n + "_n.tga\";\n  specular \"enemy" + n +
            "_s.tga\";\n  shininess 32;\n  gun \"simple\";\n  energy " + std::to_string(e % 7 + 1) + ";\n}\n";
  }
  for (int w = 0; text.size() < bytes; ++w) {
    std::string n = std::to_string(w);
    text += "// wave " + n + ": four stingers on a sine\nwave \"wave" + n + "\" {\n";
    for (int p = 0; p < 4; ++p) {
      text += "  enemy \"enemy" + std::to_string((w + p) % 50) + "\", position (" + std::to_string(p * 25) +
              ", " + std::to_string(p * 10 - 15) + "), move sin, speed 40 + 2.5, freq 0.5, amplitude -20, phase 0.125 * " +
              std::to_string(p) + ";\n";
    }
    text += "}\nlevel 1 \"level" + n + "\" { wave \"wave" + n + "\", position (130, 0), start 1'30 + 2.5 / 2; }\n";
  }
  return text;
}

void LoadScript(benchmark::State& state) {
  std::size_t bytes = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("kor_script_bench_" + std::to_string(state.range(0)) + ".zub.script");
  std::string text = GenerateScript(bytes);
  std::ofstream(path, std::ios::binary) << text;
  std::FILE* trace = std::fopen("/dev/null", "w");
  std::size_t spawns = 0;
  for (auto _ : state) {
    LevelScript level;
    level.Load(path.string(), trace);
    spawns = level.spawns.size();
    benchmark::DoNotOptimize(spawns);
  }
  std::fclose(trace);
  std::filesystem::remove(path);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["spawns"] = static_cast<double>(spawns);
}

}  // namespace

BENCHMARK(LoadScript)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
