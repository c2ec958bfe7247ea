// A gamepad's controls are keys of their own: each button and each direction of the left
// stick presses its VK_GAMEPAD_ key, as messages and as held state. Runs with SDL's
// offscreen video driver and a virtual controller, so no display or pad is needed.

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"
#include "tests/win32/VirtualPad.h"

namespace {

class Gamepad : public ::testing::Test {
protected:
  void SetUp() override {
    // An offscreen window never has the focus, and SDL drops pad input for unfocused programs.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    Win32Testing::Reset();
    window = CreateWindowExA(0, "STATIC", "game", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(Win32Testing::IsHeadless()) << "needs SDL's offscreen driver";
    joystick = OpenVirtualPad();
    ASSERT_NE(joystick, nullptr) << SDL_GetError();
    Drain();
  }
  void TearDown() override {
    if (joystick) {
      int index = 0;
      SDL_JoystickClose(joystick);
      SDL_JoystickDetachVirtual(index);
    }
    Win32Testing::Reset();
  }

  // Key messages that arrived since the last call, as (message, key) pairs.
  std::vector<std::pair<UINT, WPARAM>> Drain() {
    std::vector<std::pair<UINT, WPARAM>> keys;
    SDL_JoystickUpdate();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) keys.push_back({msg.message, msg.wParam});
    return keys;
  }

  HWND window = nullptr;
  SDL_Joystick* joystick = nullptr;
};

TEST_F(Gamepad, ButtonsPressTheirOwnKeys) {
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_GAMEPAD_A}}));
  EXPECT_NE(GetAsyncKeyState(VK_GAMEPAD_A) & 0x8000, 0) << "the button reads as held";
  EXPECT_EQ(GetAsyncKeyState('A') & 0x8000, 0) << "no keyboard key is pressed for it";
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 0);
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_BACK, 1);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYUP, VK_GAMEPAD_A}, {WM_KEYDOWN, VK_GAMEPAD_VIEW}}));
  EXPECT_EQ(GetAsyncKeyState(VK_GAMEPAD_A) & 0x8000, 0);
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_BACK, 0);
  const std::pair<SDL_GameControllerButton, int> buttons[] = {
      {SDL_CONTROLLER_BUTTON_B, VK_GAMEPAD_B},          {SDL_CONTROLLER_BUTTON_START, VK_GAMEPAD_MENU},
      {SDL_CONTROLLER_BUTTON_DPAD_UP, VK_GAMEPAD_DPAD_UP}, {SDL_CONTROLLER_BUTTON_DPAD_LEFT, VK_GAMEPAD_DPAD_LEFT}};
  Drain();
  for (auto [button, key] : buttons) {
    SDL_JoystickSetVirtualButton(joystick, button, 1);
    EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, WPARAM(key)}})) << key;
    SDL_JoystickSetVirtualButton(joystick, button, 0);
    Drain();
  }
}

TEST_F(Gamepad, StickPressesItsDirectionsWithoutChatter) {
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 30000);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_GAMEPAD_LEFT_THUMBSTICK_RIGHT}}));
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 12000);
  EXPECT_TRUE(Drain().empty()) << "between the thresholds the key stays down";
  EXPECT_NE(GetAsyncKeyState(VK_GAMEPAD_LEFT_THUMBSTICK_RIGHT) & 0x8000, 0);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 0);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, -30000);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYUP, VK_GAMEPAD_LEFT_THUMBSTICK_RIGHT},
                                                           {WM_KEYDOWN, VK_GAMEPAD_LEFT_THUMBSTICK_UP}}));
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, 30000);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYUP, VK_GAMEPAD_LEFT_THUMBSTICK_UP},
                                                           {WM_KEYDOWN, VK_GAMEPAD_LEFT_THUMBSTICK_DOWN}}));
}

}  // namespace
