// The guest's side of a network session: connected, refused or lost, and the host's matches as they begin and end.
#include "net/guest.h"

#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"
#include "match/flow.h"
#include "net/link.h"
#include "net/protocol.h"
#include "net/session.h"
#include "net/steps.h"

void hostGone(const char* why) {
    fprintf(stderr, "Network: %s\n", why);
    game.netPeer = nullptr;
    game.netConnected = 0;
    endNetworkMatch(false);
    connectToHost();
}

// The host's match begins: its playground and difficulty, two players, the guest as player 2.
static void matchBegins(const NetMatchStart& start) {
    std::strcpy(game.netRemoteName, start.name);
    game.playground = start.playground;
    game.vsComputer = 0;
    game.p2Human = 1;
    game.guestWaiting = 0;
    game.netOwnDifficulty = game.difficulty;
    game.difficulty = start.difficulty;
    startMatch();
    beginStepping(start);
}

void guestReceives(const NetEvent& event) {
    switch (event.type) {
    case NET_EVENT_CONNECT:
        if (event.peer != game.netPeer) break;
        game.netConnected = 1;
        game.netEverConnected = 1;
        {
            uint8_t packet[NET_PACKET_MAX];
            send(NET_RELIABLE, packet, writeHello(packet, game.p1name), true);
        }
        break;
    case NET_EVENT_DISCONNECT:
        if (event.peer == game.netPeer && !connectionRefusedOrUnmade(event)) hostGone("host lost");
        break;
    case NET_EVENT_RECEIVE: {
        if (event.peer != game.netPeer || !game.netConnected) break;
        game.netBytesIn += (u32)event.length;
        NetHolds holds;
        NetMatchStart start;
        uint32_t step;
        MatchState match;
        if (readHolds(event.bytes, event.length, &holds)) {
            if (game.netMatch) holdsArrive(holds);
        } else if (readMatchStart(event.bytes, event.length, &start)) {
            if (!game.matchActive) matchBegins(start);
        } else if (readMatchEnd(event.bytes, event.length)) {
            endNetworkMatch(false);
        } else if (readMatchState(event.bytes, event.length, &step, &match)) {
            if (game.netMatch && match.stepsFixed) takeHostMatch(step, match);
        }
        break;  // anything else is dropped unread
    }
    default: break;
    }
}
