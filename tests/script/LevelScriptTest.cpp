// The interpreter as the game sees it: which spawns a script yields, which
// pending values carry over, and how loading fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/script/ScriptTestSupport.h"

using ScriptTest::Load;
using ScriptTest::LoadError;

namespace {

LevelScript Loaded(const std::string& text) {
  LevelScript level;
  Load(level, text);
  return level;
}

const char* twoEnemies =
    "enemy \"a\" { model \"a.3df\"; diffuse \"a_d.tga\"; normal \"a_n.tga\"; specular \"a_s.tga\";\n"
    "              shininess 12.5; gun \"homing\"; energy 7.9; }\n"
    "enemy \"b\" { model \"b.3df\"; }\n";

}  // namespace

TEST(LevelScript, EnemyDefinitionsInheritWhatTheyDoNotGive) {
  LevelScript level = Loaded(twoEnemies);
  ASSERT_EQ(level.enemyTypes.size(), 2u);
  const EnemyType& a = level.enemyTypes.at("a");
  EXPECT_EQ(a.model, "a.3df");
  EXPECT_EQ(a.energy, 7);  // truncated toward zero
  EXPECT_EQ(a.shininess, 12.5f);
  const EnemyType& b = level.enemyTypes.at("b");
  EXPECT_EQ(b.model, "b.3df");
  EXPECT_EQ(b.diffuse, "a_d.tga");
  EXPECT_EQ(b.normal, "a_n.tga");
  EXPECT_EQ(b.specular, "a_s.tga");
  EXPECT_EQ(b.shininess, 12.5f);
  EXPECT_EQ(b.gun, "homing");
  EXPECT_EQ(b.energy, 7);
  EXPECT_TRUE(level.spawns.empty());  // nothing scheduled
}

TEST(LevelScript, SpawnsFollowLevelLinesThenPlacements) {
  LevelScript level = Loaded(std::string(twoEnemies) +
                             "wave \"w\" { enemy \"a\", position (1, 2); enemy \"b\", position (3, 4);\n"
                             "             enemy \"a\", position (5, 6); }\n"
                             "level 1 \"l\" { wave \"w\", position (100, 10), start 5;\n"
                             "                wave \"w\", position (200, 20), start 1'0; }\n");
  ASSERT_EQ(level.spawns.size(), 6u);
  const float expected[6][3] = {{101, 12, 5}, {103, 14, 5}, {105, 16, 5},
                                {201, 22, 60}, {203, 24, 60}, {205, 26, 60}};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(level.spawns[i].position.x, expected[i][0]);
    EXPECT_EQ(level.spawns[i].position.y, expected[i][1]);
    EXPECT_EQ(level.spawns[i].position.z, 0.0f);
    EXPECT_EQ(level.spawns[i].start, expected[i][2]);
  }
  EXPECT_EQ(level.spawns[1].model, "b.3df");
  EXPECT_EQ(level.spawns[1].diffuse, "a_d.tga");
  EXPECT_EQ(level.spawns[1].gun, "homing");
  EXPECT_EQ(level.spawns[1].energy, 7);
}

TEST(LevelScript, MovementOptionsStayPendingForTheFollowingPlacements) {
  LevelScript level = Loaded(std::string(twoEnemies) +
                             "wave \"w\" { enemy \"a\", move sin, speed 30, freq 0.5, amplitude 20, phase .25;\n"
                             "             enemy \"b\";\n"
                             "             enemy \"a\", move seek, speed (1, 2); }\n"
                             "wave \"v\" { enemy \"b\", move forward; }\n"
                             "level 1 \"l\" { wave \"w\"; wave \"v\"; }\n");
  ASSERT_EQ(level.spawns.size(), 4u);
  for (int i : {0, 1}) {
    EXPECT_EQ(level.spawns[i].movement, 1);
    EXPECT_EQ(level.spawns[i].speed, 30.0f);
    EXPECT_EQ(level.spawns[i].freq, 0.5f);
    EXPECT_EQ(level.spawns[i].amplitude, 20.0f);
    EXPECT_EQ(level.spawns[i].phase, 0.25f);
  }
  EXPECT_EQ(level.spawns[2].movement, 2);
  EXPECT_EQ(level.spawns[2].speed, 30.0f);  // a speed pair is ignored
  EXPECT_EQ(level.spawns[3].movement, 0);
  EXPECT_EQ(level.spawns[3].amplitude, 20.0f);  // carried across wave definitions
}

TEST(LevelScript, PositionDependsOnTheDefinitionItIsWrittenIn) {
  LevelScript level = Loaded(std::string(twoEnemies) +
                             // Outside a wave a position is a wave-entry position, even in an enemy block.
                             "enemy \"c\" { enemy \"a\", position (7, 8); }\n"
                             "wave \"w\" { enemy \"a\"; enemy \"b\", position (1, 1); }\n"
                             "level 1 \"l\" { wave \"w\"; wave \"w\", position (10, 0); }\n");
  ASSERT_EQ(level.spawns.size(), 4u);
  EXPECT_EQ(level.spawns[0].position.x, 7.0f);
  EXPECT_EQ(level.spawns[0].position.y, 8.0f);
  EXPECT_EQ(level.spawns[1].position.x, 8.0f);
  EXPECT_EQ(level.spawns[1].position.y, 9.0f);
  EXPECT_EQ(level.spawns[2].position.x, 10.0f);
  EXPECT_EQ(level.spawns[3].position.x, 11.0f);
  EXPECT_EQ(level.spawns[3].position.y, 1.0f);
}

TEST(LevelScript, StartIsWrittenInAnyContextAndReadByLevelLines) {
  LevelScript level = Loaded(std::string(twoEnemies) +
                             "wave \"w\" { enemy \"a\", start 42; }\n"
                             "level 1 \"one\" { wave \"w\", start 10; }\n"
                             "level 2 \"two\" { wave \"w\", start 20; wave \"w\"; }\n"
                             "wave \"x\" { enemy \"b\", start 99; }\n");
  ASSERT_EQ(level.spawns.size(), 3u);
  EXPECT_EQ(level.spawns[0].start, 10.0f);
  EXPECT_EQ(level.spawns[1].start, 20.0f);
  EXPECT_EQ(level.spawns[2].start, 20.0f);
}

TEST(LevelScript, TheLastDefinitionOfANameServesEverySpawn) {
  LevelScript level = Loaded(std::string(twoEnemies) +
                             "wave \"w\" { enemy \"a\"; }\n"
                             "level 1 \"l\" { wave \"w\"; }\n"
                             "enemy \"a\" { model \"late.3df\"; }\n"
                             "wave \"w\" { enemy \"b\"; enemy \"b\"; }\n");
  ASSERT_EQ(level.spawns.size(), 2u);
  EXPECT_EQ(level.spawns[0].model, "b.3df");
  EXPECT_EQ(level.enemyTypes.at("a").model, "late.3df");
}

TEST(LevelScript, UnusedAndEmptyWavesYieldNoSpawnsAndIgnoredBlocksAreNotWalked) {
  EXPECT_TRUE(Loaded(std::string(twoEnemies) + "wave \"w\" { enemy \"a\"; }").spawns.empty());
  EXPECT_TRUE(Loaded("wave \"w\" { } level 1 \"l\" { wave \"w\"; }").spawns.empty());
  LevelScript level = Loaded(
      "menu { enemy \"undefined\"; wave \"none\"; }\n"
      "script \"s\" { enemy \"undefined\"; text \"t\", start 5; }\n"
      "enemy \"e\" { pic \"p\", position (9, 9), start 7; music \"m\", fadein 1, fadeout 2; }\n"
      "wave \"w\" { enemy \"e\"; scene \"s\", position (3, 3); }\n"
      "level 1 \"l\" { wave \"w\"; }\n");
  ASSERT_EQ(level.spawns.size(), 1u);
  EXPECT_EQ(level.spawns[0].start, 0.0f);
  EXPECT_EQ(level.spawns[0].position.x, 0.0f);
}

TEST(LevelScript, NamesMustBeDefinedAboveTheirFirstUse) {
  EXPECT_EQ(LoadError("wave \"w\" {\n  enemy \"later\";\n}\nenemy \"later\" { }"),
            "unknown enemy 'later' - Line: 2");
  EXPECT_EQ(LoadError("enemy \"e\" { }\nlevel 1 \"l\" { wave \"w\", start 3; }\nwave \"w\" { }"),
            "unknown wave 'w' - Line: 2");
  // A node takes the line of the token read last, here the look-ahead ";".
  EXPECT_EQ(LoadError("wave \"w\" {\n  enemy \"nobody\"\n  ;\n}"), "unknown enemy 'nobody' - Line: 3");
  EXPECT_EQ(LoadError("wave \"w\" { enemy \"Wave\"; }"), "unknown enemy 'Wave' - Line: 1");
}

TEST(LevelScript, EnergyMustFitA32BitInteger) {
  EXPECT_EQ(Loaded("enemy \"e\" { energy 2147483520; }").enemyTypes.at("e").energy, 2147483520);
  // 2147483647 is no float: it reads as 2147483648, one past the largest integer.
  EXPECT_EQ(LoadError("enemy \"e\" {\n energy 2147483647; }"), "number out of range - Line: 2");
  EXPECT_EQ(LoadError("enemy \"e\" { energy 1" + std::string(30, '0') + "; }"),
            "number out of range - Line: 1");
}

TEST(LevelScript, StringsReachTheSpawnsWhole) {
  LevelScript level = Loaded(std::string("enemy \"e\" { model \"a b\nc\0d\"; }\n", 31) +
                             "wave \"w\" { enemy \"e\"; } level 1 \"l\" { wave \"w\"; }");
  ASSERT_EQ(level.spawns.size(), 1u);
  EXPECT_EQ(level.spawns[0].model, std::string("a b\nc\0d", 7));
}

TEST(LevelScript, AMissingFileIsReportedAndNotReadFromStandardInput) {
  LevelScript level;
  for (const std::string& path :
       {std::string("no/such/level.zub.script"), std::filesystem::temp_directory_path().string()}) {
    try {
      level.Load(path, nullptr);
      ADD_FAILURE() << path << " loaded";
    } catch (const KOR::Exception& error) {
      EXPECT_EQ(error.GetModule(), "Game");
      EXPECT_EQ(error.GetError(), "Cannot open level script");
      EXPECT_EQ(error.GetDescription(), path);
    }
  }
}

TEST(LevelScript, AFailedLoadKeepsThePreviousLevel) {
  LevelScript level;
  Load(level, "enemy \"e\" { model \"m\"; } wave \"w\" { enemy \"e\"; } level 1 \"l\" { wave \"w\"; }");
  const void* tree = level.Tree();
  EXPECT_THROW(Load(level, "enemy \"x\" { model \"n\"; } wave \"v\" { enemy \"y\"; }"), KOR::Exception);
  ASSERT_EQ(level.spawns.size(), 1u);
  EXPECT_EQ(level.spawns[0].model, "m");
  EXPECT_FALSE(level.enemyTypes.contains("x"));
  EXPECT_EQ(level.Tree(), tree);
}

TEST(LevelScript, LongScriptsLoadWithoutDeepRecursion) {
  // Lists are as deep as the file is long; 300000 statements in one block.
  std::string text = "enemy \"e\" {\n";
  for (int i = 0; i < 300000; ++i) text += "energy 3;";
  text += "}\nwave \"w\" { enemy \"e\"; } level 1 \"l\" { wave \"w\"; }";
  LevelScript level = Loaded(text);
  ASSERT_EQ(level.spawns.size(), 1u);
  EXPECT_EQ(level.spawns[0].energy, 3);
}

TEST(LevelScript, TheTraceOfALoadIsTheScannerTrace) {
  LevelScript level;
  std::string trace;
  Load(level, "menu {\n  name \"Zubra\";\n}\n", &trace);
  EXPECT_EQ(trace,
            "1 - MENU\n1 - ABRE_CHAVETAS\n2 - NAME\n2 - STRING: \"Zubra\"\n2 - SEPARADOR\n"
            "3 - FECHA_CHAVETAS\n");
}

TEST(LevelScript, TheShippedLevelLoadsAndSchedulesItsEnemies) {
  LevelScript level;
  level.Load(KOR_CONTENT_LEVEL, nullptr);
  ASSERT_GE(level.spawns.size(), 20u);
  bool movements[3] = {};
  for (const EnemySpawn& spawn : level.spawns) {
    EXPECT_FALSE(spawn.model.empty());
    EXPECT_FALSE(spawn.diffuse.empty());
    EXPECT_GT(spawn.energy, 0);
    EXPECT_TRUE(spawn.gun == "none" || spawn.gun == "simple" || spawn.gun == "homing") << spawn.gun;
    // Enemies come before the boss wakes at 104 s and enter from the right.
    EXPECT_GE(spawn.start, 0.0f);
    EXPECT_LT(spawn.start, 104.0f);
    EXPECT_GT(spawn.position.x, 0.0f);
    ASSERT_GE(spawn.movement, 0);
    ASSERT_LE(spawn.movement, 2);
    movements[spawn.movement] = true;
  }
  EXPECT_TRUE(movements[0] && movements[1] && movements[2]);
}
