#include "scene/Entity.h"

#include "scene/Scene.h"

namespace KOR {

Entity::~Entity() = default;

void Entity::Update(float) {}
void Entity::OnRemove() {}
void Entity::OnCollision(Entity*) {}

void Entity::AgeAndUpdate(float dt) {
  age += dt;
  Update(dt);
}

void Entity::Kill() {
  killed = true;
  if (scene) scene->QueueRemoval(this);
}

}  // namespace KOR
