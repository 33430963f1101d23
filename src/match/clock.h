// The idle step, the game's heartbeat, and its three clocks.
#pragma once

void onIdle();
void updateFrameDelta();
void countFrames();
void runPointDelay();
