// Mouse clicks in the menu: change page, store the difficulty, start a match or quit.
// Not built yet: these procedures do nothing until their own work lands.
#include "menu/clicks.h"

void onMouse(int, int, int, int) {}
void startMatch() {}
void quitGame() {}
