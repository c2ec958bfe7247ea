// The frame renderer on GL, against the formulas evaluated here: a quad lit per pixel
// (diffuse, specular and the falloff map, also for a light small on screen), the same by
// four lights in one pass or one pass each, fog at a known distance, a glow halo around an
// emissive square and nothing far from it, and the per-vertex path lit by a point light.
// Each read-back is kept as a PNG artifact.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <stb/stb_image_write.h>

#include "graphics/GpuProgram.h"
#include "tests/render_d3d9/FrameSupport.h"
#include "tests/render_d3d9/ModuleGlSupport.h"

namespace {

constexpr uint32_t kSize = 64;

int Channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }
int Level(float v) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

void ExpectColour(uint32_t pixel, float r, float g, float b, int tolerance) {
  EXPECT_NEAR(Channel(pixel, 16), Level(r), tolerance) << std::hex << pixel;
  EXPECT_NEAR(Channel(pixel, 8), Level(g), tolerance) << std::hex << pixel;
  EXPECT_NEAR(Channel(pixel, 0), Level(b), tolerance) << std::hex << pixel;
}

void Keep(const Picture& p, const std::string& name) {
  std::vector<unsigned char> rgb;
  for (uint32_t pixel : p.pixels) rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
  std::string path = std::string(KOR_ARTIFACTS) + "/" + name;
  EXPECT_NE(stbi_write_png(path.c_str(), int(p.width), int(p.height), 3, rgb.data(), int(p.width) * 3), 0) << path;
}

class SceneRendererGlTest : public ModuleGlTest {
protected:
  void SetUp() override {
    device->Create(kSize, kSize, true, 3, 0, 0);
    KOR::SetCurrentDevice(device);
  }
  static KOR::RenderSettings Settings(bool perPixel, bool glow, bool specular = true) {
    KOR::RenderSettings s;
    s.perPixelLighting = perPixel;
    s.glowEffects = glow;
    s.specularLighting = specular;
    s.screenWidth = s.screenHeight = kSize;
    return s;
  }
  // Flat texture colours as the TGA stores them, read back as floats.
  static constexpr float kDiffuse[3] = {128 / 255.0f, 64 / 255.0f, 0};
  static constexpr float kMask = 64 / 255.0f;
};

// The light 2.5 in front of the quad's centre with radius 8: the falloff map is read at
// (0, 0, 2.5 / 8), the centre of voxel (0, 0, 2); the light, the eye and the flat normal
// all line up, so Lambert and Blinn-Phong are both 1 at the centre.
TEST_F(SceneRendererGlTest, AQuadLitPerPixelMatchesDiffuseSpecularAndFalloff) {
  for (bool specular : {true, false}) {
    SCOPED_TRACE(specular ? "specular on" : "specular off");
    frame::TestScene scene(device, Settings(true, false, specular));
    scene.textures.Add("d.tga", 0xFF804000u);
    scene.textures.Add("n.tga", 0xFF8080FFu);
    scene.textures.Add("s.tga", 0xFF404040u);
    KOR::Material& m = scene.AddMaterial("d.tga", "n.tga", "s.tga", "");
    scene.AddNode(m, 0, 0, 5);
    const float light[3] = {1.0f, 1.0f, 0.5f};
    scene.AddLight({0, 0, -2.5f}, {light[0], light[1], light[2]}, 8.0f);
    scene.Frame({0, 0, 1, 1});
    Picture p = BackBuffer();
    Keep(p, specular ? "frame-lit-quad-specular.png" : "frame-lit-quad.png");
    float falloff = float(Level(KOR::AttenuationVoxel(0, 0, 2))) / 255.0f;  // an 8-bit map
    float r = (kDiffuse[0] + (specular ? kMask : 0)) * falloff * light[0];
    float g = (kDiffuse[1] + (specular ? kMask : 0)) * falloff * light[1];
    float b = (kDiffuse[2] + (specular ? kMask : 0)) * falloff * light[2];
    ExpectColour(p.At(kSize / 2, kSize / 2), r, g, b, 3);
    // Off the centre the light arrives at a slant and farther: darker, never brighter.
    EXPECT_LT(Channel(p.At(kSize / 2 + 12, kSize / 2), 16), Level(r));
  }
}

// The specular mask tints each channel by its own; a grey one is carried in the normal
// map's alpha, so the pass reads no mask map of its own, and lights as the map would.
TEST_F(SceneRendererGlTest, ASpecularMaskTintsEachChannelAndAGreyOneComesWithTheNormalMap) {
  for (uint32_t mask : {0xFF404040u, 0xFF602010u}) {
    const bool grey = mask == 0xFF404040u;
    SCOPED_TRACE(grey ? "grey mask" : "coloured mask");
    frame::TestScene scene(device, Settings(true, false, true));
    scene.textures.Add("d.tga", 0xFF804000u);
    scene.textures.Add("n.tga", 0xFF8080FFu);
    scene.textures.Add("s.tga", mask);
    KOR::Material& m = scene.AddMaterial("d.tga", "n.tga", "s.tga", "");
    scene.AddNode(m, 0, 0, 5);
    scene.AddLight({0, 0, -2.5f}, {1, 1, 1}, 8.0f);
    scene.Frame({0, 0, 1, 1});
    Picture p = BackBuffer();
    float falloff = float(Level(KOR::AttenuationVoxel(0, 0, 2))) / 255.0f;
    const float tint[3] = {Channel(mask, 16) / 255.0f, Channel(mask, 8) / 255.0f, Channel(mask, 0) / 255.0f};
    ExpectColour(p.At(kSize / 2, kSize / 2), (kDiffuse[0] + tint[0]) * falloff, (kDiffuse[1] + tint[1]) * falloff,
                 (kDiffuse[2] + tint[2]) * falloff, 3);
    EXPECT_EQ(m.wholePasses[1]->pixelProgram->FindConstant("specularMap") == nullptr, grey);
  }
}

// The same light shrunk sixteen times (radius 0.5, 2.5 / 16 in front of the quad): its
// falloff spans under three pixels a voxel, and the centre still reads voxel (0, 0, 2)
// as the large light does, not a coarser average of the voxels around it.
TEST_F(SceneRendererGlTest, ALightSmallOnScreenFallsOffAsALargeOneDoes) {
  frame::TestScene scene(device, Settings(true, false, false));
  scene.textures.Add("d.tga", 0xFF804000u);
  scene.textures.Add("n.tga", 0xFF8080FFu);
  KOR::Material& m = scene.AddMaterial("d.tga", "n.tga", "", "");
  scene.AddNode(m, 0, 0, 5);
  scene.AddLight({0, 0, -2.5f / 16}, {1, 1, 1}, 0.5f);
  scene.Frame({0, 0, 1, 1});
  Picture p = BackBuffer();
  Keep(p, "frame-small-light.png");
  float falloff = float(Level(KOR::AttenuationVoxel(0, 0, 2))) / 255.0f;
  ExpectColour(p.At(kSize / 2, kSize / 2), kDiffuse[0] * falloff, kDiffuse[1] * falloff, kDiffuse[2] * falloff, 3);
  // Seven voxels out there is no light, where the large light still reached.
  ExpectColour(p.At(kSize / 2 + 8, kSize / 2), 0, 0, 0, 1);
}

TEST_F(SceneRendererGlTest, FogBlendsTheFogColourByTheDistanceFromTheCamera) {
  frame::TestScene scene(device, Settings(true, false, false));
  scene.textures.Add("d.tga", 0xFF804000u);
  const float density = 0.05f;
  scene.renderer.fog.density = density;  // read when the material is built
  scene.renderer.fog.colour = {0, 0, 1, 1};
  KOR::Material& m = scene.AddMaterial("d.tga", "", "", "");
  scene.AddNode(m, 0, 0, 5);
  scene.AddLight({0, 0, -2.5f}, {1, 1, 1}, 8.0f);
  scene.Frame({0, 0, 1, 1});
  Picture p = BackBuffer();
  Keep(p, "frame-fog.png");
  float falloff = float(Level(KOR::AttenuationVoxel(0, 0, 2))) / 255.0f;
  float d = 10.0f * density;  // the centre is 10 from the camera
  float clear = std::exp(-d * d);
  ExpectColour(p.At(kSize / 2, kSize / 2), kDiffuse[0] * falloff * clear, kDiffuse[1] * falloff * clear,
               kDiffuse[2] * falloff * clear + (1 - clear), 3);
}

// An unlit surface adds its own colour faded by the fog, on both paths; one that glows is
// light of its own (a sky) and takes no fog. Per vertex it used to be tested against a
// depth that only lit surfaces write, so it never showed.
TEST_F(SceneRendererGlTest, AnUnlitSurfaceAddsItsFoggedColourOnBothPathsAndAGlowingOneIsNotFogged) {
  const KOR::Colour clear{0, 0, 0.25f, 1};
  const float density = 0.05f, d = 10.0f * density;  // the centre is 10 from the camera
  const float clearness = std::exp(-d * d);
  for (bool perPixel : {true, false}) {
    for (bool glowing : {false, true}) {
      SCOPED_TRACE(std::string(perPixel ? "per pixel" : "per vertex") + (glowing ? ", glowing" : ""));
      frame::TestScene scene(device, Settings(perPixel, false, false));
      scene.textures.Add("d.tga", 0xFF804000u);
      scene.textures.Add("e.tga", 0xFF000000u);  // glows, adding nothing itself
      scene.renderer.fog = {clear, density};
      KOR::Material& m = scene.AddMaterial("d.tga", "", "", glowing ? "e.tga" : "", true);
      scene.AddNode(m, 0, 0, 5);
      scene.Frame(clear);
      Picture p = BackBuffer();
      const float f = glowing ? 1.0f : clearness;
      // Per vertex the fog is computed at the corners and interpolated: a looser match.
      ExpectColour(p.At(kSize / 2, kSize / 2), kDiffuse[0] * f, kDiffuse[1] * f, clear.b + kDiffuse[2] * f,
                   perPixel ? 3 : 12);
      ExpectColour(p.At(1, 1), clear.r, clear.g, clear.b, 1);
    }
  }
}

// Up to four lights light a surface in one pass with its emissive colour and fog; five
// take a pass each, then the emissive and fog passes. Four coloured lights and the same
// four with a fifth of no colour must give the same picture, whichever route drew it,
// up to the rounding of each pass's colour to 8 bits.
TEST_F(SceneRendererGlTest, FourLightsInOnePassShowWhatAPassPerLightLaysDown) {
  const KOR::Colour fogColour{0.1f, 0.2f, 0.3f, 1};
  Picture pictures[2];
  for (int fifth : {0, 1}) {
    frame::TestScene scene(device, Settings(true, false, true));
    scene.textures.Add("d.tga", 0xFFC08040u);
    scene.textures.Add("n.tga", 0xFF9070F0u);  // tilted, so each light falls at its own slant
    scene.textures.Add("s.tga", 0xFF808080u);
    scene.textures.Add("e.tga", 0xFF102040u);
    scene.renderer.fog = {fogColour, 0.04f};
    KOR::Material& m = scene.AddMaterial("d.tga", "n.tga", "s.tga", "e.tga");
    scene.AddNode(m, 0, 0, 5);
    scene.AddLight({-3, 0, -3}, {0.9f, 0.5f, 0.2f}, 9.0f);
    scene.AddLight({3, 1, -2}, {0.2f, 0.6f, 0.9f}, 8.0f);
    scene.AddLight({0, -3, -4}, {0.5f, 0.5f, 0.5f}, 10.0f);
    scene.AddLight({1, 3, -1}, {0.7f, 0.1f, 0.4f}, 6.0f);
    if (fifth) scene.AddLight({0, 0, -2}, {0, 0, 0}, 8.0f);
    scene.Frame(fogColour);
    pictures[fifth] = BackBuffer();
  }
  Keep(pictures[0], "frame-four-lights-one-pass.png");
  Keep(pictures[1], "frame-four-lights-pass-by-pass.png");
  int most = 0, brightest = 0;
  for (size_t i = 0; i < pictures[0].pixels.size(); ++i)
    for (int shift : {16, 8, 0}) {
      most = std::max(most, std::abs(Channel(pictures[0].pixels[i], shift) - Channel(pictures[1].pixels[i], shift)));
      brightest = std::max(brightest, Channel(pictures[0].pixels[i], shift));
    }
  EXPECT_LE(most, 3) << "largest difference of a channel between the two routes";
  EXPECT_GT(brightest, 120) << "the lights reach the quad";
}

// Where two surfaces lie at one depth (pieces of scenery that touch), the pixel shows
// one surface's lit and fogged colour, not both added with the fog's colour twice.
TEST_F(SceneRendererGlTest, TwoSurfacesAtOneDepthShowOneOfThemNotTheirSum) {
  Picture pictures[2];
  for (int copies : {1, 2}) {
    frame::TestScene scene(device, Settings(true, false, false));
    scene.textures.Add("d.tga", 0xFF804000u);
    scene.renderer.fog = {{0, 0, 0.5f, 1}, 0.05f};
    KOR::Material& m = scene.AddMaterial("d.tga", "", "", "");
    for (int i = 0; i < copies; ++i) scene.AddNode(m, 0, 0, 5);
    scene.AddLight({0, 0, -2.5f}, {1, 1, 1}, 8.0f);
    scene.Frame({0, 0, 0.5f, 1});
    pictures[copies - 1] = BackBuffer();
  }
  const uint32_t c = kSize / 2;
  for (int shift : {16, 8, 0})
    EXPECT_NEAR(Channel(pictures[1].At(c, c), shift), Channel(pictures[0].At(c, c), shift), 1) << shift;
  EXPECT_GT(Channel(pictures[0].At(c, c), 0), 20) << "the fog's blue shows";
}

TEST_F(SceneRendererGlTest, GlowPutsAHaloAroundAnEmissiveSquareAndNothingFarFromIt) {
  Picture plain, glowing;
  for (bool glow : {false, true}) {
    frame::TestScene scene(device, Settings(true, glow));
    scene.textures.Add("d.tga", 0xFF202020u);
    scene.textures.Add("e.tga", 0xFFFFFFFFu);
    KOR::Material& m = scene.AddMaterial("d.tga", "", "", "e.tga");
    scene.AddNode(m, 0, 0, 1);  // about 11 pixels across
    scene.Frame({0, 0, 0, 1});
    (glow ? glowing : plain) = BackBuffer();
  }
  Keep(glowing, "frame-glow.png");
  const uint32_t c = kSize / 2;
  // Inside, the emissive colour shows either way; just outside the square, only the glow.
  EXPECT_GT(Channel(plain.At(c, c), 16), 200);
  EXPECT_EQ(Channel(plain.At(c + 9, c), 16), 0);
  EXPECT_GT(Channel(glowing.At(c + 9, c), 16), 8) << "a halo beside the square";
  EXPECT_GT(Channel(glowing.At(c, c + 9), 8), 8) << "and below it";
  EXPECT_LE(Channel(glowing.At(2, 2), 16), 1) << "nothing far from it";
  EXPECT_LE(Channel(glowing.At(kSize - 3, kSize - 3), 0), 1);
}

// Without anything emissive the glow gives back what it took: 60 % of the scene kept, 40 %
// blurred and added; over a flat colour that fills the screen the two make the colour again.
TEST_F(SceneRendererGlTest, GlowLeavesAFlatColourFillingTheScreenAsItWas) {
  Picture pictures[2];
  for (bool glow : {false, true}) {
    frame::TestScene scene(device, Settings(true, glow));
    scene.textures.Add("d.tga", 0xFFC08040u);
    KOR::Material& m = scene.AddMaterial("d.tga", "", "", "", true);
    scene.AddNode(m, 0, 0, 20);
    scene.Frame({0, 0, 0, 1});
    pictures[glow] = BackBuffer();
  }
  const uint32_t c = kSize / 2;
  for (int shift : {16, 8, 0})
    EXPECT_NEAR(Channel(pictures[1].At(c, c), shift), Channel(pictures[0].At(c, c), shift), 3) << shift;
  EXPECT_EQ(Channel(pictures[0].At(c, c), 16), 0xC0);
}

// Per vertex: each corner of the 10 × 10 quad is 7.5 from the light, which reaches it at
// a third of full Lambert and attenuated by 1 / (1 + 3.98 / r² · d²); the diffuse stage
// doubles texture × diffuse.
TEST_F(SceneRendererGlTest, ThePerVertexPathIsLitByOnePointLight) {
  frame::TestScene scene(device, Settings(false, false));
  scene.textures.Add("d.tga", 0xFF804000u);
  KOR::Material& m = scene.AddMaterial("d.tga", "", "", "");
  scene.AddNode(m, 0, 0, 5);
  const float radius = 8.0f, light[3] = {4.0f, 4.0f, 2.0f};
  scene.AddLight({0, 0, -2.5f}, {light[0], light[1], light[2]}, radius);
  scene.Frame({0, 0, 1, 1});
  Picture p = BackBuffer();
  Keep(p, "frame-per-vertex.png");
  float d2 = 5 * 5 + 5 * 5 + 2.5f * 2.5f;
  float attenuation = 1.0f / (1.0f + (0.995f / (radius * radius * 0.00390625f)) * 0.015625f * d2);
  float lambert = 2.5f / std::sqrt(d2);
  auto lit = [&](float texel, float colour) { return 2.0f * texel * std::min(1.0f, colour * attenuation * lambert); };
  ExpectColour(p.At(kSize / 2, kSize / 2), lit(kDiffuse[0], light[0]), lit(kDiffuse[1], light[1]),
               lit(kDiffuse[2], light[2]), 3);
}

// The same per-vertex quad stretched along z, which leaves its corners where they were:
// Direct3D takes normals through the inverse transpose of world × view, which halves this
// one (the plain matrix would double it), and the engine's lit layers normalise it, so a
// scaled object is lit as it would be unscaled.
TEST_F(SceneRendererGlTest, APerVertexLitQuadScaledUnevenlyIsLitAsIfUnscaled) {
  frame::TestScene scene(device, Settings(false, false));
  scene.textures.Add("d.tga", 0xFF804000u);
  KOR::Material& m = scene.AddMaterial("d.tga", "", "", "");
  KOR::RenderNode& node = scene.AddNode(m, 0, 0, 5);
  const float stretch = 2.0f;
  node.world.m[2][2] = stretch;
  const float radius = 8.0f, light[3] = {1.0f, 1.0f, 0.5f};
  scene.AddLight({0, 0, -2.5f}, {light[0], light[1], light[2]}, radius);
  scene.Frame({0, 0, 1, 1});
  Picture p = BackBuffer();
  Keep(p, "frame-per-vertex-stretched.png");
  float d2 = 5 * 5 + 5 * 5 + 2.5f * 2.5f;
  float attenuation = 1.0f / (1.0f + (0.995f / (radius * radius * 0.00390625f)) * 0.015625f * d2);
  float lambert = 2.5f / std::sqrt(d2);
  auto lit = [&](float texel, float colour) { return 2.0f * texel * std::min(1.0f, colour * attenuation * lambert); };
  ExpectColour(p.At(kSize / 2, kSize / 2), lit(kDiffuse[0], light[0]), lit(kDiffuse[1], light[1]),
               lit(kDiffuse[2], light[2]), 3);
}

}  // namespace
