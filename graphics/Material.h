#pragma once
// A surface of the scene and the passes that draw it. Per-pixel lighting builds its
// passes from the effect files (depth pre-pass, the whole surface lit by up to four lights
// in one pass; for more lights one additive pass per light, emissive, fog); per-vertex lighting builds one fixed-function pass. A pass's own state is applied
// once per group of objects, its layer's state after it, and the layer draws the objects.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Matrix.h"
#include "graphics/FrameRenderer.h"  // Fog
#include "graphics/PixelFormat.h"     // Colour
#include "graphics/RenderPass.h"
#include "graphics/StateObjects.h"

namespace KOR {

class StreamMap;
class Renderable;
class TextureObject;
class GpuProgramConstant;
class MaterialPass;
class SceneRenderer;
class Texture2D;

// The fixed-function light records an object is drawn with: a light set's worth.
struct ObjectLights {
  LightRecord records[LightSet::kMaxLights];
  int count = 0;
};

// One object to draw with one pass, as a render queue keeps it.
struct DrawItem {
  Renderable* renderable = nullptr;
  Matrix world;
  MaterialPass* pass = nullptr;
  ObjectLights lights;
  // Items of one pass are drawn in this order: the renderer puts items lit alike
  // together, so their lights' constants are not sent again.
  uint64_t order = 0;
};

class PassLayer : public RenderPass {
public:
  ~PassLayer() override;
  // Applies the layer's state and draws the items, each at its world matrix; with
  // fixedFunctionLights each is lit by its light records (all at once, or one per pass).
  void Draw(const DrawItem* items, size_t count);

  MaterialPass* owner = nullptr;
  StreamMap* ownStreamMap = nullptr;
  bool useOwnStreamMap = false;
  bool fixedFunctionLights = false;
  bool onePassPerLight = false;
  bool filterLightType = false;
  int32_t lightType = 0;
  LightSet* lightSet = nullptr;  // made on first use
};

class MaterialPass : public RenderPass {
public:
  MaterialPass();  // its stream map is made through the current device
  ~MaterialPass() override;
  PassLayer& AddLayer();

  // Passes are numbered as they are made; a queue draws them in that order, the same in
  // every run (never by where they happen to live in memory).
  const uint64_t serial;

  StreamMap* streamMap = nullptr;
  std::vector<std::unique_ptr<PassLayer>> layers;
  // Constants that follow the object being drawn (its world matrix and inverse): applied
  // again for every object, after its world matrix is set.
  std::vector<GpuProgramConstant*> objectConstants;
  // A lighting pass's lights, taken from each object's light records before it is drawn.
  struct LightConstants {
    GpuProgramConstant* position = nullptr;
    GpuProgramConstant* radius = nullptr;
    GpuProgramConstant* colour = nullptr;
  };
  static constexpr int kMostLights = 4;
  LightConstants lights[kMostLights];
  int lightCount = 0;
};

// Where a material finds its textures by file name: the scene's cache.
class TextureSource {
public:
  virtual TextureObject* GetTexture(const std::string& name) = 0;

protected:
  ~TextureSource() = default;
};

class Material {
public:
  Material() = default;
  Material(const Material&) = delete;
  Material& operator=(const Material&) = delete;
  ~Material();

  // The per-pixel passes; takes in the renderer's fog and its settings. Throws when an
  // effect file cannot be read or a program does not compile.
  void Build(SceneRenderer& renderer, TextureSource& textures);
  // The per-vertex pass: lit materials in lightingPass (fogged by their frame), unlit
  // ones in fogPass, which says itself whether fog reaches it.
  void BuildFixedFunction(const Fog& fog, TextureSource& textures);
  // Whether the scene's fog reaches the surface. An unlit material that glows is light of
  // its own, as a sky far beyond the fog is.
  bool Fogged() const { return !(unlit && glow); }

  // A lit surface reached by at most MaterialPass::kMostLights lights is drawn whole by
  // one pass: wholePasses[n] adds n lights and the emissive colour, then fogs the sum.
  // With more lights it takes the lighting pass once per light, the emissive pass and the
  // fog pass, in that order.
  std::unique_ptr<MaterialPass> lightingPass, fogPass, zfillPass, emissivePass;
  std::unique_ptr<MaterialPass> wholePasses[MaterialPass::kMostLights + 1];
  TextureObject* diffuseTexture = nullptr;  // the scene's, not owned
  TextureObject* normalTexture = nullptr;
  TextureObject* specularTexture = nullptr;
  TextureObject* emissiveTexture = nullptr;
  // Per pixel, the normal map with a grey specular map in its alpha (owned), when the two
  // allow it: the lighting passes read both in one fetch.
  Texture2D* normalWithMask = nullptr;
  std::string diffuseName, normalName, specularName, emissiveName;
  Colour colour;
  float shininess = 0.0f;
  bool alphaTest = false, glow = false, wireframe = false, twoSided = false, unlit = false;

private:
  std::unique_ptr<MaterialPass> LitPass(SceneRenderer& renderer, const std::string& source, int lights, bool whole);
};

// The grey level voxel (x, y, z) of the 8 × 8 × 8 attenuation map holds.
float AttenuationVoxel(int x, int y, int z);
// The attenuation map, one level, made on first use through the current device.
class Texture3D;
Texture3D* AttenuationMap();
// Lets go of the process-wide attenuation map and shader texts (a new device, or tests).
void ReleaseMaterialResources();

}  // namespace KOR
