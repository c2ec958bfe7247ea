// The program's options between the options file and a game: --no-options plays with what
// the file remembers, without the dialog and without writing it; Go!! writes what the dialog
// shows, except a box this run's --windowed or --no-vsync set, whose remembered choice
// stays; the level script's trace reaches standard output only when asked for.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/shell/Program.h"
#include "game/shell/UserOptions.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"

namespace {

namespace fs = std::filesystem;

class ProgramOptionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::current_path(KOR_DIST);
    std::string pattern = (fs::temp_directory_path() / "kor_options_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    options.optionsPath = (folder / "options.conf").string();
    // The game ends as soon as it is ready: the menu takes the quit message.
    options.started = [this](const GameSettings& settings) {
      during = settings;
      PostQuitMessage(0);
    };
  }
  void TearDown() override {
    Win32Testing::SetWaitHandler(nullptr);
    fs::remove_all(folder);
  }
  void Remember(const std::string& text) { std::ofstream(options.optionsPath) << text; }
  std::string Remembered() const {
    std::ifstream in(options.optionsPath);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path folder;
  ProgramOptions options;
  GameSettings during;
};

TEST_F(ProgramOptionsTest, NoOptionsPlaysWithTheRememberedChoicesAndWritesNothing) {
  const std::string text = "lighting = pervertex\nspecular = on\nkey-fire = Q\nname = Remy\nvertical-sync = off\n"
                           "full-screen = on\nsound-driver = a driver this machine never had\n";
  Remember(text);
  options.skipDialog = true;
  options.fullScreen = false;  // --windowed
  Win32Testing::SetWaitHandler([] { ADD_FAILURE() << "something waited for the player"; PostQuitMessage(0); });
  EXPECT_EQ(RunProgram(options), 0);
  EXPECT_EQ(during.playerName, "Remy");
  EXPECT_EQ(during.keyFire, uint32_t('Q'));
  EXPECT_FALSE(during.perPixelLighting);
  EXPECT_FALSE(during.specularLighting) << "per vertex: the effects are off whatever the file says";
  EXPECT_FALSE(during.verticalSync);
  EXPECT_FALSE(during.fullScreen) << "--windowed wins over the file for this run";
  EXPECT_NE(during.soundDriver, "a driver this machine never had");
  EXPECT_EQ(Remembered(), text) << "no dialog, nothing written";
}

TEST_F(ProgramOptionsTest, GoRemembersTheDialogButNotThisRunsOverrides) {
  Remember("name = Remy\nfull-screen = on\nvertical-sync = on\nglow = on\n");
  options.fullScreen = false;      // --windowed
  options.noVerticalSync = true;   // --no-vsync
  bool typed = false;
  Win32Testing::SetWaitHandler([&] {
    HWND dialog = FindWindowA("#32770", "Zubra 2 Options");
    if (!dialog || typed) return;
    typed = true;
    EXPECT_NE(IsDlgButtonChecked(dialog, 1016), BST_CHECKED) << "the dialog shows --windowed";
    EXPECT_NE(IsDlgButtonChecked(dialog, 1017), BST_CHECKED) << "and --no-vsync";
    Win32Testing::Type(GetDlgItem(dialog, 1015), "Typed");
    Win32Testing::Click(GetDlgItem(dialog, 1005));  // glow off
    Win32Testing::Click(GetDlgItem(dialog, 1));
  });
  EXPECT_EQ(RunProgram(options), 0);
  ASSERT_TRUE(typed);
  EXPECT_FALSE(during.fullScreen);
  EXPECT_FALSE(during.verticalSync);
  RememberedOptions kept = UserOptions(options.optionsPath).Load();
  EXPECT_EQ(kept.playerName, "Typed");
  EXPECT_EQ(kept.glowEffects, false);
  EXPECT_EQ(kept.fullScreen, true) << "one run's --windowed is not remembered";
  EXPECT_EQ(kept.verticalSync, true) << "nor its --no-vsync";
}

TEST_F(ProgramOptionsTest, TheLevelScriptsTraceIsPrintedOnlyWhenAskedFor) {
  options.skipDialog = true;
  for (bool asked : {false, true}) {
    options.traceLevel = asked;
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunProgram(options), 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (asked) {
      EXPECT_NE(printed.find(" - SCRIPT\n"), std::string::npos) << "the trace of the level's first word";
      EXPECT_GT(std::count(printed.begin(), printed.end(), '\n'), 500) << "a token a line";
    } else {
      EXPECT_EQ(printed, "") << "nothing on standard output in normal play";
    }
  }
}

}  // namespace
