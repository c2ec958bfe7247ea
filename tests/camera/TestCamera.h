#pragma once
// A camera with the device half left out, for the math alone.

#include "core/CameraMath.h"

class TestCamera : public KOR::Camera {
public:
  void ApplyProjection() override {}
  void ApplyCamera() override {}
};
