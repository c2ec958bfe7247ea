#pragma once
// The level's scene from its text source: the play plane's path, the camera beside it,
// scenery pieces along the way, the lights and the boss; and the high-score file.

#include <cstdint>
#include <string>
#include <vector>

#include "scene/SceneRecords.h"

namespace Content {

// Throws std::runtime_error naming the line on a mistake in the source.
KOR::SceneFileContents BuildLevelScene(const std::string& source);

// Ten records of a 16-byte name and a 32-bit score from "NAME SCORE" lines.
std::vector<uint8_t> ScoreFile(const std::string& source);

// The rotation whose columns are the images of the local x, y and z axes.
KOR::Quaternion FromAxes(const KOR::Vector3& x, const KOR::Vector3& y, const KOR::Vector3& z);

}  // namespace Content
