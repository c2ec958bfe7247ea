#include "game/hud/PauseSign.h"

#include "scene/Scene.h"
#include "scene/SpriteMaterials.h"

namespace {
// Above the HUD, whose fades use layer 4.
constexpr int32_t kDimLayer = 5, kTextLayer = 6;
constexpr const char* kWord = "PAUSED";
constexpr float kCharSize = 0.08f, kSpacing = -0.2f;
}  // namespace

void PauseSign::Build(KOR::Scene& scene) {
  KOR::SpriteMaterials& materials = scene.GetSpriteMaterials();
  batch = scene.GetOverlays();
  dim.material = materials.Get("", KOR::SpriteBlend::Alpha);
  dim.layer = kDimLayer;
  dim.colour = {0, 0, 0, 0.5f};
  dim.SetRect(0, 0, 1, 1);
  text.material = materials.Get("text.kor.texture", KOR::SpriteBlend::Additive);
  text.layer = kTextLayer;
  text.text = kWord;
  text.charSize = kCharSize;
  text.spacing = kSpacing;
  // Centred: n glyphs take n - 1 advances and one glyph's width.
  const float aspect = batch ? batch->aspect : 1.0f;
  const float width = kCharSize / aspect, advance = (1.0f + kSpacing) * width;
  const float total = advance * float(std::char_traits<char>::length(kWord) - 1) + width;
  text.x = 0.5f - total / 2;
  text.y = 0.5f - kCharSize / 2;
}

void PauseSign::Show(bool on) {
  if (!batch || on == shown) return;
  shown = on;
  if (on) {
    batch->Add(&dim);
    text.Layout(batch);
  } else {
    batch->Remove(&dim);
    text.Clear();
  }
}
