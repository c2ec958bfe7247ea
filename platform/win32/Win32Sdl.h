#pragma once
// For other platform layers only: the SDL window behind a top-level window, so a
// renderer can draw into it. A window handed to a renderer is no longer painted here.

#include "platform/win32/Windows.h"

struct SDL_Window;

// Null for a child window, without a display, or for a destroyed window.
SDL_Window* Win32GetSdlWindow(HWND window);
// The caller draws this window from now on; the layer keeps handling its events.
void Win32ClaimSurface(HWND window);
