// The single game state instance, initialised with its load values.
#include "app/game_state.h"

GameState game;
