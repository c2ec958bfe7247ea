#pragma once
// Flat drawing over the 3D image: a screen overlay is a textured, coloured rectangle in
// the game's screen units (0 … 1 across the whole screen, x right, y down); an overlay
// batch draws the overlays listed in it after the 3D image, lower layers first, as runs
// of quads per material. The batch only refers to its overlays; either may go first.

#include <cstdint>
#include <vector>

#include "graphics/PixelFormat.h"
#include "graphics/RenderPass.h"
#include "graphics/SceneRenderer.h"
#include "scene/SpriteQuads.h"

namespace KOR {

class Camera;
class Device;
class OverlayBatch;
class RenderStateSet;

class ScreenOverlay {
public:
  ScreenOverlay() = default;
  ScreenOverlay(const ScreenOverlay&) = delete;
  ScreenOverlay& operator=(const ScreenOverlay&) = delete;
  // Leaves its batch, which never sees it again.
  ~ScreenOverlay();

  void SetRect(float left, float top, float right, float bottom);
  void SetTexRect(float left, float top, float right, float bottom);
  // The texture rectangle (0, 0) – (right, bottom): cuts a bar instead of squeezing it.
  void SetTexSize(float right, float bottom);
  // The cell of character code (0 … 255) in a font of 16 × 16 glyphs.
  void SetGlyph(int code);

  OverlayBatch* batch = nullptr;
  float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
  float uLeft = 0.0f, vTop = 0.0f, uRight = 1.0f, vBottom = 1.0f;
  Colour colour{1, 1, 1, 1};
  int32_t layer = 0;
  RenderPass* material = nullptr;
};

class OverlayBatch final : public SpriteLayer {
public:
  // aspect is the back buffer's width ÷ height, which text layout needs. Without a device
  // the batch keeps its list but draws nothing.
  OverlayBatch(Device* device, int capacity, float aspect);
  OverlayBatch(const OverlayBatch&) = delete;
  OverlayBatch& operator=(const OverlayBatch&) = delete;
  // Detaches every overlay still listed (their batch becomes null).
  ~OverlayBatch();

  // Takes the overlay out of any other batch first, then appends it; never listed twice.
  void Add(ScreenOverlay* overlay);
  // Only when the overlay is in this batch.
  void Remove(ScreenOverlay* overlay);
  const std::vector<ScreenOverlay*>& GetOverlays() const { return overlays; }

  // Sorts by layer, then material, and draws every overlay over the whole back buffer.
  void Draw();
  void Draw(const Matrix&) override { Draw(); }

  const int capacity;
  const float aspect;
  // What an overlay without a material draws with: its colour alone, alpha-blended.
  RenderPass defaultState;

private:
  std::vector<ScreenOverlay*> overlays;
  Device* device;
  SpriteQuads quads;
  std::vector<QuadRun> runs;  // this frame's, kept for its storage
  Camera* camera = nullptr;           // maps the screen units onto clip space
  RenderStateSet* screenStates = nullptr;  // no depth, no culling, no lighting
};

}  // namespace KOR
