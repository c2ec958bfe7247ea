#pragma once
// The values GPU-program constants can follow automatically: the device, the cameras and
// the screen write them; constants read them at every Apply.

#include "core/Matrix.h"
#include "core/Vector.h"

namespace KOR {

struct AutoConstants {
  Matrix world, view, projection, viewProjection;
  Matrix inverseWorld, inverseView, inverseProjection;
  Vector3 cameraLook{}, cameraPosition{}, cameraRight{}, cameraUp{};
  float screenWidth = 0.0f, screenHeight = 0.0f;
};

// The process-wide store; every matrix is the identity at start-up.
AutoConstants& GetAutoConstants();

}  // namespace KOR
