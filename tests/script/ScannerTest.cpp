// The scanner as the parser and the trace reader see it: token codes, values,
// line numbers and the echo on the trace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/ScriptTokens.h"
#include "tests/script/ScriptTestSupport.h"

using namespace Script;
using ScriptTest::Codes;
using ScriptTest::Scan;

namespace {

std::string ScanError(const std::string& text, std::string* trace = nullptr) {
  try {
    Scan(text, trace);
  } catch (const KOR::Exception& error) {
    EXPECT_EQ(error.GetModule(), "Game");
    EXPECT_EQ(error.GetError(), "Level Script Sintax Error");
    return error.GetDescription();
  }
  return "no error";
}

}  // namespace

TEST(ScriptScanner, KeywordsAreLowerCaseWordsAndEverythingElseIsAnIdentifier) {
  const std::vector<std::pair<std::string, int>> keywords = {
      {"script", SCRIPT}, {"pic", PIC}, {"start", START}, {"end", END}, {"fadein", FADEIN},
      {"fadeout", FADEOUT}, {"music", MUSIC}, {"application", APPLICATION}, {"version", VERSION},
      {"name", NAME}, {"banner", BANNER}, {"menu", MENU}, {"enemy", ENEMY}, {"model", MODEL},
      {"diffuse", DIFFUSE}, {"normal", NORMAL}, {"specular", SPECULAR}, {"shininess", SHININESS},
      {"wave", WAVE}, {"position", POSITION}, {"move", MOVE}, {"forward", FOWARD}, {"speed", SPEED},
      {"size", SIZE}, {"text", TEXT}, {"level", LEVEL}, {"scene", SCENE}, {"camera", CAMERA},
      {"gun", GUN}, {"energy", ENERGY}, {"sin", SIN}, {"seek", SEEK}, {"phase", PHASE},
      {"freq", FREQ}, {"amplitude", AMPLITUDE}, {"and", AND}, {"or", OR}, {"frame", FRAME}};
  for (const auto& [word, code] : keywords) {
    EXPECT_EQ(Codes(word), std::vector<int>{code}) << word;
  }
  for (const char* word : {"Wave", "WAVE", "foward", "wave1", "waves", "sine", "a", "x_1", "E3"}) {
    auto tokens = Scan(word);
    ASSERT_EQ(tokens.size(), 1u) << word;
    EXPECT_EQ(tokens[0].code, IDENTIFICADOR) << word;
    EXPECT_EQ(tokens[0].text, word);
  }
}

TEST(ScriptScanner, NumbersHaveNoSignNoExponentAndAtMostOnePoint) {
  auto tokens = Scan("0012 .5 007.50 1.2.3 5. 1e3 12abc -3 1'30");
  std::vector<int> codes;
  for (const auto& token : tokens) codes.push_back(token.code);
  EXPECT_EQ(codes, (std::vector<int>{NUMERO, NUMERO, NUMERO, NUMERO, NUMERO, NUMERO, PONTO,
                                     NUMERO, IDENTIFICADOR, NUMERO, IDENTIFICADOR, MENOS, NUMERO,
                                     NUMERO, PLICA, NUMERO}));
  EXPECT_EQ(tokens[0].number, 12.0f);
  EXPECT_EQ(tokens[1].number, 0.5f);
  EXPECT_EQ(tokens[2].number, 7.5f);
  EXPECT_EQ(tokens[3].number, 1.2f);
  EXPECT_EQ(tokens[4].number, 0.3f);
  EXPECT_EQ(tokens[5].number, 5.0f);
  EXPECT_EQ(tokens[8].text, "e3");
  EXPECT_EQ(tokens[10].text, "abc");
  EXPECT_EQ(tokens[12].number, 3.0f);
}

TEST(ScriptScanner, NumbersAreConvertedThroughDoubleThenFloat) {
  // 16777217 is no float: the nearest are 16777216 and 16777218.
  EXPECT_EQ(Scan("16777217")[0].number, 16777216.0f);
  EXPECT_EQ(Scan("0.1")[0].number, 0.1f);
  // Too small to matter reads as zero; too large for a float is an error.
  EXPECT_EQ(Scan("0." + std::string(400, '0') + "1")[0].number, 0.0f);
  EXPECT_EQ(ScanError("x\n" + std::string(39, '9')), "number out of range - Line: 2");
  EXPECT_EQ(ScanError(std::string(400, '9')), "number out of range - Line: 1");
}

TEST(ScriptScanner, StringsKeepEverythingBetweenTheQuotesAndCountTheirLines) {
  auto tokens = Scan("\"a\\n b\" \"\" \"one\ntwo\nthree\" x");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0].text, "a\\n b");  // no escapes
  EXPECT_EQ(tokens[1].text, "");
  EXPECT_EQ(tokens[2].text, "one\ntwo\nthree");
  EXPECT_EQ(tokens[2].line, 3);
  EXPECT_EQ(tokens[3].line, 3);
  // A NUL byte inside a string is kept, not a silent end of the name.
  EXPECT_EQ(Scan(std::string("\"a\0b\"", 5))[0].text, std::string("a\0b", 3));
}

TEST(ScriptScanner, LinesCountLineFeedsOnlyAndTheTraceShowsTheLineAfterTheMatch) {
  auto tokens = Scan("a\n\n\nb\r\r c");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].line, 1);
  EXPECT_EQ(tokens[1].line, 4);
  EXPECT_EQ(tokens[2].line, 4);
  std::string trace;
  Scan("wave \"w\"\n{ \"two\nlines\" 1.50 forward ( ) ==", &trace);
  EXPECT_EQ(trace,
            "1 - WAVE\n"
            "1 - STRING: \"w\"\n"
            "2 - ABRE_CHAVETAS\n"
            "3 - STRING: \"two\nlines\"\n"
            "3 - NUMERO: 1.50\n"
            "3 - FOWARD\n"
            "3 - ABRE_PARENTESIS\n"
            "3 - FECHA_PARENTESIS\n"
            "3 - IGUAL\n");
}

TEST(ScriptScanner, CommentsRunToTheLineFeedAndThereAreNoBlockComments) {
  EXPECT_EQ(Codes("a // b \"c\" 1 # !\nd"), (std::vector<int>{IDENTIFICADOR, IDENTIFICADOR}));
  EXPECT_EQ(Codes("x // last line without a line feed"), std::vector<int>{IDENTIFICADOR});
  EXPECT_EQ(Codes("/* x */"), (std::vector<int>{DIVIDIR, VEZES, IDENTIFICADOR, VEZES, DIVIDIR}));
  EXPECT_EQ(Scan("// one\n// two\nz")[0].line, 3);
  std::string trace;
  Scan("// nothing\n", &trace);
  EXPECT_EQ(trace, "");
}

TEST(ScriptScanner, OperatorsTakeTheLongestMatch) {
  EXPECT_EQ(Codes("== <> <= >= = < > ( ) [ ] { } ; , . + - * / '"),
            (std::vector<int>{IGUAL, DIFERENTE, MENORIGUAL, MAIORIGUAL, ATRIBUICAO, MENOR, MAIOR,
                              ABRE_PARENTESIS, FECHA_PARENTESIS, ABRE_RECTOS, FECHA_RECTOS,
                              ABRE_CHAVETAS, FECHA_CHAVETAS, SEPARADOR, VIRGULA, PONTO, MAIS,
                              MENOS, VEZES, DIVIDIR, PLICA}));
  EXPECT_EQ(Codes("==="), (std::vector<int>{IGUAL, ATRIBUICAO}));
  EXPECT_EQ(Codes("<>="), (std::vector<int>{DIFERENTE, ATRIBUICAO}));
}

TEST(ScriptScanner, UnknownCharactersStopTheScanWithTheirLine) {
  for (std::string bad : {"&&", "||", "!", "#", ":", "?", "_x", "\x80", "\xff", "$"}) {
    std::string trace;
    EXPECT_EQ(ScanError("a\n\nb " + bad, &trace), "Caracter Desconhecido - Line: 3") << bad;
    EXPECT_EQ(trace, "1 - IDENTIFICADOR: a\n3 - IDENTIFICADOR: b\n3 * ERRO: caracter desconhecido'" +
                         bad.substr(0, 1) + "'\n");
  }
  // An unterminated string fails on its opening quote, after the tokens before it.
  std::string trace;
  EXPECT_EQ(ScanError("x \"never closed\n\n", &trace), "Caracter Desconhecido - Line: 1");
  EXPECT_EQ(trace, "1 - IDENTIFICADOR: x\n1 * ERRO: caracter desconhecido'\"'\n");
}

TEST(ScriptScanner, SkippedRunsHaveNoLengthLimitButTokensDo) {
  std::string longComment = "// " + std::string(100000, 'c') + "\n";
  std::string longBlank(100000, ' ');
  EXPECT_EQ(Codes(longComment + longBlank + "x"), std::vector<int>{IDENTIFICADOR});

  std::string longest(ScriptScanner::maxTokenLength, 'a');
  EXPECT_EQ(Scan(longest)[0].text, longest);
  EXPECT_EQ(ScanError("\n" + longest + "a"), "token too large - Line: 2");
  EXPECT_EQ(ScanError("\"" + std::string(9000, 's') + "\""), "token too large - Line: 1");
  EXPECT_EQ(ScanError("\n\"a\n" + std::string(9000, 's') + "\""), "token too large - Line: 2");
  EXPECT_EQ(ScanError(std::string(9000, '1')), "token too large - Line: 1");
}

TEST(ScriptScanner, ScannersAreIndependentOfEachOther) {
  // Each load counts its own lines from 1, however many ran before.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Scan("\n\nx")[0].line, 3);
  EXPECT_TRUE(Scan("").empty());
  EXPECT_TRUE(Scan(" \n\t\r// c").empty());
}
