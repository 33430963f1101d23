// Pointer motion and the arrow keys over the menu: the item under the glow and what choosing it would do.
#pragma once

void onPassiveMotion(int x, int y);
// After the keyboard has changed the menu page, nothing is under the pointer
// until it moves again: a click in between keeps the page as it is.
void forgetHoverTarget();
// A move of the glow by the arrow keys or a pad: across -1 left, 1 right;
// down -1 up, 1 down.
void moveMenuGlow(int across, int down);
bool pageHasItems(int page);
