// The network protocol between a host and its guest: packet kinds, their layouts, and checked readers.
//
// Only the C library is used here, so the readers can be built and fuzzed on their own.
#include "net/protocol.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "app/game_state.h"  // the match record's layout only

static void putU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; i++) out[i] = (uint8_t)(value >> (8 * i));
}

static uint32_t getU32(const uint8_t* in) {
    return (uint32_t)in[0] | (uint32_t)in[1] << 8 | (uint32_t)in[2] << 16 | (uint32_t)in[3] << 24;
}

static void putFloat(uint8_t* out, float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    putU32(out, bits);
}

static float getFloat(const uint8_t* in) {
    uint32_t bits = getU32(in);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

// A name's bytes: what the font draws, up to 8 of them, zero after the first zero.
static void putName(uint8_t* out, const char* name) {
    size_t length = 0;
    while (length < NET_NAME_BYTES && name[length]) length++;
    memset(out, 0, NET_NAME_BYTES);
    memcpy(out, name, length);
}

static bool getName(const uint8_t* in, char* name) {
    size_t length = 0;
    while (length < NET_NAME_BYTES && in[length]) length++;
    if (length == 0) return false;
    for (size_t i = 0; i < NET_NAME_BYTES; i++) {
        if (i < length && (in[i] < 32 || in[i] == 127)) return false;  // control codes
        if (i >= length && in[i] != 0) return false;                   // bytes after the end
    }
    memcpy(name, in, length);
    name[length] = 0;
    return true;
}

static bool within(float value, float low, float high) { return std::isfinite(value) && value >= low && value <= high; }

static bool flag(uint8_t value) { return value <= 1; }

size_t writeHello(uint8_t* out, const char* name) {
    out[0] = NET_HELLO;
    putName(out + 1, name);
    return NET_HELLO_SIZE;
}

size_t writeHolds(uint8_t* out, const NetHolds& holds) {
    out[0] = NET_HOLDS;
    putU32(out + 1, holds.step);
    putU32(out + 5, holds.known);
    putU32(out + 9, holds.from);
    out[13] = (uint8_t)holds.ahead;
    putU32(out + 14, holds.sumStep);
    putU32(out + 18, holds.sum);
    uint8_t runs = holds.runs > NET_RUNS_MAX ? (uint8_t)NET_RUNS_MAX : holds.runs;
    out[22] = holds.match;
    out[23] = runs;
    for (int i = 0; i < runs; i++) {
        out[NET_HOLDS_HEAD + 2 * i] = holds.runLength[i];
        out[NET_HOLDS_HEAD + 2 * i + 1] = holds.runHolds[i];
    }
    return NET_HOLDS_HEAD + 2 * (size_t)runs;
}

size_t writeMatchStart(uint8_t* out, const NetMatchStart& start) {
    out[0] = NET_MATCH_START;
    out[1] = (uint8_t)start.playground;
    putName(out + 2, start.name);
    putFloat(out + 2 + NET_NAME_BYTES, start.difficulty);
    putU32(out + 6 + NET_NAME_BYTES, start.seed);
    out[10 + NET_NAME_BYTES] = start.number;
    return NET_MATCH_START_SIZE;
}

size_t writeMatchState(uint8_t* out, uint32_t step, const MatchState& match) {
    out[0] = NET_MATCH_STATE;
    putU32(out + 1, step);
    writeMatch(out + 5, match);
    return NET_MATCH_STATE_SIZE;
}

size_t writeMatchEnd(uint8_t* out) {
    out[0] = NET_MATCH_END;
    return NET_MATCH_END_SIZE;
}

bool readHello(const uint8_t* data, size_t length, char* name) {
    return length == NET_HELLO_SIZE && data[0] == NET_HELLO && getName(data + 1, name);
}

bool readHolds(const uint8_t* data, size_t length, NetHolds* holds) {
    if (length < NET_HOLDS_HEAD || data[0] != NET_HOLDS) return false;
    NetHolds read;
    read.step = getU32(data + 1);
    read.known = getU32(data + 5);
    read.from = getU32(data + 9);
    read.ahead = (int8_t)data[13];
    read.sumStep = getU32(data + 14);
    read.sum = getU32(data + 18);
    read.match = data[22];
    read.runs = data[23];
    if (read.runs > NET_RUNS_MAX || length != NET_HOLDS_HEAD + 2 * (size_t)read.runs) return false;
    uint32_t carried = 0;
    for (int i = 0; i < read.runs; i++) {
        read.runLength[i] = data[NET_HOLDS_HEAD + 2 * i];
        read.runHolds[i] = data[NET_HOLDS_HEAD + 2 * i + 1];
        if (read.runLength[i] == 0 || (read.runHolds[i] & ~HOLD_BITS) != 0) return false;
        carried += read.runLength[i];
    }
    // The holds carried are of steps the sender has run, and of no more than a
    // side keeps; its checksum is of a step it has run.
    if (carried > NET_HOLDS_RING || read.from > read.step || read.step - read.from < carried) return false;
    if (read.sumStep > read.step) return false;
    *holds = read;
    return true;
}

bool readMatchStart(const uint8_t* data, size_t length, NetMatchStart* start) {
    if (length != NET_MATCH_START_SIZE || data[0] != NET_MATCH_START) return false;
    NetMatchStart read;
    read.playground = data[1];
    if (read.playground != 1 && read.playground != 2) return false;
    if (!getName(data + 2, read.name)) return false;
    read.difficulty = getFloat(data + 2 + NET_NAME_BYTES);
    if (!std::isfinite(read.difficulty) || read.difficulty <= 0 || read.difficulty > NET_DIFFICULTY_MAX) return false;
    read.seed = getU32(data + 6 + NET_NAME_BYTES);
    read.number = data[10 + NET_NAME_BYTES];
    *start = read;
    return true;
}

bool readMatchState(const uint8_t* data, size_t length, uint32_t* step, MatchState* match) {
    if (length != NET_MATCH_STATE_SIZE || data[0] != NET_MATCH_STATE) return false;
    MatchState read;
    if (!readMatch(data + 5, &read)) return false;
    // The match's own count of steps is the step it stands at.
    if (read.matchStep != getU32(data + 1)) return false;
    *step = read.matchStep;
    *match = read;
    return true;
}

bool readMatchEnd(const uint8_t* data, size_t length) { return length == NET_MATCH_END_SIZE && data[0] == NET_MATCH_END; }

// ---- A match's fields ----------------------------------------------------------

enum { MATCH_FLOATS = 8, MATCH_U32S = 4, MATCH_I32S = 7, MATCH_BYTES = 11 };
static_assert(4 * (MATCH_FLOATS + MATCH_U32S + MATCH_I32S + SPREAD_WORDS) + MATCH_BYTES == NET_STATE_BYTES,
              "the layout holds every field once");

void writeMatch(uint8_t* out, const MatchState& m) {
    const float floats[MATCH_FLOATS] = {m.animClockMs, m.ballX, m.ballY, m.ballVelX, m.ballVelY, m.ballAngle, m.p1BatY, m.p2BatY};
    const uint32_t u32s[MATCH_U32S] = {m.pointDelayTick, m.pointDelayLastTick, m.pointDelayMs, m.matchStep};
    const int32_t i32s[MATCH_I32S] = {m.p1Points, m.p2Points, m.p1Games, m.p2Games, m.pointPending, m.animFrame, m.gameOverSteps};
    const uint8_t bytes[MATCH_BYTES] = {m.pointDelayDone,  m.ballInPlay,     m.computerTracking, m.matchSounds[0],
                                        m.matchSounds[1],  m.matchSounds[2], m.spreadFront,      m.spreadRear,
                                        m.spreadSeeded,    m.stepsFixed,     m.matchOver};
    for (float value : floats) putFloat(out, value), out += 4;
    for (uint32_t value : u32s) putU32(out, value), out += 4;
    for (int32_t value : i32s) putU32(out, (uint32_t)value), out += 4;
    for (int32_t word : m.spreadTable) putU32(out, (uint32_t)word), out += 4;
    memcpy(out, bytes, sizeof bytes);
}

bool readMatch(const uint8_t* in, MatchState* match) {
    MatchState m;
    float* floats[MATCH_FLOATS] = {&m.animClockMs, &m.ballX, &m.ballY, &m.ballVelX, &m.ballVelY, &m.ballAngle, &m.p1BatY, &m.p2BatY};
    uint32_t* u32s[MATCH_U32S] = {&m.pointDelayTick, &m.pointDelayLastTick, &m.pointDelayMs, &m.matchStep};
    int32_t* i32s[MATCH_I32S] = {&m.p1Points, &m.p2Points, &m.p1Games, &m.p2Games, &m.pointPending, &m.animFrame, &m.gameOverSteps};
    uint8_t* bytes[MATCH_BYTES] = {&m.pointDelayDone,  &m.ballInPlay,     &m.computerTracking, &m.matchSounds[0],
                                   &m.matchSounds[1],  &m.matchSounds[2], &m.spreadFront,      &m.spreadRear,
                                   &m.spreadSeeded,    &m.stepsFixed,     &m.matchOver};
    for (float* value : floats) *value = getFloat(in), in += 4;
    for (uint32_t* value : u32s) *value = getU32(in), in += 4;
    for (int32_t* value : i32s) *value = (int32_t)getU32(in), in += 4;
    for (int32_t& word : m.spreadTable) word = (int32_t)getU32(in), in += 4;
    for (uint8_t* value : bytes) *value = *in++;

    if (!within(m.animClockMs, 0, 1e6f) || !within(m.ballX, -NET_BALL_X_LIMIT, NET_BALL_X_LIMIT) ||
        !within(m.ballY, -NET_BALL_Y_LIMIT, NET_BALL_Y_LIMIT))
        return false;
    if (!within(m.ballVelX, -NET_BALL_X_LIMIT, NET_BALL_X_LIMIT) || !within(m.ballVelY, -NET_BALL_X_LIMIT, NET_BALL_X_LIMIT) ||
        !within(m.ballAngle, -NET_BALL_X_LIMIT, NET_BALL_X_LIMIT))
        return false;
    if (!within(m.p1BatY, -NET_BAT_LIMIT, NET_BAT_LIMIT) || !within(m.p2BatY, -NET_BAT_LIMIT, NET_BAT_LIMIT)) return false;
    if (m.pointDelayMs > 1000000) return false;
    for (int32_t count : {m.p1Points, m.p2Points})
        if (count < 0 || count > NET_POINTS_MAX) return false;
    for (int32_t count : {m.p1Games, m.p2Games})
        if (count < 0 || count > NET_GAMES_MAX) return false;
    if (m.pointPending < 0 || m.pointPending > 1 || m.animFrame < 0 || m.animFrame >= NET_FRAMES) return false;
    if (m.gameOverSteps < 0 || m.gameOverSteps > 1000) return false;
    if (!flag(m.pointDelayDone) || !flag(m.ballInPlay) || !flag(m.computerTracking) || !flag(m.spreadSeeded) ||
        !flag(m.stepsFixed) || !flag(m.matchOver))
        return false;
    // The generator's two places stay three words apart.
    if (m.spreadFront >= SPREAD_WORDS || m.spreadRear >= SPREAD_WORDS ||
        (m.spreadFront + SPREAD_WORDS - m.spreadRear) % SPREAD_WORDS != 3)
        return false;
    *match = m;
    return true;
}

// FNV-1a over the fields as they travel: the same on every machine.
uint32_t matchChecksum(const MatchState& match) {
    uint8_t bytes[NET_STATE_BYTES];
    writeMatch(bytes, match);
    uint32_t sum = 2166136261u;
    for (uint8_t byte : bytes) sum = (sum ^ byte) * 16777619u;
    return sum;
}
