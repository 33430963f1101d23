// The relay's messages: TURN's requests (Allocate, Refresh, CreatePermission, ChannelBind, with the
// long-term credentials' MESSAGE-INTEGRITY), its answers and Data indications read by a bounded
// reader, and the ChannelData frame that carries the game's own datagrams.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/platform.h"

enum {
    TURN_ALLOCATE = 0x003,
    TURN_REFRESH = 0x004,
    TURN_SEND = 0x006,
    TURN_DATA = 0x007,
    TURN_CREATE_PERMISSION = 0x008,
    TURN_CHANNEL_BIND = 0x009
};
enum { TURN_REQUEST = 0x000, TURN_INDICATION = 0x010, TURN_SUCCESS = 0x100, TURN_ERROR = 0x110 };
enum { TURN_TRANSACTION_SIZE = 12, TURN_REALM_SIZE = 64, TURN_NONCE_SIZE = 128, TURN_CREDENTIAL_SIZE = 33 };
// A channel's number, and what ChannelData adds to each datagram it carries.
enum { TURN_FIRST_CHANNEL = 0x4000, CHANNEL_DATA_HEAD = 4 };
enum { TURN_MESSAGE_MAX = 600 };

// A request to write: its method and transaction, what it carries (a peer, a
// channel, a lifetime; -1 and zero where it carries none), and the credentials
// it is signed with once the server has given its realm and nonce.
struct TurnRequest {
    uint16_t method;
    uint8_t transaction[TURN_TRANSACTION_SIZE];
    int32_t lifetime = -1;              // seconds; 0 releases the allocation
    bool transport = false;             // Allocate: REQUESTED-TRANSPORT UDP
    char peer[ADDRESS_TEXT_SIZE] = {};  // "" none
    uint16_t peerPort = 0;
    uint16_t channel = 0;
    const char* user = nullptr;         // null: unsigned (the first Allocate)
    const char* password = nullptr;
    const char* realm = nullptr;
    const char* nonce = nullptr;
};
size_t writeTurnRequest(uint8_t* out, size_t room, const TurnRequest& request);

// A message read: its method and class, its transaction, and what it held.
struct TurnMessage {
    uint16_t method;
    uint16_t kind;  // TURN_REQUEST, TURN_INDICATION, TURN_SUCCESS or TURN_ERROR
    uint8_t transaction[TURN_TRANSACTION_SIZE];
    int error;      // the error's code, 0 none
    char realm[TURN_REALM_SIZE];
    char nonce[TURN_NONCE_SIZE];
    char relayed[ADDRESS_TEXT_SIZE];  // XOR-RELAYED-ADDRESS, "" none
    uint16_t relayedPort;
    char peer[ADDRESS_TEXT_SIZE];     // XOR-PEER-ADDRESS, "" none
    uint16_t peerPort;
    int32_t lifetime;                 // -1 none
    const uint8_t* data;              // DATA, within the bytes read
    size_t dataLength;
};
bool readTurnMessage(const uint8_t* bytes, size_t length, TurnMessage* message);

// ChannelData: the channel's number, the length, the datagram (padded to four bytes).
size_t writeChannelData(uint8_t* out, size_t room, uint16_t channel, const uint8_t* data, size_t length);
bool readChannelData(const uint8_t* bytes, size_t length, uint16_t* channel, const uint8_t** data, size_t* dataLength);
