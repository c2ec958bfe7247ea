// The level as the game reads it: the scene file through the scene loader, the level
// script through the interpreter, paced to the player's steering windows, and the
// high-score file; every file they name is one the content build made.

#include <cmath>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>

#include "scene/CameraEntity.h"
#include "scene/LightEntity.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/StaticMeshEntity.h"
#include "script/LevelScript.h"
#include "tests/content/ContentTestSupport.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

using ContentTest::Asset;

KOR::SceneFileContents ReadScene() {
  const std::vector<uint8_t> bytes = ContentTest::ReadBytes(Asset("zubra_level1.kor.scene"));
  return KOR::ParseSceneFile(bytes.data(), bytes.size(), "zubra_level1.kor.scene");
}

bool Exists(const std::string& name) { return std::filesystem::exists(Asset(name)); }

class LevelContentTest : public CurrentRecordedDevice {};

TEST_F(LevelContentTest, TheSceneLoadsWithThePlayerTheBossTheCameraLightsAndScenery) {
  KOR::Scene scene;
  scene.SetAssetDirectory(std::string(KOR_CONTENT_ASSETS) + "/");
  scene.Init(device, KOR::SceneSettings{});
  // The game's Player and Boss are static-mesh entities underneath; stand-ins show that
  // their records load.
  scene.RegisterPrototype("Player", std::make_unique<KOR::StaticMeshEntity>());
  scene.RegisterPrototype("Boss", std::make_unique<KOR::StaticMeshEntity>());
  scene.LoadScene(Asset("zubra_level1.kor.scene"));
  const auto meshes = scene.FindAllByType("StaticMeshEntity");
  EXPECT_GT(meshes.size(), 60u);
  for (KOR::Entity* e : meshes) EXPECT_NE(static_cast<KOR::StaticMeshEntity*>(e)->mesh, nullptr);
  const auto cameras = scene.FindAllByType("CameraEntity");
  ASSERT_EQ(cameras.size(), 1u);
  EXPECT_EQ(static_cast<KOR::CameraEntity*>(cameras[0])->name, "p_camera");
  EXPECT_GE(scene.FindAllByType("LightEntity").size(), 4u);
}

TEST_F(LevelContentTest, TheCameraWatchesThePlayPlaneSquareOnForTheWholeFlight) {
  const KOR::SceneFileContents scene = ReadScene();
  const KOR::SceneObjectRecord* player = nullptr;
  for (const auto& o : scene.objects)
    if (o.typeName == "Player") player = &o;
  ASSERT_NE(player, nullptr);
  ASSERT_EQ(scene.cameras.size(), 1u);
  const KOR::SceneCameraRecord& camera = scene.cameras[0];
  // 104 s of keys at 0.1 s for the player and the camera.
  ASSERT_EQ(player->keys.size(), 1041u);
  ASSERT_EQ(camera.keys.size(), 1041u);
  ASSERT_EQ(camera.keyFovs.size(), 1041u);
  float travelled = 0;
  for (size_t k = 0; k < player->keys.size(); ++k) {
    const KOR::SceneTransform& plane = player->keys[k];
    const KOR::SceneTransform& view = camera.keys[k];
    // The plane's axes as the player publishes them, the camera's as it applies them.
    const KOR::Vector3 planeUp = KOR::Rotate(plane.rotation, {0, 1, 0});
    const KOR::Vector3 planeAcross = KOR::Rotate(plane.rotation, {0, 0, 1});
    const KOR::Vector3 forward = KOR::Rotate(view.rotation, {1, 0, 0}), up = KOR::Rotate(view.rotation, {0, 0, 1});
    const KOR::Vector3 right = KOR::Cross(up, forward);
    ASSERT_GT(KOR::Dot(planeAcross, right), 0.999f) << k;  // shots fly to the right of the screen
    ASSERT_GT(KOR::Dot(planeUp, up), 0.999f) << k;
    // The plane's centre is straight ahead, at the camera's distance.
    const KOR::Vector3 toPlane = plane.position - view.position;
    ASSERT_GT(KOR::Dot(toPlane, forward), 0.999f * KOR::Length(toPlane)) << k;
    ASSERT_NEAR(KOR::Length(toPlane), 160.0f, 1.0f) << k;
    if (k > 0) travelled += KOR::Length(plane.position - player->keys[k - 1].position);
  }
  EXPECT_GT(travelled, 10000.0f);  // it flies, and the scenery has to cover it
}

TEST_F(LevelContentTest, OneSkyAtATimeFillsTheViewFarBeyondTheFog) {
  const KOR::SceneFileContents scene = ReadScene();
  std::vector<const KOR::SceneObjectRecord*> skies;
  for (const auto& o : scene.objects)
    if (o.meshName == "sky.3df") skies.push_back(&o);
  ASSERT_EQ(skies.size(), 3u);
  const char* kinds[] = {"sky_canyon.tga", "sky_city.tga", "sky_station.tga"};
  for (size_t j = 0; j < skies.size(); ++j) {
    EXPECT_STREQ(skies[j]->material.diffuseName, kinds[j]);
    // Unlit and glowing: the material that the renderers draw without fog.
    EXPECT_TRUE(skies[j]->material.unlit && skies[j]->material.glow) << j;
    ASSERT_EQ(skies[j]->keys.size(), scene.cameras[0].keys.size());
  }
  // The panel is 28000 wide and sinks away over its last 2500 at each end; the widest
  // screen (16:9) sees 0.8 of the stored field of view up and down.
  const float halfWidth = 14000, clear = halfWidth - 2500;
  const float halfAcross = std::atan(std::tan(scene.cameras[0].fov * 0.4f) * 16.0f / 9.0f);
  size_t frames = 0;
  for (size_t k = 0; k < scene.cameras[0].keys.size(); ++k) {
    const KOR::SceneTransform& view = scene.cameras[0].keys[k];
    const KOR::Vector3 forward = KOR::Rotate(view.rotation, {1, 0, 0}), up = KOR::Rotate(view.rotation, {0, 0, 1});
    const KOR::Vector3 right = KOR::Cross(up, forward);
    int near = 0, covering = 0;
    std::vector<float> places;
    for (const auto* sky : skies) {
      const KOR::SceneTransform& at = sky->keys[k];
      const KOR::Vector3 towardsCamera = KOR::Rotate(at.rotation, {0, 1, 0}), along = KOR::Rotate(at.rotation, {1, 0, 0});
      const KOR::Vector3 to = at.position - view.position;
      if (KOR::Length(to) > 50000) continue;  // waiting far off, culled
      ++near;
      const float distance = -KOR::Dot(to, towardsCamera);
      EXPECT_NEAR(distance, 5000.0f, 1.0f) << k;  // the fog would leave 0.01 % of it
      places.push_back(KOR::Dot(to, along));
      // Where the view's left and right edges meet the panel, from its centre.
      bool covers = true;
      for (float side : {-1.0f, 1.0f}) {
        const KOR::Vector3 edge = forward * std::cos(halfAcross) + right * (side * std::sin(halfAcross));
        const float facing = -KOR::Dot(edge, towardsCamera);
        covers = covers && facing > 0 && std::fabs(KOR::Dot(edge * (distance / facing) - to, along)) < clear;
      }
      covering += covers;
    }
    EXPECT_LE(near, 2) << k;
    if (places.size() == 2) {
      EXPECT_NEAR(std::fabs(places[0] - places[1]), 2 * halfWidth, 1.0f) << "edge to edge, " << k;
    }
    frames += covering == 1 && near == 1;
  }
  // Outside the four-second slides between sections, one sky covers the whole view.
  EXPECT_GT(frames, scene.cameras[0].keys.size() - 90);
}

TEST_F(LevelContentTest, EveryFileTheSceneNamesWasMade) {
  const KOR::SceneFileContents scene = ReadScene();
  std::set<std::string> names;
  for (const auto& o : scene.objects) {
    names.insert(o.meshName);
    for (const char* field : {o.material.diffuseName, o.material.normalName, o.material.specularName,
                              o.material.emissiveName})
      if (*field) names.insert(field);
  }
  EXPECT_GT(names.size(), 25u);
  for (const std::string& name : names) EXPECT_TRUE(Exists(name)) << name;
  // Coloured lights, some steady, some travelling with the plane.
  int coloured = 0;
  for (const auto& light : scene.lights)
    if (std::fabs(light.colour.x - light.colour.z) > 0.3f) ++coloured;
  EXPECT_GE(coloured, 3);
}

TEST(LevelScriptContent, PassesTheInterpreterAndNamesOnlyFilesTheBuildMade) {
  LevelScript script;
  script.Load(Asset("level.zub.script"), nullptr);
  EXPECT_GT(script.spawns.size(), 50u);
  std::set<std::string> guns;
  std::set<int> movements;
  for (const EnemySpawn& s : script.spawns) {
    guns.insert(s.gun);
    movements.insert(s.movement);
    for (const std::string& file : {s.model, s.diffuse, s.normal, s.specular}) EXPECT_TRUE(Exists(file)) << file;
  }
  EXPECT_EQ(guns, (std::set<std::string>{"none", "simple", "homing"}));
  EXPECT_EQ(movements, (std::set<int>{0, 1, 2}));
  // Every quoted file name in the script, used or not, is there.
  const std::vector<uint8_t> bytes = ContentTest::ReadBytes(Asset("level.zub.script"));
  const std::string text(bytes.begin(), bytes.end());
  const std::regex file("\"([A-Za-z0-9_]+\\.(tga|3df|mp3|wav|kor\\.texture|kor\\.scene))\"");
  int named = 0;
  for (auto m = std::sregex_iterator(text.begin(), text.end(), file); m != std::sregex_iterator(); ++m, ++named)
    EXPECT_TRUE(Exists((*m)[1])) << (*m)[1];
  EXPECT_GT(named, 15);
  // Every statement and option of the language appears at least once.
  for (const char* word : {"script", "menu", "enemy", "wave", "level", "pic", "music", "name", "banner", "model",
                           "diffuse", "normal", "specular", "shininess", "text", "scene", "gun", "energy", "start",
                           "end", "fadein", "fadeout", "position", "move", "forward", "sin", "seek", "speed", "size",
                           "camera", "freq", "amplitude", "phase", "frame"})
    EXPECT_TRUE(std::regex_search(text, std::regex(std::string("[\\s{;,]") + word + "[\\s,;]"))) << word;
  for (const char* form : {"'", " + ", " - ", " * ", " / ", "-5", "speed ("}) EXPECT_NE(text.find(form), std::string::npos) << form;
}

TEST(LevelScriptContent, FightsHappenWhileThePlayerCanSteer) {
  LevelScript script;
  script.Load(Asset("level.zub.script"), nullptr);
  const float windows[3][2] = {{5.6f, 23.2f}, {34.5f, 49.4f}, {59.7f, 91.1f}};
  auto inWindow = [&](float from, float to) {
    for (const auto& w : windows)
      if (from >= w[0] - 1 && to <= w[1] + 2) return true;
    return false;
  };
  for (const EnemySpawn& s : script.spawns) {
    EXPECT_LT(s.start, 104.0f);
    // Within the ship's reach (+-50 up and down), its weaving included.
    const float reach = std::fabs(s.position.y) + (s.movement == 1 ? std::fabs(s.amplitude) : 0.0f);
    EXPECT_LE(reach, 55.0f) << s.model << " at " << s.start;
    if (s.movement == 2) {
      // A seeker stays and shoots until it is destroyed: it may only arrive once the
      // player can steer and fire, with time left to destroy it.
      bool fair = false;
      for (const auto& w : windows) fair = fair || (s.start >= w[0] && s.start + 6 <= w[1]);
      EXPECT_TRUE(fair) << s.model << " at " << s.start;
      continue;
    }
    ASSERT_GT(s.speed, 0.0f);
    // On screen from when it passes x = 110 until it leaves past the ship's reach.
    const float in = s.start + std::max(0.0f, (s.position.x - 110) / s.speed);
    const float out = s.start + (s.position.x + 100) / s.speed;
    EXPECT_TRUE(inWindow(in, out)) << s.model << " at " << s.start << " shows " << in << " to " << out;
  }
}

TEST(ScoreContent, TenRecordsOfANameAndAScore) {
  const std::vector<uint8_t> bytes = ContentTest::ReadBytes(Asset("score.zub.score"));
  ASSERT_EQ(bytes.size(), 200u);
  std::set<int32_t> scores;
  for (size_t r = 0; r < 10; ++r) {
    const uint8_t* record = &bytes[r * 20];
    const size_t length = strnlen(reinterpret_cast<const char*>(record), 16);
    EXPECT_GT(length, 0u);
    EXPECT_LT(length, 16u);  // the zero byte lies inside the field
    int32_t score;
    std::memcpy(&score, record + 16, 4);
    EXPECT_GT(score, 0);
    scores.insert(score);
  }
  EXPECT_EQ(scores.size(), 10u);  // one name per score: none is lost in the table
}

}  // namespace

// Pieces of scenery follow each other along the path: no two walls stand in one place,
// and the run-up before the start holds a few pieces, not one per step of it.
TEST_F(LevelContentTest, SceneryPiecesAreSpreadAlongThePathNotPiledUp) {
  const KOR::SceneFileContents scene = ReadScene();
  std::vector<KOR::Vector3> walls;
  for (const auto& o : scene.objects)
    if (o.meshName == "canyon_wall.3df" && o.objectName.find(" wall") != std::string::npos)
      walls.push_back(o.transform.position);
  ASSERT_GE(walls.size(), 5u);
  for (size_t a = 0; a < walls.size(); ++a)
    for (size_t b = a + 1; b < walls.size(); ++b)
      EXPECT_GT(KOR::Length(walls[a] - walls[b]), 400.0f) << "walls " << a << " and " << b;
  // About 15 000 units of flight and run-out, a piece every 560: a few dozen pieces, each a
  // handful of objects.
  EXPECT_LT(scene.objects.size(), 300u);
}

// At load, every material of the level is drawn once on each path, as a frame draws it,
// but nothing reaches the screen: no present, and the back buffer cleared after.
TEST_F(LevelContentTest, WarmingUpDrawsEveryMaterialsPassesAndPresentsNothing) {
  // The effect files are read from "shaders/" of the working folder: the source tree's.
  struct InSourceTree {
    std::filesystem::path previous = std::filesystem::current_path();
    InSourceTree() { std::filesystem::current_path(std::filesystem::path(KOR_CONTENT_SOURCE).parent_path()); }
    ~InSourceTree() { std::filesystem::current_path(previous); }
  } inSourceTree;
  for (bool perPixel : {true, false}) {
    KOR::Scene scene;
    scene.SetAssetDirectory(std::string(KOR_CONTENT_ASSETS) + "/");
    KOR::SceneSettings settings;
    settings.perPixelLighting = perPixel;
    settings.screenWidth = 800, settings.screenHeight = 600;
    scene.Init(device, settings);
    scene.RegisterPrototype("Player", std::make_unique<KOR::StaticMeshEntity>());
    scene.RegisterPrototype("Boss", std::make_unique<KOR::StaticMeshEntity>());
    scene.LoadScene(Asset("zubra_level1.kor.scene"));
    recording.calls.clear();
    scene.WarmUp();
    EXPECT_EQ(Count("Present("), 0u) << "per pixel: " << perPixel;
    ASSERT_FALSE(recording.calls.empty());
    EXPECT_EQ(recording.calls.back().rfind("Clear(", 0), 0u) << recording.calls.back();
    // Each material is drawn in each of its passes: per pixel a depth, a lit (two lights
    // at least), an emissive and a fog pass for most; per vertex one.
    const size_t draws = Count("DrawIndexedPrimitive(");
    EXPECT_GE(draws, perPixel ? 20u : 5u) << "per pixel: " << perPixel;
  }
}
