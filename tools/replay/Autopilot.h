#pragma once
// A pilot for replays and tests. It flies the ship from what a player sees of the game:
// the enemies that have appeared, enemy shots and missiles, the boss, the ship's own
// place and energy. It never reads the level script's spawns to come and changes nothing.
// Each frame it tries the nine ways of steering for the next half second, keeps to the
// one that touches nothing (and among those, the one that lines the guns up with the
// nearest enemy in reach), fires when a shot can hit that enemy, and holds the fill key
// when none can, since a shot that hits nothing only costs energy.
// Deterministic: it keeps only what it saw the frame before, in the scene's order.

#include <vector>

#include "core/Vector.h"
#include "game/gameplay/PlayCommand.h"

class GameSession;
class EnemyEntity;

class Autopilot {
public:
  // This frame's command for the running game.
  PlayCommand Fly(const GameSession& game);
  // Forgets the last game (a run plays games one after another).
  void Reset();

  // How far ahead it looks and the gap it keeps to anything that may hit it.
  static constexpr float kLookAhead = 0.5f;
  static constexpr float kMargin = 8.0f;

private:
  struct Threat {
    KOR::Vector3 position, velocity;  // world units of the plane, per second
    float radius = 0.0f;
    bool homing = false;  // turns towards the ship and speeds up
    float angle = 0.0f, speed = 0.0f, turnIn = 0.0f, turnPeriod = 0.0f;
  };
  struct Seen {
    const EnemyEntity* enemy;
    KOR::Vector3 position;
  };
  // The danger of flying the path: a touch counts far more than a near miss, and soon
  // more than late.
  float DangerOf(const KOR::Vector3* path, int steps, float step, float shipRadius) const;

  std::vector<Threat> threats;
  std::vector<Seen> seen, seenNow;
  float lastAge = -1.0f;
};
