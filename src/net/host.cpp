// The host's side of a network session: a guest arriving or refused, leaving, what it sends, and the start of a match.
#include "net/host.h"

#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"
#include "match/flow.h"
#include "net/link.h"
#include "net/meeting.h"
#include "net/protocol.h"
#include "net/steps.h"
#include "net/watchers.h"

bool waitingForGuest() { return isHost() && game.p2Human && !game.netConnected; }

static void guestArrives(const NetEvent& event) {
    if (event.data != NET_PROTOCOL_VERSION) {
        fprintf(stderr, "Network: refused a guest of protocol version %u; this game speaks version %d\n",
                (unsigned)(event.data & ~(uint32_t)NET_WATCHER), NET_PROTOCOL_VERSION);
        platform.netDisconnect(event.peer, NET_REFUSED_VERSION | NET_PROTOCOL_VERSION << NET_REFUSAL_BITS);
        return;
    }
    if (game.netConnected) {
        platform.netDisconnect(event.peer, NET_REFUSED_BUSY);  // one guest at a time
        return;
    }
    game.netPeer = event.peer;
    game.netConnected = 1;
    game.netGuestLeft = 0;
    std::strcpy(game.netRemoteName, "player 2");  // until the guest gives its own
    // A guest met through the lobby comes from one of its candidates: the way it took is said.
    char address[ADDRESS_TEXT_SIZE];
    uint16_t port;
    game.meetPath = platform.netPeerAddress(event.peer, address, &port) ? (u8)metBy(address, port) : 0xFF;
    if (game.meetPath != 0xFF && !game.netFromMenu) {
        printf("player 2 met %s at %s:%u\n", pathWords(game.meetPath), address, (unsigned)port);
        fflush(stdout);
    }
}

void guestLeaves() {
    game.netPeer = nullptr;
    game.netConnected = 0;
    game.netGuestLeft = 1;
    fprintf(stderr, "Network: player 2 left\n");
    endNetworkMatch(false);
}

void hostReceives(const NetEvent& event) {
    // A watcher says it watches in its connection request; what it says later is its own.
    if (event.type == NET_EVENT_CONNECT && (event.data & NET_WATCHER) &&
        (event.data & ~(uint32_t)NET_WATCHER) == NET_PROTOCOL_VERSION) {
        watcherArrives(event);
        return;
    }
    if (isWatcher(event.peer)) {
        watcherReceives(event);
        return;
    }
    switch (event.type) {
    case NET_EVENT_CONNECT: guestArrives(event); break;
    case NET_EVENT_DISCONNECT:
        if (event.peer == game.netPeer && game.netConnected) guestLeaves();
        break;
    case NET_EVENT_RECEIVE: {
        if (event.peer != game.netPeer || !game.netConnected) break;  // a refused peer's last words
        game.netBytesIn += (u32)event.length;
        char name[NET_NAME_BYTES + 1];
        NetHolds holds;
        if (readHello(event.bytes, event.length, name)) {
            std::strcpy(game.netRemoteName, name);
        } else if (readHolds(event.bytes, event.length, &holds)) {
            if (game.netMatch) holdsArrive(holds);
        } else if (readMatchEnd(event.bytes, event.length)) {
            endNetworkMatch(false);
        }
        break;  // anything else is dropped unread
    }
    default: break;
    }
}

bool beginNetworkMatch() {
    if (!isHost() || !game.p2Human || !game.netConnected) return false;
    NetMatchStart start;
    start.playground = game.playground;
    std::memset(start.name, 0, sizeof start.name);
    std::memcpy(start.name, game.p1name, NET_NAME_BYTES);  // a name holds at most 8 characters
    start.difficulty = game.difficulty;
    // Any seed will do; the clock gives each match its own.
    start.seed = platform.getTicks() * 2654435761u + 1;
    start.number = (uint8_t)(game.netMatchNumber + 1);
    startMatch();
    beginStepping(start);
    uint8_t packet[NET_PACKET_MAX];
    send(NET_RELIABLE, packet, writeMatchStart(packet, start), true);
    return true;
}
