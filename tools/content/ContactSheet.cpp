// zubra-contact-sheet ASSETS OUT.png: one picture of every mesh, rendered lit and
// textured as the game's camera sees it, and of every texture, all read back through
// the engine's own file readers, so what the sheet shows is what the game loads.
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

#include "graphics/Mesh3DFFormat.h"
#include "graphics/TextureFormats.h"
#include "tools/content/Image.h"
#include "tools/content/MeshKit.h"

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

// Renders a mesh into a tile: a perspective view from the side the game's camera sees,
// turned a little for depth, lit by a warm key and a cool fill, with normal, specular
// and glow maps. Triangles the engine would cull (clockwise on screen) are culled here.
void RenderMesh(Image& sheet, int ox, int oy, int size, const KOR::Mesh3DFData& mesh, const Material& m, V3 toCamera,
                V3 up) {
  const V3 right = Content::Cross(up, toCamera * -1.0f);
  const float yaw = 0.45f, pitch = 0.3f;
  // View basis: orbit the side view a little.
  V3 back = Content::Norm(toCamera * std::cos(yaw) - right * std::sin(yaw));
  back = Content::Norm(back * std::cos(pitch) + up * std::sin(pitch));
  const V3 vx = Content::Norm(Content::Cross(up, back * -1.0f)), vy = Content::Cross(back * -1.0f, vx);
  float radius = 0;
  V3 centre{0, 0, 0}, lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  for (const auto& v : mesh.vertices) {
    lo = {std::min(lo.x, v.position[0]), std::min(lo.y, v.position[1]), std::min(lo.z, v.position[2])};
    hi = {std::max(hi.x, v.position[0]), std::max(hi.y, v.position[1]), std::max(hi.z, v.position[2])};
  }
  centre = (lo + hi) * 0.5f;
  radius = Content::Len(hi - lo) * 0.5f;
  const float distance = radius * 2.6f, focal = float(size) * 1.15f;
  const V3 eye = centre + back * distance;
  struct Projected {
    float sx, sy, invw;
    V3 view;
  };
  std::vector<Projected> p(mesh.vertices.size());
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const auto& v = mesh.vertices[i];
    const V3 rel = V3{v.position[0], v.position[1], v.position[2]} - eye;
    const float x = Content::Dot(rel, vx), y = Content::Dot(rel, vy), z = -Content::Dot(rel, back);
    p[i] = {float(ox) + float(size) * 0.5f + focal * x / z, float(oy) + float(size) * 0.5f - focal * y / z, 1.0f / z, rel};
  }
  std::vector<float> depth(size_t(size) * size_t(size), 0.0f);
  const V3 key = Content::Norm(back + up * 0.8f + vx * 0.6f), fill = Content::Norm(vx * -1.0f + up * -0.3f);
  for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
    const uint32_t i0 = mesh.indices[t], i1 = mesh.indices[t + 1], i2 = mesh.indices[t + 2];
    const Projected &a = p[i0], &b = p[i1], &c = p[i2];
    // Screen y grows downwards here, so counter-clockwise on screen is a negative area.
    const float area = (b.sx - a.sx) * (c.sy - a.sy) - (c.sx - a.sx) * (b.sy - a.sy);
    if (area >= 0) continue;
    const int x0 = std::max(ox, int(std::floor(std::min({a.sx, b.sx, c.sx}))));
    const int x1 = std::min(ox + size - 1, int(std::ceil(std::max({a.sx, b.sx, c.sx}))));
    const int y0 = std::max(oy, int(std::floor(std::min({a.sy, b.sy, c.sy}))));
    const int y1 = std::min(oy + size - 1, int(std::ceil(std::max({a.sy, b.sy, c.sy}))));
    const auto &va = mesh.vertices[i0], &vb = mesh.vertices[i1], &vc = mesh.vertices[i2];
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        const float px = float(x) + 0.5f, py = float(y) + 0.5f;
        float w0 = ((b.sx - px) * (c.sy - py) - (c.sx - px) * (b.sy - py)) / area;
        float w1 = ((c.sx - px) * (a.sy - py) - (a.sx - px) * (c.sy - py)) / area;
        float w2 = 1 - w0 - w1;
        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
        const float invw = w0 * a.invw + w1 * b.invw + w2 * c.invw;
        float& d = depth[size_t(y - oy) * size_t(size) + size_t(x - ox)];
        if (invw <= d) continue;
        d = invw;
        w0 *= a.invw / invw, w1 *= b.invw / invw, w2 *= c.invw / invw;
        auto lerp = [&](const float* fa, const float* fb, const float* fc, int k) { return fa[k] * w0 + fb[k] * w1 + fc[k] * w2; };
        const float u = lerp(va.texCoord, vb.texCoord, vc.texCoord, 0), v = lerp(va.texCoord, vb.texCoord, vc.texCoord, 1);
        const V3 n = Content::Norm({lerp(va.normal, vb.normal, vc.normal, 0), lerp(va.normal, vb.normal, vc.normal, 1),
                                    lerp(va.normal, vb.normal, vc.normal, 2)});
        V3 tg = Content::Norm({lerp(va.tangent, vb.tangent, vc.tangent, 0), lerp(va.tangent, vb.tangent, vc.tangent, 1),
                               lerp(va.tangent, vb.tangent, vc.tangent, 2)});
        const V3 bt = Content::Cross(n, tg) * va.tangent[3];
        const Rgba nm = m.normal.Sample(u, v);
        const V3 bumped = Content::Norm(tg * (nm.r * 2 - 1) + bt * (nm.g * 2 - 1) + n * (nm.b * 2 - 1));
        const V3 toEye = Content::Norm(V3{0, 0, 0} - (mesh.vertices.empty() ? V3{} : V3{
            lerp(va.position, vb.position, vc.position, 0), lerp(va.position, vb.position, vc.position, 1),
            lerp(va.position, vb.position, vc.position, 2)} - eye));
        const Rgba dif = m.diffuse.Sample(u, v), spec = m.specular.Sample(u, v), glow = m.emissive.Sample(u, v);
        const float lk = std::max(0.0f, Content::Dot(bumped, key)), lf = std::max(0.0f, Content::Dot(bumped, fill));
        const V3 h = Content::Norm(key + toEye);
        const float s = std::pow(std::max(0.0f, Content::Dot(bumped, h)), 30.0f) * spec.r * 1.2f;
        const Rgba lit{dif.r * (0.12f + lk * 1.0f + lf * 0.3f * 0.6f) + s + glow.r,
                       dif.g * (0.12f + lk * 0.95f + lf * 0.3f * 0.75f) + s + glow.g,
                       dif.b * (0.14f + lk * 0.88f + lf * 0.3f) + s + glow.b, 1};
        sheet.At(x, y) = {Content::Clamp01(lit.r), Content::Clamp01(lit.g), Content::Clamp01(lit.b), 1};
      }
  }
}

bool WritePng(const Image& image, const char* path) {
  const KOR::ArgbImage argb = image.ToArgb();
  std::vector<uint8_t> rgba;
  for (uint32_t p : argb.pixels) rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
  return stbi_write_png(path, image.Width(), image.Height(), 4, rgba.data(), image.Width() * 4) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  // --texture FILE OUT.png: one texture as it decodes, for a closer look.
  if (argc == 4 && std::string(argv[1]) == "--texture") {
    Image t(1, 1);
    return LoadTexture(argv[2], t) && WritePng(t, argv[3]) ? 0 : 1;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: zubra-contact-sheet ASSETS OUT.png | --texture FILE OUT.png\n");
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
      {"station_truss", "station"}};
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
