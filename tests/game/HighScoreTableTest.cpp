// The high-score table: the shipped file read into one entry per score, games' scores
// submitted, and the screen's text of the best ten in 29 columns.

#include "game/shell/HighScoreTable.h"

#include <gtest/gtest.h>

#include "tests/Caught.h"
#include "tests/game/ScoreTestSupport.h"

using KOR::Testing::Caught;

namespace {

using HighScoreTableTest = ScoreDirectoryTest;

// Each line: name, spaces, digits, 29 characters before the line break.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the text ends with a line break";
  return lines;
}

TEST_F(HighScoreTableTest, LoadKeepsOneEntryPerScoreWithTheLaterRecordsName) {
  Write("assets/score.zub.score",
        Records({{"Ann", 300}, {"Bob", 100}, {"Cid", 300}, {"Dee", 200}, {"Eve", 100},
                 {"Fay", 50}, {"Gus", 60}, {"Hal", 70}, {"Ida", 80}, {"Jon", 90}}));
  HighScoreTable table;
  table.Load();
  const std::map<int32_t, std::string> expected = {{50, "Fay"}, {60, "Gus"},  {70, "Hal"},
                                                   {80, "Ida"}, {90, "Jon"},  {100, "Eve"},
                                                   {200, "Dee"}, {300, "Cid"}};
  EXPECT_EQ(table.GetEntries(), expected);
  // Eight entries: eight lines, best first, no padding lines.
  std::vector<std::string> lines = Lines(table.BuildText());
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines.front(), "Cid" + std::string(23, ' ') + "300");
  EXPECT_EQ(lines.back(), "Fay" + std::string(24, ' ') + "50");
}

TEST_F(HighScoreTableTest, ANameOfSixteenBytesEndsWithItsField) {
  // The score's bytes that follow are "ABC" and a zero: reading on would take them in.
  const int32_t score = 0x00434241;
  Write("assets/score.zub.score",
        Records({{"SixteenLetters!!", score}}) + TenRecords(1000).substr(20));
  HighScoreTable table;
  table.Load();
  ASSERT_EQ(table.GetEntries().count(score), 1u);
  EXPECT_EQ(table.GetEntries().at(score), "SixteenLetters!!");
  // Also a name with bytes after its zero: only what comes before the zero counts.
  Write("assets/score.zub.score",
        Records({{std::string("Ann\0junk", 8), 5}}) + TenRecords(1000).substr(20));
  HighScoreTable second;
  second.Load();
  EXPECT_EQ(second.GetEntries().at(5), "Ann");
}

TEST_F(HighScoreTableTest, AMissingFileIsReportedByTheFirstRead) {
  HighScoreTable table;
  KOR::Exception e = Caught([&] { table.Load(); });
  EXPECT_EQ(e.GetModule(), "KOR CORE (InputFile)");
  EXPECT_EQ(e.GetError(), "File not opened: assets/score.zub.score");
  EXPECT_EQ(e.GetDescription(), "Cannot Read a closed file");
  EXPECT_TRUE(table.GetEntries().empty());
}

TEST_F(HighScoreTableTest, AShortFileIsReportedAndNothingOfItIsKept) {
  for (size_t size : {size_t(0), size_t(16), size_t(20), size_t(199)}) {
    SCOPED_TRACE(size);
    Write("assets/score.zub.score", TenRecords(1000).substr(0, size));
    HighScoreTable table;
    table.Submit("Kept", 7);
    KOR::Exception e = Caught([&] { table.Load(); });
    EXPECT_EQ(e.GetModule(), "KOR CORE (InputFile)");
    EXPECT_EQ(e.GetError(), "Read past end of file");
    EXPECT_EQ(e.GetDescription(), "assets/score.zub.score");
    const std::map<int32_t, std::string> unchanged = {{7, "Kept"}};
    EXPECT_EQ(table.GetEntries(), unchanged) << "no record of a short file is taken in";
  }
}

TEST_F(HighScoreTableTest, SubmitReplacesAnEqualScoreAndTheTableGrowsWhileTheScreenShowsTen) {
  Write("assets/score.zub.score", TenRecords(1000));  // 1000 … 1900
  HighScoreTable table;
  table.Load();
  table.Submit("New", 1500);
  EXPECT_EQ(table.GetEntries().at(1500), "New");
  EXPECT_EQ(table.GetEntries().size(), 10u);
  table.Submit("Top", 5000);
  table.Submit("Zero", 0);
  EXPECT_EQ(table.GetEntries().size(), 12u);
  EXPECT_EQ(table.GetEntries().at(0), "Zero") << "a game that ended at once still counts";

  std::vector<std::string> lines = Lines(table.BuildText());
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "Top" + std::string(22, ' ') + "5000");
  EXPECT_EQ(lines[5], "New" + std::string(22, ' ') + "1500");
  EXPECT_EQ(lines[9], "Pilot1" + std::string(19, ' ') + "1100") << "1000 and 0 fall off";
}

TEST_F(HighScoreTableTest, LinesAreTwentyNineColumnsUnlessNameAndScoreAreLonger) {
  HighScoreTable table;
  table.Submit("abc", 12000);
  EXPECT_EQ(table.BuildText(), "abc" + std::string(21, ' ') + "12000\n");

  HighScoreTable full;
  full.Submit(std::string(23, 'a'), 12345);  // 28 characters: one space
  full.Submit(std::string(24, 'b'), 23456);  // exactly 29: none
  full.Submit(std::string(30, 'c'), 34567);  // beyond: none, nothing cut
  full.Submit("neg", -42);
  std::vector<std::string> lines = Lines(full.BuildText());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::string(30, 'c') + "34567");
  EXPECT_EQ(lines[1], std::string(24, 'b') + "23456");
  EXPECT_EQ(lines[2], std::string(23, 'a') + " 12345");
  EXPECT_EQ(lines[3], "neg" + std::string(23, ' ') + "-42");
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 29u) << lines[i];
}

TEST(ScoreRecordTest, RecordsRoundTripAndLongNamesKeepTheirZeroByte) {
  uint8_t bytes[kScoreRecordBytes];
  EncodeScoreRecord("Ann", -123456, bytes);
  ScoreRecord back = DecodeScoreRecord(bytes);
  EXPECT_EQ(back.name, "Ann");
  EXPECT_EQ(back.score, -123456);
  EXPECT_EQ(bytes[16], 0xC0) << "little-endian";
  EncodeScoreRecord(std::string(20, 'x'), 1, bytes);
  EXPECT_EQ(bytes[15], 0);
  EXPECT_EQ(DecodeScoreRecord(bytes).name, std::string(15, 'x'));
}

}  // namespace
