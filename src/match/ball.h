// The ball: bat hits, side boards, the heading and the step's velocity.
#pragma once

void stepBall();
void advanceBall();
// The playground's bat and board sounds, each only when effects are on and its channel is silent.
void playBatSound();
void playBoardSound();
