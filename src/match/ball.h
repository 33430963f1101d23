// The ball: bat hits, side boards, the heading and the step's velocity.
#pragma once

#include <cstdint>

void stepBall();
void advanceBall();
// The playground's bat and board sounds, each only when effects are on and its channel is silent.
void playBatSound();
void playBoardSound();
// The ball's spread: seeded afresh (as srand would be), and the next draw (as rand would give it).
void seedSpread(uint32_t seed);
int drawSpread();
