// Surfaces and volumes: sizes, pixel access and the box filter the mip chains rely on.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "graphics/Surface.h"
#include "TextureTestSupport.h"

namespace {

using namespace KOR;
using KOR::Testing::Caught;

void ExpectColour(const Colour& c, float r, float g, float b, float a) {
  EXPECT_NEAR(c.r, r, 1.0f / 255.0f);
  EXPECT_NEAR(c.g, g, 1.0f / 255.0f);
  EXPECT_NEAR(c.b, b, 1.0f / 255.0f);
  EXPECT_NEAR(c.a, a, 1.0f / 255.0f);
}

TEST(SurfaceTest, CreateLaysOutRowsWithoutGaps) {
  Surface s;
  EXPECT_EQ(s.format, PixelFormats::X8R8G8B8);
  EXPECT_EQ(s.bytesPerPixel, 4);
  s.Create(PixelFormats::A16B16G16R16F, 4, 2);
  EXPECT_EQ(s.bytesPerPixel, 8);
  EXPECT_EQ(s.pitch, 32);
  EXPECT_EQ(s.byteSize, 64);
  s.SetPixel({0.0f, 0.0f, 0.0f, 1.0f}, 1, 1);
  uint16_t alpha;
  std::memcpy(&alpha, s.data + 1 * 32 + 1 * 8 + 6, 2);
  EXPECT_EQ(alpha, 0x3C00) << "pixel (x, y) lies at y × pitch + x × bytes per pixel";

  s.Create(PixelFormats::R5G6B5, 8, 8);  // re-creation releases the old pixels (ASan checks)
  EXPECT_EQ(s.pitch, 16);
  EXPECT_EQ(s.byteSize, 128);
}

TEST(SurfaceTest, PowerOfTwoRule) {
  Surface empty;
  empty.Create(2, 0, 0);
  EXPECT_EQ(empty.byteSize, 0);
  EXPECT_NE(empty.data, nullptr);

  Surface s;
  s.Create(2, 4, 4);
  uint8_t* before = s.data;
  for (auto [w, h] : {std::pair{96, 4}, {4, 3}, {-4, 4}, {4, INT32_MIN}}) {
    Exception e = Caught([&] { s.Create(1, w, h); });
    EXPECT_EQ(e.GetModule(), "KOR Graphics (Surface)");
    EXPECT_EQ(e.GetError(), "Non Power of two");
    EXPECT_EQ(e.GetDescription(), "Trying to create a non power of two surface.");
  }
  EXPECT_EQ(s.data, before) << "a refused size changes nothing";
  EXPECT_EQ(s.width, 4);
  EXPECT_EQ(s.format, 2);
}

TEST(SurfaceTest, SizesBeyondTheByteCountAreRefusedBeforeAllocating) {
  Surface s;
  s.Create(2, 2, 2);
  Exception e = Caught([&] { s.Create(PixelFormats::A16B16G16R16F, 65536, 65536); });
  EXPECT_EQ(e.GetModule(), "KOR Graphics (Surface)");
  EXPECT_EQ(e.GetError(), "Image too large");
  EXPECT_EQ(s.width, 2);
  EXPECT_EQ(s.byteSize, 16);
}

TEST(SurfaceTest, PixelsOutsideTheSurfaceAreNeverTouched) {
  Surface s;
  s.Create(2, 2, 2);
  std::memset(s.data, 0x55, size_t(s.byteSize));
  for (auto [x, y] : {std::pair{2, 0}, {0, 2}, {-1, 0}, {0, -1}, {INT32_MAX, INT32_MAX}}) {
    s.SetPixel({1.0f, 1.0f, 1.0f, 1.0f}, x, y);
    ExpectColour(s.GetPixel(x, y), 0.0f, 0.0f, 0.0f, 1.0f);
  }
  for (int i = 0; i < s.byteSize; ++i) ASSERT_EQ(s.data[i], 0x55);
}

TEST(SurfaceTest, DownsampleAveragesTwoByTwoBlocks) {
  Surface source;
  source.Create(2, 4, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) source.SetPixel({x < 2 ? 1.0f : 0.0f, float(y), 0.0f, 1.0f}, x, y);
  Surface target;  // default X8R8G8B8 0 × 0: re-created in the source's format
  source.Downsample(target);
  EXPECT_EQ(target.width, 2);
  EXPECT_EQ(target.height, 1);
  EXPECT_EQ(target.format, 2);
  ExpectColour(target.GetPixel(0, 0), 1.0f, 0.5f, 0.0f, 1.0f);
  ExpectColour(target.GetPixel(1, 0), 0.0f, 0.5f, 0.0f, 1.0f);
}

TEST(SurfaceTest, DownsampleOfOneByTwoIsTheMeanOfBoth) {
  Surface source;
  source.Create(2, 1, 2);
  source.SetPixel({1.0f, 0.0f, 0.25f, 0.0f}, 0, 0);
  source.SetPixel({0.0f, 1.0f, 0.75f, 1.0f}, 0, 1);
  Surface target;
  source.Downsample(target);
  EXPECT_EQ(target.width, 1);
  EXPECT_EQ(target.height, 1);
  ExpectColour(target.GetPixel(0, 0), 0.5f, 0.5f, 0.5f, 0.5f);

  Surface one;
  target.Downsample(one);
  EXPECT_EQ(one.width, 1) << "1 × 1 stays 1 × 1";
  ExpectColour(one.GetPixel(0, 0), 0.5f, 0.5f, 0.5f, 0.5f);
}

TEST(VolumeTest, CreateFillAndPowerOfTwoRule) {
  Volume v;
  EXPECT_EQ(v.format, PixelFormats::A8R8G8B8);
  v.Create(1, 4, 2, 8);
  EXPECT_EQ(v.pitch, 16);
  EXPECT_EQ(v.slicePitch, 32);
  EXPECT_EQ(v.byteSize, 256);
  v.Fill([](int32_t x, int32_t y, int32_t z) { return Colour{x / 3.0f, y * 1.0f, z / 7.0f, 0.0f}; });
  ExpectColour(v.GetVoxel(3, 1, 7), 1.0f, 1.0f, 1.0f, 1.0f);
  ExpectColour(v.GetVoxel(0, 0, 0), 0.0f, 0.0f, 0.0f, 1.0f);
  ExpectColour(v.GetVoxel(0, 0, 8), 0.0f, 0.0f, 0.0f, 1.0f);

  Exception e = Caught([&] { v.Create(1, 8, 8, 6); });
  EXPECT_EQ(e.GetModule(), "KOR Graphics (Volume)");
  EXPECT_EQ(e.GetError(), "Non Power of two");
  EXPECT_EQ(e.GetDescription(), "Trying to create a non power of two volume.");
  EXPECT_EQ(v.depth, 8);
}

TEST(VolumeTest, DownsampleAveragesEightVoxelsAndKeepsADimensionOfOne) {
  Volume v;
  v.Create(2, 2, 2, 2);
  v.Fill([](int32_t x, int32_t y, int32_t z) { return Colour{x == 0 && y == 0 && z == 0 ? 1.0f : 0.0f, 0, 0, 1}; });
  Volume half;
  v.Downsample(half);
  EXPECT_EQ(half.width, 1);
  EXPECT_EQ(half.depth, 1);
  ExpectColour(half.GetVoxel(0, 0, 0), 1.0f / 8.0f, 0.0f, 0.0f, 1.0f);

  Volume flat;
  flat.Create(2, 2, 2, 1);
  flat.Fill([](int32_t x, int32_t, int32_t) { return Colour{float(x), 0, 0, 1}; });
  Volume flatHalf;
  flat.Downsample(flatHalf);
  EXPECT_EQ(flatHalf.depth, 1);
  ExpectColour(flatHalf.GetVoxel(0, 0, 0), 0.5f, 0.0f, 0.0f, 1.0f);
}

}  // namespace
