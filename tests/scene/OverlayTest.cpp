// Screen overlays and text: glyph layout, the batch's list and what it draws on the
// recording device (layer order, runs at materials and capacity), and overlays and
// batches going in either order.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "graphics/SceneRenderer.h"
#include "scene/Scene.h"
#include "scene/ScreenOverlay.h"
#include "scene/ScreenText.h"
#include "scene/SpriteBatch.h"
#include "scene/SpriteMaterials.h"
#include "tests/scene/SceneTestSupport.h"

namespace {

using KOR::OverlayBatch;
using KOR::ScreenOverlay;
using KOR::ScreenText;
using KOR::SpriteBlend;

constexpr float kFourThirds = 4.0f / 3.0f;
constexpr float kCell = 0.0625f;

// Score-text sizes at (0.1, 0.2).
struct Text : ScreenText {
  explicit Text(const std::string& string) {
    text = string;
    x = 0.1f;
    y = 0.2f;
    charSize = 0.025f;
    spacing = -0.25f;
  }
};

TEST(ScreenTextLayout, GlyphsOfABAreAGlyphWidthWideAndThreeQuartersOfOneApart) {
  OverlayBatch batch(nullptr, 16, kFourThirds);
  Text t("AB");
  t.layer = 3;
  t.colour = {0.5f, 0.25f, 1, 1};
  t.Layout(&batch);
  ASSERT_EQ(t.glyphs.size(), 2u);
  const ScreenOverlay& a = *t.glyphs[0];
  const ScreenOverlay& b = *t.glyphs[1];
  EXPECT_FLOAT_EQ(a.x0, 0.1f);
  EXPECT_FLOAT_EQ(a.y0, 0.2f);
  EXPECT_NEAR(a.x1 - a.x0, 0.01875f, 1e-6f);
  EXPECT_NEAR(a.y1 - a.y0, 0.025f, 1e-6f);
  EXPECT_NEAR(b.x0 - a.x0, 0.0140625f, 1e-6f);
  EXPECT_FLOAT_EQ(b.y0, a.y0);
  // 'A' is 65: column 1, row 4 of the font.
  EXPECT_FLOAT_EQ(a.uLeft, kCell);
  EXPECT_FLOAT_EQ(a.vTop, 4 * kCell);
  EXPECT_FLOAT_EQ(b.uLeft, 2 * kCell);
  EXPECT_EQ(a.layer, 3);
  EXPECT_FLOAT_EQ(b.colour.g, 0.25f);
  EXPECT_EQ(batch.GetOverlays(), (std::vector<ScreenOverlay*>{t.glyphs[0].get(), t.glyphs[1].get()}));
}

TEST(ScreenTextLayout, LineFeedsSpacesAndTabsMoveTheCursorFromTheTextsOwnX) {
  OverlayBatch batch(nullptr, 16, kFourThirds);
  const float advance = 0.75f * 0.01875f;
  Text t("A\nB C");
  t.Layout(&batch);
  ASSERT_EQ(t.glyphs.size(), 3u);
  EXPECT_FLOAT_EQ(t.glyphs[1]->x0, 0.1f) << "back to x, not to 0";
  EXPECT_FLOAT_EQ(t.glyphs[1]->y0, 0.225f);
  EXPECT_NEAR(t.glyphs[2]->x0, 0.1f + 2 * advance, 1e-6f) << "a space advances one column";

  t.text = "A\tB\n\tC";
  t.Layout(&batch);
  ASSERT_EQ(t.glyphs.size(), 3u);
  EXPECT_NEAR(t.glyphs[1]->x0, 0.1f + 4 * advance, 1e-6f) << "from column 1 to the stop at 4";
  EXPECT_NEAR(t.glyphs[2]->x0, 0.1f + 4 * advance, 1e-6f) << "a new line's tab measures from x too";
  EXPECT_EQ(batch.GetOverlays().size(), 3u) << "the old glyphs left the batch";
}

TEST(ScreenTextLayout, OnlyABellWithTwoDigitsMakingAUsableWidthSetsTheTabWidth) {
  OverlayBatch batch(nullptr, 16, kFourThirds);
  const float advance = 0.75f * 0.01875f;
  Text t("\a03A\tB");
  t.Layout(&batch);
  ASSERT_EQ(t.glyphs.size(), 2u) << "the digits are consumed";
  EXPECT_NEAR(t.glyphs[1]->x0, 0.1f + 3 * advance, 1e-6f);

  t.text = "\a00A\tB";  // a width of 0 would divide by zero: the bell is ignored
  t.Layout(&batch);
  ASSERT_EQ(t.glyphs.size(), 2u);
  EXPECT_NEAR(t.glyphs[1]->x0, 0.1f + 4 * advance, 1e-6f);

  t.text = "A\a5";  // one digit left: the bell is skipped, the digit drawn
  t.Layout(&batch);
  ASSERT_EQ(t.glyphs.size(), 2u);
  EXPECT_FLOAT_EQ(t.glyphs[1]->uLeft, 5 * kCell);  // '5' is 53: column 5
  EXPECT_FLOAT_EQ(t.glyphs[1]->vTop, 3 * kCell);

  t.text = "\ax7\t";
  t.Layout(&batch);
  ASSERT_EQ(t.glyphs.size(), 2u) << "x and 7 are ordinary glyphs";
  t.text = std::string("A\a", 2);
  t.Layout(&batch);
  EXPECT_EQ(t.glyphs.size(), 1u);
}

TEST(ScreenOverlayGlyph, CellsOfTheSixteenBySixteenFont) {
  ScreenOverlay o;
  struct Case {
    int code;
    float u0, v0;
  } cases[] = {{0, 0, 0}, {17, kCell, kCell}, {65, kCell, 4 * kCell}, {255, 15 * kCell, 15 * kCell}};
  for (const Case& c : cases) {
    o.SetGlyph(c.code);
    EXPECT_FLOAT_EQ(o.uLeft, c.u0) << c.code;
    EXPECT_FLOAT_EQ(o.vTop, c.v0) << c.code;
    EXPECT_FLOAT_EQ(o.uRight, c.u0 + kCell) << c.code;
    EXPECT_FLOAT_EQ(o.vBottom, c.v0 + kCell) << c.code;
  }
  o.SetTexSize(0.4f, 1.0f);
  EXPECT_EQ(o.uLeft, 0.0f);
  EXPECT_EQ(o.vTop, 0.0f);
  EXPECT_FLOAT_EQ(o.uRight, 0.4f);
}

TEST(ColourPacking, ChannelsAreClampedScaledTruncatedAndPackedARGB) {
  EXPECT_EQ(KOR::PackColour({1.5f, -0.2f, 0.5f, 1.0f}), 0xFFFF007Fu);
  EXPECT_EQ(KOR::PackColour({0.0f, 1.0f, 0.0f, 0.25f}), 0x3F00FF00u);
}

TEST(OverlayBatchList, AddMovesAnOverlayAndRemoveOnlyTakesItsOwn) {
  OverlayBatch first(nullptr, 4, 1.0f), second(nullptr, 4, 1.0f);
  ScreenOverlay o;
  first.Add(&o);
  first.Add(&o);
  EXPECT_EQ(first.GetOverlays().size(), 1u) << "never listed twice";
  second.Add(&o);
  EXPECT_TRUE(first.GetOverlays().empty());
  EXPECT_EQ(second.GetOverlays(), std::vector<ScreenOverlay*>{&o});
  EXPECT_EQ(o.batch, &second);
  first.Remove(&o);
  EXPECT_EQ(o.batch, &second);
  second.Remove(&o);
  EXPECT_EQ(o.batch, nullptr);
  EXPECT_TRUE(second.GetOverlays().empty());
}

TEST(OverlayBatchList, OverlaysAndBatchesMayGoInEitherOrder) {
  auto batch = std::make_unique<OverlayBatch>(nullptr, 4, 1.0f);
  auto gone = std::make_unique<ScreenOverlay>();
  ScreenOverlay kept;
  batch->Add(gone.get());
  batch->Add(&kept);
  gone.reset();
  EXPECT_EQ(batch->GetOverlays(), std::vector<ScreenOverlay*>{&kept});
  {
    Text text("HUD");
    text.Layout(batch.get());
    EXPECT_EQ(batch->GetOverlays().size(), 4u);
  }
  EXPECT_EQ(batch->GetOverlays().size(), 1u) << "a destroyed text takes its glyphs along";
  batch.reset();
  EXPECT_EQ(kept.batch, nullptr);
  OverlayBatch other(nullptr, 4, 1.0f);
  other.Add(&kept);  // the dead batch is not touched
  EXPECT_EQ(kept.batch, &other);
}

class OverlayDrawTest : public CurrentRecordedDevice {
protected:
  struct Textures : KOR::TextureSource {
    KOR::TextureObject* GetTexture(const std::string&) override { return nullptr; }
  } none;
  // The primitive count of every indexed draw, in order.
  std::vector<int> Draws() const {
    std::vector<int> counts;
    for (const std::string& c : recording.calls)
      if (c.rfind("DrawIndexedPrimitive(", 0) == 0)
        counts.push_back(std::stoi(c.substr(c.rfind(", ") + 2)));
    return counts;
  }
  size_t At(const std::string& line) const {
    for (size_t i = 0; i < recording.calls.size(); ++i)
      if (recording.calls[i] == line) return i;
    return recording.calls.size();
  }
  ScreenOverlay& Make(int layer, KOR::RenderPass* material) {
    overlays.push_back(std::make_unique<ScreenOverlay>());
    overlays.back()->layer = layer;
    overlays.back()->material = material;
    overlays.back()->SetRect(0, 0, 0.5f, 0.5f);
    return *overlays.back();
  }
  std::vector<std::unique_ptr<ScreenOverlay>> overlays;
};

const std::string kDestOne = "SetRenderState(20, 2)", kDestZero = "SetRenderState(20, 1)";

TEST_F(OverlayDrawTest, LowerLayersAreDrawnFirst) {
  KOR::SpriteMaterials materials(none);
  OverlayBatch batch(device, 8, 1.0f);
  batch.Add(&Make(4, materials.Get("", SpriteBlend::Opaque)));
  batch.Add(&Make(0, materials.Get("", SpriteBlend::Additive)));
  recording.calls.clear();
  batch.Draw();
  ASSERT_EQ(Draws(), (std::vector<int>{2, 2}));
  EXPECT_LT(At(kDestOne), At(kDestZero)) << "the layer-0 (additive) overlay is drawn before the layer-4 one";
  EXPECT_EQ(batch.GetOverlays()[0]->layer, 0);
}

TEST_F(OverlayDrawTest, RunsEndAtAMaterialChangeAndAtCapacity) {
  KOR::SpriteMaterials materials(none);
  KOR::RenderPass* additive = materials.Get("", SpriteBlend::Additive);
  KOR::RenderPass* opaque = materials.Get("", SpriteBlend::Opaque);
  OverlayBatch batch(device, 3, 1.0f);
  for (int i = 0; i < 7; ++i) batch.Add(&Make(1, additive));
  recording.calls.clear();
  batch.Draw();
  EXPECT_EQ(Draws(), (std::vector<int>{6, 6, 2})) << "seven quads in runs of at most three";

  for (auto& o : overlays) batch.Remove(o.get());
  batch.Add(&Make(0, additive));
  batch.Add(&Make(2, additive));
  batch.Add(&Make(1, opaque));
  batch.Add(&Make(0, additive));
  recording.calls.clear();
  batch.Draw();
  EXPECT_EQ(Draws(), (std::vector<int>{4, 2, 2})) << "layer 0 together, then opaque on 1, then additive on 2";

  for (auto& o : overlays) batch.Remove(o.get());
  batch.Add(&Make(0, nullptr));
  recording.calls.clear();
  batch.Draw();
  EXPECT_EQ(Draws(), (std::vector<int>{2}));
  EXPECT_LT(At("SetRenderState(20, 6)"), recording.calls.size()) << "no material: the default alpha blend";
}

TEST_F(OverlayDrawTest, AnEmptyBatchDrawsNothing) {
  OverlayBatch batch(device, 3, 1.0f);
  recording.calls.clear();
  batch.Draw();
  EXPECT_TRUE(Draws().empty());
}

class SceneBatchesTest : public CurrentRecordedDevice {};

TEST_F(SceneBatchesTest, TheSceneDrawsItsOverlaysAndSpritesAndOutlivesNothing) {
  ScreenOverlay outlived;
  {
    KOR::Scene scene;
    EXPECT_EQ(scene.GetOverlays(), nullptr);
    scene.Init(device, KOR::SceneSettings{});
    ASSERT_NE(scene.GetOverlays(), nullptr);
    ASSERT_NE(scene.GetSprites(), nullptr);
    auto* renderer = dynamic_cast<KOR::SceneRenderer*>(&scene.GetRenderer());
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->screenSprites, static_cast<KOR::SpriteLayer*>(scene.GetOverlays()));
    EXPECT_EQ(renderer->worldSprites, static_cast<KOR::SpriteLayer*>(scene.GetSprites()));
    EXPECT_FLOAT_EQ(scene.GetOverlays()->aspect, 800.0f / 600.0f);

    KOR::SpriteMaterials& materials = scene.GetSpriteMaterials();
    KOR::RenderPass* fade = materials.Get("", SpriteBlend::Alpha);
    EXPECT_EQ(materials.Get("", SpriteBlend::Alpha), fade);
    EXPECT_NE(materials.Get("", SpriteBlend::Additive), fade);
    EXPECT_NE(materials.Get("missing.tga", SpriteBlend::Alpha), fade);
    EXPECT_EQ(materials.Count(), 3u);

    outlived.material = fade;
    scene.GetOverlays()->Add(&outlived);
    recording.calls.clear();
    scene.Frame(0.01f);
    const auto present = std::find_if(recording.calls.begin(), recording.calls.end(),
                                      [](const std::string& c) { return c.rfind("Present", 0) == 0; });
    const auto overlay = std::find_if(recording.calls.begin(), recording.calls.end(), [](const std::string& c) {
      return c.rfind("DrawIndexedPrimitive(", 0) == 0 && c.ends_with(", 2)");
    });
    ASSERT_NE(overlay, recording.calls.end()) << "the overlay's quad";
    EXPECT_LT(overlay, present);
  }
  EXPECT_EQ(outlived.batch, nullptr) << "the scene's batch let go of it";
}

}  // namespace
