#include "tools/content/Textures.h"

#include <algorithm>
#include <cmath>

#include "tools/content/Image.h"
#include "tools/content/Models.h"

namespace Content {

namespace {

constexpr int kSize = 256;
constexpr float kPi = float(M_PI);

// The four maps of one material, built side by side.
struct MapSet {
  Image diffuse{kSize, kSize}, height{kSize, kSize}, specular{kSize, kSize}, emissive{kSize, kSize};
};

struct Livery {
  uint32_t base, panel, accent, glow, lights;
  uint32_t seed;
  float grime;
};

bool In(const UvRect& r, float u, float v) { return u >= r.u0 && u < r.u1 && v >= r.v0 && v < r.v1; }

// Panels by splitting the hull rectangle a few times: each pixel learns the distance to
// the nearest seam and which panel it lies in.
struct PanelHit {
  float seam;
  int id;
};
PanelHit Panels(float x, float y, float x0, float y0, float x1, float y1, uint32_t seed, int depth, int id) {
  if (depth == 0 || (x1 - x0) < 20 || (y1 - y0) < 20) {
    return {std::min({x - x0, x1 - x, y - y0, y1 - y}), id};
  }
  const bool vertical = (x1 - x0) > (y1 - y0) ? Hash(id, depth, seed) < 0.8f : Hash(id, depth, seed) < 0.2f;
  const float t = 0.3f + 0.4f * Hash(id, depth + 7, seed);
  if (vertical) {
    const float cut = x0 + (x1 - x0) * t;
    return x < cut ? Panels(x, y, x0, y0, cut, y1, seed, depth - 1, id * 2) : Panels(x, y, cut, y0, x1, y1, seed, depth - 1, id * 2 + 1);
  }
  const float cut = y0 + (y1 - y0) * t;
  return y < cut ? Panels(x, y, x0, y0, x1, cut, seed, depth - 1, id * 2) : Panels(x, y, x0, cut, x1, y1, seed, depth - 1, id * 2 + 1);
}

MapSet VehicleMaps(const Livery& l) {
  using namespace AtlasRects;
  MapSet m;
  const Rgba base = Hex(l.base), panel = Hex(l.panel), accent = Hex(l.accent), glow = Hex(l.glow),
             lights = Hex(l.lights);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const float u = (float(x) + 0.5f) / kSize, v = (float(y) + 0.5f) / kSize;
      const float px = float(x) + 0.5f, py = float(y) + 0.5f;
      const float grime = Fbm(u * 8, v * 8, 8, 5, l.seed);
      Rgba d, e{0, 0, 0, 1};
      float h = 0.5f, s = 0.4f;
      if (In(Hull, u, v)) {
        const PanelHit p = Panels(px, py, 0, 0, Hull.u1 * kSize, kSize, l.seed, 6, 1);
        const float tone = Hash(p.id, 0, l.seed);
        d = Mix(base, panel, tone < 0.35f ? 1.0f : 0.0f);
        // A livery stripe across the middle and a darker belly.
        const float stripe = Smooth(0.02f, 0.0f, std::fabs(v - 0.42f) - 0.05f);
        d = Mix(d, accent, stripe);
        d = Mix(d, d * 0.55f, Smooth(0.7f, 1.0f, v));
        d = d * (1.0f - l.grime * (grime - 0.3f));
        const float seam = Smooth(0.0f, 1.6f, p.seam);
        h = 0.45f + 0.1f * tone + 0.4f * (seam - 1.0f) * 0.5f;
        d = d * (0.55f + 0.45f * seam);
        // Rivets along the seams.
        const float along = std::fmod(px + py, 7.0f);
        if (p.seam > 2.0f && p.seam < 3.4f && along < 1.6f) {
          h += 0.25f;
          d = d * 1.15f;
        }
        s = (0.35f + 0.35f * tone) * (0.6f + 0.4f * seam) * (1.1f - grime * 0.6f);
        // A few status lights on the hull.
        if (Hash(p.id, 3, l.seed) > 0.93f && p.seam > 3 && p.seam < 5) {
          e = lights * 0.9f;
          d = Mix(d, lights, 0.7f);
        }
      } else if (In(Glass, u, v)) {
        const float gv = (v - Glass.v0) / (Glass.v1 - Glass.v0);
        const float gu = (u - Glass.u0) / (Glass.u1 - Glass.u0);
        d = Mix(Hex(0x0a1830), Hex(0x3a6a9a), 1.0f - gv);
        const float streak = Smooth(0.06f, 0.0f, std::fabs(gu - gv * 0.6f - 0.25f));
        d = d + Rgba{0.5f, 0.6f, 0.7f, 0} * streak;
        const float frame = std::min({gu, 1 - gu, gv, 1 - gv});
        if (frame < 0.05f) d = Hex(0x202428);
        h = frame < 0.05f ? 0.7f : 0.5f;
        s = 0.95f;
        e = Rgba{0.02f, 0.05f, 0.08f, 1};
      } else if (In(Engine, u, v)) {
        const float gu = (u - Engine.u0) / (Engine.u1 - Engine.u0) - 0.5f;
        const float gv = (v - Engine.v0) / (Engine.v1 - Engine.v0) - 0.5f;
        const float r = std::sqrt(gu * gu + gv * gv) * 2.0f;
        const float ring = 0.5f + 0.5f * std::sin(r * 40.0f);
        const float core = Smooth(0.9f, 0.0f, r);
        d = Mix(glow, Rgba{1, 1, 1, 1}, core * core) * (0.7f + 0.3f * ring);
        e = d;
        s = 0.2f;
        h = 0.5f + 0.1f * ring;
      } else if (In(Machinery, u, v)) {
        const float mu = (u - Machinery.u0) / (Machinery.u1 - Machinery.u0);
        const float mv = (v - Machinery.v0) / (Machinery.v1 - Machinery.v0);
        const float ribs = 0.5f + 0.5f * std::sin(mv * kPi * 24);
        const float block = Hash(int(mu * 4), int(mv * 3), l.seed + 3);
        d = Mix(Hex(0x2a2d33), Hex(0x5b6068), block * 0.6f + ribs * 0.3f);
        d = d * (0.8f + 0.3f * grime);
        h = 0.3f + 0.4f * ribs;
        s = 0.55f + 0.3f * ribs;
      } else {
        const float lu = (u - Lights.u0) / (Lights.u1 - Lights.u0);
        const float lv = (v - Lights.v0) / (Lights.v1 - Lights.v0);
        const int col = int(lu * 8), row = int(lv * 6);
        const float cu = lu * 8 - float(col), cv = lv * 6 - float(row);
        const bool window = cu > 0.2f && cu < 0.8f && cv > 0.25f && cv < 0.75f;
        const bool lit = Hash(col, row, l.seed + 11) > 0.25f;
        d = Hex(0x1c1f24);
        if (window) {
          d = lit ? lights : Hex(0x101820);
          if (lit) e = lights;
        }
        h = window ? 0.35f : 0.55f;
        s = window ? 0.9f : 0.3f;
      }
      m.diffuse.At(x, y) = {d.r, d.g, d.b, 1};
      m.height.At(x, y) = {h, h, h, 1};
      m.specular.At(x, y) = {Clamp01(s), Clamp01(s), Clamp01(s), 1};
      m.emissive.At(x, y) = {e.r, e.g, e.b, 1};
    }
  return m;
}

void Emit(std::vector<NamedFile>& out, const std::string& name, const MapSet& m, float bump, bool emissive) {
  out.push_back({name + "_d.tga", m.diffuse.Tga(false)});
  out.push_back({name + "_n.tga", NormalMap(m.height, bump).Tga(false)});
  out.push_back({name + "_s.tga", m.specular.Tga(false)});
  if (emissive) out.push_back({name + "_e.tga", m.emissive.Tga(false)});
}

}  // namespace

std::vector<NamedFile> ModelTextures() {
  std::vector<NamedFile> out;
  Emit(out, "player", VehicleMaps({0xc8ccd2, 0x8e98a6, 0xe06a18, 0x4fc3ff, 0x9fe8ff, 1, 0.35f}), 6, true);
  Emit(out, "drone", VehicleMaps({0x6a4a52, 0x3e3238, 0xc8a040, 0xff5030, 0xffa060, 2, 0.5f}), 6, true);
  MapSet stinger = VehicleMaps({0xd8b020, 0x2a2a2e, 0x1a1a1a, 0xff8020, 0xfff0a0, 3, 0.4f});
  Emit(out, "stinger", stinger, 6, true);
  // The red stinger shares every map but the skin.
  out.push_back({"stinger_red_d.tga", VehicleMaps({0xb02020, 0x401418, 0xf0f0f0, 0xff8020, 0xfff0a0, 3, 0.4f})
                                          .diffuse.Tga(false)});
  Emit(out, "warden", VehicleMaps({0x5e6a4a, 0x3c4434, 0xd0d0c0, 0x60ff90, 0xb0ffb0, 4, 0.55f}), 6, true);
  Emit(out, "boss", VehicleMaps({0x8a909c, 0x5a5f6a, 0xb01818, 0xff3020, 0xff9040, 5, 0.45f}), 8, true);
  return out;
}

std::vector<NamedFile> SceneryTextures() {
  std::vector<NamedFile> out;
  // Rock: strata bands broken by cracks.
  {
    MapSet m;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const float u = float(x) / kSize, v = float(y) / kSize;
        const float n = Fbm(u * 4, v * 4, 4, 6, 41);
        const float broad = Fbm(u * 2, v * 2, 2, 3, 43);
        // Strata bent by the noise, broken into blocks by cracks between cells.
        const float strata = 0.5f + 0.5f * std::sin((v + 0.35f * n + 0.2f * broad) * kPi * 6);
        // Cracks along the ridges of a second noise, thin and branching.
        const float ridge = 1 - std::fabs(2 * Fbm(u * 3, v * 3, 3, 5, 44) - 1);
        const float crack = 1 - Smooth(0.965f, 0.995f, ridge) * 0.85f;
        const float speckle = Hash(x, y, 45);
        Rgba d = Mix(Hex(0x6e3820), Hex(0xd09058), strata * 0.55f + n * 0.3f + broad * 0.15f);
        d = Mix(d, Hex(0x9a8a78), Smooth(0.6f, 0.8f, broad) * 0.5f);
        d = d * (0.65f + 0.35f * crack) * (0.8f + 0.35f * n) * (0.92f + 0.16f * speckle);
        const float h = 0.3f * strata + 0.5f * n + 0.2f * crack;
        m.diffuse.At(x, y) = d;
        m.height.At(x, y) = {h, h, h, 1};
        const float s = 0.12f + 0.1f * n;
        m.specular.At(x, y) = {s, s, s, 1};
      }
    Emit(out, "rock", m, 10, false);
  }
  // Sand: ripples and pebbles.
  {
    MapSet m;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const float u = float(x) / kSize, v = float(y) / kSize;
        const float n = Fbm(u * 8, v * 8, 8, 5, 51);
        const float ripple = 0.5f + 0.5f * std::sin((u * 14 + n * 3) * kPi * 2);
        const float pebble = Smooth(0.22f, 0.12f, Cells(u * 16, v * 16, 16, 52));
        Rgba d = Mix(Hex(0xb07a4a), Hex(0xd8a870), ripple * 0.4f + n * 0.6f);
        d = Mix(d, Hex(0x6a4a38), pebble * 0.7f);
        const float h = 0.3f * ripple + 0.4f * n + 0.4f * pebble;
        m.diffuse.At(x, y) = d;
        m.height.At(x, y) = {h, h, h, 1};
        m.specular.At(x, y) = {0.08f, 0.08f, 0.08f, 1};
      }
    Emit(out, "sand", m, 6, false);
  }
  // City: concrete floors with window bands, a third of them lit.
  {
    MapSet m;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const float u = float(x) / kSize, v = float(y) / kSize;
        const int col = x / 16, row = y / 32;
        const float cu = float(x % 16) / 16, cv = float(y % 32) / 32;
        const bool window = cu > 0.15f && cu < 0.85f && cv > 0.3f && cv < 0.8f;
        const float n = Fbm(u * 8, v * 8, 8, 4, 61);
        const float lit = Hash(col, row, 62);
        Rgba d = Mix(Hex(0x5a5e66), Hex(0x8a8e96), n);
        Rgba e{0, 0, 0, 1};
        float h = 0.6f, s = 0.15f;
        if (window) {
          const Rgba warm = lit > 0.8f ? Hex(0x9fd8ff) : Hex(0xffc870);
          d = lit > 0.55f ? warm : Hex(0x182030);
          if (lit > 0.55f) e = warm * (0.7f + 0.3f * Hash(col, row, 63));
          h = 0.3f;
          s = 0.9f;
        } else if (cv > 0.9f) {
          h = 0.75f;
          d = d * 0.8f;
        }
        m.diffuse.At(x, y) = d;
        m.height.At(x, y) = {h, h, h, 1};
        m.specular.At(x, y) = {s, s, s, 1};
        m.emissive.At(x, y) = e;
      }
    Emit(out, "city", m, 5, true);
  }
  // Station: plates with bolts, hazard stripes and strip lights.
  {
    MapSet m;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        const float u = float(x) / kSize, v = float(y) / kSize;
        const float px = float(x % 64), py = float(y % 64);
        const float seam = std::min({px, 64 - px, py, 64 - py});
        const float n = Fbm(u * 8, v * 8, 8, 4, 71);
        const float tone = Hash(x / 64, y / 64, 72);
        Rgba d = Mix(Hex(0x4c525c), Hex(0x7a828e), tone * 0.6f + n * 0.4f);
        float h = 0.5f + 0.1f * tone, s = 0.5f + 0.2f * tone;
        Rgba e{0, 0, 0, 1};
        if (seam < 2) {
          d = d * 0.4f;
          h = 0.2f;
        }
        const float bx = std::fmod(px, 32.0f) - 6, by = py - 6;
        if (bx * bx + by * by < 5) {
          h = 0.8f;
          d = d * 1.2f;
        }
        if (y / 64 == 2 && py > 40 && py < 56) {  // hazard band
          d = (int((px + py) / 8) % 2) ? Hex(0xe0b020) : Hex(0x202020);
          h = 0.55f;
        }
        if (y / 64 == 0 && py > 26 && py < 34 && px > 8 && px < 56) {  // strip light
          d = Hex(0xbfe8ff);
          e = Hex(0x9fdcff);
          h = 0.7f;
          s = 0.2f;
        }
        m.diffuse.At(x, y) = d;
        m.height.At(x, y) = {h, h, h, 1};
        m.specular.At(x, y) = {s, s, s, 1};
        m.emissive.At(x, y) = e;
      }
    Emit(out, "station", m, 6, true);
  }
  return out;
}

std::vector<NamedFile> EffectTextures() {
  std::vector<NamedFile> out;
  const int size = 128;
  // Seven fireball frames: a white-hot core that swells, cools to orange and red and
  // breaks up into smoke. Colour fades with alpha, so additive and alpha blending agree.
  for (int f = 0; f < 7; ++f) {
    const float t = float(f) / 6.0f;
    Image img(size, size, {0, 0, 0, 0});
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const float dx = (float(x) + 0.5f) / size - 0.5f, dy = (float(y) + 0.5f) / size - 0.5f;
        const float r = std::sqrt(dx * dx + dy * dy) * 2;
        const float a = std::atan2(dy, dx);
        const float billow = Fbm(std::cos(a) * 2 + 4 + t * 2, std::sin(a) * 2 + 4 + r * 3 - t * 3, 64, 5, 100);
        const float radius = 0.35f + 0.55f * std::sqrt(t);
        const float body = Smooth(radius, radius * (0.55f + 0.3f * billow), r + (billow - 0.5f) * 0.35f);
        const float heat = Clamp01((1 - r / radius) * (1.4f - t) + billow * 0.3f - t * 0.4f);
        Rgba c = Mix(Hex(0x401008), Hex(0xff5a10), Smooth(0.0f, 0.4f, heat));
        c = Mix(c, Hex(0xffd060), Smooth(0.35f, 0.7f, heat));
        c = Mix(c, Rgba{1, 1, 0.9f, 1}, Smooth(0.7f, 1.0f, heat));
        c = Mix(c, Hex(0x3a3230), Smooth(0.5f, 1.0f, t) * Smooth(0.6f, 0.2f, heat));
        // The last frames thin out as the fire burns away.
        const float alpha = Clamp01(body * (1.0f - 0.8f * t * t) * (1.0f - 0.5f * t * Smooth(0.3f, 0.8f, billow)));
        img.At(x, y) = {c.r * alpha, c.g * alpha, c.b * alpha, alpha};
      }
    out.push_back({"exp" + std::to_string(f + 1) + ".tga", img.Tga(true)});
  }
  {
    Image img(size, size, {0, 0, 0, 0});
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const float dx = (float(x) + 0.5f) / size - 0.5f, dy = (float(y) + 0.5f) / size - 0.5f;
        const float r = std::sqrt(dx * dx + dy * dy) * 2;
        const float n = Fbm(float(x) / 16, float(y) / 16, 8, 5, 120);
        const float alpha = Clamp01(Smooth(1.0f, 0.3f, r + (n - 0.5f) * 0.6f) * (0.5f + 0.6f * n));
        const float g = 0.35f + 0.35f * n;
        img.At(x, y) = {g * alpha, g * alpha, g * alpha * 1.05f, alpha};
      }
    out.push_back({"smoke.tga", img.Tga(true)});
  }
  {
    const int s = 64;
    Image img(s, s, {0, 0, 0, 0});
    for (int y = 0; y < s; ++y)
      for (int x = 0; x < s; ++x) {
        const float dx = (float(x) + 0.5f) / s - 0.5f, dy = (float(y) + 0.5f) / s - 0.5f;
        const float r = std::sqrt(dx * dx + dy * dy) * 2;
        const float a = std::atan2(dy, dx);
        const float rays = std::pow(std::fabs(std::cos(a * 3)), 12.0f) * Smooth(1.0f, 0.2f, r);
        const float core = std::exp(-r * r * 12);
        const float glow = Smooth(1.0f, 0.0f, r) * 0.5f;
        const float v = Clamp01(core + rays * 0.8f + glow * 0.6f);
        const Rgba c = Mix(Hex(0xff2010), Rgba{1, 0.9f, 0.8f, 1}, core);
        img.At(x, y) = {c.r * v, c.g * v, c.b * v, v};
      }
    out.push_back({"red_energy.tga", img.Tga(true)});
  }
  {
    // The shot streak: u along its length, v across.
    Image img(128, 32, {0, 0, 0, 0});
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 128; ++x) {
        const float u = (float(x) + 0.5f) / 128, v = (float(y) + 0.5f) / 32 - 0.5f;
        const float along = Smooth(0.0f, 0.35f, u) * Smooth(1.0f, 0.85f, u);
        const float core = std::exp(-v * v * 200), halo = std::exp(-v * v * 25) * 0.5f;
        const float a = Clamp01((core + halo) * along);
        const float white = Clamp01(core * 1.2f);
        const Rgba c = Mix(Rgba{0.6f, 0.8f, 1, 1}, Rgba{1, 1, 1, 1}, white);
        img.At(x, y) = {c.r * a, c.g * a, c.b * a, a};
      }
    out.push_back({"bullet1.tga", img.Tga(true)});
  }
  return out;
}

}  // namespace Content

namespace Content {

std::vector<NamedFile> SkyTextures() {
  // Each sky is added onto the frame's clear colour (also the fog colour), so a texel is
  // the wanted colour less that one; the rows below the camera's height fade to black,
  // where the fogged scenery meets the clear colour. They tile across.
  const Rgba clear{0.1f, 0.12f, 0.15f, 1};
  const int size = 512;
  auto added = [&](Rgba wanted) {
    return Rgba{std::max(0.0f, wanted.r - clear.r), std::max(0.0f, wanted.g - clear.g), std::max(0.0f, wanted.b - clear.b), 1};
  };
  auto horizon = [](float v) { return Smooth(kSkyBlackFrom, 0.5f, v); };  // 1 above the camera, 0 below
  std::vector<NamedFile> out;
  {
    // Canyon dusk: indigo overhead, rose, then an orange glow low down, with thin clouds
    // lit from below.
    Image img(size, size);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const float u = float(x) / float(size), v = float(y) / float(size);
        Rgba c = Mix(Hex(0x1c1a44), Hex(0x6a3a62), Smooth(0.05f, 0.35f, v));
        c = Mix(c, Hex(0xe07a3a), Smooth(0.3f, 0.5f, v));
        const float cloud = Smooth(0.55f, 0.8f, Fbm(u * 8, v * 24, 8, 5, 501)) * Smooth(0.15f, 0.3f, v) * Smooth(0.5f, 0.4f, v);
        c = Mix(c, Hex(0xffb070), cloud * 0.6f);
        img.At(x, y) = added(Mix(clear, c, horizon(v)));
      }
    out.push_back({"sky_canyon.tga", img.Tga(false)});
  }
  {
    // City haze: a grey-teal murk in layers, warm with the city's light near the horizon.
    Image img(size, size);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const float u = float(x) / float(size), v = float(y) / float(size);
        Rgba c = Mix(Hex(0x1e2a34), Hex(0x4a5a60), Smooth(0.0f, 0.4f, v));
        c = Mix(c, Hex(0x9a8060), Smooth(0.32f, 0.52f, v));
        const float streak = Fbm(u * 4, v * 40, 4, 4, 511);
        c = c * (0.85f + 0.3f * streak);
        img.At(x, y) = added(Mix(clear, c, horizon(v)));
      }
    out.push_back({"sky_city.tga", img.Tga(false)});
  }
  {
    // Station starfield: a faint nebula and stars of a few brightnesses and tints.
    Image img(size, size);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const float u = float(x) / float(size), v = float(y) / float(size);
        const float nebula = Smooth(0.5f, 0.85f, Fbm(u * 4, v * 4, 4, 5, 521));
        Rgba c = Mix(Hex(0x06080e), Hex(0x3a2860), nebula * 0.7f);
        c = Mix(c, Hex(0x184060), Smooth(0.6f, 0.9f, Fbm(u * 3, v * 3, 3, 4, 522)) * 0.5f);
        img.At(x, y) = added(Mix(clear, c, horizon(v)));
      }
    for (int star = 0; star < 700; ++star) {
      const float x = Hash(star, 1, 530) * float(size), y = Hash(star, 2, 530) * float(size) * 0.6f;
      const float b = 0.35f + 0.65f * Hash(star, 3, 530) * Hash(star, 4, 530);
      const Rgba tint = Mix(Hex(0xa0c0ff), Hex(0xfff0d0), Hash(star, 5, 530));
      const float radius = b > 0.8f ? 1.1f : 0.7f;
      img.FillCircle(x, y, radius, tint * (b * horizon(y / float(size))), 0.8f);
    }
    out.push_back({"sky_station.tga", img.Tga(false)});
  }
  return out;
}

}  // namespace Content
