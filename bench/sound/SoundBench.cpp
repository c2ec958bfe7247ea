// What sound costs the game: one frame of Update with eight moving 3D channels, and
// the share of one core the MP3 feeder thread takes while music plays. Runs on
// OpenAL Soft's null backend, which mixes in real time without a sound card.

#include "sound/ReverbPresets.h"
#include "sound/SoundSample.h"
#include "sound/SoundStream.h"
#include "sound/SoundSystem.h"

#include <benchmark/benchmark.h>

#include <dirent.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace {

using KOR::SoundSystem;

void BM_UpdateWithEightMovingChannels(benchmark::State& state) {
  SoundSystem* system = SoundSystem::Get();
  system->Init("", 44100, 8, true);
  system->SetReverb(KOR::kAuditoriumReverb);
  auto sample = std::make_unique<KOR::SoundSample>();
  sample->Load(*system, KOR_BENCH_EFFECT, true);
  sample->SetDistance(5.0f);
  KOR::SoundChannel channels[8];
  for (KOR::SoundChannel& channel : channels)
    channel = sample->Play();
  float t = 0.0f;
  for (auto _ : state) {
    t += 0.016f;
    system->SetListener({0.0f, 0.0f, t}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
    for (int i = 0; i < 8; ++i)
      channels[i].SetPosition({10.0f * std::sin(t + i), 0.0f, t + 10.0f * std::cos(t + i)});
    system->Update();
  }
  // Without hardware 3D every call above does nothing; the figure would mean nothing.
  state.counters["hardware3D"] = system->IsHardware3D() ? 1 : 0;
  sample.reset();
  SoundSystem::Release();
}
BENCHMARK(BM_UpdateWithEightMovingChannels)->Unit(benchmark::kMicrosecond);

// CPU time of the thread with this name, from its scheduler statistics.
double ThreadCpuSeconds(const std::string& name) {
  DIR* tasks = opendir("/proc/self/task");
  double seconds = -1.0;
  while (dirent* entry = tasks ? readdir(tasks) : nullptr) {
    const std::string task = std::string("/proc/self/task/") + entry->d_name;
    std::string comm;
    std::getline(std::ifstream(task + "/comm"), comm);
    if (comm != name)
      continue;
    unsigned long long nanoseconds = 0;
    std::ifstream(task + "/schedstat") >> nanoseconds;
    seconds = nanoseconds / 1e9;
  }
  if (tasks)
    closedir(tasks);
  return seconds;
}

void ReportFeederShare() {
  constexpr double kSeconds = 10.0;
  SoundSystem* system = SoundSystem::Get();
  system->Init("", 44100, 8, false);
  {
    KOR::SoundStream music;
    music.Open(KOR_BENCH_MUSIC);
    music.Play().SetVolume(0.6f);
    const double before = ThreadCpuSeconds("kor-fsound-feed");
    std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
    const double after = ThreadCpuSeconds("kor-fsound-feed");
    if (before < 0 || after < 0)
      std::printf("feeder thread not found\n");
    else
      std::printf("mp3 feeder thread: %.3f%% of one core over %.0f s of music (%.1f ms CPU)\n",
                  100.0 * (after - before) / kSeconds, kSeconds, 1000.0 * (after - before));
  }
  SoundSystem::Release();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("ALSOFT_DRIVERS", "null", 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ReportFeederShare();
  return 0;
}
