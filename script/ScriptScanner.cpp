// The actions of the generated matcher (ScriptLexer.l): values, line counting,
// the token trace and the scanner's errors.
#include "script/ScriptScanner.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cstring>
#include <system_error>

#include "script/LevelScriptError.h"
#include "script/ScriptArena.h"
#include "script/ScriptTokens.h"

namespace Script {

int ScriptScanner::Punctuation(int code) {
  Echo(TokenName(code), nullptr, 0);
  return code;
}

int ScriptScanner::Word(const char* text, int length, ScriptValue& value) {
  CheckLength(length);
  int code = KeywordCode(text, length);
  if (code != IDENTIFICADOR) {
    Echo(TokenName(code), nullptr, 0);
    return code;
  }
  value.text = {arena.CopyText(text, length), length};
  Echo("IDENTIFICADOR", text, length);
  return IDENTIFICADOR;
}

int ScriptScanner::String(const char* text, int length, ScriptValue& value) {
  CheckLength(length);
  CountLines(text, length);
  value.text = {arena.CopyText(text + 1, length - 2), length - 2};
  Echo("STRING", text, length);  // the trace shows the quotes
  return STRING;
}

int ScriptScanner::Number(const char* text, int length, ScriptValue& value) {
  CheckLength(length);
  double number = 0.0;
  auto [end, error] = std::from_chars(text, text + length, number);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // Too small for a double reads as zero; too large has a non-zero digit before the point.
    const char* point = std::find(text, text + length, '.');
    bool tooLarge = std::any_of(text, point, [](char c) { return c != '0'; });
    if (tooLarge) RaiseLevelScriptError("number out of range", line);
    number = 0.0;
  }
  // A float cannot hold it; converting would be undefined.
  if (number > FLT_MAX) RaiseLevelScriptError("number out of range", line);
  value.number = static_cast<float>(number);
  Echo("NUMERO", text, length);
  return NUMERO;
}

void ScriptScanner::Skip(const char* text, int length) { CountLines(text, length); }

void ScriptScanner::Unknown(const char* text) {
  if (trace) {
    char number[12];
    char* end = std::to_chars(number, number + sizeof number, line).ptr;
    EchoBytes(number, end - number);
    EchoBytes(" * ERRO: caracter desconhecido'", 31);
    EchoBytes(text, 1);
    EchoBytes("'\n", 2);
  }
  RaiseLevelScriptError("Caracter Desconhecido", line);
}

void ScriptScanner::Fatal(const char* message) { RaiseLevelScriptError(message, line); }

void ScriptScanner::CountLines(const char* text, int length) {
  int feeds = static_cast<int>(std::count(text, text + length, '\n'));
  if (feeds > INT_MAX - line) RaiseLevelScriptError("too many lines", line);
  line += feeds;
}

void ScriptScanner::CheckLength(int length) const {
  // Reported at the line where the token starts, before its own line feeds count.
  if (length > maxTokenLength) RaiseLevelScriptError("token too large", line);
}

void ScriptScanner::Echo(const char* name, const char* text, int length) {
  if (!trace) return;
  // "%d - NAME\n" or "%d - NAME: text\n", built in place: this runs once per token.
  constexpr std::size_t longestHead = 11 + 3 + 16 + 2;  // line, " - ", name, ": "
  std::size_t needed = longestHead + (text ? length : 0) + 1;
  if (echoUsed + needed > echoCapacity) {
    FlushEcho();
    if (needed > echoCapacity) {
      std::fprintf(trace, text ? "%d - %s: " : "%d - %s", line, name);
      if (text) std::fwrite(text, 1, length, trace);
      std::fputc('\n', trace);
      return;
    }
  }
  char* out = echo.get() + echoUsed;
  out = std::to_chars(out, out + 11, line).ptr;
  *out++ = ' ';
  *out++ = '-';
  *out++ = ' ';
  while (*name) *out++ = *name++;
  if (text) {
    *out++ = ':';
    *out++ = ' ';
    std::memcpy(out, text, length);
    out += length;
  }
  *out++ = '\n';
  echoUsed = out - echo.get();
}

void ScriptScanner::EchoBytes(const char* bytes, std::size_t size) {
  if (echoUsed + size > echoCapacity) {
    FlushEcho();
    if (size > echoCapacity) {
      std::fwrite(bytes, 1, size, trace);
      return;
    }
  }
  std::memcpy(echo.get() + echoUsed, bytes, size);
  echoUsed += size;
}

void ScriptScanner::FlushEcho() {
  if (echoUsed > 0) std::fwrite(echo.get(), 1, echoUsed, trace);
  echoUsed = 0;
}

}  // namespace Script
