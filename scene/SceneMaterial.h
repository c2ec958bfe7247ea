#pragma once
// A surface as the scene file describes it: colour, shininess, five flags and four
// texture names, one per distinct material block. The material passes that draw it are
// built from these fields by the materials of the graphics layer.

#include <string>

#include "graphics/StateObjects.h"

namespace KOR {

struct SceneMaterial {
  Colour colour;
  float shininess = 0.0f;
  bool alphaTest = false;
  bool glow = false;
  bool wireframe = false;
  bool twoSided = false;
  bool unlit = false;
  std::string diffuseName;
  std::string normalName;
  std::string specularName;
  std::string emissiveName;
};

}  // namespace KOR
