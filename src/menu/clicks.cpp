// Choosing in the menu, by a click or by Enter: change page, store the
// difficulty, host, join, start a match or quit; Escape's way back; the main
// menu shown again after a match.
#include "menu/clicks.h"

#include <GL/freeglut.h>

#include "assets/sound.h"
#include "assets/textures.h"
#include "core/game_state.h"
#include "core/platform.h"
#include "core/settings.h"
#include "input/pads.h"
#include "match/flow.h"
#include "menu/entry.h"
#include "menu/hover.h"
#include "net/discovery.h"
#include "net/host.h"
#include "net/link.h"
#include "net/lobby.h"
#include "net/lobby_messages.h"
#include "net/protocol.h"
#include "net/session.h"
#include "render/lists.h"

// What coming onto a page or leaving one starts or ends: the hosting page
// hosts, and a host begun there stops when its player goes back from it or
// chooses this computer or joining instead.
static void changePage(int from, int to) {
    const bool hostingHere = game.netFromMenu && game.netRole == NET_ROLE_HOST;
    if (from == PAGE_HOSTING && to == PAGE_TWO_PLAYERS && hostingHere) endMenuSession();
    if (from == PAGE_TWO_PLAYERS && (to == PAGE_PLAYGROUND || to == PAGE_JOIN) && hostingHere) endMenuSession();
    if (to == PAGE_HOSTING) hostFromMenu();
    if (to == PAGE_JOIN && from == PAGE_TWO_PLAYERS) game.menuNote[0] = 0;
}

// A row of the join page: this network's hosts first, then the internet's rooms.
// A host with its guest already is watched; a free one is joined.
static void joinListedHost(int row) {
    if (row >= 0 && row < game.foundHostCount) {
        const FoundHost& host = game.foundHosts[row];
        joinFromMenu(host.address, host.port, host.free ? NET_ROLE_GUEST : NET_ROLE_WATCHER);
    } else if (row >= game.foundHostCount && row < game.foundHostCount + game.lobbyRoomCount) {
        const LobbyRoom room = game.lobbyRooms[row - game.foundHostCount];
        joinRoomFromMenu(room.code, room.free ? NET_ROLE_GUEST : NET_ROLE_WATCHER);
    }
}

// The typed host, HOST or HOST:PORT, or a room's code when a lobby is set; one
// that cannot be a host says so and stays.
static void joinTypedHost() {
    char host[ADDRESS_ENTRY_SIZE];
    char code[ROOM_CODE_SIZE];
    if (lobbySet() && readRoomCode(game.addressEntry, code)) {
        game.menuPage = PAGE_JOIN;
        joinRoomFromMenu(code, NET_ROLE_GUEST);
        return;
    }
    long port = NET_DEFAULT_PORT;
    if (splitHostPort(game.addressEntry, host, sizeof host, &port) != HOST_OK) {
        snprintf(game.menuNote, sizeof game.menuNote, "%s", "type HOST or HOST:PORT");
        return;
    }
    game.menuPage = PAGE_JOIN;
    joinFromMenu(host, (uint16_t)port, NET_ROLE_GUEST);
}

// The hover test, or a key's move, has already decided where choosing leads;
// choosing only applies it.
void chooseMenuTarget() {
    // Hosting a two-player game, a playground starts nothing until the guest is here.
    if (game.menuHoverPage == ACTION_START_MATCH && waitingForGuest()) return;
    if (game.menuPage != game.menuHoverPage && game.effects)
        platform.playChannelTimed(CHANNEL_PAGE, game.soundChunks[SOUND_MENU_PAGE], 0, -1);
    const int from = game.menuPage;
    game.menuPage = game.menuHoverPage;
    game.glowVisible = 0;  // hidden until the pointer or a key moves it again
    if (game.menuPage == ACTION_START_MATCH) {
        // Against the guest when hosting a two-player game; the page stays 10 while the match runs.
        game.menuActive = 0;
        if (!beginNetworkMatch()) startMatch();
    } else if (game.menuPage == ACTION_QUIT) {
        quitGame();
    } else if (game.menuPage == ACTION_JOIN) {
        game.menuPage = PAGE_JOIN;
        joinListedHost(game.hoverHostRow);
    } else if (game.hoverOnDifficulty) {
        game.difficulty = game.hoverDifficulty;
    }
    // The hover target itself stays until the pointer moves: a second click
    // without a move does as the first did.
    game.menuItem = -1;
    if (game.menuPage != from) changePage(from, game.menuPage);
}

void chooseByKey() {
    if (!game.menuActive) return;
    if (game.menuPage == PAGE_P1_NAME || game.menuPage == PAGE_P2_NAME) {
        finishNameEntry();
    } else if (game.menuPage == PAGE_ADDRESS) {
        joinTypedHost();
    } else if (game.glowVisible && game.menuItem >= 0) {
        chooseMenuTarget();
    }
}

// Escape steps back one screen: a key page to the settings, a network page
// toward the two-player page, any other to the main menu; a name page is left
// only with Enter. What the glow was on belonged to the page left.
void menuEscape() {
    const int page = game.menuPage;
    int to = PAGE_MAIN;
    if (page == PAGE_P1_KEYS || page == PAGE_P2_KEYS) to = PAGE_SETTINGS;  // bindings captured so far stay
    if (page == PAGE_P1_NAME || page == PAGE_P2_NAME) to = page;
    if (page == PAGE_HOSTING || page == PAGE_JOIN) to = PAGE_TWO_PLAYERS;
    if (page == PAGE_ADDRESS) to = PAGE_JOIN;
    game.glowVisible = 0;
    if (to == page) return;
    game.menuPage = to;
    changePage(page, to);
    forgetHoverTarget();
}

// Once per idle step: the join pages look for hosts (and stop when left), the
// hosting page gives way to the playgrounds once a guest is here, and the glow
// leaves a listed host that went away.
void stepMenu() {
    const int page = game.menuPage;
    if (game.menuActive && (page == PAGE_JOIN || page == PAGE_ADDRESS)) {
        if (game.lookSocket < 0) startLooking();
        lookForHosts();
        // And the internet's rooms, through the lobby, while no session of its own talks to it.
        if (game.netRole == NET_ROLE_NONE) {
            listRooms();
            runLobby();
        }
    } else {
        if (game.lookSocket >= 0) stopLooking();
        if (game.netRole == NET_ROLE_NONE) closeLobby();
    }
    if (!game.menuActive) return;
    if (page == PAGE_HOSTING && game.netRole == NET_ROLE_HOST && game.netConnected) {
        game.menuPage = PAGE_PLAYGROUND;
        forgetHoverTarget();
    }
    if (game.hoverHostRow >= game.foundHostCount + game.lobbyRoomCount) forgetHoverTarget();
}

void showMainMenu() {
    releasePads();  // the next match starts with nothing held
    game.menuActive = 1;
    platform.setCursor(GLUT_CURSOR_RIGHT_ARROW);
    game.menuPage = 0;
}

void quitGame() {
    // Deleting a set that was never loaded, or is already gone, does no harm.
    freePlayground2Textures();
    freePlayground1Textures();
    freeBaseTextures();
    deleteDisplayLists();
    // The sound bank was opened at start-up only when either switch is on.
    if (game.music || game.effects) {
        platform.closeAudio();
        freeSounds();
    }
    // Settings that could not be saved are lost: the status says so.
    closeNetwork();
    platform.exitProgram(saveSettings() ? 0 : 1);
}
