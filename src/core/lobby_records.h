// What the lobby and the meeting keep in the game record: room codes, the ways a side may be
// reached, the rooms listed, and the sides being met.
#pragma once

#include <cstdint>

// The lobby: friends anywhere meet by a room code through an MQTT broker. A
// room code is six characters from an alphabet without look-alikes.
enum { ROOM_CODE_LENGTH = 6, ROOM_CODE_SIZE = ROOM_CODE_LENGTH + 1 };
enum { LOBBY_DEFAULT_PORT = 1883, LOBBY_ID_SIZE = 17, LOBBY_ROOMS_MAX = 8, LOBBY_SERVER_SIZE = 64, LOBBY_SECRET_SIZE = 33 };
// Where a side may be reached, best first: on its own network, through the
// port its router forwards, at the outside address STUN saw for the game's own
// port, through the relay.
enum { CANDIDATE_LAN = 0, CANDIDATE_MAPPED = 1, CANDIDATE_OUTSIDE = 2, CANDIDATE_RELAY = 3, CANDIDATES_MAX = 5 };
struct Candidate {
    char address[16] = {};
    uint16_t port = 0;
    uint8_t kind = 0;
};
// A room the lobby lists: who hosts it, its code, whether its seat is free.
struct LobbyRoom {
    char id[LOBBY_ID_SIZE] = {};  // the host's name at the broker
    char name[9] = {};
    char code[ROOM_CODE_SIZE] = {};
    uint8_t free = 0;
};
// One side met through the lobby, for the punch: its candidates, the token its
// datagrams carry, and when the meeting began. The host keeps a few at once
// (a guest and watchers); a guest keeps its host in the first.
enum { MEETINGS_MAX = 4, MEET_TOKEN_SIZE = 8 };
struct Meeting {
    char id[LOBBY_ID_SIZE] = {};  // "" a free place
    uint8_t want = 0;                  // play or watch
    uint8_t token[MEET_TOKEN_SIZE] = {};
    Candidate candidates[CANDIDATES_MAX];
    int32_t candidateCount = 0;
    uint32_t startTick = 0, probeTick = 0;
};

// A guest's relay on the meeting place's TURN server (net/relay.h): where its
// allocation stands, the request awaiting its answer, and what it carried.
enum { RELAY_NONE = 0, RELAY_ASKING = 1, RELAY_PERMITTING = 2, RELAY_AWAITING = 3, RELAY_BINDING = 4, RELAY_READY = 5 };
struct RelayState {
    uint8_t stage = RELAY_NONE;
    int32_t socket = -1;              // its own socket: to the server, and to ENet on this machine
    uint16_t socketPort = 0;
    uint16_t enetPort = 0;            // ENet's port on this machine
    char realm[64] = {};
    char nonce[128] = {};
    uint8_t transaction[12] = {};
    uint16_t asking = 0;              // the method of the request awaiting its answer, 0 none
    uint8_t signedAsk = 0;            // that request carried the credentials
    uint32_t askTick = 0;
    uint8_t tries = 0;
    uint32_t stageTick = 0;
    char relayed[16] = {};            // the allocation's address on the server
    uint16_t relayedPort = 0;
    char peer[16] = {};               // the host, as the relay sees it
    uint16_t peerPort = 0;
    uint32_t lifetime = 0;            // the allocation's, in seconds
    uint32_t allocatedTick = 0, permittedTick = 0, boundTick = 0;
    uint32_t bytesToHost = 0, bytesFromHost = 0;  // the game's own bytes it carried
};
