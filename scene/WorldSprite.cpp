#include "scene/WorldSprite.h"

#include <cmath>

#include "scene/SpriteBatch.h"

namespace KOR {
namespace {

constexpr float kCorners[4][2] = {{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}};

// The view matrix's columns are the camera's right, up and look axes in world space.
Vector3 ViewAxis(const Matrix& view, int column) {
  return {view.m[0][column], view.m[1][column], view.m[2][column]};
}

}  // namespace

WorldSprite::~WorldSprite() {
  if (batch) batch->Remove(this);
}

bool PointSprite::WriteVertices(const Matrix& view, SpriteVertex (&out)[4]) const {
  static const float pi = std::acos(-1.0f);
  static constexpr float kTexCoords[4][2] = {{0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}};
  const float a = angle * pi / 180.0f;
  const float c = std::cos(a), s = std::sin(a);
  const Vector3 right = ViewAxis(view, 0), up = ViewAxis(view, 1);
  const uint32_t packed = PackColour(colour);
  for (int i = 0; i < 4; ++i) {
    const float x = kCorners[i][0] * c - kCorners[i][1] * s;
    const float y = kCorners[i][0] * s + kCorners[i][1] * c;
    out[i] = {position + (x * size) * right + (y * size) * up, packed, kTexCoords[i][0], kTexCoords[i][1]};
  }
  return true;
}

bool StreakSprite::WriteVertices(const Matrix& view, SpriteVertex (&out)[4]) const {
  const float directionLength = Length(direction);
  if (!(directionLength > 0.0f)) return false;
  const Vector3 along = direction * (1.0f / directionLength);
  const Vector3 cross = Cross(ViewAxis(view, 2), along);
  const float crossLength = Length(cross);
  // End-on, the side axis is undefined: nothing sensible to draw this frame.
  if (!(crossLength > 1e-6f)) return false;
  const Vector3 side = cross * (1.0f / crossLength);
  const uint32_t packed = PackColour(colour);
  for (int i = 0; i < 4; ++i) {
    const float a = kCorners[i][0], b = kCorners[i][1];
    out[i] = {position + (a * length) * along + (b * width) * side, packed, (a + 1.0f) * 0.5f, (b + 1.0f) * 0.5f};
  }
  return true;
}

}  // namespace KOR
