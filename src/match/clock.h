// The idle step, the game's heartbeat, and its three clocks.
#pragma once

#include <cstdint>

void onIdle();
void updateFrameDelta();
void countFrames();
void runPointDelay();
// A live local match's step: what it reads is noted before it runs.
void beginLiveStep();
// The tick clock as a match step reads it: live, the platform's clock (each
// reading noted); in a given step, the readings the step was given.
uint32_t matchTicks();
