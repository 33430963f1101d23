// Gamepads: each player's pad holds up, down and pass as that player's keys would.
#pragma once

// Opens the pads present at start-up (the first for player 1, the second for
// player 2) and names each on standard output; with none, nothing happens.
void initPads();
// Reads the pads once per idle step: what each holds during a match.
void pollPads();
// Lets go of everything the pads hold (the end of a match).
void releasePads();
