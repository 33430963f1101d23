// A match's fields in a fixed order, little-endian, and their checksum: how a match travels and is kept.
//
// Only the C library is used here, so the network's and the replays' readers
// built on it can be fuzzed on their own.
#include "match/record.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "core/game_state.h"

// A name's bytes: what the font draws, up to 8 of them, zero after the first zero.
void writeName(uint8_t* out, const char* name) {
    size_t length = 0;
    while (length < NAME_BYTES && name[length]) length++;
    memset(out, 0, NAME_BYTES);
    memcpy(out, name, length);
}

bool readName(const uint8_t* in, char* name) {
    size_t length = 0;
    while (length < NAME_BYTES && in[length]) length++;
    if (length == 0) return false;
    for (size_t i = 0; i < NAME_BYTES; i++) {
        if (i < length && (in[i] < 32 || in[i] == 127)) return false;  // control codes
        if (i >= length && in[i] != 0) return false;                   // bytes after the end
    }
    memcpy(name, in, length);
    name[length] = 0;
    return true;
}



static bool within(float value, float low, float high) { return std::isfinite(value) && value >= low && value <= high; }
static bool flag(uint8_t value) { return value <= 1; }

enum { MATCH_FLOATS = 8, MATCH_U32S = 4, MATCH_I32S = 7, MATCH_BYTES = 11 };
static_assert(4 * (MATCH_FLOATS + MATCH_U32S + MATCH_I32S + SPREAD_WORDS) + MATCH_BYTES == MATCH_RECORD_BYTES,
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

    if (!within(m.animClockMs, 0, 1e6f) || !within(m.ballX, -MATCH_BALL_X_LIMIT, MATCH_BALL_X_LIMIT) ||
        !within(m.ballY, -MATCH_BALL_Y_LIMIT, MATCH_BALL_Y_LIMIT))
        return false;
    if (!within(m.ballVelX, -MATCH_BALL_X_LIMIT, MATCH_BALL_X_LIMIT) || !within(m.ballVelY, -MATCH_BALL_X_LIMIT, MATCH_BALL_X_LIMIT) ||
        !within(m.ballAngle, -MATCH_BALL_X_LIMIT, MATCH_BALL_X_LIMIT))
        return false;
    if (!within(m.p1BatY, -MATCH_BAT_LIMIT, MATCH_BAT_LIMIT) || !within(m.p2BatY, -MATCH_BAT_LIMIT, MATCH_BAT_LIMIT)) return false;
    if (m.pointDelayMs > 1000000) return false;
    for (int32_t count : {m.p1Points, m.p2Points})
        if (count < 0 || count > MATCH_POINTS_MAX) return false;
    for (int32_t count : {m.p1Games, m.p2Games})
        if (count < 0 || count > MATCH_GAMES_MAX) return false;
    if (m.pointPending < 0 || m.pointPending > 1 || m.animFrame < 0 || m.animFrame >= MATCH_FRAMES) return false;
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
    uint8_t bytes[MATCH_RECORD_BYTES];
    writeMatch(bytes, match);
    uint32_t sum = 2166136261u;
    for (uint8_t byte : bytes) sum = (sum ^ byte) * 16777619u;
    return sum;
}
