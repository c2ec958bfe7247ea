#pragma once
// Plays a replay through the program's own frames: at every Present it writes the frame's
// CSV row and screenshots, then sets up the next frame (clock step, keys, the end). It
// also presses "Ok" on a report, after echoing the console's text to stderr, so a failing
// run ends with the program's status instead of waiting for a person.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/replay/ReplayScript.h"

class GameSession;
class PlayReport;

struct IDirect3DDevice9;

// What one frame showed, as the CSV row holds it.
struct ReplayFrame {
  int64_t frame = 0;
  int game = 0;            // 1 for the first game, 0 in the menu
  double gameTime = 0.0;   // seconds by the performance counter since the game's first frame
  double frameMs = 0.0;    // wall time since the previous frame
  uint64_t glCalls = 0, draws = 0, stateChanges = 0;
  size_t entities = 0;
  int score = 0, lives = 0;  // 0 in the menu
  uint64_t liveObjects = 0, liveTextures = 0, liveShaders = 0, liveGlPrograms = 0;
  size_t overlays = 0, sprites = 0;
  int samples = 0, streams = 0;
  long rssKb = 0;
  double cpuMs = 0.0;  // user + system time since the previous frame
};

// Figures over the frames of games (a game's first frame, which loads it, left out), and
// the load of every game: the first is cold, later ones find their shaders compiled.
struct ReplaySummary {
  size_t gameFrames = 0;
  double medianMs = 0, p95Ms = 0, glCallsPerFrame = 0, glCallsPerDraw = 0, cpuMsPerFrame = 0;
  std::vector<double> loadSeconds;  // per game: the last menu frame to the game's first frame
  long peakRssKb = 0;
};

// A stretch of the first game's time, from one second to the next (or to its end).
struct ReplaySection {
  std::string name;
  double from = 0.0;
};

class ReplayRecorder {
public:
  // csv may be null; screenshots are written under shotDirectory. The summary's figures
  // are kept only when asked for (they grow with the frames; soak runs leave them out).
  ReplayRecorder(const ReplayScript& script, std::ostream* csv, std::string shotDirectory,
                 bool keepSummary);
  ~ReplayRecorder();
  ReplayRecorder(const ReplayRecorder&) = delete;
  ReplayRecorder& operator=(const ReplayRecorder&) = delete;

  // Sets the layers' hooks (present, wait, manual clock) and the keys of frame 0.
  void Install();
  void Uninstall();

  // The game now running (its session), or null between games: ProgramOptions'
  // watchGames tells it.
  void Watch(const GameSession* game);
  // Fed every frame of every game from now on (null: none).
  void FeedReport(PlayReport* to) { report = to; }
  ReplaySummary Summary() const;
  // The same figures over the first game's frames from `from` up to `to` seconds of its
  // time (its load and peak memory are the whole run's).
  ReplaySummary SectionSummary(double from, double to) const;
  const ReplayFrame& LastFrame() const { return last; }
  int64_t FrameCount() const { return frame; }
  int ShotFailures() const { return shotFailures; }
  bool ReportShown() const { return reportShown; }

  static const char* CsvHeader();

private:
  void OnPresent(IDirect3DDevice9* device);
  void Prepare(int64_t frame);
  void PressReportOk();

  const ReplayScript& script;
  std::ostream* csv;
  std::string shotDirectory;
  bool installed = false;
  size_t nextKey = 0, nextShot = 0;
  int64_t frame = 0;
  const GameSession* running = nullptr;
  PlayReport* report = nullptr;
  int game = 0;
  bool inGame = false;
  int64_t gameStartCounter = 0;
  double lastWall = 0.0, lastCpu = 0.0;
  uint64_t lastGl = 0, lastDraws = 0, lastStates = 0;
  int quitPostedIn = -1;  // the game (0: menu) a quit was last posted in
  int shotFailures = 0;
  bool reportShown = false;
  bool keepSummary;
  ReplayFrame last;
  struct GameFrame {
    int game;
    double gameTime, frameMs, cpuMs;
    uint64_t glCalls, draws;
  };
  std::vector<GameFrame> gameFrames;  // every game's frames but its first
  ReplaySummary SummaryOf(bool (*wanted)(const GameFrame&, double, double), double from, double to) const;
  std::vector<double> loadSeconds;
};
