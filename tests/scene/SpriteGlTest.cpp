// Overlays, text and world sprites drawn on the GL backend, headless, each picture
// compared with what the blend formulas give for the packed colours, within 2 of 255 per
// channel (3 where three blends stack); pixels within a pixel of a filtered glyph's edge
// are left out. Every read-back is kept as a PNG artifact.

#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "graphics/TextureFormats.h"
#include "graphics/Texture.h"
#include "graphics/TextureObject.h"
#include "platform/d3d9/D3D9Testing.h"
#include "render_d3d9/Module.h"
#include "scene/Scene.h"
#include "scene/ScreenOverlay.h"
#include "scene/ScreenText.h"
#include "scene/SpriteBatch.h"
#include "scene/SpriteMaterials.h"
#include "scene/WorldSprite.h"
#include "tests/scene/SceneTestSupport.h"

namespace {

using Rgb = std::array<float, 3>;

struct Picture {
  std::vector<uint32_t> pixels;
  UINT width = 0, height = 0;
  Rgb At(UINT x, UINT y) const {
    const uint32_t p = pixels.at(size_t(y) * width + x);
    return {float((p >> 16) & 0xFF) / 255.0f, float((p >> 8) & 0xFF) / 255.0f, float(p & 0xFF) / 255.0f};
  }
};

// A channel as the vertex colour carries it: 8 bits, truncated.
float Packed(float c) { return std::floor(std::clamp(c, 0.0f, 1.0f) * 255.0f) / 255.0f; }

Rgb Over(const Rgb& source, float alpha, const Rgb& destination) {
  const float a = Packed(alpha);
  return {source[0] * a + destination[0] * (1 - a), source[1] * a + destination[1] * (1 - a),
          source[2] * a + destination[2] * (1 - a)};
}

::testing::AssertionResult Near(const Picture& p, UINT x, UINT y, const Rgb& expected, float tolerance = 2.0f) {
  const Rgb got = p.At(x, y);
  for (int c = 0; c < 3; ++c)
    if (std::fabs(got[c] - std::min(expected[c], 1.0f)) * 255.0f > tolerance)
      return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << got[0] * 255 << ", "
                                           << got[1] * 255 << ", " << got[2] * 255 << "), expected ("
                                           << expected[0] * 255 << ", " << expected[1] * 255 << ", "
                                           << expected[2] * 255 << ")";
  return ::testing::AssertionSuccess();
}

void KeepAsArtifact(const Picture& p, const std::string& name) {
  std::vector<unsigned char> rgb;
  for (uint32_t pixel : p.pixels) rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
  const std::string path = std::string(KOR_ARTIFACTS) + "/" + name;
  EXPECT_NE(stbi_write_png(path.c_str(), int(p.width), int(p.height), 3, rgb.data(), int(p.width) * 3), 0) << path;
}

KOR::ArgbImage Image(int width, int height, uint32_t fill) {
  return {width, height, std::vector<uint32_t>(size_t(width) * size_t(height), fill)};
}

class SpriteGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    KOR::RenderSystem::Instance().LoadModule("d3d9");
    device = KOR::RenderSystem::Instance().CreateDevice();
  }
  void TearDown() override {
    textures.clear();
    if (camera) device->DestroyObject(camera);
    device->Destroy();
  }
  Picture BackBuffer(const std::string& artifact) {
    Picture p;
    EXPECT_TRUE(D3D9ReadBackBuffer(KOR::D3D9::Device9(), &p.pixels, &p.width, &p.height));
    KeepAsArtifact(p, artifact);
    return p;
  }
  KOR::DeviceObject* Texture(const KOR::ArgbImage& image) {
    const std::vector<uint8_t> tga = KOR::WriteTga(image, 32);
    textures.push_back(std::make_unique<KOR::TextureObject>());
    textures.back()->LoadFromMemory(tga.data(), uint32_t(tga.size()));
    EXPECT_NE(textures.back()->GetTexture(), nullptr);
    return textures.back()->GetTexture();
  }
  // Orthographic, looking along +z: world x from −width/2 to width/2 across the screen,
  // y from −height/2 (bottom) to height/2.
  void LookAlongZ(float width, float height) {
    camera = device->CreateCamera();
    camera->SetOrthographic(height, width, 1.0f, 100.0f);
    camera->SetFrame({0, 0, -10}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    camera->BuildCameraMatrix();
    camera->BuildProjection();
    camera->ApplyProjection();
    camera->ApplyCamera();
  }

  static KOR::Device* device;
  std::vector<std::unique_ptr<KOR::TextureObject>> textures;
  KOR::Camera* camera = nullptr;
};
KOR::Device* SpriteGl::device = nullptr;

TEST_F(SpriteGl, AnOverlayFromZeroToAHalfCoversExactlyTheTopLeftQuarter) {
  device->Create(64, 48, true, 3, 0, 0);
  Picture p;
  {
    KOR::OverlayBatch batch(device, 4, 64.0f / 48.0f);
    KOR::ScreenOverlay o;
    o.SetRect(0, 0, 0.5f, 0.5f);
    batch.Add(&o);
    device->Clear(true, true, false, 0, 0, 0, 1);
    device->BeginFrame();
    batch.Draw();
    device->EndFrame();
    p = BackBuffer("overlay-top-left-quarter.png");
  }
  ASSERT_EQ(p.width, 64u);
  size_t wrong = 0;
  for (UINT y = 0; y < p.height; ++y)
    for (UINT x = 0; x < p.width; ++x) {
      const float expected = x < 32 && y < 24 ? 1.0f : 0.0f;
      wrong += !Near(p, x, y, {expected, expected, expected});
    }
  EXPECT_EQ(wrong, 0u);
  EXPECT_TRUE(Near(p, 31, 23, {1, 1, 1}));
  EXPECT_TRUE(Near(p, 32, 23, {0, 0, 0}));
  EXPECT_TRUE(Near(p, 31, 24, {0, 0, 0}));
}

TEST_F(SpriteGl, TheScenesOverlaysBlendInLayerOrderOverTheFrame) {
  device->Create(64, 64, true, 3, 0, 0);
  KOR::Testing::ScratchFolder folder;
  {
    const std::vector<uint8_t> white = KOR::WriteTga(Image(4, 4, 0xFFFFFFFFu), 32);
    std::ofstream(folder.File("white.tga"), std::ios::binary).write(reinterpret_cast<const char*>(white.data()),
                                                                     std::streamsize(white.size()));
  }
  const Rgb background{0.2f, 0.4f, 0.6f};
  Picture p;
  {
    KOR::Scene scene;
    scene.SetAssetDirectory(folder.Directory());
    KOR::SceneSettings settings;
    settings.screenWidth = settings.screenHeight = 64;
    scene.Init(device, settings);
    scene.SetFog({{background[0], background[1], background[2], 1}, 0.0f});
    KOR::SpriteMaterials& m = scene.GetSpriteMaterials();
    struct Case {
      float x0, y0, x1, y1;
      KOR::Colour colour;
      int layer;
      KOR::RenderPass* material;
    } cases[] = {
        {0.75f, 0.75f, 1, 1, {0, 0, 1, 0.5f}, 5, m.Get("white.tga", KOR::SpriteBlend::Alpha)},  // added first
        {0, 0, 0.5f, 0.5f, {1, 0, 0, 0.5f}, 0, m.Get("white.tga", KOR::SpriteBlend::Alpha)},
        {0.5f, 0, 1, 0.5f, {0.5f, 0.5f, 0, 1}, 1, m.Get("white.tga", KOR::SpriteBlend::Additive)},
        {0, 0.5f, 0.5f, 1, {0, 1, 0, 0.3f}, 2, m.Get("white.tga", KOR::SpriteBlend::Opaque)},
        {0.5f, 0.5f, 1, 1, {1, 1, 0, 1}, 3, m.Get("white.tga", KOR::SpriteBlend::Opaque)},
        {0.5f, 0.5f, 0.75f, 0.75f, {0, 0, 0, 0.5f}, 4, m.Get("", KOR::SpriteBlend::Alpha)},  // a fade
    };
    std::vector<std::unique_ptr<KOR::ScreenOverlay>> overlays;
    for (const Case& s : cases) {
      overlays.push_back(std::make_unique<KOR::ScreenOverlay>());
      overlays.back()->SetRect(s.x0, s.y0, s.x1, s.y1);
      overlays.back()->colour = s.colour;
      overlays.back()->layer = s.layer;
      overlays.back()->material = s.material;
      scene.GetOverlays()->Add(overlays.back().get());
    }
    scene.Frame(0.01f);
    p = BackBuffer("overlays-layers-and-blends.png");
  }
  const float half = Packed(0.5f);
  const Rgb yellow{1, 1, 0};
  EXPECT_TRUE(Near(p, 16, 16, Over({1, 0, 0}, 0.5f, background))) << "alpha";
  EXPECT_TRUE(Near(p, 48, 16, {background[0] + half, background[1] + half, background[2]})) << "additive";
  EXPECT_TRUE(Near(p, 16, 48, {0, 1, 0})) << "opaque ignores alpha";
  EXPECT_TRUE(Near(p, 56, 40, yellow)) << "layer 3 alone";
  EXPECT_TRUE(Near(p, 40, 40, Over({0, 0, 0}, 0.5f, yellow))) << "the fade on layer 4 over layer 3";
  EXPECT_TRUE(Near(p, 56, 56, Over({0, 0, 1}, 0.5f, yellow))) << "layer 5 over layer 3, whatever the adding order";
}

TEST_F(SpriteGl, TheGlyphsOfABStandWhereTheLayoutPutsThem) {
  device->Create(128, 96, true, 3, 0, 0);
  // A 16 × 16 font of 16-pixel cells: 'A' red, 'B' green, all else transparent.
  KOR::ArgbImage font = Image(256, 256, 0x00000000u);
  for (int code : {65, 66})
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        font.pixels[size_t((code / 16 * 16 + y) * 256 + code % 16 * 16 + x)] = code == 65 ? 0xFFFF0000u : 0xFF00FF00u;
  KOR::RenderPass additive;
  KOR::MakeSpriteState(additive, Texture(font), KOR::SpriteBlend::Additive);
  Picture p;
  float a0 = 0, a1 = 0, b0 = 0, b1 = 0, top = 0, bottom = 0;
  {
    KOR::OverlayBatch batch(device, 8, 4.0f / 3.0f);
    KOR::ScreenText text;
    text.text = "AB";
    text.x = text.y = 0.25f;
    text.charSize = 0.25f;
    text.spacing = -0.25f;
    text.material = &additive;
    text.Layout(&batch);
    ASSERT_EQ(text.glyphs.size(), 2u);
    a0 = text.glyphs[0]->x0 * 128, a1 = text.glyphs[0]->x1 * 128;
    b0 = text.glyphs[1]->x0 * 128, b1 = text.glyphs[1]->x1 * 128;
    top = text.glyphs[0]->y0 * 96, bottom = text.glyphs[0]->y1 * 96;
    device->Clear(true, true, false, 0, 0, 0, 1);
    device->BeginFrame();
    batch.Draw();
    device->EndFrame();
    p = BackBuffer("text-ab-glyphs.png");
  }
  // From the formula: 'A' over 32 … 56 and 'B' over 50 … 74 pixels, rows 24 … 48.
  EXPECT_FLOAT_EQ(a0, 32.0f);
  EXPECT_FLOAT_EQ(b0, 50.0f);
  auto inside = [](float c, float low, float high) { return c > low && c < high; };
  auto nearEdge = [](float c, float edge) { return std::fabs(c - edge) < 1.0f; };
  size_t compared = 0, wrong = 0;
  for (UINT y = 0; y < p.height; ++y)
    for (UINT x = 0; x < p.width; ++x) {
      const float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
      if (nearEdge(cx, a0) || nearEdge(cx, a1) || nearEdge(cx, b0) || nearEdge(cx, b1) || nearEdge(cy, top) ||
          nearEdge(cy, bottom))
        continue;
      const bool row = inside(cy, top, bottom);
      const Rgb expected{row && inside(cx, a0, a1) ? 1.0f : 0.0f, row && inside(cx, b0, b1) ? 1.0f : 0.0f, 0.0f};
      ++compared;
      if (!Near(p, x, y, expected)) ++wrong;
    }
  EXPECT_GT(compared, 11000u);
  EXPECT_EQ(wrong, 0u);
  EXPECT_TRUE(Near(p, 53, 36, {1, 1, 0})) << "the glyphs overlap by a quarter width";
}

TEST_F(SpriteGl, APointSpriteAtNinetyDegreesShowsItsTextureTurnedAQuarter) {
  device->Create(128, 64, true, 3, 0, 0);
  // Top left red, top right green, bottom left blue, bottom right white.
  KOR::ArgbImage image{2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu}};
  KOR::RenderPass opaque;
  KOR::MakeSpriteState(opaque, Texture(image), KOR::SpriteBlend::Opaque);
  Picture p;
  {
    KOR::SpriteBatch batch(device, 4);
    KOR::PointSprite upright, turned;
    upright.position = {-1, 0, 0};
    turned.position = {1, 0, 0};
    turned.angle = 90;
    for (KOR::PointSprite* s : {&upright, &turned}) {
      s->size = 0.5f;
      s->material = &opaque;
      batch.Add(s);
    }
    device->Clear(true, true, false, 0, 0, 0, 1);
    device->BeginFrame();
    LookAlongZ(4, 2);
    batch.Draw(camera->view, 0);
    device->EndFrame();
    p = BackBuffer("point-sprite-90-degrees.png");
  }
  const Rgb red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1}, white{1, 1, 1};
  // Quarters of each 32-pixel square, sampled where clamping keeps one texel.
  EXPECT_TRUE(Near(p, 20, 20, red));
  EXPECT_TRUE(Near(p, 43, 20, green));
  EXPECT_TRUE(Near(p, 20, 43, blue));
  EXPECT_TRUE(Near(p, 43, 43, white));
  // Turned counter-clockwise: green top left, white top right, red bottom left, blue bottom right.
  EXPECT_TRUE(Near(p, 84, 20, green));
  EXPECT_TRUE(Near(p, 107, 20, white));
  EXPECT_TRUE(Near(p, 84, 43, red));
  EXPECT_TRUE(Near(p, 107, 43, blue));
  EXPECT_TRUE(Near(p, 64, 32, {0, 0, 0}));
  EXPECT_TRUE(Near(p, 14, 32, {0, 0, 0})) << "the square ends at its size";
}

TEST_F(SpriteGl, BlendedSpritesComposeFarthestFirst) {
  device->Create(64, 64, true, 3, 0, 0);
  KOR::RenderPass alpha;
  KOR::MakeSpriteState(alpha, nullptr, KOR::SpriteBlend::Alpha);
  const Rgb background{0.2f, 0.2f, 0.2f};
  Picture p;
  {
    KOR::SpriteBatch batch(device, 8);
    KOR::PointSprite red, green, blue;
    red.position = {0, 0, 20};
    green.position = {0, 0, 10};
    blue.position = {0, 0, 5};
    red.colour = {1, 0, 0, 0.5f};
    green.colour = {0, 1, 0, 0.5f};
    blue.colour = {0, 0, 1, 0.5f};
    for (KOR::PointSprite* s : {&blue, &red, &green}) {
      s->size = 0.5f;
      s->material = &alpha;
      batch.Add(s);
    }
    device->Clear(true, true, false, background[0], background[1], background[2], 1);
    device->BeginFrame();
    LookAlongZ(2, 2);
    batch.Draw(camera->view, 0);
    device->EndFrame();
    p = BackBuffer("sprites-depth-sorted.png");
  }
  const Rgb sorted = Over({0, 0, 1}, 0.5f, Over({0, 1, 0}, 0.5f, Over({1, 0, 0}, 0.5f, background)));
  const Rgb asAdded = Over({0, 1, 0}, 0.5f, Over({1, 0, 0}, 0.5f, Over({0, 0, 1}, 0.5f, background)));
  ASSERT_GT(std::fabs(sorted[2] - asAdded[2]) * 255, 20.0f) << "the orders must be told apart";
  EXPECT_TRUE(Near(p, 32, 32, sorted, 3.0f));
  EXPECT_TRUE(Near(p, 4, 4, background));
}

}  // namespace
