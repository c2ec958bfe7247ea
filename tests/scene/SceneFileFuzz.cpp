// Any bytes as a scene file: refused or loaded, never read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Exception.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so the sanitizer sees a read one past the end.
  std::vector<uint8_t> bytes(data, data + size);
  try {
    KOR::ParseSceneFile(bytes.data(), bytes.size(), "fuzz");
  } catch (const KOR::Exception&) {
  }
  try {
    KOR::Scene scene;
    scene.SetAssetDirectory("/nonexistent/");
    scene.Init(nullptr, KOR::SceneSettings{});
    scene.LoadSceneFromMemory(bytes.data(), bytes.size(), "fuzz");
    scene.Frame(0.01f);
  } catch (const KOR::Exception&) {
  }
  return 0;
}
