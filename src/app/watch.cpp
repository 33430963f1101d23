// Watching a kept match: --replay FILE, and the main menu's "watch last match".
//
// Watching reads the file whole, checks it, and runs its match from the start
// it holds through the same step a network match uses, each step given what it
// read when it was played, at the pace it was played. The watcher's own
// difficulty and camera are kept aside and come back when it ends.
#include "app/watch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "core/game_state.h"
#include "core/platform.h"
#include "match/bats.h"
#include "match/clock.h"
#include "match/flow.h"
#include "match/keeping.h"
#include "match/replay_file.h"
#include "menu/clicks.h"

// A frame longer than this (a stall) moves a replay on by this much.
static const uint32_t WATCH_FRAME_MS_MAX = 100;
// A replay runs at most this many steps in one frame, however far behind it is.
static const int WATCH_STEPS_MAX = 100;

void findLastReplay() {
    char last[PATH_MAX + 64];
    game.lastReplayThere = game.replayFolder[0] && keptPath(last, sizeof last, LAST_REPLAY_NAME, "") && access(last, R_OK) == 0;
}

bool watchLastMatch() {
    if (!game.lastReplayThere) return false;
    const int n = snprintf(game.replayPath, sizeof game.replayPath, "%s/%s", game.replayFolder, LAST_REPLAY_NAME);
    // A file gone or spoilt since it was kept: the item goes dim, and the line says why.
    if (n < 0 || (size_t)n >= sizeof game.replayPath || !loadReplay()) {
        game.lastReplayThere = 0;
        return false;
    }
    startReplay();
    return true;
}

bool loadReplay() {
    free(game.replayData);
    game.replayData = nullptr;
    FILE* file = fopen(game.replayPath, "rb");
    if (!file) {
        fprintf(stderr, "Replay: cannot read %s: %s\n", game.replayPath, strerror(errno));
        return false;
    }
    long size = fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
    if (size < 0 || size > REPLAY_FILE_MAX || fseek(file, 0, SEEK_SET) != 0) {
        fclose(file);
        fprintf(stderr, "Replay: %s is not a replay of this game\n", game.replayPath);
        return false;
    }
    uint8_t* data = (uint8_t*)malloc(size > 0 ? (size_t)size : 1);
    bool read = data && fread(data, 1, (size_t)size, file) == (size_t)size;
    fclose(file);
    const char* why = "cannot be read";
    if (!read || !readReplay(data, (size_t)size, &game.replayHeader, &why)) {
        fprintf(stderr, "Replay: %s %s\n", game.replayPath, why);
        free(data);
        return false;
    }
    game.replayData = data;
    game.replaySize = (size_t)size;
    return true;
}

// The replay's match set up as it began: its playground, players and difficulty,
// then the whole match as the file holds it.
static void setUpReplayMatch() {
    const ReplayHeader& header = game.replayHeader;
    game.replayOwnDifficulty = game.difficulty;
    game.replayOwnCamera[0] = game.camAngleX;
    game.replayOwnCamera[1] = game.camAngleY;
    game.replayOwnCamera[2] = game.camAngleZ;
    game.replayOwnCamera[3] = game.camZoom;
    game.playground = header.playground;
    game.vsComputer = header.vsComputer;
    game.p2Human = header.p2Human;
    game.difficulty = header.difficulty;
    game.replayActive = 1;
    game.replayCursor = replayCursor(header, game.replaySize);
    game.replayPending = 0;
}

static void beginWatching() {
    static_cast<MatchState&>(game) = game.replayHeader.start;
    for (int kind = 0; kind < MATCH_SOUNDS; kind++) game.replaySoundsPlayed[kind] = game.matchSounds[kind];
    game.replayClockMs = game.replayDueMs = 0;
    game.replayLastTick = platform.getTicks();
}

void startReplay() {
    if (!game.replayData) return;
    setUpReplayMatch();
    game.introActive = 0;
    game.menuActive = 0;
    game.guestWaiting = 0;
    startMatch();
    beginWatching();
}

void leaveWatchedMatch() {
    endMatch();
    stopReplay();
    showMainMenu();
}

void stopReplay() {
    if (!game.replayActive) return;
    game.replayActive = 0;
    game.difficulty = game.replayOwnDifficulty;
    game.camAngleX = game.replayOwnCamera[0];
    game.camAngleY = game.replayOwnCamera[1];
    game.camAngleZ = game.replayOwnCamera[2];
    game.camZoom = game.replayOwnCamera[3];
}

// The next step of the replay, run. False when there is none.
static bool runReplayStep() {
    if (!game.replayPending &&
        !nextReplayStep(game.replayData, &game.replayCursor, &game.stepInput, &game.replayPendingMs))
        return false;
    game.replayPending = 0;
    game.frameDelta = game.stepsFixed ? (float)FIXED_STEP_MS
                                      : (float)(game.replayPendingMs < 15 ? game.replayPendingMs : 15u);
    runGivenStep();
    return true;
}

void replayIdle() {
    const uint32_t elapsed = beginDrivenFrame(&game.replayLastTick, WATCH_FRAME_MS_MAX);
    const float frameDelta = game.frameDelta;
    if (!game.cameraMode) game.replayClockMs += elapsed;
    for (int ran = 0; ran < WATCH_STEPS_MAX && game.matchActive; ran++) {
        // Each step comes when the replay's clock reaches the time it was played at.
        if (!game.replayPending) {
            if (!nextReplayStep(game.replayData, &game.replayCursor, &game.stepInput, &game.replayPendingMs)) {
                endMatch();  // its last step was played (a match left before its end)
                break;
            }
            game.replayPending = 1;
        }
        if (game.replayDueMs + game.replayPendingMs > game.replayClockMs) break;
        game.replayDueMs += game.replayPendingMs;
        runReplayStep();
        if (game.matchOver) endMatch();
    }
    game.frameDelta = frameDelta;
    // Ended by its last step, its "GAME OVER" or a local match's own end.
    if (!game.matchActive) {
        stopReplay();
        showMainMenu();
    }
    if (game.matchActive && game.stepsFixed) playCountedSounds(game.replaySoundsPlayed);
    if (game.matchActive && game.cameraMode) moveCamera();
    platform.postRedisplay();
}

unsigned playReplayThrough() {
    setUpReplayMatch();
    resetMatch();
    game.matchActive = 1;
    game.menuActive = 0;
    beginWatching();
    unsigned steps = 0;
    while (game.matchActive && runReplayStep()) steps++;
    stopReplay();
    return steps;
}
