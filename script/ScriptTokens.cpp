#include "script/ScriptTokens.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace Script {

namespace {

struct TokenEntry {
  int code;
  const char* name;     // as the token trace prints it
  const char* keyword;  // the word the scanner accepts, or null
};

// Sorted by code: TokenName searches it.
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

}  // namespace

const char* TokenName(int code) {
  auto found = std::lower_bound(std::begin(tokens), std::end(tokens), code,
                                [](const TokenEntry& entry, int c) { return entry.code < c; });
  return found != std::end(tokens) && found->code == code ? found->name : nullptr;
}

int KeywordCode(const char* text, int length) {
  // Most words are rejected on the first byte before any comparison.
  for (const TokenEntry& entry : tokens) {
    if (entry.keyword && entry.keyword[0] == text[0] &&
        std::strlen(entry.keyword) == static_cast<std::size_t>(length) &&
        std::memcmp(entry.keyword, text, length) == 0) {
      return entry.code;
    }
  }
  return IDENTIFICADOR;
}

}  // namespace Script
