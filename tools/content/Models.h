#pragma once
// Our meshes. Ships and the boss share one atlas layout (hull, glass, engine glow,
// machinery, lights); scenery tiles its textures. Game models face the travelling play
// plane: +y is up on screen, +x faces the camera, the player's nose points along +z and
// every enemy's along -z.

#include <string>
#include <vector>

#include "game/gameplay/LevelOne.h"
#include "graphics/Mesh3DFFormat.h"
#include "tools/content/MeshKit.h"

namespace Content {

namespace AtlasRects {
constexpr UvRect Hull{0.0f, 0.0f, 0.75f, 1.0f};
constexpr UvRect Glass{0.75f, 0.0f, 1.0f, 0.25f};
constexpr UvRect Engine{0.75f, 0.25f, 1.0f, 0.5f};
constexpr UvRect Machinery{0.75f, 0.5f, 1.0f, 0.75f};
constexpr UvRect Lights{0.75f, 0.75f, 1.0f, 1.0f};
}  // namespace AtlasRects

// The boss's origin sits this far along the plane from the plane's centre; its gun
// ports then lie at the plane positions the boss fires from.
constexpr float kBossPlaneX = 75.0f;
using LevelOne::kBossPorts;

// Length along the path of one canyon, city or station piece; pieces join seamlessly.
constexpr float kSceneryPieceLength = 600.0f;

// The sky: a flat panel `kSkyDistance` ahead of the camera (far beyond the fog, which it
// ignores), kSkyWidth along the path and kSkyHeight high, centred on the camera's height;
// its texture tiles every kSkyHeight along it, and over the last kSkyFade at either end
// the sky sinks into its dark bottom rows, so two panels meet without a seam.
constexpr float kSkyDistance = 5000.0f, kSkyWidth = 28000.0f, kSkyHeight = 5800.0f, kSkyFade = 2500.0f;

struct NamedMesh {
  std::string file;
  KOR::Mesh3DFData mesh;
};
std::vector<NamedMesh> AllMeshes();

KOR::Mesh3DFData PlayerShip();
KOR::Mesh3DFData Drone();
KOR::Mesh3DFData Stinger();
KOR::Mesh3DFData Warden();
KOR::Mesh3DFData Boss();
KOR::Mesh3DFData CanyonWall();
KOR::Mesh3DFData CanyonFloor();
KOR::Mesh3DFData RockSpire();
KOR::Mesh3DFData Tower();
KOR::Mesh3DFData StationTruss();
KOR::Mesh3DFData StationWall();
KOR::Mesh3DFData SkyPanel();  // local x along the path, +y towards the camera, z up

}  // namespace Content
