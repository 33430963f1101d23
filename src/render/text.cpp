// Text drawing with the glyph lists, and the score line of the match panel.
// Not built yet: these procedures do nothing until their own work lands.
#include "render/text.h"

void drawText(float, float, const char*) {}
void drawScore() {}
