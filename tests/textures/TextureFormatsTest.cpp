// The .kor.texture and TGA readers against hand-made and damaged files, and the writers
// against the readers.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "TextureTestSupport.h"
#include "graphics/TextureFormats.h"

namespace {

using namespace KOR;
using namespace KOR::Testing;

std::vector<uint32_t> DecodeAll(const EngineTextureView& view) {
  std::vector<uint8_t> bytes(size_t(view.header.width) * size_t(view.header.height) * 4);
  DecodeEngineTexture(view, bytes.data());
  std::vector<uint32_t> argb;
  for (size_t i = 0; i < bytes.size(); i += 4) argb.push_back(Argb(&bytes[i]));
  return argb;
}

std::vector<uint32_t> DecodeAll(const TgaView& view) {
  std::vector<uint8_t> bytes(size_t(view.header.width) * size_t(view.header.height) * 4);
  DecodeTga(view, bytes.data());
  std::vector<uint32_t> argb;
  for (size_t i = 0; i < bytes.size(); i += 4) argb.push_back(Argb(&bytes[i]));
  return argb;
}

ReadResult ParseEngine(const std::vector<uint8_t>& file) {
  EngineTextureView view;
  return ParseEngineTexture(file.data(), file.size(), view);
}

ReadResult ParseTgaFile(const std::vector<uint8_t>& file) {
  TgaView view;
  return ParseTga(file.data(), file.size(), view);
}

ArgbImage RandomImage(int32_t width, int32_t height, int colours, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> palette;
  for (int i = 0; i < colours; ++i) palette.push_back(uint32_t(random()));
  ArgbImage image{width, height, {}};
  for (int32_t i = 0; i < width * height; ++i) image.pixels.push_back(palette[random() % colours]);
  return image;
}

const std::vector<uint32_t> kFourColours = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0x80FFFFFF};

TEST(EngineTextureTest, TwoBitIndicesAreReadLeastSignificantBitFirst) {
  std::vector<uint8_t> file = EngineTextureBytes(4, 4, 2, kFourColours);
  file.insert(file.end(), {0xE4, 0x1B, 0x00, 0xFF});
  EngineTextureView view;
  ASSERT_EQ(ParseEngineTexture(file.data(), file.size(), view), ReadResult::Accepted);
  EXPECT_EQ(view.header.unused, 0xDEADBEEFu);
  std::vector<uint32_t> pixels = DecodeAll(view);
  const uint32_t* c = kFourColours.data();
  std::vector<uint32_t> expected = {c[0], c[1], c[2], c[3], c[3], c[2], c[1], c[0],
                                    c[0], c[0], c[0], c[0], c[3], c[3], c[3], c[3]};
  EXPECT_EQ(pixels, expected);
}

TEST(EngineTextureTest, IndicesThatStraddleBytesAndTheLastPartialByte) {
  // Three bits per pixel: four pixels take 12 bits, the last one in a half-used byte.
  std::vector<uint32_t> palette = {1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<uint8_t> file = EngineTextureBytes(4, 1, 3, palette);
  // Indices 7, 2, 5, 6: bits 111 010 101 011 (each least significant first).
  uint32_t stream = 7 | 2 << 3 | 5 << 6 | 6 << 9;
  file.insert(file.end(), {uint8_t(stream), uint8_t(stream >> 8)});
  EngineTextureView view;
  ASSERT_EQ(ParseEngineTexture(file.data(), file.size(), view), ReadResult::Accepted);
  EXPECT_EQ(DecodeAll(view), (std::vector<uint32_t>{8, 3, 6, 7}));
}

TEST(EngineTextureTest, WriterAndReaderAgreeForEveryIndexWidth) {
  for (int colours : {1, 2, 5, 200, 300}) {
    ArgbImage image = RandomImage(16, 8, colours, unsigned(colours));
    EngineTextureImage palettized = Palettize(image);
    for (int32_t bits = palettized.bitsPerIndex; bits <= 32; bits += 7) {
      palettized.bitsPerIndex = bits;
      std::vector<uint8_t> file = WriteEngineTexture(palettized);
      EngineTextureView view;
      ASSERT_EQ(ParseEngineTexture(file.data(), file.size(), view), ReadResult::Accepted)
          << colours << " colours, " << bits << " bits";
      EXPECT_EQ(view.header.width, 16);
      EXPECT_EQ(view.header.height, 8);
      EXPECT_EQ(size_t(view.header.paletteCount), palettized.palette.size());
      EXPECT_EQ(DecodeAll(view), image.pixels) << colours << " colours, " << bits << " bits";
      EXPECT_EQ(file.size(), 28 + 4 * palettized.palette.size() + (16 * 8 * size_t(bits) + 7) / 8);
    }
  }
}

TEST(EngineTextureTest, PalettesHoldEachColourOnce) {
  ArgbImage image{2, 2, {7, 9, 7, 7}};
  EngineTextureImage p = Palettize(image);
  EXPECT_EQ(p.palette, (std::vector<uint32_t>{7, 9}));
  EXPECT_EQ(p.indices, (std::vector<uint32_t>{0, 1, 0, 0}));
  EXPECT_EQ(p.bitsPerIndex, 1);

  EXPECT_EQ(BitsPerIndexFor(1), 1);
  EXPECT_EQ(BitsPerIndexFor(2), 1);
  EXPECT_EQ(BitsPerIndexFor(3), 2);
  EXPECT_EQ(BitsPerIndexFor(256), 8);
  EXPECT_EQ(BitsPerIndexFor(257), 9);
  EXPECT_EQ(BitsPerIndexFor(uint64_t(1) << 32), 32);
  EXPECT_EQ(BitsPerIndexFor((uint64_t(1) << 32) + 1), 0) << "beyond what 32 bits index";

  EngineTextureImage bad = p;
  bad.indices[3] = 2;
  EXPECT_THROW(WriteEngineTexture(bad), std::invalid_argument);
}

TEST(EngineTextureTest, OtherMagicOrVersionIsNotThisFormat) {
  std::vector<uint8_t> file = EngineTextureBytes(1, 1, 1, {5});
  file.push_back(0);
  std::vector<uint8_t> magic = file;
  magic[3] = 'X';
  EXPECT_EQ(ParseEngine(magic), ReadResult::NotThisFormat);
  std::vector<uint8_t> version = file;
  version[4] = 101;
  EXPECT_EQ(ParseEngine(version), ReadResult::NotThisFormat);
  EXPECT_EQ(ParseEngine({}), ReadResult::NotThisFormat);
}

TEST(EngineTextureTest, DamagedHeadersAreRejected) {
  auto Build = [](int32_t w, int32_t h, int32_t bits, int32_t count) {
    std::vector<uint8_t> file = EngineTextureBytes(w, h, bits, {1, 2, 3, 4}, count);
    file.resize(file.size() + 64, 0);
    return file;
  };
  EXPECT_EQ(ParseEngine(Build(4, 4, 2, 4)), ReadResult::Accepted) << "the baseline is sound";
  EXPECT_EQ(ParseEngine(Build(0, 4, 2, 4)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, 0, 2, 4)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(-4, 4, 2, 4)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, -4, 2, 4)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, 4, 0, 4)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, 4, 33, 4)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, 4, -1, 4)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, 4, 2, 0)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, 4, 2, -1)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(4, 4, 2, 1000)), ReadResult::Malformed) << "palette beyond the file";
  EXPECT_EQ(ParseEngine(Build(4, 4, 2, INT32_MAX)), ReadResult::Malformed);
  EXPECT_EQ(ParseEngine(Build(65536, 65536, 1, 4)), ReadResult::Malformed) << "indices beyond the file";
  EXPECT_EQ(ParseEngine(Build(INT32_MAX, INT32_MAX, 32, 4)), ReadResult::Malformed) << "no overflow";
}

TEST(EngineTextureTest, EveryTruncationIsRejected) {
  std::vector<uint8_t> file = WriteEngineTexture(Palettize(RandomImage(8, 4, 6, 3)));
  for (size_t size = 0; size < file.size(); ++size) {
    EngineTextureView view;
    ReadResult r = ParseEngineTexture(file.data(), size, view);
    EXPECT_EQ(r, size < 8 ? ReadResult::NotThisFormat : ReadResult::Malformed) << size << " bytes";
  }
  std::vector<uint8_t> longer = file;
  longer.resize(file.size() + 100, 0xAB);
  EngineTextureView view;
  ASSERT_EQ(ParseEngineTexture(longer.data(), longer.size(), view), ReadResult::Accepted)
      << "bytes after the indices are ignored";
}

TEST(EngineTextureTest, AnIndexReachingThePaletteCountIsRejected) {
  std::vector<uint8_t> file = EngineTextureBytes(4, 1, 2, {1, 2, 3});
  file.push_back(0x3F);  // indices 3, 3, 3, 0 with only three colours
  EXPECT_EQ(ParseEngine(file), ReadResult::Malformed);
  file.back() = 0x00 | 2 << 6;  // last index 2: fine
  EXPECT_EQ(ParseEngine(file), ReadResult::Accepted);
  std::vector<uint8_t> last = EngineTextureBytes(4, 1, 2, {1, 2, 3});
  last.push_back(0xC0);  // only the last pixel is out of range
  EXPECT_EQ(ParseEngine(last), ReadResult::Malformed);
}

TEST(TgaTest, WriterAndReaderAgreeAtBothDepths) {
  ArgbImage image = RandomImage(8, 4, 20, 11);
  image.pixels[0] = 0x12345678;
  for (int depth : {24, 32}) {
    std::vector<uint8_t> file = WriteTga(image, depth);
    EXPECT_EQ(file.size(), 18 + 8 * 4 * size_t(depth / 8));
    TgaView view;
    ASSERT_EQ(ParseTga(file.data(), file.size(), view), ReadResult::Accepted);
    std::vector<uint32_t> pixels = DecodeAll(view);
    EXPECT_EQ(pixels[0], depth == 32 ? 0x12345678u : 0xFF345678u);
    for (size_t i = 0; i < pixels.size(); ++i) {
      uint32_t expected = depth == 32 ? image.pixels[i] : (image.pixels[i] | 0xFF000000u);
      ASSERT_EQ(pixels[i], expected) << "pixel " << i << " depth " << depth;
    }
  }
}

TEST(TgaTest, PixelsStartAfterTheIdentificationAndColourMap) {
  std::vector<uint8_t> file = TgaBytes(1, 1, 24, 2, 3, 1, 2, 24);
  file.insert(file.end(), {'a', 'b', 'c'});              // ID field
  file.insert(file.end(), {9, 9, 9, 9, 9, 9});           // two 24-bit map entries
  file.insert(file.end(), {0x10, 0x20, 0x30});           // the pixel, blue green red
  TgaView view;
  ASSERT_EQ(ParseTga(file.data(), file.size(), view), ReadResult::Accepted);
  EXPECT_EQ(DecodeAll(view), (std::vector<uint32_t>{0xFF302010}));

  std::vector<uint8_t> fifteen = TgaBytes(1, 1, 32, 2, 0, 1, 3, 15);  // 15-bit map: 2 bytes each
  fifteen.insert(fifteen.end(), {0, 0, 0, 0, 0, 0, 1, 2, 3, 4});
  ASSERT_EQ(ParseTga(fifteen.data(), fifteen.size(), view), ReadResult::Accepted);
  EXPECT_EQ(DecodeAll(view), (std::vector<uint32_t>{0x04030201}));
}

TEST(TgaTest, OnlyUncompressedTrueColourOfDepth24Or32) {
  for (uint8_t type : {0, 1, 3, 9, 10, 11}) {
    std::vector<uint8_t> file = TgaBytes(1, 1, 32, type);
    file.resize(file.size() + 4);
    EXPECT_EQ(ParseTgaFile(file), ReadResult::NotThisFormat) << "type " << int(type);
  }
  for (uint8_t depth : {0, 8, 15, 16, 31, 33, 39, 40, 255}) {
    std::vector<uint8_t> file = TgaBytes(1, 1, depth);
    file.resize(file.size() + 64);
    EXPECT_EQ(ParseTgaFile(file), ReadResult::Malformed) << "depth " << int(depth);
  }
  std::vector<uint8_t> noMapKind = TgaBytes(1, 1, 32, 2, 0, 2);
  noMapKind.resize(noMapKind.size() + 64);
  EXPECT_EQ(ParseTgaFile(noMapKind), ReadResult::Malformed) << "colour map type 2 is undefined";
  std::vector<uint8_t> empty = TgaBytes(0, 4, 32);
  empty.resize(empty.size() + 64);
  EXPECT_EQ(ParseTgaFile(empty), ReadResult::Malformed) << "no pixels";
}

TEST(TgaTest, FieldsThatReachPastTheFileAreRejected) {
  std::vector<uint8_t> file = WriteTga(RandomImage(4, 4, 3, 5), 32);
  for (size_t size = 3; size < file.size(); ++size) {
    TgaView view;
    EXPECT_EQ(ParseTga(file.data(), size, view), ReadResult::Malformed) << size << " bytes";
  }
  std::vector<uint8_t> id = file;
  id[0] = 255;  // an ID field longer than what follows the header
  std::vector<uint8_t> shortId = id;
  shortId.resize(18 + 200);
  EXPECT_EQ(ParseTgaFile(shortId), ReadResult::Malformed);
  std::vector<uint8_t> map = TgaBytes(4, 4, 32, 2, 0, 1, 0xFFFF, 32);
  map.resize(map.size() + 64 + 1000);
  EXPECT_EQ(ParseTgaFile(map), ReadResult::Malformed) << "colour map beyond the file";
  std::vector<uint8_t> huge = TgaBytes(0xFFFF, 0xFFFF, 32);
  huge.resize(huge.size() + 4096);
  EXPECT_EQ(ParseTgaFile(huge), ReadResult::Malformed) << "pixels beyond the file";

  std::vector<uint8_t> longer = file;
  longer.resize(file.size() + 26, 0);  // e.g. a TGA 2.0 footer
  EXPECT_EQ(ParseTgaFile(longer), ReadResult::Accepted);
}

}  // namespace
