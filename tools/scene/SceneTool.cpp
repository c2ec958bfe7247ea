// zubra-scene FOLDER: writes the demo level (box.3df and demo.kor.scene) into FOLDER, as
// the scene loader reads them.
//
//   exit 0  written
//   exit 1  a file could not be written
//   exit 2  wrong usage
#include <cstdio>

#include "tools/scene/DemoScene.h"
#include "tools/ToolHelp.h"

const char* const kHelp =
    "Usage: zubra-scene FOLDER\n"
    "Writes the demo level (box.3df and demo.kor.scene) into FOLDER, as the scene loader\n"
    "reads them.\n"
    "\n"
    "Exit status: 0 written; 1 a file could not be written; 2 wrong usage.\n";

int main(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) return ShowHelp(kHelp);
  if (argc != 2) {
    std::fprintf(stderr, "usage: zubra-scene FOLDER\n");
    return 2;
  }
  if (!KOR::WriteDemoScene(argv[1])) {
    std::fprintf(stderr, "zubra-scene: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
