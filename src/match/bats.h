// The bats, the serve, the computer opponent and the camera keys.
#pragma once

void moveBatsAndCamera();
void moveComputerBat();
