#pragma once
// The whole program between its entry point and its exit status: the render device and
// sound, the options dialog, the device window, the menu and games in turn. Exit status
// 0 for a normal end and for closing the dialog, 1 after an error report.

#include <functional>

#include "game/GameSettings.h"

struct ProgramOptions {
  // Answers in place of the options dialog, which is then not shown (the replay tool).
  const GameSettings* answers = nullptr;
  // The ship never loses a life (the replay tool's benchmarks fly the whole level).
  bool invulnerable = false;
  // Called once the device window, sound and level script are ready, before the menu.
  std::function<void()> started;
};

int RunProgram(const ProgramOptions& options = {});
