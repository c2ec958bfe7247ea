#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/win32/Windows.h"
#include "tools/replay/ReplayScript.h"

namespace {

std::string ErrorOf(const std::string& text) {
  try {
    ParseReplay(text);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(ReplayScript, TheReadmeExampleGivesTheDialogsAnswersAndTimedKeys) {
  ReplayScript s = ParseReplay(
      "# thirty seconds of a game\n"
      "resolution 640 480\n"
      "lighting pervertex\n"
      "glow off\n"
      "specular off   # comment after a directive\n"
      "keys fire=Space fill=F up=W down=S left=0x25 right=Right\n"
      "name Ace Pilot\n"
      "frametime 0.02\n"
      "at 90 tap Enter\n"
      "at 120 press Space Right\n"
      "at 400 release Right\n"
      "shot 600 game.png\n"
      "end 1700\n");
  EXPECT_EQ(s.answers.screenWidth, 640u);
  EXPECT_EQ(s.answers.screenHeight, 480u);
  EXPECT_EQ(s.answers.perPixelLighting, 0);
  EXPECT_EQ(s.answers.glowEffects, 0);
  EXPECT_EQ(s.answers.specularLighting, 0);
  EXPECT_EQ(s.answers.keyFire, uint32_t(VK_SPACE));
  EXPECT_EQ(s.answers.keyFillEnergy, uint32_t('F'));
  EXPECT_EQ(s.answers.keyUp, uint32_t('W'));
  EXPECT_EQ(s.answers.keyDown, uint32_t('S'));
  EXPECT_EQ(s.answers.keyLeft, uint32_t(VK_LEFT));
  EXPECT_EQ(s.answers.keyRight, uint32_t(VK_RIGHT));
  EXPECT_EQ(s.answers.playerName, "Ace Pilot");
  EXPECT_DOUBLE_EQ(s.frameTime, 0.02);
  ASSERT_EQ(s.keys.size(), 5u);
  EXPECT_EQ(s.keys[0].frame, 90);
  EXPECT_TRUE(s.keys[0].down);
  EXPECT_EQ(s.keys[1].frame, 91) << "a tap releases on the next frame";
  EXPECT_FALSE(s.keys[1].down);
  EXPECT_EQ(s.keys[2].virtualKey, VK_SPACE);
  EXPECT_EQ(s.keys[3].virtualKey, VK_RIGHT);
  EXPECT_EQ(s.keys[4].frame, 400);
  EXPECT_FALSE(s.keys[4].down);
  ASSERT_EQ(s.shots.size(), 1u);
  EXPECT_EQ(s.shots[0].frame, 600);
  EXPECT_EQ(s.shots[0].file, "game.png");
  EXPECT_EQ(s.endFrame, 1700);
}

TEST(ReplayScript, WithoutDirectivesTheDialogsDefaultsAndTheRealClockStay) {
  ReplayScript s = ParseReplay("\n# nothing\n");
  GameSettings defaults;
  EXPECT_EQ(s.answers.screenWidth, defaults.screenWidth);
  EXPECT_EQ(s.answers.perPixelLighting, defaults.perPixelLighting);
  EXPECT_EQ(s.answers.keyFire, defaults.keyFire);
  EXPECT_EQ(s.frameTime, 0.0);
  EXPECT_EQ(s.endFrame, -1);
  EXPECT_FALSE(s.invulnerable);
  EXPECT_FALSE(s.autopilot);
  EXPECT_TRUE(s.keys.empty());
  EXPECT_TRUE(ParseReplay("INVULNERABLE  # the whole level\n").invulnerable);
  const ReplayScript flown = ParseReplay("autopilot\nat 13 tap Enter\n");
  EXPECT_TRUE(flown.autopilot);
  EXPECT_FALSE(flown.invulnerable);
  EXPECT_EQ(flown.keys.size(), 2u);  // the menu's keys stay the replay's
}

TEST(ReplayScript, EventsComeInFrameOrderAndKeepFileOrderWithinAFrame) {
  ReplayScript s = ParseReplay("at 50 press A\nat 10 press Up\nat 10 release Down\nat 30 release A\n");
  ASSERT_EQ(s.keys.size(), 4u);
  EXPECT_EQ(s.keys[0].virtualKey, VK_UP);
  EXPECT_EQ(s.keys[1].virtualKey, VK_DOWN);
  EXPECT_EQ(s.keys[2].frame, 30);
  EXPECT_EQ(s.keys[3].frame, 50);
}

TEST(ReplayScript, KeyNames) {
  EXPECT_EQ(VirtualKeyOf("a"), 'A');
  EXPECT_EQ(VirtualKeyOf("7"), '7');
  EXPECT_EQ(VirtualKeyOf("ESCAPE"), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyOf("enter"), VK_RETURN);
  EXPECT_EQ(VirtualKeyOf("F1"), VK_F1);
  EXPECT_EQ(VirtualKeyOf("f12"), VK_F1 + 11);
  EXPECT_EQ(VirtualKeyOf("0x41"), 'A');
  EXPECT_EQ(VirtualKeyOf("F13"), 0);
  EXPECT_EQ(VirtualKeyOf("0x100"), 0);
  EXPECT_EQ(VirtualKeyOf("0x"), 0);
  EXPECT_EQ(VirtualKeyOf("?"), 0);
  EXPECT_EQ(VirtualKeyOf("Jump"), 0);
}

TEST(ReplayScript, EveryMistakeIsRefusedWithItsLine) {
  EXPECT_NE(ErrorOf("glow on\nwarp 9\n").find("line 2: unknown directive \"warp\""), std::string::npos);
  EXPECT_NE(ErrorOf("at -3 press A\n").find("line 1: a frame number"), std::string::npos);
  EXPECT_NE(ErrorOf("at 3x press A\n").find("line 1"), std::string::npos);
  EXPECT_NE(ErrorOf("at 3 hold A\n").find("press, release or tap"), std::string::npos);
  EXPECT_NE(ErrorOf("at 3 press\n").find("names no key"), std::string::npos);
  EXPECT_NE(ErrorOf("at 3 press Jump\n").find("unknown key \"Jump\""), std::string::npos);
  EXPECT_NE(ErrorOf("\n\nframetime 0\n").find("line 3: frametime"), std::string::npos);
  EXPECT_NE(ErrorOf("frametime nan\n").find("frametime"), std::string::npos);
  EXPECT_NE(ErrorOf("frametime 0.02s\n").find("frametime"), std::string::npos);
  EXPECT_NE(ErrorOf("resolution 800\n").find("width and a height"), std::string::npos);
  EXPECT_NE(ErrorOf("resolution 0 600\n").find("out of range"), std::string::npos);
  EXPECT_NE(ErrorOf("glow maybe\n").find("on or off"), std::string::npos);
  EXPECT_NE(ErrorOf("lighting flat\n").find("perpixel or pervertex"), std::string::npos);
  EXPECT_NE(ErrorOf("keys fire\n").find("role=KEY"), std::string::npos);
  EXPECT_NE(ErrorOf("keys jump=A\n").find("unknown key role"), std::string::npos);
  EXPECT_NE(ErrorOf("name\n").find("player's name"), std::string::npos);
  EXPECT_NE(ErrorOf("end 10 20\n").find("unexpected \"20\""), std::string::npos);
  EXPECT_NE(ErrorOf("shot 10\n").find("file name"), std::string::npos);
  EXPECT_NE(ErrorOf("invulnerable yes\n").find("unexpected \"yes\""), std::string::npos);
  EXPECT_NE(ErrorOf("autopilot on\n").find("unexpected \"on\""), std::string::npos);
  // A tap at the largest frame a number can say would release on a frame past it.
  EXPECT_NE(ErrorOf("at 9223372036854775807 tap A\n").find("beyond the last"), std::string::npos);
  EXPECT_NE(ErrorOf("end 99999999999999\n").find("beyond the last"), std::string::npos);
  EXPECT_NE(ErrorOf("keys fire=F044410444110\n").find("unknown key"), std::string::npos);
}

TEST(ReplayScript, AMissingFileIsReported) {
  EXPECT_THROW(LoadReplay("no/such/replay.txt"), std::runtime_error);
}

}  // namespace
