// zubra-levelcheck FILE: loads a level script as the game does and prints the
// token trace, then the spawn list. Other tools read this output: its format
// is fixed.
//
//   exit 0  loaded; stdout ends with "spawns: N" and N tab-separated lines
//   exit 1  level-script error; stderr "Level Script Sintax Error: " + description
//   exit 2  the file cannot be opened, or wrong usage
#include <cstdio>
#include <string>

#include "core/Exception.h"
#include "script/LevelScript.h"
#include "tools/ToolHelp.h"

namespace {

// Strings are written as they are, NUL bytes included; numbers as printf prints them.
void Text(const std::string& text, char after) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::putchar(after);
}

void Real(float value, char after) { std::printf("%.9g%c", value, after); }

void Integer(int value, char after) { std::printf("%d%c", value, after); }

void PrintSpawns(const LevelScript& level) {
  std::printf("spawns: %d\n", static_cast<int>(level.spawns.size()));
  for (const EnemySpawn& s : level.spawns) {
    Text(s.model, '\t');
    Text(s.diffuse, '\t');
    Text(s.normal, '\t');
    Text(s.specular, '\t');
    Real(s.shininess, '\t');
    Text(s.gun, '\t');
    Integer(s.energy, '\t');
    Real(s.position.x, '\t');
    Real(s.position.y, '\t');
    Real(s.position.z, '\t');
    Integer(s.movement, '\t');
    Real(s.speed, '\t');
    Real(s.freq, '\t');
    Real(s.amplitude, '\t');
    Real(s.phase, '\t');
    Real(s.start, '\n');
  }
}

}  // namespace

const char* const kHelp =
    "Usage: zubra-levelcheck FILE\n"
    "Loads a level script as the game does and prints its token trace, then the enemy\n"
    "spawns it makes: \"spawns: N\" and N tab-separated lines of model, diffuse, normal,\n"
    "specular, shininess, gun, energy, x, y, z, movement, speed, freq, amplitude, phase\n"
    "and start time.\n"
    "\n"
    "Exit status: 0 loaded; 1 a level-script error (its report on standard error);\n"
    "2 the file cannot be opened, or wrong usage.\n";

int main(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) return ShowHelp(kHelp);
  if (argc != 2) {
    std::fprintf(stderr, "usage: zubra-levelcheck FILE\n");
    return 2;
  }
  LevelScript level;
  try {
    level.Load(argv[1]);
  } catch (const KOR::Exception& error) {
    std::fflush(stdout);  // the trace up to the error comes first
    if (error.GetError() == "Cannot open level script") {
      std::fprintf(stderr, "zubra-levelcheck: cannot open level script '%s'\n", argv[1]);
      return 2;
    }
    std::fprintf(stderr, "%s: %s\n", error.GetError().c_str(), error.GetDescription().c_str());
    return 1;
  }
  PrintSpawns(level);
  return 0;
}
