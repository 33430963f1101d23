// The replay file: a match's start and what each of its steps read, written as it is played and read back by a checked reader.
#include "match/replay_file.h"

#include <cmath>
#include <cstring>

static const uint8_t HEADER_MAGIC[4] = {'T', 'R', 'R', 'P'};
static const uint8_t END_MAGIC[4] = {'T', 'R', 'N', 'D'};
enum { HOLDS_STILL = 0x40, HOLDS_READINGS = 0x80, PLAYERS_COMPUTER = 1, PLAYERS_TWO = 2 };

// ---- Numbers of any size: seven bits a byte, the lowest first ----------------------

static size_t putNumber(uint8_t* out, uint32_t value) {
    size_t n = 0;
    while (value >= 0x80) {
        out[n++] = (uint8_t)(value | 0x80);
        value >>= 7;
    }
    out[n++] = (uint8_t)value;
    return n;
}

// False when the number runs past the end, or past 32 bits.
static bool getNumber(const uint8_t* data, size_t end, size_t* at, uint32_t* value) {
    uint32_t result = 0;
    for (int shift = 0; shift < 35; shift += 7) {
        if (*at >= end) return false;
        const uint8_t byte = data[(*at)++];
        if (shift == 28 && byte > 0x0F) return false;
        result |= (uint32_t)(byte & 0x7F) << shift;
        if (!(byte & 0x80)) {
            *value = result;
            return true;
        }
    }
    return false;
}

// A distance either way, as an unsigned number: 0, -1, 1, -2, 2 ... as 0, 1, 2, 3, 4 ...
static uint32_t zigzag(uint32_t difference) { return (difference << 1) ^ (uint32_t)-(int32_t)(difference >> 31); }
static uint32_t unzigzag(uint32_t value) { return (value >> 1) ^ (uint32_t)-(int32_t)(value & 1); }

// ---- Writers ------------------------------------------------------------------------

size_t writeReplayHeader(uint8_t* out, const ReplayHeader& header) {
    memcpy(out, HEADER_MAGIC, 4);
    out[4] = REPLAY_VERSION;
    out[5] = header.kind;
    out[6] = header.playground;
    out[7] = header.vsComputer ? PLAYERS_COMPUTER : PLAYERS_TWO;
    putFloat(out + 8, header.difficulty);
    writeName(out + 12, header.names[0]);
    writeName(out + 20, header.names[1]);
    putU32(out + 28, header.baseTick);
    writeMatch(out + 32, header.start);
    return REPLAY_HEADER_BYTES;
}

uint8_t stepHoldsByte(const StepInput& input) {
    return (uint8_t)((input.holds[0] & 7) | (input.holds[1] & 7) << 3 | (input.paused ? HOLDS_STILL : 0));
}

size_t writeLocalStep(uint8_t* out, const StepInput& input, uint32_t keptTick, uint32_t step) {
    // Readings at the step's own tick need no record: the replay gives that tick.
    bool readings = false;
    for (int i = 0; i < input.readings && i < STEP_READINGS; i++) readings |= input.reading[i] != keptTick;
    size_t n = 0;
    out[n++] = (uint8_t)(stepHoldsByte(input) | (readings ? HOLDS_READINGS : 0));
    n += putNumber(out + n, step);
    if (readings) {
        const int count = input.readings < (int)STEP_READINGS ? input.readings : (int)STEP_READINGS;
        out[n++] = (uint8_t)count;
        for (int i = 0; i < count; i++) n += putNumber(out + n, zigzag(input.reading[i] - keptTick));
    }
    return n;
}

size_t writeFixedRun(uint8_t* out, uint8_t holds, uint32_t length) {
    out[0] = (uint8_t)(holds & ~HOLDS_READINGS);
    return 1 + putNumber(out + 1, length);
}

size_t writeReplayEnd(uint8_t* out, uint32_t steps, const MatchState& last) {
    memcpy(out, END_MAGIC, 4);
    putU32(out + 4, steps);
    out[8] = (uint8_t)last.p1Points;
    out[9] = (uint8_t)last.p2Points;
    out[10] = (uint8_t)last.p1Games;
    out[11] = (uint8_t)last.p2Games;
    out[12] = last.p1Games == 3 || last.p2Games == 3;
    out[13] = out[14] = out[15] = 0;
    return REPLAY_END_BYTES;
}

// ---- The checked reader ---------------------------------------------------------------

ReplayCursor replayCursor(const ReplayHeader& header, size_t size) {
    ReplayCursor cursor;
    cursor.at = REPLAY_HEADER_BYTES;
    cursor.end = size - REPLAY_END_BYTES;
    cursor.kind = header.kind;
    cursor.tick = header.baseTick;
    return cursor;
}

bool nextReplayStep(const uint8_t* data, ReplayCursor* cursor, StepInput* input, uint32_t* stepMs) {
    if (cursor->kind == REPLAY_FIXED) {
        if (cursor->runLeft == 0) {
            if (cursor->at >= cursor->end) return false;
            cursor->runHolds = data[cursor->at++];
            if (cursor->runHolds & HOLDS_READINGS) return false;
            uint32_t length;
            if (!getNumber(data, cursor->end, &cursor->at, &length) || length == 0) return false;
            cursor->runLeft = length;
        }
        cursor->runLeft--;
        *input = StepInput{};
        input->holds[0] = cursor->runHolds & 7;
        input->holds[1] = (cursor->runHolds >> 3) & 7;
        input->paused = (cursor->runHolds & HOLDS_STILL) != 0;
        *stepMs = FIXED_STEP_MS;
        return true;
    }
    if (cursor->at >= cursor->end) return false;
    const uint8_t holds = data[cursor->at++];
    uint32_t step;
    if (!getNumber(data, cursor->end, &cursor->at, &step) || step > REPLAY_STEP_MS_MAX) return false;
    *input = StepInput{};
    cursor->tick += step;
    input->tick = cursor->tick;
    input->holds[0] = holds & 7;
    input->holds[1] = (holds >> 3) & 7;
    input->paused = (holds & HOLDS_STILL) != 0;
    if (holds & HOLDS_READINGS) {
        if (cursor->at >= cursor->end) return false;
        const uint8_t count = data[cursor->at++];
        if (count < 1 || count > STEP_READINGS) return false;
        for (int i = 0; i < count; i++) {
            uint32_t distance;
            if (!getNumber(data, cursor->end, &cursor->at, &distance)) return false;
            input->reading[i] = cursor->tick + unzigzag(distance);
        }
        input->readings = count;
    }
    *stepMs = step;
    return true;
}

// One record of steps read and counted: a step, or a whole run of fixed steps at
// once (a run may claim billions, and counting them one by one would hang).
static bool countStep(const uint8_t* data, ReplayCursor* cursor, uint64_t* steps) {
    StepInput input;
    uint32_t stepMs;
    if (!nextReplayStep(data, cursor, &input, &stepMs)) return false;
    *steps += 1 + cursor->runLeft;
    cursor->runLeft = 0;
    return true;
}

// Stops the reader with the reason.
static bool refuse(const char** why, const char* reason) {
    *why = reason;
    return false;
}

// A player's name as a replay holds it: a name, or none (a player who cleared
// theirs plays with no name shown).
static bool readPlayerName(const uint8_t* in, char* name) {
    static const uint8_t none[NAME_BYTES] = {};
    if (memcmp(in, none, NAME_BYTES) != 0) return readName(in, name);
    name[0] = 0;
    return true;
}

bool readReplay(const uint8_t* data, size_t size, ReplayHeader* header, const char** why) {
    if (size < 4 || memcmp(data, HEADER_MAGIC, 4) != 0) return refuse(why, "is not a replay of this game");
    if (size < 5) return refuse(why, "ends before its header does");
    if (data[4] != REPLAY_VERSION) return refuse(why, "is a replay of another version of the game");
    if (size < REPLAY_HEADER_BYTES) return refuse(why, "ends before its header does");
    ReplayHeader read;
    read.kind = data[5];
    read.playground = data[6];
    read.vsComputer = data[7] == PLAYERS_COMPUTER;
    read.p2Human = data[7] == PLAYERS_TWO;
    read.difficulty = getFloat(data + 8);
    if (read.kind != REPLAY_LOCAL && read.kind != REPLAY_FIXED) return refuse(why, "holds steps of an unknown kind");
    if ((read.playground != 1 && read.playground != 2) || (!read.vsComputer && !read.p2Human))
        return refuse(why, "names no playground or no players");
    if (!std::isfinite(read.difficulty) || read.difficulty <= 0 || read.difficulty > 1000)
        return refuse(why, "holds a difficulty no match can be played at");
    if (!readPlayerName(data + 12, read.names[0]) || !readPlayerName(data + 20, read.names[1]))
        return refuse(why, "holds a name that is not one");
    read.baseTick = getU32(data + 28);
    if (!readMatch(data + 32, &read.start) || read.start.stepsFixed != (read.kind == REPLAY_FIXED) ||
        read.start.matchOver || read.start.gameOverSteps)
        return refuse(why, "starts from a match that cannot be");

    // A file cut short has no end: it stops within a step or between two.
    if (size < REPLAY_HEADER_BYTES + REPLAY_END_BYTES || memcmp(data + size - REPLAY_END_BYTES, END_MAGIC, 4) != 0) {
        ReplayCursor cursor = replayCursor(read, size + REPLAY_END_BYTES);
        uint64_t steps = 0;
        while (cursor.at < cursor.end)
            if (!countStep(data, &cursor, &steps)) return refuse(why, "ends in the middle of a step");
        return refuse(why, "ends before the match does (cut short?)");
    }
    const uint8_t* end = data + size - REPLAY_END_BYTES;
    read.steps = getU32(end + 4);
    read.points[0] = end[8];
    read.points[1] = end[9];
    read.games[0] = end[10];
    read.games[1] = end[11];
    read.finished = end[12];
    if (read.points[0] > MATCH_POINTS_MAX || read.points[1] > MATCH_POINTS_MAX || read.games[0] > MATCH_GAMES_MAX ||
        read.games[1] > MATCH_GAMES_MAX || read.finished > 1 || end[13] || end[14] || end[15])
        return refuse(why, "ends with a score that cannot be");

    // Every step whole, and as many as the end says.
    ReplayCursor cursor = replayCursor(read, size);
    uint64_t steps = 0;
    while (cursor.at < cursor.end) {
        if (!countStep(data, &cursor, &steps)) return refuse(why, "ends in the middle of a step");
        if (steps > read.steps) return refuse(why, "holds more steps than its end says");
    }
    if (steps != read.steps) return refuse(why, "holds fewer steps than its end says");
    *header = read;
    return true;
}
