#pragma once
// A small level to see and test the scene with: two boxes side by side in front of a
// camera named "p_camera", one of them moving along three keys, and one light.

#include <string>

#include "scene/SceneRecords.h"

namespace KOR {

// The records of the demo scene; its meshes are "box.3df".
SceneFileContents DemoScene();
// Writes box.3df and demo.kor.scene into folder (which must exist); false on failure.
bool WriteDemoScene(const std::string& folder);

}  // namespace KOR
