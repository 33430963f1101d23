// The connection to the other side of a network match, as both roles share it: sending, saying goodbye,
// the guest's waiting screen, and the names a match shows.
#include "net/link.h"

#include <GL/freeglut.h>

#include "core/game_state.h"
#include "core/platform.h"
#include "net/lobby.h"
#include "net/relay.h"
#include "net/router.h"

void send(int channel, const uint8_t* data, size_t length, bool reliable) {
    if (!game.netPeer || !game.netConnected) return;
    sendTo(game.netPeer, channel, data, length, reliable);
}

void sendTo(_ENetPeer* peer, int channel, const uint8_t* data, size_t length, bool reliable) {
    platform.netSend(peer, channel, data, length, reliable ? 1 : 0);
    platform.netFlush(game.netHost);
    game.netBytesOut += (u32)length;
    pumpRelay();  // and through the relay at once, when it carries the connection
}

void closeNetwork() {
    if (game.netPeer && game.netConnected) {
        platform.netDisconnect(game.netPeer, 0);
        platform.netFlush(game.netHost);
    }
    bool told = false;
    for (Watcher& watcher : game.watchers) {
        if (watcher.peer) platform.netDisconnect(watcher.peer, 0);
        told = told || watcher.peer;
        watcher = Watcher{};
    }
    if (told) platform.netFlush(game.netHost);
    forgetRouter();
    closeLobby();
    releaseRelay();
    game.meetPath = 0xFF;
}

void showWaitingScreen() {
    game.menuActive = 0;
    game.guestWaiting = 1;
    platform.setCursor(GLUT_CURSOR_NONE);
}

const char* matchName(int player) {
    if (game.watchingMatch) return game.watchNames[player == 1 ? 0 : 1];
    if (game.replayActive) return game.replayHeader.names[player == 1 ? 0 : 1];
    if (game.netMatch && isGuest()) return player == 1 ? game.netRemoteName : game.p1name;
    if (game.netMatch && isHost()) return player == 1 ? game.p1name : game.netRemoteName;
    if (player == 1) return game.p1name;
    return game.vsComputer ? "computer" : game.p2name;
}
