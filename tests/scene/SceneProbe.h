#pragma once
// An entity that writes what the scene does to it into a shared log.

#include <functional>
#include <string>
#include <vector>

#include "scene/Entity.h"
#include "scene/Scene.h"

struct Probe : KOR::Entity {
  Probe() { ++live; }
  Probe(std::vector<std::string>* log, std::string tag) : log(log), tag(std::move(tag)) { ++live; }
  ~Probe() override { --live; }

  std::unique_ptr<KOR::Entity> Create() override { return std::make_unique<Probe>(log, tag + "+"); }
  void PreUpdate() override { Note("pre " + tag); }
  void Update(float dt) override {
    steps.push_back(dt);
    Note("update " + tag);
    if (onUpdate) onUpdate(*this);
  }
  void OnRemove() override { Note("remove " + tag); }
  void OnCollision(KOR::Entity* other) override { Note(tag + " hit " + static_cast<Probe*>(other)->tag); }
  std::string GetTypeName() const override { return "Probe"; }
  void Initialise(const KOR::SceneObjectRecord& record) override { initialisedWith.push_back(record); }

  void Note(const std::string& line) {
    if (log) log->push_back(line);
  }
  // A probe in the scene's collisions at (x, 0, 0).
  Probe& At(float x, float radius) {
    collisionPosition = {x, 0, 0};
    collisionRadius = radius;
    return *this;
  }

  std::vector<std::string>* log = nullptr;
  std::string tag;
  std::vector<float> steps;
  std::function<void(Probe&)> onUpdate;
  std::vector<KOR::SceneObjectRecord> initialisedWith;
  inline static int live = 0;
};

// Adds a probe to scene and returns it.
inline Probe& AddProbe(KOR::Scene& scene, std::vector<std::string>& log, const std::string& tag) {
  return *static_cast<Probe*>(scene.AddEntity(std::make_unique<Probe>(&log, tag)));
}
