// Text drawing with the glyph lists, and the score line of the match panel.
#pragma once

void drawText(float x, float y, const char* text);
void drawScore();
