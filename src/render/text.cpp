// Text drawing with the glyph lists, and the score line of the match panel.
// Drawing is not built yet: drawText and drawScore only settle the games for now.
#include "render/text.h"

#include "app/game_state.h"

void settleGames() {
    if (game.p1Points == 5) {
        game.p1Points = 0;
        game.p2Points = 0;
        game.p1Games += 1;
    }
    if (game.p2Points == 5) {
        game.p2Points = 0;
        game.p1Points = 0;
        game.p2Games += 1;
    }
}

void drawText(float, float, const char*) {}

void drawScore() { settleGames(); }
