// The match's clocks: frame delta, frames per second, the after-point timer, and what a live step reads.
#pragma once

#include <cstdint>

void updateFrameDelta();
void countFrames();
void runPointDelay();
// A live local match's step: what it reads is noted before it runs.
void beginLiveStep();
// The tick clock as a match step reads it: live, the platform's clock (each
// reading noted); in a given step, the readings the step was given.
uint32_t matchTicks();
