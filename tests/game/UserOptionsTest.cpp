// Choices that last: the options file under XDG_CONFIG_HOME written whole through a renamed
// temporary file, read back to the same choices, and read key by key when it is damaged.

#include "game/shell/UserOptions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/win32/Windows.h"
#include "tests/game/ScoreTestSupport.h"

namespace {

namespace fs = std::filesystem;

class UserOptionsTest : public ScoreDirectoryTest {
protected:
  void SetUp() override {
    ScoreDirectoryTest::SetUp();
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) savedConfig = xdg;
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  }
  void TearDown() override {
    if (savedConfig) ::setenv("XDG_CONFIG_HOME", savedConfig->c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
    ScoreDirectoryTest::TearDown();
  }
  fs::path OptionsFile() const { return root / "config" / "zubra2" / "options.conf"; }
  static int Lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

  // Choices unlike every default, so a value that is not read back shows.
  static GameSettings Unusual() {
    GameSettings c;
    c.screenWidth = 1280, c.screenHeight = 720;
    c.perPixelLighting = 1, c.specularLighting = 0, c.glowEffects = 1;
    c.soundDriver = "OpenAL Soft on Built-in Audio Analog Stereo";
    c.eaxReverb = 0, c.verticalSync = 0, c.fullScreen = 0;
    c.keyFire = ' ', c.keyFillEnergy = 'F', c.keyUp = 'W', c.keyDown = 'Z', c.keyLeft = 'Q', c.keyRight = VK_RIGHT;
    c.playerName = "Ace Pilot #1";
    return c;
  }

  std::optional<std::string> savedConfig;
};

TEST_F(UserOptionsTest, ThePathFollowsXdgConfigHomeThenHome) {
  EXPECT_EQ(UserOptions::DefaultPath(), OptionsFile().string());
  const char* home = std::getenv("HOME");
  std::string savedHome = home ? home : "";
  ::setenv("HOME", "/home/pilot", 1);
  for (const char* unusable : {"", "relative/config"}) {
    ::setenv("XDG_CONFIG_HOME", unusable, 1);
    EXPECT_EQ(UserOptions::DefaultPath(), "/home/pilot/.config/zubra2/options.conf") << "'" << unusable << "'";
  }
  ::unsetenv("HOME");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(UserOptions::DefaultPath(), "") << "nowhere to keep them";
  if (home) ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(UserOptionsTest, SavedChoicesReadBackTheSameThroughARenamedFile) {
  UserOptions options(OptionsFile().string());
  EXPECT_FALSE(options.Load().screenWidth) << "no file yet: nothing remembered";
  const GameSettings chosen = Unusual();
  ASSERT_TRUE(options.Save(chosen)) << "the zubra2 folder is made when missing";

  testing::internal::CaptureStderr();
  RememberedOptions read = options.Load();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a good file is read silently";
  EXPECT_EQ(read.screenWidth, 1280u);
  EXPECT_EQ(read.screenHeight, 720u);
  EXPECT_EQ(read.perPixelLighting, true);
  EXPECT_EQ(read.specularLighting, false);
  EXPECT_EQ(read.glowEffects, true);
  EXPECT_EQ(read.soundDriver, chosen.soundDriver);
  EXPECT_EQ(read.eaxReverb, false);
  EXPECT_EQ(read.verticalSync, false);
  EXPECT_EQ(read.fullScreen, false);
  EXPECT_EQ(read.keyFire, uint32_t(' '));
  EXPECT_EQ(read.keyFillEnergy, uint32_t('F'));
  EXPECT_EQ(read.keyUp, uint32_t('W'));
  EXPECT_EQ(read.keyDown, uint32_t('Z'));
  EXPECT_EQ(read.keyLeft, uint32_t('Q'));
  EXPECT_EQ(read.keyRight, uint32_t(VK_RIGHT));
  EXPECT_EQ(read.playerName, "Ace Pilot #1");

  // A reader holding the old file keeps the old text; no temporary is left behind.
  const std::string before = Read(OptionsFile());
  fs::create_hard_link(OptionsFile(), root / "held");
  GameSettings again = chosen;
  again.playerName = "Other";
  ASSERT_TRUE(options.Save(again));
  EXPECT_EQ(Read(root / "held"), before);
  EXPECT_EQ(options.Load().playerName, "Other");
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(OptionsFile().parent_path())) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<fs::path>{"options.conf"});
}

TEST_F(UserOptionsTest, TextThatWouldNotReadBackIsNotWritten) {
  GameSettings chosen;
  chosen.playerName = "Two\nLines";
  chosen.soundDriver = "";
  chosen.keyFire = 0x70;  // a key no combo offers
  std::vector<int> refused;
  RememberedOptions read = ParseOptions(FormatOptions(chosen), &refused);
  EXPECT_TRUE(refused.empty()) << "every written line reads back";
  EXPECT_FALSE(read.playerName);
  EXPECT_FALSE(read.soundDriver);
  EXPECT_FALSE(read.keyFire);
  EXPECT_EQ(read.keyFillEnergy, uint32_t('S'));
}

TEST_F(UserOptionsTest, ADamagedFileIsReadKeyByKeyAndSaidInOneLine) {
  const std::string text =
      "# kept by hand\r\n"                 // 1: comment, with a Windows line end
      "resolution = 1024 x 768\r\n"        // 2
      "lighting = sideways\n"              // 3: not a lighting
      "glow = off\n"                       // 4
      "this line means nothing\n"          // 5: no '='
      "colour = blue\n"                    // 6: no such key
      "key-fire = Enter\n"                 // 7: not offered by the combos
      "key-up = w\n"                       // 8: letters in any case
      "name = AVeryLongPlayerNameIndeed\n" // 9: longer than the dialog allows
      "resolution = 99999x1\n"             // 10: out of range; the earlier one stands
      "\n"                                 // 11
      "specular = o";                      // 12: cut short by a crash mid-write
  Write(OptionsFile(), text + std::string("\n\0name = Zero\n", 14));  // 13: a NUL and garbage
  testing::internal::CaptureStderr();
  RememberedOptions read = UserOptions(OptionsFile().string()).Load();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Lines(said), 1) << said;
  EXPECT_NE(said.find("lines 3, 5, 6, 7, 9 and 3 more"), std::string::npos) << said;
  EXPECT_EQ(read.screenWidth, 1024u);
  EXPECT_EQ(read.screenHeight, 768u);
  EXPECT_EQ(read.glowEffects, false);
  EXPECT_EQ(read.keyUp, uint32_t('W'));
  EXPECT_FALSE(read.perPixelLighting);
  EXPECT_FALSE(read.keyFire);
  EXPECT_FALSE(read.playerName);
  EXPECT_FALSE(read.specularLighting);

  std::vector<int> refused;
  ParseOptions(text, &refused);
  EXPECT_EQ(refused, (std::vector<int>{3, 5, 6, 7, 9, 10, 12}));
}

TEST_F(UserOptionsTest, AHugeFileIsReadOnlyUpToItsLimit) {
  std::string text = "name = Early\n";
  text += std::string(kOptionsFileLimit, '#') + "\nname = Late\n";
  Write(OptionsFile(), text);
  testing::internal::CaptureStderr();
  RememberedOptions read = UserOptions(OptionsFile().string()).Load();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Lines(said), 1) << said;
  EXPECT_EQ(read.playerName, "Early");
}

TEST_F(UserOptionsTest, AFileThatCannotBeReadOrWrittenIsSaidInOneLine) {
  fs::create_directories(OptionsFile());  // a folder where the file should be
  UserOptions options(OptionsFile().string());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(options.Load().playerName);
  EXPECT_FALSE(options.Save(Unusual()));
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Lines(said), 2) << said;
  EXPECT_NE(said.find("cannot write " + OptionsFile().string()), std::string::npos) << said;

  testing::internal::CaptureStderr();
  EXPECT_FALSE(UserOptions("").Save(Unusual())) << "no home at all";
  EXPECT_EQ(Lines(testing::internal::GetCapturedStderr()), 1);
}

}  // namespace
