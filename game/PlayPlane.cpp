#include "game/PlayPlane.h"

#include <algorithm>
#include <cmath>

#include "game/GameSettings.h"

using KOR::Vector3;

KOR::Vector3 PlanePoint(float x, float y) {
  const GameSettings& s = gameSettings;
  return Vector3{s.planeOrigin[0], s.planeOrigin[1], s.planeOrigin[2]} +
         Vector3{s.planeAcross[0], s.planeAcross[1], s.planeAcross[2]} * x +
         Vector3{s.planeUp[0], s.planeUp[1], s.planeUp[2]} * y;
}

KOR::Vector3 PlaneAcross() {
  return {gameSettings.planeAcross[0], gameSettings.planeAcross[1], gameSettings.planeAcross[2]};
}

KOR::Quaternion PlaneOrientation() {
  const float* q = gameSettings.planeOrientation;
  return {q[0], q[1], q[2], q[3]};
}

float AngleTo(const Vector3& target, const Vector3& origin) {
  const Vector3 d = target - origin;
  const float length = KOR::Length(d);
  if (length == 0.0f) return 0.0f;
  float a = std::acos(std::clamp(d.x / length, -1.0f, 1.0f));
  if (target.y < origin.y) a = 2.0f * kPi - a;
  return a;
}
