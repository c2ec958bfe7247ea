#include "graphics/Material.h"

#include <cmath>
#include <utility>

#include "graphics/Device.h"
#include "graphics/EngineNumbers.h"
#include "graphics/GpuProgram.h"
#include "graphics/RenderSystem.h"
#include "graphics/SceneRenderer.h"
#include "graphics/ShaderOptions.h"
#include "graphics/Texture.h"
#include "graphics/TextureObject.h"

namespace KOR {
namespace {

uint64_t passesMade = 0;

const VertexElementDecl kPosition{+ElementUsage::Position, 0, +ElementType::Float3};
const VertexElementDecl kTexCoord{+ElementUsage::TexCoord, 0, +ElementType::Float2};
const VertexElementDecl kNormal{+ElementUsage::Normal, 0, +ElementType::Float3};
const VertexElementDecl kTangent{+ElementUsage::Tangent, 0, +ElementType::Float4};
const VertexElementDecl kColourElement{+ElementUsage::Colour, 0, +ElementType::Colour};

// The effect texts every material compiles from, read once.
struct EffectSources {
  bool loaded = false;
  std::string zfill, perpixel, fog;
};
EffectSources& Sources() {
  static EffectSources sources;
  return sources;
}

struct Attenuation {
  Texture3D* texture = nullptr;
  Device* device = nullptr;  // the one that made it
};
Attenuation& AttenuationState() {
  static Attenuation state;
  return state;
}

void DestroyThrough(Device* device, DeviceObject* object) {
  if (!object) return;
  if (device) device->DestroyObject(object);
  else delete object;
}

bool Loaded(const TextureObject* t) { return t && t->GetTexture(); }

void Sampler(GpuProgramConstant* c, DeviceObject* texture, AddressMode address = AddressMode::Wrap) {
  c->kind = GpuProgramConstant::Sampler;
  c->value.sampler.texture = texture;
  c->value.sampler.addressU = c->value.sampler.addressV = c->value.sampler.addressW = +address;
  c->value.sampler.filter = +FilterLevel::Trilinear;
  c->value.sampler.maxAnisotropy = 0;
  c->setAddress = c->setFilter = true;
}
DeviceObject* TextureOf(const TextureObject* t) { return t ? t->GetTexture() : nullptr; }

void Float(GpuProgramConstant* c, float value) {
  c->kind = GpuProgramConstant::Float;
  c->value.vector[0] = value;
}

GpuProgramConstant* Automatic(GpuProgram* program, const char* name, AutoSource source) {
  GpuProgramConstant* c = program->GetConstant(name);
  c->autoSource = +source;
  return c;
}

void FillAndCull(RenderStateSet* states, const Material& m) {
  states->Set(RenderState::FillMode, m.wireframe ? +Fill::Wireframe : +Fill::Solid);
  states->Set(RenderState::CullMode, m.twoSided ? +Cull::None : +Cull::Clockwise);
}

std::unique_ptr<MaterialPass> NewPass(std::initializer_list<VertexElementDecl> elements) {
  auto pass = std::make_unique<MaterialPass>();
  if (pass->streamMap) {
    for (const VertexElementDecl& e : elements) pass->streamMap->AddElement(e);
    pass->streamMap->Build();
  }
  pass->AddLayer();
  return pass;
}

void Compile(MaterialPass& pass, const std::string& source, const char* vertexEntry, Profile vertexProfile,
             const char* pixelEntry, Profile pixelProfile, const ShaderOptions& options) {
  CompileWithOptions(*pass.UseVertexProgram(), source.c_str(), vertexProfile, vertexEntry, options);
  CompileWithOptions(*pass.UsePixelProgram(), source.c_str(), pixelProfile, pixelEntry, options);
}

// A fixed-function texture stage: texture, wrap addressing, trilinear filtering.
TextureStage Stage(DeviceObject* texture, TextureOp colourOp, TextureArg colour1, TextureArg colour2,
                   TextureOp alphaOp, TextureArg alpha1, TextureArg alpha2) {
  TextureStage s;
  s.texture = texture;
  s.addressU = s.addressV = s.addressW = +AddressMode::Wrap;
  s.filter = +FilterLevel::Trilinear;
  s.maxAnisotropy = 0;
  s.colourOp = +colourOp, s.colourArg1 = +colour1, s.colourArg2 = +colour2;
  s.alphaOp = +alphaOp, s.alphaArg1 = +alpha1, s.alphaArg2 = +alpha2;
  s.setTexture = s.setAddress = s.setFilter = s.setColourOp = s.setColourArgs = s.setAlphaOp = s.setAlphaArgs = true;
  return s;
}

void AddStage(TextureStageSet* set, const TextureStage& stage) {
  if (set && set->count < TextureStageSet::kMaxStages) set->stages[set->count++] = stage;
}

// The normal map with a grey specular mask in its alpha, level for level, so that a lit
// pixel reads both in one fetch, filtered as each map alone would be. Null unless the
// maps match in every level's size, the mask is grey throughout (its red then stands
// for all three channels) and both are 8 bits a channel, which the copy keeps exactly.
Texture2D* NormalWithMask(const TextureObject* normal, const TextureObject* mask) {
  auto eightBit = [](const Surface& s) {
    return s.format == PixelFormats::X8R8G8B8 || s.format == PixelFormats::A8R8G8B8;
  };
  const Texture2D* n = normal ? normal->GetTexture() : nullptr;
  const Texture2D* m = mask ? mask->GetTexture() : nullptr;
  Device* device = CurrentDevice();
  if (!n || !m || !device || n->GetLevelCount() == 0 || n->GetLevelCount() != m->GetLevelCount()) return nullptr;
  for (int32_t i = 0; i < n->GetLevelCount(); ++i) {
    const Surface& a = *n->GetLevel(i);
    const Surface& b = *m->GetLevel(i);
    if (!a.data || !b.data || a.width != b.width || a.height != b.height || !eightBit(a) || !eightBit(b))
      return nullptr;
    for (int32_t y = 0; y < b.height; ++y)
      for (int32_t x = 0; x < b.width; ++x) {
        Colour c = b.GetPixel(x, y);
        if (c.r != c.g || c.g != c.b) return nullptr;
      }
  }
  Texture2D* made = device->CreateTexture2D();
  made->Create(PixelFormats::A8R8G8B8, TextureUsages::Ordinary, n->width, n->height, n->mipmapped);
  for (int32_t i = 0; i < n->GetLevelCount(); ++i) {
    const Surface& a = *n->GetLevel(i);
    const Surface& b = *m->GetLevel(i);
    if (i > 0) {
      made->levels.push_back(std::make_unique<Surface>());
      made->levels.back()->Create(PixelFormats::A8R8G8B8, a.width, a.height);
    }
    Surface& out = *made->levels.back();
    for (int32_t y = 0; y < a.height; ++y)
      for (int32_t x = 0; x < a.width; ++x) {
        Colour c = a.GetPixel(x, y);
        c.a = b.GetPixel(x, y).r;
        out.SetPixel(c, x, y);
      }
  }
  made->Upload();
  return made;
}

// A lighting program's lights from an object's light records; the pass never asks for
// more than the object has.
void ApplyLights(MaterialPass& pass, const ObjectLights& lights) {
  for (int k = 0; k < pass.lightCount && k < lights.count; ++k) {
    const LightRecord& record = lights.records[k];
    const MaterialPass::LightConstants& c = pass.lights[k];
    float* position = c.position->value.vector;
    position[0] = record.position.x, position[1] = record.position.y, position[2] = record.position.z;
    position[3] = 1.0f;
    c.radius->value.vector[0] = record.range;
    float* colour = c.colour->value.vector;
    colour[0] = record.colour.r, colour[1] = record.colour.g, colour[2] = record.colour.b, colour[3] = 1.0f;
    c.position->Apply();
    c.radius->Apply();
    c.colour->Apply();
  }
}

}  // namespace

float AttenuationVoxel(int x, int y, int z) {
  float distance = std::sqrt(float(x * x + y * y + z * z));
  if (distance > 7.0f) return 0.0f;
  return std::pow(1.0f - distance / 7.0f, 0.8f);
}

Texture3D* AttenuationMap() {
  Attenuation& state = AttenuationState();
  if (state.texture) return state.texture;
  Device* device = CurrentDevice();
  if (!device) return nullptr;
  Texture3D* map = device->CreateTexture3D();
  // One level: a light's falloff reads the same voxels however small the light appears
  // on screen, and the sampler has no level of detail to work out per pixel, which
  // software GL pays for in every lit pixel.
  map->Create(PixelFormats::X8R8G8B8, 0, 8, 8, 8, false);
  map->GetLevel(0)->Fill([](int32_t x, int32_t y, int32_t z) {
    float g = AttenuationVoxel(x, y, z);
    return Colour{g, g, g, 1.0f};
  });
  map->Update();
  state.texture = map;
  state.device = device;
  return map;
}

void ReleaseMaterialResources() {
  Attenuation& state = AttenuationState();
  DestroyThrough(state.device, state.texture);
  state = {};
  Sources() = {};
}

PassLayer::~PassLayer() {
  Device* device = CurrentDevice();
  DestroyThrough(device, ownStreamMap);
  DestroyThrough(device, lightSet);
}

void PassLayer::Draw(const DrawItem* items, size_t count) {
  StreamMap* map = useOwnStreamMap ? ownStreamMap : owner ? owner->streamMap : nullptr;
  Apply();
  Device* device = CurrentDevice();
  if (fixedFunctionLights && !lightSet && device) lightSet = device->CreateLight();
  for (size_t i = 0; i < count; ++i) {
    const DrawItem& item = items[i];
    if (device) device->SetWorldMatrix(&item.world.m[0][0]);
    if (owner) {
      for (GpuProgramConstant* c : owner->objectConstants) c->Apply();
      ApplyLights(*owner, item.lights);
    }
    if (!fixedFunctionLights || !lightSet) {
      item.renderable->Draw(map);
      continue;
    }
    auto wanted = [&](const LightRecord& r) { return !filterLightType || r.type == lightType; };
    lightSet->count = 0;
    for (int k = 0; k < item.lights.count; ++k) {
      const LightRecord& record = item.lights.records[k];
      if (!wanted(record)) continue;
      if (onePassPerLight) {
        lightSet->lights[0] = record;
        lightSet->count = 1;
        lightSet->Apply();
        item.renderable->Draw(map);
        lightSet->count = 0;
      } else if (lightSet->count < LightSet::kMaxLights) {
        lightSet->lights[lightSet->count++] = record;  // beyond eight, the rest are left out
      }
    }
    if (!onePassPerLight) {
      lightSet->Apply();
      item.renderable->Draw(map);
      lightSet->count = 0;
    }
  }
}

MaterialPass::MaterialPass() : serial(++passesMade) {
  if (Device* device = CurrentDevice()) streamMap = device->CreateStreamMap();
}

MaterialPass::~MaterialPass() {
  layers.clear();
  DestroyThrough(CurrentDevice(), streamMap);
}

PassLayer& MaterialPass::AddLayer() {
  layers.push_back(std::make_unique<PassLayer>());
  layers.back()->owner = this;
  return *layers.back();
}

Material::~Material() { DestroyThrough(CurrentDevice(), normalWithMask); }

void Material::Build(SceneRenderer& renderer, TextureSource& textures) {
  EffectSources& sources = Sources();
  if (!sources.loaded) {
    sources.zfill = ReadShaderFile("shaders/zfill.sh");
    sources.perpixel = ReadShaderFile("shaders/perpixel.sh");
    sources.fog = ReadShaderFile("shaders/fog.sh");
    sources.loaded = true;
  }
  diffuseTexture = textures.GetTexture(diffuseName);
  normalTexture = textures.GetTexture(normalName);
  specularTexture = textures.GetTexture(specularName);
  emissiveTexture = textures.GetTexture(emissiveName);

  if (!unlit) {
    zfillPass = NewPass({kPosition, kTexCoord});
    MaterialPass& z = *zfillPass;
    ShaderOptions options;
    options.SetOption("optTexture", alphaTest);
    Compile(z, sources.zfill, "vs_main", Profile::Vs11, "ps_main", Profile::Ps11, options);
    z.AddVertexConstant(Automatic(z.vertexProgram, "matProjViewMatrix", AutoSource::ViewProjection));
    z.objectConstants.push_back(Automatic(z.vertexProgram, "matWorldMatrix", AutoSource::World));
    RenderStateSet* states = z.UseRenderStates();
    states->Set(RenderState::AlphaTestEnable, alphaTest ? 1 : 0);
    if (alphaTest) {
      GpuProgramConstant* c = z.pixelProgram->GetConstant("diffuseTexture");
      Sampler(c, TextureOf(diffuseTexture));
      z.AddPixelConstant(c);
    }
    FillAndCull(states, *this);
  }

  DestroyThrough(CurrentDevice(), normalWithMask);
  normalWithMask = nullptr;
  if (!unlit && Loaded(diffuseTexture)) {
    normalWithMask = NormalWithMask(normalTexture, specularTexture);
    lightingPass = LitPass(renderer, sources.perpixel, 1, false);
    for (int n = 0; n <= MaterialPass::kMostLights; ++n) wholePasses[n] = LitPass(renderer, sources.perpixel, n, true);
  }

  {
    emissivePass = NewPass({kPosition, kTexCoord});
    MaterialPass& e = *emissivePass;
    ShaderOptions options;
    options.SetOption("optTextured", !emissiveName.empty());
    Compile(e, renderer.glowSource, "vs_emissive", Profile::Vs11, "ps_emissive", Profile::Ps20, options);
    GpuProgramConstant* emissive = e.pixelProgram->GetConstant("emissiveMap");
    Sampler(emissive, TextureOf(emissiveTexture));
    e.AddPixelConstant(emissive);
    GpuProgramConstant* diffuse = e.pixelProgram->GetConstant("diffuseMap");
    Sampler(diffuse, TextureOf(diffuseTexture));
    e.AddPixelConstant(diffuse);
    e.AddVertexConstant(Automatic(e.vertexProgram, "matViewProjMatrix", AutoSource::ViewProjection));
    e.objectConstants.push_back(Automatic(e.vertexProgram, "matWorldMatrix", AutoSource::World));
    RenderStateSet* states = e.UseRenderStates();
    FillAndCull(states, *this);
    states->Set(RenderState::AlphaTestEnable, alphaTest ? 1 : 0);
  }

  {
    fogPass = NewPass({kPosition, kTexCoord, kColourElement});
    MaterialPass& f = *fogPass;
    bool additive = !lightingPass;
    ShaderOptions options;
    options.SetOption("optAdditive", additive);
    Compile(f, sources.fog, "vs_main", Profile::Vs11, "ps_main", Profile::Ps20, options);
    f.AddVertexConstant(Automatic(f.vertexProgram, "matViewProjMatrix", AutoSource::ViewProjection));
    f.objectConstants.push_back(Automatic(f.vertexProgram, "matWorldMatrix", AutoSource::World));
    f.AddPixelConstant(Automatic(f.pixelProgram, "viewPosition", AutoSource::CameraPosition));
    GpuProgramConstant* density = f.pixelProgram->GetConstant("density");
    Float(density, Fogged() ? renderer.fog.density : 0.0f);
    f.AddPixelConstant(density);
    if (additive) {
      GpuProgramConstant* diffuse = f.pixelProgram->GetConstant("diffuseMap");
      Sampler(diffuse, TextureOf(diffuseTexture));
      f.AddPixelConstant(diffuse);
    } else {
      GpuProgramConstant* fog = f.pixelProgram->GetConstant("fogColor");
      fog->kind = GpuProgramConstant::Float4;
      const Colour& c = renderer.fog.colour;
      fog->value.vector[0] = c.r, fog->value.vector[1] = c.g, fog->value.vector[2] = c.b, fog->value.vector[3] = c.a;
      f.AddPixelConstant(fog);
    }
    FillAndCull(f.UseRenderStates(), *this);
  }
}

// A per-pixel lighting pass by `lights` lights; whole, it also adds the emissive colour
// and fogs the sum.
std::unique_ptr<MaterialPass> Material::LitPass(SceneRenderer& renderer, const std::string& source, int lights,
                                                bool whole) {
  auto pass = NewPass({kPosition, kTexCoord, kNormal, kTangent});
  MaterialPass& l = *pass;
  bool specularFound = Loaded(specularTexture);
  ShaderOptions options;
  options.SetOption("optLights", int32_t(lights));
  options.SetOption("optWhole", whole);
  options.SetOption("optEmissive", whole && !emissiveName.empty());
  options.SetOption("optSpecular", specularFound && renderer.settings.specularLighting);
  options.SetOption("optBumpMap", Loaded(normalTexture));
  options.SetOption("optSpecMap", specularFound);
  options.SetOption("optMaskInNormal", normalWithMask != nullptr);
  Compile(l, source, "vs_main", Profile::Vs11, "ps_main", Profile::Ps20, options);
  l.AddVertexConstant(Automatic(l.vertexProgram, "matViewProj", AutoSource::ViewProjection));
  l.AddVertexConstant(Automatic(l.vertexProgram, "viewPosition", AutoSource::CameraPosition));
  l.objectConstants.push_back(Automatic(l.vertexProgram, "matWorld", AutoSource::World));
  l.objectConstants.push_back(Automatic(l.vertexProgram, "matWorldInverse", AutoSource::InverseWorld));
  // A variant has only the maps and values its options read.
  const std::pair<const char*, DeviceObject*> maps[] = {
      {"diffuseMap", TextureOf(diffuseTexture)},
      {"normalMap", normalWithMask ? normalWithMask : TextureOf(normalTexture)},
      {"specularMap", TextureOf(specularTexture)},
      {"emissiveMap", TextureOf(emissiveTexture)}};
  for (const auto& [name, texture] : maps)
    if (GpuProgramConstant* c = l.pixelProgram->FindConstant(name)) {
      Sampler(c, texture);
      l.AddPixelConstant(c);
    }
  if (GpuProgramConstant* falloff = l.pixelProgram->FindConstant("attenuationMap")) {
    Sampler(falloff, AttenuationMap(), AddressMode::MirrorOnce);
    l.AddPixelConstant(falloff);
  }
  if (GpuProgramConstant* power = l.pixelProgram->FindConstant("shininess")) {
    Float(power, shininess * 100.0f);
    l.AddPixelConstant(power);
  }
  if (GpuProgramConstant* density = l.pixelProgram->FindConstant("density")) {
    Float(density, Fogged() ? renderer.fog.density : 0.0f);
    l.AddPixelConstant(density);
  }
  if (GpuProgramConstant* fog = l.pixelProgram->FindConstant("fogColor")) {
    fog->kind = GpuProgramConstant::Float4;
    const Colour& c = renderer.fog.colour;
    fog->value.vector[0] = c.r, fog->value.vector[1] = c.g, fog->value.vector[2] = c.b, fog->value.vector[3] = c.a;
    l.AddPixelConstant(fog);
  }
  if (GpuProgramConstant* eye = l.pixelProgram->FindConstant("viewPosition")) {
    eye->autoSource = +AutoSource::CameraPosition;
    l.AddPixelConstant(eye);
  }
  // The lights' values come with each object (ApplyLights).
  static const char* const kNames[MaterialPass::kMostLights][3] = {{"lightPosition0", "radius0", "lightColor0"},
                                                                   {"lightPosition1", "radius1", "lightColor1"},
                                                                   {"lightPosition2", "radius2", "lightColor2"},
                                                                   {"lightPosition3", "radius3", "lightColor3"}};
  l.lightCount = lights;
  for (int k = 0; k < lights; ++k) {
    MaterialPass::LightConstants& light = l.lights[k];
    light.position = l.vertexProgram->GetConstant(kNames[k][0]);
    light.position->kind = GpuProgramConstant::Float4;
    light.radius = l.vertexProgram->GetConstant(kNames[k][1]);
    light.radius->kind = GpuProgramConstant::Float;
    light.colour = l.pixelProgram->GetConstant(kNames[k][2]);
    light.colour->kind = GpuProgramConstant::Float4;
  }
  RenderStateSet* states = l.UseRenderStates();
  states->Set(RenderState::AlphaTestEnable, alphaTest ? 1 : 0);
  // Whole, the pass writes the pixel's final colour: where two surfaces meet at one
  // depth, the pixel shows one of them, not both added with the fog colour twice.
  if (whole) states->Set(RenderState::AlphaBlendEnable, 0);
  FillAndCull(states, *this);
  return pass;
}

void Material::BuildFixedFunction(const Fog& fog, TextureSource& textures) {
  if (!unlit) {
    lightingPass = NewPass({kPosition, kNormal, kTexCoord});
    MaterialPass& pass = *lightingPass;
    FixedFunctionMaterial* m = pass.UseMaterial();
    if (m) {
      m->diffuse = colour;
      m->specular = {1, 1, 1, 0};
      m->power = 10.0f;
    }
    FillAndCull(pass.UseRenderStates(), *this);
    PassLayer& layer = *pass.layers.front();
    RenderStateSet* states = layer.UseRenderStates();
    states->Set(RenderState::Lighting, 1);
    // Scenery is scaled: its normals, carried to view space by the inverse transpose of
    // world × view, would come out 1 / scale long and light it too bright or too dark.
    states->Set(RenderState::NormalizeNormals, 1);
    states->Set(RenderState::SpecularEnable, 0);
    states->Set(RenderState::DiffuseMaterialSource, +MaterialSource::Material);
    states->Set(RenderState::SpecularMaterialSource, +MaterialSource::Material);
    states->Set(RenderState::AlphaTestEnable, alphaTest ? 1 : 0);
    TextureStageSet* stages = layer.UseTextureStages();
    if (!diffuseName.empty()) {
      diffuseTexture = textures.GetTexture(diffuseName);
      AddStage(stages, Stage(TextureOf(diffuseTexture), TextureOp::Modulate2x, TextureArg::Texture, TextureArg::Diffuse,
                             TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Texture));
    }
    // Every lit layer gets its lights, with or without a diffuse texture.
    layer.fixedFunctionLights = true;
    if (glow) {
      emissiveTexture = textures.GetTexture(emissiveName);
      bool textured = !diffuseName.empty();
      AddStage(stages, Stage(TextureOf(emissiveTexture), textured ? TextureOp::Add : TextureOp::SelectArg1,
                             TextureArg::Texture, textured ? TextureArg::Current : TextureArg::Texture,
                             TextureOp::Disable, TextureArg::Texture, TextureArg::Texture));
    }
    return;
  }
  fogPass = NewPass({kPosition, kTexCoord});
  MaterialPass& pass = *fogPass;
  PassLayer& layer = *pass.layers.front();
  FillAndCull(pass.UseRenderStates(), *this);
  layer.UseRenderStates()->Set(RenderState::AlphaTestEnable, alphaTest ? 1 : 0);
  // The pass adds its colour to the frame, so fog fades it towards black, as the per-pixel
  // frame's fog pass does for unlit surfaces. Without fog the colour is left as the frame
  // set it: changing it would send the fixed-function values again for nothing.
  RenderStateSet* states = layer.UseRenderStates();
  const bool fogged = Fogged() && fog.density != 0.0f;
  states->Set(RenderState::FogEnable, fogged ? 1 : 0);
  if (fogged) states->Set(RenderState::FogColour, 0);
  TextureStageSet* stages = layer.UseTextureStages();
  if (!diffuseName.empty()) {
    diffuseTexture = textures.GetTexture(diffuseName);
    AddStage(stages, Stage(TextureOf(diffuseTexture), TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse,
                           TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Texture));
  }
}

}  // namespace KOR
