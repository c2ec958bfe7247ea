#pragma once
// Quads placed in the world and turned towards the camera: the point sprite (a square
// around a point, with size and in-plane rotation) and the streak (a quad stretched
// along a direction). Their owners add them to a sprite batch, which draws them.

#include <cstdint>

#include "core/Matrix.h"
#include "core/Vector.h"
#include "graphics/PixelFormat.h"
#include "scene/SpriteQuads.h"

namespace KOR {

class RenderPass;
class SpriteBatch;

class WorldSprite {
public:
  WorldSprite() = default;
  WorldSprite(const WorldSprite&) = delete;
  WorldSprite& operator=(const WorldSprite&) = delete;
  // Leaves its batch, which never sees it again.
  virtual ~WorldSprite();

  // The quad's four corners for this view, colours packed; false when the sprite has no
  // shape from this view (it is then not drawn this frame).
  virtual bool WriteVertices(const Matrix& view, SpriteVertex (&out)[4]) const = 0;
  // For sprites that animate themselves; nothing by default.
  virtual void Advance(float) {}

  SpriteBatch* batch = nullptr;
  RenderPass* material = nullptr;
  uint32_t passMask = 0;     // passes that draw the sprite; a pass mask of 0 draws all
  float cameraDepth = 0.0f;  // view-space depth, set by the batch each frame
  Vector3 position;
  Colour colour{1, 1, 1, 1};
};

class PointSprite : public WorldSprite {
public:
  // Corners (−1, −1), (1, −1), (1, 1), (−1, 1) turned by angle, scaled by size, on the
  // plane of the view's right and up axes; texture (0, 1), (1, 1), (1, 0), (0, 0).
  bool WriteVertices(const Matrix& view, SpriteVertex (&out)[4]) const override;

  float size = 1.0f;   // half the edge length
  float angle = 0.0f;  // degrees, in the sprite's plane
};

class StreakSprite : public WorldSprite {
public:
  // Corners position ± length along direction ± width across it, the side axis being
  // the viewing direction × direction. False seen exactly end-on or without a direction.
  bool WriteVertices(const Matrix& view, SpriteVertex (&out)[4]) const override;

  Vector3 direction{0.0f, 0.0f, 1.0f};  // normalised before use
  float length = 1.0f;                   // half the length along direction
  float width = 1.0f;                    // half the width across it
};

}  // namespace KOR
