// The grammar: which texts parse, the tree they give, the folded arithmetic and
// the points where a parse fails.
#include <gtest/gtest.h>

#include <string>

#include "script/ScriptNode.h"
#include "script/ScriptTokens.h"
#include "tests/script/ScriptTestSupport.h"

using namespace Script;
using ScriptTest::LoadError;

namespace {

// The start time that a level line with "start EXPRESSION" leaves behind.
float StartOf(const std::string& expression) {
  LevelScript level;
  ScriptTest::Load(level, "wave \"w\" { } level 1 \"l\" { wave \"w\", start " + expression + "; }");
  EXPECT_EQ(level.levelWaves.size(), 1u);
  return level.levelWaves.empty() ? -12345.0f : level.levelWaves[0].start;
}

// The first node of a type, depth first in file order.
const ScriptNode* Find(const ScriptNode* node, int type) {
  if (!node) return nullptr;
  if (node->type == type) return node;
  for (int i = 0; i < node->ChildCount(); ++i) {
    if (const ScriptNode* found = Find(node->Child(i), type)) return found;
  }
  return nullptr;
}

// Parses text and returns the first node of a type in its tree.
const ScriptNode* Parsed(LevelScript& level, const std::string& text, int type) {
  ScriptTest::Load(level, text);
  return Find(level.Tree(), type);
}

}  // namespace

TEST(ScriptGrammar, ArithmeticFoldsWithTheUsualPrecedenceInFloat) {
  EXPECT_EQ(StartOf("1 - 2 - 3"), -4.0f);
  EXPECT_EQ(StartOf("8/2/2"), 2.0f);
  EXPECT_EQ(StartOf("2+3*4"), 14.0f);
  EXPECT_EQ(StartOf("-2*3"), -6.0f);
  EXPECT_EQ(StartOf("- -3"), 3.0f);
  EXPECT_EQ(StartOf("1 - -3"), 4.0f);
  EXPECT_EQ(StartOf("1/3"), 1.0f / 3.0f);
  EXPECT_EQ(StartOf("0.1+0.2"), 0.1f + 0.2f);
}

TEST(ScriptGrammar, TimesAreMinutesAndSeconds) {
  EXPECT_EQ(StartOf("1'30"), 90.0f);
  EXPECT_EQ(StartOf("1'30+5"), 95.0f);
  EXPECT_EQ(StartOf("-1'30"), -30.0f);
  EXPECT_EQ(StartOf("2*1'0"), 120.0f);
  EXPECT_EQ(LoadError("level 1 \"l\" { wave \"w\", start 1'2'3; }"), "parse error - Line: 1");
  // Only start, end and frame take times.
  EXPECT_EQ(LoadError("level 1 \"l\" { wave \"w\", fadein 1'2; }"), "parse error - Line: 1");
}

TEST(ScriptGrammar, ArithmeticThatHasNoFloatResultIsAnError) {
  EXPECT_EQ(LoadError("wave \"w\" { }\nlevel 1 \"l\" { wave \"w\", start 1/0; }"),
            "division by zero - Line: 2");
  EXPECT_EQ(LoadError("wave \"w\" { } level 1 \"l\" { wave \"w\", start 0/0; }"),
            "division by zero - Line: 1");
  EXPECT_EQ(LoadError("wave \"w\" { } level 1 \"l\" { wave \"w\", start 1/-0; }"),
            "division by zero - Line: 1");
  std::string big = "300000000000000000000000000000000000000";  // 3e38, a float
  EXPECT_EQ(StartOf(big), 3e38f);
  EXPECT_EQ(LoadError("wave \"w\" { } level 1 \"l\" { wave \"w\", start " + big + "*2; }"),
            "number out of range - Line: 1");
  EXPECT_EQ(LoadError("wave \"w\" { } level 1 \"l\" { wave \"w\", start -" + big + "-" + big + "; }"),
            "number out of range - Line: 1");
  EXPECT_EQ(LoadError("wave \"w\" { } level 1 \"l\" { wave \"w\", start " + big + "'0; }"),
            "number out of range - Line: 1");
}

TEST(ScriptGrammar, SpeedIsANumberLeafOrAPairNode) {
  LevelScript level;
  const ScriptNode* value = Parsed(level, "enemy \"e\" { } wave \"w\" { enemy \"e\", speed 3; }", SPEED_VALUE);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->kind, NodeKind::Number);
  EXPECT_EQ(value->Number(), 3.0);

  const ScriptNode* pair = Parsed(level, "enemy \"e\" { } wave \"w\" { enemy \"e\", speed (1, -2); }", SPEED_PAIR);
  ASSERT_NE(pair, nullptr);
  ASSERT_EQ(pair->ChildCount(), 1);
  const ScriptNode* inner = pair->Child(0);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->type, PAIR);
  ASSERT_EQ(inner->ChildCount(), 2);
  EXPECT_EQ(inner->Child(0)->type, NUMERO);
  EXPECT_EQ(inner->Child(0)->Number(), 1.0);
  EXPECT_EQ(inner->Child(1)->Number(), -2.0);
}

TEST(ScriptGrammar, DefinitionsAndOptionsBuildTheirNodes) {
  LevelScript level;
  EXPECT_EQ(Parsed(level, "", DEFINITIONS), nullptr);
  EXPECT_EQ(level.Tree(), nullptr);
  EXPECT_EQ(Parsed(level, "  // only a comment\n\n", DEFINITIONS), nullptr);
  EXPECT_EQ(level.Tree(), nullptr);

  const ScriptNode* levelNode = Parsed(level, "level 1 \"x\" { }", LEVEL);
  ASSERT_NE(levelNode, nullptr);
  ASSERT_EQ(levelNode->ChildCount(), 3);
  EXPECT_EQ(levelNode->Child(0)->Number(), 1.0);
  EXPECT_EQ(levelNode->Child(1)->Text(), "x");
  EXPECT_EQ(levelNode->Child(2), nullptr);

  const char* options =
      "script \"s\" { pic \"p\", size (1,2)-(3,4), camera \"c\", move seek, frame 2'0, end 3; }";
  const ScriptNode* size = Parsed(level, options, SIZE);
  ASSERT_NE(size, nullptr);
  ASSERT_NE(size->Child(0), nullptr);
  EXPECT_EQ(size->Child(0)->type, RANGE);
  EXPECT_EQ(size->Child(0)->Child(1)->Child(1)->Number(), 4.0);
  const ScriptNode* camera = Find(level.Tree(), CAMERA);
  ASSERT_NE(camera, nullptr);
  EXPECT_EQ(camera->kind, NodeKind::Text);
  EXPECT_EQ(camera->Text(), "c");
  const ScriptNode* move = Find(level.Tree(), MOVE);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(move->Child(0)->kind, NodeKind::Marker);
  EXPECT_EQ(move->Child(0)->type, SEEK);
  EXPECT_EQ(Find(level.Tree(), FRAME)->Number(), 120.0);

  // Lists are (list, item) pairs, so the first definition is the deepest.
  const ScriptNode* definitions = Parsed(level, "menu { } enemy \"a\" { }", DEFINITIONS);
  ASSERT_NE(definitions, nullptr);
  EXPECT_EQ(definitions->Child(1)->type, ENEMY);
  EXPECT_EQ(definitions->Child(0)->type, DEFINITIONS);
  EXPECT_EQ(definitions->Child(0)->Child(0), nullptr);
  EXPECT_EQ(definitions->Child(0)->Child(1)->type, MENU);
}

TEST(ScriptGrammar, ParseErrorsCarryTheLineOfTheTokenThatFailed) {
  EXPECT_EQ(LoadError("enemy \"a\" { model \"m\" }"), "parse error - Line: 1");
  EXPECT_EQ(LoadError("enemy \"a\"\n{\nmodel \"m\"\n}"), "parse error - Line: 4");
  EXPECT_EQ(LoadError("wave \"w\" { enemy \"e\" position (1,2); }"), "parse error - Line: 1");
  EXPECT_EQ(LoadError("enemy \"e\" { } wave \"w\" { enemy \"e\", position (1,2); }"), "no error");
  EXPECT_EQ(LoadError("\n\napplication \"x\" { }"), "parse error - Line: 3");
  EXPECT_EQ(LoadError("enemy \"a\" { energy -1; }"), "parse error - Line: 1");
  EXPECT_EQ(LoadError("enemy \"a\" { shininess 1+2; }"), "parse error - Line: 1");
  EXPECT_EQ(LoadError("enemy \"a\" { model m; }"), "parse error - Line: 1");
  EXPECT_EQ(LoadError("wave \"w\" { enemy \"e\", position (1 2); }"), "parse error - Line: 1");
  for (const char* unused : {"version", "and", "or", "==", "<>", ">=", "<=", "=", "<", ">", "[", "]", "."}) {
    EXPECT_EQ(LoadError(std::string("menu { } ") + unused), "parse error - Line: 1") << unused;
  }
  // Lexical errors keep their own message.
  EXPECT_EQ(LoadError("menu { }\n!"), "Caracter Desconhecido - Line: 2");
}

TEST(ScriptGrammar, TheStackGrowsToTenThousandEntriesAndNoFurther) {
  // Every unary minus waits on the stack for its operand.
  auto minuses = [](int count) {
    return "wave \"w\" { } level 1 \"l\" { wave \"w\", start " + std::string(count, '-') + "5; }";
  };
  LevelScript level;
  ScriptTest::Load(level, minuses(9000));
  EXPECT_EQ(level.levelWaves.at(0).start, 5.0f);
  ScriptTest::Load(level, minuses(9001));
  EXPECT_EQ(level.levelWaves.at(0).start, -5.0f);
  EXPECT_EQ(LoadError(minuses(10000)), "parser stack overflow - Line: 1");
  EXPECT_EQ(LoadError(minuses(100000)), "parser stack overflow - Line: 1");
}
