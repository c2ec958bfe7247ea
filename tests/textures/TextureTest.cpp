// Texture creation and mip chains, through a device of the test's own.

#include <gtest/gtest.h>

#include "FakeDevice.h"
#include "TextureTestSupport.h"
#include "graphics/Texture.h"

namespace {

using namespace KOR;
using KOR::Testing::Caught;
using KOR::Testing::CountingTexture2D;
using KOR::Testing::CountingTexture3D;
using KOR::Testing::FakeDevice;

void Paint(Surface& s, float value) {
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) s.SetPixel({value, value, value, 1.0f}, x, y);
}

class TextureTest : public ::testing::Test {
protected:
  CountingTexture2D& Texture2() { return *static_cast<CountingTexture2D*>(device.CreateTexture2D()); }
  CountingTexture3D& Texture3() { return *static_cast<CountingTexture3D*>(device.CreateTexture3D()); }
  FakeDevice device;
};

TEST_F(TextureTest, CreateMakesLevelZeroAndKeepsTheParameters) {
  CountingTexture2D& t = Texture2();
  EXPECT_EQ(t.GetType(), 0);
  EXPECT_EQ(t.format, 1);
  t.Create(PixelFormats::X8R8G8B8, TextureUsages::RenderTarget, 256, 128, true);
  ASSERT_EQ(t.GetLevelCount(), 1);
  EXPECT_EQ(t.GetLevel(0)->width, 256);
  EXPECT_EQ(t.GetLevel(0)->height, 128);
  EXPECT_EQ(t.GetLevel(0)->format, 1);
  EXPECT_EQ(t.GetLevel(1), nullptr);
  EXPECT_EQ(t.usage, 2);
  EXPECT_TRUE(t.mipmapped);
  EXPECT_EQ(t.uploads, 0) << "nothing reaches the device before Update";
}

TEST_F(TextureTest, RefusedCreatesLeaveTheTextureAsItWas) {
  CountingTexture2D& t = Texture2();
  Exception size = Caught([&] { t.Create(2, 0, 96, 64, true); });
  EXPECT_EQ(size.GetModule(), "KOR Graphics (Texture2D)");
  EXPECT_EQ(size.GetError(), "Non Power of two");
  EXPECT_EQ(size.GetDescription(), "Trying to create a non power of two surface.");
  EXPECT_EQ(t.GetLevelCount(), 0);
  EXPECT_EQ(t.width, 0);

  t.Create(2, 0, 64, 64, false);
  Surface* level0 = t.GetLevel(0);
  Exception again = Caught([&] { t.Create(1, 2, 32, 32, true); });
  EXPECT_EQ(again.GetModule(), "KOR Graphics (Texture2D)");
  EXPECT_EQ(again.GetError(), "Texture already created");
  EXPECT_EQ(again.GetDescription(), "Cannot recreate a texture.");
  EXPECT_EQ(t.GetLevelCount(), 1);
  EXPECT_EQ(t.GetLevel(0), level0);
  EXPECT_EQ(t.width, 64);
  EXPECT_EQ(t.format, 2);
}

TEST_F(TextureTest, MipmappedUpdateBuildsTheWholeChain) {
  CountingTexture2D& t = Texture2();
  t.Create(2, 0, 256, 64, true);
  Paint(*t.GetLevel(0), 1.0f);
  t.Update();
  ASSERT_EQ(t.GetLevelCount(), 9);
  const int widths[] = {256, 128, 64, 32, 16, 8, 4, 2, 1};
  const int heights[] = {64, 32, 16, 8, 4, 2, 1, 1, 1};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(t.GetLevel(i)->width, widths[i]) << "level " << i;
    EXPECT_EQ(t.GetLevel(i)->height, heights[i]) << "level " << i;
    EXPECT_EQ(t.GetLevel(i)->format, 2);
  }
  EXPECT_FLOAT_EQ(t.GetLevel(8)->GetPixel(0, 0).r, 1.0f);
  EXPECT_EQ(t.uploads, 1);
}

TEST_F(TextureTest, UpdateAgainRegeneratesTheLevelsFromLevelZero) {
  CountingTexture2D& t = Texture2();
  t.Create(2, 0, 4, 4, true);
  Paint(*t.GetLevel(0), 1.0f);
  t.Update();
  Paint(*t.GetLevel(0), 0.0f);
  t.GetLevel(0)->SetPixel({1.0f, 1.0f, 1.0f, 1.0f}, 0, 0);
  t.Update();
  ASSERT_EQ(t.GetLevelCount(), 3) << "the chain is not appended twice";
  EXPECT_NEAR(t.GetLevel(1)->GetPixel(0, 0).r, 0.25f, 1.0f / 255.0f);
  EXPECT_FLOAT_EQ(t.GetLevel(1)->GetPixel(1, 1).r, 0.0f);
  EXPECT_NEAR(t.GetLevel(2)->GetPixel(0, 0).r, 0.25f / 4.0f, 2.0f / 255.0f);
  EXPECT_EQ(t.uploads, 2);
}

TEST_F(TextureTest, UpdateWithoutMipmapsOrBeforeCreate) {
  CountingTexture2D& uncreated = Texture2();
  uncreated.Update();
  EXPECT_EQ(uncreated.uploads, 0);

  CountingTexture2D& plain = Texture2();
  plain.Create(1, 0, 16, 16, false);
  plain.Update();
  EXPECT_EQ(plain.GetLevelCount(), 1);
  EXPECT_EQ(plain.uploads, 1);
}

TEST_F(TextureTest, VolumeTextureLevelsComeFromWidthAndHeight) {
  CountingTexture3D& attenuation = Texture3();
  EXPECT_EQ(attenuation.GetType(), 2);
  attenuation.Create(1, 0, 8, 8, 8, true);
  attenuation.GetLevel(0)->Fill([](int32_t, int32_t, int32_t) { return Colour{1, 1, 1, 1}; });
  attenuation.Update();
  ASSERT_EQ(attenuation.GetLevelCount(), 4);
  EXPECT_EQ(attenuation.GetLevel(3)->depth, 1);
  EXPECT_FLOAT_EQ(attenuation.GetLevel(3)->GetVoxel(0, 0, 0).g, 1.0f);
  EXPECT_EQ(attenuation.uploads, 1);

  CountingTexture3D& deep = Texture3();
  deep.Create(2, 0, 2, 2, 16, true);
  deep.Update();
  ASSERT_EQ(deep.GetLevelCount(), 2) << "the depth does not add levels";
  EXPECT_EQ(deep.GetLevel(1)->depth, 8);

  CountingTexture3D& thin = Texture3();
  thin.Create(2, 0, 8, 8, 2, true);
  thin.Update();
  ASSERT_EQ(thin.GetLevelCount(), 4);
  const int depths[] = {2, 1, 1, 1};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(thin.GetLevel(i)->depth, depths[i]);
}

TEST_F(TextureTest, RefusedVolumeTextureCreates) {
  CountingTexture3D& t = Texture3();
  Exception size = Caught([&] { t.Create(1, 0, 8, 8, 12, true); });
  EXPECT_EQ(size.GetModule(), "KOR Graphics (Texture3D)");
  EXPECT_EQ(size.GetError(), "Non Power of two");
  EXPECT_EQ(size.GetDescription(), "Trying to create a non power of two texture.");
  EXPECT_EQ(t.GetLevelCount(), 0);
  t.Create(1, 0, 8, 8, 8, true);
  Exception again = Caught([&] { t.Create(1, 0, 8, 8, 8, true); });
  EXPECT_EQ(again.GetModule(), "KOR Graphics (Texture3D)");
  EXPECT_EQ(again.GetError(), "Texture already created");
  EXPECT_EQ(again.GetDescription(), "Cannot recreate a texture.");
  EXPECT_EQ(t.GetLevelCount(), 1);
}

}  // namespace
