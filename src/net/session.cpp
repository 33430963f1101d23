// A network session begun and ended: a host listening, a guest connecting, a failure said in one line,
// and a session begun from the menu ended there again.
#include "net/session.h"

#include <GL/freeglut.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/sound.h"
#include "core/game_state.h"
#include "core/platform.h"
#include "net/discovery.h"
#include "net/link.h"
#include "net/lobby.h"
#include "net/protocol.h"
#include "net/router.h"
#include "match/flow.h"
#include "net/steps.h"

// The end of a network start that could not be made: one line, then status 1;
// begun from the menu, the menu comes back and says why.
void networkFails(const char* why) {
    fprintf(stderr, "Network: %s\n", why);
    if (!game.netFromMenu) platform.exitProgram(1);
    snprintf(game.menuNote, sizeof game.menuNote, "%s", why);
    endMenuSession();
}

void cannotReachHost() {
    char why[NET_HOST_NAME_SIZE + 32];
    snprintf(why, sizeof why, "cannot reach %s:%u", game.netHostName, (unsigned)game.netPort);
    networkFails(why);
}

void connectToHost() {
    game.netAttemptTick = platform.getTicks();
    // A watcher says so with its version; a guest gives the version alone.
    const uint32_t hello = NET_PROTOCOL_VERSION | (game.netRole == NET_ROLE_WATCHER ? NET_WATCHER : 0);
    game.netPeer = platform.netConnect(game.netHost, game.netHostName, game.netPort, hello);
    if (!game.netPeer && !game.netEverConnected) cannotReachHost();
}

bool connectionRefusedOrUnmade(const NetEvent& event) {
    const uint32_t reason = event.data & 0xFF;
    char why[NET_HOST_NAME_SIZE + 96];
    if (game.netConnected && reason == NET_REFUSED_BUSY) {
        snprintf(why, sizeof why, "%s:%u already has a guest", game.netHostName, (unsigned)game.netPort);
    } else if (game.netConnected && reason == NET_REFUSED_VERSION) {
        snprintf(why, sizeof why, "%s:%u speaks protocol version %u; this game speaks version %d", game.netHostName,
                 (unsigned)game.netPort, (unsigned)(event.data >> NET_REFUSAL_BITS), NET_PROTOCOL_VERSION);
    } else if (game.netConnected && reason == NET_REFUSED_FULL) {
        snprintf(why, sizeof why, "the host has no room for more watchers");
    } else if (game.netConnected) {
        return false;  // lost
    } else {
        if (!game.netEverConnected)
            cannotReachHost();
        else
            connectToHost();  // the host is not back yet: try again
        return true;
    }
    networkFails(why);
    return true;
}

void startNetwork() {
    if (game.netRole == NET_ROLE_NONE) return;
    const char* stats = getenv("TARVO_NET_STATS");
    game.netStatsWanted = stats && *stats && strcmp(stats, "0") != 0;
    if (platform.netStart() != 0) {
        networkFails("cannot start the network");
        return;
    }
    if (isHost()) {
        errno = 0;
        game.netHost = platform.netListen(game.netPort);
        if (!game.netHost) {
            char why[96];
            snprintf(why, sizeof why, "cannot listen on port %u: %s", (unsigned)game.netPort,
                     errno ? strerror(errno) : "the port is not free");
            networkFails(why);
            return;
        }
        startAnswering();  // guests on the local network find it
        askRouter();       // and friends on the internet, through a port the router opens
        openRoom();        // or by a room code, through the lobby
        return;
    }
    // A guest or a watcher has no intro and no menu: it waits for the host's matches.
    game.netHost = platform.netClient();
    if (!game.netHost) {
        networkFails("cannot start the network");
        return;
    }
    game.introActive = 0;
    game.guestWaiting = 1;
    if (!game.netFromMenu) fadeInMenuMusic();  // from the menu, its music plays on
    if (game.meetCode[0])
        meetRoom();  // a room code: met through the lobby first
    else
        connectToHost();
}

void leaveSession() {
    if (game.netFromMenu) {
        endMenuSession();
        return;
    }
    closeNetwork();
    platform.exitProgram(0);
}

bool hostFromMenu() {
    if (game.netRole == NET_ROLE_HOST) return true;
    if (game.netRole != NET_ROLE_NONE) return false;
    game.netRole = NET_ROLE_HOST;
    game.netFromMenu = 1;
    game.netPort = NET_DEFAULT_PORT;
    game.menuNote[0] = 0;
    startNetwork();
    if (game.netRole != NET_ROLE_HOST) return false;  // the note says why
    game.hostAddressCount = platform.localAddresses(game.hostAddresses, HOST_ADDRESSES_MAX);
    return true;
}

// The menu's join, whichever way the host is named: the waiting screen, then the session.
static bool joinAs(int role) {
    game.netRole = (u8)role;
    game.netFromMenu = 1;
    game.menuNote[0] = 0;
    game.menuActive = 0;
    platform.setCursor(GLUT_CURSOR_NONE);
    startNetwork();
    return game.netRole == role;
}

bool joinFromMenu(const char* host, uint16_t port, int role) {
    if (game.netRole != NET_ROLE_NONE || !host[0] || std::strlen(host) >= sizeof game.netHostName) return false;
    std::strcpy(game.netHostName, host);
    game.meetCode[0] = 0;
    game.netPort = port;
    return joinAs(role);
}

bool joinRoomFromMenu(const char* code, int role) {
    if (game.netRole != NET_ROLE_NONE || std::strlen(code) != ROOM_CODE_LENGTH) return false;
    closeLobby();  // the join page's listing gives way to the meeting's own
    std::strcpy(game.meetCode, code);
    game.netHostName[0] = 0;
    game.netPort = 0;
    return joinAs(role);
}

// Back to where the session began: a host stays on its page, a guest or a
// watcher comes back to the join page. The other side is told; the port is free again.
void endMenuSession() {
    if (!game.netFromMenu) return;
    const bool guest = isGuest() || game.netRole == NET_ROLE_WATCHER;
    closeNetwork();
    endNetworkMatch(false, false);
    if (game.watchingMatch) {
        endMatch();
        game.watchingMatch = 0;
        game.difficulty = game.netOwnDifficulty;
    }
    stopAnswering();
    if (game.netHost) platform.netClose(game.netHost);
    game.netHost = nullptr;
    game.netPeer = nullptr;
    game.netConnected = game.netEverConnected = game.netGuestLeft = 0;
    game.netRole = NET_ROLE_NONE;
    game.netFromMenu = 0;
    if (guest) {
        game.guestWaiting = 0;
        game.menuActive = 1;
        game.menuPage = game.menuHoverPage = PAGE_JOIN;
        game.glowVisible = 0;
        platform.setCursor(GLUT_CURSOR_RIGHT_ARROW);
    }
}
