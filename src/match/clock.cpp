// The idle step and its clocks: frame delta, frames per second and the after-point timer.
#include "match/clock.h"

#include "app/game_state.h"
#include "app/platform.h"
#include "input/pads.h"
#include "match/bats.h"
#include "match/flow.h"
#include "net/session.h"

// Every movement is scaled by the step time, capped so that a slow frame never
// moves the game by more than this.
static const float MAX_FRAME_DELTA = 15.0f;

void onIdle() {
    pollPads();
    receiveNetwork();
    updateFrameDelta();
    countFrames();
    game.animClockMs += game.frameDelta;
    if (game.introActive) stepIntro();
    // A guest's match is played by its host: the guest only draws what it is sent.
    if (!game.cameraMode && game.matchActive && game.netRole != NET_ROLE_GUEST) stepMatch();
    moveBatsAndCamera();
    sendNetwork();
    platform.postRedisplay();
}

void updateFrameDelta() {
    game.frameTick = platform.getTicks();
    // Unsigned difference: a wrap of the tick counter still gives the small true step.
    game.frameDelta = (float)(uint32_t)(game.frameTick - game.frameLastTick);
    if (game.frameDelta > MAX_FRAME_DELTA) game.frameDelta = MAX_FRAME_DELTA;
    game.frameLastTick = game.frameTick;
}

void countFrames() {
    game.fpsTick = platform.getTicks();
    game.fpsAccMs += game.fpsTick - game.fpsLastTick;
    game.fpsFrames += 1;
    if (game.fpsAccMs >= 1000) {
        game.fpsAccMs = 0;  // the excess over a second is dropped
        game.fps = game.fpsFrames;
        game.fpsFrames = 0;
    }
    game.fpsLastTick = game.fpsTick;
}

void runPointDelay() {
    game.pointDelayTick = platform.getTicks();
    // A new run counts its first call as 1 ms, which also marks the timer as running.
    if (game.pointDelayMs == 0) game.pointDelayLastTick = game.pointDelayTick - 1;
    game.pointDelayMs += game.pointDelayTick - game.pointDelayLastTick;
    if (game.pointDelayMs >= 1500) {
        game.pointDelayMs = 0;
        game.pointDelayDone = 1;
    }
    game.pointDelayLastTick = game.pointDelayTick;
}
