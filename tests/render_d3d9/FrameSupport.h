#pragma once
// A small lit test scene for the frame renderer, on whatever device is current: quads
// facing the camera with materials whose textures are flat colours, and point lights.
// Effect files are read from the source tree's shaders/.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Matrix.h"
#include "graphics/Device.h"
#include "graphics/EngineNumbers.h"
#include "graphics/Material.h"
#include "graphics/RenderSystem.h"
#include "graphics/SceneRenderer.h"
#include "graphics/TextureFormats.h"
#include "graphics/TextureObject.h"

namespace frame {

// Textures by name, each a flat 4 × 4 colour ("name" → ARGB word).
class FlatTextures : public KOR::TextureSource {
public:
  void Add(const std::string& name, uint32_t argb) { colours[name] = argb; }
  KOR::TextureObject* GetTexture(const std::string& name) override {
    auto& slot = loaded[name];
    if (!slot) {
      slot = std::make_unique<KOR::TextureObject>();
      auto found = colours.find(name);
      if (found != colours.end()) {
        KOR::ArgbImage image{4, 4, std::vector<uint32_t>(16, found->second)};
        std::vector<uint8_t> tga = KOR::WriteTga(image, 32);
        slot->LoadFromMemory(tga.data(), uint32_t(tga.size()));
      }
    }
    return slot.get();
  }
  std::map<std::string, uint32_t> colours;
  std::map<std::string, std::unique_ptr<KOR::TextureObject>> loaded;
};

// A quad in the plane z = 0, centred on (cx, cy), edge 2 × half, facing −z, with normals,
// tangents, texture coordinates and white vertex colours.
inline KOR::Renderable* Quad(KOR::Device* device, float cx, float cy, float half) {
  using KOR::ElementType;
  using KOR::ElementUsage;
  const KOR::VertexElementDecl position{+ElementUsage::Position, 0, +ElementType::Float3},
      normal{+ElementUsage::Normal, 0, +ElementType::Float3}, uv{+ElementUsage::TexCoord, 0, +ElementType::Float2},
      tangent{+ElementUsage::Tangent, 0, +ElementType::Float4}, colour{+ElementUsage::Colour, 0, +ElementType::Colour};
  KOR::Renderable* r = device->CreateRenderable(false);
  r->vertices.Resize(4);
  for (const auto& e : {position, normal, uv, tangent, colour}) r->vertices.AddElement(e);
  const float corners[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
  auto* p = reinterpret_cast<float*>(r->vertices.GetElement(position)->data);
  auto* n = reinterpret_cast<float*>(r->vertices.GetElement(normal)->data);
  auto* t = reinterpret_cast<float*>(r->vertices.GetElement(uv)->data);
  auto* g = reinterpret_cast<float*>(r->vertices.GetElement(tangent)->data);
  auto* c = reinterpret_cast<uint32_t*>(r->vertices.GetElement(colour)->data);
  for (int i = 0; i < 4; ++i) {
    p[i * 3 + 0] = cx + corners[i][0] * half, p[i * 3 + 1] = cy + corners[i][1] * half, p[i * 3 + 2] = 0;
    n[i * 3 + 0] = 0, n[i * 3 + 1] = 0, n[i * 3 + 2] = -1;
    t[i * 2 + 0] = (corners[i][0] + 1) * 0.5f, t[i * 2 + 1] = (1 - corners[i][1]) * 0.5f;
    g[i * 4 + 0] = 1, g[i * 4 + 1] = 0, g[i * 4 + 2] = 0, g[i * 4 + 3] = 1;
    c[i] = 0xFFFFFFFFu;
  }
  // Counter-clockwise as the camera sees it: materials cull clockwise faces.
  const uint32_t order[6] = {0, 2, 1, 1, 2, 3};
  r->ResizeIndices(6);
  std::copy(order, order + 6, r->indices);
  r->Build();
  return r;
}

// Runs from the source tree so "shaders/…" resolve, and back afterwards.
class InSourceTree {
public:
  InSourceTree() : previous(std::filesystem::current_path()) { std::filesystem::current_path(KOR_SOURCE_DIR); }
  ~InSourceTree() { std::filesystem::current_path(previous); }

private:
  std::filesystem::path previous;
};

// A renderer over the current device looking along +z from (0, 0, −10), with nodes and
// lights the test adds.
struct TestScene {
  TestScene(KOR::Device* device, KOR::RenderSettings settings) : device(device) {
    renderer.Init(device, settings);
    renderer.SetProjection(60.0f, float(settings.screenWidth) / float(settings.screenHeight), 1.0f, 100.0f);
    renderer.SetView({0, 0, -10}, {0, 0, 1}, {0, 1, 0});
    renderer.BuildFrustum();
  }
  ~TestScene() {
    materials.clear();
    for (KOR::Renderable* r : quads) device->DestroyObject(r);
    KOR::ReleaseMaterialResources();
  }
  KOR::Material& AddMaterial(const std::string& diffuse, const std::string& normal, const std::string& specular,
                             const std::string& emissive, bool unlit = false) {
    auto m = std::make_unique<KOR::Material>();
    m->diffuseName = diffuse, m->normalName = normal, m->specularName = specular, m->emissiveName = emissive;
    m->colour = {1, 1, 1, 1};
    m->shininess = 0.16f;
    m->unlit = unlit;
    m->glow = !emissive.empty();
    if (renderer.settings.perPixelLighting) m->Build(renderer, textures);
    else m->BuildFixedFunction(renderer.fog, textures);
    materials.push_back(std::move(m));
    return *materials.back();
  }
  KOR::RenderNode& AddNode(KOR::Material& material, float cx, float cy, float half) {
    quads.push_back(Quad(device, cx, cy, half));
    auto node = std::make_unique<KOR::RenderNode>();
    node->renderable = quads.back();
    node->material = &material;
    node->inFrustum = true;
    nodes.push_back(node.get());
    ownedNodes.push_back(std::move(node));
    return *nodes.back();
  }
  KOR::LightParameters& AddLight(KOR::Vector3 position, KOR::Vector3 colour, float radius) {
    auto light = std::make_unique<KOR::LightParameters>();
    light->position = {position.x, position.y, position.z, 1};
    light->colour = colour;
    light->range = radius;
    light->active = true;
    for (KOR::RenderNode* node : nodes) {
      light->nodes.push_back(node);
      node->lights.push_back(light.get());
    }
    lights.push_back(light.get());
    ownedLights.push_back(std::move(light));
    return *lights.back();
  }
  void Frame(KOR::Colour clear) { renderer.RenderFrame(nodes, lights, clear); }

  InSourceTree tree;
  KOR::Device* device;
  KOR::SceneRenderer renderer;
  FlatTextures textures;
  std::vector<std::unique_ptr<KOR::Material>> materials;
  std::vector<KOR::Renderable*> quads;
  std::vector<std::unique_ptr<KOR::RenderNode>> ownedNodes;
  std::vector<KOR::RenderNode*> nodes;
  std::vector<std::unique_ptr<KOR::LightParameters>> ownedLights;
  std::vector<KOR::LightParameters*> lights;
};

}  // namespace frame
