#pragma once
// Flat art: the HUD images, the menu images, the glyph font, the options dialog's reverb
// badge and the window icon. Text is rendered from DejaVu with stb_truetype.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/content/Image.h"
#include "tools/content/Textures.h"

namespace Content {

std::vector<NamedFile> HudTextures();
// fontFolder holds DejaVuSans-Bold.ttf (the menu's lettering) and DejaVuSansMono-Bold.ttf
// (the glyph atlas).
std::vector<NamedFile> MenuTextures(const std::string& fontFolder);
// text.kor.texture: a 16 x 16 grid of 32 x 32 cells, one per Windows-1252 code, every
// glyph placed by the one advance all share.
Image GlyphFont(const std::string& fontFolder);
// The cell of code c, for layout tests: pixels (x0, y0) to (x1, y1), exclusive.
struct Cell {
  int x0, y0, x1, y1;
};
Cell GlyphCell(int code);
constexpr int kFontSize = 512;

Image ReverbBadge(const std::string& fontFolder);  // 86 x 32
// The program's icon, size x size (32 for the window; 16 to 256 for the desktop).
Image WindowIcon(int size = 32);
inline constexpr int kDesktopIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
// A C++ header holding an image as 0xAARRGGBB values, rows from the top.
std::string PixelHeader(const Image& image, const std::string& name);

}  // namespace Content
