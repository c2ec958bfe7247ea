// The level drawn by the engine itself on the GL backend, headless, per pixel with glow
// and per vertex, at four moments of the flight (canyon, city, station, the boss). The
// player, the boss and a formation of enemies stand in as plain meshes on paths that
// travel with the play plane, until the game's own entities exist. The pictures are
// kept as artifacts.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include <stb/stb_image_write.h>

#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "platform/d3d9/D3D9Testing.h"
#include "render_d3d9/Module.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/StaticMeshEntity.h"
#include "tests/content/ContentTestSupport.h"
#include "tools/scene/SceneWriters.h"

namespace {

struct Picture {
  std::vector<uint32_t> pixels;
  UINT width = 0, height = 0;
};

void Keep(const Picture& p, const std::string& name) {
  std::vector<unsigned char> rgb;
  for (uint32_t pixel : p.pixels) rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
  const std::string path = std::string(KOR_ARTIFACTS) + "/" + name;
  EXPECT_NE(stbi_write_png(path.c_str(), int(p.width), int(p.height), 3, rgb.data(), int(p.width) * 3), 0) << path;
}

// The level's scene with enemies flying in formation in the play plane, as the game
// places them: at plane points, turned with the plane, wearing the level script's maps.
std::string LevelWithEnemies() {
  const std::vector<uint8_t> bytes = ContentTest::ReadBytes(ContentTest::Asset("zubra_level1.kor.scene"));
  KOR::SceneFileContents scene = KOR::ParseSceneFile(bytes.data(), bytes.size(), "level");
  std::vector<KOR::SceneTransform> plane;
  for (const auto& o : scene.objects)
    if (o.typeName == "Player") plane = o.keys;
  struct Enemy {
    const char *model, *skin;
    float x, y, shininess;
  };
  const Enemy formation[] = {{"stinger", "stinger_red", 30, 0, 0.4f}, {"drone", "drone", 55, 20, 0.3f},
                             {"drone", "drone", 55, -20, 0.3f},       {"stinger", "stinger", 80, 32, 0.4f},
                             {"warden", "warden", 100, -30, 0.6f}};
  for (const Enemy& e : formation) {
    KOR::SceneObjectRecord record;
    record.typeName = "staticMesh";
    record.objectName = e.skin;
    record.meshName = std::string(e.model) + ".3df";
    record.material = KOR::MaterialBlock(1, 1, 1, 1, std::string(e.skin) + "_d.tga");
    record.material.shininess = e.shininess;
    std::strcpy(record.material.normalName, (std::string(e.model) + "_n.tga").c_str());
    std::strcpy(record.material.specularName, (std::string(e.model) + "_s.tga").c_str());
    for (size_t k = 0; k + 50 < plane.size(); ++k) {  // gone before the boss arrives
      KOR::SceneTransform key = plane[k];
      key.position = key.position + KOR::Rotate(key.rotation, {0, 0, 1}) * e.x + KOR::Rotate(key.rotation, {0, 1, 0}) * e.y;
      record.keys.push_back(key);
    }
    record.transform = record.keys.front();
    scene.objects.push_back(record);
  }
  const std::string path = (std::filesystem::temp_directory_path() / "kor-content-gl-level.kor.scene").string();
  EXPECT_TRUE(KOR::WriteFileBytes(path, KOR::WriteSceneFile(scene)));
  return path;
}

void DrawTheLevel(bool perPixel) {
  KOR::RenderSystem::Instance().LoadModule("d3d9");
  KOR::Device* device = KOR::RenderSystem::Instance().CreateDevice();
  ASSERT_NE(device, nullptr);
  device->Create(800, 600, true, 3, 0, 0);
  {
    KOR::Scene scene;
    scene.SetAssetDirectory(std::string(KOR_CONTENT_ASSETS) + "/");
    KOR::SceneSettings settings;
    settings.perPixelLighting = perPixel;
    settings.glowEffects = perPixel;
    settings.specularLighting = perPixel;
    scene.Init(device, settings);
    scene.SetFog({{0.1f, 0.12f, 0.15f, 1.0f}, 0.001f});  // as the game sets them
    scene.RegisterPrototype("Player", std::make_unique<KOR::StaticMeshEntity>());
    scene.RegisterPrototype("Boss", std::make_unique<KOR::StaticMeshEntity>());
    const std::string level = LevelWithEnemies();
    scene.LoadScene(level);
    std::filesystem::remove(level);
    scene.SetCameraName("p_camera");
    float now = 0;
    for (float at : {8.0f, 45.0f, 80.0f, 104.0f}) {
      scene.Frame(at - now);
      now = at;
      Picture p;
      ASSERT_TRUE(D3D9ReadBackBuffer(KOR::D3D9::Device9(), &p.pixels, &p.width, &p.height));
      Keep(p, std::string("content-level-") + (perPixel ? "per-pixel-" : "per-vertex-") + std::to_string(int(at)) + "s.png");
      // A lit, textured picture: many colours, most of the screen covered by the level.
      std::set<uint32_t> colours(p.pixels.begin(), p.pixels.end());
      EXPECT_GT(colours.size(), 2000u) << at;
      const uint32_t clear = p.pixels.empty() ? 0 : 0xFF1A1F26u;
      size_t covered = 0;
      for (uint32_t pixel : p.pixels) covered += pixel != clear;
      EXPECT_GT(covered, p.pixels.size() / 3) << at;
    }
  }
  device->Destroy();
}

TEST(ContentGl, TheLevelDrawsPerPixelWithGlow) { DrawTheLevel(true); }
TEST(ContentGl, TheLevelDrawsPerVertex) { DrawTheLevel(false); }

}  // namespace
