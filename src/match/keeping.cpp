// Every match kept as it is played, as a replay among the ten newest and as last.replay.
//
// A match is kept step by step in a file begun before its first step, through
// a buffer of the record (so a step allocates nothing), ended and put in place
// when the match ends. Watching a kept match is the program's own (app/watch).
#include "match/keeping.h"

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
#include "match/replay_file.h"

// How many replays are kept besides last.replay.
static const int KEPT_REPLAYS = 10;

static void notKept(const char* why) { fprintf(stderr, "Replay: this match was not kept: %s\n", why); }

bool keptPath(char* out, size_t size, const char* name, const char* suffix) {
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
        if (length < 8 || length >= 64 || entry->d_name[0] == '.' || strcmp(entry->d_name, LAST_REPLAY_NAME) == 0) continue;
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
    keptPath(last, sizeof last, LAST_REPLAY_NAME, "");
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

void dropKeptReplay() {
    if (!game.replayOut) return;
    fclose(game.replayOut);
    game.replayOut = nullptr;
    game.replayStepNoted = 0;
    char part[PATH_MAX + 64];
    if (keptPath(part, sizeof part, game.replayOutName, ".part")) remove(part);
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
