#pragma once
// The player's choices: filled from the options dialog (or the remembered choices) and
// passed to what needs them (the device, sound, input map and each game's set-up).

#include <cstdint>
#include <string>

struct GameSettings {
  uint8_t perPixelLighting = 0;
  uint8_t glowEffects = 1;
  uint8_t specularLighting = 1;
  uint8_t highQualityFiltering = 0;
  uint32_t screenWidth = 800;
  uint32_t screenHeight = 600;
  std::string soundDriver;
  uint8_t eaxReverb = 1;
  uint32_t keyFire = 0x41;
  uint32_t keyFillEnergy = 0x53;
  uint32_t keyUp = 0x26;
  uint32_t keyDown = 0x28;
  uint32_t keyRight = 0x27;
  uint32_t keyLeft = 0x25;
  std::string playerName = "Player";
  uint8_t verticalSync = 1;  // Present waits for the display's refresh
  uint8_t fullScreen = 1;
};
