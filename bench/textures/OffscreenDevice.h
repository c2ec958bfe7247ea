#pragma once
// The render device the texture benchmarks load into: made once, 64 × 64, on SDL's
// offscreen driver with a GL 3.3 context, unless the environment already asks otherwise.

#include <cstdlib>

#include "graphics/Device.h"
#include "graphics/RenderSystem.h"

inline void OffscreenDevice() {
  static bool made = false;
  if (made) return;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 0);
  KOR::RenderSystem::Instance().LoadModule("d3d9");
  KOR::RenderSystem::Instance().CreateDevice()->Create(64, 64, true, 3, 0, 0);
  made = true;
}
