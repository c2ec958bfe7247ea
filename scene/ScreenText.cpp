#include "scene/ScreenText.h"

#include <cctype>


namespace KOR {
namespace {

constexpr char kBell = 7, kTab = 9, kLineFeed = 10, kSpace = 32;
constexpr int kDefaultTabWidth = 4;

bool Digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

void ScreenText::Layout(OverlayBatch* batch) {
  Clear();
  const float aspect = batch ? batch->aspect : 1.0f;
  const float w = charSize / aspect;
  const float advance = (spacing + 1.0f) * w;
  float cx = x, cy = y;
  int k = 0, tabWidth = kDefaultTabWidth;
  const size_t length = text.size();
  for (size_t i = 0; i < length; ++i) {
    const char ch = text[i];
    switch (ch) {
      case kSpace:
        ++k;
        cx += advance;
        break;
      case kTab:
        // Tab stops are columns of the text itself, measured from its x.
        k += tabWidth - k % tabWidth;
        cx = x + float(k) * advance;
        break;
      case kLineFeed:
        cy += charSize;
        cx = x;
        k = 0;
        break;
      case kBell: {
        // Only a bell with two digits after it sets the width, and only to a usable
        // one; an incomplete bell is skipped and what follows it is laid out as usual.
        if (i + 2 >= length || !Digit(text[i + 1]) || !Digit(text[i + 2])) break;
        const int width = 10 * (text[i + 1] - '0') + (text[i + 2] - '0');
        if (width > 0) tabWidth = width;
        i += 2;
        break;
      }
      default: {
        auto glyph = std::make_unique<ScreenOverlay>();
        glyph->SetRect(cx, cy, cx + w, cy + charSize);
        glyph->SetGlyph(static_cast<unsigned char>(ch));
        glyph->colour = colour;
        glyph->layer = layer;
        glyph->material = material;
        glyphs.push_back(std::move(glyph));
        ++k;
        cx += advance;
      }
    }
  }
  if (batch)
    for (auto& glyph : glyphs) batch->Add(glyph.get());
}

void ScreenText::Clear() {
  // Each glyph leaves its batch as it goes.
  glyphs.clear();
}

}  // namespace KOR
