#pragma once
// Runs level-script text through the real scanner, parser and loader from memory
// and hands back what a caller sees: tokens, the trace, the spawns, the error.

#include <cstdio>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "script/LevelScript.h"
#include "script/ScriptArena.h"
#include "script/ScriptScanner.h"

namespace ScriptTest {

// A read stream over text; fmemopen refuses empty buffers, so those read /dev/null.
inline std::FILE* OpenText(const std::string& text) {
  if (text.empty()) return std::fopen("/dev/null", "rb");
  return fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
}

// Collects what is written to it, for the token trace.
class Capture {
public:
  Capture() : file(open_memstream(&buffer, &size)) {}
  ~Capture() {
    std::fclose(file);
    std::free(buffer);
  }
  std::FILE* File() const { return file; }
  std::string Text() {
    std::fflush(file);
    return std::string(buffer, size);
  }

private:
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* file;
};

struct Token {
  int code;
  std::string text;  // identifier or string value; empty otherwise
  float number;
  int line;
};

// Every token up to the end of input (or up to the error, which propagates).
inline std::vector<Token> Scan(const std::string& text, std::string* trace = nullptr) {
  Script::ScriptArena arena;
  Capture capture;
  std::FILE* input = OpenText(text);
  std::vector<Token> tokens;
  try {
    Script::ScriptScanner scanner(input, arena, capture.File());
    for (;;) {
      Script::ScriptValue value{};
      int code = scanner.Next(value);
      if (code == 0) break;
      Token token{code, "", 0.0f, scanner.Line()};
      if (code == 300 || code == 302) token.text.assign(value.text.text, value.text.size);
      if (code == 301) token.number = value.number;
      tokens.push_back(token);
    }
  } catch (...) {
    std::fclose(input);
    if (trace) *trace = capture.Text();
    throw;
  }
  std::fclose(input);
  if (trace) *trace = capture.Text();
  return tokens;
}

inline std::vector<int> Codes(const std::string& text) {
  std::vector<int> codes;
  for (const Token& token : Scan(text)) codes.push_back(token.code);
  return codes;
}

// Loads text with LevelScript; the trace goes to *trace when given.
inline void Load(LevelScript& level, const std::string& text, std::string* trace = nullptr) {
  Capture capture;
  std::FILE* input = OpenText(text);
  try {
    level.Load(input, capture.File());
  } catch (...) {
    std::fclose(input);
    if (trace) *trace = capture.Text();
    throw;
  }
  std::fclose(input);
  if (trace) *trace = capture.Text();
}

// The description of the level-script error that loading text raises, or
// "no error" / the unexpected module and title when something else happens.
inline std::string LoadError(const std::string& text, std::string* trace = nullptr) {
  LevelScript level;
  try {
    Load(level, text, trace);
  } catch (const KOR::Exception& error) {
    if (error.GetModule() != "Game" || error.GetError() != "Level Script Sintax Error") {
      return "unexpected: " + error.GetModule() + " / " + error.GetError();
    }
    return error.GetDescription();
  }
  return "no error";
}

}  // namespace ScriptTest
