// The options dialog as the player drives it: what it opens with (the defaults, or the
// remembered choices it offers), and the choices and settings it leaves behind.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "game/shell/OptionsDialog.h"
#include "platform/win32/Win32Testing.h"
#include "platform/win32/Windows.h"

namespace {

class OptionsDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    Win32Testing::SetHeadless(true);
    Win32Testing::Reset();
    RegisterOptionsResources();
    choices.displayModes = {{640, 480, 60}, {800, 600, 60}, {1024, 768, 75}};
    choices.pixelShaderVersion = 30;
    choices.soundDrivers = {"Wave File Writer", "Second driver"};
    choices.firstDriverHasEax = true;
  }
  void TearDown() override { Win32Testing::Reset(); }

  // Runs the dialog opened at the remembered choices; the player acts once, when it first
  // waits for input. Go!! leaves the dialog's choices in shown and the game's in settings.
  bool Run(std::function<void(HWND)> player) {
    Win32Testing::SetIdleHandler([this, player] {
      HWND dialog = FindWindowA("#32770", "Zubra 2 Options");
      if (!dialog || acted) return false;
      acted = true;
      visibleWhenWaiting = IsWindowVisible(dialog);
      player(dialog);
      return true;
    });
    shown = OpeningChoices(choices, remembered);
    bool go = RunOptionsDialog(choices, shown);
    if (go) settings = SettingsOf(shown);
    return go;
  }

  static HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
  static std::string ComboText(HWND dialog, int id, int index) {
    char text[64] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    return text;
  }
  static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

  OptionsChoices choices;
  RememberedOptions remembered;
  GameSettings shown, settings;
  bool acted = false;
  bool visibleWhenWaiting = false;
};

TEST_F(OptionsDialogTest, GoKeepsTheDefaultsAPlayerLeavesAlone) {
  HWND seen = nullptr;
  bool started = Run([&](HWND dialog) {
    seen = dialog;
    EXPECT_TRUE(Checked(dialog, 1003)) << "per pixel where shaders allow";
    EXPECT_TRUE(Checked(dialog, 1004));
    EXPECT_TRUE(Checked(dialog, 1005));
    EXPECT_TRUE(Checked(dialog, 1008)) << "the first driver has reverb";
    EXPECT_FALSE(IsWindowVisible(Item(dialog, 1006))) << "filtering is never shown";
    EXPECT_TRUE(IsWindowEnabled(Item(dialog, 1014))) << "the fill-energy key can be chosen";
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1000, CB_GETCURSEL, 0, 0), 0) << "last mode up to 480 lines";
    EXPECT_EQ(ComboText(dialog, 1000, 1), "800 x 600   (60 Hz,     4:3)");
    Win32Testing::Click(Item(dialog, 1));
  });
  ASSERT_TRUE(started);
  EXPECT_TRUE(visibleWhenWaiting);
  EXPECT_FALSE(IsWindow(seen)) << "destroyed after the read-out";
  EXPECT_EQ(settings.screenWidth, 640u);
  EXPECT_EQ(settings.screenHeight, 480u);
  EXPECT_TRUE(settings.perPixelLighting);
  EXPECT_TRUE(settings.specularLighting);
  EXPECT_TRUE(settings.glowEffects);
  EXPECT_FALSE(settings.highQualityFiltering);
  EXPECT_EQ(settings.soundDriver, "Wave File Writer");
  EXPECT_TRUE(settings.eaxReverb);
  EXPECT_EQ(settings.keyFire, 0x41u);
  EXPECT_EQ(settings.keyFillEnergy, 0x53u);
  EXPECT_EQ(settings.keyUp, 0x26u);
  EXPECT_EQ(settings.keyDown, 0x28u);
  EXPECT_EQ(settings.keyRight, 0x27u);
  EXPECT_EQ(settings.keyLeft, 0x25u);
  EXPECT_EQ(settings.playerName, "Player");
}

TEST_F(OptionsDialogTest, ExitAndCloseBoxCancel) {
  EXPECT_FALSE(Run([](HWND dialog) {
    Win32Testing::SelectItem(GetDlgItem(dialog, 1000), 2);
    Win32Testing::Click(GetDlgItem(dialog, 2));
  }));
  EXPECT_EQ(shown.screenWidth, 640u) << "nothing is read on cancel";
  acted = false;
  EXPECT_FALSE(Run([](HWND dialog) { Win32Testing::PressCloseBox(dialog); }));
}

TEST_F(OptionsDialogTest, PerVertexSwitchesEveryEffectOff) {
  ASSERT_TRUE(Run([](HWND dialog) {
    Win32Testing::Click(GetDlgItem(dialog, 1002));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1004)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1005)));
    EXPECT_FALSE(Checked(dialog, 1003)) << "the radio buttons exclude each other";
    Win32Testing::Click(GetDlgItem(dialog, 1));
  }));
  EXPECT_FALSE(settings.perPixelLighting);
  EXPECT_FALSE(settings.specularLighting) << "its box was still checked";
  EXPECT_FALSE(settings.glowEffects);
  EXPECT_FALSE(settings.highQualityFiltering);
  EXPECT_TRUE(shown.specularLighting && shown.glowEffects) << "the boxes as left, for the next run";
}

TEST_F(OptionsDialogTest, PerPixelBackAgainReenablesTheEffects) {
  ASSERT_TRUE(Run([](HWND dialog) {
    Win32Testing::Click(GetDlgItem(dialog, 1002));
    Win32Testing::Click(GetDlgItem(dialog, 1003));
    Win32Testing::Click(GetDlgItem(dialog, 1005));
    Win32Testing::Click(GetDlgItem(dialog, 1));
  }));
  EXPECT_TRUE(settings.perPixelLighting);
  EXPECT_TRUE(settings.specularLighting);
  EXPECT_FALSE(settings.glowEffects) << "unchecked by the player";
}

TEST_F(OptionsDialogTest, OldShadersAllowOnlyPerVertex) {
  choices.pixelShaderVersion = 14;
  ASSERT_TRUE(Run([](HWND dialog) {
    EXPECT_TRUE(Checked(dialog, 1002));
    Win32Testing::Click(GetDlgItem(dialog, 1003));
    EXPECT_FALSE(Checked(dialog, 1003)) << "a disabled radio button cannot be chosen";
    Win32Testing::Click(GetDlgItem(dialog, 1));
  }));
  EXPECT_FALSE(settings.perPixelLighting);
  EXPECT_FALSE(settings.specularLighting);
  EXPECT_FALSE(settings.glowEffects);
  EXPECT_FALSE(settings.highQualityFiltering);
}

TEST_F(OptionsDialogTest, PlayersChoicesReachTheSettings) {
  ASSERT_TRUE(Run([](HWND dialog) {
    Win32Testing::SelectItem(GetDlgItem(dialog, 1000), 2);
    Win32Testing::SelectItem(GetDlgItem(dialog, 1007), 1);
    Win32Testing::Click(GetDlgItem(dialog, 1008));
    Win32Testing::SelectItem(GetDlgItem(dialog, 1013), 30);  // Space
    Win32Testing::SelectItem(GetDlgItem(dialog, 1010), 22);  // W
    Win32Testing::SelectItem(GetDlgItem(dialog, 1014), 3);   // D
    Win32Testing::Type(GetDlgItem(dialog, 1015), "AVeryLongPlayerNameIndeed");
    Win32Testing::Click(GetDlgItem(dialog, 1));
  }));
  EXPECT_EQ(settings.screenWidth, 1024u);
  EXPECT_EQ(settings.screenHeight, 768u);
  EXPECT_EQ(settings.soundDriver, "Second driver");
  EXPECT_FALSE(settings.eaxReverb);
  EXPECT_EQ(settings.keyFire, 0x20u);
  EXPECT_EQ(settings.keyUp, uint32_t('W'));
  EXPECT_EQ(settings.keyFillEnergy, uint32_t('D'));
  EXPECT_EQ(settings.playerName, "AVeryLongPlayer") << "cut to 15 characters";
}

TEST_F(OptionsDialogTest, NoDisplayModesKeepTheDefaultResolution) {
  choices.displayModes.clear();
  choices.soundDrivers.clear();
  choices.firstDriverHasEax = false;
  ASSERT_TRUE(Run([](HWND dialog) { Win32Testing::Click(GetDlgItem(dialog, 1)); }));
  EXPECT_EQ(settings.screenWidth, 800u);
  EXPECT_EQ(settings.screenHeight, 600u);
  EXPECT_EQ(settings.soundDriver, "");
  EXPECT_FALSE(settings.eaxReverb);
}

TEST_F(OptionsDialogTest, WithoutALowModeTheFirstIsSelected) {
  choices.displayModes = {{800, 600, 60}, {1024, 768, 60}};
  ASSERT_TRUE(Run([](HWND dialog) {
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1000, CB_GETCURSEL, 0, 0), 0);
    Win32Testing::Click(GetDlgItem(dialog, 1));
  }));
  EXPECT_EQ(settings.screenWidth, 800u);
}

TEST_F(OptionsDialogTest, FullScreenAndVerticalSyncAreOnUntilUnchecked) {
  ASSERT_TRUE(Run([](HWND dialog) {
    EXPECT_TRUE(Checked(dialog, 1016));
    EXPECT_TRUE(Checked(dialog, 1017));
    Win32Testing::Click(GetDlgItem(dialog, 1016));
    Win32Testing::Click(GetDlgItem(dialog, 1017));
    Win32Testing::Click(GetDlgItem(dialog, 1));
  }));
  EXPECT_FALSE(settings.fullScreen);
  EXPECT_FALSE(settings.verticalSync);
}

TEST_F(OptionsDialogTest, TheDialogOpensAtTheRememberedChoices) {
  remembered.screenWidth = 1024, remembered.screenHeight = 768;
  remembered.perPixelLighting = false;
  remembered.specularLighting = false;
  remembered.glowEffects = true;
  remembered.soundDriver = "Second driver";
  remembered.eaxReverb = false;
  remembered.verticalSync = false;
  remembered.fullScreen = false;
  remembered.keyFire = ' ';
  remembered.keyFillEnergy = 'D';
  remembered.keyUp = 'W', remembered.keyDown = 'X', remembered.keyLeft = 'Q', remembered.keyRight = 'E';
  remembered.playerName = "Ace";
  ASSERT_TRUE(Run([](HWND dialog) {
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1000, CB_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(Checked(dialog, 1002));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1004))) << "per vertex disables the effects";
    EXPECT_FALSE(Checked(dialog, 1004));
    EXPECT_TRUE(Checked(dialog, 1005));
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1007, CB_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(Checked(dialog, 1008));
    EXPECT_FALSE(Checked(dialog, 1016));
    EXPECT_FALSE(Checked(dialog, 1017));
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1013, CB_GETCURSEL, 0, 0), 30) << "Space";
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1009, CB_GETCURSEL, 0, 0), 16) << "Q";
    char name[32] = {};
    GetWindowTextA(GetDlgItem(dialog, 1015), name, sizeof name);
    EXPECT_STREQ(name, "Ace");
    Win32Testing::Click(GetDlgItem(dialog, 1003));  // per pixel again: glow comes back
    Win32Testing::Click(GetDlgItem(dialog, 1));
  }));
  EXPECT_EQ(settings.screenWidth, 1024u);
  EXPECT_EQ(settings.soundDriver, "Second driver");
  EXPECT_FALSE(settings.eaxReverb);
  EXPECT_TRUE(settings.perPixelLighting);
  EXPECT_FALSE(settings.specularLighting);
  EXPECT_TRUE(settings.glowEffects);
  EXPECT_EQ(settings.keyFire, 0x20u);
  EXPECT_EQ(settings.keyFillEnergy, uint32_t('D'));
  EXPECT_EQ(settings.keyUp, uint32_t('W'));
  EXPECT_EQ(settings.keyDown, uint32_t('X'));
  EXPECT_EQ(settings.keyLeft, uint32_t('Q'));
  EXPECT_EQ(settings.keyRight, uint32_t('E'));
  EXPECT_EQ(settings.playerName, "Ace");
  EXPECT_FALSE(settings.verticalSync);
  EXPECT_FALSE(settings.fullScreen);
}

TEST_F(OptionsDialogTest, RememberedChoicesTheDialogDoesNotOfferOpenAtItsDefaults) {
  remembered.screenWidth = 1280, remembered.screenHeight = 1024;  // another display's mode
  remembered.soundDriver = "A driver unplugged since";
  remembered.keyFire = 0x70;  // F1: no combo offers it
  remembered.playerName = "SixteenCharacter";
  choices.pixelShaderVersion = 14;
  remembered.perPixelLighting = true;
  GameSettings opening = OpeningChoices(choices, remembered);
  EXPECT_EQ(opening.screenWidth, 640u) << "the last mode up to 480 lines";
  EXPECT_EQ(opening.screenHeight, 480u);
  EXPECT_EQ(opening.soundDriver, "Wave File Writer");
  EXPECT_TRUE(opening.eaxReverb) << "the first driver's reverb";
  EXPECT_EQ(opening.keyFire, uint32_t('A'));
  EXPECT_EQ(opening.playerName, "Player");
  EXPECT_FALSE(opening.perPixelLighting) << "the shaders cannot";

  choices.displayModes.clear();
  choices.soundDrivers.clear();
  opening = OpeningChoices(choices, remembered);
  EXPECT_EQ(opening.screenWidth, 800u) << "no modes: the record's own resolution";
  EXPECT_EQ(opening.soundDriver, "");
}

TEST(OptionsText, AspectSuffixes) {
  EXPECT_EQ(DisplayModeText({800, 600, 60}), "800 x 600   (60 Hz,     4:3)");
  EXPECT_EQ(DisplayModeText({1280, 1024, 60}), "1280 x 1024   (60 Hz,     5:4)");
  EXPECT_EQ(DisplayModeText({1280, 800, 60}), "1280 x 800   (60 Hz,     16:10)") << "not 8:5";
  EXPECT_EQ(DisplayModeText({1366, 768, 60}), "1366 x 768   (60 Hz,     16:9)") << "683:384 is nearest 16:9";
  EXPECT_EQ(DisplayModeText({2560, 1080, 60}), "2560 x 1080   (60 Hz,     21:9)");
  EXPECT_EQ(DisplayModeText({720, 480, 60}), "720 x 480   (60 Hz,     3:2)");
  EXPECT_EQ(DisplayModeText({1000, 700, 60}), "1000 x 700   (60 Hz,     10:7)") << "a short ratio as it is";
  EXPECT_EQ(DisplayModeText({1280, 768, 60}), "1280 x 768   (60 Hz,     5:3)");
  EXPECT_EQ(DisplayModeText({1920, 1080, 144}), "1920 x 1080   (144 Hz,     16:9)");
  EXPECT_EQ(DisplayModeText({1680, 1050, 59}), "1680 x 1050   (59 Hz,     16:10)");
}

TEST(OptionsText, KeyIndices) {
  EXPECT_EQ(KeyOfIndex(0), 0x41u);
  EXPECT_EQ(KeyOfIndex(25), 0x5Au);
  EXPECT_EQ(KeyOfIndex(26), 0x26u);
  EXPECT_EQ(KeyOfIndex(27), 0x28u);
  EXPECT_EQ(KeyOfIndex(28), 0x27u);
  EXPECT_EQ(KeyOfIndex(29), 0x25u);
  EXPECT_EQ(KeyOfIndex(30), 0x20u);
  EXPECT_EQ(KeyOfIndex(-1), 0x20u) << "no selection";
  EXPECT_STREQ(kKeyNames[30], "Space");
  for (int i = 0; i < 31; ++i) EXPECT_EQ(IndexOfKey(KeyOfIndex(i)), i);
  EXPECT_EQ(IndexOfKey(0x70), -1);
}

}  // namespace
