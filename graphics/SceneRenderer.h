#pragma once
// Draws the frames of a scene. The per-pixel frame: a depth pre-pass, each lit surface
// whole in one pass (its lights, emissive colour and fog; with more lights than one pass
// takes, a pass per light, then the emissive and fog passes), the unlit surfaces, the
// world sprites, the glow post-process (blur of the bright parts into two small targets,
// added back) and the screen sprites. The
// per-vertex frame: the fixed-function passes lit by light records, then the sprites.
// Objects are drawn through two render queues, one pass application per group.

#include <memory>
#include <string>
#include <vector>

#include "graphics/FrameRenderer.h"
#include "graphics/Material.h"
#include "graphics/RenderQueue.h"
#include "graphics/RenderSettings.h"

namespace KOR {

class Device;
class Camera;
class GpuProgram;
class GpuProgramConstant;
class RenderStateSet;
class Renderable;
class StreamMap;
class Texture2D;

// Flat things a frame draws after its passes: the scene's sprite and overlay batches.
class SpriteLayer {
public:
  // view is the camera's view matrix (screen layers ignore it).
  virtual void Draw(const Matrix& view) = 0;

protected:
  ~SpriteLayer() = default;
};

// The steps of a frame, in the order the per-pixel frame runs them.
enum class FramePhase { Depth, Lights, Emissive, Fog, WorldSprites, Glow, ScreenSprites };

class SceneRenderer final : public FrameRenderer {
public:
  SceneRenderer() = default;
  SceneRenderer(const SceneRenderer&) = delete;
  SceneRenderer& operator=(const SceneRenderer&) = delete;
  ~SceneRenderer() override;

  // Makes the camera, the queue states and, for the per-pixel path, the glow targets and
  // programs. Throws when an effect file cannot be read
  // or a program does not compile.
  void Init(Device* device, const RenderSettings& settings);
  // Glow target edge for a screen edge: the largest power of two not above it, a quarter
  // of that, at most 256.
  static int GlowTargetSize(uint32_t screenEdge);

  Camera& ViewCamera() override { return *camera; }
  void RenderFrame(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>& lights,
                   const Colour& clearColour) override;
  // A whole frame of the nodes that is not presented, then a clear of the back buffer:
  // the driver builds the programs and state the frame's passes use.
  void WarmUp(const std::vector<RenderNode*>& nodes, const std::vector<LightParameters*>& lights,
              const Colour& clearColour);

  RenderSettings settings;
  // The scene's, set before its materials are built (they take it in) and kept for its
  // frames; the frame is cleared to its colour.
  Fog fog;
  Camera* camera = nullptr;
  RenderQueue depthQueue, colourQueue;
  SpriteLayer* worldSprites = nullptr;   // the scene's, drawn with the camera
  SpriteLayer* screenSprites = nullptr;  // the scene's, drawn last
  StreamMap* quadStreamMap = nullptr;
  std::string glowSource;  // shaders/glow.sh, which the emissive passes compile from too

  // Glow resources.
  Texture2D* glowA = nullptr;
  Texture2D* glowB = nullptr;
  GpuProgram* vsGlow = nullptr;
  GpuProgram* psGlow = nullptr;
  GpuProgram* psCopy = nullptr;  // the blurred glow, one tap a pixel
  GpuProgram* vsQuad = nullptr;
  GpuProgram* psQuad = nullptr;
  GpuProgramConstant* glowMap = nullptr;
  GpuProgramConstant* copyMap = nullptr;
  GpuProgramConstant* blur = nullptr;
  GpuProgramConstant* hdir = nullptr;
  GpuProgramConstant* offset = nullptr;
  RenderStateSet* postStates = nullptr;
  float texelOffset[2] = {0, 0};
  float aspect = 1.0f;

  // Called after each phase when set, so a benchmark can time the phases.
  void (*phaseDone)(FramePhase phase, void* context) = nullptr;
  void* phaseContext = nullptr;

private:
  void PerPixelFrame(const std::vector<RenderNode*>& nodes);
  void PerVertexFrame(const std::vector<RenderNode*>& nodes);
  void DepthPass(const std::vector<RenderNode*>& nodes);
  void Glow(const std::vector<RenderNode*>& nodes);
  void DrawWorldSprites();
  void DrawScreenSprites();
  void DrawQuad(Renderable* quad);
  Renderable* MakeQuad(float grey);
  void InitPerPixel();
  void SetIdentityWorld();
  void Done(FramePhase phase) {
    if (phaseDone) phaseDone(phase, phaseContext);
  }

  void PresentFrame();

  Device* device = nullptr;
  bool presenting = true;  // false while warming up
  RenderStateSet* spriteStates = nullptr;
  Renderable* quad40 = nullptr;  // full-screen quads of colour 0.4 and white
  Renderable* quadWhite = nullptr;
};

}  // namespace KOR
