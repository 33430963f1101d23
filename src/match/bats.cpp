// The bats, the serve, the computer opponent and the camera keys.
// Not built yet: these procedures do nothing until their own work lands.
#include "match/bats.h"

void moveBatsAndCamera() {}
void moveComputerBat() {}
