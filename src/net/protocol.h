// The network protocol between a host and its guest: packet kinds, their layouts, and checked readers.
//
// Every packet starts with its kind. Numbers are little-endian; floats are
// IEEE single precision. A reader takes a packet only when its size is exact,
// its kind is the expected one and every value lies where the game can use it;
// anything else is refused whole, and the caller drops it.
#pragma once

#include <cstddef>
#include <cstdint>

// A guest of another version is refused; the version travels with the connection request.
enum { NET_PROTOCOL_VERSION = 1 };
enum { NET_DEFAULT_PORT = 47312 };

// Channel 0 carries what must arrive, in order; channel 1 the match state, whose newest copy is all that matters.
enum { NET_RELIABLE = 0, NET_STATE_CHANNEL = 1 };

enum {
    NET_HELLO = 1,        // guest to host: its player's name
    NET_HOLDS = 2,        // guest to host: what its player holds now
    NET_MATCH_START = 3,  // host to guest: a match begins on a playground; the host's name
    NET_STATE = 4,        // host to guest: the match as it stands after a host step
    NET_MATCH_END = 5,    // host to guest: the match is over (game over or left)
};

// What a guest holds, as bits.
enum { NET_HOLD_UP = 1, NET_HOLD_DOWN = 2, NET_HOLD_PASS = 4, NET_HOLD_ALL = 7 };

// Why a host ends a guest's connection at once (the disconnect's data); a
// refusal for the version carries the host's own version above these bits.
enum { NET_REFUSED_BUSY = 1, NET_REFUSED_VERSION = 2, NET_REFUSAL_BITS = 8 };

// Bits of a state's flags.
enum { NET_BALL_IN_PLAY = 1, NET_PAUSED = 2, NET_FLAGS_ALL = 3 };

// Names travel as 8 bytes, zero-padded.
enum { NET_NAME_BYTES = 8 };

enum {
    NET_HELLO_SIZE = 1 + NET_NAME_BYTES,
    NET_HOLDS_SIZE = 2,
    NET_MATCH_START_SIZE = 2 + NET_NAME_BYTES,
    NET_STATE_SIZE = 30,
    NET_MATCH_END_SIZE = 1,
    NET_PACKET_MAX = NET_STATE_SIZE,
};

// The match as the guest draws it. Sound counters count the bat hits, board
// bounces and points of the match, so a sound whose packet was lost is still
// played when the next packet arrives.
struct NetState {
    uint32_t sequence;  // counts the states of a match from 1; an older one is never applied
    float ballX, ballY, p1BatY, p2BatY;
    uint8_t p1Points, p2Points, p1Games, p2Games;
    uint8_t animFrame;
    uint8_t flags;
    uint8_t batSounds, boardSounds, outSounds;
};

// Where a state's values may lie: the ball between its outer stops, the bats within their bounds.
const float NET_BALL_X_MIN = -0.5f, NET_BALL_X_MAX = 2.0f;
const float NET_BALL_Y_LIMIT = 0.475f;
const float NET_BAT_LIMIT = 0.4f;
enum { NET_POINTS_MAX = 15, NET_GAMES_MAX = 3, NET_FRAMES = 6 };

// Writers: each fills `out` (room for NET_PACKET_MAX bytes) and gives the size.
size_t writeHello(uint8_t* out, const char* name);
size_t writeHolds(uint8_t* out, uint8_t holds);
size_t writeMatchStart(uint8_t* out, int playground, const char* name);
size_t writeState(uint8_t* out, const NetState& state);
size_t writeMatchEnd(uint8_t* out);

// Readers: true and the values when the packet is whole and sound. A name
// comes back zero-terminated (room for NET_NAME_BYTES + 1).
bool readHello(const uint8_t* data, size_t length, char* name);
bool readHolds(const uint8_t* data, size_t length, uint8_t* holds);
bool readMatchStart(const uint8_t* data, size_t length, int* playground, char* name);
bool readState(const uint8_t* data, size_t length, NetState* state);
bool readMatchEnd(const uint8_t* data, size_t length);
