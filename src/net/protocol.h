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
// Version 3: a third game may watch: it is sent the match and both players' settled holds.
enum { NET_PROTOCOL_VERSION = 3 };
// A watcher's connection request carries this bit above the version: a watcher's hello.
enum { NET_WATCHER = 0x100 };
// A host takes at most this many watchers besides its guest.
enum { NET_WATCHERS_MAX = 4 };
enum { NET_DEFAULT_PORT = 47312 };

// Channel 0 carries what must arrive, in order; channel 1 the holds, whose every
// packet repeats what the other side has not yet acknowledged.
enum { NET_RELIABLE = 0, NET_HOLDS_CHANNEL = 1 };

enum {
    NET_HELLO = 1,        // guest to host: its player's name
    NET_HOLDS = 2,        // either way: this side's holds by step, what it has of the other's, a checksum
    NET_MATCH_START = 3,  // host to guest: a match begins: playground, the host's name, difficulty, seed
    NET_MATCH_STATE = 4,  // host to guest: the host's settled match, taken when the checksums differ
    NET_MATCH_END = 5,    // either way: this side has left the match (game over, Escape); host to watchers too
    NET_WATCH_START = 6,  // host to watcher: the match it is to watch: playground, both names, difficulty, number
    NET_WATCH_HOLDS = 7,  // host to watcher: both players' settled holds from a step, and how far the host has settled
    NET_WATCH_KNOWN = 8,  // watcher to host: the steps it has the holds of (never holds of its own)
};

// Why a host ends a guest's connection at once (the disconnect's data); a
// refusal for the version carries the host's own version above these bits.
// A watcher finds no room when the host has its NET_WATCHERS_MAX.
enum { NET_REFUSED_BUSY = 1, NET_REFUSED_VERSION = 2, NET_REFUSED_FULL = 3, NET_REFUSAL_BITS = 8 };

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
    NET_WATCH_START_SIZE = 2 + 2 * NET_NAME_BYTES + 5,
    NET_WATCH_HOLDS_HEAD = 11,
    NET_WATCH_HOLDS_MAX = NET_WATCH_HOLDS_HEAD + 2 * NET_RUNS_MAX,
    NET_WATCH_KNOWN_SIZE = 6,
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

// The match a watcher is to watch: sent before the match state it starts from.
struct NetWatchStart {
    int playground;                    // 1 or 2
    char names[2][NET_NAME_BYTES + 1]; // the host's player and the guest's
    float difficulty;
    uint8_t number;                    // the host's count of its matches
};

// Both players' settled holds, for steps `from` on: runs of equal steps, each
// holds byte the host's holds (bits 0-3, its pause among them) and the guest's
// (bits 4-6). `settled` is how many steps the host had settled when it sent this.
struct NetWatchHolds {
    uint8_t match;
    uint32_t from, settled;
    uint8_t runs;
    uint8_t runLength[NET_RUNS_MAX];
    uint8_t runHolds[NET_RUNS_MAX];
};

// The host's difficulty lies above 0 and up to this.
const float NET_DIFFICULTY_MAX = 1000.0f;

// Writers: each fills `out` (room for NET_PACKET_MAX bytes) and gives the size.
// Adds one step's holds to a packet's runs: the last run one longer when they are
// its holds, else a new run; false when the packet has room for no more.
bool addHoldToRuns(uint8_t& runs, uint8_t* runLength, uint8_t* runHolds, uint8_t held);

size_t writeHello(uint8_t* out, const char* name);
size_t writeHolds(uint8_t* out, const NetHolds& holds);
size_t writeMatchStart(uint8_t* out, const NetMatchStart& start);
size_t writeMatchState(uint8_t* out, uint32_t step, const MatchState& match);
size_t writeMatchEnd(uint8_t* out);
size_t writeWatchStart(uint8_t* out, const NetWatchStart& start);
size_t writeWatchHolds(uint8_t* out, const NetWatchHolds& holds);
size_t writeWatchKnown(uint8_t* out, uint8_t match, uint32_t known);

// Readers: true and the values when the packet is whole and sound. A name
// comes back zero-terminated (room for NET_NAME_BYTES + 1).
bool readHello(const uint8_t* data, size_t length, char* name);
bool readHolds(const uint8_t* data, size_t length, NetHolds* holds);
bool readMatchStart(const uint8_t* data, size_t length, NetMatchStart* start);
bool readMatchState(const uint8_t* data, size_t length, uint32_t* step, MatchState* match);
bool readMatchEnd(const uint8_t* data, size_t length);
bool readWatchStart(const uint8_t* data, size_t length, NetWatchStart* start);
bool readWatchHolds(const uint8_t* data, size_t length, NetWatchHolds* holds);
bool readWatchKnown(const uint8_t* data, size_t length, uint8_t* match, uint32_t* known);

// A port number of 1 to 65535 as typed, or -1.
long portNumber(const char* text);
// A host and maybe its port, as --join and the join page take them: HOST[:PORT],
// the port after the last colon. The host goes to `host` (room bytes with its
// end), the port, when given, to *port; HOST_BAD for an empty or overlong host,
// HOST_BAD_PORT for a port outside 1 to 65535.
enum { HOST_OK = 0, HOST_BAD = 1, HOST_BAD_PORT = 2 };
int splitHostPort(const char* text, char* host, size_t room, long* port);
