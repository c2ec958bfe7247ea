// The frame renderer on the recording device: glow target sizes, the order of the
// per-pixel frame's passes (an object drawn whole, or light by light when it has more
// lights than one pass takes), one pass application per group of objects, and glow off
// meaning no render-target switch.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "tests/render_d3d9/FrameSupport.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

class SceneRendererTest : public CurrentRecordedDevice {
protected:
  // The shader objects each pass's programs became, in the order the passes compiled.
  std::vector<std::string> Shaders() const {
    std::vector<std::string> made;
    std::regex created(R"(Create(Vertex|Pixel)Shader\(\d+ tokens\) -> (#\d+))");
    for (const std::string& call : recording.calls) {
      std::smatch m;
      if (std::regex_search(call, m, created)) made.push_back(m[2]);
    }
    return made;
  }
  // Positions in the log of SetVertexShader(shader).
  std::vector<size_t> Uses(const std::string& shader) const {
    std::vector<size_t> at;
    for (size_t i = 0; i < recording.calls.size(); ++i)
      if (recording.calls[i] == "SetVertexShader(" + shader + ")") at.push_back(i);
    return at;
  }
  // A grey material with an emissive map; programs holds the shaders its passes became.
  KOR::Material& GlowingMaterial(frame::TestScene& scene) {
    scene.textures.Add("d.tga", 0xFF808080u);
    scene.textures.Add("e.tga", 0xFFFFFFFFu);
    recording.calls.clear();
    KOR::Material& made = scene.AddMaterial("d.tga", "", "", "e.tga");
    programs = Shaders();
    return made;
  }
  std::vector<std::string> programs;
  static KOR::RenderSettings Settings(bool glow, uint32_t w = 64, uint32_t h = 48) {
    KOR::RenderSettings s;
    s.perPixelLighting = true;
    s.glowEffects = glow;
    s.screenWidth = w, s.screenHeight = h;
    return s;
  }
};

TEST_F(SceneRendererTest, GlowTargetsAreAQuarterOfThePowerOfTwoBelowTheScreen) {
  using KOR::SceneRenderer;
  EXPECT_EQ(SceneRenderer::GlowTargetSize(800), 128);
  EXPECT_EQ(SceneRenderer::GlowTargetSize(600), 128);
  EXPECT_EQ(SceneRenderer::GlowTargetSize(1024), 256);
  EXPECT_EQ(SceneRenderer::GlowTargetSize(768), 128);
  EXPECT_EQ(SceneRenderer::GlowTargetSize(640), 128);
  EXPECT_EQ(SceneRenderer::GlowTargetSize(480), 64);
  EXPECT_EQ(SceneRenderer::GlowTargetSize(4096), 256) << "at most 256";
  EXPECT_EQ(SceneRenderer::GlowTargetSize(3), 0);
  recording.calls.clear();
  frame::TestScene scene(device, Settings(true, 640, 480));
  EXPECT_EQ(Count("CreateTexture(128, 64, "), 2u) << "two render targets of 128 x 64";
}

// Index in the log of the first call that starts with prefix (the log's size if none).
size_t First(const std::vector<std::string>& calls, const std::string& prefix) {
  auto at = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  return size_t(at - calls.begin());
}

// Two objects reached by the same two lights: each is drawn whole by one pass, applied
// once for both, between the depth pass and the glow; the per-light, emissive and fog
// passes stay unused (the emissive pass draws only into the glow target).
TEST_F(SceneRendererTest, ThePerPixelFrameDrawsEachLitObjectWholeInOnePassApplicationPerGroup) {
  frame::TestScene scene(device, Settings(true));
  KOR::Material& lit = GlowingMaterial(scene);
  ASSERT_EQ(programs.size(), 18u) << "z-fill, one light, whole by 0 to 4 lights, emissive and fog: two programs each";
  const std::string zfill = programs[0], oneLight = programs[2], wholeByTwo = programs[8], emissive = programs[14],
                    fog = programs[16];
  scene.AddNode(lit, -2, 0, 1);
  scene.AddNode(lit, 2, 0, 1);
  scene.AddLight({0, 0, -2}, {1, 1, 1}, 10);
  scene.AddLight({0, 2, -2}, {1, 0, 0}, 10);
  recording.calls.clear();
  scene.Frame({0, 0, 0, 1});

  size_t clear = First(recording.calls, "Clear(");
  ASSERT_EQ(Uses(zfill).size(), 2u) << "the depth pass, and again into the glow target";
  EXPECT_LT(clear, Uses(zfill)[0]);
  ASSERT_EQ(Uses(wholeByTwo).size(), 1u) << "once for both objects";
  EXPECT_LT(Uses(zfill)[0], Uses(wholeByTwo)[0]);
  EXPECT_TRUE(Uses(oneLight).empty());
  EXPECT_TRUE(Uses(fog).empty());
  size_t target = First(recording.calls, "SetRenderTarget");
  EXPECT_LT(Uses(wholeByTwo)[0], target);
  ASSERT_EQ(Uses(emissive).size(), 1u) << "into the glow target only";
  EXPECT_LT(target, Uses(emissive)[0]);
  EXPECT_EQ(Count("DrawIndexedPrimitive(4"), 2u /*depth*/ + 2u /*whole*/ + 2u /*glow depth*/ +
                                                  2u /*glow emissive*/ + 6u /*quads*/);
  EXPECT_EQ(recording.calls.back().rfind("Present(", 0), 0u);
}

// Five lights are more than one pass takes: the object gets a pass per light, then its
// emissive colour, then the fog over the sum, in that order.
TEST_F(SceneRendererTest, AnObjectReachedByMoreLightsThanOnePassTakesAPassPerLightThenEmissiveAndFog) {
  frame::TestScene scene(device, Settings(false));
  KOR::Material& lit = GlowingMaterial(scene);
  ASSERT_EQ(programs.size(), 18u);
  const std::string oneLight = programs[2], emissive = programs[14], fog = programs[16];
  scene.AddNode(lit, 0, 0, 1);
  for (int k = 0; k < 5; ++k) scene.AddLight({float(k), 0, -2}, {1, 1, 1}, 10);
  recording.calls.clear();
  scene.Frame({0, 0, 0, 1});
  ASSERT_EQ(Uses(oneLight).size(), 1u) << "one application, five draws";
  ASSERT_EQ(Uses(emissive).size(), 1u);
  ASSERT_EQ(Uses(fog).size(), 1u);
  EXPECT_LT(Uses(oneLight)[0], Uses(emissive)[0]);
  EXPECT_LT(Uses(emissive)[0], Uses(fog)[0]);
  EXPECT_EQ(Count("DrawIndexedPrimitive(4"), 1u /*depth*/ + 5u /*lights*/ + 1u /*emissive*/ + 1u /*fog*/);
}

TEST_F(SceneRendererTest, WithoutGlowAFrameNeverSwitchesRenderTarget) {
  frame::TestScene scene(device, Settings(false));
  scene.textures.Add("d.tga", 0xFF808080u);
  KOR::Material& lit = scene.AddMaterial("d.tga", "", "", "e.tga");
  scene.AddNode(lit, 0, 0, 1);
  scene.AddLight({0, 0, -2}, {1, 1, 1}, 10);
  recording.calls.clear();
  scene.Frame({0, 0, 0, 1});
  EXPECT_EQ(Count("SetRenderTarget"), 0u);
  EXPECT_EQ(Count("StretchRect"), 0u);
  EXPECT_GT(Count("DrawIndexedPrimitive"), 0u);
  EXPECT_EQ(Count("Present("), 1u);
}

TEST_F(SceneRendererTest, ALightWithNoObjectsDrawsNothingAndAnUnlitMaterialOnlyItsFog) {
  frame::TestScene scene(device, Settings(false));
  scene.textures.Add("d.tga", 0xFF808080u);
  KOR::Material& unlit = scene.AddMaterial("d.tga", "", "", "", true);
  EXPECT_FALSE(unlit.zfillPass);
  EXPECT_FALSE(unlit.lightingPass);
  ASSERT_TRUE(unlit.fogPass);
  scene.AddLight({0, 0, -2}, {1, 1, 1}, 10);  // before any object: reaches none
  scene.AddNode(unlit, 0, 0, 1);
  recording.calls.clear();
  scene.Frame({0, 0, 0, 1});
  EXPECT_EQ(Count("DrawIndexedPrimitive"), 1u) << "only the unlit object's additive fog";
}

TEST_F(SceneRendererTest, MaterialsPickTheirOptionsFromTheTexturesFound) {
  frame::TestScene scene(device, Settings(false));
  scene.textures.Add("d.tga", 0xFF808080u);
  scene.textures.Add("n.tga", 0xFF8080FFu);
  // No specular map: the lighting pass compiles without specular even though it is on.
  KOR::Material& plain = scene.AddMaterial("d.tga", "n.tga", "missing.tga", "");
  ASSERT_TRUE(plain.lightingPass);
  EXPECT_EQ(plain.specularTexture->GetTexture(), nullptr);
  // Without a diffuse texture there is no lighting pass at all.
  KOR::Material& bare = scene.AddMaterial("none.tga", "", "", "");
  EXPECT_TRUE(bare.zfillPass);
  EXPECT_FALSE(bare.lightingPass);
  EXPECT_FALSE(bare.wholePasses[0]);
  EXPECT_TRUE(bare.emissivePass);
  EXPECT_TRUE(bare.fogPass);
}

TEST(AttenuationMapTest, FallsFromWhiteAtTheCentreToBlackAtSevenVoxels) {
  EXPECT_FLOAT_EQ(KOR::AttenuationVoxel(0, 0, 0), 1.0f);
  EXPECT_FLOAT_EQ(KOR::AttenuationVoxel(7, 0, 0), 0.0f);
  EXPECT_FLOAT_EQ(KOR::AttenuationVoxel(7, 7, 7), 0.0f);
  EXPECT_NEAR(KOR::AttenuationVoxel(2, 0, 0), std::pow(1.0f - 2.0f / 7.0f, 0.8f), 1e-6);
  EXPECT_NEAR(KOR::AttenuationVoxel(2, 3, 6), 0.0f, 1e-6) << "√49 = 7 exactly";
}

}  // namespace
