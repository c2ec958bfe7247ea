#include "game/Explosion.h"

#include <cmath>
#include <string>

#include "game/GameRandom.h"
#include "game/ParticleScript.h"
#include "game/PlayPlane.h"
#include "scene/Scene.h"
#include "sound/SoundSample.h"

using KOR::Vector3;

namespace {
constexpr float kSoundRange = 2000.0f;  // full volume up to here, silent at 8000

ParticleScript& NewEffect(KOR::Scene& scene) {
  return static_cast<ParticleScript&>(*scene.AddEntity(std::make_unique<ParticleScript>()));
}

Vector3 Normalised(const Vector3& v) {
  const float length = KOR::Length(v);
  return length > 0.0f ? v * (1.0f / length) : Vector3{};
}
}  // namespace

ParticleScript* Explosion(KOR::Scene& scene, const Vector3& p, float size, float duration, float brightness,
                          bool spin, bool withSound) {
  ParticleScript& effect = NewEffect(scene);

  auto fireball = std::make_unique<Particle>();
  fireball->inPlane = true;
  fireball->position = p;
  fireball->delay = 0.0f;
  fireball->lifetime = duration;
  for (int i = 1; i <= 7; ++i) fireball->AddFrame(scene, "exp" + std::to_string(i) + ".tga");
  fireball->startSize = size * 2.0f / 3.0f;
  fireball->endSize = size;
  const float b = brightness, fade = 0.75f * brightness;
  fireball->startColour = {b, b, b, b};
  fireball->endColour = {fade, fade, fade, fade};
  if (spin) {
    fireball->rotation = Random(0.0f, 360.0f);
    fireball->spin = Random(-50.0f, 50.0f);
  }
  effect.AddParticle(std::move(fireball));

  for (int i = 0; i < 5; ++i) {
    // Braced lists evaluate in order, so the sequence of draws is fixed.
    const Vector3 u = Normalised(Vector3{Random(-1.0f, 1.0f), Random(-1.0f, 1.0f), Random(-1.0f, 1.0f)});
    auto smoke = std::make_unique<Particle>();
    smoke->AddFrame(scene, "smoke.tga", false);
    smoke->inPlane = true;
    smoke->position = p + u * 5.0f;
    smoke->velocity = u * 25.0f;
    smoke->acceleration = {-50.0f, 100.0f, 0.0f};
    smoke->delay = duration * 2.0f / 3.0f;
    smoke->lifetime = 0.5f;
    smoke->startSize = 0.0f;
    smoke->endSize = 1.5f * size;
    smoke->startColour = {1, 1, 1, 1};
    smoke->endColour = {1, 1, 1, 0};
    smoke->rotation = Random(0.0f, 360.0f);
    smoke->spin = Random(-50.0f, 50.0f);
    effect.AddParticle(std::move(smoke));
  }

  if (withSound) {
    // The scene's own sample: it goes with the scene, never outlives it.
    if (KOR::SoundSample* sound = scene.GetSound("explosion.wav", true)) {
      sound->SetDistance(kSoundRange);
      const Vector3 w = PlanePoint(p);
      sound->Play().SetPosition({w.x, w.y, w.z});
    }
  }
  return &effect;
}

ParticleScript* HitSparks(KOR::Scene& scene, const Vector3& p, const KOR::Colour& colour) {
  ParticleScript& effect = NewEffect(scene);
  for (int i = 0; i < 4; ++i) {
    auto spark = std::make_unique<Particle>();
    spark->AddFrame(scene, "red_energy.tga");
    spark->inPlane = true;
    spark->position = p;
    spark->startColour = colour;
    spark->endColour = {0, 0, 0, 0};
    spark->lifetime = 0.2f;
    if (i == 0) {
      spark->startSize = 4.0f;
      spark->endSize = 10.0f;
    } else {
      const float forward = Random(80.0f, 120.0f);
      spark->velocity = {forward, Random(-50.0f, 50.0f), 0.0f};
      spark->startSize = 1.0f;
      spark->endSize = 4.0f;
    }
    spark->rotation = Random(0.0f, 360.0f);
    spark->spin = Random(-5.0f, 5.0f);
    effect.AddParticle(std::move(spark));
  }
  return &effect;
}
