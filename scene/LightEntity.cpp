#include "scene/LightEntity.h"

#include "scene/Scene.h"

namespace KOR {

LightEntity::~LightEntity() {
  if (scene) scene->UnregisterLight(&light);
}

std::unique_ptr<Entity> LightEntity::Create() { return std::make_unique<LightEntity>(); }

void LightEntity::SetupFromLightRecord(const SceneLightRecord& record) {
  light.colour = record.colour;
  light.range = record.range;
  light.position = {record.position.x, record.position.y, record.position.z, 1.0f};
  if (scene) scene->RegisterLight(&light);

  positionSampler = record.position;
  colourSampler = record.colour;
  hasPath = !record.keyPositions.empty();
  for (size_t i = 0; i < record.keyPositions.size(); ++i)
    positionTrack.AddKey(float(i) * kSceneKeySpacing, record.keyPositions[i]);
  for (size_t i = 0; i < record.keyColours.size(); ++i)
    colourTrack.AddKey(float(i) * kSceneKeySpacing, record.keyColours[i]);
  positionTrack.Sample(positionSampler);
  colourTrack.Sample(colourSampler);
}

void LightEntity::Update(float dt) {
  if (!hasPath) return;
  positionTrack.Advance(dt);
  colourTrack.Advance(dt);
  positionTrack.Sample(positionSampler);
  colourTrack.Sample(colourSampler);
  light.colour = colourSampler;
  light.position = {positionSampler.x, positionSampler.y, positionSampler.z, 1.0f};
}

}  // namespace KOR
