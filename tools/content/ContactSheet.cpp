// zubra-contact-sheet ASSETS OUT.png: one picture of every mesh, rendered lit and
// textured as the game's camera sees it, and of every texture, all read back through
// the engine's own file readers, so what the sheet shows is what the game loads.
// zubra-contact-sheet --scene SOURCE ASSETS OUT.png: four views of the level from its
// camera (canyon, city, a fight in the station, the boss), with fog and the level's lights.
//
//   exit 0  written
//   exit 1  a file could not be read or the picture not written
//   exit 2  wrong usage
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <stb_easy_font.h>
#include <stb_image_write.h>

#include "core/Vector.h"
#include "game/hud/HudLayout.h"
#include "graphics/Mesh3DFFormat.h"
#include "graphics/TextureFormats.h"
#include "tools/content/Image.h"
#include "tools/content/LevelScene.h"
#include "tools/content/MeshKit.h"
#include "tools/ToolHelp.h"

namespace {

using Content::Image;
using Content::Rgba;
using Content::V3;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A texture through the engine's readers: .kor.texture first, then TGA.
bool LoadTexture(const std::filesystem::path& path, Image& out) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  int w = 0, h = 0;
  std::vector<uint8_t> pixels;
  KOR::EngineTextureView engine;
  KOR::TgaView tga;
  if (KOR::ParseEngineTexture(bytes.data(), bytes.size(), engine) == KOR::ReadResult::Accepted) {
    w = engine.header.width, h = engine.header.height;
    pixels.resize(size_t(w) * size_t(h) * 4);
    KOR::DecodeEngineTexture(engine, pixels.data());
  } else if (KOR::ParseTga(bytes.data(), bytes.size(), tga) == KOR::ReadResult::Accepted) {
    w = tga.header.width, h = tga.header.height;
    pixels.resize(size_t(w) * size_t(h) * 4);
    KOR::DecodeTga(tga, pixels.data());
  } else {
    return false;
  }
  out = Image(w, h);
  for (int i = 0; i < w * h; ++i) {
    const uint8_t* p = &pixels[size_t(i) * 4];
    out.pixels[size_t(i)] = {p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, p[3] / 255.0f};
  }
  return true;
}

void Label(Image& sheet, int x, int y, const std::string& text, Rgba colour) {
  static char buffer[60000];
  const int quads = stb_easy_font_print(0, 0, const_cast<char*>(text.c_str()), nullptr, buffer, sizeof buffer);
  const float* v = reinterpret_cast<const float*>(buffer);
  for (int q = 0; q < quads; ++q) {
    const float* quad = v + q * 16;  // four vertices of x, y, z, colour
    sheet.FillRect(float(x) + quad[0], float(y) + quad[1], float(x) + quad[8], float(y) + quad[9], colour);
  }
}

struct Material {
  Image diffuse{1, 1, {0.8f, 0.8f, 0.8f, 1}}, normal{1, 1, {0.5f, 0.5f, 1, 1}}, specular{1, 1, {0.3f, 0.3f, 0.3f, 1}},
      emissive{1, 1, {0, 0, 0, 1}};
};

// A small software renderer: perspective, depth buffer, the engine's culling (clockwise
// triangles on screen are dropped), normal, specular and glow maps, point or directional
// lights and squared-exponential fog, roughly as the per-vertex path shows a scene.
struct View {
  V3 eye, forward, up;
  float focal;
  int ox, oy, width, height;
};
struct Light {
  V3 position;  // a direction towards the light when range is 0
  V3 colour;
  float range;
};
struct Placement {
  KOR::Quaternion rotation;
  V3 position;
  float scale = 1;
};

V3 Turn(const KOR::Quaternion& q, V3 v) {
  const KOR::Vector3 r = KOR::Rotate(q, {v.x, v.y, v.z});
  return {r.x, r.y, r.z};
}

class Raster {
public:
  Raster(Image& target, const View& view) : target(target), view(view), depth(size_t(view.width) * size_t(view.height), 0) {
    right = Content::Norm(Content::Cross(view.up, view.forward));
    upward = Content::Cross(view.forward, right);
  }
  float fogDensity = 0;
  Rgba fogColour{0.1f, 0.12f, 0.15f, 1};

  void Draw(const KOR::Mesh3DFData& mesh, const Material& m, const Placement& at, const std::vector<Light>& lights) {
    struct Projected {
      float sx, sy, invw;
      V3 world, normal, tangent;
      bool front;
    };
    std::vector<Projected> p(mesh.vertices.size());
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
      const auto& v = mesh.vertices[i];
      const V3 world = at.position + Turn(at.rotation, V3{v.position[0], v.position[1], v.position[2]} * at.scale);
      const V3 rel = world - view.eye;
      const float x = Content::Dot(rel, right), y = Content::Dot(rel, upward), z = Content::Dot(rel, view.forward);
      p[i] = {float(view.ox) + float(view.width) * 0.5f + view.focal * x / std::max(z, 1e-3f),
              float(view.oy) + float(view.height) * 0.5f - view.focal * y / std::max(z, 1e-3f), 1.0f / std::max(z, 1e-3f),
              world, Turn(at.rotation, {v.normal[0], v.normal[1], v.normal[2]}),
              Turn(at.rotation, {v.tangent[0], v.tangent[1], v.tangent[2]}), z > 10};
    }
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
      const uint32_t i0 = mesh.indices[t], i1 = mesh.indices[t + 1], i2 = mesh.indices[t + 2];
      const Projected &a = p[i0], &b = p[i1], &c = p[i2];
      if (!a.front || !b.front || !c.front) continue;  // no near-plane clipping: the triangle goes
      // Screen y grows downwards here, so counter-clockwise on screen is a negative area.
      const float area = (b.sx - a.sx) * (c.sy - a.sy) - (c.sx - a.sx) * (b.sy - a.sy);
      if (area >= 0) continue;
      const int x0 = std::max(view.ox, int(std::floor(std::min({a.sx, b.sx, c.sx}))));
      const int x1 = std::min(view.ox + view.width - 1, int(std::ceil(std::max({a.sx, b.sx, c.sx}))));
      const int y0 = std::max(view.oy, int(std::floor(std::min({a.sy, b.sy, c.sy}))));
      const int y1 = std::min(view.oy + view.height - 1, int(std::ceil(std::max({a.sy, b.sy, c.sy}))));
      const auto &va = mesh.vertices[i0], &vb = mesh.vertices[i1], &vc = mesh.vertices[i2];
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          const float px = float(x) + 0.5f, py = float(y) + 0.5f;
          float w0 = ((b.sx - px) * (c.sy - py) - (c.sx - px) * (b.sy - py)) / area;
          float w1 = ((c.sx - px) * (a.sy - py) - (a.sx - px) * (c.sy - py)) / area;
          float w2 = 1 - w0 - w1;
          if (w0 < 0 || w1 < 0 || w2 < 0) continue;
          const float invw = w0 * a.invw + w1 * b.invw + w2 * c.invw;
          float& d = depth[size_t(y - view.oy) * size_t(view.width) + size_t(x - view.ox)];
          if (invw <= d) continue;
          d = invw;
          w0 *= a.invw / invw, w1 *= b.invw / invw, w2 *= c.invw / invw;
          const float u = va.texCoord[0] * w0 + vb.texCoord[0] * w1 + vc.texCoord[0] * w2;
          const float v = va.texCoord[1] * w0 + vb.texCoord[1] * w1 + vc.texCoord[1] * w2;
          const V3 world = a.world * w0 + b.world * w1 + c.world * w2;
          const V3 n = Content::Norm(a.normal * w0 + b.normal * w1 + c.normal * w2);
          const V3 tg = Content::Norm(a.tangent * w0 + b.tangent * w1 + c.tangent * w2);
          const V3 bt = Content::Cross(n, tg) * va.tangent[3];
          const Rgba nm = m.normal.Sample(u, v);
          const V3 bumped = Content::Norm(tg * (nm.r * 2 - 1) + bt * (nm.g * 2 - 1) + n * (nm.b * 2 - 1));
          const V3 toEye = Content::Norm(view.eye - world);
          const Rgba dif = m.diffuse.Sample(u, v), specular = m.specular.Sample(u, v), glow = m.emissive.Sample(u, v);
          V3 sum{0.08f, 0.09f, 0.11f}, shine{0, 0, 0};
          for (const Light& l : lights) {
            V3 to = l.position;
            float fall = 1;
            if (l.range > 0) {
              to = l.position - world;
              const float dist = Content::Len(to);
              if (dist > l.range) continue;
              fall = 1.0f / (1.0f + 3.98f * dist * dist / (l.range * l.range));
              to = to * (1.0f / std::max(dist, 1e-3f));
            }
            const float lambert = std::max(0.0f, Content::Dot(bumped, to)) * fall;
            sum = sum + l.colour * lambert;
            const float h = std::pow(std::max(0.0f, Content::Dot(bumped, Content::Norm(to + toEye))), 30.0f);
            shine = shine + l.colour * (h * fall * specular.r);
          }
          Rgba lit{dif.r * sum.x + shine.x + glow.r, dif.g * sum.y + shine.y + glow.g, dif.b * sum.z + shine.z + glow.b, 1};
          if (fogDensity > 0) {
            const float f = std::exp(-std::pow(fogDensity / invw, 2.0f));
            lit = Content::Mix(fogColour, lit, f);
          }
          target.At(x, y) = {Content::Clamp01(lit.r), Content::Clamp01(lit.g), Content::Clamp01(lit.b), 1};
        }
    }
  }

private:
  Image& target;
  View view;
  std::vector<float> depth;
  V3 right, upward;
};

// A turntable view of one mesh from the side the game's camera sees, turned a little.
void RenderMesh(Image& sheet, int ox, int oy, int size, const KOR::Mesh3DFData& mesh, const Material& m, V3 toCamera,
                V3 up) {
  const V3 right = Content::Cross(up, toCamera * -1.0f);
  const float yaw = 0.45f, pitch = 0.3f;
  V3 back = Content::Norm(toCamera * std::cos(yaw) - right * std::sin(yaw));
  back = Content::Norm(back * std::cos(pitch) + up * std::sin(pitch));
  V3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  for (const auto& v : mesh.vertices) {
    lo = {std::min(lo.x, v.position[0]), std::min(lo.y, v.position[1]), std::min(lo.z, v.position[2])};
    hi = {std::max(hi.x, v.position[0]), std::max(hi.y, v.position[1]), std::max(hi.z, v.position[2])};
  }
  const V3 centre = (lo + hi) * 0.5f;
  const float radius = Content::Len(hi - lo) * 0.5f;
  const View view{centre + back * (radius * 2.6f), back * -1.0f, up, float(size) * 1.15f, ox, oy, size, size};
  Raster raster(sheet, view);
  const V3 side = Content::Norm(Content::Cross(up, back));
  raster.Draw(mesh, m, {}, {{Content::Norm(back + up * 0.8f + side * 0.6f), {1.0f, 0.95f, 0.88f}, 0},
                            {Content::Norm(side * -1.0f + up * -0.3f), {0.18f, 0.22f, 0.3f}, 0}});
}

bool WritePng(const Image& image, const char* path);

bool LoadMesh(const std::filesystem::path& path, KOR::Mesh3DFData& mesh) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  KOR::Mesh3DFLayout layout;
  if (!KOR::ParseMesh3DF(bytes.data(), bytes.size(), layout)) return false;
  mesh.vertices.resize(size_t(layout.vertexCount));
  mesh.indices.resize(size_t(layout.indexCount));
  std::memcpy(mesh.vertices.data(), layout.vertices, mesh.vertices.size() * sizeof(KOR::Mesh3DFVertex));
  std::memcpy(mesh.indices.data(), layout.indices, mesh.indices.size() * 4);
  return true;
}

V3 FromKor(const KOR::Vector3& v) { return {v.x, v.y, v.z}; }

// Screen overlays as the game lays them out: rectangles from 0 to 1 across the screen,
// a texture rectangle, a colour, and the blend of the sprite kind.
enum class Blend { Alpha, Additive, Opaque };
struct Screen {
  int ox, oy, width, height;
};

void Overlay(Image& sheet, const Screen& s, const Image& tex, float x0, float y0, float x1, float y1, float u0, float v0,
             float u1, float v1, Rgba colour, Blend blend) {
  const int px0 = s.ox + int(std::lround(x0 * float(s.width))), px1 = s.ox + int(std::lround(x1 * float(s.width)));
  const int py0 = s.oy + int(std::lround(y0 * float(s.height))), py1 = s.oy + int(std::lround(y1 * float(s.height)));
  for (int y = std::max(py0, s.oy); y < std::min(py1, s.oy + s.height); ++y)
    for (int x = std::max(px0, s.ox); x < std::min(px1, s.ox + s.width); ++x) {
      const float fu = (float(x - px0) + 0.5f) / float(px1 - px0), fv = (float(y - py0) + 0.5f) / float(py1 - py0);
      const float u = std::clamp(u0 + (u1 - u0) * fu, 0.5f / float(tex.Width()), 1 - 0.5f / float(tex.Width()));
      const float v = std::clamp(v0 + (v1 - v0) * fv, 0.5f / float(tex.Height()), 1 - 0.5f / float(tex.Height()));
      const Rgba t = tex.Sample(u, v);
      const Rgba c{t.r * colour.r, t.g * colour.g, t.b * colour.b, t.a * colour.a};
      Rgba& d = sheet.At(x, y);
      if (blend == Blend::Additive)
        d = {Content::Clamp01(d.r + c.r), Content::Clamp01(d.g + c.g), Content::Clamp01(d.b + c.b), 1};
      else if (blend == Blend::Opaque)
        d = {c.r, c.g, c.b, 1};
      else
        d = Content::Mix(d, {c.r, c.g, c.b, 1}, c.a);
    }
}

// Text laid out glyph by glyph from the 16 x 16 font, as the game's screen text does.
void Text(Image& sheet, const Screen& s, const Image& font, const std::string& text, float x, float y, float size,
          float spacing, Rgba colour, Blend blend) {
  const float w = size / (float(s.width) / float(s.height));
  float cx = x, cy = y;
  for (unsigned char c : text) {
    if (c == '\n') {
      cy += size, cx = x;
      continue;
    }
    if (c != ' ') {
      const float u = float(c % 16) * 0.0625f, v = float(c / 16) * 0.0625f;
      Overlay(sheet, s, font, cx, cy, cx + w, cy + size, u, v, u + 0.0625f, v + 0.0625f, colour, blend);
    }
    cx += (spacing + 1) * w;
  }
}

Image Texture(const std::filesystem::path& path) {
  Image t(1, 1, {0, 0, 0, 0});
  if (!LoadTexture(path, t)) std::fprintf(stderr, "missing %s\n", path.c_str());
  return t;
}

// The HUD over a game view: panel, score text, energy and cage bars.
void Hud(Image& sheet, const Screen& s, const std::filesystem::path& assets, bool boss) {
  const HudLines lines = HudLinesFor(float(s.width) / float(s.height));
  const float top = lines.top, bottom = lines.bottom;
  const Image panel = Texture(assets / "hud_painel.tga"), font = Texture(assets / "text.kor.texture"),
              energy = Texture(assets / "hud_energy.tga"), warm = Texture(assets / "hud_warm.tga"),
              cage = Texture(assets / "hud_cage.tga");
  const Rgba white{1, 1, 1, 1};
  const float e = 0.7f, c = 0.25f, health = 0.6f;
  Overlay(sheet, s, energy, 0.35f, bottom - 0.03f, 0.35f + 0.3f * e, bottom + 0.03f, 0, 0, e, 1, white, Blend::Additive);
  Text(sheet, s, font, "Orion ijk\nScore: 12450\nLives: 3", 0.05f, HudTextTop(lines), 0.025f, -0.25f, white, Blend::Additive);
  Overlay(sheet, s, warm, 0.35f, bottom - 0.03f, 0.35f + 0.3f * c, bottom + 0.03f, 0, 0, c, 1, white, Blend::Opaque);
  Overlay(sheet, s, cage, 0.315f, bottom - 0.06f, 0.685f, bottom + 0.06f, 0, 0, 1, 1, white, Blend::Alpha);
  if (boss) {
    Overlay(sheet, s, energy, 0.35f, top - 0.03f, 0.35f + 0.3f * health, top + 0.03f, 0, 0, health, 1, white, Blend::Additive);
    Overlay(sheet, s, cage, 0.315f, top - 0.06f, 0.685f, top + 0.06f, 0, 0, 1, 1, white, Blend::Alpha);
  }
  Overlay(sheet, s, panel, 0, top, 1, bottom, 0, 0, 1, 1, white, Blend::Alpha);
}

// The menu and its high-score screen, laid out as the menu lays them out.
void Menu(Image& sheet, const Screen& s, const std::filesystem::path& assets, bool scores) {
  sheet.FillRect(float(s.ox), float(s.oy), float(s.ox + s.width), float(s.oy + s.height), {0, 0, 0, 1});
  const Rgba selected{1, 1, 1, 1}, other{0.65f, 0.65f, 0.65f, 1};
  Overlay(sheet, s, Texture(assets / "menu_tittle.kor.texture"), 0.13875f, 0.063333f, 0.84875f, 0.243333f, 0, 0, 1, 1,
          selected, Blend::Alpha);
  if (!scores) {
    Overlay(sheet, s, Texture(assets / "menu_bar.kor.texture"), 0, 0.375f, 1, 0.5f, 0, 0, 1, 1, selected, Blend::Alpha);
    Overlay(sheet, s, Texture(assets / "menu_play.kor.texture"), 0.32f, 0.391667f, 0.63875f, 0.513333f, 0, 0, 1, 1,
            selected, Blend::Alpha);
    Overlay(sheet, s, Texture(assets / "menu_high.kor.texture"), 0.32f, 0.558333f, 0.63875f, 0.683333f, 0, 0, 1, 1,
            other, Blend::Alpha);
    Overlay(sheet, s, Texture(assets / "menu_exit.kor.texture"), 0.32f, 0.725f, 0.63875f, 0.846667f, 0, 0, 1, 1, other,
            Blend::Alpha);
  } else {
    // The table's text: name, spaces to 29 characters with the score, best first.
    const std::vector<uint8_t> file = ReadBytes(assets / "score.zub.score");
    std::map<int32_t, std::string> table;
    for (size_t r = 0; r + 20 <= file.size(); r += 20) {
      int32_t score;
      std::memcpy(&score, &file[r + 16], 4);
      table[score] = std::string(reinterpret_cast<const char*>(&file[r]), strnlen(reinterpret_cast<const char*>(&file[r]), 16));
    }
    std::string text;
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
      const std::string number = std::to_string(it->first);
      text += it->second + std::string(std::max<size_t>(0, 29 - std::min<size_t>(29, it->second.size() + number.size())), ' ') +
              number + "\n";
    }
    Text(sheet, s, Texture(assets / "text.kor.texture"), text, 0.15f, 0.391667f, 0.04f, -0.25f, selected, Blend::Alpha);
  }
  Overlay(sheet, s, Texture(assets / "menu_border.kor.texture"), 0, 0, 1, 1, 0, 0, 1, 1, selected, Blend::Alpha);
}

// The level seen by its camera at a few moments, with stand-ins for the fight.
int ScenePreview(const std::string& sourcePath, const std::filesystem::path& assets, const char* out) {
  std::ifstream in(sourcePath, std::ios::binary);
  const KOR::SceneFileContents scene = Content::BuildLevelScene({std::istreambuf_iterator<char>(in), {}});
  std::map<std::string, KOR::Mesh3DFData> meshes;
  std::map<std::string, Material> materials;
  auto mesh = [&](const std::string& name) -> const KOR::Mesh3DFData& {
    if (!meshes.count(name) && !LoadMesh(assets / name, meshes[name])) std::fprintf(stderr, "missing %s\n", name.c_str());
    return meshes[name];
  };
  auto material = [&](const std::string& diffuse, const std::string& normal, const std::string& specular,
                      const std::string& emissive) -> const Material& {
    const std::string key = diffuse + normal + specular + emissive;
    if (!materials.count(key)) {
      Material& m = materials[key];
      LoadTexture(assets / diffuse, m.diffuse);
      if (!normal.empty()) LoadTexture(assets / normal, m.normal);
      if (!specular.empty()) LoadTexture(assets / specular, m.specular);
      if (!emissive.empty()) LoadTexture(assets / emissive, m.emissive);
    }
    return materials[key];
  };
  const KOR::SceneObjectRecord* player = nullptr;
  for (const auto& o : scene.objects)
    if (o.typeName == "Player") player = &o;
  if (!player || scene.cameras.empty()) return 1;
  const int w = 640, h = 480;
  Image sheet(w * 2, h * 3, {0.1f, 0.12f, 0.15f, 1});
  struct Shot {
    float time;
    std::vector<std::pair<std::string, std::pair<float, float>>> enemies;
  };
  const Shot shots[4] = {{8, {{"drone", {60, 20}}, {"drone", {80, 20}}, {"drone", {100, 20}}}},
                         {45, {{"warden", {110, 30}}, {"stinger", {40, -10}}, {"stinger", {70, 15}}}},
                         {80, {{"stinger_red", {30, 0}}, {"drone", {55, 20}}, {"drone", {55, -20}},
                               {"drone", {75, 16}}, {"drone", {75, -20}}, {"warden", {110, -30}}}},
                         {104, {}}};
  for (int s = 0; s < 4; ++s) {
    const size_t k = std::min(player->keys.size() - 1, size_t(shots[s].time * 10));
    const KOR::SceneTransform& cam = scene.cameras[0].keys[k];
    const float vfov = scene.cameras[0].keyFovs[k] * 0.8f;
    const View view{FromKor(cam.position), Turn(cam.rotation, {1, 0, 0}), Turn(cam.rotation, {0, 0, 1}),
                    float(h) * 0.5f / std::tan(vfov * 0.5f), (s % 2) * w, (s / 2) * h, w, h};
    Raster raster(sheet, view);
    raster.fogDensity = 0.001f;
    std::vector<Light> lights;
    for (const auto& l : scene.lights) {
      const bool keyed = k < l.keyPositions.size();
      lights.push_back({FromKor(keyed ? l.keyPositions[k] : l.position), FromKor(keyed ? l.keyColours[k] : l.colour), l.range});
    }
    const KOR::SceneTransform& plane = player->keys[k];
    const V3 across = Turn(plane.rotation, {0, 0, 1}), up = Turn(plane.rotation, {0, 1, 0});
    for (const auto& o : scene.objects) {
      Placement at{o.transform.rotation, FromKor(o.transform.position), o.transform.scale};
      if (!o.keys.empty()) at = {o.keys[std::min(k, o.keys.size() - 1)].rotation, FromKor(o.keys[std::min(k, o.keys.size() - 1)].position), 1};
      if (o.typeName == "Player") at.position = at.position + across * -60.0f + up * 5.0f;  // the ship steers within the plane
      if (Content::Len(at.position - view.eye) > 3500) continue;
      raster.Draw(mesh(o.meshName), material(o.material.diffuseName, o.material.normalName, o.material.specularName,
                                             o.material.emissiveName), at, lights);
    }
    for (const auto& [kind, point] : shots[s].enemies) {
      const std::string model = kind == "stinger_red" ? "stinger" : kind;
      const Placement at{plane.rotation, FromKor(plane.position) + across * point.first + up * point.second, 1};
      raster.Draw(mesh(model + ".3df"), material(kind + "_d.tga", model + "_n.tga", model + "_s.tga", ""), at, lights);
    }
    Hud(sheet, {view.ox, view.oy, w, h}, assets, s == 3);
    Label(sheet, view.ox + w - 40, view.oy + 8, std::to_string(int(shots[s].time)) + " s", {1, 1, 1, 1});
  }
  Menu(sheet, {0, 2 * h, w, h}, assets, false);
  Menu(sheet, {w, 2 * h, w, h}, assets, true);
  return WritePng(sheet, out) ? 0 : 1;
}

bool WritePng(const Image& image, const char* path) {
  const KOR::ArgbImage argb = image.ToArgb();
  std::vector<uint8_t> rgba;
  for (uint32_t p : argb.pixels) rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
  return stbi_write_png(path, image.Width(), image.Height(), 4, rgba.data(), image.Width() * 4) != 0;
}

}  // namespace

const char* const kHelp =
    "Usage: zubra-contact-sheet ASSETS OUT.png\n"
    "       zubra-contact-sheet --texture FILE OUT.png\n"
    "       zubra-contact-sheet --scene SOURCE ASSETS OUT.png\n"
    "One picture of every mesh (lit and textured as the game's camera sees it) and every\n"
    "texture, read through the engine's own readers; --texture shows one texture as it\n"
    "decodes; --scene four views of the level from its camera.\n"
    "\n"
    "Exit status: 0 written; 1 a file could not be read or the picture not written; 2 wrong usage.\n";

int main(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) return ShowHelp(kHelp);
  // --texture FILE OUT.png: one texture as it decodes, for a closer look.
  if (argc == 4 && std::string(argv[1]) == "--texture") {
    Image t(1, 1);
    return LoadTexture(argv[2], t) && WritePng(t, argv[3]) ? 0 : 1;
  }
  if (argc == 5 && std::string(argv[1]) == "--scene") return ScenePreview(argv[2], argv[3], argv[4]);
  if (argc != 3) {
    std::fprintf(stderr, "usage: zubra-contact-sheet ASSETS OUT.png | --texture FILE OUT.png | --scene SOURCE ASSETS OUT.png\n");
    return 2;
  }
  const std::filesystem::path assets = argv[1];
  std::vector<std::filesystem::path> meshes, textures;
  for (const auto& entry : std::filesystem::directory_iterator(assets)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".3df") meshes.push_back(entry.path());
    if (entry.path().extension() == ".tga" || name.ends_with(".kor.texture")) textures.push_back(entry.path());
  }
  std::sort(meshes.begin(), meshes.end());
  std::sort(textures.begin(), textures.end());
  // Which maps each mesh wears in the game, and which way its camera side faces.
  const std::map<std::string, std::string> maps = {
      {"player", "player"}, {"drone", "drone"}, {"stinger", "stinger"}, {"warden", "warden"}, {"boss", "boss"},
      {"canyon_wall", "rock"}, {"canyon_floor", "sand"}, {"rock_spire", "rock"}, {"tower", "city"},
      {"station_truss", "station"}, {"station_wall", "station"}};
  const int tile = 256, thumb = 120, columns = 5, thumbColumns = 10, width = tile * columns;
  const int meshRows = int((meshes.size() + columns - 1) / columns);
  const int thumbRows = int((textures.size() + thumbColumns - 1) / thumbColumns);
  Image sheet(width, meshRows * (tile + 16) + thumbRows * (thumb + 20) + 8, Content::Hex(0x181a20));
  for (size_t i = 0; i < meshes.size(); ++i) {
    const std::vector<uint8_t> bytes = ReadBytes(meshes[i]);
    KOR::Mesh3DFLayout layout;
    if (!KOR::ParseMesh3DF(bytes.data(), bytes.size(), layout)) {
      std::fprintf(stderr, "zubra-contact-sheet: %s is not a 3DF mesh\n", meshes[i].c_str());
      return 1;
    }
    KOR::Mesh3DFData mesh;
    mesh.vertices.resize(size_t(layout.vertexCount));
    mesh.indices.resize(size_t(layout.indexCount));
    std::memcpy(mesh.vertices.data(), layout.vertices, mesh.vertices.size() * sizeof(KOR::Mesh3DFVertex));
    std::memcpy(mesh.indices.data(), layout.indices, mesh.indices.size() * 4);
    const std::string stem = meshes[i].stem().string();
    Material m;
    const auto found = maps.find(stem);
    const std::string set = found == maps.end() ? stem : found->second;
    LoadTexture(assets / (set + "_d.tga"), m.diffuse);
    LoadTexture(assets / (set + "_n.tga"), m.normal);
    LoadTexture(assets / (set + "_s.tga"), m.specular);
    LoadTexture(assets / (set + "_e.tga"), m.emissive);
    const bool vehicle = set == stem;
    const int x = int(i % columns) * tile, y = int(i / columns) * (tile + 16);
    sheet.FillRect(float(x + 2), float(y + 2), float(x + tile - 2), float(y + tile - 2), Content::Hex(0x2a3040));
    RenderMesh(sheet, x, y, tile, mesh, m, vehicle ? V3{1, 0, 0} : V3{0, 1, 0}, vehicle ? V3{0, 1, 0} : V3{0, 0, 1});
    Label(sheet, x + 6, y + tile + 3,
          meshes[i].filename().string() + "  " + std::to_string(layout.vertexCount) + " vertices", {0.9f, 0.9f, 0.9f, 1});
  }
  const int top = meshRows * (tile + 16) + 8;
  for (size_t i = 0; i < textures.size(); ++i) {
    Image t(1, 1);
    if (!LoadTexture(textures[i], t)) {
      std::fprintf(stderr, "zubra-contact-sheet: %s is not a texture the engine reads\n", textures[i].c_str());
      return 1;
    }
    const int x = int(i % thumbColumns) * (width / thumbColumns) + 4, y = top + int(i / thumbColumns) * (thumb + 20);
    const float scale = float(thumb) / float(std::max(t.Width(), t.Height()));
    for (int py = 0; py < int(float(t.Height()) * scale); ++py)
      for (int px = 0; px < int(float(t.Width()) * scale); ++px) {
        const Rgba c = t.At(std::min(t.Width() - 1, int(float(px) / scale)), std::min(t.Height() - 1, int(float(py) / scale)));
        const Rgba check = ((px / 8 + py / 8) % 2) ? Content::Hex(0x505050) : Content::Hex(0x707070);
        sheet.At(x + px, y + py) = Content::Mix(check, Rgba{c.r, c.g, c.b, 1}, c.a);
      }
    Label(sheet, x, y + thumb + 4, textures[i].filename().string(), {0.85f, 0.85f, 0.85f, 1});
  }
  if (!WritePng(sheet, argv[2])) {
    std::fprintf(stderr, "zubra-contact-sheet: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
