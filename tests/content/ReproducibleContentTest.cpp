// Building the content again gives the very bytes the build laid into dist/assets.

#include <cstdlib>
#include <filesystem>

#include "tests/content/ContentTestSupport.h"

namespace {

TEST(ReproducibleContent, ASecondBuildWritesTheSameBytes) {
  const std::filesystem::path again =
      std::filesystem::temp_directory_path() / ("kor-content-again-" + std::to_string(::getpid()));
  std::filesystem::remove_all(again);
  std::filesystem::create_directories(again);
  const std::string command = std::string(KOR_CONTENT_TOOL) + " " + KOR_CONTENT_SOURCE + " " + KOR_CONTENT_FONTS + " " +
                              again.string() + " meshes textures ui sounds music level";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(again)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(ContentTest::ReadBytes(entry.path().string()), ContentTest::ReadBytes(ContentTest::Asset(name))) << name;
    ++compared;
  }
  EXPECT_GE(compared, 70);
  std::filesystem::remove_all(again);
}

}  // namespace
