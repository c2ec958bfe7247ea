// The keyboard and pads turned into the game's actions: the player's chosen keys and the
// pad's controls into one frame's command, and the fixed keys and buttons of pause, back
// and the menu.

#include <gtest/gtest.h>

#include <initializer_list>

#include "game/shell/InputMap.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"

namespace {

MSG KeyMessage(int key, bool repeat = false, UINT message = WM_KEYDOWN) {
  MSG m{};
  m.message = message;
  m.wParam = WPARAM(key);
  m.lParam = repeat ? LPARAM(1) << 30 : 0;
  return m;
}

class InputMapTest : public ::testing::Test {
protected:
  void SetUp() override { Win32Testing::Reset(); }
  void TearDown() override { Win32Testing::Reset(); }
  // The command while only these keys are held.
  PlayCommand Holding(const InputMap& map, std::initializer_list<int> keys) {
    for (int key : keys) Win32Testing::KeyDown(key);
    const PlayCommand c = map.Sample();
    for (int key : keys) Win32Testing::KeyUp(key);
    return c;
  }
};

TEST_F(InputMapTest, TheChosenKeysAndThePadsControlsMakeTheCommand) {
  GameSettings settings;
  settings.keyUp = 'W', settings.keyDown = 'X', settings.keyLeft = 'Q', settings.keyRight = 'E';
  settings.keyFire = VK_SPACE, settings.keyFillEnergy = 'F';
  const InputMap map(settings);

  const PlayCommand none = Holding(map, {});
  EXPECT_FALSE(none.up || none.down || none.left || none.right || none.fire || none.fill);
  const PlayCommand keys = Holding(map, {'W', 'Q', VK_SPACE, 'F'});
  EXPECT_TRUE(keys.up && keys.left && keys.fire && keys.fill);
  EXPECT_FALSE(keys.down || keys.right);
  EXPECT_TRUE(Holding(map, {'X'}).down);
  EXPECT_TRUE(Holding(map, {'E'}).right);
  // The default keys mean nothing once others are chosen.
  const PlayCommand defaults = Holding(map, {VK_UP, 'A', 'S'});
  EXPECT_FALSE(defaults.up || defaults.fire || defaults.fill);

  // The pad steers with its pad and its left stick, fires with A and fills with B,
  // whatever keys the player chose.
  const PlayCommand pad = Holding(map, {VK_GAMEPAD_DPAD_DOWN, VK_GAMEPAD_LEFT_THUMBSTICK_RIGHT, VK_GAMEPAD_A});
  EXPECT_TRUE(pad.down && pad.right && pad.fire);
  EXPECT_FALSE(pad.up || pad.left || pad.fill);
  EXPECT_TRUE(Holding(map, {VK_GAMEPAD_LEFT_THUMBSTICK_UP}).up);
  EXPECT_TRUE(Holding(map, {VK_GAMEPAD_DPAD_LEFT}).left);
  EXPECT_TRUE(Holding(map, {VK_GAMEPAD_B}).fill);
}

TEST_F(InputMapTest, PausePauseKeyAndStartPauseOnTheirFirstPressOnly) {
  const InputMap map{GameSettings{}};
  for (int key : {int('P'), VK_PAUSE, VK_GAMEPAD_MENU}) {
    EXPECT_TRUE(map.IsPause(KeyMessage(key))) << key;
    EXPECT_FALSE(map.IsPause(KeyMessage(key, true))) << "a held key's repeat " << key;
    EXPECT_FALSE(map.IsPause(KeyMessage(key, false, WM_KEYUP))) << key;
  }
  EXPECT_FALSE(map.IsPause(KeyMessage(VK_RETURN))) << "the keyboard's Enter is no pause";
  EXPECT_FALSE(map.IsPause(KeyMessage(VK_ESCAPE)));

  // P is the player's when chosen for any of the six actions.
  for (uint32_t GameSettings::*key : {&GameSettings::keyFire, &GameSettings::keyFillEnergy, &GameSettings::keyUp,
                                      &GameSettings::keyDown, &GameSettings::keyLeft, &GameSettings::keyRight}) {
    GameSettings settings;
    settings.*key = 'P';
    const InputMap chosen(settings);
    EXPECT_FALSE(chosen.IsPause(KeyMessage('P')));
    EXPECT_TRUE(chosen.IsPause(KeyMessage(VK_PAUSE)));
  }
}

TEST_F(InputMapTest, EscapeAndBackLeaveAndTheMenuMovesByKeysAndPad) {
  const InputMap map{GameSettings{}};
  EXPECT_TRUE(map.IsBack(KeyMessage(VK_ESCAPE)));
  EXPECT_TRUE(map.IsBack(KeyMessage(VK_GAMEPAD_VIEW)));
  EXPECT_FALSE(map.IsBack(KeyMessage(VK_GAMEPAD_B)));
  EXPECT_FALSE(map.IsBack(KeyMessage(VK_ESCAPE, false, WM_KEYUP)));

  const std::pair<int, MenuAction> menu[] = {
      {VK_UP, MenuAction::Up},       {VK_GAMEPAD_DPAD_UP, MenuAction::Up},
      {VK_GAMEPAD_LEFT_THUMBSTICK_UP, MenuAction::Up},
      {VK_DOWN, MenuAction::Down},   {VK_GAMEPAD_DPAD_DOWN, MenuAction::Down},
      {VK_GAMEPAD_LEFT_THUMBSTICK_DOWN, MenuAction::Down},
      {VK_RETURN, MenuAction::Select}, {VK_GAMEPAD_MENU, MenuAction::Select},
      {VK_ESCAPE, MenuAction::Back},   {VK_GAMEPAD_VIEW, MenuAction::Back},
      {'A', MenuAction::None},         {VK_GAMEPAD_A, MenuAction::None}};
  for (auto [key, action] : menu) EXPECT_EQ(map.MenuActionOf(KeyMessage(key)), action) << key;
  EXPECT_EQ(map.MenuActionOf(KeyMessage(VK_UP, false, WM_KEYUP)), MenuAction::None);
  // The menu keeps its keys whatever the player chose for steering.
  GameSettings settings;
  settings.keyUp = 'W';
  EXPECT_EQ(InputMap(settings).MenuActionOf(KeyMessage(VK_UP)), MenuAction::Up);
}

}  // namespace
