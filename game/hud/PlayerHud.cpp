#include "game/hud/PlayerHud.h"

#include <algorithm>

#include "scene/Scene.h"
#include "scene/SpriteMaterials.h"

using KOR::SpriteBlend;

namespace {
// Lays out the widest text the HUD expects: a 16-character name and nine digits.
constexpr const char* kSampleText = "1234567890123456\nScore: 123456789";
constexpr float kBarLeft = kHudBarLeft, kBarWidth = kHudBarWidth, kBarHalfHeight = kHudBarHalfHeight;

void Place(KOR::ScreenOverlay& o, KOR::RenderPass* material, int32_t layer, float x0, float y0, float x1, float y1) {
  o.material = material;
  o.layer = layer;
  o.SetRect(x0, y0, x1, y1);
}
}  // namespace

void PlayerHud::Build(KOR::Scene& scene, const HudLines& hudLines) {
  KOR::SpriteMaterials& materials = scene.GetSpriteMaterials();
  batch = scene.GetOverlays();
  lines = hudLines;
  const float top = lines.top, bottom = lines.bottom;

  Place(panel, materials.Get("hud_painel.tga", SpriteBlend::Alpha), 3, 0.0f, top, 1.0f, bottom);
  text.material = materials.Get("text.kor.texture", SpriteBlend::Additive);
  text.layer = 1;
  text.x = 0.05f;
  text.y = HudTextTop(lines);
  text.charSize = 0.025f;
  text.spacing = -0.25f;
  text.text = kSampleText;
  Place(energyBar, materials.Get("hud_energy.tga", SpriteBlend::Additive), 0, kBarLeft, bottom - kBarHalfHeight,
        kBarLeft + kBarWidth, bottom + kBarHalfHeight);
  Place(cageBar, materials.Get("hud_warm.tga", SpriteBlend::Opaque), 1, kBarLeft, bottom - kBarHalfHeight,
        kBarLeft + kBarWidth, bottom + kBarHalfHeight);
  Place(barFrame, materials.Get("hud_cage.tga", SpriteBlend::Alpha), 2, kHudFrameLeft, bottom - kHudFrameHalfHeight,
        kHudFrameRight, bottom + kHudFrameHalfHeight);
  Place(fade, materials.Get("", SpriteBlend::Alpha), 4, 0.0f, 0.0f, 1.0f, 1.0f);
  fade.colour = {0, 0, 0, 0};

  if (!batch) return;
  batch->Add(&panel);
  text.Layout(batch);
  batch->Add(&energyBar);
  batch->Add(&cageBar);
  batch->Add(&barFrame);
}

void PlayerHud::Update(const std::string& playerName, int32_t score, int32_t lives, float energy, float cage,
                       const KOR::Colour& fadeColour) {
  if (score != shownScore || lives != shownLives || playerName != shownName) {
    shownName = playerName, shownScore = score, shownLives = lives;
    text.text = playerName + "\nScore: " + std::to_string(score) + "\nLives: " + std::to_string(lives);
    if (batch) text.Layout(batch);
  }
  const float bottom = lines.bottom;
  energyBar.SetRect(kBarLeft, bottom - kBarHalfHeight, kBarLeft + kBarWidth * energy, bottom + kBarHalfHeight);
  energyBar.SetTexSize(energy, 1.0f);
  cageBar.SetRect(kBarLeft, bottom - kBarHalfHeight, kBarLeft + kBarWidth * cage, bottom + kBarHalfHeight);
  cageBar.SetTexSize(cage, 1.0f);
  fade.colour = fadeColour;
}

void PlayerHud::ShowFade() {
  if (batch) batch->Add(&fade);
}
