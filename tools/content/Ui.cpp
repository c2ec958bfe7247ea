#include "tools/content/Ui.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <stb_truetype.h>

namespace Content {

namespace {

constexpr float kPi = float(M_PI);

class Font {
public:
  explicit Font(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    data.assign(std::istreambuf_iterator<char>(in), {});
    if (data.empty() || !stbtt_InitFont(&info, reinterpret_cast<const unsigned char*>(data.data()), 0))
      throw std::runtime_error("cannot read font " + path);
  }
  // Coverage of one code point at pixel height `px`, its box relative to the pen on the
  // baseline, and its advance.
  struct Glyph {
    std::vector<uint8_t> coverage;
    int width = 0, height = 0, xoff = 0, yoff = 0;
    float advance = 0;
  };
  // widen > 1 stretches the glyph across, up to maxWidth pixels.
  Glyph Render(int codepoint, float px, float widen = 1, int maxWidth = 1 << 20) const {
    Glyph g;
    const float scale = stbtt_ScaleForPixelHeight(&info, px);
    const int index = stbtt_FindGlyphIndex(&info, codepoint);
    int adv = 0, lsb = 0;
    stbtt_GetGlyphHMetrics(&info, index, &adv, &lsb);
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBox(&info, index, scale, scale, &x0, &y0, &x1, &y1);
    const float sx = scale * std::min(widen, float(maxWidth) / float(std::max(1, x1 - x0)));
    g.advance = float(adv) * sx;
    stbtt_GetGlyphBitmapBox(&info, index, sx, scale, &x0, &y0, &x1, &y1);
    g.width = x1 - x0, g.height = y1 - y0, g.xoff = x0, g.yoff = y0;
    if (g.width > 0 && g.height > 0) {
      g.coverage.resize(size_t(g.width) * size_t(g.height));
      stbtt_MakeGlyphBitmap(&info, g.coverage.data(), g.width, g.height, g.width, sx, scale, index);
    }
    return g;
  }
  float Ascent(float px) const {
    int ascent, descent, gap;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    return float(ascent) * stbtt_ScaleForPixelHeight(&info, px);
  }

private:
  std::string data;
  stbtt_fontinfo info{};
};

// Windows-1252: the code page of the game's 8-bit strings; its undefined codes stay empty.
int CodePoint(int code) {
  static const int high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                               0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  if (code < 32 || code == 127) return 0;
  if (code >= 128 && code < 160) return high[code - 128];
  return code;
}

// Coverage of a text line, centred in a width x height mask.
Image TextMask(const Font& font, const std::string& text, float px, int width, int height, float tracking) {
  std::vector<Font::Glyph> glyphs;
  float total = 0;
  for (unsigned char c : text) {
    glyphs.push_back(font.Render(CodePoint(c), px));
    total += glyphs.back().advance + tracking;
  }
  total -= tracking;
  Image mask(width, height, {0, 0, 0, 0});
  float pen = (float(width) - total) * 0.5f;
  const float baseline = float(height) * 0.5f + font.Ascent(px) * 0.36f;
  for (const Font::Glyph& g : glyphs) {
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x) {
        const int tx = int(std::lround(pen)) + g.xoff + x, ty = int(baseline) + g.yoff + y;
        if (tx < 0 || ty < 0 || tx >= width || ty >= height) continue;
        const float c = float(g.coverage[size_t(y) * size_t(g.width) + size_t(x)]) / 255.0f;
        mask.At(tx, ty).a = std::max(mask.At(tx, ty).a, c);
      }
    pen += g.advance + tracking;
  }
  return mask;
}

// Blur of a mask's alpha (box filter, a few passes), for glows and shadows.
Image Blur(const Image& src, int radius, int passes) {
  Image a = src;
  for (int p = 0; p < passes; ++p) {
    Image b = a;
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x) {
        float s = 0;
        for (int k = -radius; k <= radius; ++k) s += a.At(std::clamp(x + k, 0, a.Width() - 1), y).a;
        b.At(x, y).a = s / float(2 * radius + 1);
      }
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x) {
        float s = 0;
        for (int k = -radius; k <= radius; ++k) s += b.At(x, std::clamp(y + k, 0, a.Height() - 1)).a;
        a.At(x, y).a = s / float(2 * radius + 1);
      }
  }
  return a;
}

// Lettering with a metal gradient fill, a dark outline and a coloured outer glow.
Image Lettering(const Font& font, const std::string& text, float px, int width, int height, Rgba top, Rgba bottom,
                Rgba glowColour, float tracking) {
  // Shrinks the lettering until it fits with a margin for the glow.
  Image mask = TextMask(font, text, px, width, height, tracking);
  for (int tries = 0; tries < 20; ++tries) {
    int left = width, right = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (mask.At(x, y).a > 0) left = std::min(left, x), right = std::max(right, x);
    if (left >= 10 && right < width - 10) break;
    px *= 0.92f;
    tracking *= 0.92f;
    mask = TextMask(font, text, px, width, height, tracking);
  }
  const Image outline = Blur(mask, 1, 2);
  const Image glow = Blur(mask, 4, 3);
  Image out(width, height, {0, 0, 0, 0});
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float v = float(y) / float(height);
      const float m = mask.At(x, y).a, o = Clamp01(outline.At(x, y).a * 3), g = Clamp01(glow.At(x, y).a * 1.8f);
      Rgba fill = Mix(top, bottom, Smooth(0.25f, 0.75f, v));
      // A bright band across the letters, as on polished metal.
      fill = Mix(fill, Rgba{1, 1, 1, 1}, 0.35f * Smooth(0.06f, 0.0f, std::fabs(v - 0.42f)));
      Rgba c = glowColour * g;
      c.a = g * 0.8f;
      c = Mix(c, Rgba{0.02f, 0.02f, 0.04f, 1}, o);
      c = Mix(c, Rgba{fill.r, fill.g, fill.b, 1}, m);
      out.At(x, y) = c;
    }
  return out;
}

// A bevelled metal strip, for frames.
Rgba Metal(float across, float along, uint32_t seed) {
  const float brushed = 0.5f + 0.5f * ValueNoise(along * 0.05f, across * 3, 1 << 20, seed);
  const float bevel = across < 0.2f ? 1.25f : (across > 0.8f ? 0.6f : 1.0f);
  const float g = (0.35f + 0.15f * brushed) * bevel;
  return {g * 0.92f, g * 0.97f, g * 1.08f, 1};
}

}  // namespace

std::vector<NamedFile> HudTextures() {
  std::vector<NamedFile> out;
  {
    // The panel spans the screen between the two reference lines; it frames the play
    // area with bands along both edges and a plate under the score text.
    const int w = 512, h = 256;
    Image img(w, h, {0, 0, 0, 0});
    const float band = 5;  // the score text starts just inside the top band
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const float fy = float(y) + 0.5f;
        const float edge = std::min(fy, float(h) - fy);
        Rgba c{0, 0, 0, 0};
        if (edge < band) {
          c = Metal(edge / band, float(x), 5);
          c.a = 0.92f;
        } else {
          // A faint blue haze along the bands, fading into the play area.
          const float haze = Smooth(band + 16, band, edge);
          c = {0.05f, 0.12f, 0.2f, 0.3f * haze};
        }
        // Tick marks along the bands.
        if (edge >= band && edge < band + 5 && x % 32 == 16) c = {0.5f, 0.8f, 1.0f, 0.8f};
        img.At(x, y) = c;
      }
    // Notched corners and the plate behind the score text (top left).
    // A bracket under the score text; the panel lies over the text, so nothing covers it.
    img.Line(0, 46, 150, 46, 1.5f, {0.4f, 0.75f, 1.0f, 0.9f});
    img.Line(150, 46, 166, band, 1.5f, {0.4f, 0.75f, 1.0f, 0.9f});
    for (float x : {0.0f, float(w) - 60}) {
      img.FillRect(x, float(h) - band - 6, x + 60, float(h) - band, {0.9f, 0.45f, 0.1f, 0.9f}, 1);
      img.FillRect(x, band, x + 60, band + 6, {0.9f, 0.45f, 0.1f, 0.9f}, 1);
    }
    out.push_back({"hud_painel.tga", img.Tga(true)});
  }
  {
    // Energy bar (additive): cyan to white along the bar, with segment gaps.
    Image img(256, 32);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 256; ++x) {
        const float u = float(x) / 255, v = (float(y) + 0.5f) / 32;
        const float segment = (x % 16) < 14 ? 1.0f : 0.35f;
        const float profile = 0.55f + 0.45f * std::sin(v * kPi);
        const Rgba c = Mix(Hex(0x1060c0), Hex(0xa0f0ff), u) * (segment * profile);
        img.At(x, y) = {c.r, c.g, c.b, 1};
      }
    out.push_back({"hud_energy.tga", img.Tga(false)});
  }
  {
    // Cage reserve (opaque): embers from red to yellow.
    Image img(256, 32);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 256; ++x) {
        const float u = float(x) / 255, v = (float(y) + 0.5f) / 32;
        const float n = Fbm(float(x) / 16, float(y) / 8, 16, 3, 200);
        const float profile = 0.6f + 0.4f * std::sin(v * kPi);
        const Rgba c = Mix(Hex(0x801000), Hex(0xffc030), u * 0.7f + n * 0.3f) * profile;
        img.At(x, y) = {c.r, c.g, c.b, 1};
      }
    out.push_back({"hud_warm.tga", img.Tga(false)});
  }
  {
    // The bar's frame: open where the bar shows (the inner 81 % by 50 %).
    const int w = 256, h = 64;
    Image img(w, h, {0, 0, 0, 0});
    const float ix0 = float(w) * 0.035f / 0.37f, ix1 = float(w) - ix0, iy0 = float(h) * 0.25f, iy1 = float(h) * 0.75f;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const float px = float(x) + 0.5f, py = float(y) + 0.5f;
        const float inside = std::min({px - ix0, ix1 - px, py - iy0, iy1 - py});
        if (inside > 1) {
          img.At(x, y) = {0, 0, 0, 0.35f};  // darkens what shows through an empty bar
          continue;
        }
        const float outer = std::min({px - 4, float(w) - 4 - px, py - 6, float(h) - 6 - py});
        if (outer < 0) continue;
        Rgba c = Metal(Clamp01(outer / 12), px, 9);
        if (inside > -2) c = {0.5f, 0.85f, 1.0f, 1};
        c.a = Clamp01(outer + 0.5f);
        img.At(x, y) = c;
      }
    for (float x : {8.0f, float(w) - 14}) img.FillRect(x, 8, x + 6, 14, {1.0f, 0.5f, 0.1f, 1}, 1);
    out.push_back({"hud_cage.tga", img.Tga(true)});
  }
  return out;
}

std::vector<NamedFile> MenuTextures(const std::string& fontFolder) {
  const Font font(fontFolder + "/DejaVuSans-Bold.ttf");
  std::vector<NamedFile> out;
  out.push_back({"menu_tittle.kor.texture",
                 Lettering(font, "ZUBRA 2", 112, 512, 128, Hex(0xffffff), Hex(0x6a90c0), Hex(0xff6a20), 10)
                     .EngineTexture(16)});
  const std::pair<const char*, const char*> items[] = {
      {"menu_play.kor.texture", "PLAY"}, {"menu_high.kor.texture", "HIGH SCORES"}, {"menu_exit.kor.texture", "EXIT"}};
  for (auto [file, text] : items)
    out.push_back({file, Lettering(font, text, 40, 256, 64, Hex(0xffffff), Hex(0xa0c8f0), Hex(0x3090ff), 2)
                             .EngineTexture(16)});
  {
    // The border: a frame round the screen with a starfield beside the menu column.
    Image img(512, 512, {0, 0, 0, 0});
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x) {
        const float px = float(x) + 0.5f, py = float(y) + 0.5f;
        const float edge = std::min({px, 512 - px, py, 512 - py});
        if (edge < 14) {
          Rgba c = Metal(edge / 14, px + py, 11);
          img.At(x, y) = c;
        } else if (edge < 16) {
          img.At(x, y) = {0.4f, 0.75f, 1.0f, 1};
        } else if (edge < 60) {
          img.At(x, y) = {0.0f, 0.02f, 0.05f, 0.6f * Smooth(60, 16, edge)};
        }
        const bool column = px > 150 && px < 340;
        if (!column && edge > 16 && Hash(x, y, 300) > 0.996f) {
          const float b = 0.4f + 0.6f * Hash(x, y, 301);
          img.At(x, y) = {b, b, b * 1.1f, 1};
        }
      }
    for (float cx : {16.0f, 496.0f})
      for (float cy : {16.0f, 496.0f}) img.FillCircle(cx, cy, 9, {1.0f, 0.45f, 0.1f, 1}, 1.5f);
    out.push_back({"menu_border.kor.texture", img.EngineTexture(16)});
  }
  {
    // The selection bar: a glowing band, strongest in the middle of the screen.
    Image img(256, 64, {0, 0, 0, 0});
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 256; ++x) {
        const float u = (float(x) + 0.5f) / 256, v = (float(y) + 0.5f) / 64;
        const float across = std::sin(v * kPi);
        const float along = Smooth(0.0f, 0.3f, u) * Smooth(1.0f, 0.7f, u);
        const float line = Smooth(0.04f, 0.0f, std::min(std::fabs(v - 0.08f), std::fabs(v - 0.92f)));
        const Rgba c = Mix(Hex(0x1a4a90), Hex(0x60c0ff), line);
        img.At(x, y) = {c.r, c.g, c.b, Clamp01((across * 0.45f + line * 0.8f) * along)};
      }
    out.push_back({"menu_bar.kor.texture", img.EngineTexture(16)});
  }
  return out;
}

Cell GlyphCell(int code) {
  const int cell = kFontSize / 16;
  return {(code % 16) * cell, (code / 16) * cell, (code % 16 + 1) * cell, (code / 16 + 1) * cell};
}

Image GlyphFont(const std::string& fontFolder) {
  // The text advances the same distance for every character, so the glyphs come from a
  // face whose letters share one advance: each sits in the same box, and narrow letters
  // keep their side bearings instead of standing apart from their neighbours.
  const Font font(fontFolder + "/DejaVuSansMono-Bold.ttf");
  const int cell = kFontSize / 16;
  // Every glyph stays one pixel inside its cell, so filtering never pulls in a neighbour.
  const float px = 27;
  const float baseline = 2 + std::ceil(font.Ascent(px));
  // Widened so the shared advance fills all but 3 pixels of the 0.75 cell the text
  // advances per character.
  const float box = float(cell) * 0.75f - 3;
  const float widen = box / font.Render('M', px).advance;
  Image img(kFontSize, kFontSize, {0, 0, 0, 0});
  for (int code = 0; code < 256; ++code) {
    const int cp = CodePoint(code);
    if (cp == 0 || cp == ' ') continue;
    Font::Glyph g = font.Render(cp, px, widen, cell - 4);
    const Cell c = GlyphCell(code);
    // The advance box, not the ink, is centred on the cell's left three quarters.
    const int left = c.x0 + int(std::lround((float(cell) * 0.75f - box) * 0.5f)) + g.xoff + 2;
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x) {
        const int tx = std::clamp(left + x, c.x0 + 1, c.x1 - 2), ty = std::clamp(int(baseline) + g.yoff + y, 1, cell - 2) + c.y0;
        const float a = float(g.coverage[size_t(y) * size_t(g.width) + size_t(x)]) / 255.0f;
        Rgba& p = img.At(tx, ty);
        const float m = std::max(p.a, a);
        p = {m, m, m, m};  // white ink, premultiplied: additive and alpha blending agree
      }
  }
  return img;
}

Image ReverbBadge(const std::string& fontFolder) {
  // A speaker whose sound spreads into a hall, and the word, on night blue.
  Image img(86, 32, Hex(0x102040));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 86; ++x) {
      const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
      img.At(x, y) = Mix(Hex(0x0c1830), Hex(0x1c3868), Smooth(32, 0, fy) * 0.6f + fx / 86 * 0.2f);
      const float dx = fx - 12, dy = fy - 16, d = std::hypot(dx, dy);
      if (dx > 0 && fx < 38 && std::fabs(dy) < dx * 1.1f) {
        const float ring = std::fabs(std::fmod(d, 7.0f) - 3.5f);
        img.At(x, y) = Mix(img.At(x, y), Hex(0x60c8ff), Clamp01(1.3f - ring) * (1 - fx / 50));
      }
    }
  img.FillRect(3, 12, 8, 20, Hex(0xf0f0f0), 1);
  for (int i = 0; i < 5; ++i) img.FillRect(8 + float(i), 12 - float(i) * 1.2f, 9 + float(i), 20 + float(i) * 1.2f, Hex(0xf0f0f0), 1);
  const Font font(fontFolder + "/DejaVuSans-Bold.ttf");
  const Image word = TextMask(font, "REVERB", 12, 46, 32, 0.5f);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 46; ++x) img.Blend(38 + x, y, Hex(0xffb060), word.At(x, y).a);
  return img;
}

Image WindowIcon(int size) {
  // The player's ship in profile, nose to the right, on a dark disc with an orange ring,
  // drawn on a 32-unit grid scaled to the size; edges stay one pixel soft at every size.
  const float k = float(size) / 32.0f;
  Image img(size, size, {0, 0, 0, 0});
  img.FillCircle(16 * k, 16 * k, 15 * k, Hex(0xff7a20), 1);
  img.FillCircle(16 * k, 16 * k, 13 * k, Hex(0x0c1830), 1);
  img.Line(12 * k, 16 * k, 7 * k, 23 * k, 2.5f * k, Hex(0x8e98a6));
  img.Line(12 * k, 15 * k, 7 * k, 8 * k, 2.5f * k, Hex(0x8e98a6));
  img.Line(6 * k, 16 * k, 26 * k, 15.5f * k, 4 * k, Hex(0xd0d6de));
  img.FillCircle(18 * k, 14.5f * k, 2 * k, Hex(0x4fc3ff), 1);
  img.FillCircle(5.5f * k, 16 * k, 2 * k, Hex(0x9fe8ff), 1);
  return img;
}

std::string PixelHeader(const Image& image, const std::string& name) {
  const KOR::ArgbImage argb = image.ToArgb();
  std::string text = "#pragma once\n// Generated by zubra-content; pixels 0xAARRGGBB, rows from the top.\n#include <cstdint>\n\n";
  text += "inline constexpr int k" + name + "Width = " + std::to_string(argb.width) + ";\n";
  text += "inline constexpr int k" + name + "Height = " + std::to_string(argb.height) + ";\n";
  text += "inline constexpr uint32_t k" + name + "Pixels[] = {\n";
  char word[16];
  for (size_t i = 0; i < argb.pixels.size(); ++i) {
    std::snprintf(word, sizeof word, "0x%08X,", argb.pixels[i]);
    text += word;
    text += (i % 8 == 7) ? "\n" : " ";
  }
  text += "};\n";
  return text;
}

}  // namespace Content
