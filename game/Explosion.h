#pragma once
// The game's effects: explosions (a fireball of seven frames, five puffs of smoke, a
// sound) and the sparks of a player's hit. Positions are plane positions in world units.

#include "core/Vector.h"
#include "graphics/PixelFormat.h"

namespace KOR {
class Scene;
}

class ParticleScript;

// Enemies, the boss and the player: size 30, 0.25 s, brightness 1, no spin, with sound;
// a homing missile's trail puff: 15, 0.5 s, 0.5, spinning, silent.
ParticleScript* Explosion(KOR::Scene& scene, const KOR::Vector3& planePosition, float size, float duration,
                          float brightness, bool spin, bool withSound);
// A flash and three sparks thrown forward, in the hitting shot's colour, for 0.2 s.
ParticleScript* HitSparks(KOR::Scene& scene, const KOR::Vector3& planePosition, const KOR::Colour& colour);
