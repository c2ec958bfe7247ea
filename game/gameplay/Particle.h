#pragma once
// One sprite of an effect: a start delay, a lifetime over which colour and size ramp
// linearly and the animation frames play once, and its own motion and spin.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Vector.h"
#include "graphics/PixelFormat.h"
#include "scene/WorldSprite.h"

namespace KOR {
class RenderPass;
class Scene;
}  // namespace KOR
struct PlayPlane;

class Particle {
public:
  // A point sprite, or a streak when oriented.
  explicit Particle(bool oriented = false);

  // Adds a frame from the scene's sprite materials (its texture from the scene's cache).
  void AddFrame(KOR::Scene& scene, const std::string& textureName, bool additive = true);
  // Ages the particle and hands its state to the sprite; false once it has outlived its
  // lifetime, after which nothing about it changes any more.
  bool Advance(float dt);

  KOR::WorldSprite& GetSprite() { return *sprite; }
  const KOR::WorldSprite& GetSprite() const { return *sprite; }

  float age = 0.0f;
  std::vector<KOR::RenderPass*> frames;
  KOR::RenderPass* currentFrame = nullptr;
  bool oriented = false;
  float lengthScale = 1.0f, widthScale = 1.0f;
  uint32_t spriteFlag = 0;  // the sprite's pass mask
  // Position in this plane's coordinates (world units); none: in the world.
  const PlayPlane* plane = nullptr;
  float lifetime = 1.0f;
  float delay = 0.0f;
  KOR::Vector3 position, velocity, acceleration;
  float rotation = 0.0f;  // degrees
  float spin = 0.0f;      // degrees per second
  KOR::Colour startColour{1, 1, 1, 1}, endColour{1, 1, 1, 1};
  float startSize = 1.0f, endSize = 1.0f;
  // What the last advance computed.
  KOR::Colour colour{1, 1, 1, 1};
  float size = 1.0f;
  int frameIndex = 0;

private:
  std::unique_ptr<KOR::WorldSprite> sprite;
};
