#include "game/gameplay/Particle.h"

#include <algorithm>
#include <cmath>

#include "game/gameplay/PlayPlane.h"
#include "scene/Scene.h"
#include "scene/SpriteMaterials.h"

namespace {
KOR::Colour Ramp(const KOR::Colour& a, const KOR::Colour& b, float f) {
  return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
}
}  // namespace

Particle::Particle(bool oriented) : oriented(oriented) {
  if (oriented) sprite = std::make_unique<KOR::StreakSprite>();
  else sprite = std::make_unique<KOR::PointSprite>();
}

void Particle::AddFrame(KOR::Scene& scene, const std::string& textureName, bool additive) {
  frames.push_back(scene.GetSpriteMaterials().Get(textureName, additive ? KOR::SpriteBlend::Additive
                                                                         : KOR::SpriteBlend::Alpha));
}

bool Particle::Advance(float dt) {
  age += dt;
  if (age > lifetime) return false;
  velocity = velocity + acceleration * dt;
  position = position + velocity * dt;
  rotation += spin * dt;
  const float f = lifetime > 0.0f ? age / lifetime : 1.0f;
  colour = Ramp(startColour, endColour, f);
  size = startSize + (endSize - startSize) * f;
  if (!frames.empty()) {
    // Each frame gets an equal share of the lifetime, so the last one is seen too (f
    // reaches 1 only at the very end); held inside the list at both ends.
    const int count = int(frames.size());
    frameIndex = std::clamp(int(f * float(count)), 0, count - 1);
    currentFrame = frames[size_t(frameIndex)];
  }

  const KOR::Vector3 world = plane ? plane->Point(position) : position;
  sprite->position = world;
  sprite->colour = colour;
  sprite->material = currentFrame;
  sprite->passMask = spriteFlag;
  if (oriented) {
    auto& streak = static_cast<KOR::StreakSprite&>(*sprite);
    streak.direction = plane ? plane->across : KOR::Vector3{1.0f, 0.0f, 0.0f};
    streak.length = size * lengthScale;
    streak.width = size * widthScale;
  } else {
    auto& point = static_cast<KOR::PointSprite&>(*sprite);
    point.size = size;
    point.angle = rotation;
  }
  return true;
}
