// Our meshes through the engine's 3DF loader: sizes fit the collision radii the game
// derives from them, normals and tangents are sound, front faces face out, and the
// boss's gun ports are where the boss fires from.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "graphics/Mesh3DF.h"
#include "graphics/Mesh3DFFormat.h"
#include "scene/SceneFile.h"
#include "tests/content/ContentTestSupport.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

using ContentTest::Asset;

const char* const kMeshes[] = {"player.3df", "drone.3df",        "stinger.3df",     "warden.3df",
                               "boss.3df",   "canyon_wall.3df", "canyon_floor.3df", "rock_spire.3df",
                               "tower.3df",  "station_truss.3df", "station_wall.3df"};

KOR::Mesh3DFData Read(const std::string& name) {
  const std::vector<uint8_t> bytes = ContentTest::ReadBytes(Asset(name));
  KOR::Mesh3DFLayout layout;
  EXPECT_TRUE(KOR::ParseMesh3DF(bytes.data(), bytes.size(), layout)) << name;
  KOR::Mesh3DFData mesh;
  mesh.vertices.resize(size_t(layout.vertexCount));
  mesh.indices.resize(size_t(layout.indexCount));
  if (layout.vertexCount > 0) std::memcpy(mesh.vertices.data(), layout.vertices, mesh.vertices.size() * 48);
  if (layout.indexCount > 0) std::memcpy(mesh.indices.data(), layout.indices, mesh.indices.size() * 4);
  return mesh;
}

KOR::Vector3 Position(const KOR::Mesh3DFVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
KOR::Vector3 Normal(const KOR::Mesh3DFVertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }

class MeshContentTest : public CurrentRecordedDevice {};

TEST_F(MeshContentTest, EveryMeshLoadsThroughTheEngineWithASensibleSize) {
  for (const char* name : kMeshes) {
    KOR::Mesh3DF mesh;
    mesh.LoadFile(Asset(name));
    ASSERT_NE(mesh.GetRenderable(), nullptr) << name;
    const KOR::Mesh3DFData data = Read(name);
    EXPECT_GE(data.vertices.size(), 100u) << name;
    EXPECT_LE(data.vertices.size(), 8000u) << name;
    EXPECT_EQ(data.indices.size() % 3, 0u) << name;
    EXPECT_GT(mesh.GetRadius(), 0.0f) << name;
  }
}

TEST_F(MeshContentTest, CollisionRadiiSuitThePlay) {
  // The game collides with spheres of half the mesh radius; the play plane is about 250
  // units wide at the camera's distance and the ship moves within +-100 by +-50.
  std::map<std::string, float> half;
  for (const char* name : {"player.3df", "drone.3df", "stinger.3df", "warden.3df", "boss.3df"}) {
    KOR::Mesh3DF mesh;
    mesh.LoadFile(Asset(name));
    half[name] = mesh.GetRadius() * 0.5f;
  }
  EXPECT_GT(half["player.3df"], 4.0f);
  EXPECT_LT(half["player.3df"], 10.0f);
  for (const char* enemy : {"drone.3df", "stinger.3df", "warden.3df"}) {
    EXPECT_GT(half[enemy], 4.0f) << enemy;
    EXPECT_LT(half[enemy], 14.0f) << enemy;
  }
  // The boss sits 75 units along the plane; player shots vanish at 105, so its sphere
  // must reach them, and it must not cover the whole plane.
  EXPECT_GT(75.0f - half["boss.3df"], 20.0f);
  EXPECT_LT(75.0f - half["boss.3df"], 100.0f);
}

TEST_F(MeshContentTest, NormalsAndTangentsAreUnitAndTangentsLieInTheSurface) {
  for (const char* name : kMeshes) {
    const KOR::Mesh3DFData mesh = Read(name);
    int bad = 0;
    for (const auto& v : mesh.vertices) {
      const KOR::Vector3 n = Normal(v), t{v.tangent[0], v.tangent[1], v.tangent[2]};
      if (std::fabs(KOR::Length(n) - 1) > 1e-3f || std::fabs(KOR::Length(t) - 1) > 1e-3f ||
          std::fabs(KOR::Dot(n, t)) > 1e-3f || std::fabs(std::fabs(v.tangent[3]) - 1) > 1e-6f)
        ++bad;
    }
    EXPECT_EQ(bad, 0) << name;
  }
}

TEST_F(MeshContentTest, FrontFacesAreWoundAsTheEngineKeepsThemAndFaceOutwards) {
  // The engine culls clockwise triangles, so a face kept on screen has its vertices in
  // the order whose cross product (p2 - p0) x (p1 - p0) points out of the surface.
  for (const char* name : kMeshes) {
    const KOR::Mesh3DFData mesh = Read(name);
    size_t agree = 0, triangles = mesh.indices.size() / 3;
    for (size_t t = 0; t < triangles; ++t) {
      const auto &a = mesh.vertices[mesh.indices[3 * t]], &b = mesh.vertices[mesh.indices[3 * t + 1]],
                 &c = mesh.vertices[mesh.indices[3 * t + 2]];
      const KOR::Vector3 face = KOR::Cross(Position(c) - Position(a), Position(b) - Position(a));
      if (KOR::Dot(face, Normal(a) + Normal(b) + Normal(c)) > 0) ++agree;
    }
    EXPECT_GT(double(agree), 0.98 * double(triangles)) << name;
  }
}

TEST_F(MeshContentTest, TheBossCarriesAGlowingGunPortAtEachPlanePositionItFiresFrom) {
  // Where the boss stands in the plane at the end of the path, from the scene file.
  const std::vector<uint8_t> bytes = ContentTest::ReadBytes(Asset("zubra_level1.kor.scene"));
  const KOR::SceneFileContents scene = KOR::ParseSceneFile(bytes.data(), bytes.size(), "scene");
  const KOR::SceneObjectRecord *player = nullptr, *boss = nullptr;
  for (const auto& o : scene.objects) {
    if (o.typeName == "Player") player = &o;
    if (o.typeName == "Boss") boss = &o;
  }
  ASSERT_TRUE(player && boss);
  const KOR::SceneTransform plane = player->keys.back(), at = boss->keys.back();
  const KOR::Vector3 across = KOR::Rotate(plane.rotation, {0, 0, 1}), up = KOR::Rotate(plane.rotation, {0, 1, 0});
  const KOR::Quaternion inverse{at.rotation.w, -at.rotation.x, -at.rotation.y, -at.rotation.z};

  const KOR::Mesh3DFData mesh = Read("boss.3df");
  const ContentTest::Decoded glow = ContentTest::Decode("boss_e.tga");
  const float ports[4][2] = {{45, 40}, {70, 20}, {70, -20}, {45, -40}};
  for (const auto& port : ports) {
    const KOR::Vector3 world = plane.position + across * port[0] + up * port[1];
    const KOR::Vector3 local = KOR::Rotate(inverse, world - at.position);
    int glowing = 0;
    for (const auto& v : mesh.vertices) {
      const KOR::Vector3 d = Position(v) - local;
      if (std::hypot(d.y, d.z) > 14 || v.normal[0] < 0.3f) continue;  // near it, facing the camera
      const int x = std::clamp(int(v.texCoord[0] * float(glow.width)), 0, glow.width - 1);
      const int y = std::clamp(int(v.texCoord[1] * float(glow.height)), 0, glow.height - 1);
      if (glow.Channel(x, y, 16) + glow.Channel(x, y, 8) + glow.Channel(x, y, 0) > 0.6f) ++glowing;
    }
    EXPECT_GT(glowing, 3) << "port at " << port[0] << ", " << port[1];
  }
}

// The sky is added onto the frame: its textures' rows below the camera's height are
// black and add nothing. The panel keeps every row that adds colour and no triangle that
// samples black rows only, which would cost a third of the screen each frame for nothing.
TEST_F(MeshContentTest, TheSkyPanelCoversEveryRowItsTexturesColourAndNoneThatAreBlack) {
  int lastLit = -1, height = 0;
  for (const char* name : {"sky_canyon.tga", "sky_city.tga", "sky_station.tga"}) {
    const ContentTest::Decoded sky = ContentTest::Decode(name);
    ASSERT_GT(sky.height, 0) << name;
    height = sky.height;
    for (int y = 0; y < sky.height; ++y)
      for (int x = 0; x < sky.width; ++x)
        if (sky.At(x, y) & 0xFFFFFFu) lastLit = std::max(lastLit, y);
  }
  ASSERT_GT(lastLit, height / 4) << "the skies hold colour above the camera";
  ASSERT_LT(lastLit, height - 1) << "and none at the bottom";
  const float litEnd = float(lastLit + 1) / float(height);  // the first black row's v

  const KOR::Mesh3DFData mesh = Read("sky.3df");
  ASSERT_FALSE(mesh.indices.empty());
  float reached = 0;
  for (size_t t = 0; t < mesh.indices.size() / 3; ++t) {
    float lowest = 1, highest = 0;
    for (size_t k = 0; k < 3; ++k) {
      const float v = mesh.vertices[mesh.indices[3 * t + k]].texCoord[1];
      lowest = std::min(lowest, v), highest = std::max(highest, v);
    }
    EXPECT_LE(lowest, litEnd) << "triangle " << t << " samples black rows only";
    reached = std::max(reached, highest);
  }
  EXPECT_GE(reached, litEnd) << "the last coloured row is drawn";
}

}  // namespace
