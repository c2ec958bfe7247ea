#include "tools/replay/ReplayRecorder.h"

#include <sys/resource.h>
#include <unistd.h>

#include <stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "core/DebugConsole.h"
#include "game/gameplay/GameSession.h"
#include "game/gameplay/Player.h"
#include "platform/d3d9/D3D9Testing.h"
#include "platform/fmod/FmodTesting.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"
#include "scene/ScreenOverlay.h"
#include "scene/SpriteBatch.h"
#include "tools/replay/PlayReport.h"

namespace {

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

long ResidentKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int64_t Counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0.0;
  size_t index = size_t(fraction * double(values.size() - 1) + 0.5);
  std::nth_element(values.begin(), values.begin() + ptrdiff_t(index), values.end());
  return values[index];
}

bool WritePng(const std::string& file, IDirect3DDevice9* device) {
  std::vector<uint32_t> pixels;
  UINT width = 0, height = 0;
  if (!D3D9ReadBackBuffer(device, &pixels, &width, &height)) return false;
  std::vector<unsigned char> rgba(pixels.size() * 4);
  for (size_t i = 0; i < pixels.size(); ++i) {
    rgba[i * 4 + 0] = (pixels[i] >> 16) & 0xFF;
    rgba[i * 4 + 1] = (pixels[i] >> 8) & 0xFF;
    rgba[i * 4 + 2] = pixels[i] & 0xFF;
    rgba[i * 4 + 3] = 0xFF;  // the back buffer's alpha is not part of the picture
  }
  return stbi_write_png(file.c_str(), int(width), int(height), 4, rgba.data(), int(width) * 4) != 0;
}

}  // namespace

const char* ReplayRecorder::CsvHeader() {
  return "frame,game_time,frame_ms,gl_calls,draw_calls,state_changes,entities,score,lives,"
         "game,live_objects,live_textures,live_shaders,live_gl_programs,overlays,sprites,"
         "samples,streams,rss_kb,cpu_ms";
}

ReplayRecorder::ReplayRecorder(const ReplayScript& script, std::ostream* csv, std::string shotDirectory,
                               bool keepSummary)
    : script(script), csv(csv), shotDirectory(std::move(shotDirectory)), keepSummary(keepSummary) {}

ReplayRecorder::~ReplayRecorder() { Uninstall(); }

void ReplayRecorder::Install() {
  installed = true;
  if (csv) *csv << CsvHeader() << '\n';
  D3D9SetPresentHook([this](IDirect3DDevice9* device) { OnPresent(device); });
  Win32Testing::SetWaitHandler([this] { PressReportOk(); });
  // Without a display the layer asks the idle handler instead of waiting.
  Win32Testing::SetIdleHandler([this] {
    bool had = reportShown;
    PressReportOk();
    return reportShown != had;
  });
  if (script.frameTime > 0.0) Win32Testing::UseManualClock(true);
  D3D9Counters c = D3D9GetCounters();
  lastGl = D3D9GlCallCount(), lastDraws = c.draws, lastStates = c.stateChanges;
  lastWall = WallSeconds();
  lastCpu = CpuMs();
  Prepare(0);
}

void ReplayRecorder::Uninstall() {
  if (!installed) return;
  installed = false;
  D3D9SetPresentHook(nullptr);
  Win32Testing::SetWaitHandler(nullptr);
  Win32Testing::SetIdleHandler(nullptr);
  Win32Testing::UseManualClock(false);
}

void ReplayRecorder::Watch(const GameSession* game) {
  running = game;
  if (!game && report) report->EndGame();
}

void ReplayRecorder::PressReportOk() {
  HWND ok = KOR::debugConsole->GetButton();
  if (!ok) return;
  if (!reportShown) {
    std::cerr << "zubra-replay: the program reported an error; its console reads:\n"
              << KOR::debugConsole->GetText() << std::flush;
    reportShown = true;
  }
  Win32Testing::Click(ok);
}

void ReplayRecorder::OnPresent(IDirect3DDevice9* device) {
  double wall = WallSeconds(), cpu = CpuMs();
  const GameSession* scene = running;
  bool firstOfGame = false;
  if (scene && !inGame) {
    ++game;
    inGame = true;
    firstOfGame = true;
    gameStartCounter = Counter();
    if (keepSummary) loadSeconds.push_back(wall - lastWall);
  } else if (!scene) {
    inGame = false;
  }

  ReplayFrame& f = last;
  f = ReplayFrame{};
  f.frame = frame;
  f.game = inGame ? game : 0;
  f.frameMs = (wall - lastWall) * 1e3;
  f.cpuMs = cpu - lastCpu;
  D3D9Counters c = D3D9GetCounters();
  uint64_t gl = D3D9GlCallCount();
  f.glCalls = gl - lastGl, f.draws = c.draws - lastDraws, f.stateChanges = c.stateChanges - lastStates;
  f.liveObjects = c.liveObjects, f.liveTextures = c.liveTextures, f.liveShaders = c.liveShaders;
  f.liveGlPrograms = c.liveGlPrograms;
  FSOUND_Testing_GetLiveCounts(&f.samples, &f.streams);
  f.rssKb = ResidentKb();
  if (scene) {
    f.gameTime = double(Counter() - gameStartCounter) / 1e9;
    f.entities = scene->GetEntityCount();
    if (report) report->Observe(*scene);
    if (const Player* player = scene->player) f.score = player->score, f.lives = player->lives;
    if (const KOR::OverlayBatch* overlays = scene->GetOverlays()) f.overlays = overlays->GetOverlays().size();
    if (const KOR::SpriteBatch* sprites = scene->GetSprites()) f.sprites = sprites->GetSprites().size();
  }
  if (csv) {
    char row[512];
    std::snprintf(row, sizeof row,
                  "%lld,%.4f,%.3f,%llu,%llu,%llu,%zu,%d,%d,%d,%llu,%llu,%llu,%llu,%zu,%zu,%d,%d,%ld,%.3f\n",
                  (long long)f.frame, f.gameTime, f.frameMs, (unsigned long long)f.glCalls,
                  (unsigned long long)f.draws, (unsigned long long)f.stateChanges, f.entities, f.score,
                  f.lives, f.game, (unsigned long long)f.liveObjects, (unsigned long long)f.liveTextures,
                  (unsigned long long)f.liveShaders, (unsigned long long)f.liveGlPrograms, f.overlays,
                  f.sprites, f.samples, f.streams, f.rssKb, f.cpuMs);
    *csv << row;
  }
  if (keepSummary && inGame && !firstOfGame)
    gameFrames.push_back({f.game, f.gameTime, f.frameMs, f.cpuMs, f.glCalls, f.draws});

  while (nextShot < script.shots.size() && script.shots[nextShot].frame <= frame) {
    const ReplayShot& shot = script.shots[nextShot++];
    std::string file = shot.file;
    if (!shotDirectory.empty() && !file.empty() && file[0] != '/') file = shotDirectory + "/" + file;
    if (!WritePng(file, device)) {
      std::cerr << "zubra-replay: could not write the screenshot " << file << "\n";
      ++shotFailures;
    }
  }

  ++frame;
  Prepare(frame);
  // The next frame's interval starts here: screenshots and the row are not its cost.
  lastWall = WallSeconds();
  lastCpu = CpuMs();
  lastGl = D3D9GlCallCount();
  c = D3D9GetCounters();
  lastDraws = c.draws, lastStates = c.stateChanges;
}

void ReplayRecorder::Prepare(int64_t next) {
  if (script.frameTime > 0.0 && next > 0) Win32Testing::AdvanceClock(script.frameTime);
  for (; nextKey < script.keys.size() && script.keys[nextKey].frame <= next; ++nextKey) {
    const ReplayKeyEvent& key = script.keys[nextKey];
    if (key.down) Win32Testing::KeyDown(key.virtualKey);
    else Win32Testing::KeyUp(key.virtualKey);
  }
  // A quit ends a game, then the menu; one per place, since the menu's fade restarts
  // with every quit it receives.
  int place = inGame ? game : 0;
  if (script.endFrame >= 0 && next >= script.endFrame && quitPostedIn != place) {
    quitPostedIn = place;
    PostQuitMessage(0);
  }
}

ReplaySummary ReplayRecorder::Summary() const {
  return SummaryOf([](const GameFrame&, double, double) { return true; }, 0.0, 0.0);
}

ReplaySummary ReplayRecorder::SectionSummary(double from, double to) const {
  return SummaryOf([](const GameFrame& f, double a, double b) { return f.game == 1 && f.gameTime >= a && f.gameTime < b; },
                   from, to);
}

ReplaySummary ReplayRecorder::SummaryOf(bool (*wanted)(const GameFrame&, double, double), double from,
                                        double to) const {
  ReplaySummary s;
  std::vector<double> frameMs;
  uint64_t glCalls = 0, draws = 0;
  double cpuMs = 0.0;
  for (const GameFrame& f : gameFrames) {
    if (!wanted(f, from, to)) continue;
    frameMs.push_back(f.frameMs);
    glCalls += f.glCalls, draws += f.draws, cpuMs += f.cpuMs;
  }
  s.gameFrames = frameMs.size();
  s.medianMs = Percentile(frameMs, 0.5);
  s.p95Ms = Percentile(frameMs, 0.95);
  if (s.gameFrames) {
    s.glCallsPerFrame = double(glCalls) / double(s.gameFrames);
    s.cpuMsPerFrame = cpuMs / double(s.gameFrames);
  }
  s.glCallsPerDraw = draws ? double(glCalls) / double(draws) : 0.0;
  s.loadSeconds = loadSeconds;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  s.peakRssKb = usage.ru_maxrss;
  return s;
}
