#include "game/gameplay/Explosion.h"

#include <cmath>
#include <string>

#include "game/gameplay/GameSession.h"
#include "game/gameplay/ParticleScript.h"
#include "sound/SoundSample.h"

using KOR::Vector3;

namespace {
constexpr float kSoundRange = 2000.0f;  // full volume up to here, silent at 8000

constexpr const char* kFireballFrames[] = {"exp1.tga", "exp2.tga", "exp3.tga", "exp4.tga",
                                            "exp5.tga", "exp6.tga", "exp7.tga"};

ParticleScript& NewEffect(GameSession& game) {
  return static_cast<ParticleScript&>(*game.AddEntity(std::make_unique<ParticleScript>()));
}

Vector3 Normalised(const Vector3& v) {
  const float length = KOR::Length(v);
  return length > 0.0f ? v * (1.0f / length) : Vector3{};
}
}  // namespace

ParticleScript* Explosion(GameSession& game, const Vector3& p, const Blast& blast) {
  ParticleScript& effect = NewEffect(game);
  GameRandom& random = game.random;
  const float size = blast.size, duration = blast.duration, brightness = blast.brightness;

  auto fireball = std::make_unique<Particle>();
  fireball->plane = &game.plane;
  fireball->position = p;
  fireball->delay = 0.0f;
  fireball->lifetime = duration;
  for (const char* frame : kFireballFrames) fireball->AddFrame(game, frame);
  fireball->startSize = size * 2.0f / 3.0f;
  fireball->endSize = size;
  const float b = brightness, fade = 0.75f * brightness;
  fireball->startColour = {b, b, b, b};
  fireball->endColour = {fade, fade, fade, fade};
  if (blast.spin) {
    fireball->rotation = random.Between(0.0f, 360.0f);
    fireball->spin = random.Between(-50.0f, 50.0f);
  }
  effect.AddParticle(std::move(fireball));

  for (int i = 0; i < 5; ++i) {
    // Braced lists evaluate in order, so the sequence of draws is fixed.
    const Vector3 u =
        Normalised(Vector3{random.Between(-1.0f, 1.0f), random.Between(-1.0f, 1.0f), random.Between(-1.0f, 1.0f)});
    auto smoke = std::make_unique<Particle>();
    smoke->AddFrame(game, "smoke.tga", false);
    smoke->plane = &game.plane;
    smoke->position = p + u * 5.0f;
    smoke->velocity = u * 25.0f;
    smoke->acceleration = {-50.0f, 100.0f, 0.0f};
    smoke->delay = duration * 2.0f / 3.0f;
    smoke->lifetime = 0.5f;
    smoke->startSize = 0.0f;
    smoke->endSize = 1.5f * size;
    smoke->startColour = {1, 1, 1, 1};
    smoke->endColour = {1, 1, 1, 0};
    smoke->rotation = random.Between(0.0f, 360.0f);
    smoke->spin = random.Between(-50.0f, 50.0f);
    effect.AddParticle(std::move(smoke));
  }

  if (blast.withSound) {
    // The scene's own sample: it goes with the scene, never outlives it.
    if (KOR::SoundSample* sound = game.GetSound("explosion.wav", true)) {
      sound->SetDistance(kSoundRange);
      const Vector3 w = game.plane.Point(p);
      sound->Play().SetPosition({w.x, w.y, w.z});
    }
  }
  return &effect;
}

ParticleScript* HitSparks(GameSession& game, const Vector3& p, const KOR::Colour& colour) {
  ParticleScript& effect = NewEffect(game);
  GameRandom& random = game.random;
  for (int i = 0; i < 4; ++i) {
    auto spark = std::make_unique<Particle>();
    spark->AddFrame(game, "red_energy.tga");
    spark->plane = &game.plane;
    spark->position = p;
    spark->startColour = colour;
    spark->endColour = {0, 0, 0, 0};
    spark->lifetime = 0.2f;
    if (i == 0) {
      spark->startSize = 4.0f;
      spark->endSize = 10.0f;
    } else {
      const float forward = random.Between(80.0f, 120.0f);
      spark->velocity = {forward, random.Between(-50.0f, 50.0f), 0.0f};
      spark->startSize = 1.0f;
      spark->endSize = 4.0f;
    }
    spark->rotation = random.Between(0.0f, 360.0f);
    spark->spin = random.Between(-5.0f, 5.0f);
    effect.AddParticle(std::move(spark));
  }
  return &effect;
}
