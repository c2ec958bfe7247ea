// Scores that last: the user's score file under XDG_DATA_HOME merged after the shipped one,
// written whole through a renamed temporary file, and a damaged one kept aside.

#include "game/shell/UserScores.h"

#include <gtest/gtest.h>
#include <algorithm>

#include "game/shell/HighScoreTable.h"
#include "tests/game/ScoreTestSupport.h"

namespace {

namespace fs = std::filesystem;

class UserScoresTest : public ScoreDirectoryTest {
protected:
  fs::path UserFile() const { return dataHome / "zubra2" / "score.zub.score"; }
  std::vector<fs::path> UserDirectory() const {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(UserFile().parent_path()))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(UserScoresTest, ThePathFollowsXdgDataHomeThenHome) {
  EXPECT_EQ(UserScores::DefaultPath(), UserFile().string());
  EXPECT_EQ(UserScores().GetPath(), UserFile().string());
  const char* home = std::getenv("HOME");
  std::string savedHome = home ? home : "";
  ::setenv("HOME", "/home/pilot", 1);
  for (const char* unusable : {"", "relative/data"}) {
    ::setenv("XDG_DATA_HOME", unusable, 1);
    EXPECT_EQ(UserScores::DefaultPath(), "/home/pilot/.local/share/zubra2/score.zub.score")
        << "XDG_DATA_HOME='" << unusable << "'";
  }
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(UserScores::DefaultPath(), "/home/pilot/.local/share/zubra2/score.zub.score");
  ::unsetenv("HOME");
  EXPECT_EQ(UserScores::DefaultPath(), "") << "nowhere to keep scores";
  if (home) ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(UserScoresTest, TheUserFileIsMergedAfterTheShippedOne) {
  Write("assets/score.zub.score", TenRecords(1000));  // Pilot5 has 1500
  Write(UserFile(), Records({{"Mine", 1500}, {"Best", 9000}, {"Best", 9000}, {"Best", 9000},
                             {"Best", 9000}, {"Best", 9000}, {"Best", 9000}, {"Best", 9000},
                             {"Best", 9000}, {"Low", 3}}));
  HighScoreTable table;
  table.Load();
  UserScores(UserFile().string()).MergeInto(table);
  EXPECT_EQ(table.GetEntries().size(), 12u);
  EXPECT_EQ(table.GetEntries().at(1500), "Mine") << "the user's record comes later and wins";
  EXPECT_EQ(table.GetEntries().at(9000), "Best");
  EXPECT_EQ(table.GetEntries().at(3), "Low");

  // No user file yet: the table is the shipped one, and nothing is said.
  fs::remove(UserFile());
  HighScoreTable shipped;
  shipped.Load();
  testing::internal::CaptureStderr();
  UserScores(UserFile().string()).MergeInto(shipped);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(shipped.GetEntries().size(), 10u);
}

TEST_F(UserScoresTest, SaveWritesTheBestTenThroughARenamedFileAndNeverTheShippedOne) {
  const std::string shippedBytes = TenRecords(1000);
  Write("assets/score.zub.score", shippedBytes);
  HighScoreTable table;
  table.Load();
  table.Submit("Ace", 7000);
  table.Submit("Duo", 6000);
  UserScores scores(UserFile().string());
  ASSERT_TRUE(scores.Save(table)) << "the zubra2 folder is made when missing";

  std::string bytes = Read(UserFile());
  ASSERT_EQ(bytes.size(), kScoreFileBytes);
  HighScoreTable reread;
  scores.MergeInto(reread);
  ASSERT_EQ(reread.GetEntries().size(), 10u);
  EXPECT_EQ(reread.GetEntries().rbegin()->second, "Ace");
  EXPECT_EQ(reread.GetEntries().begin()->first, 1200) << "1000 and 1100 are not among the best";
  EXPECT_EQ(Read("assets/score.zub.score"), shippedBytes);

  // A reader holding the old file keeps reading the old bytes: the new ones arrive as a
  // new file renamed over it, never written into the old one, and no temporary is left.
  const fs::path held = root / "held";
  fs::create_hard_link(UserFile(), held);
  table.Submit("Max", 8000);
  ASSERT_TRUE(scores.Save(table));
  EXPECT_EQ(Read(held), bytes);
  EXPECT_NE(Read(UserFile()), bytes);
  EXPECT_EQ(UserDirectory(), std::vector<fs::path>{"score.zub.score"});
}

TEST_F(UserScoresTest, FewerThanTenEntriesStillMakeAWholeFileThatReadsBackTheSame) {
  HighScoreTable table;
  table.Submit("One", 10);
  table.Submit("Two", 20);
  UserScores scores(UserFile().string());
  ASSERT_TRUE(scores.Save(table));
  EXPECT_EQ(Read(UserFile()).size(), kScoreFileBytes);
  HighScoreTable reread;
  scores.MergeInto(reread);
  EXPECT_EQ(reread.GetEntries(), table.GetEntries());
}

TEST_F(UserScoresTest, ADamagedFileIsKeptAsideAndSaidOnceWithoutStoppingTheGame) {
  Write("assets/score.zub.score", TenRecords(1000));
  const std::string damaged = TenRecords(5000).substr(0, 37);
  Write(UserFile(), damaged);
  HighScoreTable table;
  table.Load();
  testing::internal::CaptureStderr();
  UserScores scores(UserFile().string());
  EXPECT_NO_THROW(scores.MergeInto(table));
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find(UserFile().string() + ".bad"), std::string::npos) << said;
  EXPECT_EQ(table.GetEntries().size(), 10u) << "the shipped table stands";
  EXPECT_FALSE(fs::exists(UserFile()));
  EXPECT_EQ(Read(UserFile().string() + ".bad"), damaged) << "kept as it was";

  // The next game's scores start a good file again.
  table.Submit("Back", 4000);
  ASSERT_TRUE(scores.Save(table));
  HighScoreTable reread;
  scores.MergeInto(reread);
  EXPECT_EQ(reread.GetEntries().at(4000), "Back");
}

TEST_F(UserScoresTest, AnUnwritableDataHomeFailsQuietlyAndLeavesNothing) {
  Write(root / "blocker", "a file where a folder should be");
  UserScores scores((root / "blocker" / "zubra2" / "score.zub.score").string());
  HighScoreTable table;
  table.Submit("Ace", 7000);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(scores.Save(table));
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_EQ(Read(root / "blocker"), "a file where a folder should be");
}

}  // namespace
