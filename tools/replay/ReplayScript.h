#pragma once
// A replay file read into a plain record: the options dialog's answers, key presses and
// releases by frame, an optional fixed frame time, screenshot frames and the frame after
// which the run is ended. One directive a line; '#' starts a comment.
//
//   resolution 800 600        lighting perpixel|pervertex   glow on|off   specular on|off
//   keys fire=A fill=S up=Up down=Down left=Left right=Right   name Replayer
//   frametime 0.02            (seconds; without it the real clock runs)
//   at FRAME press|release|tap KEY [KEY ...]   (tap: pressed, released the next frame)
//   shot FRAME FILE.png       end FRAME       (quit messages from that frame on)
//   invulnerable              (hits cost energy but never a life: the whole level is flown)
//   autopilot                 (the autopilot flies every game; the keys above still work the menu)

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "game/shell/GameSettings.h"

struct ReplayKeyEvent {
  int64_t frame = 0;
  int virtualKey = 0;
  bool down = false;
};

struct ReplayShot {
  int64_t frame = 0;
  std::string file;
};

struct ReplayScript {
  GameSettings answers;
  double frameTime = 0.0;  // 0: the real clock
  std::vector<ReplayKeyEvent> keys;  // in frame order, file order within a frame
  std::vector<ReplayShot> shots;
  int64_t endFrame = -1;  // -1: the program ends by its own keys
  bool invulnerable = false;  // the ship never loses a life
  bool autopilot = false;     // the autopilot flies the ship in games
};

// The virtual-key code of a name ("A", "7", "Up", "Enter", "Escape", "Space", "F1", "0x41");
// 0 when the name means no key.
int VirtualKeyOf(const std::string& name);

// Reads the text; throws std::runtime_error naming the line on anything it cannot read.
ReplayScript ParseReplay(const std::string& text);
ReplayScript LoadReplay(const std::string& path);
