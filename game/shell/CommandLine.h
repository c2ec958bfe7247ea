#pragma once
// The game's command line: what the player may ask for before the options dialog.

#include <optional>
#include <string>

struct CommandLine {
  enum class Action { Play, Help, Version, Refuse };
  Action action = Action::Play;
  std::string refusal;  // why, for Refuse: one line naming the argument
  bool skipDialog = false;           // --no-options
  std::optional<bool> fullScreen;    // --fullscreen (true) or --windowed (false)
  bool noVerticalSync = false;       // --no-vsync
  bool traceLevel = false;           // --trace-level
};

// Reads the arguments after the program's name. --help or --version anywhere wins over
// the rest; an unknown option, an argument that is not an option, or both --windowed and
// --fullscreen refuse the line.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// What --help prints.
extern const char* const kCommandLineHelp;
// What --version prints: "zubra2 " and the version, one line.
std::string VersionLine();
