#include "tools/scene/DemoScene.h"

#include <cmath>
#include <cstring>

#include "tools/scene/SceneWriters.h"

namespace KOR {

SceneFileContents DemoScene() {
  SceneFileContents scene;
  std::memcpy(scene.header, SceneFileFormat::kHeader, sizeof scene.header);
  // The camera looks along +x with z up, so +y is to the right of the picture.
  SceneObjectRecord left;
  left.typeName = "staticMesh";
  left.objectName = "left box";
  left.meshName = "box.3df";
  left.material = MaterialBlock(1, 0, 0, 1);
  left.transform.position = {200, -40, 0};
  scene.objects.push_back(left);

  SceneObjectRecord right = left;
  right.objectName = "right box";
  right.material = MaterialBlock(0, 0, 1, 1);
  right.transform.position = {200, 40, 0};
  for (int i = 0; i < 3; ++i) {
    SceneTransform key;
    key.position = {200, 40, float(i) * 5.0f};
    right.keys.push_back(key);
  }
  scene.objects.push_back(right);

  SceneLightRecord light;
  light.position = {150, 0, 50};
  light.colour = {1, 1, 0.8f};
  light.range = 300;
  scene.lights.push_back(light);

  SceneCameraRecord camera;
  camera.name = "p_camera";
  camera.fov = 1.0f;
  scene.cameras.push_back(camera);
  return scene;
}

bool WriteDemoScene(const std::string& folder) {
  return WriteFileBytes(folder + "/box.3df", WriteMesh3DF(BoxMesh({-20, -20, -20}, {20, 20, 20}))) &&
         WriteFileBytes(folder + "/demo.kor.scene", WriteSceneFile(DemoScene()));
}

}  // namespace KOR
