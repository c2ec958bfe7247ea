// The scene file: what the writer puts down the reader gives back, names lose their
// quotes, and damaged files are refused with the loader's error and never over-read.

#include <cstring>

#include "scene/SceneFile.h"
#include "tests/scene/SceneTestSupport.h"
#include "tools/scene/DemoScene.h"
#include "tools/scene/SceneWriters.h"

namespace {

using KOR::Testing::Caught;

void Put32(std::vector<uint8_t>& out, int32_t v) {
  const auto* b = reinterpret_cast<const uint8_t*>(&v);
  out.insert(out.end(), b, b + 4);
}

// An 8-byte header and the three counts as given.
std::vector<uint8_t> Counts(int32_t objects, int32_t lights, int32_t cameras) {
  std::vector<uint8_t> out(8, 'h');
  Put32(out, objects);
  Put32(out, lights);
  Put32(out, cameras);
  return out;
}

void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& what) {
  KOR::Exception e = Caught([&] { KOR::ParseSceneFile(bytes.data(), bytes.size(), "level.kor.scene"); });
  EXPECT_EQ(e.GetModule(), "KOR Scene (SceneLoader)") << what;
  EXPECT_EQ(e.GetError(), "Wrong file format") << what;
  EXPECT_NE(e.GetDescription().find("level.kor.scene"), std::string::npos) << what;
}

KOR::SceneFileContents RichScene() {
  KOR::SceneFileContents scene = KOR::DemoScene();
  scene.lights[0].keyPositions = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  scene.lights[0].keyColours = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  scene.lights[0].keyValues = {0.5f, 0.25f, 0.125f};
  KOR::SceneTransform key;
  key.position = {10, 20, 30};
  key.rotation = {0, 1, 0, 0};
  scene.cameras[0].keys = {key, key};
  scene.cameras[0].keyFovs = {0.5f, 0.75f};
  return scene;
}

TEST(SceneFile, TheWritersRecordsComeBackAsTheyWere) {
  KOR::SceneFileContents written = RichScene();
  std::vector<uint8_t> bytes = KOR::WriteSceneFile(written);
  KOR::SceneFileContents read = KOR::ParseSceneFile(bytes.data(), bytes.size(), "demo");
  EXPECT_EQ(std::memcmp(read.header, KOR::SceneFileFormat::kHeader, 8), 0);
  ASSERT_EQ(read.objects.size(), 2u);
  EXPECT_EQ(read.objects[0].typeName, "staticMesh");
  EXPECT_EQ(read.objects[0].objectName, "left box");
  EXPECT_EQ(read.objects[1].meshName, "box.3df");
  EXPECT_EQ(std::memcmp(&read.objects[1].material, &written.objects[1].material, 1052), 0);
  EXPECT_FLOAT_EQ(read.objects[1].transform.position.y, 40.0f);
  ASSERT_EQ(read.objects[1].keys.size(), 3u);
  EXPECT_FLOAT_EQ(read.objects[1].keys[2].position.z, 10.0f);
  ASSERT_EQ(read.lights.size(), 1u);
  EXPECT_FLOAT_EQ(read.lights[0].range, 300.0f);
  ASSERT_EQ(read.lights[0].keyColours.size(), 3u);
  EXPECT_FLOAT_EQ(read.lights[0].keyPositions[2].z, 9.0f);
  EXPECT_FLOAT_EQ(read.lights[0].keyColours[1].y, 1.0f);
  EXPECT_FLOAT_EQ(read.lights[0].keyValues[2], 0.125f);
  ASSERT_EQ(read.cameras.size(), 1u);
  EXPECT_EQ(read.cameras[0].name, "p_camera");  // cameras are not quoted
  EXPECT_FLOAT_EQ(read.cameras[0].keyFovs[1], 0.75f);
  EXPECT_FLOAT_EQ(read.cameras[0].keys[1].rotation.x, 1.0f);
}

TEST(SceneFile, ALightWithThreeKeysReadsEightyFourBytesOfKeys) {
  KOR::SceneFileContents scene;
  scene.lights.push_back(RichScene().lights[0]);
  std::vector<uint8_t> bytes = KOR::WriteSceneFile(scene);
  EXPECT_EQ(bytes.size(), 8u + 4 + 4 + 32 + 84 + 4);
  EXPECT_EQ(KOR::ParseSceneFile(bytes.data(), bytes.size(), "x").lights[0].keyValues.size(), 3u);
}

TEST(SceneFile, EmptyAndNegativeRecordCountsMeanNoRecords) {
  std::vector<uint8_t> empty = Counts(0, 0, 0);
  ASSERT_EQ(empty.size(), 20u);
  KOR::SceneFileContents read = KOR::ParseSceneFile(empty.data(), empty.size(), "x");
  EXPECT_TRUE(read.objects.empty() && read.lights.empty() && read.cameras.empty());
  std::vector<uint8_t> negative = Counts(-1, -5, INT32_MIN);
  EXPECT_NO_THROW(KOR::ParseSceneFile(negative.data(), negative.size(), "x"));
}

TEST(SceneFile, NamesLoseTheirFirstAndLastCharacters) {
  KOR::SceneFileContents scene = KOR::DemoScene();
  std::vector<uint8_t> bytes = KOR::WriteSceneFile(scene);
  char* typeName = reinterpret_cast<char*>(bytes.data() + 12);
  std::memset(typeName, 0, 256);
  std::memcpy(typeName, "\"\"", 2);  // just the quotes
  char* objectName = typeName + 256;
  std::memset(objectName, 0, 256);
  std::memcpy(objectName, "<a>", 3);
  char* meshName = objectName + 256;
  std::memset(meshName, 'm', 256);  // no terminating zero at all
  KOR::SceneFileContents read = KOR::ParseSceneFile(bytes.data(), bytes.size(), "x");
  EXPECT_EQ(read.objects[0].typeName, "");
  EXPECT_EQ(read.objects[0].objectName, "a");
  EXPECT_EQ(read.objects[0].meshName, std::string(253, 'm'));
}

TEST(SceneFile, EveryTruncationOfAValidFileIsRefused) {
  std::vector<uint8_t> whole = KOR::WriteSceneFile(RichScene());
  for (size_t size = 0; size < whole.size(); ++size) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(size));
    ExpectRefused(cut, "cut at " + std::to_string(size));
  }
  EXPECT_NO_THROW(KOR::ParseSceneFile(whole.data(), whole.size(), "whole"));
}

TEST(SceneFile, CountsThatCannotFitOrAreNegativeAreRefused) {
  ExpectRefused(Counts(0x7FFFFFFF, 0, 0), "objects");
  ExpectRefused(Counts(0, 0x7FFFFFFF, 0), "lights");
  ExpectRefused(Counts(0, 0, 1), "a camera in no bytes");

  std::vector<uint8_t> light(8, 'h');
  Put32(light, 0);
  Put32(light, 1);
  light.resize(light.size() + 28);
  std::vector<uint8_t> keyed = light;
  Put32(keyed, -1);
  ExpectRefused(keyed, "negative light keys");
  keyed = light;
  Put32(keyed, 0x20000000);  // 28 bytes each would wrap 32 bits
  ExpectRefused(keyed, "huge light keys");

  KOR::SceneFileContents one;
  one.objects.push_back(KOR::DemoScene().objects[0]);
  std::vector<uint8_t> object = KOR::WriteSceneFile(one);
  const size_t keyCountAt = 8 + 4 + 1852;
  for (int32_t bad : {-1, 0x08000000, 0x7FFFFFFF}) {
    std::vector<uint8_t> damaged = object;
    std::memcpy(damaged.data() + keyCountAt, &bad, 4);
    ExpectRefused(damaged, "object keys " + std::to_string(bad));
    damaged = object;
    std::memcpy(damaged.data() + keyCountAt + 4, &bad, 4);
    ExpectRefused(damaged, "extra entries " + std::to_string(bad));
  }
}

TEST(SceneFile, ExtraEntriesAreSkipped) {
  KOR::SceneFileContents one;
  one.objects.push_back(KOR::DemoScene().objects[0]);
  one.cameras.push_back(KOR::DemoScene().cameras[0]);
  std::vector<uint8_t> bytes = KOR::WriteSceneFile(one);
  const size_t extrasAt = 8 + 4 + 1856;
  int32_t two = 2;
  std::memcpy(bytes.data() + extrasAt, &two, 4);
  bytes.insert(bytes.begin() + long(extrasAt + 4), 520, 0xEE);
  KOR::SceneFileContents read = KOR::ParseSceneFile(bytes.data(), bytes.size(), "x");
  ASSERT_EQ(read.cameras.size(), 1u);
  EXPECT_EQ(read.cameras[0].name, "p_camera");
}

}  // namespace
