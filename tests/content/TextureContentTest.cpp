// Our textures through the engine's texture loader, and what the game relies on in
// them: power-of-two sizes, normal maps that hold unit normals, HUD and menu images
// open where the game shows something through them, and a glyph font whose cells the
// text layout cuts cleanly.

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "graphics/Texture.h"
#include "graphics/TextureObject.h"
#include "tests/content/ContentTestSupport.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

using ContentTest::Asset;
using ContentTest::Decode;

std::vector<std::string> TextureNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(KOR_CONTENT_ASSETS)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".tga") || name.ends_with(".kor.texture")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

class TextureContentTest : public CurrentRecordedDevice {};

TEST_F(TextureContentTest, EveryTextureTheGameOpensLoadsThroughTheEngine) {
  const char* const named[] = {"exp1.tga", "exp2.tga", "exp3.tga", "exp4.tga", "exp5.tga", "exp6.tga", "exp7.tga",
                               "smoke.tga", "red_energy.tga", "bullet1.tga", "hud_painel.tga", "hud_energy.tga",
                               "hud_warm.tga", "hud_cage.tga", "menu_tittle.kor.texture", "menu_play.kor.texture",
                               "menu_high.kor.texture", "menu_exit.kor.texture", "menu_border.kor.texture",
                               "menu_bar.kor.texture", "text.kor.texture"};
  for (const char* name : named) EXPECT_TRUE(std::filesystem::exists(Asset(name))) << name;
  const std::vector<std::string> all = TextureNames();
  EXPECT_GE(all.size(), std::size(named) + 20);
  for (const std::string& name : all) {
    KOR::TextureObject texture;
    texture.LoadFile(Asset(name).c_str());
    ASSERT_NE(texture.GetTexture(), nullptr) << name;
    EXPECT_TRUE(PowerOfTwo(texture.GetTexture()->width)) << name;
    EXPECT_TRUE(PowerOfTwo(texture.GetTexture()->height)) << name;
  }
}

TEST_F(TextureContentTest, NormalMapsHoldUnitNormalsLeaningOutOfTheSurface) {
  for (const std::string& name : TextureNames()) {
    if (!name.ends_with("_n.tga")) continue;
    const ContentTest::Decoded map = Decode(name);
    int bad = 0, leaning = 0;
    for (int y = 0; y < map.height; ++y)
      for (int x = 0; x < map.width; ++x) {
        const float nx = map.Channel(x, y, 16) * 2 - 1, ny = map.Channel(x, y, 8) * 2 - 1, nz = map.Channel(x, y, 0) * 2 - 1;
        if (std::fabs(std::sqrt(nx * nx + ny * ny + nz * nz) - 1) > 0.03f || nz <= 0) ++bad;
        if (nz < 0.99f) ++leaning;
      }
    EXPECT_EQ(bad, 0) << name;
    EXPECT_GT(leaning, map.width * map.height / 20) << name << " is flat";
  }
}

TEST_F(TextureContentTest, ExplosionFramesSwellAndThenFadeAndTheirEdgesAreClear) {
  float previousCover = 0, peak = 0;
  int peakFrame = 0;
  for (int f = 1; f <= 7; ++f) {
    const ContentTest::Decoded frame = Decode("exp" + std::to_string(f) + ".tga");
    float cover = 0;
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x) cover += frame.Alpha(x, y);
    if (cover > peak) peak = cover, peakFrame = f;
    // Nothing at the borders, so a sprite never shows its square.
    for (int i = 0; i < frame.width; ++i) {
      EXPECT_LT(frame.Alpha(i, 0), 0.02f) << f;
      EXPECT_LT(frame.Alpha(0, i), 0.02f) << f;
    }
    if (f == 1) {
      EXPECT_GT(frame.Channel(64, 64, 16), 0.9f);  // a white-hot core
    }
    previousCover = cover;
  }
  EXPECT_GT(peakFrame, 1);
  EXPECT_LT(previousCover, peak);
}

TEST_F(TextureContentTest, HudAndMenuFramesAreOpenWhereThePlayShowsThrough) {
  const ContentTest::Decoded panel = Decode("hud_painel.tga");
  EXPECT_EQ(panel.Alpha(panel.width / 2, panel.height / 2), 0.0f);
  EXPECT_GT(panel.Alpha(panel.width / 2, 2), 0.8f);
  EXPECT_GT(panel.Alpha(panel.width / 2, panel.height - 3), 0.8f);
  // The cage frame lets the bar show in its inner 81 % by 50 % (the bar's rectangle
  // within the frame's).
  const ContentTest::Decoded cage = Decode("hud_cage.tga");
  EXPECT_LT(cage.Alpha(cage.width / 2, cage.height / 2), 0.5f);
  EXPECT_LT(cage.Alpha(int(float(cage.width) * 0.12f), int(float(cage.height) * 0.3f)), 0.5f);
  EXPECT_GT(cage.Alpha(cage.width / 2, int(float(cage.height) * 0.15f)), 0.8f);
  const ContentTest::Decoded border = Decode("menu_border.kor.texture");
  EXPECT_EQ(border.Alpha(border.width / 2, border.height / 2), 0.0f);
  EXPECT_GT(border.Alpha(2, border.height / 2), 0.9f);
  // The menu items carry lettering: opaque ink in the middle, clear corners.
  for (const char* item : {"menu_play.kor.texture", "menu_high.kor.texture", "menu_exit.kor.texture", "menu_tittle.kor.texture"}) {
    const ContentTest::Decoded d = Decode(item);
    int ink = 0;
    for (int x = 0; x < d.width; ++x) ink += d.Alpha(x, d.height / 2) > 0.9f;
    EXPECT_GT(ink, d.width / 10) << item;
    EXPECT_EQ(d.Alpha(0, 0), 0.0f) << item;
    EXPECT_EQ(d.Alpha(d.width - 1, d.height - 1), 0.0f) << item;
  }
}

TEST_F(TextureContentTest, GlyphsStayInsideTheCellsTheTextLayoutCuts) {
  // The layout takes character c from column c mod 16, row c / 16, each 1/16 of the
  // texture, and advances 0.75 of a cell per character.
  const ContentTest::Decoded font = Decode("text.kor.texture");
  ASSERT_EQ(font.width, font.height);
  const int cell = font.width / 16;
  for (int code = 0; code < 256; ++code) {
    const int x0 = (code % 16) * cell, y0 = (code / 16) * cell;
    int inkLeft = cell, inkRight = -1, inkTop = cell, inkBottom = -1;
    for (int y = 0; y < cell; ++y)
      for (int x = 0; x < cell; ++x)
        if (font.Alpha(x0 + x, y0 + y) > 0) {
          inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
          inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
        }
    const bool printable = (code > 32 && code < 127) || (code >= 161 && code != 173);
    if (code <= 32 || code == 127) {
      EXPECT_EQ(inkRight, -1) << "code " << code << " should be empty";
    }
    if (printable) {
      EXPECT_GE(inkRight, 0) << "no glyph for code " << code;
    }
    if (inkRight < 0) continue;
    EXPECT_GE(inkLeft, 1) << code;
    EXPECT_LE(inkRight, cell - 2) << code;
    EXPECT_GE(inkTop, 1) << code;
    EXPECT_LE(inkBottom, cell - 2) << code;
    // Centred on the part of the cell the advance gives it.
    EXPECT_NEAR(float(inkLeft + inkRight) * 0.5f, float(cell) * 0.375f + 2, 3.0f) << code;
  }
  // Glyphs share a baseline: the feet of H and x on one row, p's descender below it.
  auto bottom = [&](int code) {
    for (int y = cell - 1; y >= 0; --y)
      for (int x = 0; x < cell; ++x)
        if (font.Alpha((code % 16) * cell + x, (code / 16) * cell + y) > 0.5f) return y;
    return -1;
  };
  EXPECT_EQ(bottom('H'), bottom('x'));
  EXPECT_GT(bottom('p'), bottom('H') + 3);
  // White ink whose colour follows its alpha, so additive and blended text look alike.
  const int ax = ('A' % 16) * cell, ay = ('A' / 16) * cell;
  for (int y = 0; y < cell; ++y)
    for (int x = 0; x < cell; ++x) {
      const uint32_t p = font.At(ax + x, ay + y);
      EXPECT_EQ((p >> 16) & 255, p >> 24);
    }
}

TEST_F(TextureContentTest, FixedAdvanceTextReadsEvenly) {
  // Laid out 0.75 of a cell apart, neighbouring letters leave gaps of much the same width
  // whether they are narrow or wide: the names of the score table and a player's name.
  const ContentTest::Decoded font = Decode("text.kor.texture");
  const int cell = font.width / 16;
  auto ink = [&](int code, bool right) {
    for (int i = 0; i < cell; ++i) {
      const int x = right ? cell - 1 - i : i;
      for (int y = 0; y < cell; ++y)
        if (font.Alpha((code % 16) * cell + x, (code / 16) * cell + y) > 0.5f) return x;
    }
    return -1;
  };
  const int advance = cell * 3 / 4;
  for (const std::string word : {"Orion", "Aquila", "ijk", "Lyra", "William", "fill"}) {
    int narrowest = cell, widest = -cell;
    for (size_t i = 0; i + 1 < word.size(); ++i) {
      const int gap = advance + ink(word[i + 1], false) - ink(word[i], true);
      narrowest = std::min(narrowest, gap), widest = std::max(widest, gap);
    }
    EXPECT_GE(narrowest, 1) << word << ": letters touch";
    EXPECT_LE(widest - narrowest, advance / 3) << word;
  }
}

}  // namespace
