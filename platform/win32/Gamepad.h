#pragma once
// Gamepads act as the keyboard: their buttons and left stick press virtual keys. Which keys
// follows the player's choice (the game's default keys until one is made).

#include "platform/win32/Windows.h"

struct GamepadKeys {
  int fire = 'A';
  int fillEnergy = 'S';
  int up = VK_UP;
  int down = VK_DOWN;
  int left = VK_LEFT;
  int right = VK_RIGHT;
};

// The keys the pad presses from now on.
void SetGamepadKeys(const GamepadKeys& keys);

// GetMessageExtraInfo of a key message a pad pressed, so a game can tell the pad's Start
// (VK_RETURN) from the keyboard's Enter.
constexpr LPARAM kGamepadMessageSignature = 0x5A504144;
