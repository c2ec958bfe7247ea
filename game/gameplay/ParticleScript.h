#pragma once
// An effect: an entity holding scheduled particles, which start at their delays, draw
// through the scene's sprite batch while they live, and take the effect with them when
// the last one has died.

#include <list>
#include <memory>

#include "game/gameplay/Particle.h"
#include "scene/Entity.h"

class ParticleScript : public KOR::Entity {
public:
  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<ParticleScript>(); }
  void PreUpdate() override {}
  void Update(float dt) override;
  std::string GetTypeName() const override { return "ParticleScript"; }
  void Initialise(const KOR::SceneObjectRecord&) override {}

  // Scheduled; it starts once the effect is older than its delay.
  Particle& AddParticle(std::unique_ptr<Particle> particle);

  const std::list<std::unique_ptr<Particle>>& GetPending() const { return pending; }
  const std::list<std::unique_ptr<Particle>>& GetActive() const { return active; }

private:
  std::list<std::unique_ptr<Particle>> pending;
  std::list<std::unique_ptr<Particle>> active;
};
