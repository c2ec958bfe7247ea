#pragma once
// Token codes of the level-script language. Single-character tokens use the
// character's own code; the others are numbered from 258 in the order of the
// grammar's declarations. Codes 304-314 are syntax-tree node kinds and a
// precedence marker: the scanner never returns them.

namespace Script {

enum Token : int {
  END_OF_INPUT = 0,

  ABRE_PARENTESIS = '(',
  FECHA_PARENTESIS = ')',
  VEZES = '*',
  MAIS = '+',
  VIRGULA = ',',
  MENOS = '-',
  PONTO = '.',
  DIVIDIR = '/',
  SEPARADOR = ';',
  MENOR = '<',
  ATRIBUICAO = '=',
  MAIOR = '>',
  ABRE_RECTOS = '[',
  FECHA_RECTOS = ']',
  ABRE_CHAVETAS = '{',
  FECHA_CHAVETAS = '}',

  SCRIPT = 258,
  PIC = 259,
  START = 260,
  END = 261,
  FADEIN = 262,
  FADEOUT = 263,
  MUSIC = 264,
  APPLICATION = 265,
  VERSION = 266,
  NAME = 267,
  BANNER = 268,
  MENU = 269,
  ENEMY = 270,
  MODEL = 271,
  DIFFUSE = 272,
  NORMAL = 273,
  SPECULAR = 274,
  SHININESS = 275,
  WAVE = 276,
  POSITION = 277,
  MOVE = 278,
  FOWARD = 279,
  SPEED = 280,
  SIZE = 281,
  TEXT = 282,
  LEVEL = 283,
  SCENE = 284,
  CAMERA = 285,
  PLICA = 286,
  GUN = 287,
  ENERGY = 288,
  SIN = 289,
  SEEK = 290,
  PHASE = 291,
  FREQ = 292,
  AMPLITUDE = 293,
  IGUAL = 294,
  DIFERENTE = 295,
  MAIORIGUAL = 296,
  MENORIGUAL = 297,
  AND = 298,
  OR = 299,
  IDENTIFICADOR = 300,
  NUMERO = 301,
  STRING = 302,
  FRAME = 303,

  RANGE = 304,
  PAIR = 305,
  SPEED_VALUE = 306,
  SPEED_PAIR = 307,
  DEFINITIONS = 308,
  ENEMY_REF = 310,
  WAVE_REF = 311,
  UMINUS = 314,
};

// The name the token trace prints for a token code ("ABRE_PARENTESIS", "FOWARD"),
// or null for a code that is no token.
const char* TokenName(int code);

// The keyword code of a word, or IDENTIFICADOR when the word is no keyword.
// Keywords are lower case only.
int KeywordCode(const char* text, int length);

}  // namespace Script
