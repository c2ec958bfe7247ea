#include "tools/content/LevelScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "tools/content/Image.h"
#include "tools/content/Models.h"
#include "tools/scene/SceneWriters.h"

namespace Content {

using KOR::Quaternion;
using KOR::Vector3;

namespace {

constexpr float kDegrees = float(M_PI) / 180.0f;
constexpr float kKeyStep = 0.1f;

struct Waypoint {
  float time, heading, altitude, speed;
};
struct SectionSpec {
  std::string kind;
  float from, to;
};
struct LightSpec {
  bool follow;
  float time;
  Vector3 colour;
  float range, along, side, up, pulse;
};
struct Source {
  float distance = 160, fovDegrees = 75;
  float duration = LevelOne::kPathEnd;  // seconds of keys: the path ends where the game's rules say
  std::vector<Waypoint> waypoints;
  std::vector<SectionSpec> sections;
  std::vector<LightSpec> lights;
  float bossArrive = 96, bossFrom = 1500, bossX = kBossPlaneX;
};

Source Parse(const std::string& text) {
  Source s;
  std::istringstream lines(text);
  std::string line, word;
  int number = 0;
  auto fail = [&](const std::string& why) {
    throw std::runtime_error("scene source line " + std::to_string(number) + ": " + why);
  };
  while (std::getline(lines, line)) {
    ++number;
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream in(line);
    if (!(in >> word)) continue;
    bool ok = true;
    if (word == "distance") {
      ok = bool(in >> s.distance);
    } else if (word == "fov") {
      ok = bool(in >> s.fovDegrees);
    } else if (word == "waypoint") {
      Waypoint w{};
      ok = bool(in >> w.time >> w.heading >> w.altitude >> w.speed);
      if (ok && !s.waypoints.empty() && w.time <= s.waypoints.back().time) fail("waypoints must go forward in time");
      s.waypoints.push_back(w);
    } else if (word == "section") {
      SectionSpec sec;
      ok = bool(in >> sec.kind >> sec.from >> sec.to);
      if (ok && sec.kind != "canyon" && sec.kind != "city" && sec.kind != "station") fail("unknown section " + sec.kind);
      s.sections.push_back(sec);
    } else if (word == "light") {
      LightSpec l{};
      std::string how;
      in >> how;
      l.follow = how == "follow";
      if (l.follow)
        ok = bool(in >> l.colour.x >> l.colour.y >> l.colour.z >> l.range >> l.along >> l.side >> l.up);
      else if (how == "fixed")
        ok = bool(in >> l.time >> l.colour.x >> l.colour.y >> l.colour.z >> l.range >> l.side >> l.up >> l.pulse);
      else
        fail("a light is follow or fixed");
      s.lights.push_back(l);
    } else if (word == "boss") {
      ok = bool(in >> s.bossArrive >> s.bossFrom >> s.bossX);
    } else {
      fail("unknown word " + word);
    }
    if (!ok) fail("missing or bad numbers after " + word);
  }
  if (s.waypoints.size() < 2) fail("a path needs two waypoints");
  return s;
}

Vector3 Scale(const Vector3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }

// The path, sampled finely: where the plane's centre is and which way it heads.
struct PathSample {
  Vector3 position;
  float heading;
};

class Path {
public:
  explicit Path(const Source& source) : waypoints(source.waypoints) {
    const float step = 0.01f;
    Vector3 at{0, 0, Value(0).altitude};
    for (int i = 0;; ++i) {
      const float t = float(i) * step;
      const Waypoint w = Value(t);
      at.z = w.altitude;
      samples.push_back({at, w.heading * kDegrees});
      if (t > source.duration + 10) break;
      at.x += std::cos(w.heading * kDegrees) * w.speed * step;
      at.y += std::sin(w.heading * kDegrees) * w.speed * step;
    }
  }
  PathSample At(float t) const {
    const size_t i = std::min(samples.size() - 1, size_t(std::max(0.0f, std::round(t / 0.01f))));
    return samples[i];
  }
  static Vector3 Along(float h) { return {std::cos(h), std::sin(h), 0}; }
  // Towards the camera: the side of the path the camera flies on.
  static Vector3 Side(float h) { return {-std::sin(h), std::cos(h), 0}; }

private:
  // Eased between waypoints, held after the last.
  Waypoint Value(float t) const {
    if (t <= waypoints.front().time) return waypoints.front();
    for (size_t i = 0; i + 1 < waypoints.size(); ++i) {
      const Waypoint& a = waypoints[i];
      const Waypoint& b = waypoints[i + 1];
      if (t <= b.time) {
        float f = (t - a.time) / (b.time - a.time);
        f = f * f * (3 - 2 * f);
        return {t, a.heading + (b.heading - a.heading) * f, a.altitude + (b.altitude - a.altitude) * f,
                a.speed + (b.speed - a.speed) * f};
      }
    }
    return waypoints.back();
  }
  std::vector<Waypoint> waypoints;
  std::vector<PathSample> samples;
};

void SetName(char (&field)[256], const std::string& name) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, name.data(), std::min(name.size(), sizeof field - 1));
}

KOR::SceneMaterialBlock Material(const std::string& maps, float shininess, bool glow) {
  KOR::SceneMaterialBlock block = KOR::MaterialBlock(1, 1, 1, 1, maps + "_d.tga");
  block.shininess = shininess;
  SetName(block.normalName, maps + "_n.tga");
  SetName(block.specularName, maps + "_s.tga");
  if (glow) {
    block.glow = 1;
    SetName(block.emissiveName, maps + "_e.tga");
  }
  return block;
}

KOR::SceneObjectRecord Object(const std::string& type, const std::string& name, const std::string& mesh,
                              const KOR::SceneMaterialBlock& material, Vector3 at, float heading, float scale = 1) {
  KOR::SceneObjectRecord o;
  o.typeName = type;
  o.objectName = name;
  o.meshName = mesh;
  o.material = material;
  o.transform.position = at;
  o.transform.rotation = FromAxes(Path::Along(heading), Path::Side(heading), {0, 0, 1});
  o.transform.scale = scale;
  return o;
}

}  // namespace

Quaternion FromAxes(const Vector3& x, const Vector3& y, const Vector3& z) {
  // Columns x, y, z of the rotation matrix; the usual branch on the largest diagonal.
  const float m00 = x.x, m11 = y.y, m22 = z.z;
  Quaternion q;
  const float trace = m00 + m11 + m22;
  if (trace > 0) {
    const float s = std::sqrt(trace + 1) * 2;
    q = {0.25f * s, (y.z - z.y) / s, (z.x - x.z) / s, (x.y - y.x) / s};
  } else if (m00 > m11 && m00 > m22) {
    const float s = std::sqrt(1 + m00 - m11 - m22) * 2;
    q = {(y.z - z.y) / s, 0.25f * s, (y.x + x.y) / s, (z.x + x.z) / s};
  } else if (m11 > m22) {
    const float s = std::sqrt(1 + m11 - m00 - m22) * 2;
    q = {(z.x - x.z) / s, (y.x + x.y) / s, 0.25f * s, (z.y + y.z) / s};
  } else {
    const float s = std::sqrt(1 + m22 - m00 - m11) * 2;
    q = {(x.y - y.x) / s, (z.x + x.z) / s, (z.y + y.z) / s, 0.25f * s};
  }
  if (q.w < 0) q = {-q.w, -q.x, -q.y, -q.z};  // one sign, so keys never flip
  return q;
}

KOR::SceneFileContents BuildLevelScene(const std::string& text) {
  const Source source = Parse(text);
  const Path path(source);
  KOR::SceneFileContents scene;
  std::memcpy(scene.header, KOR::SceneFileFormat::kHeader, sizeof scene.header);
  const int keys = int(std::lround(source.duration / kKeyStep)) + 1;
  const Vector3 up{0, 0, 1};

  // The player's record: its keys are the plane's centre and orientation (+y up on
  // screen, +z along the path, +x towards the camera).
  KOR::SceneObjectRecord player = Object("Player", "player", "player.3df", Material("player", 0.4f, true),
                                         path.At(0).position, 0);
  KOR::SceneCameraRecord camera;
  camera.name = "p_camera";
  camera.fov = source.fovDegrees * kDegrees;
  KOR::SceneObjectRecord boss = Object("Boss", "boss", "boss.3df", Material("boss", 0.5f, true), {}, 0);
  for (int k = 0; k < keys; ++k) {
    const float t = float(k) * kKeyStep;
    const PathSample s = path.At(t);
    const Vector3 along = Path::Along(s.heading), side = Path::Side(s.heading);
    KOR::SceneTransform plane;
    plane.position = s.position;
    plane.rotation = FromAxes(side, up, along);
    player.keys.push_back(plane);
    // The camera looks at the plane from its side; its own x is forward and z up.
    KOR::SceneTransform view;
    view.position = s.position + Scale(side, source.distance);
    view.rotation = FromAxes(Scale(side, -1), along, up);
    camera.keys.push_back(view);
    camera.keyFovs.push_back(camera.fov);
    // The boss keeps ahead of the plane, then eases into its place in it.
    float f = std::clamp((t - source.bossArrive) / (source.duration - source.bossArrive), 0.0f, 1.0f);
    f = 1 - (1 - f) * (1 - f) * (1 - f);
    KOR::SceneTransform bossKey = plane;
    bossKey.position = s.position + Scale(along, source.bossX + source.bossFrom * (1 - f));
    boss.keys.push_back(bossKey);
  }
  player.transform = player.keys.front();
  camera.transform = camera.keys.front();
  boss.transform = boss.keys.front();
  scene.objects.push_back(player);
  scene.objects.push_back(boss);
  scene.cameras.push_back(camera);

  // Scenery pieces every 560 units along the path (the pieces are 600 long, so they
  // overlap a little where the path turns).
  const KOR::SceneMaterialBlock rock = Material("rock", 0.1f, false), sand = Material("sand", 0.05f, false),
                                city = Material("city", 0.3f, true), station = Material("station", 0.5f, true);
  // The run-up before the start counts its distance too, or every step of it would place
  // a piece of its own.
  const float firstTime = -8;
  float travelled = 0, nextPiece = 0;
  Vector3 last = path.At(0).position + Scale(Path::Along(path.At(0).heading), firstTime * 150);
  int piece = 0;
  for (float t = firstTime; t < source.duration + 8; t += 0.05f) {
    const PathSample s = path.At(std::max(t, 0.0f));
    Vector3 at = s.position;
    if (t < 0) at = at + Scale(Path::Along(s.heading), t * 150);
    travelled += KOR::Length(at - last);
    last = at;
    if (travelled < nextPiece) continue;
    nextPiece = travelled + 560;
    ++piece;
    std::string kind = "canyon";
    for (const SectionSpec& sec : source.sections)
      if (t >= sec.from && t < sec.to) kind = sec.kind;
    const float h = s.heading;
    const Vector3 along = Path::Along(h), side = Path::Side(h), flat{at.x, at.y, 0};
    auto place = [&](float a, float sd, float z) { return flat + Scale(along, a) + Scale(side, sd) + Vector3{0, 0, z}; };
    const std::string id = kind + " " + std::to_string(piece);
    const float r1 = Hash(piece, 1, 77), r2 = Hash(piece, 2, 77), r3 = Hash(piece, 3, 77);
    if (kind == "canyon") {
      // A far cliff, a nearer broken ridge in front of it, spires and the canyon floor.
      scene.objects.push_back(Object("staticMesh", id + " wall", "canyon_wall.3df", rock, place(0, -620, at.z - 60), h, 1.1f));
      scene.objects.push_back(
          Object("staticMesh", id + " ridge", "canyon_wall.3df", rock, place(300 * r2 - 150, -330, at.z - 230), h, 0.45f));
      scene.objects.push_back(Object("staticMesh", id + " floor", "canyon_floor.3df", sand, place(0, 80, at.z - 190), h));
      scene.objects.push_back(Object("staticMesh", id + " far floor", "canyon_floor.3df", sand, place(0, -900, at.z - 200), h));
      scene.objects.push_back(
          Object("staticMesh", id + " spire", "rock_spire.3df", rock, place(-200 + 400 * r1, -260 - 120 * r2, at.z - 170), h,
                 0.6f + 0.6f * r3));
    } else if (kind == "city") {
      scene.objects.push_back(Object("staticMesh", id + " ground", "canyon_floor.3df", station, place(0, 80, at.z - 200), h));
      for (int k = 0; k < 3; ++k) {
        const float a = -200 + 200 * float(k) + 60 * (Hash(piece, k + 4, 77) - 0.5f);
        const float d = -280 - 200 * Hash(piece, k + 8, 77);
        scene.objects.push_back(Object("staticMesh", id + " tower " + std::to_string(k), "tower.3df", city,
                                       place(a, d, at.z - 60), h + 0.3f * float(k), 0.8f + 0.5f * Hash(piece, k + 12, 77)));
      }
      // A second, taller row far off, half lost in the haze.
      for (int k = 0; k < 2; ++k)
        scene.objects.push_back(Object("staticMesh", id + " far tower " + std::to_string(k), "tower.3df", city,
                                       place(-150 + 300 * float(k) + 80 * r1, -900 - 200 * Hash(piece, k + 20, 77), at.z - 120),
                                       h + 0.5f * float(k), 1.4f + 0.4f * Hash(piece, k + 24, 77)));
    } else {
      scene.objects.push_back(Object("staticMesh", id + " truss", "station_truss.3df", station, place(0, 0, at.z), h));
      scene.objects.push_back(Object("staticMesh", id + " hull", "station_wall.3df", station, place(0, -640, at.z - 240), h));
      scene.objects.push_back(Object("staticMesh", id + " module", "tower.3df", station,
                                     place(-150 + 300 * r1, -460, at.z - 40), h, 0.9f + 0.4f * r2));
    }
  }

  // A sky for each section: a panel that keeps its distance ahead of the camera and one
  // bearing for the whole flight (between the path's extreme headings), so it turns
  // across the view as a far sky would. The panels lie in one plane: over the last seconds
  // of a section one slides out along it as the next slides in, edge to edge; one not in
  // view waits far off, where culling leaves it undrawn.
  constexpr float kSkySlide = 4;  // seconds
  auto sectionIndex = [&](float t) {
    float p = 0;
    for (size_t i = 1; i < source.sections.size(); ++i) p += Smooth(-0.5f, 0.5f, (t - source.sections[i].from) / kSkySlide);
    return p;
  };
  float lowest = path.At(0).heading, highest = lowest;
  for (float t = 0; t <= source.duration; t += 0.5f)
    lowest = std::min(lowest, path.At(t).heading), highest = std::max(highest, path.At(t).heading);
  const float bearing = (lowest + highest) * 0.5f;
  for (size_t j = 0; j < source.sections.size(); ++j) {
    const SectionSpec& sec = source.sections[j];
    KOR::SceneMaterialBlock sky = KOR::MaterialBlock(1, 1, 1, 1, "sky_" + sec.kind + ".tga");
    sky.unlit = 1;
    sky.glow = 1;  // unlit and glowing: drawn without fog
    sky.twoSided = 1;
    KOR::SceneObjectRecord o = Object("staticMesh", "sky " + sec.kind, "sky.3df", sky, {}, bearing);
    for (int k = 0; k < keys; ++k) {
      const float t = float(k) * kKeyStep;
      const float offset = float(j) - sectionIndex(t);
      KOR::SceneTransform key;
      key.rotation = o.transform.rotation;
      const Vector3 eye = camera.keys[size_t(k)].position;
      const float along = std::fabs(offset) < 1 ? offset * kSkyWidth : (offset < 0 ? -1e5f : 1e5f);
      key.position = eye + Scale(Path::Side(bearing), -kSkyDistance) + Scale(Path::Along(bearing), along);
      o.keys.push_back(key);
    }
    o.transform = o.keys.front();
    scene.objects.push_back(o);
  }

  for (const LightSpec& lamp : source.lights) {
    KOR::SceneLightRecord light;
    light.colour = lamp.colour;
    light.range = lamp.range;
    for (int k = 0; k < keys; ++k) {
      const float t = float(k) * kKeyStep;
      const PathSample s = path.At(lamp.follow ? t : lamp.time);
      const Vector3 at = s.position + Scale(Path::Along(s.heading), lamp.along) + Scale(Path::Side(s.heading), lamp.side) +
                         Vector3{0, 0, lamp.up};
      const float glow = lamp.pulse > 0 ? 0.55f + 0.45f * std::cos(2 * float(M_PI) * lamp.pulse * t) : 1.0f;
      if (!lamp.follow && lamp.pulse == 0) {
        light.position = at;  // a steady light needs no keys
        break;
      }
      light.keyPositions.push_back(at);
      light.keyColours.push_back(Scale(lamp.colour, glow));
      light.keyValues.push_back(0);
    }
    if (!light.keyPositions.empty()) light.position = light.keyPositions.front();
    scene.lights.push_back(light);
  }
  return scene;
}

std::vector<uint8_t> ScoreFile(const std::string& text) {
  std::vector<uint8_t> out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream in(line);
    std::string name;
    int32_t score = 0;
    if (!(in >> name)) continue;
    if (!(in >> score) || name.size() > 15) throw std::runtime_error("score line needs NAME (15 at most) SCORE: " + line);
    uint8_t record[20] = {};
    std::memcpy(record, name.data(), name.size());
    std::memcpy(record + 16, &score, 4);
    out.insert(out.end(), record, record + 20);
  }
  if (out.size() != 200) throw std::runtime_error("the score file needs exactly ten entries");
  return out;
}

}  // namespace Content
