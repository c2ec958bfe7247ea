#include "scene/ScreenOverlay.h"

#include <algorithm>
#include <functional>

#include "graphics/Device.h"
#include "graphics/EngineNumbers.h"
#include "graphics/StateObjects.h"
#include "scene/SpriteMaterials.h"

namespace KOR {
namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr float kGlyphCell = 0.0625f;

bool DrawnBefore(const ScreenOverlay* a, const ScreenOverlay* b) {
  if (a->layer != b->layer) return a->layer < b->layer;
  return std::less<const RenderPass*>()(a->material, b->material);
}

}  // namespace

ScreenOverlay::~ScreenOverlay() {
  if (batch) batch->Remove(this);
}

void ScreenOverlay::SetRect(float left, float top, float right, float bottom) {
  x0 = left, y0 = top, x1 = right, y1 = bottom;
}

void ScreenOverlay::SetTexRect(float left, float top, float right, float bottom) {
  uLeft = left, vTop = top, uRight = right, vBottom = bottom;
}

void ScreenOverlay::SetTexSize(float right, float bottom) { SetTexRect(0.0f, 0.0f, right, bottom); }

void ScreenOverlay::SetGlyph(int code) {
  const int c = code & 0xFF;
  const int column = c % 16, row = c / 16;
  SetTexRect(float(column) * kGlyphCell, float(row) * kGlyphCell, float(column + 1) * kGlyphCell,
             float(row + 1) * kGlyphCell);
}

OverlayBatch::OverlayBatch(Device* made, int quadCapacity, float screenAspect)
    : capacity(std::max(quadCapacity, 1)), aspect(screenAspect > 0.0f ? screenAspect : 1.0f), device(made),
      quads(made, quadCapacity) {
  MakeSpriteState(defaultState, nullptr, SpriteBlend::Alpha);
  if (!device) return;
  // Screen units onto the back buffer: (0, 0) the top-left corner, (1, 1) the
  // bottom-right, y downwards; overlays lie at z = 0, halfway between near and far.
  camera = device->CreateCamera();
  if (camera) {
    camera->SetOrthographic(1.0f, 1.0f, 0.0f, 2.0f);
    camera->SetFrame({0.5f, 0.5f, 1.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f});
    camera->BuildCameraMatrix();
    camera->BuildProjection();
  }
  screenStates = device->CreateRenderStateSet();
  if (screenStates) {
    screenStates->Set(RenderState::DepthEnable, 0);
    screenStates->Set(RenderState::DepthWrite, 0);
    screenStates->Set(RenderState::CullMode, +Cull::None);
    screenStates->Set(RenderState::Lighting, 0);
    screenStates->Set(RenderState::FogEnable, 0);
    screenStates->Set(RenderState::AlphaTestEnable, 0);
  }
}

OverlayBatch::~OverlayBatch() {
  for (ScreenOverlay* overlay : overlays) overlay->batch = nullptr;
  if (!device) return;
  if (camera) device->DestroyObject(camera);
  if (screenStates) device->DestroyObject(screenStates);
}

void OverlayBatch::Add(ScreenOverlay* overlay) {
  if (!overlay) return;
  if (overlay->batch) overlay->batch->Remove(overlay);
  overlay->batch = this;
  overlays.push_back(overlay);
}

void OverlayBatch::Remove(ScreenOverlay* overlay) {
  if (!overlay || overlay->batch != this) return;
  overlays.erase(std::find(overlays.begin(), overlays.end(), overlay));
  overlay->batch = nullptr;
}

void OverlayBatch::Draw() {
  if (overlays.empty() || !device || !camera || !screenStates) return;
  std::sort(overlays.begin(), overlays.end(), DrawnBefore);
  device->UnbindVertexProgram();
  device->UnbindPixelProgram();
  camera->ApplyProjection();
  camera->ApplyCamera();
  device->SetWorldMatrix(kIdentity);
  screenStates->Apply();
  // All the quads are written and uploaded at once, then drawn a material's run at a time.
  runs.clear();
  int written = 0;
  for (const ScreenOverlay* overlay : overlays) {
    const ScreenOverlay& o = *overlay;
    if (written == capacity) {
      quads.DrawRuns(runs, defaultState);
      runs.clear();
      written = 0;
    }
    if (runs.empty() || runs.back().material != o.material) runs.push_back({o.material, written, 0});
    const uint32_t packed = PackColour(o.colour);
    const SpriteVertex corners[4] = {{{o.x0, o.y0, 0.0f}, packed, o.uLeft, o.vTop},
                                     {{o.x0, o.y1, 0.0f}, packed, o.uLeft, o.vBottom},
                                     {{o.x1, o.y1, 0.0f}, packed, o.uRight, o.vBottom},
                                     {{o.x1, o.y0, 0.0f}, packed, o.uRight, o.vTop}};
    quads.Set(written++, corners);
    ++runs.back().count;
  }
  quads.DrawRuns(runs, defaultState);
}

}  // namespace KOR
