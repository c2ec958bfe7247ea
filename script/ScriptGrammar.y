/* Level-script grammar, LALR(1). A file is a list of definitions; each holds a
   braced list of statements ended by ";"; a statement is a keyword, its
   argument and options each led by ",". Arithmetic is folded here, so the
   tree holds only constants. Nodes are built by ScriptParser. */

%require "3.6"
%expect 0
%define api.pure full
%define api.prefix {kor_script_}
%define api.token.prefix {TOKEN_}
%define api.value.type {Script::ScriptValue}
%param {Script::ScriptParser& p}

%code requires {
#include "script/ScriptValue.h"
namespace Script { class ScriptParser; }
}

%code {
#include "script/ScriptParser.h"
#include "script/ScriptTokens.h"

using namespace Script;

// The parser's grown stacks live in its own frame, so an error thrown from an
// action or from the scanner leaves nothing behind.
#define YYSTACK_USE_ALLOCA 1
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

static int kor_script_lex(Script::ScriptValue* value, ScriptParser& p) { return p.NextToken(*value); }
static void kor_script_error(ScriptParser& p, const char* message) { p.SyntaxError(message); }
}

%token SCRIPT 258 PIC 259 START 260 END 261 FADEIN 262 FADEOUT 263 MUSIC 264
%token APPLICATION 265 VERSION 266 NAME 267 BANNER 268 MENU 269 ENEMY 270
%token MODEL 271 DIFFUSE 272 NORMAL 273 SPECULAR 274 SHININESS 275 WAVE 276
%token POSITION 277 MOVE 278 FOWARD 279 SPEED 280 SIZE 281 TEXT 282 LEVEL 283
%token SCENE 284 CAMERA 285 PLICA 286 GUN 287 ENERGY 288 SIN 289 SEEK 290
%token PHASE 291 FREQ 292 AMPLITUDE 293 IGUAL 294 DIFERENTE 295 MAIORIGUAL 296
%token MENORIGUAL 297 AND 298 OR 299 IDENTIFICADOR 300
%token <number> NUMERO 301
%token <text> STRING 302
%token FRAME 303
/* Node kinds of the tree; the scanner never returns them. */
%token RANGE 304 PAIR 305 SPEED_VALUE 306 SPEED_PAIR 307 DEFINITIONS 308
%token ENEMY_REF 310 WAVE_REF 311

/* PLICA needs no precedence: a time is never an operand, so 1'2'3 fails. */
%left '+' '-'
%left '*' '/'
%precedence UMINUS 314

%type <node> definition_list definition block statement_list statement
%type <node> option_list option pair pair_range movement
%type <number> expression time

%%

script_file
  : definition_list                     { p.SetRoot($1); }
  ;

definition_list
  : definition_list definition          { $$ = p.Inner(DEFINITIONS, {$1, $2}); }
  | %empty                              { $$ = nullptr; }
  ;

definition
  : SCRIPT STRING block                 { $$ = p.Inner(SCRIPT, {p.Text(STRING, $2), $3}); }
  | MENU block                          { $$ = p.Inner(MENU, {$2}); }
  | ENEMY STRING block                  { $$ = p.Inner(ENEMY, {p.Text(STRING, $2), $3}); }
  | WAVE STRING block                   { $$ = p.Inner(WAVE, {p.Text(STRING, $2), $3}); }
  | LEVEL NUMERO STRING block           { $$ = p.Inner(LEVEL, {p.Number(NUMERO, $2), p.Text(STRING, $3), $4}); }
  ;

block
  : '{' statement_list '}'              { $$ = $2; }
  ;

statement_list
  : statement_list statement ';'        { $$ = p.Inner(';', {$1, $2}); }
  | %empty                              { $$ = nullptr; }
  ;

statement
  : PIC STRING option_list              { $$ = p.Inner(PIC, {p.Text(STRING, $2), $3}); }
  | MUSIC STRING option_list            { $$ = p.Inner(MUSIC, {p.Text(STRING, $2), $3}); }
  | NAME STRING                         { $$ = p.Inner(NAME, {p.Text(STRING, $2), nullptr}); }
  | BANNER STRING                       { $$ = p.Inner(BANNER, {p.Text(STRING, $2), nullptr}); }
  | MODEL STRING                        { $$ = p.Inner(MODEL, {p.Text(STRING, $2), nullptr}); }
  | DIFFUSE STRING                      { $$ = p.Inner(DIFFUSE, {p.Text(STRING, $2), nullptr}); }
  | NORMAL STRING                       { $$ = p.Inner(NORMAL, {p.Text(STRING, $2), nullptr}); }
  | SPECULAR STRING                     { $$ = p.Inner(SPECULAR, {p.Text(STRING, $2), nullptr}); }
  | SHININESS NUMERO                    { $$ = p.Inner(SHININESS, {p.Number(NUMERO, $2), nullptr}); }
  | ENEMY STRING option_list            { $$ = p.Inner(ENEMY_REF, {p.Text(STRING, $2), $3}); }
  | TEXT STRING option_list             { $$ = p.Inner(TEXT, {p.Text(STRING, $2), $3}); }
  | SCENE STRING option_list            { $$ = p.Inner(SCENE, {p.Text(STRING, $2), $3}); }
  | WAVE STRING option_list             { $$ = p.Inner(WAVE_REF, {p.Text(STRING, $2), $3}); }
  | GUN STRING                          { $$ = p.Inner(GUN, {p.Text(STRING, $2), nullptr}); }
  | ENERGY NUMERO                       { $$ = p.Inner(ENERGY, {p.Number(NUMERO, $2), nullptr}); }
  ;

option_list
  : option_list ',' option              { $$ = p.Inner(',', {$1, $3}); }
  | %empty                              { $$ = nullptr; }
  ;

option
  : START time                          { $$ = p.Number(START, $2); }
  | END time                            { $$ = p.Number(END, $2); }
  | FADEIN expression                   { $$ = p.Number(FADEIN, $2); }
  | FADEOUT expression                  { $$ = p.Number(FADEOUT, $2); }
  | POSITION pair                       { $$ = p.Inner(POSITION, {$2}); }
  | MOVE movement                       { $$ = p.Inner(MOVE, {$2}); }
  | SPEED expression                    { $$ = p.Number(SPEED_VALUE, $2); }
  | SPEED pair                          { $$ = p.Inner(SPEED_PAIR, {$2}); }
  | SIZE pair_range                     { $$ = p.Inner(SIZE, {$2}); }
  | CAMERA STRING                       { $$ = p.Text(CAMERA, $2); }
  | FREQ expression                     { $$ = p.Number(FREQ, $2); }
  | AMPLITUDE expression                { $$ = p.Number(AMPLITUDE, $2); }
  | PHASE expression                    { $$ = p.Number(PHASE, $2); }
  | FRAME time                          { $$ = p.Number(FRAME, $2); }
  ;

expression
  : NUMERO                              { $$ = $1; }
  | '-' expression %prec UMINUS         { $$ = -$2; }
  | expression '+' expression           { $$ = p.Fold('+', $1, $3); }
  | expression '-' expression           { $$ = p.Fold('-', $1, $3); }
  | expression '*' expression           { $$ = p.Fold('*', $1, $3); }
  | expression '/' expression           { $$ = p.Fold('/', $1, $3); }
  ;

pair
  : '(' expression ',' expression ')'   { $$ = p.Pair($2, $4); }
  ;

time
  : expression                          { $$ = $1; }
  | expression PLICA expression         { $$ = p.Time($1, $3); }
  ;

pair_range
  : pair '-' pair                       { $$ = p.Inner(RANGE, {$1, $3}); }
  ;

movement
  : FOWARD                              { $$ = p.Marker(FOWARD); }
  | SIN                                 { $$ = p.Marker(SIN); }
  | SEEK                                { $$ = p.Marker(SEEK); }
  ;
