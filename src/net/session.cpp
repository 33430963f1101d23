// Network play: a host runs the match, its one guest plays player 2 and draws what the host sends.
//
// The host decides everything: it plays a network match exactly as a local
// two-player match, with player 2's keys held by what the guest sends. The
// guest sends only its name and what it holds, and draws the states the host
// sends, at most one per host step and a hundred a second.
#include "net/session.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <GL/freeglut.h>

#include "app/game_state.h"
#include "app/platform.h"
#include "assets/sound.h"
#include "match/ball.h"
#include "match/flow.h"
#include "menu/clicks.h"
#include "net/protocol.h"

static_assert((int)GUEST_HOLDS_UP == (int)NET_HOLD_UP && (int)GUEST_HOLDS_DOWN == (int)NET_HOLD_DOWN &&
                  (int)GUEST_HOLDS_PASS == (int)NET_HOLD_PASS,
              "the held bits travel as they are kept");

// The state goes out at most this often (a hundred times a second).
static const uint32_t STATE_INTERVAL_MS = 10;
// A connection not made within this long is given up: at start the guest ends,
// later it tries again.
static const uint32_t CONNECT_WAIT_MS = 8000;
// The other side sends something (at the least the library's keep-alive ping)
// twice a second; silent for this long, it is gone. The library's own timeout
// backs off as it retries and may take twice as long to say so.
static const uint32_t SILENCE_LIMIT_MS = 4000;

static bool isHost() { return game.netRole == NET_ROLE_HOST; }
static bool isGuest() { return game.netRole == NET_ROLE_GUEST; }

static void send(int channel, const uint8_t* data, size_t length, bool reliable) {
    if (!game.netPeer || !game.netConnected) return;
    platform.netSend(game.netPeer, channel, data, length, reliable ? 1 : 0);
    platform.netFlush(game.netHost);
}

// ---- Start ---------------------------------------------------------------------

// The end of a network start that could not be made: one line, status 1.
static void networkFails(const char* why) {
    fprintf(stderr, "Network: %s\n", why);
    platform.exitProgram(1);
}

static void cannotReachHost() {
    char why[NET_HOST_NAME_SIZE + 32];
    snprintf(why, sizeof why, "cannot reach %s:%u", game.netHostName, (unsigned)game.netPort);
    networkFails(why);
}

static void connectToHost() {
    game.netAttemptTick = platform.getTicks();
    game.netPeer = platform.netConnect(game.netHost, game.netHostName, game.netPort, NET_PROTOCOL_VERSION);
    if (!game.netPeer && !game.netEverConnected) cannotReachHost();
}

void startNetwork() {
    if (game.netRole == NET_ROLE_NONE) return;
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
        }
        return;
    }
    // A guest has no intro and no menu: it waits for the host's matches.
    game.netHost = platform.netClient();
    if (!game.netHost) {
        networkFails("cannot start the network");
        return;
    }
    game.introActive = 0;
    game.guestWaiting = 1;
    fadeInMenuMusic();
    connectToHost();
}

// ---- The host ------------------------------------------------------------------

bool waitingForGuest() { return isHost() && game.p2Human && !game.netConnected; }

static void guestArrives(const NetEvent& event) {
    if (event.data != NET_PROTOCOL_VERSION) {
        fprintf(stderr, "Network: refused a guest of protocol version %u; this game speaks version %d\n",
                (unsigned)event.data, NET_PROTOCOL_VERSION);
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
    game.netHolds = 0;
    std::strcpy(game.netRemoteName, "player 2");  // until the guest gives its own
}

static void guestLeaves() {
    game.netPeer = nullptr;
    game.netConnected = 0;
    game.netHolds = 0;
    game.netGuestLeft = 1;
    fprintf(stderr, "Network: player 2 left\n");
    if (game.netMatch && game.matchActive) returnToMenu();
}

static void hostReceives(const NetEvent& event) {
    switch (event.type) {
    case NET_EVENT_CONNECT: guestArrives(event); break;
    case NET_EVENT_DISCONNECT:
        if (event.peer == game.netPeer && game.netConnected) guestLeaves();
        break;
    case NET_EVENT_RECEIVE: {
        if (event.peer != game.netPeer || !game.netConnected) break;  // a refused peer's last words
        char name[NET_NAME_BYTES + 1];
        uint8_t holds;
        if (readHello(event.bytes, event.length, name)) {
            std::strcpy(game.netRemoteName, name);
        } else if (readHolds(event.bytes, event.length, &holds)) {
            game.netHolds = holds;
        }
        break;  // anything else is dropped unread
    }
    default: break;
    }
}

void beginNetworkMatch() {
    if (!isHost()) return;  // a guest's match begins with its host's word
    game.netMatch = game.p2Human && game.netConnected;
    if (!game.netMatch) return;
    game.netSequence = 0;
    game.netHolds = 0;
    game.netLastSendTick = platform.getTicks() - STATE_INTERVAL_MS;
    uint8_t packet[NET_PACKET_MAX];
    send(NET_RELIABLE, packet, writeMatchStart(packet, game.playground, game.p1name), true);
}

static float clamp(float value, float low, float high) { return value < low ? low : value > high ? high : value; }
static uint8_t atMost(int value, int most) { return (uint8_t)(value < 0 ? 0 : value > most ? most : value); }

static void sendState() {
    uint32_t now = platform.getTicks();
    if (now - game.netLastSendTick < STATE_INTERVAL_MS) return;
    game.netLastSendTick = now;
    NetState state;
    state.sequence = ++game.netSequence;
    // A ball far beyond an end line (a very fast pace) is shown at the edge of what can be seen.
    state.ballX = clamp(game.ballX, NET_BALL_X_MIN, NET_BALL_X_MAX);
    state.ballY = clamp(game.ballY, -NET_BALL_Y_LIMIT, NET_BALL_Y_LIMIT);
    state.p1BatY = clamp(game.p1BatY, -NET_BAT_LIMIT, NET_BAT_LIMIT);
    state.p2BatY = clamp(game.p2BatY, -NET_BAT_LIMIT, NET_BAT_LIMIT);
    state.p1Points = atMost(game.p1Points, NET_POINTS_MAX);
    state.p2Points = atMost(game.p2Points, NET_POINTS_MAX);
    state.p1Games = atMost(game.p1Games, NET_GAMES_MAX);
    state.p2Games = atMost(game.p2Games, NET_GAMES_MAX);
    state.animFrame = atMost(game.animFrame, NET_FRAMES - 1);
    state.flags = (game.ballInPlay ? NET_BALL_IN_PLAY : 0) | (game.cameraMode ? NET_PAUSED : 0);
    state.batSounds = game.matchSounds[MATCH_SOUND_BAT];
    state.boardSounds = game.matchSounds[MATCH_SOUND_BOARD];
    state.outSounds = game.matchSounds[MATCH_SOUND_OUT];
    uint8_t packet[NET_PACKET_MAX];
    send(NET_STATE_CHANNEL, packet, writeState(packet, state), false);
}

void closeNetwork() {
    if (game.netPeer && game.netConnected) {
        platform.netDisconnect(game.netPeer, 0);
        platform.netFlush(game.netHost);
    }
}

// ---- The guest -----------------------------------------------------------------

void showWaitingScreen() {
    game.menuActive = 0;
    game.guestWaiting = 1;
    platform.setCursor(GLUT_CURSOR_NONE);
}

static void hostGone(const char* why) {
    fprintf(stderr, "Network: %s\n", why);
    game.netPeer = nullptr;
    game.netConnected = 0;
    if (game.netMatch && game.matchActive) returnToMenu();
    connectToHost();
}

// Plays each sound whose count moved since the last state, as the host's own
// match would; the guest's own effects switch decides.
static void playCountedSounds(const NetState& state) {
    const uint8_t counts[MATCH_SOUNDS] = {state.batSounds, state.boardSounds, state.outSounds};
    void (*const play[MATCH_SOUNDS])() = {playBatSound, playBoardSound, playOutSound};
    for (int kind = 0; kind < MATCH_SOUNDS; kind++) {
        if (counts[kind] != game.matchSounds[kind]) play[kind]();
        game.matchSounds[kind] = counts[kind];
    }
}

static void applyState(const NetState& state) {
    if (state.sequence <= game.netSequence) return;  // older than what is shown
    game.netSequence = state.sequence;
    game.ballX = state.ballX;
    game.ballY = state.ballY;
    game.p1BatY = state.p1BatY;
    game.p2BatY = state.p2BatY;
    game.p1Points = state.p1Points;
    game.p2Points = state.p2Points;
    game.p1Games = state.p1Games;
    game.p2Games = state.p2Games;
    game.animFrame = state.animFrame;
    game.ballInPlay = (state.flags & NET_BALL_IN_PLAY) != 0;
    playCountedSounds(state);
}

static void matchBegins(int playground, const char* hostName) {
    std::strcpy(game.netRemoteName, hostName);
    game.playground = playground;
    game.vsComputer = 0;
    game.p2Human = 1;
    game.guestWaiting = 0;
    game.netMatch = 1;
    game.netSequence = 0;
    game.netHolds = 0;
    startMatch();
    for (u8& count : game.matchSounds) count = 0;
}

static void refused(uint32_t reason) {
    if ((reason & 0xFF) == NET_REFUSED_BUSY) {
        fprintf(stderr, "Network: %s:%u already has a guest\n", game.netHostName, (unsigned)game.netPort);
    } else {
        fprintf(stderr, "Network: %s:%u speaks protocol version %u; this game speaks version %d\n",
                game.netHostName, (unsigned)game.netPort, (unsigned)(reason >> NET_REFUSAL_BITS), NET_PROTOCOL_VERSION);
    }
    platform.exitProgram(1);
}

static void guestReceives(const NetEvent& event) {
    switch (event.type) {
    case NET_EVENT_CONNECT:
        if (event.peer != game.netPeer) break;
        game.netConnected = 1;
        game.netEverConnected = 1;
        game.netHolds = 0;
        {
            uint8_t packet[NET_PACKET_MAX];
            send(NET_RELIABLE, packet, writeHello(packet, game.p1name), true);
        }
        break;
    case NET_EVENT_DISCONNECT: {
        if (event.peer != game.netPeer) break;
        uint32_t reason = event.data & 0xFF;
        if (game.netConnected && (reason == NET_REFUSED_BUSY || reason == NET_REFUSED_VERSION)) {
            refused(event.data);
        } else if (game.netConnected) {
            hostGone("host lost");
        } else if (!game.netEverConnected) {
            cannotReachHost();
        } else {
            connectToHost();  // the host is not back yet: try again
        }
        break;
    }
    case NET_EVENT_RECEIVE: {
        if (event.peer != game.netPeer || !game.netConnected) break;
        NetState state;
        int playground;
        char name[NET_NAME_BYTES + 1];
        if (readState(event.bytes, event.length, &state)) {
            if (game.netMatch && game.matchActive) applyState(state);
        } else if (readMatchStart(event.bytes, event.length, &playground, name)) {
            if (!game.matchActive) matchBegins(playground, name);
        } else if (readMatchEnd(event.bytes, event.length)) {
            if (game.netMatch && game.matchActive) returnToMenu();
        }
        break;  // anything else is dropped unread
    }
    default: break;
    }
}

// What the guest's player holds: either of its key sets or either pad. In camera
// mode the keys turn the guest's own view and hold nothing.
static uint8_t guestHolds() {
    if (game.cameraMode || !game.matchActive) return 0;
    const bool up = keyIsHeld(game.p1Up) || keyIsHeld(game.p2Up) || game.padHolds[0][PAD_UP] || game.padHolds[1][PAD_UP];
    const bool down =
        keyIsHeld(game.p1Down) || keyIsHeld(game.p2Down) || game.padHolds[0][PAD_DOWN] || game.padHolds[1][PAD_DOWN];
    const bool pass =
        keyIsHeld(game.p1Pass) || keyIsHeld(game.p2Pass) || game.padHolds[0][PAD_PASS] || game.padHolds[1][PAD_PASS];
    return (up ? NET_HOLD_UP : 0) | (down ? NET_HOLD_DOWN : 0) | (pass ? NET_HOLD_PASS : 0);
}

void leaveSession() {
    closeNetwork();
    platform.exitProgram(0);
}

// ---- Every step ------------------------------------------------------------------

void receiveNetwork() {
    if (game.netRole == NET_ROLE_NONE || !game.netHost) return;
    NetEvent event;
    while (platform.netService(game.netHost, &event) > 0) {
        if (isHost())
            hostReceives(event);
        else
            guestReceives(event);
    }
    if (game.netConnected && game.netPeer && platform.netQuietFor(game.netPeer) > SILENCE_LIMIT_MS) {
        platform.netReset(game.netPeer);
        if (isHost())
            guestLeaves();
        else
            hostGone("host lost");
        return;
    }
    if (isGuest() && !game.netConnected && platform.getTicks() - game.netAttemptTick > CONNECT_WAIT_MS) {
        if (!game.netEverConnected) {
            cannotReachHost();
            return;
        }
        if (game.netPeer) platform.netReset(game.netPeer);
        connectToHost();
    }
}

void sendNetwork() {
    if (isHost() && game.netMatch && game.matchActive) sendState();
    if (isGuest()) {
        uint8_t holds = guestHolds();
        if (holds != game.netHolds) {
            game.netHolds = holds;
            uint8_t packet[NET_PACKET_MAX];
            send(NET_RELIABLE, packet, writeHolds(packet, holds), true);
        }
    }
}

void endNetworkMatch() {
    if (!game.netMatch) return;
    game.netMatch = 0;
    if (isHost()) {
        uint8_t packet[NET_PACKET_MAX];
        send(NET_RELIABLE, packet, writeMatchEnd(packet), true);
        game.netHolds = 0;
    }
}

const char* matchName(int player) {
    if (game.netMatch && isGuest()) return player == 1 ? game.netRemoteName : game.p1name;
    if (game.netMatch && isHost()) return player == 1 ? game.p1name : game.netRemoteName;
    if (player == 1) return game.p1name;
    return game.vsComputer ? "computer" : game.p2name;
}
