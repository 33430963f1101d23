// The ball: bat hits, side boards, the heading and the step's velocity.
#pragma once

void stepBall();
void advanceBall();
