// The program's entry point: the command line, the game's folder, then RunProgram.

#include <cstdio>

#include "game/shell/CommandLine.h"
#include "game/shell/GameFolder.h"
#include "game/shell/Program.h"
#include "game/shell/UserOptions.h"

int main(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::Help:
      std::fputs(kCommandLineHelp, stdout);
      return 0;
    case CommandLine::Action::Version:
      std::printf("%s\n", VersionLine().c_str());
      return 0;
    case CommandLine::Action::Refuse:
      std::fprintf(stderr, "zubra2: %s\nTry 'zubra2 --help' for the options.\n", line.refusal.c_str());
      return 2;
    case CommandLine::Action::Play:
      break;
  }
  // Installed or in build/dist, the data lies by the executable; failing that the working
  // directory is tried, and a missing file is reported as usual.
  EnterGameFolder();
  ProgramOptions options;
  options.optionsPath = UserOptions::DefaultPath();
  options.skipDialog = line.skipDialog;
  options.fullScreen = line.fullScreen;
  options.noVerticalSync = line.noVerticalSync;
  options.traceLevel = line.traceLevel;
  return RunProgram(options);
}
