#pragma once
// What the player asks of the ship in one frame: the program samples the keyboard and
// the pads once per frame into it, and the ship reads nothing else.

struct PlayCommand {
  bool up = false, down = false, left = false, right = false;
  bool fire = false;
  bool fill = false;  // charge the cage; holds the fire
};
