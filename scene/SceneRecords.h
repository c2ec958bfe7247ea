#pragma once
// The scene file as plain records. The file holds, after an 8-byte header, three counted
// arrays (objects, lights, cameras); these are the records in memory, with the variable
// arrays owned. The loader and the content writers share them.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Vector.h"

namespace KOR {

static_assert(std::endian::native == std::endian::little,
              "engine files are little-endian and read by copying their bytes");

// Placement of objects and cameras and each of their keys.
struct SceneTransform {
  Vector3 position;
  Quaternion rotation;  // w, x, y, z
  float scale = 1.0f;
};
static_assert(sizeof(SceneTransform) == 32);

// Kept exactly as the file has it: the scene shares one material among byte-identical
// blocks, padding included.
struct SceneMaterialBlock {
  float colour[4] = {1, 1, 1, 1};
  float shininess = 0.0f;
  uint8_t alphaTest = 0;
  uint8_t glow = 0;
  uint8_t wireframe = 0;
  uint8_t twoSided = 0;
  uint8_t unlit = 0;
  char diffuseName[256] = {};
  char normalName[256] = {};
  char specularName[256] = {};
  char emissiveName[256] = {};
  uint8_t padding[3] = {};
};
static_assert(sizeof(SceneMaterialBlock) == 1052);
static_assert(offsetof(SceneMaterialBlock, diffuseName) == 25);
static_assert(offsetof(SceneMaterialBlock, padding) == 1049);

struct SceneObjectRecord {
  std::string typeName;  // the prototype table's key; quotes already stripped
  std::string objectName;
  std::string meshName;  // relative to the scene's asset directory
  SceneMaterialBlock material;
  SceneTransform transform;
  std::vector<SceneTransform> keys;  // 0.1 s apart; scale unused
};

struct SceneLightRecord {
  Vector3 position;
  Vector3 colour;
  float range = 0.0f;
  std::vector<Vector3> keyPositions;
  std::vector<Vector3> keyColours;
  std::vector<float> keyValues;  // in the file, never used
};

struct SceneCameraRecord {
  std::string name;  // stored as written, not stripped
  SceneTransform transform;
  float fov = 0.0f;  // radians
  std::vector<SceneTransform> keys;
  std::vector<float> keyFovs;
};

struct SceneFileContents {
  uint8_t header[8] = {};
  std::vector<SceneObjectRecord> objects;
  std::vector<SceneLightRecord> lights;
  std::vector<SceneCameraRecord> cameras;
};

namespace SceneFileFormat {
constexpr size_t kHeaderSize = 8;
constexpr size_t kNameSize = 256;
constexpr size_t kExtraEntrySize = 260;
// The smallest records, without keys or extra entries.
constexpr size_t kMinObjectSize = 3 * kNameSize + sizeof(SceneMaterialBlock) + sizeof(SceneTransform) + 4 + 4;
constexpr size_t kMinLightSize = 32;
constexpr size_t kMinCameraSize = kNameSize + sizeof(SceneTransform) + 4 + 4;
// The header our writer puts first; the loader does not interpret the header.
constexpr uint8_t kHeader[kHeaderSize] = {'K', 'O', 'R', 'S', 'C', 'N', '1', '5'};
}  // namespace SceneFileFormat

}  // namespace KOR
