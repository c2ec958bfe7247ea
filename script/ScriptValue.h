#pragma once
// What the scanner hands the parser beside a token code, and what the parser
// keeps on its value stack.

namespace Script {

struct ScriptNode;

struct TextValue {
  const char* text;  // arena copy, NUL-terminated
  int size;
};

union ScriptValue {
  float number;
  TextValue text;
  ScriptNode* node;
};

}  // namespace Script
