// The single game state instance, initialised with its load values.
#include "core/game_state.h"

GameState game;
