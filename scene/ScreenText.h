#pragma once
// A string laid out as one screen overlay per character, from a font texture of 16 × 16
// glyph cells. Space, tab, line feed and bell (which sets the tab width from the two
// decimal digits after it) move the cursor; every other character is a glyph.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/ScreenOverlay.h"

namespace KOR {

class ScreenText {
public:
  ScreenText() = default;
  ScreenText(const ScreenText&) = delete;
  ScreenText& operator=(const ScreenText&) = delete;
  ~ScreenText() { Clear(); }

  // Rebuilds the glyphs from text and adds them, in order, to batch (whose aspect sets
  // the glyph width; without a batch, square glyphs).
  void Layout(OverlayBatch* batch);
  // Takes the glyphs out of their batch and destroys them.
  void Clear();

  std::vector<std::unique_ptr<ScreenOverlay>> glyphs;
  Colour colour{1, 1, 1, 1};
  float charSize = 0.025f;
  int32_t layer = 0;
  float x = 0.0f, y = 0.0f;
  std::string text;
  float spacing = 0.0f;  // extra advance after each character, in glyph widths
  RenderPass* material = nullptr;
};

}  // namespace KOR
