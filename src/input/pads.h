// Gamepads: each player's pad holds up, down and pass as that player's keys would, and its presses work the menu.
#pragma once

// Opens the pads present at start-up (the first for player 1, the second for
// player 2) and names each on standard output; with none, nothing happens.
void initPads();
// Reads the pads once per idle step: what each holds during a match.
void pollPads();
// Lets go of everything the pads hold (the end of a match).
void releasePads();
// Once per idle step, for the menu: false with no pads (nothing is read then).
bool updatePadsForMenu();
// What pad `index` began to hold since the last step, as PAD_MENU_* presses:
// either stick or hat four ways, button 0 (choose) and button 1 (back). None
// during a match. False when the pad is not there.
bool padMenuPresses(int index, bool* pressed);
