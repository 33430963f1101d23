// Gamepads: each player's pad holds up, down and pass as that player's keys would, and works the menu.
#pragma once

// Opens the pads present at start-up (the first for player 1, the second for
// player 2) and names each on standard output; with none, nothing happens.
void initPads();
// Reads the pads once per idle step: what each holds during a match.
void pollPads();
// Lets go of everything the pads hold (the end of a match).
void releasePads();
// Once per idle step outside a match: either pad's stick or hat moves the
// menu's glow, button 0 chooses as Enter does, button 1 is Escape (on the menu,
// the intro and a guest's waiting screen).
void workMenuByPads();
