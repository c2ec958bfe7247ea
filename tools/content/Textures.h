#pragma once
// Our procedural textures: the ship atlases with their normal, specular and glow maps,
// the scenery's tileable maps, and the explosion, smoke, spark and shot sprites.

#include <cstdint>
#include <string>
#include <vector>

namespace Content {

struct NamedFile {
  std::string file;
  std::vector<uint8_t> bytes;
};

std::vector<NamedFile> ModelTextures();
std::vector<NamedFile> SceneryTextures();
std::vector<NamedFile> EffectTextures();
// sky_canyon.tga, sky_city.tga, sky_station.tga: one backdrop for each section. Their
// rows from v = kSkyBlackFrom down (below the camera's height) are black: added onto the
// frame, they change nothing.
constexpr float kSkyBlackFrom = 0.62f;
std::vector<NamedFile> SkyTextures();

}  // namespace Content
