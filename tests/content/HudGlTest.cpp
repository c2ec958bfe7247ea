// The player's HUD drawn by the engine on the GL backend with the shipped panel and font,
// at one resolution of each shape the options dialog offers. The name line shows the
// same text as the score line under it, so the two must come out alike: a name whose top
// rows the panel's band or plates cover starts lower in its line and reads darker. The
// pictures are kept as artifacts.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "game/hud/PlayerHud.h"
#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "platform/d3d9/D3D9Testing.h"
#include "render_d3d9/Module.h"
#include "scene/Scene.h"

namespace {

struct Picture {
  std::vector<uint32_t> pixels;
  UINT width = 0, height = 0;
  // How white a pixel is: the text is white, the panel's plates orange, its band grey-blue.
  float White(int x, int y) const {
    const uint32_t p = pixels.at(size_t(y) * width + size_t(x));
    return float(std::min({(p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu})) / 255.0f;
  }
};

void Keep(const Picture& p, const std::string& name) {
  std::vector<unsigned char> rgb;
  for (uint32_t pixel : p.pixels) rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
  const std::string path = std::string(KOR_ARTIFACTS) + "/" + name;
  EXPECT_NE(stbi_write_png(path.c_str(), int(p.width), int(p.height), 3, rgb.data(), int(p.width) * 3), 0) << path;
}

// A text line's first row with ink, counted from the line's top, and how white it is.
struct LineTop {
  int row = -1;
  float white = 0;
};
LineTop FirstInkRow(const Picture& p, int x0, int x1, int y0, int rows) {
  for (int r = 0; r < rows; ++r) {
    float white = 0;
    for (int x = x0; x < x1; ++x) white = std::max(white, p.White(x, y0 + r));
    if (white > 0.5f) return {r, white};
  }
  return {};
}

struct Resolution {
  int width, height;
  const char* shape;
};

TEST(HudGl, TheNamesTopRowIsDrawnInsideThePanelOnEveryScreenShape) {
  KOR::RenderSystem::Instance().LoadModule("d3d9");
  KOR::Device* device = KOR::RenderSystem::Instance().CreateDevice();
  ASSERT_NE(device, nullptr);
  const std::string line = "Score: 1234";
  for (const Resolution& r : {Resolution{640, 480, "4x3"}, Resolution{1280, 1024, "5x4"}, Resolution{1280, 720, "16x9"},
                              Resolution{1280, 800, "16x10"}}) {
    SCOPED_TRACE(r.shape);
    device->Create(r.width, r.height, true, 3, 0, 0);
    Picture p;
    float textTop = 0, textLeft = 0, advance = 0, charSize = 0;
    const HudLines lines = HudLinesFor(float(r.width) / float(r.height));
    {
      KOR::Scene scene;
      scene.SetAssetDirectory(std::string(KOR_CONTENT_ASSETS) + "/");
      KOR::SceneSettings settings;
      settings.screenWidth = r.width;
      settings.screenHeight = r.height;
      scene.Init(device, settings);
      scene.SetFog({{0, 0, 0, 1}, 0.0f});
      PlayerHud hud;
      hud.Build(scene, lines);
      hud.Update(line, 1234, 4, 1.0f, 1.0f, {0, 0, 0, 0});
      scene.Frame(0.01f);
      ASSERT_TRUE(D3D9ReadBackBuffer(KOR::D3D9::Device9(), &p.pixels, &p.width, &p.height));
      Keep(p, std::string("hud-") + r.shape + ".png");
      textTop = hud.text.y * float(r.height);
      textLeft = hud.text.x * float(r.width);
      charSize = hud.text.charSize * float(r.height);
      advance = (hud.text.spacing + 1) * charSize * float(r.height) / float(r.width);
    }
    ASSERT_EQ(p.width, UINT(r.width));
    const int x0 = int(textLeft), x1 = int(textLeft + advance * float(line.size())) + 1;
    const int rows = int(charSize);
    const LineTop name = FirstInkRow(p, x0, x1, int(textTop), rows);
    const LineTop score = FirstInkRow(p, x0, x1, int(textTop + charSize), rows);
    ASSERT_GE(score.row, 0) << "the score line is drawn";
    ASSERT_GE(name.row, 0) << "the name line is drawn";
    EXPECT_LE(std::abs(name.row - score.row), 1) << "the name's top rows are covered";
    EXPECT_GT(name.white, score.white * 0.75f) << "the name's top row is dimmed";
    // Wholly inside the panel: below its top line, the three lines above its bottom one.
    EXPECT_GT(textTop, lines.top * float(r.height));
    EXPECT_LT(textTop + 3 * charSize, lines.bottom * float(r.height));
    device->Destroy();
  }
}

}  // namespace
