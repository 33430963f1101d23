// Text drawing with the glyph lists, and the score line of the match panel.
#pragma once

void drawText(float x, float y, const char* text);
// The same, each glyph `scale` times as large and as far apart.
void drawLargeText(float x, float y, const char* text, float scale);
// Settles the games, then draws the score line, the game marks and "GAME OVER".
void drawScore();
// (the settling alone, settleGames, belongs to the match: match/flow.h)
#include "match/flow.h"
