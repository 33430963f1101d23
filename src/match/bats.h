// The bats, the serve, the computer opponent and the camera keys.
#pragma once

void moveBatsAndCamera();
void moveComputerBat();
// Its two halves: the bats and the serve from what the players hold, and the camera from its fixed keys.
void moveBats();
void moveCamera();
