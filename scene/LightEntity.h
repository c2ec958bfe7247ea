#pragma once
// A point light from the scene file, optionally moving and changing colour along keys.

#include "scene/Entity.h"
#include "scene/KeyTrack.h"
#include "graphics/RenderNode.h"

namespace KOR {

class LightEntity : public Entity {
public:
  LightEntity() = default;
  // Takes the light out of the scene's light list.
  ~LightEntity() override;

  std::unique_ptr<Entity> Create() override;
  void PreUpdate() override {}
  void Update(float dt) override;
  std::string GetTypeName() const override { return "LightEntity"; }
  // Lights are set up from their own records.
  void Initialise(const SceneObjectRecord&) override {}
  // Colour, range and position from the record, the light listed with the scene, the
  // keys as tracks at 0.1 s per key.
  void SetupFromLightRecord(const SceneLightRecord& record);

  LightParameters light;
  bool hasPath = false;
  KeyTrack<Vector3> positionTrack;
  KeyTrack<Vector3> colourTrack;
  Vector3 positionSampler;
  Vector3 colourSampler;
};

}  // namespace KOR
