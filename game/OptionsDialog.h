#pragma once
// The options dialog shown at start-up: resolution, lighting and effects, sound driver
// and reverb, keys and player name, read into GameSettings when the player presses "Go!!".

#include <cstdint>
#include <string>
#include <vector>

#include "game/GameSettings.h"

struct DisplayMode {
  uint32_t width;
  uint32_t height;
  uint32_t refreshRate;
};

// What the dialog offers: the device's 32-bit display modes and shader versions
// (major x 10 + minor), and the sound system's drivers.
struct OptionsChoices {
  std::vector<DisplayMode> displayModes;
  int pixelShaderVersion = 0;
  std::vector<std::string> soundDrivers;
  bool firstDriverHasEax = false;
};

// Registers dialog 101 and bitmap 104 with the program's resources.
void RegisterOptionsResources();

// Shows the dialog and waits for the player. False when the player left with "Exit" or
// the close box; otherwise the settings hold the choices.
bool RunOptionsDialog(const OptionsChoices& choices, GameSettings& settings);

// The resolution list's text for one mode, e.g. "800 x 600   (60 Hz,     4:3)".
std::string DisplayModeText(const DisplayMode& mode);
// Key combo entries: "A" to "Z", "Up", "Down", "Right", "Left", "Space".
extern const char* const kKeyNames[31];
// The virtual-key code of a key combo's selection; no selection or "Space" is the space bar.
uint32_t KeyOfIndex(int index);
