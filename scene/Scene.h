#pragma once
// The world of one game: it owns the entities, runs the frame loop (messages, timing,
// updates, sphere collisions, deferred removal, culling, light assignment, drawing,
// sound), makes entities by type name through prototypes, loads the scene file and
// caches the meshes, textures, materials and sounds that entities ask for by name.

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "graphics/Material.h"
#include "graphics/RenderNode.h"
#include "graphics/StateObjects.h"
#include "scene/BasicRenderer.h"
#include "scene/Entity.h"
#include "scene/SceneRecords.h"
#include "scene/SceneSettings.h"

struct MSG;

namespace KOR {

class Device;
class Mesh3DF;
class SoundSample;
class SoundSystem;
class TextureObject;

class SceneRenderer;
class OverlayBatch;
class SpriteBatch;
class SpriteMaterials;

class Scene : public TextureSource {
public:
  Scene();
  // Deletes the entities still listed (while the node and light lists they leave still
  // exist), then the prototypes, then everything cached.
  virtual ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Put in front of every file name the caches load ("assets/").
  void SetAssetDirectory(std::string path) { assetDirectory = std::move(path); }
  const std::string& GetAssetDirectory() const { return assetDirectory; }
  // What the scene's sounds play on and the camera's listener moves; null: silence. Set it
  // before anything loads a sound.
  void SetSoundSystem(SoundSystem* system) { soundSystem = system; }
  SoundSystem* GetSoundSystem() const { return soundSystem; }

  // Copies the settings, makes the renderer for
  // device (the per-pixel or per-vertex frame; null: nothing is drawn), registers
  // "staticMesh" and "Light", starts the clock. Throws when the renderer's effects fail.
  void Init(Device* device, const SceneSettings& settings);
  const SceneSettings& GetSettings() const { return settings; }
  // The table entry for name; a second prototype under one name replaces the first.
  void RegisterPrototype(const std::string& name, std::unique_ptr<Entity> prototype);

  // Reads every record of the file first, then makes the entities: objects through the
  // prototype table (unregistered types are skipped), lights, cameras. A damaged file
  // is refused before anything is made.
  void LoadScene(const std::string& path);
  void LoadSceneFromMemory(const uint8_t* data, size_t size, const std::string& name);
  // Draws every material built so far once, off screen and lit by the scene's lights, so
  // the driver makes its programs while the level loads instead of in the first frames
  // that show them. Nothing is presented; the back buffer is cleared after.
  void WarmUp();

  // The scene's fog and the colour behind everything, decided here once: its renderer
  // clears to the colour and its materials take the fog in when they are built, so set it
  // before loading.
  void SetFog(const Fog& chosen);
  const Fog& GetFog() const { return fog; }

  void SetCameraName(std::string name) { cameraName = std::move(name); }
  const std::string& GetCameraName() const { return cameraName; }

  // The registered prototype's Create(), or null.
  std::unique_ptr<Entity> CreateEntity(const std::string& typeName);
  // Takes the entity, sets its scene and appends it; null is ignored. Returns it.
  Entity* AddEntity(std::unique_ptr<Entity> entity);
  // Queues an entity of this scene for deletion after this frame's collisions.
  void QueueRemoval(Entity* entity);
  // By the type name of scene files and scripts (tools and scene tests).
  Entity* FindFirstByType(const std::string& typeName) const;
  std::vector<Entity*> FindAllByType(const std::string& typeName) const;
  // By C++ type, in list order: the first (or every) entity that is a T.
  template <class T>
  T* FindFirst() const {
    for (const auto& e : entities)
      if (auto* found = dynamic_cast<T*>(e.get())) return found;
    return nullptr;
  }
  template <class T>
  std::vector<T*> FindAll() const {
    std::vector<T*> found;
    for (const auto& e : entities)
      if (auto* t = dynamic_cast<T*>(e.get())) found.push_back(t);
    return found;
  }
  size_t GetEntityCount() const { return entities.size(); }
  void Stop() { stopRequested = true; }

  // Each loads once from the asset directory and is shared afterwards.
  TextureObject* GetTexture(const std::string& name) override;
  // Throws the mesh loader's errors; a mesh that fails is not cached.
  Mesh3DF* GetMesh(const std::string& name);
  // Null without a sound system.
  SoundSample* GetSound(const std::string& name, bool want3D);
  // One material per distinct block, compared byte by byte.
  // With a device, built for the frame the settings chose, with the fog set so far.
  Material* GetMaterial(const SceneMaterialBlock& block);

  // The scene's screen overlays and world sprites, drawn by its renderer; null until Init
  // has a device. The sprite materials are the scene's own, shared by both.
  OverlayBatch* GetOverlays() { return overlays.get(); }
  const OverlayBatch* GetOverlays() const { return overlays.get(); }
  SpriteBatch* GetSprites() { return sprites.get(); }
  const SpriteBatch* GetSprites() const { return sprites.get(); }
  SpriteMaterials& GetSpriteMaterials() { return *spriteMaterials; }

  // Nodes with a material are drawn; lights are culled and assigned to nodes.
  void RegisterNode(RenderNode* node);
  void UnregisterNode(RenderNode* node);
  void RegisterLight(LightParameters* light);
  void UnregisterLight(LightParameters* light);
  const std::vector<RenderNode*>& GetNodes() const { return nodes; }
  const std::vector<LightParameters*>& GetLights() const { return lights; }

  FrameRenderer& GetRenderer() { return *renderer; }
  // Replaces the renderer Init made (the basic one) with another that draws the frames.
  void SetRenderer(std::unique_ptr<FrameRenderer> replacement) {
    renderer = std::move(replacement);
    sceneRenderer = nullptr;
  }

  // Frames until Stop, Escape or WM_QUIT; the first three frames last 0.01 s each.
  void Run();
  // One pass of the run loop: the messages, then one frame unless the game is paused
  // (the window lost the focus, or the player paused). False when a quit message or
  // Escape ends the run.
  bool RunStep();
  bool IsPaused() const { return paused; }
  bool IsHeldByPlayer() const { return heldByPlayer; }

  // What a message asks of the run. Without requestOf, Escape leaves and nothing pauses.
  // While the player holds the game nothing moves, the sound is held and every pass draws
  // the still frame, so the window stays painted and shows what onPlayerPause added.
  enum class RunRequest { None, Pause, Leave };
  std::function<RunRequest(const MSG&)> requestOf;
  // Told when the player pauses (true) or resumes (false).
  std::function<void(bool)> onPlayerPause;
  // Called at the start of every frame that moves the scene, before any entity: the game
  // samples its input here, once a frame.
  std::function<void()> onFrameStart;
  void Frame(float dt);
  // Steps of the frame that renderers build on: culling and light assignment, and
  // forgetting what they found.
  void CullAndLight();
  void ClearFrameLists();


protected:
  // Deletes every entity at once. A scene that entities refer back to calls it in its own
  // destructor, while what they refer to still exists.
  void DeleteEntities();

private:
  void UpdateEntities(float dt);
  void Collide();
  void RemoveKilled();
  // Detaches the batches from the renderer and destroys them.
  void DropBatches();

  SceneSettings settings;
  Fog fog;
  SoundSystem* soundSystem = nullptr;
  int64_t previousCounter = 0;  // the last frame's
  int64_t startCounter = 0;
  int64_t counterFrequency = 1;
  std::unique_ptr<FrameRenderer> renderer;
  SceneRenderer* sceneRenderer = nullptr;  // the renderer, when it draws with a device
  std::map<std::string, std::unique_ptr<Entity>> prototypes;
  std::string cameraName;
  int fixedStepFrames = 0;
  std::string assetDirectory;

  using EntityList = std::list<std::unique_ptr<Entity>>;
  EntityList entities;
  std::unordered_map<const Entity*, EntityList::iterator> listed;
  std::deque<Entity*> removalQueue;
  std::vector<RenderNode*> nodes;
  std::vector<LightParameters*> lights;
  bool stopRequested = false;
  bool paused = false;
  bool focusLost = false;
  bool heldByPlayer = false;
  void SetPaused(bool on);
  void DrawStill();

  std::map<std::string, std::unique_ptr<TextureObject>> textureCache;
  std::map<std::string, std::unique_ptr<Mesh3DF>> meshCache;
  std::map<std::string, std::unique_ptr<Material>> materialCache;  // keyed by the block's bytes
  std::map<std::string, std::unique_ptr<SoundSample>> soundCache;
  std::unique_ptr<SpriteMaterials> spriteMaterials;
  std::unique_ptr<OverlayBatch> overlays;  // refer to the sprite materials and textures
  std::unique_ptr<SpriteBatch> sprites;
};

}  // namespace KOR
