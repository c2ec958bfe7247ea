#pragma once
// Parses one level script into a syntax tree that lives in the caller's arena.
// The grammar (ScriptGrammar.y) calls the node builders and the folding
// operations below; every error is the level-script syntax error.

#include <cstdio>
#include <initializer_list>

#include "script/ScriptNode.h"
#include "script/ScriptScanner.h"
#include "script/ScriptValue.h"

namespace Script {

class ScriptArena;

// Reads the whole stream and returns the tree's root (null for a script
// without definitions). trace receives the token trace and may be null.
ScriptNode* ParseScript(std::FILE* input, ScriptArena& arena, std::FILE* trace);

class ScriptParser {
public:
  ScriptParser(std::FILE* input, ScriptArena& arena, std::FILE* trace);

  ScriptNode* Parse();

  int NextToken(ScriptValue& value) { return scanner.Next(value); }
  [[noreturn]] void SyntaxError(const char* message) const;

  // Node builders; each node takes the scanner's current line.
  ScriptNode* Inner(int type, std::initializer_list<ScriptNode*> children);
  ScriptNode* Text(int type, TextValue text);
  ScriptNode* Number(int type, float number);
  ScriptNode* Marker(int type);
  ScriptNode* Pair(float first, float second);

  // Folded arithmetic in 32-bit float; a zero divisor or a result a float
  // cannot hold is an error, so no leaf ever holds an infinity or a NaN.
  float Fold(char operation, float left, float right) const;
  // minutes'seconds
  float Time(float minutes, float seconds) const;

  void SetRoot(ScriptNode* node) { root = node; }

private:
  ScriptNode* NewNode(NodeKind kind, int type, int extra);
  float Checked(double result) const;

  ScriptArena& arena;
  ScriptScanner scanner;
  ScriptNode* root = nullptr;
};

}  // namespace Script
