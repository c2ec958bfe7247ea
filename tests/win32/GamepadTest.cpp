// A gamepad presses the same virtual keys as the keyboard. Runs with SDL's offscreen
// video driver and a virtual controller, so no display or pad is needed.

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Gamepad.h"
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
    SetGamepadKeys(GamepadKeys{});
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

TEST_F(Gamepad, ButtonsPressTheDefaultKeys) {
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, 'A'}}));
  EXPECT_NE(GetAsyncKeyState('A') & 0x8000, 0) << "the fire key reads as held";
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 0);
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_BACK, 1);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYUP, 'A'}, {WM_KEYDOWN, VK_ESCAPE}}));
  EXPECT_EQ(GetAsyncKeyState('A') & 0x8000, 0);
}

TEST_F(Gamepad, StickSteersWithoutChatter) {
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 30000);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_RIGHT}}));
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 12000);
  EXPECT_TRUE(Drain().empty()) << "between the thresholds the key stays down";
  EXPECT_NE(GetAsyncKeyState(VK_RIGHT) & 0x8000, 0);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 0);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, -30000);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYUP, VK_RIGHT}, {WM_KEYDOWN, VK_UP}}));
}

TEST_F(Gamepad, ThePadFollowsTheKeysThePlayerChose) {
  GamepadKeys chosen;
  chosen.fire = VK_SPACE, chosen.fillEnergy = 'D', chosen.up = 'W', chosen.down = 'X';
  SetGamepadKeys(chosen);
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_B, 1);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_SPACE}, {WM_KEYDOWN, 'D'}}));
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, -30000);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, 'W'}}));
  EXPECT_NE(GetAsyncKeyState('W') & 0x8000, 0);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, 30000);
  EXPECT_EQ(Drain(), (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYUP, 'W'}, {WM_KEYDOWN, 'X'}}));
}

}  // namespace
