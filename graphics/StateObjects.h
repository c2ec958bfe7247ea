#pragma once
// How to draw, besides geometry: lights, a material, render states and texture stages.
// The graphics layer fills the fields; the render module applies them to the device.

#include <cstdint>

#include "core/Matrix.h"
#include "core/Vector.h"
#include "graphics/DeviceObject.h"
#include "graphics/EngineNumbers.h"
#include "graphics/PixelFormat.h"  // Colour

namespace KOR {

// Light types: 0 point, 1 and 2 directional.
struct LightRecord {
  int32_t type = 0;
  Colour colour;
  Vector3 position{};
  Vector3 direction{};
  float range = 0.0f;
  float attenuation0 = 0.0f, attenuation1 = 0.0f, attenuation2 = 0.0f;
  float theta = 0.0f, phi = 0.0f;
};

class LightSet : public DeviceObject {
public:
  static constexpr int kMaxLights = 8;
  virtual void Apply() = 0;

  LightRecord lights[kMaxLights];
  int32_t count = 0;
};

class FixedFunctionMaterial : public DeviceObject {
public:
  virtual void Apply() = 0;

  Colour diffuse{1, 1, 1, 1};
  Colour ambient{1, 1, 1, 1};
  Colour specular;
  Colour emissive;
  float power = 1.0f;
};

// The engine's render states (RenderState, 0 … 66); each is sent only when its flag is set.
class RenderStateSet : public DeviceObject {
public:
  static constexpr int kStates = 67;
  virtual void Apply() = 0;
  void Set(int state, uint32_t value) {
    values[state] = value;
    set[state] = true;
  }
  void Set(RenderState state, uint32_t value) { Set(+state, value); }

  uint32_t values[kStates] = {};
  bool set[kStates] = {};
};

struct TextureStage {
  DeviceObject* texture = nullptr;  // a texture made by the device, or null
  uint32_t addressU = 0, addressV = 0, addressW = 0;
  uint32_t filter = 0;
  uint32_t maxAnisotropy = 0;
  uint32_t colourOp = 0, colourArg1 = 0, colourArg2 = 0, colourArg0 = 0;
  uint32_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0, alphaArg0 = 0;
  uint32_t resultArg = 0;
  uint32_t coordinateMode = 0;
  Matrix matrix;
  uint32_t coordinateIndex = 0;

  bool setTexture = false, setAddress = false, setFilter = false, setColourOp = false,
       setColourArgs = false, setColourArg0 = false, setAlphaOp = false, setAlphaArgs = false,
       setAlphaArg0 = false, setResultArg = false, setCoordinateMode = false, setMatrix = false,
       setCoordinateIndex = false;
};

class TextureStageSet : public DeviceObject {
public:
  static constexpr int kMaxStages = 8;
  virtual void Apply() = 0;
  // Applies the set; true when it could.
  virtual bool ApplyAll() = 0;

  int32_t count = 0;
  TextureStage stages[kMaxStages];
};

}  // namespace KOR
