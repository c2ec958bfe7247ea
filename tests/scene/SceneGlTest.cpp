// A level written by zubra-scene's writers, loaded and drawn by the scene on the GL
// backend, headless: both boxes show where the camera sees them; the picture is kept.

#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "platform/d3d9/D3D9Testing.h"
#include "render_d3d9/Module.h"
#include "scene/Scene.h"
#include "scene/StaticMeshEntity.h"
#include "tests/scene/SceneTestSupport.h"
#include "tools/scene/DemoScene.h"

namespace {

struct Picture {
  std::vector<uint32_t> pixels;
  UINT width = 0, height = 0;
  uint32_t At(UINT x, UINT y) const { return pixels.at(size_t(y) * width + x); }
};

void KeepAsArtifact(const Picture& p, const char* name) {
  std::vector<unsigned char> rgb;
  for (uint32_t pixel : p.pixels) rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
  std::string path = std::string(KOR_ARTIFACTS) + "/" + name;
  EXPECT_NE(stbi_write_png(path.c_str(), int(p.width), int(p.height), 3, rgb.data(), int(p.width) * 3), 0) << path;
}

TEST(SceneGl, TheDemoLevelsBoxesAreDrawnWhereTheCameraSeesThem) {
  KOR::RenderSystem::Instance().LoadModule("d3d9");
  KOR::Device* device = KOR::RenderSystem::Instance().CreateDevice();
  ASSERT_NE(device, nullptr);
  device->Create(128, 64, true, 3, 0, 0);
  KOR::Testing::ScratchFolder folder;
  ASSERT_TRUE(KOR::WriteDemoScene(folder.path.string()));
  Picture p;
  {
    KOR::Scene scene;
    scene.SetAssetDirectory(folder.Directory());
    KOR::SceneSettings settings;
    settings.screenWidth = 128;
    settings.screenHeight = 64;
    scene.Init(device, settings);
    scene.SetFog({{0, 0, 1, 1}, 0.0f});
    scene.LoadScene(folder.File("demo.kor.scene"));
    scene.SetCameraName("p_camera");
    scene.Frame(0.01f);
    scene.Frame(0.01f);
    ASSERT_EQ(scene.GetNodes().size(), 2u);
    ASSERT_TRUE(D3D9ReadBackBuffer(KOR::D3D9::Device9(), &p.pixels, &p.width, &p.height));
  }
  device->Destroy();
  KeepAsArtifact(p, "scene-demo-level.png");
  ASSERT_EQ(p.width, 128u);
  ASSERT_EQ(p.height, 64u);
  const uint32_t blue = 0xFF0000FFu;
  // The boxes lie 40 units either side of the view axis, 200 ahead: about a quarter of
  // the half-width out from the centre. They are drawn lit, so not in the background.
  EXPECT_NE(p.At(47, 32), blue);  // the left box (y −40)
  EXPECT_NE(p.At(81, 32), blue);  // the right box (y +40)
  EXPECT_EQ(p.At(64, 32), blue);   // the gap between them
  EXPECT_EQ(p.At(47, 4), blue);    // above the boxes
  EXPECT_EQ(p.At(4, 32), blue);
  EXPECT_EQ(p.At(124, 60), blue);
  size_t lit = 0;
  for (uint32_t pixel : p.pixels) lit += pixel != blue;
  EXPECT_GT(lit, 200u);
  EXPECT_LT(lit, 1200u);
}

}  // namespace
