#pragma once
// A mesh with a material, placed by its record and optionally following a keyframed
// path. The game's ship, boss and enemies extend it.

#include "scene/Entity.h"
#include "scene/KeyTrack.h"
#include "graphics/RenderNode.h"

namespace KOR {

class Mesh3DF;

class StaticMeshEntity : public Entity {
public:
  StaticMeshEntity() = default;
  // Takes the node out of the scene's draw list.
  ~StaticMeshEntity() override;

  std::unique_ptr<Entity> Create() override;
  void PreUpdate() override {}
  // Follows the path, if any; nothing else.
  void Update(float dt) override;
  std::string GetTypeName() const override { return "StaticMeshEntity"; }
  // Mesh and material from the scene's caches, the node placed by the record's
  // transform and registered for drawing, the keys as a path at 0.1 s per key.
  void Initialise(const SceneObjectRecord& record) override;

  RenderNode node;
  bool visible = true;
  Mesh3DF* mesh = nullptr;             // the scene's
  Material* material = nullptr;   // the scene's
  bool hasPath = false;
  KeyTrack<Vector3> positionTrack;
  KeyTrack<Quaternion> rotationTrack;
  Vector3 positionSampler;
  Quaternion rotationSampler;
  bool pathEnabled = true;  // false freezes the path where it is
};

}  // namespace KOR
