// The relay: a guest's allocation on the meeting place's TURN server, its permission and channel for the host, and the game's datagrams carried over it.
//
// All of it runs on a socket of the relay's own, never the ENet one: ENet
// connects to that socket on this machine, and the frame loop passes each of
// its datagrams on to the server as ChannelData and each ChannelData back to
// ENet. The host needs no relay of its own: it sends to the relay's address as
// to any other candidate, and its probe, arriving as a Data indication, shows
// the port its router chose, which the channel is then bound to.
#include "net/relay.h"

#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"
#include "net/lobby_messages.h"
#include "net/turn_messages.h"

// A request unanswered is sent again this often, this many times in all.
static const uint32_t ASK_AGAIN_MS = 500;
static const int ASKS = 5;
// The host's probe must come through the relay within this long of the knock.
static const uint32_t HOST_WAIT_MS = 5000;
// Asked for, and refreshed well before they run out: the allocation at half its
// lifetime, the permission (five minutes) after four, the channel (ten) after five.
static const int32_t LIFETIME_SECONDS = 600;
static const uint32_t PERMISSION_REFRESH_MS = 240000;
static const uint32_t CHANNEL_REFRESH_MS = 300000;

static RelayState& held() { return game.relay; }

bool relayPossible() { return game.relayUser[0] && game.relayPassword[0] && game.stunHost[0] && game.stunPort; }

// Where the host sends from, as far as its candidates tell: the permission is for its address.
static const Candidate* hostOutside() {
    const Meeting& meeting = game.meetings[0];
    for (int i = 0; i < meeting.candidateCount; i++)
        if (meeting.candidates[i].kind == CANDIDATE_OUTSIDE || meeting.candidates[i].kind == CANDIDATE_MAPPED)
            return &meeting.candidates[i];
    return meeting.candidateCount ? &meeting.candidates[0] : nullptr;
}

static void toServer(const uint8_t* bytes, size_t length) {
    platform.udpSend(held().socket, game.stunHost, game.stunPort, bytes, length);
}

// Sends request `method` as the relay stands now: a new transaction unless it is a try again.
static void ask(uint16_t method, bool again = false, int32_t lifetime = LIFETIME_SECONDS) {
    RelayState& r = held();
    TurnRequest request;
    request.method = method;
    if (!again) {
        platform.randomBytes(r.transaction, sizeof r.transaction);
        r.tries = 0;
    }
    std::memcpy(request.transaction, r.transaction, sizeof r.transaction);
    if (method == TURN_ALLOCATE) request.transport = true;
    if (method == TURN_ALLOCATE || method == TURN_REFRESH) request.lifetime = lifetime;
    if (method == TURN_CREATE_PERMISSION) {
        const Candidate* host = hostOutside();
        if (!host) return;
        snprintf(request.peer, sizeof request.peer, "%s", host->address);
        request.peerPort = host->port;
    }
    if (method == TURN_CHANNEL_BIND) {
        snprintf(request.peer, sizeof request.peer, "%s", r.peer);
        request.peerPort = r.peerPort;
        request.channel = TURN_FIRST_CHANNEL;
    }
    if (r.nonce[0]) {
        request.user = game.relayUser;
        request.password = game.relayPassword;
        request.realm = r.realm;
        request.nonce = r.nonce;
    }
    uint8_t bytes[TURN_MESSAGE_MAX];
    const size_t length = writeTurnRequest(bytes, sizeof bytes, request);
    if (!length) return;
    toServer(bytes, length);
    r.asking = method;
    r.signedAsk = r.nonce[0] != 0;
    r.askTick = platform.getTicks();
    r.tries++;
}

void startRelay() {
    RelayState& r = held();
    releaseRelay();
    r = RelayState{};
    r.socket = platform.udpOpen(0);
    if (r.socket < 0) return;
    r.socketPort = platform.udpLocalPort(r.socket);
    r.enetPort = platform.netLocalPort(game.netHost);
    r.stage = RELAY_ASKING;
    r.stageTick = platform.getTicks();
    ask(TURN_ALLOCATE);
}

// What the server answered to the request awaiting it; false, with `why`, when the relay cannot be had.
static bool answered(const TurnMessage& answer, const char** why) {
    RelayState& r = held();
    const uint16_t method = r.asking;
    r.asking = 0;
    if (answer.kind == TURN_ERROR) {
        // The first request learns the realm and nonce; a nonce grown stale is renewed.
        if ((answer.error == 401 && !r.signedAsk) || answer.error == 438) {
            if (answer.realm[0]) std::strcpy(r.realm, answer.realm);
            if (answer.nonce[0]) std::strcpy(r.nonce, answer.nonce);
            if (r.nonce[0]) {
                ask(method);
                return true;
            }
        }
        if (r.stage == RELAY_READY) return true;  // a refresh refused: the connection says when it is lost
        *why = answer.error == 401 ? "the relay refused its credentials" : "the relay refused";
        return false;
    }
    const uint32_t now = platform.getTicks();
    if (method == TURN_ALLOCATE && r.stage == RELAY_ASKING) {
        if (!answer.relayed[0]) {
            *why = "the relay gave no address";
            return false;
        }
        std::strcpy(r.relayed, answer.relayed);
        r.relayedPort = answer.relayedPort;
        r.lifetime = answer.lifetime > 0 ? (uint32_t)answer.lifetime : (uint32_t)LIFETIME_SECONDS;
        r.allocatedTick = now;
        r.stage = RELAY_PERMITTING;
        ask(TURN_CREATE_PERMISSION);
    } else if (method == TURN_CREATE_PERMISSION) {
        r.permittedTick = now;
        if (r.stage == RELAY_PERMITTING) r.stage = RELAY_AWAITING, r.stageTick = now;
    } else if (method == TURN_CHANNEL_BIND) {
        r.boundTick = now;
        if (r.stage == RELAY_BINDING) r.stage = RELAY_READY;
    } else if (method == TURN_REFRESH) {
        r.allocatedTick = now;
        if (answer.lifetime > 0) r.lifetime = (uint32_t)answer.lifetime;
    }
    return true;
}

// The host's probe through the relay: it shows where the host sends from, and the channel is bound there.
static void hostProbed(const TurnMessage& data) {
    RelayState& r = held();
    int kind;
    char code[ROOM_CODE_SIZE];
    uint8_t token[MEET_TOKEN_SIZE];
    if (r.stage != RELAY_AWAITING || !data.data || !readPunch(data.data, data.dataLength, &kind, code, token) ||
        std::strcmp(code, game.meetCode) != 0 || std::memcmp(token, game.meetings[0].token, MEET_TOKEN_SIZE) != 0)
        return;
    std::strcpy(r.peer, data.peer);
    r.peerPort = data.peerPort;
    r.stage = RELAY_BINDING;
    ask(TURN_CHANNEL_BIND);
}

// What came to the relay's socket: the server's answers, indications and
// ChannelData, and ENet's datagrams from this machine; false when the relay failed.
static bool readSocket(const char** why) {
    RelayState& r = held();
    uint8_t bytes[TURN_MESSAGE_MAX];
    char from[ADDRESS_TEXT_SIZE];
    uint16_t port;
    for (int i = 0; i < 64; i++) {
        const int length = platform.udpReceive(r.socket, bytes, sizeof bytes, from, &port);
        if (length == 0) break;
        if (length < 0) continue;
        const bool server = port == game.stunPort && std::strcmp(from, game.stunHost) == 0;
        if (!server) {
            // ENet on this machine, to the host through the channel.
            if (r.stage != RELAY_READY || port != r.enetPort || std::strcmp(from, "127.0.0.1") != 0) continue;
            uint8_t framed[TURN_MESSAGE_MAX + CHANNEL_DATA_HEAD];
            const size_t size = writeChannelData(framed, sizeof framed, TURN_FIRST_CHANNEL, bytes, (size_t)length);
            if (size) toServer(framed, size);
            r.bytesToHost += (uint32_t)length;
            continue;
        }
        uint16_t channel;
        const uint8_t* data;
        size_t dataLength;
        TurnMessage message;
        if (readChannelData(bytes, (size_t)length, &channel, &data, &dataLength)) {
            if (channel != TURN_FIRST_CHANNEL || r.stage != RELAY_READY) continue;
            platform.udpSend(r.socket, "127.0.0.1", r.enetPort, data, dataLength);
            r.bytesFromHost += (uint32_t)dataLength;
        } else if (readTurnMessage(bytes, (size_t)length, &message)) {
            if (message.kind == TURN_INDICATION && message.method == TURN_DATA) {
                if (r.stage == RELAY_READY && message.data && std::strcmp(message.peer, r.peer) == 0)
                    platform.udpSend(r.socket, "127.0.0.1", r.enetPort, message.data, message.dataLength);
                else
                    hostProbed(message);
            } else if (r.asking && message.method == r.asking &&
                       std::memcmp(message.transaction, r.transaction, sizeof r.transaction) == 0 &&
                       !answered(message, why)) {
                return false;
            }
        }
    }
    return true;
}

// A request unanswered is sent again; false when the relay never answers.
static bool askAgain(const char** why) {
    RelayState& r = held();
    if (!r.asking || platform.getTicks() - r.askTick < ASK_AGAIN_MS) return true;
    if (r.tries >= ASKS) {
        r.asking = 0;
        *why = "the relay does not answer";
        return r.stage == RELAY_READY;
    }
    ask(r.asking, true);
    return true;
}

int relayOnward(const char** why) {
    RelayState& r = held();
    if (r.socket < 0) {
        *why = "no relay socket";
        return RELAY_FAILED;
    }
    const uint8_t before = r.stage;
    if (!readSocket(why) || !askAgain(why)) return RELAY_FAILED;
    if (r.stage == RELAY_AWAITING && before != RELAY_AWAITING) return RELAY_KNOCK;
    if (r.stage == RELAY_AWAITING && platform.getTicks() - r.stageTick > HOST_WAIT_MS) {
        *why = "no host through the relay";
        return RELAY_FAILED;
    }
    if (r.stage != RELAY_READY) return RELAY_GOING;
    snprintf(game.netHostName, sizeof game.netHostName, "127.0.0.1");
    game.netPort = r.socketPort;
    game.meetPath = CANDIDATE_RELAY;
    return RELAY_MET;
}

void pumpRelay() {
    RelayState& r = held();
    if (r.stage != RELAY_READY || r.socket < 0) return;
    const char* why = nullptr;
    readSocket(&why);
    askAgain(&why);
    if (r.asking) return;
    const uint32_t now = platform.getTicks();
    if (now - r.allocatedTick >= r.lifetime * 500u)
        ask(TURN_REFRESH);
    else if (now - r.permittedTick >= PERMISSION_REFRESH_MS)
        ask(TURN_CREATE_PERMISSION);
    else if (now - r.boundTick >= CHANNEL_REFRESH_MS)
        ask(TURN_CHANNEL_BIND);
}

void releaseRelay() {
    RelayState& r = held();
    if (r.socket < 0) return;
    if (r.stage > RELAY_ASKING) ask(TURN_REFRESH, false, 0);  // a lifetime of nought: gone now, not in ten minutes
    platform.udpClose(r.socket);
    r = RelayState{};
}
