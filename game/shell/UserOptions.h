#pragma once
// The options dialog's choices kept between runs: a small text file of "key = value" lines
// under the player's configuration directory, read key by key and written whole.
//
//   resolution = 1024x768          lighting = perpixel | pervertex
//   specular = on | off            glow = on | off
//   sound-driver = <driver name>   reverb = on | off
//   vertical-sync = on | off       full-screen = on | off
//   key-fire = A   key-fill-energy = S   key-up = Up   key-down = Down
//   key-left = Left   key-right = Right  (a key is a letter, Up, Down, Left, Right, Space)
//   name = <up to 15 characters>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/shell/GameSettings.h"

// What the file said; a key that is missing or unreadable stays empty. Keys are virtual-key
// codes; specular and glow are the dialog's boxes, whatever the lighting.
struct RememberedOptions {
  std::optional<uint32_t> screenWidth, screenHeight;
  std::optional<bool> perPixelLighting, specularLighting, glowEffects;
  std::optional<std::string> soundDriver;
  std::optional<bool> eaxReverb;
  std::optional<bool> verticalSync, fullScreen;
  std::optional<uint32_t> keyFire, keyFillEnergy, keyUp, keyDown, keyRight, keyLeft;
  std::optional<std::string> playerName;
};

// The longest file read; what lies beyond is left out like a damaged line.
constexpr size_t kOptionsFileLimit = 64 * 1024;

// Reads an options file's text. Blank lines and lines starting with '#' are comments;
// every other line that is not a known key with a readable value is left out and its
// number added to refusedLines (when given). A later line for a key replaces an earlier.
RememberedOptions ParseOptions(std::string_view text, std::vector<int>* refusedLines = nullptr);
// The file's text for the choices, which ParseOptions reads back to the same values.
std::string FormatOptions(const GameSettings& choices);

class UserOptions {
public:
  // $XDG_CONFIG_HOME/zubra2/options.conf, or ~/.config/zubra2/options.conf when
  // XDG_CONFIG_HOME is unset, empty or relative; empty when there is no home either.
  static std::string DefaultPath();

  explicit UserOptions(std::string path = DefaultPath());

  // What the file remembers; nothing when there is no file (or no path). Lines it cannot
  // use are left out and said in one trace line.
  RememberedOptions Load() const;
  // Writes the choices through a temporary file renamed into place. False, said in one
  // trace line, when it cannot.
  bool Save(const GameSettings& choices) const;

  const std::string& GetPath() const { return path; }

private:
  std::string path;
};
