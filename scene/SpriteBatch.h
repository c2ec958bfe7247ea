#pragma once
// Draws the world sprites listed in it, farthest from the camera first so blended
// sprites compose, in runs of quads per material. The batch only refers to its sprites;
// either may go first.

#include <cstdint>
#include <vector>

#include "graphics/RenderPass.h"
#include "graphics/SceneRenderer.h"
#include "scene/SpriteQuads.h"

namespace KOR {

class Device;
class RenderStateSet;
class WorldSprite;

class SpriteBatch final : public SpriteLayer {
public:
  // Without a device the batch keeps its list but draws nothing.
  SpriteBatch(Device* device, int capacity);
  SpriteBatch(const SpriteBatch&) = delete;
  SpriteBatch& operator=(const SpriteBatch&) = delete;
  // Detaches every sprite still listed (their batch becomes null).
  ~SpriteBatch();

  // Takes the sprite out of any other batch first, then appends it.
  void Add(WorldSprite* sprite);
  // Only when the sprite is in this batch.
  void Remove(WorldSprite* sprite);
  const std::vector<WorldSprite*>& GetSprites() const { return sprites; }

  // Depth-sorts the list for view, then draws the sprites that share a bit with mask
  // (all of them for a mask of 0) with the depth test on and depth writes off.
  void Draw(const Matrix& view, uint32_t mask);
  void Draw(const Matrix& view) override { Draw(view, 0); }

  const int capacity;
  // What a sprite without a material draws with: its colour alone, alpha-blended.
  RenderPass defaultState;

private:

  std::vector<WorldSprite*> sprites;
  Device* device;
  SpriteQuads quads;
  std::vector<QuadRun> runs;  // this frame's, kept for its storage
  RenderStateSet* spriteStates = nullptr;
};

}  // namespace KOR
