// The ball: bat hits, side boards, the heading and the step's velocity.
// Not built yet: these procedures do nothing until their own work lands.
#include "match/ball.h"

void stepBall() {}
void advanceBall() {}
