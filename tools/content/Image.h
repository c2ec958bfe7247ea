#pragma once
// Float images for our procedural textures, with the noise and drawing helpers the
// generators share, and the conversions into the engine's two texture files.

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/TextureFormats.h"

namespace Content {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};
Rgba operator+(Rgba x, Rgba y);
Rgba operator*(Rgba x, float s);
Rgba Mix(Rgba x, Rgba y, float t);
Rgba Hex(uint32_t rgb, float alpha = 1);

class Image {
public:
  Image(int width, int height, Rgba fill = {0, 0, 0, 1});
  int Width() const { return width; }
  int Height() const { return height; }
  Rgba& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  const Rgba& At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // Wrapping look-up, for tileable filters.
  const Rgba& Wrap(int x, int y) const;
  // Bilinear, wrapping, u and v from 0 to 1.
  Rgba Sample(float u, float v) const;
  // Blends colour over the pixel with coverage a (0 to 1).
  void Blend(int x, int y, Rgba colour, float coverage);
  void FillRect(float x0, float y0, float x1, float y1, Rgba colour, float soft = 0);
  void FillCircle(float cx, float cy, float radius, Rgba colour, float soft = 1);
  void Line(float x0, float y0, float x1, float y1, float width, Rgba colour);

  KOR::ArgbImage ToArgb() const;
  std::vector<uint8_t> Tga(bool alpha) const;
  // 8-bit RGBA PNG, as desktop icons are installed.
  std::vector<uint8_t> Png() const;
  // A palettized engine texture; colours are first reduced to `levels` steps per channel
  // so the palette stays small.
  std::vector<uint8_t> EngineTexture(int levels) const;

  std::vector<Rgba> pixels;

private:
  int width, height;
};

// Deterministic value noise and its sums, tileable with the given period in cells.
float Hash(int x, int y, uint32_t seed);
float ValueNoise(float x, float y, int period, uint32_t seed);
float Fbm(float x, float y, int period, int octaves, uint32_t seed);
// Distance to the nearest of a tileable grid of jittered points (cell pattern).
float Cells(float x, float y, int period, uint32_t seed);

// A tangent-space normal map from a height field (height in the red channel, 0 to 1),
// wrapping at the edges; strength scales the slopes.
Image NormalMap(const Image& height, float strength);

float Clamp01(float v);
float Smooth(float e0, float e1, float x);

}  // namespace Content
