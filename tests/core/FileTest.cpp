// Whole-file loading and sequential reading, with every error a caller can meet.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/Exception.h"
#include "core/File.h"

#include "tests/Caught.h"

using KOR::Testing::Caught;

namespace {

namespace fs = std::filesystem;

class FileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kor_file_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path dir;
};

TEST_F(FileTest, LoadsTheWholeFileWithATerminatingZero) {
  std::string path = Write("text.sh", std::string("abc\0def", 7));
  KOR::File file;
  ASSERT_TRUE(file.Open(path.c_str(), 0));
  ASSERT_EQ(file.GetSize(), 7u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.GetData()), 7), std::string("abc\0def", 7));
  EXPECT_EQ(file.GetData()[7], 0);
}

TEST_F(FileTest, EmptyFileIsOneZeroByte) {
  std::string path = Write("empty", "");
  KOR::File file;
  ASSERT_TRUE(file.Open(path.c_str(), 0));
  EXPECT_EQ(file.GetSize(), 0u);
  ASSERT_NE(file.GetData(), nullptr);
  EXPECT_EQ(file.GetData()[0], 0);
}

TEST_F(FileTest, FilesThatCannotBeLoadedLeaveTheObjectEmpty) {
  KOR::File missing;
  EXPECT_FALSE(missing.Open((dir / "missing").c_str(), 0));
  EXPECT_EQ(missing.GetData(), nullptr);
  EXPECT_EQ(missing.GetSize(), 0u);

  KOR::File directory;
  EXPECT_FALSE(directory.Open(dir.c_str(), 0)) << "a directory opens but does not read";
  EXPECT_EQ(directory.GetData(), nullptr);
  EXPECT_EQ(directory.GetSize(), 0u);

  std::string path = Write("present", "data");
  KOR::File otherMode;
  EXPECT_FALSE(otherMode.Open(path.c_str(), 1)) << "no mode but 0 loads anything";
  EXPECT_EQ(otherMode.GetData(), nullptr);
  EXPECT_TRUE(otherMode.Open(path.c_str(), 0)) << "and the object is still usable";
}

TEST_F(FileTest, ShortReadIsAFailure) {
  // sysfs reports a page-sized file but delivers only its few bytes of text.
  const char* path = "/sys/devices/system/cpu/online";
  if (!fs::exists(path)) GTEST_SKIP() << "no sysfs here";
  KOR::File file;
  EXPECT_FALSE(file.Open(path, 0));
  EXPECT_EQ(file.GetData(), nullptr);
  EXPECT_EQ(file.GetSize(), 0u);
}

TEST_F(FileTest, SecondOpenThrowsWithTheFileName) {
  std::string path = Write("twice", "x");
  KOR::File file;
  ASSERT_TRUE(file.Open(path.c_str(), 0));
  KOR::Exception e = Caught([&] { file.Open("other", 0); });
  EXPECT_EQ(e.GetModule(), "KOR CORE (File)");
  EXPECT_EQ(e.GetError(), "File already opened");
  EXPECT_EQ(e.GetDescription(), "other");
  EXPECT_EQ(e.GetKind(), "EXCEPTION");
}

TEST_F(FileTest, SequentialReadsAdvanceTheCursor) {
  std::string path = Write("seq", "0123456789");
  KOR::InputFile input;
  ASSERT_TRUE(input.Open(path.c_str(), 0));
  char a[4], b[4];
  input.Read(a, 4);
  input.Read(nullptr, 0);
  input.Read(b, 4);
  EXPECT_EQ(std::string(a, 4), "0123");
  EXPECT_EQ(std::string(b, 4), "4567");
  uint16_t last;
  input.Read(&last, 2);
  EXPECT_EQ(last, uint16_t('8' | ('9' << 8))) << "little-endian as the bytes lie";
}

TEST_F(FileTest, ReadingPastTheEndThrowsAndCopiesNothing) {
  std::string path = Write("short", "abc");
  KOR::InputFile input;
  ASSERT_TRUE(input.Open(path.c_str(), 0));
  char buffer[8] = "zzzzzzz";
  KOR::Exception e = Caught([&] { input.Read(buffer, 4); });
  EXPECT_EQ(e.GetModule(), "KOR CORE (InputFile)");
  EXPECT_EQ(e.GetError(), "Read past end of file");
  EXPECT_EQ(e.GetDescription(), path);
  EXPECT_EQ(std::string(buffer), "zzzzzzz");
  input.Read(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "abc") << "the cursor did not move on the failed read";
  Caught([&] { input.Read(buffer, 0xFFFFFFFFu); });
}

TEST_F(FileTest, InputFileErrors) {
  std::string path = Write("once", "x");
  KOR::InputFile input;
  ASSERT_TRUE(input.Open(path.c_str(), 0));
  KOR::Exception reopen = Caught([&] { input.Open(path.c_str(), 0); });
  EXPECT_EQ(reopen.GetError(), "File already opened");
  EXPECT_EQ(reopen.GetDescription(), "Cannot reOpen a file");

  KOR::InputFile closed;
  EXPECT_FALSE(closed.Open((dir / "missing.kor").c_str(), 0));
  char byte;
  KOR::Exception notOpen = Caught([&] { closed.Read(&byte, 1); });
  EXPECT_EQ(notOpen.GetModule(), "KOR CORE (InputFile)");
  EXPECT_EQ(notOpen.GetError(), "File not opened: " + (dir / "missing.kor").string());
  EXPECT_EQ(notOpen.GetDescription(), "Cannot Read a closed file");

  KOR::InputFile never;
  KOR::Exception neverOpened = Caught([&] { never.Read(&byte, 1); });
  EXPECT_EQ(neverOpened.GetError(), "File not opened: ");
}

TEST(ExceptionTest, CopiesKeepAllFourTexts) {
  KOR::Exception original("m", "e", "d");
  KOR::Exception copy = original;
  EXPECT_EQ(copy.GetModule(), "m");
  EXPECT_EQ(copy.GetKind(), "EXCEPTION");
  EXPECT_EQ(copy.GetError(), "e");
  EXPECT_EQ(copy.GetDescription(), "d");
}

}  // namespace
