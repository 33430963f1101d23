// The intro screen, the menu pages and a guest's waiting screen.
#include "menu/screens.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "net/host.h"
#include "net/lobby.h"
#include "render/text.h"

// Texture slots of the base set used by the intro and the menu.
enum {
    SLOT_FONT_NAME = 15,
    SLOT_FONT = 16,
    SLOT_LOGO_LEFT = 17,
    SLOT_LOGO_RIGHT = 18,
    SLOT_BACKGROUND = 19,
    SLOT_TITLE = 20,
    SLOT_SINGLE = 21,
    SLOT_MULTI = 22,
    SLOT_SETTINGS = 23,
    SLOT_EXIT = 24,
    SLOT_PANEL = 25,
    SLOT_GLOW = 26,
    SLOT_CORNER_LOGO = 27,
    SLOT_GROUND1 = 29,
    SLOT_GROUND2 = 30,
    SLOT_YES = 31,
    SLOT_NO = 32,
    SLOT_EASY = 33,
    SLOT_NORMAL = 34,
    SLOT_HARD = 35,
    SLOT_CHECK = 36,
    SLOT_P1_KEYS = 37,
    SLOT_P2_KEYS = 38,
    SLOT_P1_NAME = 39,
    SLOT_P2_NAME = 40,
    SLOT_CLOSE = 41,
    SLOT_LOCAL = 42,
    SLOT_HOST = 43,
    SLOT_JOIN = 44,
    SLOT_BACK = 45,
    SLOT_ADDRESS = 46,
    SLOT_WATCH = 47,
    SLOT_WATCH_OFF = 48,
};

// Menu screen quads, by their place in the menu list block.
enum {
    LIST_TITLE = 0,
    LIST_SINGLE = 1,
    LIST_MULTI = 2,
    LIST_SETTINGS = 3,
    LIST_EXIT = 4,
    LIST_MAIN_PANEL = 5,
    LIST_BACKGROUND = 6,
    LIST_GLOW_ITEM = 7,
    LIST_CORNER_LOGO = 8,
    LIST_GROUND_PANEL = 9,
    LIST_GROUND1 = 10,
    LIST_GROUND2 = 11,
    LIST_GLOW_GROUND = 12,
    LIST_SMALL_PANEL = 13,
    LIST_YES = 14,
    LIST_NO = 15,
    LIST_GLOW_ANSWER = 16,
    LIST_SETTINGS_PANEL = 17,
    LIST_EASY = 18,
    LIST_NORMAL = 19,
    LIST_HARD = 20,
    LIST_CHECK = 21,
    LIST_P1_KEYS = 22,
    LIST_P2_KEYS = 23,
    LIST_P1_NAME = 24,
    LIST_P2_NAME = 25,
    LIST_CLOSE = 26,
    LIST_WATCH = 27,
    LIST_WATCH_PANEL = 28,
    LIST_GLOW_ROW = 29,
    LIST_ADDRESS = 30,
    LIST_JOIN_BACK = 31,
    LIST_JOIN_PANEL = 32,
};

static void bindSlot(int slot) { glBindTexture(GL_TEXTURE_2D, game.textures[slot]); }

static void drawMenuList(int list, int slot) {
    bindSlot(slot);
    glCallList(game.menuLists + list);
}

// The hover glow, blended over the item whose corner the hover test chose.
static void drawGlow(int list) {
    if (!game.glowVisible) return;
    glTranslatef(game.glowX, game.glowY, 0.0f);
    drawMenuList(list, SLOT_GLOW);
}

// Both screens draw on the 640 x 480 virtual screen, whatever the window size.
static void pushVirtualScreen() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 640.0, 0.0, 480.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void drawIntroScreen() {
    glClearColor(game.introClearRed, 0.0f, game.introClearBlue, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    pushVirtualScreen();

    glPushMatrix();
    bindSlot(SLOT_LOGO_LEFT);
    glTranslatef(game.introLogo1X, 0.0f, 0.0f);
    glCallList(game.introLists + 0);
    glPopMatrix();

    bindSlot(SLOT_LOGO_RIGHT);
    glTranslatef(game.introLogo2X, 0.0f, 0.0f);
    glCallList(game.introLists + 1);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    if (game.lightingOn) glEnable(GL_LIGHTING);
}

// The menu's background, title and corner logo on the virtual screen, blending on.
static void beginMenuScreen() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    pushVirtualScreen();

    drawMenuList(LIST_BACKGROUND, SLOT_BACKGROUND);
    glEnable(GL_BLEND);
    drawMenuList(LIST_TITLE, SLOT_TITLE);
    drawMenuList(LIST_CORNER_LOGO, SLOT_CORNER_LOGO);
}

static void endMenuScreen() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    if (game.lightingOn) glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

// A line of the menu font centred across the virtual screen.
static void drawCentred(float y, const char* text) {
    drawText(320.0f - 7.0f * (float)std::strlen(text), y, text);
}

void drawMenu() {
    beginMenuScreen();

    switch (game.menuPage) {
    case 0: drawMainPage(); break;
    case 1: drawPlaygroundPage(); break;
    case 2: drawSettingsPage(); break;
    case 3: drawExitPage(); break;
    case 4:
    case 5: drawKeyPage(); break;
    case 6:
    case 7: drawNamePage(); break;
    case PAGE_TWO_PLAYERS: drawTwoPlayersPage(); break;
    case PAGE_HOSTING: drawHostingPage(); break;
    case PAGE_JOIN: drawJoinPage(); break;
    case PAGE_ADDRESS: drawAddressPage(); break;
    default: break;  // background and logos only
    }
    endMenuScreen();
}

void drawMainPage() {
    drawMenuList(LIST_MAIN_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawText(256, 360, "main menu");
    // A host whose guest has gone says so until another joins.
    if (game.netRole == NET_ROLE_HOST && game.netGuestLeft && !game.netConnected) drawCentred(106, "player 2 left");
    glDisable(GL_BLEND);
    drawMenuList(LIST_SINGLE, SLOT_SINGLE);
    drawMenuList(LIST_MULTI, SLOT_MULTI);
    drawMenuList(LIST_SETTINGS, SLOT_SETTINGS);
    drawMenuList(LIST_EXIT, SLOT_EXIT);
    glEnable(GL_BLEND);
    drawMenuList(LIST_WATCH_PANEL, SLOT_PANEL);
    glDisable(GL_BLEND);
    drawMenuList(LIST_WATCH, game.lastReplayThere ? SLOT_WATCH : SLOT_WATCH_OFF);
    glEnable(GL_BLEND);
    drawGlow(LIST_GLOW_ITEM);
    glDisable(GL_BLEND);
}

// This computer, host a game, join a game and back, where the main menu has its four.
void drawTwoPlayersPage() {
    drawMenuList(LIST_MAIN_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawCentred(360, "two players");
    glDisable(GL_BLEND);
    drawMenuList(LIST_SINGLE, SLOT_LOCAL);
    drawMenuList(LIST_MULTI, SLOT_HOST);
    drawMenuList(LIST_SETTINGS, SLOT_JOIN);
    drawMenuList(LIST_EXIT, SLOT_BACK);
    glEnable(GL_BLEND);
    drawGlow(LIST_GLOW_ITEM);
    glDisable(GL_BLEND);
}

// Who hosts, where a guest reaches it (its local-network addresses, or this
// computer's own), and that it waits; or why it could not host.
void drawHostingPage() {
    drawMenuList(LIST_GROUND_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawCentred(360, "host a game");
    if (game.netRole == NET_ROLE_HOST) {
        drawCentred(300, game.p1name);
        char line[FOUND_ADDRESS_SIZE + 8];
        // With a lobby: the room's code, large, to be read out to a friend; and this network's first address.
        const int addresses = lobbySet() ? 1 : 3;
        const float top = lobbySet() ? 204.0f : 265.0f;
        if (lobbySet() && game.roomCode[0] && game.lobbyUp) {
            drawCentred(272, game.roomPrivate ? "private room code:" : "room code:");
            drawLargeText(320.0f - 14.0f * ROOM_CODE_LENGTH, 232, game.roomCode, 2.0f);
        } else if (lobbySet()) {
            drawCentred(240, game.lobbyDownSaid ? "the lobby cannot be reached" : "asking the lobby");
        }
        for (int i = 0; (i < game.hostAddressCount || i == 0) && i < addresses; i++) {
            snprintf(line, sizeof line, "%s:%u", i < game.hostAddressCount ? game.hostAddresses[i] : "127.0.0.1",
                     (unsigned)game.netPort);
            drawCentred(top - 25.0f * (float)i, line);
        }
        drawCentred(180, "waiting for player 2");
        // What the router opened for friends on the internet, below the panel.
        if (game.routerAsked) {
            drawCentred(100, game.routerLines[0]);
            drawCentred(76, game.routerLines[1]);
        }
    } else {
        drawCentred(240, "cannot host");
        drawCentred(180, game.menuNote);
    }
    glDisable(GL_BLEND);
    drawMenuList(LIST_EXIT, SLOT_BACK);
    glEnable(GL_BLEND);
    drawGlow(LIST_GLOW_ITEM);
    glDisable(GL_BLEND);
}

// The hosts found, a row each in one window: name, address, whether it is free
// or already has its guest, and what choosing the row does (join a free host,
// watch a busy one's match); below them the internet's rooms, a row each with
// the room's code where a host has its address. The row under the glow is
// marked. Below the window, the internet's line, typing a host or a code by
// hand, and back. A failed join says why.
void drawJoinPage() {
    drawMenuList(LIST_JOIN_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawCentred(360, "join a game");
    const int rows = game.foundHostCount + game.lobbyRoomCount;
    if (rows == 0) drawCentred(226, "looking for hosts");
    for (int row = 0; row < rows && row < JOIN_ROWS; row++) {
        const bool here = row < game.foundHostCount;
        const FoundHost* host = here ? &game.foundHosts[row] : nullptr;
        const LobbyRoom* room = here ? nullptr : &game.lobbyRooms[row - game.foundHostCount];
        const bool free = here ? host->free : room->free;
        const float y = 298.0f - 36.0f * (float)row;
        if (game.glowVisible && row == game.hoverHostRow) drawText(72, y, ">");
        drawText(92, y, here ? host->name : room->name);
        if (here) {
            drawText(216, y, host->address);
        } else {
            char code[ROOM_CODE_SIZE + 6];
            snprintf(code, sizeof code, "room %s", room->code);
            drawText(216, y, code);
        }
        drawText(428, y, free ? "free" : "busy");
        drawText(492, y, free ? "join" : "watch");
    }
    if (game.menuNote[0])
        drawCentred(124, game.menuNote);
    else if (lobbyLine()[0])
        drawCentred(124, lobbyLine());
    glDisable(GL_BLEND);
    drawMenuList(LIST_ADDRESS, SLOT_ADDRESS);
    drawMenuList(LIST_JOIN_BACK, SLOT_BACK);
    glEnable(GL_BLEND);
    drawGlow(game.hoverHostRow >= 0 ? LIST_GLOW_ROW : LIST_GLOW_ITEM);
    glDisable(GL_BLEND);
}

// Typing a host by hand: Enter joins it, Escape goes back to the list.
void drawAddressPage() {
    drawMenuList(LIST_GROUND_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawCentred(270, "enter host:");
    drawCentred(150, game.menuNote[0] ? game.menuNote : "host or host:port");
    bindSlot(SLOT_FONT_NAME);
    drawCentred(225, game.addressEntry);
}

void drawPlaygroundPage() {
    drawMenuList(LIST_GROUND_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawText(200, 360, "select playground");
    drawText(208, 145, "tennis");
    drawText(322, 145, "futuristic");
    if (waitingForGuest()) drawCentred(125, "waiting for player 2");
    glDisable(GL_BLEND);
    drawMenuList(LIST_GROUND1, SLOT_GROUND1);
    drawMenuList(LIST_GROUND2, SLOT_GROUND2);
    glEnable(GL_BLEND);
    drawGlow(LIST_GLOW_GROUND);
    glDisable(GL_BLEND);
    glLoadIdentity();
}

// Bottom of the check mark for the difficulty in force; values read from the
// settings file that lie between the offered ones take the nearest row.
static f32 checkMarkY() {
    if (game.difficulty < 10.0f) return 136.0f;   // hard
    if (game.difficulty <= 12.0f) return 186.0f;  // normal
    return 236.0f;                                // easy
}

void drawSettingsPage() {
    drawMenuList(LIST_SETTINGS_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawText(265, 360, "settings");
    drawText(78, 295, "difficulty");
    drawText(265, 295, "controls");
    drawText(457, 295, "names");
    glDisable(GL_BLEND);
    drawMenuList(LIST_EASY, SLOT_EASY);
    drawMenuList(LIST_NORMAL, SLOT_NORMAL);
    drawMenuList(LIST_HARD, SLOT_HARD);
    drawMenuList(LIST_P1_KEYS, SLOT_P1_KEYS);
    drawMenuList(LIST_P2_KEYS, SLOT_P2_KEYS);
    drawMenuList(LIST_CLOSE, SLOT_CLOSE);
    drawMenuList(LIST_P1_NAME, SLOT_P1_NAME);
    drawMenuList(LIST_P2_NAME, SLOT_P2_NAME);
    glEnable(GL_BLEND);
    drawGlow(LIST_GLOW_ITEM);
    glLoadIdentity();
    bindSlot(SLOT_CHECK);
    glTranslatef(185.0f, checkMarkY(), 0.0f);
    glCallList(game.menuLists + LIST_CHECK);
    glDisable(GL_BLEND);
    glLoadIdentity();
}

void drawExitPage() {
    drawMenuList(LIST_SMALL_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawText(235, 230, "really exit?");
    glDisable(GL_BLEND);
    drawMenuList(LIST_YES, SLOT_YES);
    drawMenuList(LIST_NO, SLOT_NO);
    glEnable(GL_BLEND);
    drawGlow(LIST_GLOW_ANSWER);
    glDisable(GL_BLEND);
    glLoadIdentity();
}

// The key pages are driven by the keyboard: no items, no glow.
void drawKeyPage() {
    drawMenuList(LIST_SMALL_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    switch (game.keyCaptureStep) {
    case 1: drawText(230, 223, "   move up"); break;
    case 2: drawText(230, 223, "  move down"); break;
    case 3: drawText(230, 223, "pass the ball"); break;
    default: break;  // capture finished or not begun: no prompt
    }
}

// The name pages are driven by the keyboard: no items, no glow.
void drawNamePage() {
    drawMenuList(LIST_SMALL_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    drawText(246, 238, "enter name:");
    bindSlot(SLOT_FONT_NAME);
    drawText(246, 206, game.menuPage == 7 ? game.p2name : game.p1name);
}

// The menu's look, the playground window, and where the guest stands: the
// host it is connecting to (its name cut to what the window holds), or
// connected and waiting for the host to start a match.
void drawWaitingScreen() {
    beginMenuScreen();
    drawMenuList(LIST_GROUND_PANEL, SLOT_PANEL);
    bindSlot(SLOT_FONT);
    if (game.netConnected) {
        drawCentred(224, "waiting for the host");
    } else if (meetingUnderWay()) {
        char meeting[ROOM_CODE_SIZE + 12];
        snprintf(meeting, sizeof meeting, "meeting %s", game.meetCode);
        drawCentred(240, meeting);
        if (game.meetStage == MEET_PUNCHING) drawCentred(208, "through the routers");
        if (game.meetStage == MEET_RELAYING) drawCentred(208, "through the relay");
    } else {
        char host[21] = {};
        for (size_t i = 0; i + 1 < sizeof host && game.netHostName[i]; i++) host[i] = game.netHostName[i];
        drawCentred(240, "connecting to");
        drawCentred(208, host);
    }
    glDisable(GL_BLEND);
    endMenuScreen();
}
