// What the lobby carries and what the meeting sends on the game's own port: the lobby's text
// messages (a room, a knock, a host's answer, the meeting place's servers), STUN's binding request
// and answer, and the punch's probes; each written here and read back by a bounded reader.
//
// The lobby's messages are short lines of text, "key value" each, for a meeting
// place run by anyone: the reader takes at most LOBBY_MESSAGE_BYTES, printable
// text only, and gives up on anything it cannot use; a key it does not know is passed over.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/game_state.h"
#include "core/platform.h"

// The room codes' alphabet: no 0 and O, no 1, I and L, read aloud easily.
extern const char ROOM_CODE_ALPHABET[];
// Upper-cases `text` into `code` when it is a room code; false otherwise.
bool readRoomCode(const char* text, char* code);

enum { LOBBY_WANT_PLAY = 1, LOBBY_WANT_WATCH = 2 };
enum { LOBBY_COME = 1, LOBBY_TAKEN = 2, LOBBY_OTHER_VERSION = 3 };
enum { LOBBY_NAME_SIZE = 9, LOBBY_HOST_SIZE = LOBBY_SERVER_SIZE, LOBBY_CREDENTIAL_SIZE = LOBBY_SECRET_SIZE };

// Any of the lobby's messages as read: what it held (zero where it held nothing).
struct LobbyNote {
    uint32_t version;                  // "tarvo N": the game protocol's version (0: none given, as the meeting place's own)
    char name[LOBBY_NAME_SIZE];        // "name": the player
    char code[ROOM_CODE_SIZE];         // "code": a listed room's code
    uint8_t seat;                      // "seat free|busy": 1 free, 2 busy
    uint8_t want;                      // "want play|watch"
    uint8_t answer;                    // "answer come|taken|version"
    Candidate candidates[CANDIDATES_MAX];  // "lan|mapped|outside|relayed A.B.C.D:PORT"
    int candidateCount;
    char stunHost[LOBBY_HOST_SIZE];    // "stun HOST:PORT": "*" the broker's own host
    uint16_t stunPort;
    char relayUser[LOBBY_CREDENTIAL_SIZE];  // "relay USER PASSWORD"
    char relayPassword[LOBBY_CREDENTIAL_SIZE];
    uint8_t token[MEET_TOKEN_SIZE];    // "token HEX": the meeting's, in the host's answer
    uint8_t hasToken;
};

// Writes what `note` holds (what is set of it) into `out`;
// the length, or 0 when it does not fit in `room`.
size_t writeLobbyNote(const LobbyNote& note, uint8_t* out, size_t room);
// Reads one message; false for anything too long, not text, or not understood.
bool readLobbyNote(const uint8_t* bytes, size_t length, LobbyNote* note);

// STUN (RFC 5389): a binding request with its 12-byte transaction, and the
// answer's XOR-MAPPED-ADDRESS (or MAPPED-ADDRESS) for that transaction.
enum { STUN_REQUEST_SIZE = 20, STUN_TRANSACTION_SIZE = 12 };
size_t writeStunRequest(uint8_t* out, const uint8_t* transaction);
bool readStunAnswer(const uint8_t* bytes, size_t length, const uint8_t* transaction, char* address, uint16_t* port);

// The punch: a probe says "here I am" to a candidate of the other side, and is
// answered from the port it reached; both carry the room's code and the
// meeting's token, so that a stranger's datagrams are told apart.
enum { PUNCH_PROBE = 1, PUNCH_ANSWER = 2 };
enum { PUNCH_TOKEN_SIZE = 8, PUNCH_SIZE = 4 + 1 + ROOM_CODE_LENGTH + PUNCH_TOKEN_SIZE };
size_t writePunch(uint8_t* out, int kind, const char* code, const uint8_t* token);
bool readPunch(const uint8_t* bytes, size_t length, int* kind, char* code, uint8_t* token);
// What the game's port sets aside for the meeting: STUN's answers and the punch's datagrams.
int meetingDatagram(const uint8_t* bytes, size_t length);
