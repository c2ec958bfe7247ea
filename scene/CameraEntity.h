#pragma once
// A camera from the scene file: while the scene's camera name is empty or its own, it
// sets the renderer's view and projection (and the sound listener) every frame.

#include "scene/Entity.h"
#include "scene/KeyTrack.h"

namespace KOR {

class CameraEntity : public Entity {
public:
  std::unique_ptr<Entity> Create() override;
  void PreUpdate() override {}
  void Update(float dt) override;
  std::string GetTypeName() const override { return "CameraEntity"; }
  void Initialise(const SceneObjectRecord&) override {}
  void SetupFromCameraRecord(const SceneCameraRecord& record);

  bool hasPath = false;
  KeyTrack<Vector3> positionTrack;
  KeyTrack<Quaternion> rotationTrack;
  KeyTrack<float> fovTrack;
  Vector3 positionSampler;
  Quaternion rotationSampler;
  float fovSampler = 0.0f;
  float fov = 0.0f;  // radians; the view's when the record has no keys
  std::string name;
};

}  // namespace KOR
