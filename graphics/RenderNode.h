#pragma once
// What a frame renderer draws and lights: a node per drawable object and a parameter block
// per light, each with the per-frame results of culling and light assignment.

#include <vector>

#include "core/Matrix.h"
#include "core/Vector.h"

namespace KOR {

class Renderable;
class Material;
struct LightParameters;

struct RenderNode {
  Renderable* renderable = nullptr;  // the mesh's, not owned
  Vector3 position;
  Quaternion rotation;
  float scale = 1.0f;
  Vector3 boundsMin;  // model space
  Vector3 boundsMax;
  Material* material = nullptr;  // the scene's
  const bool* visible = nullptr;  // the owner's visible flag; null: always drawn

  // Rebuilt every frame.
  Matrix world;  // scale, rotation, translation
  bool inFrustum = false;
  Vector3 worldMin;
  Vector3 worldMax;
  std::vector<LightParameters*> lights;
};

struct LightParameters {
  Vector3 colour;
  Vector4 position{0.0f, 0.0f, 0.0f, 1.0f};
  float range = 0.0f;  // radius of the sphere the light reaches

  // Rebuilt every frame.
  bool active = false;
  std::vector<RenderNode*> nodes;
};

}  // namespace KOR
