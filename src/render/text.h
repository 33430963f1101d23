// Text drawing with the glyph lists, and the score line of the match panel.
#pragma once

void drawText(float x, float y, const char* text);
// Settles the games, then draws the score line, the game marks and "GAME OVER".
void drawScore();
// The settling alone: a side with 5 points wins a game and both point counts go
// back to 0. Only drawScore calls it in the game; tests of play call it directly.
void settleGames();
