// Pixel sizes, half floats and the per-format packing every surface goes through.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "graphics/PixelFormat.h"

namespace {

using namespace KOR;

float Bits(uint32_t bits) { return std::bit_cast<float>(bits); }

TEST(PixelFormatTest, BytesPerPixelFollowsTheFormatTable) {
  const int expected[] = {2, 4, 4, 2, 8, 0, 0, 0};
  for (PixelFormat f = 0; f < 8; ++f) EXPECT_EQ(BytesPerPixel(f), expected[f]) << "format " << f;
  EXPECT_EQ(BytesPerPixel(-1), 0);
  EXPECT_EQ(BytesPerPixel(8), 0);
  EXPECT_EQ(BytesPerPixel(12), 0);
}

TEST(HalfFloatTest, OrdinaryValuesAndTruncation) {
  EXPECT_EQ(FloatToHalf(1.0f), 0x3C00);
  EXPECT_EQ(FloatToHalf(-2.0f), 0xC000);
  EXPECT_EQ(FloatToHalf(0.5f), 0x3800);
  EXPECT_EQ(FloatToHalf(65504.0f), 0x7BFF);
  // Halfway between two halves: rounding would give 0x3C02, truncation keeps 0x3C01.
  EXPECT_EQ(FloatToHalf(1.0f + 1.5f / 1024.0f), 0x3C01);
  EXPECT_EQ(FloatToHalf(std::nextafter(2.0f, 0.0f)), 0x3FFF) << "just below 2 stays below 2";
  EXPECT_EQ(FloatToHalf(65535.0f), 0x7BFF) << "still inside the exponent range, truncated";
}

TEST(HalfFloatTest, OverflowInfinityAndNaN) {
  EXPECT_EQ(FloatToHalf(65536.0f), 0x7C00);
  EXPECT_EQ(FloatToHalf(1e10f), 0x7C00);
  EXPECT_EQ(FloatToHalf(-1e10f), 0xFC00);
  EXPECT_EQ(FloatToHalf(std::numeric_limits<float>::max()), 0x7C00);
  EXPECT_EQ(FloatToHalf(std::numeric_limits<float>::infinity()), 0x7C00);
  EXPECT_EQ(FloatToHalf(-std::numeric_limits<float>::infinity()), 0xFC00);

  uint16_t quiet = FloatToHalf(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(quiet & 0x7C00, 0x7C00);
  EXPECT_NE(quiet & 0x3FF, 0);
  // A payload only in bits the half drops must not turn the NaN into an infinity.
  uint16_t lowPayload = FloatToHalf(Bits(0x7F800001));
  EXPECT_EQ(lowPayload & 0x7C00, 0x7C00);
  EXPECT_NE(lowPayload & 0x3FF, 0);
  EXPECT_EQ(FloatToHalf(Bits(0xFF800001)) & 0x8000, 0x8000) << "the sign of a NaN stays";
}

TEST(HalfFloatTest, SmallMagnitudesBecomeSubnormalThenSignedZero) {
  EXPECT_EQ(FloatToHalf(std::ldexp(1.0f, -14)), 0x0400) << "smallest normal";
  EXPECT_EQ(FloatToHalf(std::ldexp(1.0f, -15)), 0x0200);
  EXPECT_EQ(FloatToHalf(std::ldexp(1.0f, -24)), 0x0001) << "smallest subnormal";
  EXPECT_EQ(FloatToHalf(std::ldexp(1.5f, -24)), 0x0001) << "truncated, not rounded";
  EXPECT_EQ(FloatToHalf(std::ldexp(1.0f, -14) - std::ldexp(1.0f, -24)), 0x03FF);
  EXPECT_EQ(FloatToHalf(std::ldexp(1.0f, -25)), 0x0000);
  EXPECT_EQ(FloatToHalf(-std::ldexp(1.0f, -25)), 0x8000);
  EXPECT_EQ(FloatToHalf(1e-40f), 0x0000) << "a float subnormal";
  EXPECT_EQ(FloatToHalf(-0.0f), 0x8000);
}

TEST(HalfFloatTest, HalfToFloatCoversEveryClass) {
  EXPECT_EQ(HalfToFloat(0x7BFF), 65504.0f);
  EXPECT_EQ(HalfToFloat(0x8001), -std::ldexp(1.0f, -24));
  EXPECT_TRUE(std::signbit(HalfToFloat(0x8000)));
  EXPECT_TRUE(std::isinf(HalfToFloat(0xFC00)) && HalfToFloat(0xFC00) < 0);
  EXPECT_TRUE(std::isnan(HalfToFloat(0x7C01)));
}

TEST(HalfFloatTest, EveryHalfSurvivesARoundTrip) {
  for (uint32_t h = 0; h <= 0xFFFF; ++h) {
    float f = HalfToFloat(uint16_t(h));
    if (std::isnan(f)) {
      EXPECT_TRUE(std::isnan(HalfToFloat(FloatToHalf(f)))) << std::hex << h;
      continue;
    }
    ASSERT_EQ(FloatToHalf(f), h) << std::hex << h;
  }
}

TEST(PixelPackingTest, R5G6B5) {
  uint8_t p[2];
  EncodePixel(PixelFormats::R5G6B5, {1.0f, 0.5f, 0.0f, 0.25f}, p);
  EXPECT_EQ(p[0] | p[1] << 8, (31 << 11) | (31 << 5));
  Colour c = DecodePixel(PixelFormats::R5G6B5, p);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.g, 31.0f / 63.0f);
  EXPECT_FLOAT_EQ(c.b, 0.0f);
  EXPECT_FLOAT_EQ(c.a, 1.0f);
}

TEST(PixelPackingTest, EightBitFormatsLieBlueGreenRedAlpha) {
  uint8_t p[4];
  EncodePixel(PixelFormats::A8R8G8B8, {1.0f, 0.5f, 0.25f, 0.75f}, p);
  EXPECT_EQ(p[0], 63);   // 0.25 × 255 = 63.75, truncated
  EXPECT_EQ(p[1], 127);
  EXPECT_EQ(p[2], 255);
  EXPECT_EQ(p[3], 191);
  Colour c = DecodePixel(PixelFormats::A8R8G8B8, p);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.g, 127.0f / 255.0f);
  EXPECT_FLOAT_EQ(c.a, 191.0f / 255.0f);

  EncodePixel(PixelFormats::X8R8G8B8, {0.0f, 0.0f, 1.0f, 0.0f}, p);
  EXPECT_EQ(p[3], 0xFF) << "X8 writes its top byte full";
  p[3] = 0x10;
  EXPECT_FLOAT_EQ(DecodePixel(PixelFormats::X8R8G8B8, p).a, 1.0f) << "and never reads it";
  EXPECT_FLOAT_EQ(DecodePixel(PixelFormats::X8R8G8B8, p).b, 1.0f);
}

TEST(PixelPackingTest, OutOfRangeChannelsDoNotSpillIntoTheirNeighbours) {
  uint8_t p[4];
  EncodePixel(PixelFormats::A8R8G8B8, {2.0f, -1.0f, std::nanf(""), 1.5f}, p);
  EXPECT_EQ(p[2], 255);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[3], 255);
  uint8_t q[2];
  EncodePixel(PixelFormats::R5G6B5, {0.0f, 7.0f, 0.0f, 1.0f}, q);
  EXPECT_EQ(q[0] | q[1] << 8, 63 << 5);
}

TEST(PixelPackingTest, HalfFormatsKeepChannelsAtTheirOffsets) {
  uint8_t p[8];
  EncodePixel(PixelFormats::A16B16G16R16F, {1.0f, -2.0f, 0.5f, 100000.0f}, p);
  EXPECT_EQ(p[0] | p[1] << 8, 0x3C00);
  EXPECT_EQ(p[2] | p[3] << 8, 0xC000);
  EXPECT_EQ(p[4] | p[5] << 8, 0x3800);
  EXPECT_EQ(p[6] | p[7] << 8, 0x7C00);
  Colour c = DecodePixel(PixelFormats::A16B16G16R16F, p);
  EXPECT_EQ(c.r, 1.0f);
  EXPECT_EQ(c.g, -2.0f);
  EXPECT_EQ(c.b, 0.5f);
  EXPECT_TRUE(std::isinf(c.a));

  uint8_t r[2];
  EncodePixel(PixelFormats::R16F, {3.0f, 0.7f, 0.7f, 0.7f}, r);
  Colour single = DecodePixel(PixelFormats::R16F, r);
  EXPECT_EQ(single.r, 3.0f);
  EXPECT_EQ(single.g, 0.0f);
  EXPECT_EQ(single.b, 0.0f);
  EXPECT_EQ(single.a, 1.0f);
}

TEST(PixelPackingTest, CompressedAndUnknownFormatsReadOpaqueBlackAndWriteNothing) {
  for (PixelFormat f : {PixelFormats::DXT1, PixelFormats::DXT3, PixelFormats::DXT5, 12}) {
    uint8_t p[4] = {1, 2, 3, 4};
    EncodePixel(f, {1.0f, 1.0f, 1.0f, 1.0f}, p);
    EXPECT_EQ(p[0] + p[1] + p[2] + p[3], 10) << "format " << f;
    Colour c = DecodePixel(f, p);
    EXPECT_EQ(c.r + c.g + c.b, 0.0f);
    EXPECT_EQ(c.a, 1.0f);
  }
}

}  // namespace
