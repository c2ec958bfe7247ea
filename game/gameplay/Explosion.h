#pragma once
// The game's effects: explosions (a fireball of seven frames, five puffs of smoke, a
// sound) and the sparks of a player's hit. Positions are plane positions in world units.

#include "core/Vector.h"
#include "graphics/PixelFormat.h"

class GameSession;
class ParticleScript;

struct Blast {
  float size;        // the fireball's final size; the smoke grows to 1.5 times it
  float duration;    // the fireball's life; the smoke starts at two thirds of it
  float brightness;
  bool spin;
  bool withSound;
};
// An enemy, the boss or the player blown up.
constexpr Blast kShipBlast{30.0f, 0.25f, 1.0f, false, true};
// A homing missile's trail puff.
constexpr Blast kTrailPuff{15.0f, 0.5f, 0.5f, true, false};

ParticleScript* Explosion(GameSession& game, const KOR::Vector3& planePosition, const Blast& blast);
// A flash and three sparks thrown forward, in the hitting shot's colour, for 0.2 s.
ParticleScript* HitSparks(GameSession& game, const KOR::Vector3& planePosition, const KOR::Colour& colour);
