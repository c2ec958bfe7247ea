// The player's walk with a gamepad alone, in the real program from build/dist: Start on
// the menu plays, Back ends the game, Back on the menu leaves with status 0. A virtual SDL
// controller presses the buttons, frame by frame, on a fixed clock.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "game/shell/Program.h"
#include "platform/d3d9/D3D9Testing.h"
#include "platform/win32/Win32Testing.h"
#include "tests/win32/VirtualPad.h"

namespace {

TEST(GamepadWalk, StartPlaysBackEndsTheGameAndBackAgainLeaves) {
  std::filesystem::current_path(KOR_DIST);
  GameSettings answers;
  answers.screenWidth = 320, answers.screenHeight = 240;
  answers.playerName = "Padder";
  Win32Testing::UseManualClock(true);
  SDL_Joystick* pad = nullptr;
  int frame = 0, busiestGameFrame = 0, busiestMenuFrame = 0, swapInterval = -1;
  uint64_t drawsBefore = D3D9GetCounters().draws;
  auto button = [&](SDL_GameControllerButton b, bool down) {
    SDL_JoystickSetVirtualButton(pad, b, down ? 1 : 0);
    SDL_JoystickUpdate();
  };
  D3D9SetPresentHook([&](IDirect3DDevice9*) {
    ++frame;
    Win32Testing::AdvanceClock(1.0 / 30.0);
    if (frame == 1) swapInterval = SDL_GL_GetSwapInterval();  // the device's context is current
    uint64_t draws = D3D9GetCounters().draws;
    // Start is pressed at frame 40: what comes before is the menu.
    int& busiest = frame < 40 ? busiestMenuFrame : busiestGameFrame;
    busiest = std::max(busiest, int(draws - drawsBefore));
    drawsBefore = draws;
    if (frame == 2) {
      pad = OpenVirtualPad();
    }
    if (!pad) return;
    if (frame == 40) button(SDL_CONTROLLER_BUTTON_START, true);   // play
    if (frame == 42) button(SDL_CONTROLLER_BUTTON_START, false);
    if (frame == 200) button(SDL_CONTROLLER_BUTTON_BACK, true);   // end the game
    if (frame == 202) button(SDL_CONTROLLER_BUTTON_BACK, false);
    if (frame == 300) button(SDL_CONTROLLER_BUTTON_BACK, true);   // leave
    if (frame == 302) button(SDL_CONTROLLER_BUTTON_BACK, false);
    if (frame == 2000) PostQuitMessage(0);  // a walk that went wrong still ends
  });
  ProgramOptions options;
  options.answers = &answers;
  EXPECT_EQ(RunProgram(options), 0);
  D3D9SetPresentHook(nullptr);
  Win32Testing::UseManualClock(false);
  ASSERT_NE(pad, nullptr) << SDL_GetError();
  EXPECT_LT(frame, 600) << "Back on the menu ended the program";
  EXPECT_GT(busiestGameFrame, 2 * busiestMenuFrame) << "a game with its scenery was drawn between Start and Back";
  EXPECT_EQ(swapInterval, 1) << "the settings' default: Present waits for the display's refresh";
  SDL_JoystickClose(pad);
}

}  // namespace
