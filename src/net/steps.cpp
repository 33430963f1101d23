// A network match in fixed steps: both games run it; each answers its own player at once and rolls back for late keys.
//
// The host chooses when a match starts, its playground, its difficulty and the
// seed of the ball's spread; from then on both sides run the same match, step
// by step (10 ms of game time each). Each side takes its own player's holds at
// once and sends them stamped with their steps, every packet repeating what
// the other side has not yet acknowledged. The other side's holds are
// predicted to be the last ones known; when the true ones for an earlier step
// differ, the match goes back to the copy kept before that step and the steps
// since are run again. A side never runs more than NET_WINDOW steps beyond
// what it knows of the other, and one that keeps ahead slows a little. The
// sides compare checksums of the steps both know; should they ever differ,
// the guest takes the host's match.
#include "net/steps.h"

#include <cmath>
#include <cstdio>

#include "core/game_state.h"
#include "core/platform.h"
#include "match/ball.h"
#include "match/bats.h"
#include "match/clock.h"
#include "match/flow.h"
#include "match/keeping.h"
#include "net/link.h"
#include "net/meeting.h"
#include "net/protocol.h"

// Holds go out at most this often (a hundred times a second, once per step).
static const uint32_t SEND_INTERVAL_MS = 10;

// Game time banked while waiting for the other side is kept to ten steps, so a
// side that waited catches up without racing.
static const uint32_t BANK_TENTHS_MAX = 10 * FIXED_STEP_MS * 10;

// A frame longer than this (a stall) counts as this long.
static const uint32_t FRAME_MS_MAX = 100;

// A correction of the ball larger than this (a rally set up a step sooner or
// later) is shown at once rather than faded out.
static const float FADE_LIMIT = 0.3f;

// How long a correction takes to fade to half on screen.
static const float FADE_HALF_MS = 16.0f;

// The host sends its match when checksums differ, at most this often (in steps).
static const uint32_t RESYNC_GAP = 50;

// Player 1 is the host's, player 2 the guest's.
static MatchState& liveMatch() { return game; }

// The match as it stood before step `step`: the live one for the step about to
// run, a kept copy for the NET_RING steps before it.
const MatchState& matchBefore(uint32_t step) {
    if (step == game.matchStep) return liveMatch();
    return game.netSaved[step % NET_RING];
}

// What this side's player holds for the next step. The host's camera mode holds
// the match still for both; a guest in camera mode turns only its own view, and
// its keys then hold nothing.
static u8 ownHolds() {
    if (isHost()) return game.cameraMode ? (u8)HOLD_PAUSE : keysAndPadHold(1);
    if (game.cameraMode) return 0;
    return keysAndPadHold(1) | keysAndPadHold(2);  // either of the guest's key sets, or either pad
}

// The other side's holds for a step: the true ones once known, else the last known.
static u8 otherHolds(uint32_t step) {
    if (step < game.netOtherKnown) return game.netOtherHolds[step % NET_HOLDS_RING];
    if (game.netOtherKnown == 0) return 0;
    return game.netOtherHolds[(game.netOtherKnown - 1) % NET_HOLDS_RING];
}

static void runNetworkStep(uint32_t step) {
    game.netSaved[step % NET_RING] = liveMatch();
    const u8 own = game.netOwnHolds[step % NET_HOLDS_RING];
    const u8 other = otherHolds(step);
    game.netOtherUsed[step % NET_HOLDS_RING] = other;
    const u8 host = isHost() ? own : other;
    const u8 guest = isHost() ? other : own;
    StepInput& input = game.stepInput;
    input.holds[0] = host & (HOLD_UP | HOLD_DOWN | HOLD_PASS);
    input.holds[1] = guest & (HOLD_UP | HOLD_DOWN | HOLD_PASS);
    input.paused = (host & HOLD_PAUSE) != 0;
    input.readings = 0;
    input.tick = 0;
    game.frameDelta = FIXED_STEP_MS;
    runGivenStep();
}

// The other side's bat, as this side sees it.
static f32& otherBat() { return isHost() ? game.p2BatY : game.p1BatY; }

// Goes back to the earliest step run with a wrong prediction and runs the steps
// since again. What the picture jumps by is faded out over a few frames.
static void rollBack() {
    uint32_t from = game.netRollFrom;
    game.netRollFrom = NET_NO_STEP;
    const uint32_t to = game.matchStep;
    if (from >= to) return;
    if (to - from > NET_RING) from = to - NET_RING;  // never: the window keeps it nearer
    const float ballX = game.ballX, ballY = game.ballY, bat = otherBat();
    liveMatch() = game.netSaved[from % NET_RING];
    for (uint32_t step = from; step < to; step++) runNetworkStep(step);

    game.netRollbacks++;
    if (to - from > game.netDeepestRoll) game.netDeepestRoll = to - from;
    const float ballJump = hypotf(game.ballX - ballX, game.ballY - ballY);
    const float batJump = fabsf(otherBat() - bat);
    if (ballJump > 1e-6f || batJump > 1e-6f) {
        game.netCorrections++;
        game.netBallJumpSum += ballJump;
        game.netBatJumpSum += batJump;
        if (ballJump > game.netBallJumpMax) game.netBallJumpMax = ballJump;
        if (batJump > game.netBatJumpMax) game.netBatJumpMax = batJump;
    }
    if (ballJump < FADE_LIMIT) {
        game.netShownBallX += ballX - game.ballX;
        game.netShownBallY += ballY - game.ballY;
    } else {
        game.netShownBallX = game.netShownBallY = 0;
    }
    game.netShownBatY += bat - otherBat();
}

// Checksums of the steps both sides now know, each taken as it becomes known.
// Settling stops at the first step after which the match is over, so that both
// sides end it, and keep it, on the same step.
static void settleKnownSteps() {
    uint32_t known = game.matchStep < game.netOtherKnown ? game.matchStep : game.netOtherKnown;
    while (game.netConfirmed < known && !matchBefore(game.netConfirmed).matchOver) {
        const uint32_t step = game.netConfirmed++;
        game.netSums[game.netConfirmed % NET_HOLDS_RING] = matchChecksum(matchBefore(game.netConfirmed));
        // The replay keeps each step as both sides know it.
        const u8 own = game.netOwnHolds[step % NET_HOLDS_RING], other = game.netOtherHolds[step % NET_HOLDS_RING];
        keepFixedStep(isHost() ? own : other, isHost() ? other : own);
    }
}

static void fadeCorrections(uint32_t elapsed) {
    const float keep = powf(0.5f, (float)elapsed / FADE_HALF_MS);
    game.netShownBallX *= keep;
    game.netShownBallY *= keep;
    game.netShownBatY *= keep;
}

static void printStats() {
    if (!game.netStatsWanted) return;
    const double seconds = (platform.getTicks() - game.netStartTick) / 1000.0;
    const double minutes = seconds > 0 ? seconds / 60 : 1;
    const unsigned n = game.netCorrections ? game.netCorrections : 1;
    fprintf(stderr,
            "Network stats: %u steps in %.1f s; %u roll-backs, deepest %u steps; %u corrections (%.1f a minute), "
            "ball jump mean %.4f max %.4f, other bat jump mean %.4f max %.4f; %u waits; %u bytes out (%.0f/s), "
            "%u in (%.0f/s); %u taken from the host%s%s\n",
            (unsigned)game.matchStep, seconds, (unsigned)game.netRollbacks, (unsigned)game.netDeepestRoll,
            (unsigned)game.netCorrections, game.netCorrections / minutes, game.netBallJumpSum / n, game.netBallJumpMax,
            game.netBatJumpSum / n, game.netBatJumpMax, (unsigned)game.netWaits, (unsigned)game.netBytesOut,
            seconds > 0 ? game.netBytesOut / seconds : 0.0, (unsigned)game.netBytesIn,
            seconds > 0 ? game.netBytesIn / seconds : 0.0, (unsigned)game.netResyncs,
            game.meetPath != 0xFF ? "; met " : "", game.meetPath != 0xFF ? pathWords(game.meetPath) : "");
}

static void sendLastHolds();

// Leaves the network match: told to the other side when this side ends it,
// after every hold this side ran, so that the other side settles the same
// steps first. A side told of the end settles what it now knows before it
// leaves. A guest then waits for the host's next match, unless it is leaving.
void endNetworkMatch(bool tell, bool guestWaits) {
    if (!game.netMatch) return;
    printStats();
    if (tell) {
        sendLastHolds();
        uint8_t packet[NET_PACKET_MAX];
        send(NET_RELIABLE, packet, writeMatchEnd(packet), true);
    } else {
        rollBack();
        settleKnownSteps();
    }
    finishKeptReplay(matchBefore(game.netConfirmed));  // the match as both sides know it
    game.netMatch = 0;
    game.netShownBallX = game.netShownBallY = game.netShownBatY = 0;
    if (isGuest()) game.difficulty = game.netOwnDifficulty;
    if (game.matchActive) endMatch();  // the host's menu comes back on its own
    if (isGuest() && guestWaits) showWaitingScreen();  // a guest has no menu
}

void leaveNetworkMatch() { endNetworkMatch(true); }

// One frame of a network match: the steps that game time calls for, after
// going back for any late keys; then the sounds, this side's camera, and the end
// once both sides know the match is over.
void networkFrame() {
    const uint32_t elapsed = beginDrivenFrame(&game.netLastFrameTick, FRAME_MS_MAX);
    const float frameDelta = game.frameDelta;
    // Ahead of the other side by a step or more (half the difference of what
    // each sees of the other): this side runs at nine tenths of the pace.
    const int32_t lead = (int32_t)(game.matchStep - game.netOtherStep) - game.netOtherAhead;
    game.netClockTenths += elapsed * (lead >= 2 ? 9 : 10);

    rollBack();
    settleKnownSteps();
    while (game.netClockTenths >= FIXED_STEP_MS * 10 && !game.matchOver) {
        if (game.matchStep >= game.netOtherKnown + NET_WINDOW) {
            game.netWaits++;  // too far beyond what the other side has told: wait for it
            break;
        }
        game.netOwnHolds[game.matchStep % NET_HOLDS_RING] = ownHolds();
        runNetworkStep(game.matchStep);
        game.netClockTenths -= FIXED_STEP_MS * 10;
        settleKnownSteps();
    }
    if (game.netClockTenths > BANK_TENTHS_MAX) game.netClockTenths = BANK_TENTHS_MAX;
    game.frameDelta = frameDelta;

    playCountedSounds(game.netSoundsPlayed);
    fadeCorrections(elapsed);
    if (game.cameraMode) moveCamera();
    if (matchBefore(game.netConfirmed).matchOver) endNetworkMatch(true);
    platform.postRedisplay();
}

// Both sides set up the same match: fixed steps, the host's seed, the ground's
// animation from its first frame, and nothing known yet of the other side.
void beginStepping(const NetMatchStart& start) {
    game.stepsFixed = 1;
    game.animFrame = 0;
    game.animClockMs = 0;
    game.pointDelayTick = game.pointDelayLastTick = 0;
    seedSpread(start.seed);
    game.netMatch = 1;
    game.netMatchNumber = start.number;
    game.netOtherKnown = game.netOtherHas = game.netOtherStep = 0;
    game.netOtherAhead = 0;
    game.netRollFrom = NET_NO_STEP;
    game.netClockTenths = 0;
    game.netLastFrameTick = platform.getTicks();
    game.netConfirmed = 0;
    game.netResyncStep = 0;
    for (u8& played : game.netSoundsPlayed) played = 0;
    game.netShownBallX = game.netShownBallY = game.netShownBatY = 0;
    game.netCorrections = game.netRollbacks = game.netDeepestRoll = game.netWaits = 0;
    game.netBallJumpMax = game.netBallJumpSum = game.netBatJumpMax = game.netBatJumpSum = 0;
    game.netBytesOut = game.netBytesIn = 0;
    game.netStartTick = platform.getTicks();
    keepReplayStart(matchName(1), matchName(2));
}

// The first step the other side may not have of this side's holds.
static uint32_t firstUnsentStep() {
    uint32_t from = game.netOtherHas < game.matchStep ? game.netOtherHas : game.matchStep;
    if (game.matchStep - from > NET_HOLDS_RING - NET_RING) from = game.matchStep - (NET_HOLDS_RING - NET_RING);
    return from;
}

// This side's holds from step `from` on, as runs of equal holds (as many as a
// packet carries), with what this side has of the other's and its newest
// checksum, sent on `channel`. Gives the step after the last one carried.
static uint32_t sendHoldsFrom(uint32_t from, int channel, bool reliable) {
    NetHolds out = {};
    out.match = game.netMatchNumber;
    out.step = game.matchStep;
    out.known = game.netOtherKnown;
    out.from = from;
    int32_t ahead = (int32_t)(game.matchStep - game.netOtherStep);
    out.ahead = (int8_t)(ahead > 127 ? 127 : ahead < -128 ? -128 : ahead);
    out.sumStep = game.netConfirmed;
    out.sum = game.netSums[game.netConfirmed % NET_HOLDS_RING];
    uint32_t step = from;
    for (; step < game.matchStep; step++) {
        const u8 held = game.netOwnHolds[step % NET_HOLDS_RING];
        if (!addHoldToRuns(out.runs, out.runLength, out.runHolds, held)) break;
    }
    uint8_t packet[NET_PACKET_MAX];
    send(channel, packet, writeHolds(packet, out), reliable);
    return step;
}

// The holds this side has run and the other side does not yet have; every
// packet repeats what is not yet acknowledged, so a lost one costs nothing.
void sendHolds() {
    uint32_t now = platform.getTicks();
    if (now - game.netLastSendTick < SEND_INTERVAL_MS) return;
    game.netLastSendTick = now;
    sendHoldsFrom(firstUnsentStep(), NET_HOLDS_CHANNEL, false);
}

// Every hold this side ran that the other side may lack, on the channel that
// loses nothing: sent as this side leaves the match, ahead of its end.
static void sendLastHolds() {
    for (uint32_t from = firstUnsentStep(); from < game.matchStep;) from = sendHoldsFrom(from, NET_RELIABLE, true);
}

// The host's settled match, sent when the guest's checksum differs from its own.
static void sendMatch() {
    if (game.netResyncStep && game.netConfirmed - game.netResyncStep < RESYNC_GAP) return;
    game.netResyncStep = game.netConfirmed;
    uint8_t packet[NET_PACKET_MAX];
    send(NET_RELIABLE, packet, writeMatchState(packet, game.netConfirmed, matchBefore(game.netConfirmed)), true);
}

void holdsArrive(const NetHolds& in) {
    if (in.match != game.netMatchNumber) return;  // late word of an earlier match
    if (in.step > game.netOtherStep) {
        game.netOtherStep = in.step;
        game.netOtherAhead = in.ahead;
    }
    if (in.known > game.netOtherHas) game.netOtherHas = in.known < game.matchStep ? in.known : game.matchStep;
    // Holds are taken in order from the first step not yet known; a step run
    // with another prediction is run again.
    const uint32_t room = game.matchStep + (NET_HOLDS_RING - NET_RING);
    uint32_t step = in.from;
    for (int run = 0; run < in.runs; run++) {
        for (int i = 0; i < in.runLength[run]; i++, step++) {
            if (step != game.netOtherKnown || step >= room) continue;
            game.netOtherHolds[step % NET_HOLDS_RING] = in.runHolds[run];
            if (step < game.matchStep && game.netOtherUsed[step % NET_HOLDS_RING] != in.runHolds[run] &&
                step < game.netRollFrom)
                game.netRollFrom = step;
            game.netOtherKnown++;
        }
    }
    // The host compares the guest's checksum with its own for the same step.
    if (isHost() && in.sumStep > 0 && in.sumStep <= game.netConfirmed &&
        game.netConfirmed - in.sumStep < NET_HOLDS_RING - NET_WINDOW &&
        game.netSums[in.sumStep % NET_HOLDS_RING] != in.sum)
        sendMatch();
}

// The guest takes the host's match as it stood after `step` steps and runs its
// own steps since again on top of it.
void takeHostMatch(uint32_t step, const MatchState& match) {
    if (step > game.matchStep || game.matchStep - step >= NET_RING) return;  // a later one will come
    const uint32_t to = game.matchStep;
    fprintf(stderr, "Network: the match went out of step with the host's at step %u; took the host's\n",
            (unsigned)step);
    game.netResyncs++;
    liveMatch() = match;
    for (uint32_t s = step; s < to; s++) runNetworkStep(s);
    game.netRollFrom = NET_NO_STEP;
    if (game.netConfirmed > step) game.netConfirmed = step;
    settleKnownSteps();
}
