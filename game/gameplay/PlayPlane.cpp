#include "game/gameplay/PlayPlane.h"

#include <algorithm>
#include <cmath>

using KOR::Vector3;

float AngleTo(const Vector3& target, const Vector3& origin) {
  const Vector3 d = target - origin;
  const float length = KOR::Length(d);
  if (length == 0.0f) return 0.0f;
  float a = std::acos(std::clamp(d.x / length, -1.0f, 1.0f));
  if (target.y < origin.y) a = 2.0f * kPi - a;
  return a;
}
