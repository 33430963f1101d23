// The match's clocks: frame delta, frames per second, the after-point timer, and what a live step reads.
#pragma once

#include <cstdint>

void updateFrameDelta();
void countFrames();
void runPointDelay();
// A frame of a match its driver steps (a network match, a watched or a replayed
// one): the frame delta and the frame count, then the milliseconds since
// *lastTick (moved on to this frame's tick), at most `most` after a stall.
uint32_t beginDrivenFrame(uint32_t* lastTick, uint32_t most);
// A live local match's step: what it reads is noted before it runs.
void beginLiveStep();
// The tick clock as a match step reads it: live, the platform's clock (each
// reading noted); in a given step, the readings the step was given.
uint32_t matchTicks();
