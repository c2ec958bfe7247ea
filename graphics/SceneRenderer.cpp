#include "graphics/SceneRenderer.h"

#include <algorithm>
#include <cstring>

#include "graphics/Device.h"
#include "graphics/EngineNumbers.h"
#include "graphics/GpuProgram.h"
#include "graphics/ShaderOptions.h"
#include "graphics/Texture.h"

namespace KOR {
namespace {

const VertexElementDecl kPosition{+ElementUsage::Position, 0, +ElementType::Float3};
const VertexElementDecl kTexCoord{+ElementUsage::TexCoord, 0, +ElementType::Float2};
const VertexElementDecl kColourElement{+ElementUsage::Colour, 0, +ElementType::Colour};
const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Blur step, in screen heights, of the glow's first and second cycle halves.
constexpr float kBlur = 0.038f * 0.5f;
// The share of the scene the glow keeps (0.6 in every channel) under the blur it adds;
// the other 0.4 goes into the blur.
constexpr uint32_t kSceneKept = 0x99999999u;

uint32_t Packed(const Colour& c) {
  auto channel = [](float v) { return uint32_t(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
  return channel(c.a) << 24 | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

// A point light's record: its place, colour and range, and the fixed-function attenuation
// the per-vertex path lights with.
LightRecord Record(const LightParameters& light) {
  LightRecord r;
  r.type = 0;  // point
  r.colour = {light.colour.x, light.colour.y, light.colour.z, 1.0f};
  r.position = {light.position.x, light.position.y, light.position.z};
  r.direction = {0, 0, 0};
  float radius = light.range;
  r.range = radius;
  r.attenuation0 = 1.0f;
  r.attenuation1 = 0.0f;
  r.attenuation2 = radius > 0.0f ? (0.995f / (radius * radius * 0.00390625f)) * 0.015625f : 0.0f;
  return r;
}

// The records of the active lights that reach an object, as many as a light set holds.
void LightRecords(const RenderNode& node, ObjectLights& out) {
  out.count = 0;
  for (const LightParameters* light : node.lights) {
    if (out.count >= LightSet::kMaxLights) break;
    if (light->active) out.records[out.count++] = Record(*light);
  }
}

DrawItem Item(const RenderNode& node, MaterialPass* pass) {
  DrawItem item;
  item.renderable = node.renderable;
  item.world = node.world;
  item.pass = pass;
  return item;
}

bool Drawn(const RenderNode* node) { return node->inFrustum && node->material && node->renderable; }

// How many active lights reach a node.
size_t ActiveLights(const RenderNode& node) {
  size_t count = 0;
  for (const LightParameters* light : node.lights) count += light->active ? 1 : 0;
  return count;
}

// A key that is equal for nodes reached by lights alike (and most likely differs
// otherwise), made of what the lights are, so that it orders objects the same in every run.
uint64_t LightsKey(const RenderNode& node) {
  uint64_t key = 0;
  for (const LightParameters* light : node.lights) {
    const float values[] = {light->position.x, light->position.y, light->position.z, light->range,
                            light->colour.x,   light->colour.y,   light->colour.z};
    for (float value : values) {
      uint32_t bits;
      std::memcpy(&bits, &value, 4);
      key = (key ^ bits) * 0x100000001B3ull;
    }
  }
  return key;
}

// The per-pixel pass that draws a lit node whole, or null when its lights are too many
// for one pass (or it is not lit).
MaterialPass* WholePass(const RenderNode& node) {
  size_t lights = ActiveLights(node);
  if (lights > size_t(MaterialPass::kMostLights)) return nullptr;
  return node.material->wholePasses[lights].get();
}

// The depth queue's base state: culled, depth-tested and written, opaque, alpha-tested.
void DepthBase(RenderStateSet* depth) {
  depth->Set(RenderState::CullMode, +Cull::Clockwise);
  depth->Set(RenderState::DepthEnable, 1);
  depth->Set(RenderState::DepthFunction, +Compare::LessEqual);
  depth->Set(RenderState::AlphaBlendEnable, 0);
  depth->Set(RenderState::DepthWrite, 1);
  depth->Set(RenderState::AlphaReference, 128);
  depth->Set(RenderState::AlphaFunction, +Compare::Greater);
}

// The base every colour phase starts from: culled, depth-tested against what the depth
// phase wrote and not written, blended by adding, alpha-tested at half where a pass asks.
// Each phase then says what it changes; nothing carries over from the phase before.
void ColourBase(RenderStateSet* colour) {
  colour->Set(RenderState::CullMode, +Cull::Clockwise);
  colour->Set(RenderState::DepthEnable, 1);
  colour->Set(RenderState::DepthFunction, +Compare::LessEqual);
  colour->Set(RenderState::DepthWrite, 0);
  colour->Set(RenderState::AlphaBlendEnable, 1);
  colour->Set(RenderState::SourceBlend, +Blend::One);
  colour->Set(RenderState::DestBlend, +Blend::One);
  colour->Set(RenderState::AlphaTestEnable, 0);
  colour->Set(RenderState::AlphaReference, 128);
  colour->Set(RenderState::AlphaFunction, +Compare::Greater);
  colour->Set(RenderState::ColourWriteEnable, 255);
}

// Fixed-function fog for the per-vertex frame: squared exponential in the fog's colour.
void VertexFog(RenderStateSet* states, const Fog& fog) {
  uint32_t bits;
  std::memcpy(&bits, &fog.density, 4);
  states->Set(RenderState::FogEnable, fog.density != 0.0f ? 1 : 0);
  states->Set(RenderState::FogColour, Packed(fog.colour));
  states->Set(RenderState::FogDensity, bits);
  states->Set(RenderState::FogVertexMode, +FogMode::Exp2);
}

}  // namespace

int SceneRenderer::GlowTargetSize(uint32_t screenEdge) {
  uint32_t power = 1;
  while (screenEdge >= 2 && power <= screenEdge / 2) power *= 2;
  return int(std::min<uint32_t>(power / 4, 256));
}

SceneRenderer::~SceneRenderer() {
  if (!device) return;
  DeviceObject* owned[] = {glowA, glowB, vsGlow, psGlow, psCopy, vsQuad, psQuad, postStates, spriteStates,
                           quadStreamMap, quad40, quadWhite};
  for (DeviceObject* object : owned)
    if (object) device->DestroyObject(object);
  if (camera) device->DestroyObject(camera);
}

void SceneRenderer::Init(Device* made, const RenderSettings& chosen) {
  device = made;
  settings = chosen;
  camera = device->CreateCamera();
  spriteStates = device->CreateRenderStateSet();
  RenderStateSet* depth = depthQueue.UseRenderStates();
  RenderStateSet* colour = colourQueue.UseRenderStates();
  if (!depth || !colour || !camera) return;
  DepthBase(depth);
  ColourBase(colour);
  if (settings.perPixelLighting) InitPerPixel();
}

void SceneRenderer::InitPerPixel() {
  int width = GlowTargetSize(settings.screenWidth), height = GlowTargetSize(settings.screenHeight);
  glowA = device->CreateTexture2D();
  glowB = device->CreateTexture2D();
  for (Texture2D* target : {glowA, glowB}) {
    target->Create(PixelFormats::X8R8G8B8, TextureUsages::RenderTarget, width, height, true);
    target->Update();
  }
  glowSource = ReadShaderFile("shaders/glow.sh");
  vsGlow = device->CreateGpuProgram();
  psGlow = device->CreateGpuProgram();
  psCopy = device->CreateGpuProgram();
  vsQuad = device->CreateGpuProgram();
  psQuad = device->CreateGpuProgram();
  ShaderOptions plain;
  plain.SetOption("optTextured", false);
  CompileWithOptions(*vsGlow, glowSource.c_str(), Profile::Vs11, "vs_glow", plain);
  CompileWithOptions(*psGlow, glowSource.c_str(), Profile::Ps20, "ps_glow", plain);
  CompileWithOptions(*psCopy, glowSource.c_str(), Profile::Ps20, "ps_copy", plain);
  CompileWithOptions(*vsQuad, glowSource.c_str(), Profile::Vs11, "vs_quad", plain);
  CompileWithOptions(*psQuad, glowSource.c_str(), Profile::Ps11, "ps_quad", plain);
  postStates = device->CreateRenderStateSet();
  postStates->Set(RenderState::CullMode, +Cull::None);
  postStates->Set(RenderState::DepthEnable, 0);
  postStates->Set(RenderState::DepthFunction, +Compare::LessEqual);
  postStates->Set(RenderState::DepthWrite, 0);
  postStates->Set(RenderState::SourceBlend, +Blend::One);
  postStates->Set(RenderState::DestBlend, +Blend::One);
  glowMap = psGlow->GetConstant("glowMap");
  copyMap = psCopy->GetConstant("glowMap");
  copyMap->kind = GpuProgramConstant::Sampler;
  blur = vsGlow->GetConstant("blur");
  hdir = vsGlow->GetConstant("hdir");
  offset = vsGlow->GetConstant("offset");
  glowMap->kind = GpuProgramConstant::Sampler;
  blur->kind = GpuProgramConstant::Float;
  hdir->kind = GpuProgramConstant::Bool;
  offset->kind = GpuProgramConstant::Float2;
  texelOffset[0] = 0.5f / float(width);
  texelOffset[1] = 0.5f / float(height);
  aspect = settings.screenHeight ? float(settings.screenWidth) / float(settings.screenHeight) : 1.0f;
  quadStreamMap = device->CreateStreamMap();
  quadStreamMap->AddElement(kPosition);
  quadStreamMap->AddElement(kTexCoord);
  quadStreamMap->AddElement(kColourElement);
  quadStreamMap->Build();
  quad40 = MakeQuad(0.4f);
  quadWhite = MakeQuad(1.0f);
}

// A full-screen quad in clip space, two triangles, of one grey.
Renderable* SceneRenderer::MakeQuad(float grey) {
  Renderable* quad = device->CreateRenderable(false);
  quad->vertices.Resize(4);
  quad->vertices.AddElement(kPosition);
  quad->vertices.AddElement(kTexCoord);
  quad->vertices.AddElement(kColourElement);
  const float corners[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
  auto* p = reinterpret_cast<float*>(quad->vertices.GetElement(kPosition)->data);
  auto* t = reinterpret_cast<float*>(quad->vertices.GetElement(kTexCoord)->data);
  auto* c = reinterpret_cast<uint32_t*>(quad->vertices.GetElement(kColourElement)->data);
  for (int i = 0; i < 4; ++i) {
    p[i * 3 + 0] = corners[i][0], p[i * 3 + 1] = corners[i][1], p[i * 3 + 2] = 0.0f;
    t[i * 2 + 0] = (corners[i][0] + 1) * 0.5f, t[i * 2 + 1] = (1 - corners[i][1]) * 0.5f;
    c[i] = Packed({grey, grey, grey, 1.0f});
  }
  const uint32_t indices[6] = {0, 1, 2, 2, 1, 3};
  quad->ResizeIndices(6);
  std::memcpy(quad->indices, indices, sizeof indices);
  quad->Build();
  return quad;
}

void SceneRenderer::SetIdentityWorld() { device->SetWorldMatrix(kIdentity); }

// Each node carries the lights that reach it; the scene's list of them adds nothing here.
void SceneRenderer::RenderFrame(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>&,
                                const Colour& clear) {
  if (!device || !camera) return;
  fog.colour = clear;
  if (settings.perPixelLighting) PerPixelFrame(nodes);
  else PerVertexFrame(nodes);
}

void SceneRenderer::WarmUp(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>& lights,
                           const Colour& clear) {
  if (!device || !camera) return;
  presenting = false;
  RenderFrame(nodes, lights, clear);
  presenting = true;
  device->Clear(true, true, false, clear.r, clear.g, clear.b, clear.a);
}

void SceneRenderer::PresentFrame() {
  if (presenting) device->Present();
}

void SceneRenderer::DepthPass(const std::vector<RenderNode*>& nodes) {
  for (RenderNode* node : nodes)
    if (Drawn(node) && node->material->zfillPass) depthQueue.Add(Item(*node, node->material->zfillPass.get()));
  depthQueue.Draw();
  depthQueue.Clear();
}

void SceneRenderer::PerPixelFrame(const std::vector<RenderNode*>& nodes) {
  const Colour& clear = fog.colour;
  device->Clear(true, true, false, clear.r, clear.g, clear.b, clear.a);
  device->BeginFrame();
  camera->ApplyProjection();
  camera->ApplyCamera();
  DepthPass(nodes);
  Done(FramePhase::Depth);

  // Lights, emissive colour and fog onto the black the depth phase laid down: in one pass
  // for a surface whole, else one additive pass per light, the emissive pass and the fog.
  RenderStateSet* colour = colourQueue.GetRenderStates();
  ColourBase(colour);
  for (RenderNode* node : nodes) {
    if (!Drawn(node) || !node->material->lightingPass) continue;
    DrawItem item = Item(*node, WholePass(*node));
    if (item.pass) {
      LightRecords(*node, item.lights);
      item.order = LightsKey(*node);
      colourQueue.Add(item);
      continue;
    }
    item.pass = node->material->lightingPass.get();
    item.lights.count = 1;
    for (const LightParameters* light : node->lights) {
      if (!light->active) continue;
      item.lights.records[0] = Record(*light);
      colourQueue.Add(item);
    }
  }
  colourQueue.Draw();
  colourQueue.Clear();
  Done(FramePhase::Lights);

  for (RenderNode* node : nodes)
    if (Drawn(node) && node->material->emissivePass && !node->material->emissiveName.empty() && !WholePass(*node))
      colourQueue.Add(Item(*node, node->material->emissivePass.get()));
  colourQueue.Draw();
  colourQueue.Clear();
  Done(FramePhase::Emissive);

  // Fog over lit surfaces blends towards the fog's colour by the pass's alpha.
  ColourBase(colour);
  colour->Set(RenderState::SourceBlend, +Blend::SourceAlpha);
  colour->Set(RenderState::DestBlend, +Blend::InverseSourceAlpha);
  for (RenderNode* node : nodes)
    if (Drawn(node) && node->material->lightingPass && node->material->fogPass && !WholePass(*node))
      colourQueue.Add(Item(*node, node->material->fogPass.get()));
  colourQueue.Draw();
  colourQueue.Clear();

  // Unlit surfaces add their fogged colour.
  ColourBase(colour);
  for (RenderNode* node : nodes)
    if (Drawn(node) && !node->material->lightingPass && node->material->fogPass)
      colourQueue.Add(Item(*node, node->material->fogPass.get()));
  colourQueue.Draw();
  colourQueue.Clear();

  Done(FramePhase::Fog);
  SetIdentityWorld();
  DrawWorldSprites();
  Done(FramePhase::WorldSprites);

  if (settings.glowEffects && glowA) Glow(nodes);
  Done(FramePhase::Glow);

  device->UnbindPixelProgram();
  device->UnbindVertexProgram();
  SetIdentityWorld();
  DrawScreenSprites();
  device->EndFrame();
  PresentFrame();
  Done(FramePhase::ScreenSprites);
}

void SceneRenderer::DrawWorldSprites() {
  if (!worldSprites) return;
  spriteStates->Set(RenderState::AlphaBlendEnable, 1);
  spriteStates->Set(RenderState::DepthFunction, +Compare::LessEqual);
  spriteStates->Apply();
  worldSprites->Draw(camera->view);
}

void SceneRenderer::DrawScreenSprites() {
  if (screenSprites) screenSprites->Draw(camera->view);
}

void SceneRenderer::DrawQuad(Renderable* quad) { quad->Draw(quadStreamMap); }

void SceneRenderer::Glow(const std::vector<RenderNode*>& nodes) {
  // The scene at 40 % in A; the back buffer keeps 60 % when the blur is added onto it.
  glowA->SetAsRenderTarget();
  device->CopyBackBufferToTarget();
  vsQuad->Bind();
  psQuad->Bind();
  postStates->Set(RenderState::AlphaBlendEnable, 1);
  postStates->Set(RenderState::SourceBlend, +Blend::DestColour);
  postStates->Set(RenderState::DestBlend, +Blend::Zero);
  postStates->Apply();
  SetIdentityWorld();
  DrawQuad(quad40);

  // The depth of the visible surfaces at glow resolution, then their emissive colours added.
  postStates->Set(RenderState::AlphaBlendEnable, 0);
  postStates->Set(RenderState::SourceBlend, +Blend::One);
  postStates->Set(RenderState::DestBlend, +Blend::One);
  postStates->Set(RenderState::ColourWriteEnable, 0);
  postStates->Apply();
  glowA->SetAsRenderTarget();
  camera->ApplyProjection();
  camera->ApplyCamera();
  device->Clear(false, true, false, 0, 0, 0, 0);
  DepthPass(nodes);
  // A surface without an emissive map adds black: its pass would change no pixel.
  for (RenderNode* node : nodes)
    if (Drawn(node) && node->material->emissivePass && !node->material->emissiveName.empty())
      colourQueue.Add(Item(*node, node->material->emissivePass.get()));
  // Only the visible surfaces' own colour: depth equal to what was just laid down.
  RenderStateSet* colour = colourQueue.GetRenderStates();
  ColourBase(colour);
  colour->Set(RenderState::DepthFunction, +Compare::Equal);
  colourQueue.Draw();
  colourQueue.Clear();
  SetIdentityWorld();
  DrawWorldSprites();

  // Blur A through B and back, twice, all at the glow targets' size; then the blur, one
  // filtered tap a pixel, adds onto the back buffer.
  vsGlow->Bind();
  psGlow->Bind();
  postStates->Set(RenderState::AlphaBlendEnable, 0);
  postStates->Set(RenderState::ColourWriteEnable, 255);
  postStates->Apply();
  auto sampleFrom = [&](GpuProgramConstant* map, Texture2D* target) {
    auto& s = map->value.sampler;
    s.texture = target;
    s.addressU = s.addressV = s.addressW = +AddressMode::Clamp;
    s.filter = +FilterLevel::Bilinear;
    map->setAddress = map->setFilter = true;
    map->Apply();
  };
  offset->value.vector[0] = texelOffset[0];
  offset->value.vector[1] = texelOffset[1];
  for (int cycle = 0; cycle < 2; ++cycle) {
    sampleFrom(glowMap, glowA);
    blur->value.vector[0] = aspect * kBlur;
    hdir->value.boolean = false;
    blur->Apply();
    hdir->Apply();
    offset->Apply();
    glowB->SetAsRenderTarget();
    DrawQuad(quadWhite);
    hdir->value.boolean = true;
    blur->value.vector[0] = kBlur;
    blur->Apply();
    hdir->Apply();
    sampleFrom(glowMap, glowB);
    glowA->SetAsRenderTarget();
    DrawQuad(quadWhite);
  }
  // The scene's 60 % and the blur in one blend: no full-screen pass of its own.
  device->RestoreBackBuffer();
  psCopy->Bind();
  sampleFrom(copyMap, glowA);
  postStates->Set(RenderState::AlphaBlendEnable, 1);
  postStates->Set(RenderState::DestBlend, +Blend::BlendFactor);
  postStates->Set(RenderState::BlendFactor, kSceneKept);
  postStates->Apply();
  DrawQuad(quadWhite);
}

void SceneRenderer::PerVertexFrame(const std::vector<RenderNode*>& nodes) {
  const Colour& clear = fog.colour;
  device->Clear(true, true, false, clear.r, clear.g, clear.b, clear.a);
  device->BeginFrame();
  camera->ApplyProjection();
  camera->ApplyCamera();
  // Lit surfaces are drawn opaque with their depth; unlit ones add their colour over them.
  RenderStateSet* depth = depthQueue.UseRenderStates();
  VertexFog(depth, fog);
  DepthBase(depth);
  RenderStateSet* colour = colourQueue.UseRenderStates();
  ColourBase(colour);
  VertexFog(colour, fog);
  spriteStates->Set(RenderState::DepthWrite, 0);
  spriteStates->Set(RenderState::FogEnable, 0);
  spriteStates->Set(RenderState::AlphaBlendEnable, 1);
  spriteStates->Set(RenderState::Lighting, 0);
  for (RenderNode* node : nodes) {
    if (!Drawn(node)) continue;
    DrawItem item = Item(*node, nullptr);
    LightRecords(*node, item.lights);
    item.order = LightsKey(*node);  // objects lit alike in a row: their lights go once
    if (MaterialPass* lit = node->material->lightingPass.get()) {
      item.pass = lit;
      depthQueue.Add(item);
    }
    if (MaterialPass* unlit = node->material->fogPass.get()) {
      item.pass = unlit;
      colourQueue.Add(item);
    }
  }
  depthQueue.Draw();
  Done(FramePhase::Lights);
  colourQueue.Draw();
  Done(FramePhase::Fog);
  SetIdentityWorld();
  if (worldSprites) {
    spriteStates->Apply();
    worldSprites->Draw(camera->view);
  }
  Done(FramePhase::WorldSprites);
  DrawScreenSprites();
  device->EndFrame();
  PresentFrame();
  Done(FramePhase::ScreenSprites);
  depthQueue.Clear();
  colourQueue.Clear();
}

}  // namespace KOR
