#pragma once
// The base of everything in a scene: an age, an optional collision sphere, a type name
// and the operations the scene's frame calls. Entities are made by type name through
// prototypes, owned and deleted by their scene, and never delete each other: they Kill.

#include <memory>
#include <string>

#include "core/Vector.h"
#include "scene/SceneRecords.h"

namespace KOR {

class Scene;

class Entity {
public:
  Entity() = default;
  Entity(const Entity&) = delete;
  Entity& operator=(const Entity&) = delete;
  virtual ~Entity();

  // A new default-constructed object of the same class (what a prototype is for).
  virtual std::unique_ptr<Entity> Create() = 0;
  // On every entity, before any entity is updated.
  virtual void PreUpdate() = 0;
  virtual void Update(float dt);
  // Immediately before the scene deletes a killed entity; only on that path.
  virtual void OnRemove();
  // For each overlapping pair, on both members.
  virtual void OnCollision(Entity* other);
  virtual std::string GetTypeName() const = 0;
  // Once, right after the scene-file loader made the entity from an object record.
  virtual void Initialise(const SceneObjectRecord& record) = 0;

  // What the scene calls each frame: age += dt, then Update(dt).
  void AgeAndUpdate(float dt);
  float GetAge() const { return age; }
  // Marks the entity and asks its scene to delete it after this frame's collisions; it
  // stays valid until then.
  void Kill();

  float age = 0.0f;
  bool killed = false;
  float collisionRadius = 0.0f;  // 0: takes no part in collisions
  Vector3 collisionPosition;     // world position, kept up to date by the derived class
  Scene* scene = nullptr;        // set when added; the scene owns the entity
};

}  // namespace KOR
