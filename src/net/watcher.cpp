// A game watching a host's match: sent the match as both players settled it and both players' settled holds, it
// runs the steps a little behind what it knows, so it never predicts and never rolls back, and changes nothing.
#include "net/watcher.h"

#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"
#include "match/bats.h"
#include "match/clock.h"
#include "match/flow.h"
#include "match/keeping.h"
#include "net/link.h"
#include "net/protocol.h"
#include "net/session.h"

// The steps are run this far behind the newest holds known, so that the next
// ones are here when their time comes; a watcher half a second further behind
// (it stalled) runs the steps at once up to there, and one a little behind runs
// a tenth faster. One two seconds behind the players the host brings forward.
static const uint32_t WATCH_BEHIND_STEPS = 10;
static const uint32_t WATCH_LAG_STEPS = 50;
// Game time banked is kept to a few steps; a frame longer than this counts as this long.
static const uint32_t BANK_TENTHS_MAX = 5 * FIXED_STEP_MS * 10;
static const uint32_t FRAME_MS_MAX = 100;
// The host is told how far the watcher has the holds this often.
static const uint32_t KNOWN_SEND_MS = 100;

// The match as both players had settled it at `step`: shown from there, and kept anew from there.
static void watchFrom(uint32_t step, const MatchState& match) {
    if (!game.watchingMatch) {
        game.playground = game.watchPlayground;
        game.vsComputer = 0;
        game.p2Human = 1;
        game.guestWaiting = 0;
        game.menuActive = 0;
        game.netOwnDifficulty = game.difficulty;
        game.difficulty = game.watchDifficulty;
        startMatch();
        game.watchingMatch = 1;
    } else {
        dropKeptReplay();  // brought forward: the match kept so far has a gap
    }
    static_cast<MatchState&>(game) = match;
    game.watchKnown = step;
    game.watchEnding = 0;
    game.watchClockTenths = 0;
    game.watchLastFrameTick = platform.getTicks();
    for (int kind = 0; kind < MATCH_SOUNDS; kind++) game.watchSoundsPlayed[kind] = game.matchSounds[kind];
    keepReplayStart(game.watchNames[0], game.watchNames[1]);
}

static void holdsHeard(const NetWatchHolds& in) {
    if (!game.watchingMatch || in.match != game.watchNumber) return;
    uint32_t step = in.from;
    for (int run = 0; run < in.runs; run++) {
        for (int i = 0; i < in.runLength[run]; i++, step++) {
            // In order from the first step not yet known, and no further than the ring keeps.
            if (step != game.watchKnown || step >= game.matchStep + NET_HOLDS_RING) continue;
            game.watchHolds[step % NET_HOLDS_RING] = in.runHolds[run];
            game.watchKnown++;
        }
    }
}

static void endWatchedMatch() {
    if (!game.watchingMatch) return;
    endMatch();
    game.watchingMatch = 0;
    game.watchStartHeard = 0;
    game.difficulty = game.netOwnDifficulty;
    showWaitingScreen();
}

void watcherLosesHost() {
    fprintf(stderr, "Network: host lost\n");
    game.netPeer = nullptr;
    game.netConnected = 0;
    endWatchedMatch();
    connectToHost();
}

void watcherHears(const NetEvent& event) {
    switch (event.type) {
    case NET_EVENT_CONNECT:
        if (event.peer != game.netPeer) break;
        game.netConnected = 1;
        game.netEverConnected = 1;
        break;
    case NET_EVENT_DISCONNECT:
        if (event.peer == game.netPeer && !connectionRefusedOrUnmade(event)) watcherLosesHost();
        break;
    case NET_EVENT_RECEIVE: {
        if (event.peer != game.netPeer || !game.netConnected) break;
        game.netBytesIn += (u32)event.length;
        NetWatchHolds holds;
        NetWatchStart start;
        uint32_t step;
        MatchState match;
        if (readWatchHolds(event.bytes, event.length, &holds)) {
            holdsHeard(holds);
        } else if (readWatchStart(event.bytes, event.length, &start)) {
            if (game.watchingMatch) break;  // one match at a time: a start comes after the last one's end
            std::strcpy(game.watchNames[0], start.names[0]);
            std::strcpy(game.watchNames[1], start.names[1]);
            game.watchNumber = start.number;
            game.watchPlayground = (u8)start.playground;
            game.watchDifficulty = start.difficulty;
            game.watchStartHeard = 1;
        } else if (readMatchState(event.bytes, event.length, &step, &match)) {
            // The match to watch, or brought forward in it; never one behind what is shown.
            if (game.watchStartHeard && match.stepsFixed && (!game.watchingMatch || step > game.matchStep))
                watchFrom(step, match);
        } else if (readMatchEnd(event.bytes, event.length)) {
            game.watchEnding = game.watchingMatch;
        }
        break;  // anything else is dropped unread
    }
    default: break;
    }
}

static void runWatchedStep() {
    const u8 held = game.watchHolds[game.matchStep % NET_HOLDS_RING];
    StepInput& input = game.stepInput;
    input.holds[0] = held & (HOLD_UP | HOLD_DOWN | HOLD_PASS);
    input.holds[1] = (held >> 4) & (HOLD_UP | HOLD_DOWN | HOLD_PASS);
    input.paused = (held & HOLD_PAUSE) != 0;
    input.readings = 0;
    input.tick = 0;
    game.frameDelta = FIXED_STEP_MS;
    runGivenStep();
    keepFixedStep(held & HOLD_BITS, (held >> 4) & 7);
}

void watchFrame() {
    const uint32_t elapsed = beginDrivenFrame(&game.watchLastFrameTick, FRAME_MS_MAX);
    const float frameDelta = game.frameDelta;
    // Once the host has ended the match, every step it settled is run.
    const uint32_t behind = game.watchEnding ? 0 : WATCH_BEHIND_STEPS;
    const uint32_t target = game.watchKnown > behind ? game.watchKnown - behind : 0;
    const uint32_t lag = target > game.matchStep ? target - game.matchStep : 0;
    if (lag > WATCH_LAG_STEPS) {
        while (game.matchStep < target && !game.matchOver) runWatchedStep();
        game.watchClockTenths = 0;
    }
    game.watchClockTenths += elapsed * (lag > 3 * WATCH_BEHIND_STEPS ? 11 : 10);
    while (game.watchClockTenths >= FIXED_STEP_MS * 10 && game.matchStep < target && !game.matchOver) {
        runWatchedStep();
        game.watchClockTenths -= FIXED_STEP_MS * 10;
    }
    if (game.watchClockTenths > BANK_TENTHS_MAX) game.watchClockTenths = BANK_TENTHS_MAX;
    game.frameDelta = frameDelta;
    playCountedSounds(game.watchSoundsPlayed);
    if (game.cameraMode) moveCamera();
    // The host told how far the holds have come, never what anyone holds.
    if (game.frameTick - game.watchKnownSentTick >= KNOWN_SEND_MS) {
        game.watchKnownSentTick = game.frameTick;
        uint8_t packet[NET_PACKET_MAX];
        send(NET_HOLDS_CHANNEL, packet, writeWatchKnown(packet, game.watchNumber, game.watchKnown), false);
    }
    if (game.matchOver || (game.watchEnding && game.matchStep >= game.watchKnown)) endWatchedMatch();
    platform.postRedisplay();
}
