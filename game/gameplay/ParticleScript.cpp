#include "game/gameplay/ParticleScript.h"

#include "scene/Scene.h"
#include "scene/SpriteBatch.h"

Particle& ParticleScript::AddParticle(std::unique_ptr<Particle> particle) {
  pending.push_back(std::move(particle));
  return *pending.back();
}

void ParticleScript::Update(float dt) {
  KOR::SpriteBatch* batch = scene ? scene->GetSprites() : nullptr;
  for (auto it = pending.begin(); it != pending.end();) {
    if ((*it)->delay < age) {
      if (batch) batch->Add(&(*it)->GetSprite());
      active.splice(active.end(), pending, it++);
    } else {
      ++it;
    }
  }
  for (auto it = active.begin(); it != active.end();) {
    if ((*it)->Advance(dt)) {
      ++it;
    } else {
      // The sprite leaves its batch as the particle goes.
      it = active.erase(it);
    }
  }
  if (pending.empty() && active.empty() && !killed) Kill();
}
