#include "script/ScriptParser.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

#include "script/LevelScriptError.h"
#include "script/ScriptArena.h"
#include "script/ScriptGrammar.hpp"
#include "script/ScriptTokens.h"

namespace Script {

// The grammar's token numbers and the table's must be the same codes.
#define SAME_CODE(name) static_assert(int{TOKEN_##name} == int{name}, #name)
SAME_CODE(SCRIPT); SAME_CODE(PIC); SAME_CODE(START); SAME_CODE(END); SAME_CODE(FADEIN);
SAME_CODE(FADEOUT); SAME_CODE(MUSIC); SAME_CODE(APPLICATION); SAME_CODE(VERSION);
SAME_CODE(NAME); SAME_CODE(BANNER); SAME_CODE(MENU); SAME_CODE(ENEMY); SAME_CODE(MODEL);
SAME_CODE(DIFFUSE); SAME_CODE(NORMAL); SAME_CODE(SPECULAR); SAME_CODE(SHININESS);
SAME_CODE(WAVE); SAME_CODE(POSITION); SAME_CODE(MOVE); SAME_CODE(FOWARD); SAME_CODE(SPEED);
SAME_CODE(SIZE); SAME_CODE(TEXT); SAME_CODE(LEVEL); SAME_CODE(SCENE); SAME_CODE(CAMERA);
SAME_CODE(PLICA); SAME_CODE(GUN); SAME_CODE(ENERGY); SAME_CODE(SIN); SAME_CODE(SEEK);
SAME_CODE(PHASE); SAME_CODE(FREQ); SAME_CODE(AMPLITUDE); SAME_CODE(IGUAL);
SAME_CODE(DIFERENTE); SAME_CODE(MAIORIGUAL); SAME_CODE(MENORIGUAL); SAME_CODE(AND);
SAME_CODE(OR); SAME_CODE(IDENTIFICADOR); SAME_CODE(NUMERO); SAME_CODE(STRING);
SAME_CODE(FRAME); SAME_CODE(RANGE); SAME_CODE(PAIR); SAME_CODE(SPEED_VALUE);
SAME_CODE(SPEED_PAIR); SAME_CODE(DEFINITIONS); SAME_CODE(ENEMY_REF); SAME_CODE(WAVE_REF);
SAME_CODE(UMINUS);
#undef SAME_CODE

ScriptNode* ParseScript(std::FILE* input, ScriptArena& arena, std::FILE* trace) {
  ScriptParser parser(input, arena, trace);
  return parser.Parse();
}

ScriptParser::ScriptParser(std::FILE* input, ScriptArena& arena, std::FILE* trace)
    : arena(arena), scanner(input, arena, trace) {}

ScriptNode* ScriptParser::Parse() {
  try {
    // Errors raise from inside, so a parse that returns has accepted the file.
    if (kor_script_parse(*this) != 0) SyntaxError("syntax error");
  } catch (const std::bad_alloc&) {
    RaiseLevelScriptError("out of memory", scanner.Line());
  }
  return root;
}

void ScriptParser::SyntaxError(const char* message) const {
  // The generator's wording, in the words level designers know.
  if (std::strcmp(message, "syntax error") == 0) message = "parse error";
  if (std::strcmp(message, "memory exhausted") == 0) message = "parser stack overflow";
  RaiseLevelScriptError(message, scanner.Line());
}

ScriptNode* ScriptParser::NewNode(NodeKind kind, int type, int extra) {
  std::size_t bytes = sizeof(ScriptNode);
  if (kind == NodeKind::Inner) bytes += extra * sizeof(ScriptNode*);
  auto* node = static_cast<ScriptNode*>(arena.Allocate(bytes, alignof(ScriptNode)));
  node->kind = kind;
  node->type = type;
  node->line = scanner.Line();
  node->size = extra;
  return node;
}

ScriptNode* ScriptParser::Inner(int type, std::initializer_list<ScriptNode*> children) {
  ScriptNode* node = NewNode(NodeKind::Inner, type, static_cast<int>(children.size()));
  // The children sit right after the node, in the same block.
  auto** slots = reinterpret_cast<ScriptNode**>(node + 1);
  std::copy(children.begin(), children.end(), slots);
  node->children = slots;
  return node;
}

ScriptNode* ScriptParser::Text(int type, TextValue text) {
  ScriptNode* node = NewNode(NodeKind::Text, type, text.size);
  node->text = text.text;
  return node;
}

ScriptNode* ScriptParser::Number(int type, float number) {
  ScriptNode* node = NewNode(NodeKind::Number, type, 0);
  node->number = number;
  return node;
}

ScriptNode* ScriptParser::Marker(int type) {
  ScriptNode* node = NewNode(NodeKind::Marker, type, 0);
  node->children = nullptr;
  return node;
}

ScriptNode* ScriptParser::Pair(float first, float second) {
  return Inner(PAIR, {Number(NUMERO, first), Number(NUMERO, second)});
}

float ScriptParser::Fold(char operation, float left, float right) const {
  switch (operation) {
    case '+': return Checked(left + right);
    case '-': return Checked(left - right);
    case '*': return Checked(left * right);
    default:
      if (right == 0.0f) RaiseLevelScriptError("division by zero", scanner.Line());
      return Checked(left / right);
  }
}

float ScriptParser::Time(float minutes, float seconds) const {
  return Checked(minutes * 60.0 + seconds);
}

float ScriptParser::Checked(double result) const {
  if (!(std::fabs(result) <= FLT_MAX)) RaiseLevelScriptError("number out of range", scanner.Line());
  return static_cast<float>(result);
}

}  // namespace Script
