#pragma once
// Writers of the scene file and of 3DF meshes for our own content and for tests. They
// share the readers' record types, so what they write loads back unchanged.

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Mesh3DFFormat.h"
#include "scene/SceneRecords.h"

namespace KOR {

// The file image. Object type, object and mesh names are written quoted, as the loader
// expects; names longer than a field allows are cut to fit.
std::vector<uint8_t> WriteSceneFile(const SceneFileContents& contents);

// An axis-aligned box from low to high: 24 vertices (four per face, with the face's
// normal) and 36 indices.
Mesh3DFData BoxMesh(const Vector3& low, const Vector3& high);

// A material block with a colour and, optionally, a diffuse texture name.
SceneMaterialBlock MaterialBlock(float r, float g, float b, float a, const std::string& diffuse = {});

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace KOR
