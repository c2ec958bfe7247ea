// What one game owns and what it hands to the next game of the same run.

#include <gtest/gtest.h>

#include "tests/game/GameHarness.h"

namespace {

class GameSessionTest : public GameHarness {};

TEST_F(GameSessionTest, TwoGamesInARowPlayAsOneLongerRunWould) {
  // The boss's port changes draw from the game's numbers: a second game goes on from where
  // the first left them, not from the start again.
  StartSmallGame();
  RunFor(110.0f);  // the boss wakes at the path's end and changes ports
  const uint32_t afterFirst = scene->random.State();
  EXPECT_NE(afterFirst, GameRandom().State()) << "the boss fight drew numbers";
  EndGame();
  StartSmallGame();
  EXPECT_EQ(scene->random.State(), afterFirst);
}

TEST_F(GameSessionTest, TheShipPublishesThePlaneAndReadsOnlyTheFramesCommand) {
  StartSmallGame();
  RunFor(6.0f);  // into the first steering window
  // The small level's plane: origin at the ship's path (0, 0, 0), across +z, up +y.
  EXPECT_NEAR(scene->plane.across.z, 1.0f, 1e-5f);
  EXPECT_NEAR(scene->plane.up.y, 1.0f, 1e-5f);
  const float y = player->planeY;
  // The command is what moves the ship: set by hand (no key held), it steers.
  scene->onFrameStart = [this] { scene->command = PlayCommand{.up = true}; };
  Frames(10);
  EXPECT_GT(player->planeY, y);
  // Keys held with nothing sampling them move nothing.
  scene->onFrameStart = nullptr;
  scene->command = PlayCommand{};
  Hold(settings.keyDown, true);
  const float held = player->planeY;
  Frames(10);
  EXPECT_EQ(player->planeY, held);
}

}  // namespace
