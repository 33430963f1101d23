// Mouse clicks in the menu: change page, store the difficulty, start a match or quit.
#pragma once

#include "match/flow.h"  // startMatch

void onMouse(int button, int state, int x, int y);
void quitGame();
