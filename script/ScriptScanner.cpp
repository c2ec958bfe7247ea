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

int ScriptScanner::Punctuation(int code, int length) {
  (void)length;  // punctuation holds no line feed
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
    std::fprintf(trace, "%d * ERRO: caracter desconhecido'", line);
    std::fputc(static_cast<unsigned char>(text[0]), trace);
    std::fputs("'\n", trace);
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
  // "%d - NAME\n" or "%d - NAME: text\n", written without printf: the trace is
  // one line per token and dominates the load time otherwise.
  char head[48];
  char* end = std::to_chars(head, head + 12, line).ptr;
  std::memcpy(end, " - ", 3);
  end += 3;
  std::size_t nameLength = std::strlen(name);
  std::memcpy(end, name, nameLength);
  end += nameLength;
  if (text) {
    *end++ = ':';
    *end++ = ' ';
    fwrite_unlocked(head, 1, end - head, trace);
    fwrite_unlocked(text, 1, length, trace);
  } else {
    fwrite_unlocked(head, 1, end - head, trace);
  }
  putc_unlocked('\n', trace);
}

}  // namespace Script
