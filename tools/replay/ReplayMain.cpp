// zubra-replay: the real game, in this process, played from a replay file.
//   zubra-replay REPLAY [--dir GAME_FOLDER] [--csv FILE] [--shots DIR] [--summary]
//                [--sections NAME=SECONDS,...] [--playtest]
// Runs from GAME_FOLDER (default: here), which holds assets/ and shaders/. The exit status
// is the program's (1 after an error report), or 2 when the replay itself cannot be read.

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "game/shell/GameSettings.h"
#include "game/shell/Program.h"
#include "tools/replay/Autopilot.h"
#include "tools/replay/PlayReport.h"
#include "tools/replay/ReplayRecorder.h"
#include "tools/replay/ReplayScript.h"
#include "tools/ToolHelp.h"

namespace {

int Usage() {
  std::cerr << "usage: zubra-replay REPLAY [--dir GAME_FOLDER] [--csv FILE] [--shots DIR] [--summary]\n"
               "                    [--sections NAME=SECONDS,...] [--playtest]\n";
  return 2;
}

// "canyon=0,city=36,boss=104": sections of the first game by the second each starts at.
bool ParseSections(const std::string& text, std::vector<ReplaySection>& out) {
  std::string::size_type at = 0;
  while (at < text.size()) {
    std::string::size_type end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(at, end - at);
    std::string::size_type equals = item.find('=');
    if (equals == 0 || equals == std::string::npos) return false;
    ReplaySection section;
    section.name = item.substr(0, equals);
    char* rest = nullptr;
    section.from = std::strtod(item.c_str() + equals + 1, &rest);
    if (*rest || !(section.from >= 0) || (!out.empty() && section.from <= out.back().from)) return false;
    for (char c : section.name)
      if (!std::islower(static_cast<unsigned char>(c)) && c != '_') return false;
    out.push_back(section);
    at = end + 1;
  }
  return !out.empty();
}

void PrintFigures(const ReplaySummary& s, const std::string& prefix) {
  const char* p = prefix.c_str();
  std::printf("%sgame_frames %zu\n", p, s.gameFrames);
  std::printf("%sframe_ms_median %.2f\n", p, s.medianMs);
  std::printf("%sframe_ms_p95 %.2f\n", p, s.p95Ms);
  std::printf("%sfps_median %.1f\n", p, s.medianMs > 0 ? 1000.0 / s.medianMs : 0.0);
  std::printf("%sgl_calls_per_frame %.1f\n", p, s.glCallsPerFrame);
  std::printf("%sgl_calls_per_draw %.3f\n", p, s.glCallsPerDraw);
  std::printf("%scpu_ms_per_frame %.2f\n", p, s.cpuMsPerFrame);
}

void PrintSummary(const ReplaySummary& s, int64_t frames) {
  std::printf("frames %lld\n", (long long)frames);
  PrintFigures(s, "");
  for (size_t i = 0; i < s.loadSeconds.size(); ++i)
    std::printf("level_load_s_game%zu %.3f\n", i + 1, s.loadSeconds[i]);
  std::printf("peak_rss_mb %.1f\n", double(s.peakRssKb) / 1024.0);
}

}  // namespace

const char* const kHelp =
    "Usage: zubra-replay REPLAY [--dir GAME_FOLDER] [--csv FILE] [--shots DIR] [--summary]\n"
    "Plays the real game in this process from a replay file, without the options dialog and\n"
    "without vertical sync: the dialog's answers, keys by frame, an optional fixed frame time,\n"
    "screenshots and the frame from which quit messages end the run.\n"
    "\n"
    "  --dir GAME_FOLDER  the folder holding assets/ and shaders/ (default: here)\n"
    "  --csv FILE         a row of timings, GL calls, entities, score and more per frame\n"
    "  --shots DIR        where the replay's screenshots go\n"
    "  --summary          frame-time percentiles, GL calls, CPU, load times and memory\n"
    "  --playtest         each game's score, lives, seconds and boss, and how each life was lost\n"
    "\n"
    "A replay file, one directive a line ('#' starts a comment):\n"
    "  resolution W H | lighting perpixel|pervertex | glow on|off | specular on|off\n"
    "  keys fire=A fill=S up=Up down=Down left=Left right=Right | name NAME\n"
    "  frametime SECONDS | at FRAME press|release|tap KEY... | shot FRAME FILE.png | end FRAME\n"
    "  invulnerable | autopilot (it flies the ship; the keys still work the menu)\n"
    "\n"
    "Exit status: the game's (1 after an error report, its text on standard error), or 2\n"
    "when the replay cannot be read.\n";

int main(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) return ShowHelp(kHelp);
  std::string replayPath, directory, csvPath, shotDirectory;
  bool summary = false, playtest = false;
  std::vector<ReplaySection> sections;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (a == "--dir") {
      if (!value(directory)) return Usage();
    } else if (a == "--csv") {
      if (!value(csvPath)) return Usage();
    } else if (a == "--shots") {
      if (!value(shotDirectory)) return Usage();
    } else if (a == "--summary") {
      summary = true;
    } else if (a == "--playtest") {
      playtest = true;
    } else if (a == "--sections") {
      std::string text;
      if (!value(text) || !ParseSections(text, sections)) return Usage();
      summary = true;
    } else if (!a.empty() && a[0] != '-' && replayPath.empty()) {
      replayPath = a;
    } else {
      return Usage();
    }
  }
  if (replayPath.empty()) return Usage();

  ReplayScript script;
  try {
    script = LoadReplay(replayPath);
  } catch (const std::exception& e) {
    std::cerr << "zubra-replay: " << e.what() << "\n";
    return 2;
  }
  std::ofstream csvFile;
  if (!csvPath.empty()) {
    csvFile.open(csvPath);
    if (!csvFile) {
      std::cerr << "zubra-replay: cannot write " << csvPath << "\n";
      return 2;
    }
  }
  // Paths given are the caller's; the game reads its own relative to its folder.
  if (!shotDirectory.empty() && shotDirectory[0] != '/') {
    char here[4096];
    if (getcwd(here, sizeof here)) shotDirectory = std::string(here) + "/" + shotDirectory;
  }
  if (!directory.empty() && chdir(directory.c_str()) != 0) {
    std::cerr << "zubra-replay: cannot enter " << directory << ": " << std::strerror(errno) << "\n";
    return 2;
  }

  // Frames as fast as they come: a replay measures them, it does not watch them.
  script.answers.verticalSync = 0;
  ReplayRecorder recorder(script, csvPath.empty() ? nullptr : &csvFile, shotDirectory, summary);
  PlayReport report;
  if (playtest) recorder.FeedReport(&report);
  recorder.Install();
  Autopilot autopilot;
  ProgramOptions options;
  options.answers = &script.answers;
  options.invulnerable = script.invulnerable;
  options.watchGames = [&recorder, &autopilot](const GameSession* game) {
    recorder.Watch(game);
    autopilot.Reset();
  };
  if (script.autopilot) options.pilot = [&autopilot](const GameSession& game) { return autopilot.Fly(game); };
  int status = RunProgram(options);
  recorder.Uninstall();
  csvFile.flush();
  if (summary) PrintSummary(recorder.Summary(), recorder.FrameCount());
  if (playtest) std::fputs(report.Text().c_str(), stdout);
  for (size_t i = 0; i < sections.size(); ++i) {
    double to = i + 1 < sections.size() ? sections[i + 1].from : 1e30;
    PrintFigures(recorder.SectionSummary(sections[i].from, to), sections[i].name + "_");
  }
  std::fprintf(stderr, "zubra-replay: %lld frames, exit status %d\n", (long long)recorder.FrameCount(), status);
  if (status == 0 && recorder.ShotFailures()) return 1;
  return status;
}
