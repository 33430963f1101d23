// The network protocol between a host and its guest: packet kinds, their layouts, checked readers, and a host as typed.
//
// Only the C library is used here, so the readers can be built and fuzzed on their own.
#include "net/protocol.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/game_state.h"  // the match record's layout only

bool addHoldToRuns(uint8_t& runs, uint8_t* runLength, uint8_t* runHolds, uint8_t held) {
    if (runs > 0 && runHolds[runs - 1] == held && runLength[runs - 1] < 255) {
        runLength[runs - 1]++;
        return true;
    }
    if (runs >= NET_RUNS_MAX) return false;
    runHolds[runs] = held;
    runLength[runs] = 1;
    runs++;
    return true;
}

size_t writeHello(uint8_t* out, const char* name) {
    out[0] = NET_HELLO;
    writeName(out + 1, name);
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
    writeName(out + 2, start.name);
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

size_t writeWatchStart(uint8_t* out, const NetWatchStart& start) {
    out[0] = NET_WATCH_START;
    out[1] = (uint8_t)start.playground;
    writeName(out + 2, start.names[0]);
    writeName(out + 2 + NET_NAME_BYTES, start.names[1]);
    putFloat(out + 2 + 2 * NET_NAME_BYTES, start.difficulty);
    out[6 + 2 * NET_NAME_BYTES] = start.number;
    return NET_WATCH_START_SIZE;
}

size_t writeWatchHolds(uint8_t* out, const NetWatchHolds& holds) {
    out[0] = NET_WATCH_HOLDS;
    out[1] = holds.match;
    putU32(out + 2, holds.from);
    putU32(out + 6, holds.settled);
    uint8_t runs = holds.runs > NET_RUNS_MAX ? (uint8_t)NET_RUNS_MAX : holds.runs;
    out[10] = runs;
    for (int i = 0; i < runs; i++) {
        out[NET_WATCH_HOLDS_HEAD + 2 * i] = holds.runLength[i];
        out[NET_WATCH_HOLDS_HEAD + 2 * i + 1] = holds.runHolds[i];
    }
    return NET_WATCH_HOLDS_HEAD + 2 * (size_t)runs;
}

size_t writeWatchKnown(uint8_t* out, uint8_t match, uint32_t known) {
    out[0] = NET_WATCH_KNOWN;
    out[1] = match;
    putU32(out + 2, known);
    return NET_WATCH_KNOWN_SIZE;
}

bool readHello(const uint8_t* data, size_t length, char* name) {
    return length == NET_HELLO_SIZE && data[0] == NET_HELLO && readName(data + 1, name);
}

// A packet's runs of holds: each at least a step long and with none of the bits
// `unused` set; `carried` is how many steps they hold in all.
static bool readRuns(const uint8_t* in, uint8_t runs, uint8_t* runLength, uint8_t* runHolds, uint8_t unused,
                     uint32_t* carried) {
    *carried = 0;
    for (int i = 0; i < runs; i++) {
        runLength[i] = in[2 * i];
        runHolds[i] = in[2 * i + 1];
        if (runLength[i] == 0 || (runHolds[i] & unused) != 0) return false;
        *carried += runLength[i];
    }
    return true;
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
    uint32_t carried;
    if (!readRuns(data + NET_HOLDS_HEAD, read.runs, read.runLength, read.runHolds, (uint8_t)~HOLD_BITS, &carried))
        return false;
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
    if (!readName(data + 2, read.name)) return false;
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

bool readWatchStart(const uint8_t* data, size_t length, NetWatchStart* start) {
    if (length != NET_WATCH_START_SIZE || data[0] != NET_WATCH_START) return false;
    NetWatchStart read;
    read.playground = data[1];
    if (read.playground != 1 && read.playground != 2) return false;
    if (!readName(data + 2, read.names[0]) || !readName(data + 2 + NET_NAME_BYTES, read.names[1])) return false;
    read.difficulty = getFloat(data + 2 + 2 * NET_NAME_BYTES);
    if (!std::isfinite(read.difficulty) || read.difficulty <= 0 || read.difficulty > NET_DIFFICULTY_MAX) return false;
    read.number = data[6 + 2 * NET_NAME_BYTES];
    *start = read;
    return true;
}

bool readWatchHolds(const uint8_t* data, size_t length, NetWatchHolds* holds) {
    if (length < NET_WATCH_HOLDS_HEAD || data[0] != NET_WATCH_HOLDS) return false;
    NetWatchHolds read;
    read.match = data[1];
    read.from = getU32(data + 2);
    read.settled = getU32(data + 6);
    read.runs = data[10];
    if (read.runs > NET_RUNS_MAX || length != NET_WATCH_HOLDS_HEAD + 2 * (size_t)read.runs) return false;
    uint32_t carried;
    if (!readRuns(data + NET_WATCH_HOLDS_HEAD, read.runs, read.runLength, read.runHolds, 0x80, &carried))
        return false;
    // Only steps the host has settled, and no more than a side keeps.
    if (carried > NET_HOLDS_RING || read.from > read.settled || read.settled - read.from < carried) return false;
    *holds = read;
    return true;
}

bool readWatchKnown(const uint8_t* data, size_t length, uint8_t* match, uint32_t* known) {
    if (length != NET_WATCH_KNOWN_SIZE || data[0] != NET_WATCH_KNOWN) return false;
    *match = data[1];
    *known = getU32(data + 2);
    return true;
}

// A port number of 1 to 65535, or -1.
long portNumber(const char* text) {
    char* end = nullptr;
    long port = strtol(text, &end, 10);
    if (!*text || *end || port < 1 || port > 65535) return -1;
    return port;
}

// HOST[:PORT]: the port after the last colon, when there is one (else *port is left).
int splitHostPort(const char* text, char* host, size_t room, long* port) {
    const char* colon = strrchr(text, ':');
    size_t length = colon ? (size_t)(colon - text) : strlen(text);
    if (length == 0 || length >= room) return HOST_BAD;
    long given = colon ? portNumber(colon + 1) : 0;
    if (given < 0) return HOST_BAD_PORT;
    memcpy(host, text, length);
    host[length] = '\0';
    if (colon) *port = given;
    return HOST_OK;
}
