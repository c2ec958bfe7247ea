#pragma once
// The play plane that the player publishes every frame in the settings record, and the
// directions within it. Enemy, boss, bullet and effect coordinates are world units in
// the plane; the player's own are plane units of 50 world units.

#include "core/Vector.h"

constexpr float kPlaneUnit = 50.0f;
constexpr float kPi = 3.14159265358979f;

// planeOrigin + planeAcross × x + planeUp × y, from the current settings record.
KOR::Vector3 PlanePoint(float x, float y);
inline KOR::Vector3 PlanePoint(const KOR::Vector3& p) { return PlanePoint(p.x, p.y); }
KOR::Vector3 PlaneAcross();
KOR::Quaternion PlaneOrientation();

// The direction from origin to target in [0, 2π): 0 along +x (across), π/2 along +y (up).
// A target on the origin gives 0; a rounding cosine beyond ±1 is held at the end.
float AngleTo(const KOR::Vector3& target, const KOR::Vector3& origin);

// Inside x, y ∈ [−limit, limit]; NaN counts as outside, so nothing lost lives for ever.
inline bool InsideSquare(float x, float y, float limit) {
  return x >= -limit && x <= limit && y >= -limit && y <= limit;
}
