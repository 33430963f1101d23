// Choosing in the menu, by a click or by Enter, and Escape's way back.
#pragma once

#include "match/flow.h"  // startMatch

void onMouse(int button, int state, int x, int y);
// What a click on the item under the glow does.
void chooseMenuTarget();
// Enter, or a pad's button 0: a name page's name finished, the typed host
// joined, or the glowing item chosen as a click would choose it.
void chooseByKey();
// Escape on a menu page.
void menuEscape();
// The menu's own work each idle step: looking for hosts, a guest arriving.
void stepMenu();
void quitGame();
