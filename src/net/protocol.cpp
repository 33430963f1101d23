// The network protocol between a host and its guest: packet kinds, their layouts, and checked readers.
//
// Only the C library is used here, so the readers can be built and fuzzed on their own.
#include "net/protocol.h"

#include <cmath>
#include <cstring>

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

size_t writeHello(uint8_t* out, const char* name) {
    out[0] = NET_HELLO;
    putName(out + 1, name);
    return NET_HELLO_SIZE;
}

size_t writeHolds(uint8_t* out, uint8_t holds) {
    out[0] = NET_HOLDS;
    out[1] = holds & NET_HOLD_ALL;
    return NET_HOLDS_SIZE;
}

size_t writeMatchStart(uint8_t* out, int playground, const char* name) {
    out[0] = NET_MATCH_START;
    out[1] = (uint8_t)playground;
    putName(out + 2, name);
    return NET_MATCH_START_SIZE;
}

size_t writeState(uint8_t* out, const NetState& state) {
    out[0] = NET_STATE;
    putU32(out + 1, state.sequence);
    putFloat(out + 5, state.ballX);
    putFloat(out + 9, state.ballY);
    putFloat(out + 13, state.p1BatY);
    putFloat(out + 17, state.p2BatY);
    const uint8_t bytes[] = {state.p1Points, state.p2Points, state.p1Games,    state.p2Games,  state.animFrame,
                             state.flags,    state.batSounds, state.boardSounds, state.outSounds};
    memcpy(out + 21, bytes, sizeof bytes);
    return NET_STATE_SIZE;
}

size_t writeMatchEnd(uint8_t* out) {
    out[0] = NET_MATCH_END;
    return NET_MATCH_END_SIZE;
}

bool readHello(const uint8_t* data, size_t length, char* name) {
    return length == NET_HELLO_SIZE && data[0] == NET_HELLO && getName(data + 1, name);
}

bool readHolds(const uint8_t* data, size_t length, uint8_t* holds) {
    if (length != NET_HOLDS_SIZE || data[0] != NET_HOLDS || (data[1] & ~NET_HOLD_ALL) != 0) return false;
    *holds = data[1];
    return true;
}

bool readMatchStart(const uint8_t* data, size_t length, int* playground, char* name) {
    if (length != NET_MATCH_START_SIZE || data[0] != NET_MATCH_START) return false;
    if (data[1] != 1 && data[1] != 2) return false;
    if (!getName(data + 2, name)) return false;
    *playground = data[1];
    return true;
}

bool readState(const uint8_t* data, size_t length, NetState* state) {
    if (length != NET_STATE_SIZE || data[0] != NET_STATE) return false;
    NetState read;
    read.sequence = getU32(data + 1);
    read.ballX = getFloat(data + 5);
    read.ballY = getFloat(data + 9);
    read.p1BatY = getFloat(data + 13);
    read.p2BatY = getFloat(data + 17);
    read.p1Points = data[21];
    read.p2Points = data[22];
    read.p1Games = data[23];
    read.p2Games = data[24];
    read.animFrame = data[25];
    read.flags = data[26];
    read.batSounds = data[27];
    read.boardSounds = data[28];
    read.outSounds = data[29];
    if (read.sequence == 0) return false;
    if (!within(read.ballX, NET_BALL_X_MIN, NET_BALL_X_MAX) || !within(read.ballY, -NET_BALL_Y_LIMIT, NET_BALL_Y_LIMIT))
        return false;
    if (!within(read.p1BatY, -NET_BAT_LIMIT, NET_BAT_LIMIT) || !within(read.p2BatY, -NET_BAT_LIMIT, NET_BAT_LIMIT))
        return false;
    if (read.p1Points > NET_POINTS_MAX || read.p2Points > NET_POINTS_MAX) return false;
    if (read.p1Games > NET_GAMES_MAX || read.p2Games > NET_GAMES_MAX) return false;
    if (read.animFrame >= NET_FRAMES || (read.flags & ~NET_FLAGS_ALL) != 0) return false;
    *state = read;
    return true;
}

bool readMatchEnd(const uint8_t* data, size_t length) { return length == NET_MATCH_END_SIZE && data[0] == NET_MATCH_END; }
