#pragma once
// The first level's numbers that the game's rules and the content build share, each said
// here once. The level's path, scenery and lights are in content/scene/zubra_level1.txt;
// its enemies in content/level/level.zub.script.

namespace LevelOne {

// The path stops here: the ship and camera hold still and the boss wakes.
constexpr float kPathEnd = 104.0f;

// Level times (seconds, bounds exclusive) in which the ship may steer and fire; from the
// path's end on it always may.
struct TimeWindow {
  float from, to;
};
constexpr TimeWindow kSteeringWindows[] = {{5.6f, 23.2f}, {34.5f, 49.4f}, {59.7f, 91.1f}};

// The boss's four gun ports: plane positions in world units, which its model places its
// guns at.
struct PortPosition {
  float x, y;
};
constexpr PortPosition kBossPorts[4] = {{45, 40}, {70, 20}, {70, -20}, {45, -40}};

// The sky behind everything and the fog that thickens towards it (exponential density per
// world unit).
constexpr float kBackground[4] = {0.1f, 0.12f, 0.15f, 1.0f};
constexpr float kFogDensity = 0.001f;

}  // namespace LevelOne
