#pragma once
// The whole program between its entry point and its exit status: the render device and
// sound, the options dialog, the device window, the menu and games in turn. Exit status
// 0 for a normal end and for closing the dialog, 1 after an error report.

#include <functional>
#include <optional>
#include <string>

#include "game/shell/GameSettings.h"
#include "game/shell/OneGame.h"

struct ProgramOptions {
  // Answers in place of the options dialog, which is then not shown (the replay tool).
  const GameSettings* answers = nullptr;
  // The ship never loses a life (the replay tool's benchmarks fly the whole level).
  bool invulnerable = false;
  // Called once the device window, sound and level script are ready, before the menu,
  // with the settings the run plays with.
  std::function<void(const GameSettings&)> started;
  // Where the dialog opens from and "Go!!" keeps the choices (empty: nothing is kept).
  std::string optionsPath;
  // Play with the remembered choices without showing the dialog.
  bool skipDialog = false;
  // For this run only: full screen or a window, and no wait for the display's refresh.
  // The dialog opens showing them; what is remembered changes only if the player changes
  // the box.
  std::optional<bool> fullScreen;
  bool noVerticalSync = false;
  // The level script's token trace on standard output.
  bool traceLevel = false;
  // Told when each game starts running and when it ends (tools that watch a game).
  GameWatch watchGames;
  // Flies every game's ship in place of the keyboard and pads (the replay tool's
  // autopilot); the menu's keys still come from the input.
  GamePilot pilot;
};

int RunProgram(const ProgramOptions& options = {});
