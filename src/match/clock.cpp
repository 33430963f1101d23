// The match's clocks: frame delta, frames per second, the after-point timer, and what a live step reads.
#include "match/clock.h"

#include "core/game_state.h"
#include "core/platform.h"
#include "match/keeping.h"

// Every movement is scaled by the step time, capped so that a slow frame never
// moves the game by more than this.
static const float MAX_FRAME_DELTA = 15.0f;

// A live local match notes what its step reads: the tick of the frame, what
// each player holds (keys and pads do not change within an idle step), and
// whether camera mode holds the match still; its replay keeps it. The first
// step begins the replay, with the match as it stands before it.
void beginLiveStep() {
    StepInput& input = game.stepInput;
    input.tick = game.frameTick;
    input.holds[0] = keysAndPadHold(1);
    input.holds[1] = game.p2Human ? keysAndPadHold(2) : 0;  // the computer's bat reads no keys
    input.paused = game.cameraMode;
    input.readings = 0;
    input.readingsUsed = 0;
    game.stepInputGiven = 0;
    if (game.matchStep == 0) keepReplayStart(game.p1name, game.vsComputer ? "computer" : game.p2name);
    game.matchStep++;
    game.replayStepNoted = game.replayOut != nullptr;
}

uint32_t matchTicks() {
    StepInput& input = game.stepInput;
    if (game.stepInputGiven) return input.readingsUsed < input.readings ? input.reading[input.readingsUsed++] : input.tick;
    uint32_t now = platform.getTicks();
    if (input.readings < STEP_READINGS) input.reading[input.readings++] = now;
    return now;
}

void updateFrameDelta() {
    game.frameTick = platform.getTicks();
    // Unsigned difference: a wrap of the tick counter still gives the small true step.
    game.frameDelta = (float)(uint32_t)(game.frameTick - game.frameLastTick);
    if (game.frameDelta > MAX_FRAME_DELTA) game.frameDelta = MAX_FRAME_DELTA;
    game.frameLastTick = game.frameTick;
}

uint32_t beginDrivenFrame(uint32_t* lastTick, uint32_t most) {
    updateFrameDelta();
    countFrames();
    uint32_t elapsed = game.frameTick - *lastTick;
    *lastTick = game.frameTick;
    return elapsed > most ? most : elapsed;
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
    // In fixed steps the wait is counted in steps: 150 of them.
    if (game.stepsFixed) {
        game.pointDelayMs += FIXED_STEP_MS;
        if (game.pointDelayMs >= 1500) {
            game.pointDelayMs = 0;
            game.pointDelayDone = 1;
        }
        return;
    }
    game.pointDelayTick = matchTicks();
    // A new run counts its first call as 1 ms, which also marks the timer as running.
    if (game.pointDelayMs == 0) game.pointDelayLastTick = game.pointDelayTick - 1;
    game.pointDelayMs += game.pointDelayTick - game.pointDelayLastTick;
    if (game.pointDelayMs >= 1500) {
        game.pointDelayMs = 0;
        game.pointDelayDone = 1;
    }
    game.pointDelayLastTick = game.pointDelayTick;
}
