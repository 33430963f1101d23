// Pointer motion over the menu: what lies under the pointer and what a click would do.
#pragma once

void onPassiveMotion(int x, int y);
// After the keyboard has changed the menu page, nothing is under the pointer
// until it moves again: a click in between keeps the page as it is.
void forgetHoverTarget();
