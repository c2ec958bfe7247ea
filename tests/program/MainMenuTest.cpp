// The menu's loop without a device or sound: selection and its wrap, the ways out and
// their one-second fade, the high-score screen, and the fade-in after a game.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "game/shell/MainMenu.h"
#include "platform/win32/Win32Testing.h"

namespace {

class MainMenuTest : public ::testing::Test {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    Win32Testing::Reset();
    menu.clock = [this] {
      now += step;
      for (auto it = scheduled.begin(); it != scheduled.end();) {
        if (now >= it->first) {
          it->second();
          it = scheduled.erase(it);
        } else {
          ++it;
        }
      }
      return now;
    };
    menu.userScores = UserScores((std::filesystem::temp_directory_path() / "zubra2-menu-test.score").string());
  }
  void TearDown() override { Win32Testing::Reset(); }
  // Runs the menu and says how long it took on its own clock.
  bool RunTimed(double* seconds) {
    double start = now;
    bool result = menu.Run();
    *seconds = now - start;
    return result;
  }
  void At(double time, std::function<void()> action) { scheduled.push_back({time, std::move(action)}); }

  MainMenu menu{nullptr, nullptr, 4.0f / 3.0f};
  double now = 100.0, step = 0.05;
  std::vector<std::pair<double, std::function<void()>>> scheduled;
};

TEST_F(MainMenuTest, SelectionWrapsBothWaysAndEscapeLeavesAfterTheFade) {
  Win32Testing::KeyDown(VK_UP);
  Win32Testing::KeyDown(VK_ESCAPE);
  double took = 0;
  EXPECT_FALSE(RunTimed(&took));
  EXPECT_EQ(menu.selection, 2) << "up on play wraps to exit";
  EXPECT_GE(took, 1.0);
  EXPECT_LT(took, 1.2);
  EXPECT_FLOAT_EQ(menu.blackoutAlpha, 1.0f);
  EXPECT_FLOAT_EQ(menu.musicVolume, 0.0f);
  Win32Testing::KeyDown(VK_DOWN);
  Win32Testing::KeyDown(VK_ESCAPE);
  EXPECT_FALSE(menu.Run());
  EXPECT_EQ(menu.selection, 0) << "down on exit wraps to play";
}

TEST_F(MainMenuTest, EnterActsOnTheSelection) {
  Win32Testing::KeyDown(VK_RETURN);
  EXPECT_TRUE(menu.Run()) << "play";
  EXPECT_EQ(menu.selection, 0) << "kept for the next run";
  Win32Testing::KeyDown(VK_UP);
  Win32Testing::KeyDown(VK_RETURN);
  double took = 0;
  EXPECT_FALSE(RunTimed(&took)) << "exit";
  EXPECT_GE(took, 1.0);
}

TEST_F(MainMenuTest, AQuitMessageInTheHighScoreScreenClosesOnlyThatScreen) {
  menu.GetTable().Submit("Ada", 1200);
  Win32Testing::KeyDown(VK_DOWN);
  Win32Testing::KeyDown(VK_RETURN);  // the high-score screen
  PostQuitMessage(0);
  float seen = -1.0f;
  At(now + 0.3, [&] {
    seen = menu.blackoutAlpha;
    Win32Testing::KeyDown(VK_ESCAPE);
  });
  EXPECT_FALSE(menu.Run());
  // Had the quit reached the menu, it would be fading out (alpha rising from 0), not in.
  EXPECT_GT(seen, 0.5f);
  EXPECT_FALSE(menu.showingHighScores);
  EXPECT_EQ(menu.selection, 1);
}

TEST_F(MainMenuTest, EnterOnPlayDuringTheFadeOutStartsTheFadeAgain) {
  Win32Testing::KeyDown(VK_RETURN);
  double start = now;
  At(start + 0.5, [] { Win32Testing::KeyDown(VK_RETURN); });
  double took = 0;
  EXPECT_TRUE(RunTimed(&took));
  EXPECT_GE(took, 1.5) << "the fade began again half-way through";
}

TEST_F(MainMenuTest, AfterALongGameTheMenuFadesInAgain) {
  Win32Testing::KeyDown(VK_RETURN);
  ASSERT_TRUE(menu.Run());
  now += 60.0;  // a minute of play
  float seen = -1.0f;
  At(now + 0.3, [&] {
    seen = menu.blackoutAlpha;
    Win32Testing::KeyDown(VK_ESCAPE);
  });
  EXPECT_FALSE(menu.Run());
  EXPECT_GT(seen, 0.5f) << "still fading in a third of a second after the menu came back";
  EXPECT_LT(seen, 0.9f);
}

TEST_F(MainMenuTest, ScoresGoToTheTableAndThePlayersOwnFile) {
  std::filesystem::remove(menu.userScores.GetPath());
  menu.SubmitScore("Grace", 4200);
  EXPECT_EQ(menu.GetTable().GetEntries().at(4200), "Grace");
  EXPECT_EQ(std::filesystem::file_size(menu.userScores.GetPath()), 200u);
  std::filesystem::remove(menu.userScores.GetPath());
}

}  // namespace
