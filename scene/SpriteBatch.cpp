#include "scene/SpriteBatch.h"

#include <algorithm>

#include "graphics/Device.h"
#include "graphics/EngineNumbers.h"
#include "graphics/StateObjects.h"
#include "scene/SpriteMaterials.h"
#include "scene/WorldSprite.h"

namespace KOR {
namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

}  // namespace

SpriteBatch::SpriteBatch(Device* made, int quadCapacity)
    : capacity(std::max(quadCapacity, 1)), device(made), quads(made, quadCapacity) {
  MakeSpriteState(defaultState, nullptr, SpriteBlend::Alpha);
  if (!device) return;
  spriteStates = device->CreateRenderStateSet();
  if (spriteStates) {
    spriteStates->Set(RenderState::DepthEnable, 1);
    spriteStates->Set(RenderState::DepthFunction, +Compare::LessEqual);
    spriteStates->Set(RenderState::DepthWrite, 0);
    spriteStates->Set(RenderState::CullMode, +Cull::None);
    spriteStates->Set(RenderState::Lighting, 0);
    spriteStates->Set(RenderState::AlphaTestEnable, 0);
  }
}

SpriteBatch::~SpriteBatch() {
  for (WorldSprite* sprite : sprites) sprite->batch = nullptr;
  if (device && spriteStates) device->DestroyObject(spriteStates);
}

void SpriteBatch::Add(WorldSprite* sprite) {
  if (!sprite) return;
  if (sprite->batch) sprite->batch->Remove(sprite);
  sprite->batch = this;
  sprites.push_back(sprite);
}

void SpriteBatch::Remove(WorldSprite* sprite) {
  if (!sprite || sprite->batch != this) return;
  sprites.erase(std::find(sprites.begin(), sprites.end(), sprite));
  sprite->batch = nullptr;
}

void SpriteBatch::Draw(const Matrix& view, uint32_t mask) {
  for (WorldSprite* sprite : sprites) {
    const Vector3& p = sprite->position;
    sprite->cameraDepth = p.x * view.m[0][2] + p.y * view.m[1][2] + p.z * view.m[2][2] + view.m[3][2];
  }
  std::sort(sprites.begin(), sprites.end(),
            [](const WorldSprite* a, const WorldSprite* b) { return a->cameraDepth > b->cameraDepth; });
  if (sprites.empty() || !device || !spriteStates) return;
  // Sprites are fixed-function: a program left bound by the passes before would draw them.
  device->UnbindVertexProgram();
  device->UnbindPixelProgram();
  device->SetWorldMatrix(kIdentity);
  spriteStates->Apply();
  // All the quads are written and uploaded at once, then drawn a material's run at a time.
  runs.clear();
  int written = 0;
  SpriteVertex corners[4];
  for (WorldSprite* sprite : sprites) {
    if (mask != 0 && (sprite->passMask & mask) == 0) continue;
    if (!sprite->WriteVertices(view, corners)) continue;
    if (written == capacity) {
      quads.DrawRuns(runs, defaultState);
      runs.clear();
      written = 0;
    }
    if (runs.empty() || runs.back().material != sprite->material) runs.push_back({sprite->material, written, 0});
    quads.Set(written++, corners);
    ++runs.back().count;
  }
  quads.DrawRuns(runs, defaultState);
}

}  // namespace KOR
