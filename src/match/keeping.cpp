// Every match kept as it is played, and a kept match watched again.
//
// A match is kept step by step in a file begun before its first step, through
// a buffer of the record (so a step allocates nothing), ended and put in place
// when the match ends. Watching reads the file whole, checks it, and runs its
// match from the start it holds through the same step a network match uses,
// each step given what it read when it was played.
#include "match/replay.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/game_state.h"
#include "core/paths.h"
#include "core/platform.h"
#include "match/bats.h"
#include "match/clock.h"
#include "match/flow.h"
#include "match/replay_file.h"

// How many replays are kept besides last.replay.
static const int KEPT_REPLAYS = 10;
static const char LAST_REPLAY[] = "last.replay";
// A frame longer than this (a stall) moves a replay on by this much.
static const uint32_t WATCH_FRAME_MS_MAX = 100;
// A replay runs at most this many steps in one frame, however far behind it is.
static const int WATCH_STEPS_MAX = 100;

// ---- Keeping -------------------------------------------------------------------------

static void notKept(const char* why) { fprintf(stderr, "Replay: this match was not kept: %s\n", why); }

// A path in the replay folder; false where it would not fit (the folder is checked against PATH_MAX first).
static bool keptPath(char* out, size_t size, const char* name, const char* suffix) {
    const int n = snprintf(out, size, "%s/%s%s", game.replayFolder, name, suffix);
    return n >= 0 && (size_t)n < size;
}

static void writeBytes(const uint8_t* bytes, size_t length) {
    if (fwrite(bytes, 1, length, game.replayOut) != length) game.replayWriteFailed = 1;
}

void keepReplayStart(const char* name1, const char* name2) {
    if (!game.keepReplays || game.replayActive || game.replayOut) return;
    if (const char* problem = replayFolderProblem()) {
        notKept(problem);
        return;
    }
    // Named by the moment it began, with a count for matches begun in the same second.
    char moment[20];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(moment, sizeof moment, "%Y%m%d-%H%M%S", &local);
    char path[PATH_MAX + 64];
    struct stat info;
    // The count goes on from the highest of this second kept so far, so that a
    // name freed by pruning is never taken again by a newer match.
    int next = 1;
    for (int count = 1; count < 100; count++) {
        snprintf(game.replayOutName, sizeof game.replayOutName, "%.15s-%02d.replay", moment, count % 100);
        keptPath(path, sizeof path, game.replayOutName, "");
        if (stat(path, &info) == 0) next = count + 1;
    }
    snprintf(game.replayOutName, sizeof game.replayOutName, "%.15s-%02d.replay", moment, next < 100 ? next : 99);
    keptPath(path, sizeof path, game.replayOutName, ".part");
    game.replayOut = fopen(path, "wb");
    if (!game.replayOut) {
        notKept(strerror(errno));
        return;
    }
    setvbuf(game.replayOut, game.replayOutBuffer, _IOFBF, sizeof game.replayOutBuffer);
    ReplayHeader header;
    header.kind = game.stepsFixed ? REPLAY_FIXED : REPLAY_LOCAL;
    header.playground = (uint8_t)game.playground;
    header.vsComputer = game.vsComputer;
    header.p2Human = game.p2Human;
    header.difficulty = game.difficulty;
    snprintf(header.names[0], sizeof header.names[0], "%.8s", name1);
    snprintf(header.names[1], sizeof header.names[1], "%.8s", name2);
    // The first step's time is the frame time it moved by.
    header.baseTick = game.stepsFixed ? 0 : game.frameTick - (uint32_t)game.frameDelta;
    header.start = game;
    uint8_t bytes[REPLAY_HEADER_BYTES];
    game.replayWriteFailed = 0;
    writeBytes(bytes, writeReplayHeader(bytes, header));
    game.replayOutKind = header.kind;
    game.replayKeptTick = game.replayRealTick = header.baseTick;
    game.replayOutSteps = 0;
    game.replayRunLength = 0;
}

void keepLiveStep() {
    if (!game.replayStepNoted) return;
    game.replayStepNoted = 0;
    if (!game.replayOut) return;
    const uint32_t real = game.stepInput.tick - game.replayRealTick;
    game.replayRealTick = game.stepInput.tick;
    const uint32_t step = real > REPLAY_STEP_MS_MAX ? (uint32_t)REPLAY_STEP_MS_MAX : real;
    game.replayKeptTick += step;
    uint8_t bytes[REPLAY_STEP_MAX];
    writeBytes(bytes, writeLocalStep(bytes, game.stepInput, game.replayKeptTick, step));
    game.replayOutSteps++;
}

static void writeRun() {
    if (game.replayRunLength == 0) return;
    uint8_t bytes[REPLAY_STEP_MAX];
    writeBytes(bytes, writeFixedRun(bytes, game.replayRunHolds, game.replayRunLength));
    game.replayRunLength = 0;
}

void keepFixedStep(unsigned char hostHolds, unsigned char guestHolds) {
    if (!game.replayOut) return;
    StepInput input;
    input.holds[0] = hostHolds & 7;
    input.holds[1] = guestHolds & 7;
    input.paused = (hostHolds & HOLD_PAUSE) != 0;
    const uint8_t holds = stepHoldsByte(input);
    if (game.replayRunLength > 0 && (holds != game.replayRunHolds || game.replayRunLength == 0xFFFFFFFFu)) writeRun();
    game.replayRunHolds = holds;
    game.replayRunLength++;
    game.replayOutSteps++;
}

// The kept replays besides last.replay, oldest first; the oldest go once there are more than ten.
static void pruneReplays() {
    DIR* folder = opendir(game.replayFolder);
    if (!folder) return;
    enum { NAMES = 256 };
    static char names[NAMES][64];
    int count = 0;
    while (dirent* entry = readdir(folder)) {
        const size_t length = strlen(entry->d_name);
        if (length < 8 || length >= 64 || entry->d_name[0] == '.' || strcmp(entry->d_name, LAST_REPLAY) == 0) continue;
        if (strcmp(entry->d_name + length - 7, ".replay") != 0 || count == NAMES) continue;
        strcpy(names[count++], entry->d_name);
    }
    closedir(folder);
    qsort(names, count, sizeof names[0], [](const void* a, const void* b) {
        return strcmp((const char*)a, (const char*)b);
    });
    char path[PATH_MAX + 64];
    for (int i = 0; i + KEPT_REPLAYS < count; i++) {
        if (keptPath(path, sizeof path, names[i], "")) remove(path);
    }
}

// last.replay becomes the same file as the newest: a second name for it, or a copy.
static bool makeLast(const char* newest) {
    char part[PATH_MAX + 64], last[PATH_MAX + 64];
    keptPath(part, sizeof part, ".last", ".part");
    keptPath(last, sizeof last, LAST_REPLAY, "");
    remove(part);
    if (link(newest, part) != 0) {
        FILE* from = fopen(newest, "rb");
        FILE* to = from ? fopen(part, "wb") : nullptr;
        bool copied = to != nullptr;
        char buffer[4096];
        size_t got;
        while (copied && (got = fread(buffer, 1, sizeof buffer, from)) > 0) copied = fwrite(buffer, 1, got, to) == got;
        if (to && fclose(to) != 0) copied = false;
        if (from) fclose(from);
        if (!copied) return false;
    }
    return rename(part, last) == 0;
}

void finishKeptReplay(const MatchState& last) {
    keepLiveStep();  // a step the match ended in
    if (!game.replayOut) return;
    writeRun();
    uint8_t bytes[REPLAY_END_BYTES];
    writeBytes(bytes, writeReplayEnd(bytes, game.replayOutSteps, last));
    bool written = !game.replayWriteFailed && fflush(game.replayOut) == 0;
    int error = errno;
    if (fclose(game.replayOut) != 0 && written) {
        written = false;
        error = errno;
    }
    game.replayOut = nullptr;
    char part[PATH_MAX + 64], kept[PATH_MAX + 64];
    keptPath(part, sizeof part, game.replayOutName, ".part");
    keptPath(kept, sizeof kept, game.replayOutName, "");
    if (!written || rename(part, kept) != 0) {
        if (written) error = errno;
        remove(part);
        notKept(error ? strerror(error) : "it could not be written");
        return;
    }
    if (makeLast(kept))
        game.lastReplayThere = 1;
    else
        notKept("last.replay could not be made");
    pruneReplays();
}

void findLastReplay() {
    char last[PATH_MAX + 64];
    game.lastReplayThere = game.replayFolder[0] && keptPath(last, sizeof last, LAST_REPLAY, "") && access(last, R_OK) == 0;
}

bool watchLastMatch() {
    if (!game.lastReplayThere) return false;
    const int n = snprintf(game.replayPath, sizeof game.replayPath, "%s/%s", game.replayFolder, LAST_REPLAY);
    // A file gone or spoilt since it was kept: the item goes dim, and the line says why.
    if (n < 0 || (size_t)n >= sizeof game.replayPath || !loadReplay()) {
        game.lastReplayThere = 0;
        return false;
    }
    startReplay();
    return true;
}

// ---- Watching -------------------------------------------------------------------------

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
    game.guestWaiting = 0;
    startMatch();
    beginWatching();
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
    updateFrameDelta();
    countFrames();
    const float frameDelta = game.frameDelta;
    uint32_t elapsed = game.frameTick - game.replayLastTick;
    game.replayLastTick = game.frameTick;
    if (elapsed > WATCH_FRAME_MS_MAX) elapsed = WATCH_FRAME_MS_MAX;
    if (!game.cameraMode) game.replayClockMs += elapsed;
    for (int ran = 0; ran < WATCH_STEPS_MAX && game.replayActive && game.matchActive; ran++) {
        // Each step comes when the replay's clock reaches the time it was played at.
        if (!game.replayPending) {
            if (!nextReplayStep(game.replayData, &game.replayCursor, &game.stepInput, &game.replayPendingMs)) {
                returnToMenu();  // its last step was played (a match left before its end)
                break;
            }
            game.replayPending = 1;
        }
        if (game.replayDueMs + game.replayPendingMs > game.replayClockMs) break;
        game.replayDueMs += game.replayPendingMs;
        runReplayStep();
        if (game.matchOver) returnToMenu();
    }
    game.frameDelta = frameDelta;
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
