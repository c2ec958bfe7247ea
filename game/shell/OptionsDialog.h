#pragma once
// The options dialog shown at start-up: resolution, lighting and effects, sound driver
// and reverb, keys and player name, vertical sync and full screen, opened at the last
// run's choices and read back when the player presses "Go!!".

#include <cstdint>
#include <string>
#include <vector>

#include "game/shell/GameSettings.h"
#include "game/shell/UserOptions.h"

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

// What the dialog opens with: each remembered choice that the dialog offers, and for the
// rest its defaults (the last mode up to 480 lines, else the first; per pixel where the
// shaders allow; the first driver and its reverb; A, S and the arrows; "Player"; specular,
// glow, vertical sync and full screen on). Specular and glow are their boxes, whatever
// the lighting.
GameSettings OpeningChoices(const OptionsChoices& offered, const RememberedOptions& remembered);
// The settings a game runs with from the dialog's choices: per-vertex lighting switches
// specular, glow and filtering off, whatever their boxes show.
GameSettings SettingsOf(const GameSettings& choices);

// Shows the dialog opened at choices and waits for the player. False when the player left
// with "Exit" or the close box (choices untouched); otherwise choices hold the controls as
// the player left them.
bool RunOptionsDialog(const OptionsChoices& offered, GameSettings& choices);

// The resolution list's text for one mode, e.g. "800 x 600   (60 Hz,     4:3)".
std::string DisplayModeText(const DisplayMode& mode);
// Key combo entries: "A" to "Z", "Up", "Down", "Right", "Left", "Space".
extern const char* const kKeyNames[31];
// The virtual-key code of a key combo's selection; no selection or "Space" is the space bar.
uint32_t KeyOfIndex(int index);
// The combo entry of a virtual key; -1 for a key the combos do not offer.
int IndexOfKey(uint32_t key);
