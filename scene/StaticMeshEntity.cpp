#include "scene/StaticMeshEntity.h"

#include "graphics/Mesh3DF.h"
#include "scene/Scene.h"

namespace KOR {

StaticMeshEntity::~StaticMeshEntity() {
  if (scene) scene->UnregisterNode(&node);
}

std::unique_ptr<Entity> StaticMeshEntity::Create() { return std::make_unique<StaticMeshEntity>(); }

void StaticMeshEntity::Initialise(const SceneObjectRecord& record) {
  if (!scene) return;  // the caches are the scene's
  mesh = scene->GetMesh(record.meshName);
  material = scene->GetMaterial(record.material);

  node.renderable = mesh->GetRenderable();
  node.position = record.transform.position;
  node.rotation = record.transform.rotation;
  node.scale = record.transform.scale;
  node.boundsMin = mesh->GetBoundsMin();
  node.boundsMax = mesh->GetBoundsMax();
  node.material = material;
  node.visible = &visible;
  scene->RegisterNode(&node);

  positionSampler = record.transform.position;
  rotationSampler = record.transform.rotation;
  hasPath = !record.keys.empty();
  for (size_t i = 0; i < record.keys.size(); ++i) {
    positionTrack.AddKey(float(i) * kSceneKeySpacing, record.keys[i].position);
    rotationTrack.AddKey(float(i) * kSceneKeySpacing, record.keys[i].rotation);
  }
  positionTrack.Sample(positionSampler);
  rotationTrack.Sample(rotationSampler);
}

void StaticMeshEntity::Update(float dt) {
  if (!hasPath) return;
  if (pathEnabled) {
    positionTrack.Advance(dt);
    rotationTrack.Advance(dt);
  }
  positionTrack.Sample(positionSampler);
  rotationTrack.Sample(rotationSampler);
  node.position = positionSampler;
  node.rotation = rotationSampler;
}

}  // namespace KOR
