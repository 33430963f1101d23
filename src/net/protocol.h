// The network protocol between a host and its guest: packet kinds, their layouts, checked readers, and a host as typed.
//
// Every packet starts with its kind. Numbers are little-endian; floats are
// IEEE single precision. A reader takes a packet only when its size is exact
// (or, for the packets that carry runs of holds, within its bounds), its kind
// is the expected one and every value lies where the game can use it;
// anything else is refused whole, and the caller drops it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "match/record.h"  // a match as it travels

// A peer of another version is refused; the version travels with the connection request.
// Version 2: both sides run the match; they trade holds stamped with their steps.
enum { NET_PROTOCOL_VERSION = 2 };
enum { NET_DEFAULT_PORT = 47312 };

// Channel 0 carries what must arrive, in order; channel 1 the holds, whose every
// packet repeats what the other side has not yet acknowledged.
enum { NET_RELIABLE = 0, NET_HOLDS_CHANNEL = 1 };

enum {
    NET_HELLO = 1,        // guest to host: its player's name
    NET_HOLDS = 2,        // either way: this side's holds by step, what it has of the other's, a checksum
    NET_MATCH_START = 3,  // host to guest: a match begins: playground, the host's name, difficulty, seed
    NET_MATCH_STATE = 4,  // host to guest: the host's settled match, taken when the checksums differ
    NET_MATCH_END = 5,    // either way: this side has left the match (game over, Escape)
};

// Why a host ends a guest's connection at once (the disconnect's data); a
// refusal for the version carries the host's own version above these bits.
enum { NET_REFUSED_BUSY = 1, NET_REFUSED_VERSION = 2, NET_REFUSAL_BITS = 8 };

// Names travel as 8 bytes, zero-padded.
enum { NET_NAME_BYTES = NAME_BYTES };

// A holds packet carries at most this many runs of equal holds, each at most 255 steps long.
enum { NET_RUNS_MAX = 32 };

enum {
    NET_HELLO_SIZE = 1 + NET_NAME_BYTES,
    NET_MATCH_START_SIZE = 3 + NET_NAME_BYTES + 8,
    NET_HOLDS_HEAD = 24,  // the fixed part, before the runs
    NET_HOLDS_MAX = NET_HOLDS_HEAD + 2 * NET_RUNS_MAX,
    NET_MATCH_END_SIZE = 1,
    NET_MATCH_STATE_SIZE = 5 + MATCH_RECORD_BYTES,
    NET_PACKET_MAX = NET_MATCH_STATE_SIZE,
};

// A match's start, as the host tells it.
struct NetMatchStart {
    int playground;        // 1 or 2
    char name[NET_NAME_BYTES + 1];  // the host's player
    float difficulty;      // the host's, for both
    uint32_t seed;         // of the ball's spread
    uint8_t number;        // counts the host's matches, so that late holds of the last one are known
};

// One side's holds and what it knows. `from` is the step of the first hold
// carried, and runs of equal holds follow; `known` counts the other side's
// steps whose holds this side has (all of them, from the first); `step` is how
// many steps this side has run, and `ahead` how far ahead of the other it saw
// itself when it sent this. The checksum is of this side's settled match after
// `sumStep` steps (no checksum when `sumStep` is 0).
struct NetHolds {
    uint8_t match;  // the match's number, as its start gave it
    uint32_t step, known, from;
    int8_t ahead;
    uint32_t sumStep, sum;
    uint8_t runs;
    uint8_t runLength[NET_RUNS_MAX];
    uint8_t runHolds[NET_RUNS_MAX];
};

// The host's difficulty lies above 0 and up to this.
const float NET_DIFFICULTY_MAX = 1000.0f;

// Writers: each fills `out` (room for NET_PACKET_MAX bytes) and gives the size.
size_t writeHello(uint8_t* out, const char* name);
size_t writeHolds(uint8_t* out, const NetHolds& holds);
size_t writeMatchStart(uint8_t* out, const NetMatchStart& start);
size_t writeMatchState(uint8_t* out, uint32_t step, const MatchState& match);
size_t writeMatchEnd(uint8_t* out);

// Readers: true and the values when the packet is whole and sound. A name
// comes back zero-terminated (room for NET_NAME_BYTES + 1).
bool readHello(const uint8_t* data, size_t length, char* name);
bool readHolds(const uint8_t* data, size_t length, NetHolds* holds);
bool readMatchStart(const uint8_t* data, size_t length, NetMatchStart* start);
bool readMatchState(const uint8_t* data, size_t length, uint32_t* step, MatchState* match);
bool readMatchEnd(const uint8_t* data, size_t length);

// A port number of 1 to 65535 as typed, or -1.
long portNumber(const char* text);
// A host and maybe its port, as --join and the join page take them: HOST[:PORT],
// the port after the last colon. The host goes to `host` (room bytes with its
// end), the port, when given, to *port; HOST_BAD for an empty or overlong host,
// HOST_BAD_PORT for a port outside 1 to 65535.
enum { HOST_OK = 0, HOST_BAD = 1, HOST_BAD_PORT = 2 };
int splitHostPort(const char* text, char* host, size_t room, long* port);
