#pragma once
// A scripted enemy: made from one spawn of the level script at the game's start, it
// waits unseen until its start time, then flies one of the movement patterns through the
// play plane, may shoot at the player ahead of it, and dies after its hits, scoring once.

#include <memory>
#include <string>

#include "core/Vector.h"
#include "graphics/RenderNode.h"
#include "scene/Entity.h"
#include "script/LevelScript.h"

namespace KOR {
class Material;
class Mesh3DF;
}  // namespace KOR

class GameSession;
class Player;

class EnemyEntity : public KOR::Entity {
public:
  enum Movement { Forward = 0, Sine = 1, Seek = 2 };

  EnemyEntity() = default;
  // An enemy that has appeared takes its node out of the scene's draw list.
  ~EnemyEntity() override;

  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<EnemyEntity>(); }
  void PreUpdate() override {}
  void Update(float dt) override;
  // A player shot costs a hit point while it flies; below zero it explodes, goes and
  // scores, once.
  void OnCollision(KOR::Entity* other) override;
  std::string GetTypeName() const override { return "EnemyEntity"; }
  void Initialise(const KOR::SceneObjectRecord&) override {}

  // After AddEntity: the spawn's fields, mesh and material from the scene's caches, and
  // the game's player. The node is drawn only once the enemy appears.
  void Setup(const EnemySpawn& spawn);

  std::string model, diffuse, normal, specular;
  float shininess = 0.0f;
  std::string gun;
  enum Gun { NoGun, SimpleGun, HomingGun } gunKind = NoGun;  // from gun
  int energy = 0;
  KOR::Vector3 startPosition;
  int movement = Forward;
  float speed = 0.0f, freq = 0.0f, amplitude = 0.0f, phase = 0.0f;
  float start = 0.0f;
  int hitPoints = 0;
  KOR::RenderNode node;
  KOR::Mesh3DF* mesh = nullptr;          // the scene's
  KOR::Material* material = nullptr;     // the scene's
  KOR::Vector3 planePosition;  // world units
  bool active = false;
  float firePeriod = 0.4f;
  float fireTimer = 0.0f;
  GameSession* game = nullptr;
  Player* player = nullptr;
};
