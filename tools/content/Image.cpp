#include "tools/content/Image.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>

namespace Content {

Rgba operator+(Rgba x, Rgba y) { return {x.r + y.r, x.g + y.g, x.b + y.b, x.a + y.a}; }
Rgba operator*(Rgba x, float s) { return {x.r * s, x.g * s, x.b * s, x.a * s}; }
Rgba Mix(Rgba x, Rgba y, float t) { return x * (1 - t) + y * t; }
Rgba Hex(uint32_t rgb, float alpha) {
  return {float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f, float(rgb & 255) / 255.0f, alpha};
}
float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float Smooth(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

Image::Image(int w, int h, Rgba fill) : pixels(size_t(w) * size_t(h), fill), width(w), height(h) {}

const Rgba& Image::Wrap(int x, int y) const {
  x = ((x % width) + width) % width;
  y = ((y % height) + height) % height;
  return At(x, y);
}

Rgba Image::Sample(float u, float v) const {
  const float x = u * float(width) - 0.5f, y = v * float(height) - 0.5f;
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  const float fx = x - float(x0), fy = y - float(y0);
  return Mix(Mix(Wrap(x0, y0), Wrap(x0 + 1, y0), fx), Mix(Wrap(x0, y0 + 1), Wrap(x0 + 1, y0 + 1), fx), fy);
}

void Image::Blend(int x, int y, Rgba colour, float coverage) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const float a = Clamp01(coverage * colour.a);
  Rgba& p = At(x, y);
  p.r = p.r * (1 - a) + colour.r * a;
  p.g = p.g * (1 - a) + colour.g * a;
  p.b = p.b * (1 - a) + colour.b * a;
  p.a = p.a * (1 - a) + a;
}

void Image::FillRect(float x0, float y0, float x1, float y1, Rgba colour, float soft) {
  const int ix0 = std::max(0, int(std::floor(x0 - soft))), ix1 = std::min(width - 1, int(std::ceil(x1 + soft)));
  const int iy0 = std::max(0, int(std::floor(y0 - soft))), iy1 = std::min(height - 1, int(std::ceil(y1 + soft)));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float px = float(x) + 0.5f, py = float(y) + 0.5f;
      const float d = std::max({x0 - px, px - x1, y0 - py, py - y1});
      const float c = soft > 0 ? Clamp01(0.5f - d / soft) : (d <= 0 ? 1.0f : 0.0f);
      if (c > 0) Blend(x, y, colour, c);
    }
}

void Image::FillCircle(float cx, float cy, float radius, Rgba colour, float soft) {
  const int ix0 = std::max(0, int(cx - radius - soft - 1)), ix1 = std::min(width - 1, int(cx + radius + soft + 1));
  const int iy0 = std::max(0, int(cy - radius - soft - 1)), iy1 = std::min(height - 1, int(cy + radius + soft + 1));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy) - radius;
      const float c = Clamp01(0.5f - d / std::max(soft, 1e-3f));
      if (c > 0) Blend(x, y, colour, c);
    }
}

void Image::Line(float x0, float y0, float x1, float y1, float w, Rgba colour) {
  const float dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-6f);
  const int ix0 = std::max(0, int(std::min(x0, x1) - w - 1)), ix1 = std::min(width - 1, int(std::max(x0, x1) + w + 1));
  const int iy0 = std::max(0, int(std::min(y0, y1) - w - 1)), iy1 = std::min(height - 1, int(std::max(y0, y1) + w + 1));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const float px = float(x) + 0.5f - x0, py = float(y) + 0.5f - y0;
      const float t = std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f);
      const float d = std::hypot(px - t * dx, py - t * dy) - w * 0.5f;
      const float c = Clamp01(0.5f - d);
      if (c > 0) Blend(x, y, colour, c);
    }
}

KOR::ArgbImage Image::ToArgb() const {
  KOR::ArgbImage out;
  out.width = width;
  out.height = height;
  out.pixels.reserve(pixels.size());
  for (const Rgba& p : pixels) {
    auto byte = [](float v) { return uint32_t(std::lround(Clamp01(v) * 255.0f)); };
    out.pixels.push_back(byte(p.a) << 24 | byte(p.r) << 16 | byte(p.g) << 8 | byte(p.b));
  }
  return out;
}

std::vector<uint8_t> Image::Tga(bool alpha) const { return KOR::WriteTga(ToArgb(), alpha ? 32 : 24); }

std::vector<uint8_t> Image::Png() const {
  const KOR::ArgbImage argb = ToArgb();
  std::vector<uint8_t> rgba(argb.pixels.size() * 4);
  for (size_t i = 0; i < argb.pixels.size(); ++i) {
    const uint32_t p = argb.pixels[i];
    rgba[i * 4] = uint8_t(p >> 16), rgba[i * 4 + 1] = uint8_t(p >> 8), rgba[i * 4 + 2] = uint8_t(p), rgba[i * 4 + 3] = uint8_t(p >> 24);
  }
  std::vector<uint8_t> png;
  auto append = [](void* out, void* data, int size) {
    auto* bytes = static_cast<uint8_t*>(data);
    static_cast<std::vector<uint8_t>*>(out)->insert(static_cast<std::vector<uint8_t>*>(out)->end(), bytes, bytes + size);
  };
  if (!stbi_write_png_to_func(append, &png, width, height, 4, rgba.data(), width * 4)) png.clear();
  return png;
}

std::vector<uint8_t> Image::EngineTexture(int levels) const {
  KOR::ArgbImage argb = ToArgb();
  const float step = 255.0f / float(levels - 1);
  for (uint32_t& p : argb.pixels) {
    uint32_t q = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const float c = float((p >> shift) & 255);
      q |= uint32_t(std::lround(std::round(c / step) * step)) << shift;
    }
    p = q;
  }
  return KOR::WriteEngineTexture(KOR::Palettize(argb));
}

float Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

float ValueNoise(float x, float y, int period, uint32_t seed) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  float fx = x - float(x0), fy = y - float(y0);
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  auto h = [&](int i, int j) { return Hash(((i % period) + period) % period, ((j % period) + period) % period, seed); };
  const float a = h(x0, y0), b = h(x0 + 1, y0), c = h(x0, y0 + 1), d = h(x0 + 1, y0 + 1);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

float Fbm(float x, float y, int period, int octaves, uint32_t seed) {
  float sum = 0, amplitude = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * ValueNoise(x, y, period, seed + uint32_t(o) * 7919u);
    norm += amplitude;
    amplitude *= 0.5f;
    x *= 2, y *= 2, period *= 2;
  }
  return sum / norm;
}

float Cells(float x, float y, int period, uint32_t seed) {
  const int cx = int(std::floor(x)), cy = int(std::floor(y));
  float best = 10;
  for (int j = -1; j <= 1; ++j)
    for (int i = -1; i <= 1; ++i) {
      const int gx = cx + i, gy = cy + j;
      const int wx = ((gx % period) + period) % period, wy = ((gy % period) + period) % period;
      const float px = float(gx) + Hash(wx, wy, seed), py = float(gy) + Hash(wx, wy, seed + 1);
      best = std::min(best, std::hypot(px - x, py - y));
    }
  return best;
}

Image NormalMap(const Image& height, float strength) {
  Image out(height.Width(), height.Height());
  for (int y = 0; y < height.Height(); ++y)
    for (int x = 0; x < height.Width(); ++x) {
      const float dx = (height.Wrap(x + 1, y).r - height.Wrap(x - 1, y).r) * strength;
      const float dy = (height.Wrap(x, y + 1).r - height.Wrap(x, y - 1).r) * strength;
      // The normal leans away from the rise: -u for a rise along u, -v along v.
      float nx = -dx, ny = -dy, nz = 1;
      const float l = std::sqrt(nx * nx + ny * ny + nz * nz);
      nx /= l, ny /= l, nz /= l;
      out.At(x, y) = {nx * 0.5f + 0.5f, ny * 0.5f + 0.5f, nz * 0.5f + 0.5f, 1};
    }
  return out;
}

}  // namespace Content
