#include "game/shell/CommandLine.h"

#include <cstring>

const char* const kCommandLineHelp =
    "Usage: zubra2 [OPTION]...\n"
    "Zubra 2, a 3D on-rails shoot-'em-up. Without options the options dialog opens with\n"
    "the choices of the last game started, and \"Go!!\" plays.\n"
    "\n"
    "  --no-options   start with the remembered choices, without the options dialog\n"
    "  --windowed     play in a window this time\n"
    "  --fullscreen   play in full screen this time\n"
    "  --no-vsync     do not wait for the display's refresh (faster, may tear)\n"
    "  --trace-level  print the level script's token trace on standard output\n"
    "  -h, --help     show this help and leave\n"
    "  --version      show the version and leave\n"
    "\n"
    "In a game: arrows move, A fires, S refills energy (or the keys chosen in the dialog),\n"
    "P or Pause pauses, Escape ends the game, Alt+Enter switches full screen.\n"
    "Choices are kept in $XDG_CONFIG_HOME/zubra2/options.conf (~/.config/zubra2/), the\n"
    "best scores in $XDG_DATA_HOME/zubra2/score.zub.score (~/.local/share/zubra2/).\n";

std::string VersionLine() { return std::string("zubra2 ") + KOR_VERSION; }

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  std::string refusal;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (!std::strcmp(a, "--version")) {
      line.action = CommandLine::Action::Version;
      return line;
    }
    if (!std::strcmp(a, "--no-options")) {
      line.skipDialog = true;
    } else if (!std::strcmp(a, "--windowed") || !std::strcmp(a, "--fullscreen")) {
      bool full = a[2] == 'f';
      if (line.fullScreen && *line.fullScreen != full && refusal.empty())
        refusal = "--windowed and --fullscreen cannot both be asked for";
      line.fullScreen = full;
    } else if (!std::strcmp(a, "--no-vsync")) {
      line.noVerticalSync = true;
    } else if (!std::strcmp(a, "--trace-level")) {
      line.traceLevel = true;
    } else if (refusal.empty()) {
      refusal = a[0] == '-' ? "unknown option '" + std::string(a) + "'"
                            : "unexpected argument '" + std::string(a) + "' (the game takes no files)";
    }
  }
  if (!refusal.empty()) {
    line.action = CommandLine::Action::Refuse;
    line.refusal = refusal;
  }
  return line;
}
