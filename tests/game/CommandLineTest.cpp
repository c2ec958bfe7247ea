// What the player can ask on the command line, and where the game finds its data.

#include "game/shell/CommandLine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "game/shell/GameFolder.h"

namespace {

CommandLine Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "zubra2");
  return ParseCommandLine(int(arguments.size()), arguments.data());
}

TEST(CommandLine, NothingPlaysWithTheDialogAndTheRememberedChoices) {
  CommandLine line = Parse({});
  EXPECT_EQ(line.action, CommandLine::Action::Play);
  EXPECT_FALSE(line.skipDialog);
  EXPECT_FALSE(line.fullScreen);
  EXPECT_FALSE(line.noVerticalSync);
  EXPECT_FALSE(line.traceLevel);
}

TEST(CommandLine, EachOptionSetsItsChoice) {
  CommandLine line = Parse({"--no-options", "--windowed", "--no-vsync", "--trace-level"});
  EXPECT_EQ(line.action, CommandLine::Action::Play);
  EXPECT_TRUE(line.skipDialog);
  EXPECT_EQ(line.fullScreen, false);
  EXPECT_TRUE(line.noVerticalSync);
  EXPECT_TRUE(line.traceLevel);
  EXPECT_EQ(Parse({"--fullscreen", "--fullscreen"}).fullScreen, true) << "said twice is still one choice";
}

TEST(CommandLine, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(Parse({"--help"}).action, CommandLine::Action::Help);
  EXPECT_EQ(Parse({"--no-options", "-h"}).action, CommandLine::Action::Help);
  EXPECT_EQ(Parse({"--bogus", "--version"}).action, CommandLine::Action::Version);
  EXPECT_EQ(VersionLine().rfind("zubra2 ", 0), 0u) << VersionLine();
  EXPECT_NE(std::string(kCommandLineHelp).find("--no-vsync"), std::string::npos);
}

TEST(CommandLine, WhatItDoesNotKnowIsRefusedByName) {
  CommandLine line = Parse({"--windowed", "--fly-faster", "--also-wrong"});
  EXPECT_EQ(line.action, CommandLine::Action::Refuse);
  EXPECT_EQ(line.refusal, "unknown option '--fly-faster'") << "the first one is named";
  line = Parse({"level.zub.script"});
  EXPECT_EQ(line.action, CommandLine::Action::Refuse);
  EXPECT_NE(line.refusal.find("'level.zub.script'"), std::string::npos) << line.refusal;
  EXPECT_EQ(Parse({"-"}).action, CommandLine::Action::Refuse);
  EXPECT_EQ(Parse({"--windowed", "--fullscreen"}).action, CommandLine::Action::Refuse);
}

class GameFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kor_folder_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root); }
  void Make(const std::filesystem::path& folder) { std::filesystem::create_directories(root / folder); }
  std::string Exe(const std::filesystem::path& path) { return (root / path).string(); }

  std::filesystem::path root;
};

TEST_F(GameFolderTest, TheDataLiesBesideTheExecutableOrInTheSharedFolderOfItsPrefix) {
  Make("dist/assets");
  EXPECT_EQ(GameDataFolder(Exe("dist/zubra2")), (root / "dist").string()) << "the build's dist/";
  Make("usr/bin");
  Make("usr/share/zubra2/assets");
  EXPECT_EQ(GameDataFolder(Exe("usr/bin/zubra2")), (root / "usr/share/zubra2").string());
  Make("opt/z/games");
  Make("opt/z/share/zubra2/assets");
  EXPECT_EQ(GameDataFolder(Exe("opt/z/games/zubra2")), (root / "opt/z/share/zubra2").string());
}

TEST_F(GameFolderTest, WithoutAssetsAnywhereThereIsNoFolder) {
  Make("build/game");
  Make("build/share/zubra2");  // a folder without assets/ does not count
  EXPECT_EQ(GameDataFolder(Exe("build/game/zubra2")), "");
  EXPECT_EQ(GameDataFolder(""), "");
}

}  // namespace
