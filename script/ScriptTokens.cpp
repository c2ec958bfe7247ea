#include "script/ScriptTokens.h"

#include <cstring>
#include <iterator>

namespace Script {

namespace {

struct TokenEntry {
  int code;
  const char* name;     // as the token trace prints it
  const char* keyword;  // the word the scanner accepts, or null
};

// In token-code order, as the language lists them.
constexpr TokenEntry tokens[] = {
    {'(', "ABRE_PARENTESIS", nullptr},
    {')', "FECHA_PARENTESIS", nullptr},
    {'*', "VEZES", nullptr},
    {'+', "MAIS", nullptr},
    {',', "VIRGULA", nullptr},
    {'-', "MENOS", nullptr},
    {'.', "PONTO", nullptr},
    {'/', "DIVIDIR", nullptr},
    {';', "SEPARADOR", nullptr},
    {'<', "MENOR", nullptr},
    {'=', "ATRIBUICAO", nullptr},
    {'>', "MAIOR", nullptr},
    {'[', "ABRE_RECTOS", nullptr},
    {']', "FECHA_RECTOS", nullptr},
    {'{', "ABRE_CHAVETAS", nullptr},
    {'}', "FECHA_CHAVETAS", nullptr},
    {SCRIPT, "SCRIPT", "script"},
    {PIC, "PIC", "pic"},
    {START, "START", "start"},
    {END, "END", "end"},
    {FADEIN, "FADEIN", "fadein"},
    {FADEOUT, "FADEOUT", "fadeout"},
    {MUSIC, "MUSIC", "music"},
    {APPLICATION, "APPLICATION", "application"},
    {VERSION, "VERSION", "version"},
    {NAME, "NAME", "name"},
    {BANNER, "BANNER", "banner"},
    {MENU, "MENU", "menu"},
    {ENEMY, "ENEMY", "enemy"},
    {MODEL, "MODEL", "model"},
    {DIFFUSE, "DIFFUSE", "diffuse"},
    {NORMAL, "NORMAL", "normal"},
    {SPECULAR, "SPECULAR", "specular"},
    {SHININESS, "SHININESS", "shininess"},
    {WAVE, "WAVE", "wave"},
    {POSITION, "POSITION", "position"},
    {MOVE, "MOVE", "move"},
    {FOWARD, "FOWARD", "forward"},
    {SPEED, "SPEED", "speed"},
    {SIZE, "SIZE", "size"},
    {TEXT, "TEXT", "text"},
    {LEVEL, "LEVEL", "level"},
    {SCENE, "SCENE", "scene"},
    {CAMERA, "CAMERA", "camera"},
    {PLICA, "PLICA", nullptr},
    {GUN, "GUN", "gun"},
    {ENERGY, "ENERGY", "energy"},
    {SIN, "SIN", "sin"},
    {SEEK, "SEEK", "seek"},
    {PHASE, "PHASE", "phase"},
    {FREQ, "FREQ", "freq"},
    {AMPLITUDE, "AMPLITUDE", "amplitude"},
    {IGUAL, "IGUAL", nullptr},
    {DIFERENTE, "DIFERENTE", nullptr},
    {MAIORIGUAL, "MAIORIGUAL", nullptr},
    {MENORIGUAL, "MENORIGUAL", nullptr},
    {AND, "AND", "and"},
    {OR, "OR", "or"},
    {IDENTIFICADOR, "IDENTIFICADOR", nullptr},
    {NUMERO, "NUMERO", nullptr},
    {STRING, "STRING", nullptr},
    {FRAME, "FRAME", "frame"},
};

constexpr bool SortedByCode() {
  for (std::size_t i = 1; i < std::size(tokens); ++i) {
    if (tokens[i - 1].code >= tokens[i].code) return false;
  }
  return true;
}
static_assert(SortedByCode());


// Direct indexes over the table, built once at compile time: the scanner asks
// for a name on every token and for a keyword on every word.
constexpr int maxCode = FRAME;
constexpr int maxKeywordLength = 11;

struct Indexes {
  const char* names[maxCode + 1] = {};
  // Open-addressed hash of the keywords on first byte, last byte and length.
  const TokenEntry* keywords[128] = {};
  std::size_t keywordLengths[128] = {};
};

constexpr unsigned KeywordHash(const char* text, std::size_t length) {
  return (static_cast<unsigned char>(text[0]) * 7u + static_cast<unsigned char>(text[length - 1]) * 3u +
          static_cast<unsigned>(length)) % 128u;
}

constexpr std::size_t Length(const char* text) {
  std::size_t length = 0;
  while (text[length]) ++length;
  return length;
}

constexpr Indexes BuildIndexes() {
  Indexes indexes;
  for (const TokenEntry& entry : tokens) {
    indexes.names[entry.code] = entry.name;
    if (entry.keyword) {
      std::size_t length = Length(entry.keyword);
      if (length > maxKeywordLength) throw "keyword longer than maxKeywordLength";
      unsigned slot = KeywordHash(entry.keyword, length);
      while (indexes.keywords[slot]) slot = (slot + 1) % 128u;
      indexes.keywords[slot] = &entry;
      indexes.keywordLengths[slot] = length;
    }
  }
  return indexes;
}

constexpr Indexes indexes = BuildIndexes();

}  // namespace

const char* TokenName(int code) { return code >= 0 && code <= maxCode ? indexes.names[code] : nullptr; }

int KeywordCode(const char* text, int length) {
  if (length < 1 || length > maxKeywordLength) return IDENTIFICADOR;
  for (unsigned slot = KeywordHash(text, length); const TokenEntry* entry = indexes.keywords[slot];
       slot = (slot + 1) % 128u) {
    if (indexes.keywordLengths[slot] == static_cast<std::size_t>(length) &&
        std::memcmp(entry->keyword, text, length) == 0) {
      return entry->code;
    }
  }
  return IDENTIFICADOR;
}

}  // namespace Script
