// The settings record the game's entry point defines; the gameplay code reads it.
#include "game/GameSettings.h"

GameSettings gameSettings;
