#pragma once
// Reading the scene file into its records.

#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/SceneRecords.h"

namespace KOR {

// Every record of the image, names stripped of their quotes. Throws module
// "KOR Scene (SceneLoader)", error "Wrong file format", naming the file, when the image
// ends inside a record or a count is negative or does not fit the bytes left; nothing is
// read outside data[0, size).
SceneFileContents ParseSceneFile(const uint8_t* data, size_t size, const std::string& name);

}  // namespace KOR
