#include "tools/content/Models.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "tools/content/Image.h"
#include "tools/content/Textures.h"

namespace Content {

namespace {

using namespace AtlasRects;
const V3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};
constexpr float kPi = float(M_PI);

// A loft along z with its section in (x, y).
void LoftZ(MeshBuilder& m, const Section& s, std::vector<LoftStation> st) { m.Loft(s, st, X, Y); }

// A wing or fin from root to tip, its chord along z and its thickness across the span.
void Wing(MeshBuilder& m, V3 root, V3 tip, float rootChord, float tipChord, float thickness, V3 across) {
  const V3 span = Norm(tip - root);
  const V3 chord = Norm(Cross(span, across));
  const V3 thick = Norm(Cross(chord, span));
  m.Loft(Ellipse(1, 1, 10), {{root, rootChord * 0.5f, thickness * 0.5f}, {tip, tipChord * 0.5f, thickness * 0.35f}},
         chord, thick);
}

// A gun barrel pointing along dir from its breech, with a muzzle ring.
void Barrel(MeshBuilder& m, V3 breech, V3 dir, float length, float radius) {
  m.BeginPart(Atlas(Machinery), 50);
  m.Cylinder(breech, breech + dir * length, radius, radius * 0.85f, 10);
  m.Cylinder(breech + dir * (length * 0.8f), breech + dir * length, radius * 1.35f, radius * 1.3f, 10);
}

// A nozzle: a machinery cone with a glowing disc inside its mouth.
void Nozzle(MeshBuilder& m, V3 front, V3 back, float radius) {
  m.BeginPart(Atlas(Machinery), 50);
  m.Cylinder(front, back, radius * 0.8f, radius, 12, false);
  m.BeginPart(Atlas(Engine), 80);
  const V3 dir = Norm(back - front);
  m.Cylinder(back - dir * (radius * 0.6f), back - dir * (radius * 0.1f), radius * 0.85f, radius * 0.9f, 12);
}

// Small boxes scattered over a side of a hull: the greebles that give it scale.
void Greebles(MeshBuilder& m, V3 low, V3 high, float faceX, int count, uint32_t seed, float depth) {
  m.BeginPart(Atlas(Machinery), 50);  // soft bevels: small parts read better rounded
  for (int i = 0; i < count; ++i) {
    const float y = low.y + (high.y - low.y) * Hash(i, 1, seed);
    const float z = low.z + (high.z - low.z) * Hash(i, 2, seed);
    const float sy = 0.8f + 2.5f * Hash(i, 3, seed), sz = 1.0f + 4.0f * Hash(i, 4, seed);
    const float d = depth * (0.5f + Hash(i, 5, seed));
    m.BevelBox({faceX - 0.2f, y - sy * 0.5f, z - sz * 0.5f}, {faceX + d, y + sy * 0.5f, z + sz * 0.5f}, 0.25f);
  }
}

}  // namespace

KOR::Mesh3DFData PlayerShip() {
  MeshBuilder m;
  m.BeginPart(Atlas(Hull), 35);
  const Section body = RoundedRect(3.2f, 2.8f, 1.6f, 3);
  LoftZ(m, body, {{{0, 0.2f, -13}, 0.55f, 0.6f},
                  {{0, 0, -9}, 0.9f, 0.95f},
                  {{0, 0, -2}, 1, 1},
                  {{0, -0.2f, 5}, 0.8f, 0.75f},
                  {{0, -0.4f, 11}, 0.45f, 0.42f},
                  {{0, -0.5f, 15}, 0.06f, 0.06f}});
  // Canopy on the spine.
  m.BeginPart(Atlas(Glass), 70);
  LoftZ(m, Ellipse(1.5f, 1.3f, 12), {{{0, 2.0f, -3}, 0.3f, 0.3f}, {{0, 2.5f, 0}, 1, 1}, {{0, 2.3f, 4}, 0.9f, 0.8f},
                                     {{0, 1.6f, 8}, 0.15f, 0.2f}});
  // Swept wings with a little dihedral, a tail fin and two ventral fins.
  m.BeginPart(Atlas(Hull), 35);
  for (float side : {1.0f, -1.0f}) {
    Wing(m, {side * 2.5f, -0.6f, -4}, {side * 12.0f, 0.6f, -10}, 10, 3.5f, 1.0f, Y);
    Wing(m, {side * 1.2f, -2.0f, -9}, {side * 2.6f, -6.0f, -12}, 5, 2.2f, 0.6f, X * side);
  }
  Wing(m, {0, 2.0f, -8}, {0, 8.0f, -12.5f}, 7, 2.5f, 0.8f, X);
  // Engine nacelles with their glow.
  for (float side : {1.0f, -1.0f}) {
    m.BeginPart(Atlas(Machinery), 40);
    LoftZ(m, Ellipse(1.7f, 1.7f, 12), {{{side * 4.2f, -0.8f, -14}, 1, 1}, {{side * 4.2f, -0.8f, -6}, 1, 1},
                                       {{side * 4.2f, -0.8f, -2}, 0.55f, 0.55f}});
    Nozzle(m, {side * 4.2f, -0.8f, -13.8f}, {side * 4.2f, -0.8f, -15.2f}, 1.8f);
  }
  // The two guns: the lower and the upper barrel the shots leave from.
  for (float y : {-3.5f, 3.5f}) {
    m.BeginPart(Atlas(Machinery), 40);
    m.BevelBox({-0.9f, y - 0.8f, 2}, {0.9f, y + 0.8f, 7}, 0.3f);
    Barrel(m, {0, y, 6}, Z, 7.5f, 0.45f);
  }
  // Navigation lights on the wing tips.
  m.BeginPart(Atlas(Lights), 80);
  for (float side : {1.0f, -1.0f}) m.Cylinder({side * 12.0f, 0.6f, -10.8f}, {side * 12.0f, 0.6f, -9.2f}, 0.5f, 0.5f, 8);
  return m.Build();
}

KOR::Mesh3DFData Drone() {
  MeshBuilder m;
  // An armoured sphere with an equator band, four spikes and one glowing eye (-z).
  m.BeginPart(Atlas(Hull), 40);
  std::vector<LoftStation> sphere;
  for (int i = 0; i <= 10; ++i) {
    const float a = kPi * float(i) / 10.0f;
    const float r = (i == 0 || i == 10) ? 0.0f : std::sin(a);  // exact poles
    sphere.push_back({{0, 0, -6.5f * std::cos(a)}, r, r});
  }
  LoftZ(m, Ellipse(6.5f, 6.5f, 16), sphere);
  m.BeginPart(Atlas(Machinery), 40);
  m.Cylinder({0, 0, -1.5f}, {0, 0, 1.5f}, 7.2f, 7.2f, 16);
  m.BeginPart(Atlas(Hull), 30);
  for (int i = 0; i < 4; ++i) {
    const float a = kPi * 0.25f + kPi * 0.5f * float(i);
    const V3 dir{std::cos(a), std::sin(a), 0};
    m.Cylinder(dir * 6.8f, dir * 11.5f + V3{0, 0, 2.5f}, 1.6f, 0.15f, 8);
  }
  m.BeginPart(Atlas(Machinery), 40);
  m.Cylinder({0, 0, -5.0f}, {0, 0, -7.0f}, 3.0f, 2.6f, 14);
  m.BeginPart(Atlas(Engine), 80);
  m.Cylinder({0, 0, -6.6f}, {0, 0, -7.3f}, 2.2f, 1.6f, 14);
  Nozzle(m, {0, 0, 5.8f}, {0, 0, 7.6f}, 2.0f);
  return m.Build();
}

KOR::Mesh3DFData Stinger() {
  MeshBuilder m;
  // A dart: pointed nose at -z, forward-swept blades, twin fins and one engine.
  m.BeginPart(Atlas(Hull), 35);
  LoftZ(m, RoundedRect(2.6f, 2.2f, 1.0f, 2), {{{0, -0.4f, -15}, 0.05f, 0.05f},
                                              {{0, -0.2f, -9}, 0.55f, 0.5f},
                                              {{0, 0, -2}, 1, 1},
                                              {{0, 0.3f, 6}, 1, 0.9f},
                                              {{0, 0.3f, 10}, 0.7f, 0.7f}});
  m.BeginPart(Atlas(Glass), 70);
  LoftZ(m, Ellipse(1.2f, 1.0f, 10), {{{0, 1.4f, -9}, 0.2f, 0.2f}, {{0, 2.0f, -5}, 1, 1}, {{0, 1.7f, -1}, 0.6f, 0.6f}});
  m.BeginPart(Atlas(Hull), 35);
  for (float side : {1.0f, -1.0f}) {
    Wing(m, {side * 2.0f, -0.5f, 2}, {side * 11.0f, -2.5f, -5}, 9, 2.5f, 0.8f, Y);
    Wing(m, {side * 1.3f, 1.6f, 6}, {side * 3.5f, 7.0f, 9}, 5, 2, 0.6f, X * side);
  }
  m.BeginPart(Atlas(Lights), 80);
  for (float side : {1.0f, -1.0f}) m.Cylinder({side * 11.0f, -2.5f, -6.0f}, {side * 11.0f, -2.5f, -4.0f}, 0.5f, 0.5f, 8);
  Barrel(m, {0, -2.6f, -4}, Z * -1.0f, 8, 0.5f);
  Nozzle(m, {0, 0.3f, 9.5f}, {0, 0.3f, 11.5f}, 1.8f);
  return m.Build();
}

KOR::Mesh3DFData Warden() {
  MeshBuilder m;
  // A heavy gunship: a bevelled hull, two missile pods, a bridge with lit windows.
  m.BeginPart(Atlas(Hull), 35);
  LoftZ(m, RoundedRect(5.5f, 5.0f, 1.8f, 2), {{{0, -1, -17}, 0.3f, 0.35f},
                                              {{0, -0.5f, -12}, 0.85f, 0.8f},
                                              {{0, 0, -4}, 1, 1},
                                              {{0, 0, 9}, 1, 0.95f},
                                              {{0, 0.5f, 14}, 0.75f, 0.7f}});
  m.BeginPart(Atlas(Hull), 35);
  m.BevelBox({-3.5f, 4.0f, -3}, {3.5f, 8.0f, 7}, 1.0f);
  m.BeginPart(Atlas(Lights), 80);
  m.BevelBox({-3.6f, 5.6f, -3.2f}, {3.6f, 7.0f, 2}, 0.3f);
  for (float side : {1.0f, -1.0f}) {
    m.BeginPart(Atlas(Machinery), 40);
    LoftZ(m, RoundedRect(2.4f, 2.4f, 0.9f, 2), {{{side * 8.5f, -2, -13}, 0.4f, 0.4f},
                                                {{side * 8.5f, -2, -10}, 1, 1},
                                                {{side * 8.5f, -2, 10}, 1, 1},
                                                {{side * 8.5f, -2, 12}, 0.7f, 0.7f}});
    m.BeginPart(Atlas(Hull), 35);
    m.BevelBox({side * 5.0f - 1.0f, -3, -4}, {side * 6.6f + 1.0f, -1, 6}, 0.4f);
    for (int k = 0; k < 3; ++k) Barrel(m, {side * 8.5f, -3.2f + 1.2f * float(k), -12.5f}, Z * -1.0f, 3, 0.45f);
    Nozzle(m, {side * 8.5f, -2, 11.8f}, {side * 8.5f, -2, 13.8f}, 1.8f);
  }
  Greebles(m, {0, -3.5f, -8}, {0, 3.5f, 9}, 5.3f, 7, 17, 0.8f);
  Greebles(m, {0, -3.5f, -8}, {0, 3.5f, 9}, -6.0f, 3, 18, 0.8f);
  Nozzle(m, {0, 0.5f, 13.5f}, {0, 0.5f, 16.5f}, 3.2f);
  return m.Build();
}

KOR::Mesh3DFData Boss() {
  MeshBuilder m;
  // The fortress: a long armoured hull facing the player (-z), two arms that carry the
  // four gun ports at the plane positions the boss fires from, a bridge and engines.
  // An angular hull: a prow that drops to a jaw, a raised spine and a broad stern.
  m.BeginPart(Atlas(Hull), 30);
  LoftZ(m, RoundedRect(18, 26, 3, 1), {{{0, -6, -50}, 0.2f, 0.15f},
                                      {{0, -4, -40}, 0.6f, 0.5f},
                                      {{0, -1, -24}, 0.95f, 0.9f},
                                      {{0, 0, 18}, 1, 1.05f},
                                      {{0, 2, 32}, 0.85f, 0.9f},
                                      {{0, 2, 38}, 0.6f, 0.65f}});
  m.BeginPart(Atlas(Hull), 30);
  LoftZ(m, RoundedRect(7, 6, 2, 1), {{{0, 26, -30}, 0.2f, 0.2f}, {{0, 28, -10}, 1, 1}, {{0, 28, 28}, 1, 1},
                                    {{0, 26, 36}, 0.6f, 0.6f}});
  Wing(m, {0, 30, 20}, {0, 44, 38}, 18, 8, 2.5f, X);
  Wing(m, {0, -26, 16}, {0, -40, 34}, 16, 7, 2.5f, X);
  // Armour ribs down the flank the camera sees.
  m.BeginPart(Atlas(Machinery), 30);
  for (int k = 0; k < 5; ++k) {
    const float z = -14 + 9 * float(k);
    m.BevelBox({17, -20, z}, {20.5f, 20, z + 4}, 1.0f);
  }
  // Arms: armoured wedges out to the ports, above and below.
  for (float side : {1.0f, -1.0f}) {
    m.BeginPart(Atlas(Hull), 30);
    m.Loft(RoundedRect(9, 7, 2.5f, 2),
           {{{0, side * 14, 10}, 1, 1}, {{0, side * 32, -8}, 0.9f, 0.9f}, {{0, side * 42, -26}, 0.8f, 0.75f}}, X,
           Z * side);
    m.BeginPart(Atlas(Hull), 30);
    m.BevelBox({-7, side > 0 ? 14.0f : -27.0f, -10}, {7, side > 0 ? 27.0f : -14.0f, 8}, 2.0f);
  }
  // Gun ports: housing, glowing ring and twin barrels towards the player.
  for (const LevelOne::PortPosition& port : kBossPorts) {
    const V3 at{0, port.y, port.x - kBossPlaneX};
    m.BeginPart(Atlas(Machinery), 35);
    m.BevelBox(at + V3{-8, -5, -2}, at + V3{10, 5, 9}, 1.5f);
    m.BeginPart(Atlas(Engine), 80);
    m.Cylinder(at + V3{10.0f, 0, 3.5f}, at + V3{11.5f, 0, 3.5f}, 3.2f, 2.6f, 14);
    for (float dy : {-2.2f, 2.2f}) Barrel(m, at + V3{4, dy, 0}, Z * -1.0f, 9, 1.1f);
  }
  // Bridge with windows and an antenna mast.
  m.BeginPart(Atlas(Hull), 35);
  m.BevelBox({-9, 24, 4}, {9, 36, 26}, 3);
  m.BeginPart(Atlas(Lights), 80);
  m.BevelBox({-9.3f, 29, 5}, {9.3f, 33, 22}, 0.6f);
  m.BeginPart(Atlas(Machinery), 40);
  m.Cylinder({0, 36, 20}, {0, 52, 24}, 1.0f, 0.4f, 8);
  // Engines at the back.
  for (float y : {-14.0f, 0.0f, 14.0f}) {
    m.BeginPart(Atlas(Machinery), 40);
    m.Cylinder({0, y, 30}, {0, y, 40}, 7.5f, 8.5f, 16);
    Nozzle(m, {0, y, 39}, {0, y, 44}, 7.0f);
  }
  Greebles(m, {0, -22, -30}, {0, 22, 30}, 17.5f, 16, 7, 2.5f);
  Greebles(m, {0, -22, -30}, {0, 22, 30}, -19.5f, 4, 8, 2.0f);
  return m.Build();
}

KOR::Mesh3DFData CanyonWall() {
  // A rock face along x (the path), facing +y, seamless from one piece to the next.
  MeshBuilder m;
  m.BeginPart(Tiled(160), 60);
  const int nx = 30, nz = 16;
  const float length = kSceneryPieceLength, height = 520;
  auto at = [&](int i, int j) {
    const float u = float(i) / nx, v = float(j) / nz;
    const float n = Fbm(u * 4, v * 3, 4, 4, 91);
    const float ledge = std::floor(v * 5 + n * 1.5f) / 5;  // strata
    const float y = -110 * v + 90 * n + 25 * ledge;  // leaning back as it rises
    const float crest = Smooth(0.6f, 1.0f, v) * 160 * (Fbm(u * 6, 0.5f, 6, 3, 92) - 0.5f);  // a broken skyline
    return V3{u * length - length * 0.5f, y, v * height - 120 + crest};
  };
  for (int j = 0; j < nz; ++j)
    for (int i = 0; i < nx; ++i) m.Quad(at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
  return m.Build();
}

KOR::Mesh3DFData CanyonFloor() {
  // The floor between the walls: rolling sand and rubble, seamless along x.
  MeshBuilder m;
  m.BeginPart(Tiled(140), 60);
  const int nx = 24, ny = 18;
  const float length = kSceneryPieceLength, width = 1100;
  auto at = [&](int i, int j) {
    const float u = float(i) / nx, v = float(j) / ny;
    const float h = 40 * Fbm(u * 4, v * 4, 4, 4, 33) + 20 * std::sin(v * kPi * 3);
    return V3{u * length - length * 0.5f, v * width - width * 0.5f, h};
  };
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) m.Quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
  return m.Build();
}

KOR::Mesh3DFData RockSpire() {
  MeshBuilder m;
  m.BeginPart(Tiled(90), 55);
  Section s;
  for (int i = 0; i < 12; ++i) {
    const float a = 2 * kPi * float(i) / 12;
    const float r = 1 + 0.25f * (Hash(i, 0, 5) - 0.5f);
    s.push_back({r * std::cos(a), r * std::sin(a)});
  }
  std::vector<LoftStation> st;
  for (int k = 0; k <= 8; ++k) {
    const float t = float(k) / 8;
    const float r = 45 * (1 - 0.75f * t) * (0.85f + 0.3f * Hash(k, 1, 6));
    st.push_back({{12 * std::sin(t * 3), 8 * std::cos(t * 2), t * 360 - 60}, r, r * 0.9f});
  }
  st.back().su = st.back().sv = 3;
  LoftZ(m, s, st);
  return m.Build();
}

KOR::Mesh3DFData Tower() {
  // A city block: stacked set-back slabs with window bands, roof plant and a mast.
  MeshBuilder m;
  m.BeginPart(Tiled(64), 30);
  float w = 70, d = 60, z = -150;
  for (int k = 0; k < 4; ++k) {
    const float h = 90 + 30 * Hash(k, 0, 3);
    m.BevelBox({-w * 0.5f, -d * 0.5f, z}, {w * 0.5f, d * 0.5f, z + h}, 3);
    m.BevelBox({-w * 0.5f - 2, -d * 0.5f - 2, z + h - 4}, {w * 0.5f + 2, d * 0.5f + 2, z + h + 2}, 1);
    z += h;
    w *= 0.78f, d *= 0.8f;
  }
  m.BeginPart(Tiled(32), 40);
  m.BevelBox({-8, -6, z}, {8, 6, z + 10}, 1.5f);
  m.Cylinder({6, 0, z}, {6, 0, z + 60}, 1.5f, 0.6f, 8);
  return m.Build();
}

KOR::Mesh3DFData StationTruss() {
  // A station frame the path flies through: two pylons, a deck beam, braces and pipes.
  MeshBuilder m;
  m.BeginPart(Tiled(48), 30);
  const float half = kSceneryPieceLength * 0.5f;
  for (float y : {-420.0f, 420.0f}) {
    m.BevelBox({-22, y - 22, -200}, {22, y + 22, 260}, 5);
    m.BevelBox({-30, y - 30, -210}, {30, y + 30, -170}, 6);
  }
  m.BevelBox({-26, -440, 240}, {26, 440, 290}, 6);
  m.BevelBox({-half, -440, -215}, {half, -380, -180}, 5);
  for (float y : {-400.0f, 400.0f})
    for (float s : {-1.0f, 1.0f}) m.Cylinder({0, y, 40 + 120 * s}, {0, y + (y > 0 ? -300.0f : 300.0f), 265}, 5, 5, 8);
  m.BeginPart(Tiled(32), 50);
  for (float z : {-170.0f, -150.0f}) m.Cylinder({-half, -395, z}, {half, -395, z}, 7, 7, 10, false);
  m.BeginPart(Tiled(32), 30);
  for (int i = 0; i < 6; ++i) {
    const float x = -half + 50 + 100 * float(i);
    m.BevelBox({x - 14, -420, -180}, {x + 14, -400, -140 + 30 * Hash(i, 0, 9)}, 3);
  }
  return m.Build();
}

KOR::Mesh3DFData StationWall() {
  // The station's hull beyond the frames: a plated wall facing +y with machinery,
  // conduits and ribs, seamless from one piece to the next.
  MeshBuilder m;
  m.BeginPart(Tiled(64), 30);
  const float half = kSceneryPieceLength * 0.5f;
  m.BevelBox({-half, -40, -160}, {half, 0, 340}, 4);
  for (int k = 0; k < 6; ++k) {
    const float x = -half + 50 + 100 * float(k);
    m.BevelBox({x - 8, -2, -160}, {x + 8, 14, 340}, 2);  // ribs
  }
  m.BeginPart(Tiled(32), 50);
  for (float z : {-60.0f, 70.0f, 210.0f}) m.Cylinder({-half, 10, z}, {half, 10, z}, 6, 6, 10, false);
  m.BeginPart(Tiled(40), 50);
  for (int i = 0; i < 24; ++i) {
    const float x = -half + 20 + (2 * half - 40) * Hash(i, 1, 31);
    const float z = -140 + 460 * Hash(i, 2, 31);
    const float w = 10 + 30 * Hash(i, 3, 31), h = 8 + 24 * Hash(i, 4, 31), d = 4 + 14 * Hash(i, 5, 31);
    m.BevelBox({x - w * 0.5f, -2, z - h * 0.5f}, {x + w * 0.5f, d, z + h * 0.5f}, 1.5f);
  }
  return m.Build();
}

KOR::Mesh3DFData SkyPanel() {
  // Columns across, each a row of vertices down the panel; the outer columns take the
  // texture's bottom (dark) rows, so the sky sinks away towards both ends.
  const float xs[] = {-kSkyWidth / 2, -kSkyWidth / 2 + kSkyFade, 0, kSkyWidth / 2 - kSkyFade, kSkyWidth / 2};
  constexpr int kRows = 9;
  KOR::Mesh3DFData mesh;
  for (size_t c = 0; c < std::size(xs); ++c) {
    const bool outer = c == 0 || c + 1 == std::size(xs);
    for (int r = 0; r < kRows; ++r) {
      const float v = float(r) / float(kRows - 1);
      KOR::Mesh3DFVertex vertex;
      vertex.position[0] = xs[c];
      vertex.position[2] = kSkyHeight * (0.5f - v);
      vertex.normal[1] = 1;
      vertex.texCoord[0] = (xs[c] + kSkyWidth / 2) / kSkyHeight;
      vertex.texCoord[1] = outer ? 0.97f : std::min(v, 0.97f);
      vertex.tangent[0] = vertex.tangent[3] = 1;
      mesh.vertices.push_back(vertex);
    }
  }
  // A triangle whose corners all sample the texture's black rows would add nothing, yet
  // the rasteriser would cover the lower third of the screen with them every frame: it is
  // left out. The vertices stay, so the triangles drawn are the same as before.
  auto triangle = [&](uint32_t p, uint32_t q, uint32_t r) {
    const float top = std::min({mesh.vertices[p].texCoord[1], mesh.vertices[q].texCoord[1], mesh.vertices[r].texCoord[1]});
    if (top < kSkyBlackFrom) mesh.indices.insert(mesh.indices.end(), {p, q, r});
  };
  for (uint32_t c = 0; c + 1 < std::size(xs); ++c)
    for (uint32_t r = 0; r + 1 < kRows; ++r) {
      const uint32_t a = c * kRows + r, b = a + kRows;
      triangle(a, a + 1, b);
      triangle(b, a + 1, b + 1);
    }
  return mesh;
}

std::vector<NamedMesh> AllMeshes() {
  return {{"player.3df", PlayerShip()},   {"drone.3df", Drone()},
          {"stinger.3df", Stinger()},     {"warden.3df", Warden()},
          {"boss.3df", Boss()},           {"canyon_wall.3df", CanyonWall()},
          {"canyon_floor.3df", CanyonFloor()}, {"rock_spire.3df", RockSpire()},
          {"tower.3df", Tower()},         {"station_truss.3df", StationTruss()},
          {"station_wall.3df", StationWall()}, {"sky.3df", SkyPanel()}};
}

}  // namespace Content
