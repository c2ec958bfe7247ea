#pragma once
// The play plane: the moving plane the game is played in, which the player publishes
// every frame for everyone else. Enemy, boss, bullet and effect coordinates are world
// units in the plane; the player's own are plane units of 50 world units.

#include "core/Vector.h"

constexpr float kPlaneUnit = 50.0f;
constexpr float kPi = 3.14159265358979f;

struct PlayPlane {
  KOR::Vector3 origin{0, 0, 0};
  KOR::Vector3 across{0, 0, 0};
  KOR::Vector3 up{0, 0, 0};
  KOR::Quaternion orientation{1, 0, 0, 0};

  // origin + across × x + up × y.
  KOR::Vector3 Point(float x, float y) const { return origin + across * x + up * y; }
  KOR::Vector3 Point(const KOR::Vector3& p) const { return Point(p.x, p.y); }
};

// The direction from origin to target in [0, 2π): 0 along +x (across), π/2 along +y (up).
// A target on the origin gives 0; a rounding cosine beyond ±1 is held at the end.
float AngleTo(const KOR::Vector3& target, const KOR::Vector3& origin);

// Inside x, y ∈ [−limit, limit]; NaN counts as outside, so nothing lost lives for ever.
inline bool InsideSquare(float x, float y, float limit) {
  return x >= -limit && x <= limit && y >= -limit && y <= limit;
}
