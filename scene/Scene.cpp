#include "scene/Scene.h"

#include "graphics/SceneRenderer.h"

#include <algorithm>
#include <cstring>

#include "graphics/Mesh3DF.h"
#include "graphics/SceneRenderer.h"
#include "graphics/TextureObject.h"
#include "platform/win32/Windows.h"
#include "scene/LightEntity.h"
#include "scene/ScreenOverlay.h"
#include "scene/SpriteBatch.h"
#include "scene/SpriteMaterials.h"
#include "scene/StaticMeshEntity.h"
#include "sound/SoundSample.h"
#include "sound/SoundSystem.h"

namespace KOR {
namespace {

constexpr int kFixedStepFrames = 3;
constexpr float kFixedStep = 0.01f;
constexpr int kOverlayCapacity = 512, kSpriteCapacity = 1024;

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// The box around the eight corners of a model-space box under world.
void WorldBox(const RenderNode& node, const Matrix& world, Vector3& low, Vector3& high) {
  for (int i = 0; i < 8; ++i) {
    Vector4 corner{i & 1 ? node.boundsMax.x : node.boundsMin.x, i & 2 ? node.boundsMax.y : node.boundsMin.y,
                   i & 4 ? node.boundsMax.z : node.boundsMin.z, 1.0f};
    Vector4 p = Transform(corner, world);
    Vector3 q{p.x, p.y, p.z};
    if (i == 0) {
      low = high = q;
      continue;
    }
    low = {std::min(low.x, q.x), std::min(low.y, q.y), std::min(low.z, q.z)};
    high = {std::max(high.x, q.x), std::max(high.y, q.y), std::max(high.z, q.z)};
  }
}

// False when the box lies entirely outside one plane (its corner furthest along the
// plane's normal is behind it).
bool BoxVisible(const Camera& camera, const Vector3& low, const Vector3& high) {
  for (const Plane& plane : camera.planes) {
    Vector3 far{plane.normal.x >= 0 ? high.x : low.x, plane.normal.y >= 0 ? high.y : low.y,
                plane.normal.z >= 0 ? high.z : low.z};
    if (Dot(plane.normal, far) - plane.distance < 0.0f) return false;
  }
  return true;
}

bool SphereTouchesBox(const Vector3& centre, float radius, const Vector3& low, const Vector3& high) {
  Vector3 nearest{std::clamp(centre.x, low.x, high.x), std::clamp(centre.y, low.y, high.y),
                  std::clamp(centre.z, low.z, high.z)};
  Vector3 d = centre - nearest;
  return Dot(d, d) <= radius * radius;
}

}  // namespace

Scene::Scene()
    : renderer(std::make_unique<BasicRenderer>(nullptr)), spriteMaterials(std::make_unique<SpriteMaterials>(*this)) {}

Scene::~Scene() {
  DeleteEntities();
  prototypes.clear();
  nodes.clear();
  lights.clear();
  // The entities' overlays and sprites have left the batches; the batches go before the
  // materials and textures they refer to.
  DropBatches();
  spriteMaterials.reset();
  soundCache.clear();
  materialCache.clear();
  meshCache.clear();
  textureCache.clear();
  renderer.reset();
}

void Scene::SetFog(const Fog& chosen) {
  fog = chosen;
  if (sceneRenderer) sceneRenderer->fog = chosen;
}

void Scene::DeleteEntities() {
  // Entity destructors take their nodes and lights out of the lists: those go later.
  removalQueue.clear();
  listed.clear();
  entities.clear();
}

void Scene::Init(Device* device, const SceneSettings& chosen) {
  settings = chosen;
  DropBatches();
  sceneRenderer = nullptr;
  if (device) {
    auto made = std::make_unique<SceneRenderer>();
    made->fog = fog;
    made->Init(device, settings);
    sceneRenderer = made.get();
    renderer = std::move(made);
    const float aspect = settings.screenHeight ? float(settings.screenWidth) / float(settings.screenHeight) : 1.0f;
    overlays = std::make_unique<OverlayBatch>(device, kOverlayCapacity, aspect);
    sprites = std::make_unique<SpriteBatch>(device, kSpriteCapacity);
    sceneRenderer->screenSprites = overlays.get();
    sceneRenderer->worldSprites = sprites.get();
  } else {
    renderer = std::make_unique<BasicRenderer>(nullptr);
  }
  RegisterPrototype("staticMesh", std::make_unique<StaticMeshEntity>());
  RegisterPrototype("Light", std::make_unique<LightEntity>());
  LARGE_INTEGER value{};
  QueryPerformanceFrequency(&value);
  counterFrequency = value.QuadPart > 0 ? value.QuadPart : 1;
  QueryPerformanceCounter(&value);
  startCounter = value.QuadPart;
}

void Scene::DropBatches() {
  if (sceneRenderer) sceneRenderer->screenSprites = sceneRenderer->worldSprites = nullptr;
  overlays.reset();
  sprites.reset();
}

void Scene::RegisterPrototype(const std::string& name, std::unique_ptr<Entity> prototype) {
  prototypes[name] = std::move(prototype);
}

std::unique_ptr<Entity> Scene::CreateEntity(const std::string& typeName) {
  auto found = prototypes.find(typeName);
  if (found == prototypes.end() || !found->second) return nullptr;
  return found->second->Create();
}

Entity* Scene::AddEntity(std::unique_ptr<Entity> entity) {
  if (!entity) return nullptr;
  Entity* added = entity.get();
  added->scene = this;
  entities.push_back(std::move(entity));
  listed[added] = std::prev(entities.end());
  return added;
}

void Scene::QueueRemoval(Entity* entity) {
  if (entity && entity->scene == this) removalQueue.push_back(entity);
}

Entity* Scene::FindFirstByType(const std::string& typeName) const {
  for (const auto& e : entities)
    if (e->GetTypeName() == typeName) return e.get();
  return nullptr;
}

std::vector<Entity*> Scene::FindAllByType(const std::string& typeName) const {
  std::vector<Entity*> found;
  for (const auto& e : entities)
    if (e->GetTypeName() == typeName) found.push_back(e.get());
  return found;
}

TextureObject* Scene::GetTexture(const std::string& name) {
  std::unique_ptr<TextureObject>& slot = textureCache[name];
  if (!slot) {
    auto texture = std::make_unique<TextureObject>();
    texture->LoadFile((assetDirectory + name).c_str());
    slot = std::move(texture);
  }
  return slot.get();
}

Mesh3DF* Scene::GetMesh(const std::string& name) {
  auto found = meshCache.find(name);
  if (found != meshCache.end()) return found->second.get();
  auto mesh = std::make_unique<Mesh3DF>();
  mesh->LoadFile(assetDirectory + name);
  return meshCache.emplace(name, std::move(mesh)).first->second.get();
}

SoundSample* Scene::GetSound(const std::string& name, bool want3D) {
  if (!soundSystem) return nullptr;
  std::unique_ptr<SoundSample>& slot = soundCache[name];
  if (!slot) {
    auto sample = std::make_unique<SoundSample>();
    sample->Load(*soundSystem, assetDirectory + name, want3D);
    slot = std::move(sample);
  }
  return slot.get();
}

Material* Scene::GetMaterial(const SceneMaterialBlock& block) {
  std::string key(reinterpret_cast<const char*>(&block), sizeof block);
  std::unique_ptr<Material>& slot = materialCache[key];
  if (!slot) {
    auto material = std::make_unique<Material>();
    material->colour = {block.colour[0], block.colour[1], block.colour[2], block.colour[3]};
    material->shininess = block.shininess;
    material->alphaTest = block.alphaTest != 0;
    material->glow = block.glow != 0;
    material->wireframe = block.wireframe != 0;
    material->twoSided = block.twoSided != 0;
    material->unlit = block.unlit != 0;
    // A name filling its whole field ends at the field.
    material->diffuseName = Text(block.diffuseName, sizeof block.diffuseName);
    material->normalName = Text(block.normalName, sizeof block.normalName);
    material->specularName = Text(block.specularName, sizeof block.specularName);
    material->emissiveName = Text(block.emissiveName, sizeof block.emissiveName);
    if (sceneRenderer) {
      if (settings.perPixelLighting) material->Build(*sceneRenderer, *this);
      else material->BuildFixedFunction(fog, *this);
    }
    slot = std::move(material);
  }
  return slot.get();
}

void Scene::WarmUp() {
  if (!sceneRenderer || meshCache.empty() || materialCache.empty()) return;
  // Every mesh has the same elements, so any one can carry every material's passes.
  Renderable* shape = nullptr;
  for (const auto& [name, mesh] : meshCache)
    if (mesh && mesh->GetRenderable()) shape = mesh->GetRenderable();
  if (!shape) return;
  std::vector<RenderNode> warm(materialCache.size());
  std::vector<RenderNode*> list;
  size_t i = 0;
  for (const auto& [key, material] : materialCache) {
    RenderNode& node = warm[i++];
    node.renderable = shape;
    node.material = material.get();
    node.inFrustum = true;
    node.world = WorldMatrix(1.0f, node.rotation, node.position);
    list.push_back(&node);
  }
  // An object's programs follow how many lights reach it (per pixel none too: its fog and
  // emissive colour), so each count up to a light set's is drawn once.
  const size_t most = std::min(lights.size(), size_t(LightSet::kMaxLights));
  for (size_t count = settings.perPixelLighting || most == 0 ? 0 : 1; count <= most; ++count) {
    for (RenderNode* node : list) node->lights.assign(lights.begin(), lights.begin() + ptrdiff_t(count));
    for (size_t l = 0; l < lights.size(); ++l) {
      lights[l]->active = l < count;
      lights[l]->nodes = l < count ? list : std::vector<RenderNode*>{};
    }
    sceneRenderer->WarmUp(list, lights, fog.colour);
  }
  for (LightParameters* light : lights) {
    light->active = false;
    light->nodes.clear();
  }
}

void Scene::RegisterNode(RenderNode* node) {
  if (!node || !node->material) return;
  if (std::find(nodes.begin(), nodes.end(), node) == nodes.end()) nodes.push_back(node);
}

void Scene::UnregisterNode(RenderNode* node) { std::erase(nodes, node); }

void Scene::RegisterLight(LightParameters* light) {
  if (light && std::find(lights.begin(), lights.end(), light) == lights.end()) lights.push_back(light);
}

void Scene::UnregisterLight(LightParameters* light) { std::erase(lights, light); }

void Scene::Run() {
  stopRequested = false;
  focusLost = heldByPlayer = false;
  ShowCursor(FALSE);
  fixedStepFrames = kFixedStepFrames;
  // The first steps are fixed, so the clock only has to start before them.
  previousCounter = startCounter;
  while (!stopRequested) {
    // A quit message or Escape ends the run at once, without the second cursor call.
    if (!RunStep()) return;
  }
  ShowCursor(FALSE);
}

bool Scene::RunStep() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    const RunRequest request = requestOf ? requestOf(message)
                               : message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE ? RunRequest::Leave
                                                                                               : RunRequest::None;
    if (message.message == WM_QUIT || request == RunRequest::Leave) {
      SetPaused(false);
      return false;
    }
    // Without the focus the game holds still and silent.
    if (message.message == WM_ACTIVATEAPP) focusLost = message.wParam == FALSE;
    if (request == RunRequest::Pause) {
      heldByPlayer = !heldByPlayer;
      if (onPlayerPause) onPlayerPause(heldByPlayer);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  SetPaused(focusLost || heldByPlayer);
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  float dt = float(double(now.QuadPart - previousCounter) / double(counterFrequency));
  previousCounter = now.QuadPart;  // paused time is never counted into a step
  if (paused) {
    // A window out of sight needs no picture; the player's own pause shows one.
    if (!focusLost) DrawStill();
    Sleep(10);
    return true;
  }
  Frame(dt);
  return true;
}

void Scene::SetPaused(bool on) {
  if (on == paused) return;
  paused = on;
  if (soundSystem) soundSystem->SetPaused(on);
}

// The frame as it stands, nothing moved: the drawing half of Frame.
void Scene::DrawStill() {
  CullAndLight();
  renderer->RenderFrame(nodes, lights, fog.colour);
  ClearFrameLists();
}

void Scene::Frame(float dt) {
  if (fixedStepFrames > 0) {
    --fixedStepFrames;
    dt = kFixedStep;
  }
  if (onFrameStart) onFrameStart();
  for (auto& e : entities) e->PreUpdate();
  UpdateEntities(dt);
  Collide();
  RemoveKilled();
  CullAndLight();
  renderer->RenderFrame(nodes, lights, fog.colour);
  ClearFrameLists();
  if (soundSystem) soundSystem->Update();
}

void Scene::UpdateEntities(float dt) {
  // Entities appended meanwhile land before end() and are updated in this pass.
  for (auto it = entities.begin(); it != entities.end(); ++it) (*it)->AgeAndUpdate(dt);
}

void Scene::Collide() {
  for (auto a = entities.begin(); a != entities.end(); ++a) {
    Entity* first = a->get();
    if (first->collisionRadius == 0.0f) continue;
    for (auto b = std::next(a); b != entities.end(); ++b) {
      Entity* second = b->get();
      // Radii are read per pair: a hit may take an entity out of the remaining tests.
      if (second->collisionRadius == 0.0f || first->collisionRadius == 0.0f) continue;
      const float reach = first->collisionRadius + second->collisionRadius;
      if (reach <= 0.0f) continue;
      const Vector3 d = first->collisionPosition - second->collisionPosition;
      if (Dot(d, d) < reach * reach) {
        first->OnCollision(second);
        second->OnCollision(first);
      }
    }
  }
}

void Scene::RemoveKilled() {
  while (!removalQueue.empty()) {
    Entity* entity = removalQueue.front();
    removalQueue.pop_front();
    auto found = listed.find(entity);
    if (found == listed.end()) continue;  // queued twice: already gone
    EntityList::iterator at = found->second;
    listed.erase(found);
    entity->OnRemove();
    entities.erase(at);
  }
}

void Scene::CullAndLight() {
  renderer->BuildFrustum();
  const Camera& camera = renderer->GetCamera();
  for (RenderNode* node : nodes) {
    node->inFrustum = false;
    if (node->visible && !*node->visible) continue;
    node->world = WorldMatrix(node->scale, node->rotation, node->position);
    WorldBox(*node, node->world, node->worldMin, node->worldMax);
    node->inFrustum = BoxVisible(camera, node->worldMin, node->worldMax);
  }
  for (LightParameters* light : lights) {
    const Vector3 centre{light->position.x, light->position.y, light->position.z};
    light->active = camera.SphereVisible(centre, light->range);
  }
  for (RenderNode* node : nodes) {
    if (!node->inFrustum) continue;
    for (LightParameters* light : lights) {
      const Vector3 centre{light->position.x, light->position.y, light->position.z};
      if (!light->active || !SphereTouchesBox(centre, light->range, node->worldMin, node->worldMax)) continue;
      node->lights.push_back(light);
      light->nodes.push_back(node);
    }
  }
}

void Scene::ClearFrameLists() {
  for (RenderNode* node : nodes) node->lights.clear();
  for (LightParameters* light : lights) light->nodes.clear();
}

}  // namespace KOR
