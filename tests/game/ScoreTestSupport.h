#pragma once
// For high-score tests: a fresh working directory with an assets/ folder and a private
// XDG_DATA_HOME, both put back when the test is done; score files made from records.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "game/shell/HighScoreTable.h"

class ScoreDirectoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kor_scores_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
    previous = std::filesystem::current_path();
    std::filesystem::create_directories(root / "game" / "assets");
    std::filesystem::current_path(root / "game");
    if (const char* xdg = std::getenv("XDG_DATA_HOME")) savedXdg = xdg;
    dataHome = root / "data";
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    if (savedXdg) ::setenv("XDG_DATA_HOME", savedXdg->c_str(), 1);
    else ::unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(root);
  }

  // Score file bytes: one 20-byte record per entry, names cut or padded to 16 bytes as given.
  static std::string Records(const std::vector<std::pair<std::string, int32_t>>& records) {
    std::string bytes;
    for (const auto& [name, score] : records) {
      std::string field = name.substr(0, kScoreNameBytes);
      field.resize(kScoreNameBytes, '\0');
      bytes += field;
      for (int i = 0; i < 4; ++i) bytes += char(uint32_t(score) >> (8 * i));
    }
    return bytes;
  }
  static std::string TenRecords(int32_t base) {
    std::vector<std::pair<std::string, int32_t>> records;
    for (int i = 0; i < 10; ++i) records.push_back({"Pilot" + std::to_string(i), base + i * 100});
    return Records(records);
  }
  static void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path root, previous, dataHome;
  std::optional<std::string> savedXdg;
};
