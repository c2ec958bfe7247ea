#pragma once
// The level-script scanner: turns a stream's bytes into tokens, counts lines and
// echoes every token to the trace. One object per load; any number of them may
// exist in one process.

#include <cstddef>
#include <cstdio>
#include <memory>

#include "script/ScriptValue.h"

namespace Script {

class ScriptArena;

class ScriptScanner {
public:
  // The longest token the scanner accepts; skipped whitespace and comments may be longer.
  static constexpr int maxTokenLength = 8191;

  // trace may be null (no echo). The stream and the arena must outlive the scanner.
  ScriptScanner(std::FILE* input, ScriptArena& arena, std::FILE* trace);
  ~ScriptScanner();
  ScriptScanner(const ScriptScanner&) = delete;
  ScriptScanner& operator=(const ScriptScanner&) = delete;

  // The next token code (0 at the end of input) and its value. Raises the
  // level-script syntax error on a byte that starts no token.
  int Next(ScriptValue& value);

  // The line counter: 1 plus the line feeds of everything matched so far.
  int Line() const { return line; }

  // Used by the generated matcher's actions.
  int Punctuation(int code);
  int Word(const char* text, int length, ScriptValue& value);
  int String(const char* text, int length, ScriptValue& value);
  int Number(const char* text, int length, ScriptValue& value);
  void Skip(const char* text, int length);
  [[noreturn]] void Unknown(const char* text);
  [[noreturn]] void Fatal(const char* message);

private:
  void CountLines(const char* text, int length);
  void CheckLength(int length) const;
  void Echo(const char* name, const char* text, int length);
  void EchoBytes(const char* bytes, std::size_t size);
  void FlushEcho();

  void* matcher = nullptr;
  ScriptArena& arena;
  std::FILE* trace;
  // The trace is collected here and written in large blocks: it is longer than
  // the script itself. Flushed when full and when the scanner ends, error or not.
  static constexpr std::size_t echoCapacity = 64 * 1024;
  std::unique_ptr<char[]> echo;
  std::size_t echoUsed = 0;
  int line = 1;
};

}  // namespace Script
