// Loading textures from files and memory, and what becomes of the texture afterwards.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include "FakeDevice.h"
#include "TextureTestSupport.h"
#include "graphics/RenderSystemTesting.h"
#include "graphics/Texture.h"
#include "graphics/TextureFormats.h"
#include "graphics/TextureObject.h"

namespace {

using namespace KOR;
using namespace KOR::Testing;
namespace fs = std::filesystem;

static_assert(!std::is_copy_constructible_v<TextureObject> && !std::is_copy_assignable_v<TextureObject>,
              "one TextureObject owns its texture");

const std::vector<uint32_t> kFourColours = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0x80FFFFFF};

std::vector<uint8_t> FourByFour() {
  std::vector<uint8_t> file = EngineTextureBytes(4, 4, 2, kFourColours);
  file.insert(file.end(), {0xE4, 0xE4, 0xE4, 0xE4});
  return file;
}

class TextureObjectTest : public ::testing::Test {
protected:
  void SetUp() override { RenderSystemTesting::SetCurrentDevice(&device); }
  void TearDown() override {
    RenderSystemTesting::SetCurrentDevice(nullptr);
    EXPECT_EQ(device.counts.foreignDestroys, 0);
  }

  static void Load(TextureObject& object, const std::vector<uint8_t>& bytes) {
    object.LoadFromMemory(bytes.data(), uint32_t(bytes.size()));
  }

  FakeDevice device;
};

TEST_F(TextureObjectTest, EngineTextureBecomesAMipmappedA8R8G8B8Texture) {
  TextureObject object;
  EXPECT_EQ(object.GetTexture(), nullptr);
  Load(object, FourByFour());
  Texture2D* t = object.GetTexture();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->format, PixelFormats::A8R8G8B8);
  EXPECT_EQ(t->usage, 0);
  EXPECT_TRUE(t->mipmapped);
  ASSERT_EQ(t->GetLevelCount(), 3);
  const uint8_t* level0 = t->GetLevel(0)->data;
  for (int k = 0; k < 16; ++k) EXPECT_EQ(Argb(level0 + 4 * k), kFourColours[k % 4]) << "pixel " << k;
  EXPECT_EQ(device.counts.uploads, 1);
}

TEST_F(TextureObjectTest, TgaOfDepth24IsOpaqueEverywhere) {
  ArgbImage image{2, 2, {0x00112233, 0x7F445566, 0x00778899, 0x01AABBCC}};
  TextureObject object;
  Load(object, WriteTga(image, 24));
  Texture2D* t = object.GetTexture();
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->GetLevelCount(), 2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Argb(t->GetLevel(0)->data + 4 * i), image.pixels[i] | 0xFF000000u);
  EXPECT_FLOAT_EQ(t->GetLevel(1)->GetPixel(0, 0).a, 1.0f);

  TextureObject withAlpha;
  Load(withAlpha, WriteTga(image, 32));
  ASSERT_NE(withAlpha.GetTexture(), nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Argb(withAlpha.GetTexture()->GetLevel(0)->data + 4 * i), image.pixels[i]);
}

TEST_F(TextureObjectTest, DataNoReaderAcceptsIsAnUnknownFormat) {
  std::vector<uint8_t> rle = TgaBytes(2, 2, 32, 10);
  rle.resize(rle.size() + 16);
  std::vector<uint8_t> dds = {'D', 'D', 'S', ' ', 124, 0, 0, 0};
  dds.resize(128);
  std::vector<uint8_t> jpg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
  for (const auto& bytes : {rle, dds, jpg, std::vector<uint8_t>{}}) {
    TextureObject object;
    ExpectUnknownFormat(Caught([&] { Load(object, bytes); }));
    EXPECT_EQ(object.GetTexture(), nullptr);
  }
  TextureObject object;
  ExpectUnknownFormat(Caught([&] { object.LoadFromMemory(nullptr, 100); }));
  EXPECT_EQ(device.counts.texturesMade, 0);
}

TEST_F(TextureObjectTest, DamagedFilesAreUnknownAndMakeNoTexture) {
  std::vector<uint8_t> badIndex = EngineTextureBytes(2, 2, 2, {1, 2});
  badIndex.push_back(0xFF);
  std::vector<uint8_t> shortIndices = FourByFour();
  shortIndices.pop_back();
  std::vector<uint8_t> shortTga = WriteTga(ArgbImage{4, 4, std::vector<uint32_t>(16, 1)}, 32);
  shortTga.pop_back();
  std::vector<uint8_t> depth16 = TgaBytes(2, 2, 16);
  depth16.resize(depth16.size() + 64);
  std::vector<uint8_t> palette = EngineTextureBytes(4, 4, 2, kFourColours, 5000);
  for (const auto& bytes : {badIndex, shortIndices, shortTga, depth16, palette}) {
    TextureObject object;
    ExpectUnknownFormat(Caught([&] { Load(object, bytes); }));
    EXPECT_EQ(object.GetTexture(), nullptr);
  }
  EXPECT_EQ(device.counts.texturesMade, 0);
}

TEST_F(TextureObjectTest, NonPowerOfTwoFilesAreRefusedBeforeAnythingIsMade) {
  std::vector<uint8_t> wide = EngineTextureBytes(96, 1, 1, {1, 2});
  wide.resize(wide.size() + 12, 0);
  std::vector<uint8_t> tga = WriteTga(ArgbImage{3, 2, std::vector<uint32_t>(6, 5)}, 24);
  for (const auto& bytes : {wide, tga}) {
    TextureObject object;
    Exception e = Caught([&] { Load(object, bytes); });
    EXPECT_EQ(e.GetModule(), "KOR Graphics (Texture2D)");
    EXPECT_EQ(e.GetError(), "Non Power of two");
    EXPECT_EQ(e.GetDescription(), "Trying to create a non power of two surface.");
    EXPECT_EQ(object.GetTexture(), nullptr);
  }
  EXPECT_EQ(device.counts.texturesMade, 0);
}

TEST_F(TextureObjectTest, TheTextureIsReleasedThroughTheDeviceWithItsObject) {
  {
    TextureObject object;
    Load(object, FourByFour());
    ASSERT_NE(object.GetTexture(), nullptr);
    EXPECT_EQ(device.LiveObjects(), 1);
  }
  EXPECT_EQ(device.counts.texturesMade, 1);
  EXPECT_EQ(device.counts.texturesDestroyed, 1);
  EXPECT_EQ(device.LiveObjects(), 0);
}

TEST_F(TextureObjectTest, ASecondLoadReplacesTheFirstTexture) {
  TextureObject object;
  Load(object, FourByFour());
  Texture2D* first = object.GetTexture();
  Load(object, WriteTga(ArgbImage{1, 1, {0xFF123456}}, 32));
  ASSERT_NE(object.GetTexture(), nullptr);
  EXPECT_NE(object.GetTexture(), first);
  EXPECT_EQ(object.GetTexture()->width, 1);
  EXPECT_EQ(device.counts.texturesDestroyed, 1);
  EXPECT_EQ(device.LiveObjects(), 1);
}

TEST_F(TextureObjectTest, AFailedLoadKeepsTheTextureItHad) {
  TextureObject object;
  Load(object, FourByFour());
  Texture2D* first = object.GetTexture();
  std::vector<uint8_t> broken = FourByFour();
  broken.resize(30);
  EXPECT_THROW(Load(object, broken), Exception);
  std::vector<uint8_t> wide = EngineTextureBytes(96, 1, 1, {1});
  wide.resize(wide.size() + 12, 0);
  EXPECT_THROW(Load(object, wide), Exception);
  object.LoadFile("/nonexistent/texture.kor.texture");
  EXPECT_EQ(object.GetTexture(), first);
  EXPECT_EQ(device.LiveObjects(), 1);
}

TEST_F(TextureObjectTest, WithoutADeviceNothingIsMade) {
  RenderSystemTesting::SetCurrentDevice(nullptr);
  TextureObject object;
  Load(object, FourByFour());
  EXPECT_EQ(object.GetTexture(), nullptr);
  ExpectUnknownFormat(Caught([&] { Load(object, {1, 2, 3}); }));
}

TEST_F(TextureObjectTest, LoadFileReadsTheFileOrLeavesTheTextureEmpty) {
  fs::path dir = fs::temp_directory_path() / ("kor_texture_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<uint8_t> bytes = FourByFour();
  fs::path path = dir / "four.kor.texture";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

  TextureObject missing;
  missing.LoadFile((dir / "missing.kor.texture").c_str());
  EXPECT_EQ(missing.GetTexture(), nullptr);

  TextureObject loaded;
  loaded.LoadFile(path.c_str());
  ASSERT_NE(loaded.GetTexture(), nullptr);
  EXPECT_EQ(loaded.GetTexture()->width, 4);

  fs::path empty = dir / "empty.tga";
  std::ofstream(empty, std::ios::binary).flush();
  TextureObject fromEmpty;
  ExpectUnknownFormat(Caught([&] { fromEmpty.LoadFile(empty.c_str()); }));
  fs::remove_all(dir);
}

}  // namespace
