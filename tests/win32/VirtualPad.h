#pragma once
// A virtual game controller for tests: every axis and button of SDL's controller layout,
// attached and opened; null (SDL_GetError says why) when SDL cannot make one.

#include <SDL.h>

inline SDL_Joystick* OpenVirtualPad() {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  int index = SDL_JoystickAttachVirtualEx(&desc);
  return index >= 0 ? SDL_JoystickOpen(index) : nullptr;
}
