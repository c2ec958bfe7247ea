#include "game/hud/BossHud.h"

#include "scene/Scene.h"
#include "scene/SpriteMaterials.h"

using KOR::SpriteBlend;

namespace {
constexpr float kBarLeft = kHudBarLeft, kBarWidth = kHudBarWidth, kBarHalfHeight = kHudBarHalfHeight;
}  // namespace

void BossHud::Build(KOR::Scene& scene, const HudLines& hudLines) {
  KOR::SpriteMaterials& materials = scene.GetSpriteMaterials();
  batch = scene.GetOverlays();
  lines = hudLines;
  const float top = lines.top;
  barFrame.material = materials.Get("hud_cage.tga", SpriteBlend::Alpha);
  barFrame.layer = 2;
  barFrame.SetRect(kHudFrameLeft, top - kHudFrameHalfHeight, kHudFrameRight, top + kHudFrameHalfHeight);
  healthBar.material = materials.Get("hud_energy.tga", SpriteBlend::Additive);
  healthBar.layer = 0;
  healthBar.SetRect(kBarLeft, top - kBarHalfHeight, kBarLeft + kBarWidth, top + kBarHalfHeight);
  fade.material = materials.Get("", SpriteBlend::Alpha);
  fade.layer = 4;
  fade.SetRect(0.0f, 0.0f, 1.0f, 1.0f);
  fade.colour = {0, 0, 0, 0};
}

void BossHud::ShowBar() {
  if (!batch) return;
  batch->Add(&barFrame);
  batch->Add(&healthBar);
}

void BossHud::HideBar() {
  if (batch) batch->Remove(&healthBar);
}

void BossHud::ShowFade() {
  if (batch) batch->Add(&fade);
}

void BossHud::Update(float health, const KOR::Colour& fadeColour) {
  const float top = lines.top;
  healthBar.SetRect(kBarLeft, top - kBarHalfHeight, kBarLeft + kBarWidth * health, top + kBarHalfHeight);
  healthBar.SetTexSize(health, 1.0f);
  fade.colour = fadeColour;
}
