// Finding hosts on the local network: a host answers the questions that reach it, a looking guest asks and lists who answered.
//
// Both sides read at most a few datagrams a frame, so a flood of them costs a
// frame no more than a handful would, and drop anything that is not a sound
// packet of this game's version without a word.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"
#include "net/discovery.h"

static_assert((int)FOUND_NAME_SIZE == (int)NAME_BYTES + 1, "a found host's name holds a travelling name");
static_assert((int)FOUND_ADDRESS_SIZE == (int)ADDRESS_TEXT_SIZE, "a found host's address holds the seam's text");

// Datagrams read in one frame, on either side.
static const int READS_PER_FRAME = 16;
// A host answers at most ANSWERS_PER_SECOND times within this long.
static const uint32_t ANSWER_WINDOW_MS = 1000;
// A looking guest asks this often, and forgets a host it has not heard from for this long.
static const uint32_t ASK_INTERVAL_MS = 1000;
static const uint32_t FORGET_AFTER_MS = 3000;
// Room for any datagram worth reading: a longer one is refused by the seam.
enum { DATAGRAM_ROOM = 64 };

static const char LOOPBACK[] = "127.0.0.1";

// ---- The host's side -------------------------------------------------------

void startAnswering() {
    if (game.answerSocket >= 0) return;
    game.answersSent = 0;
    game.answerNext = 0;
    game.answerSocket = platform.udpOpen(NET_DISCOVERY_PORT);
    if (game.answerSocket < 0)
        fprintf(stderr, "Network: cannot answer on UDP port %d, so this host is not found on the local network: %s\n",
                NET_DISCOVERY_PORT, strerror(errno));
}

// An answer may go when fewer than the limit went within the last second:
// the oldest of the last ANSWERS_PER_SECOND is a second old or more.
static bool answerAllowed(uint32_t now) {
    return game.answersSent < ANSWERS_PER_SECOND || now - game.answerTicks[game.answerNext] >= ANSWER_WINDOW_MS;
}

void answerQuestions(uint8_t free) {
    if (game.answerSocket < 0) return;
    uint8_t in[DATAGRAM_ROOM];
    char from[ADDRESS_TEXT_SIZE];
    uint16_t fromPort;
    for (int read = 0; read < READS_PER_FRAME; read++) {
        int length = platform.udpReceive(game.answerSocket, in, sizeof in, from, &fromPort);
        if (length == 0) break;
        if (length < 0 || !readQuestion(in, (size_t)length)) continue;
        const uint32_t now = platform.getTicks();
        if (!answerAllowed(now)) continue;
        DiscoveryAnswer answer;
        answer.free = free ? 1 : 0;
        answer.port = game.netPort;
        writeName((uint8_t*)answer.name, game.p1name);  // at most 8 of its characters
        answer.name[NAME_BYTES] = 0;
        uint8_t out[DISCOVERY_ANSWER_SIZE];
        platform.udpSend(game.answerSocket, from, fromPort, out, writeAnswer(out, answer));
        game.answerTicks[game.answerNext] = now;
        game.answerNext = (uint8_t)((game.answerNext + 1) % ANSWERS_PER_SECOND);
        if (game.answersSent < ANSWERS_PER_SECOND) game.answersSent++;
    }
}

void stopAnswering() {
    if (game.answerSocket >= 0) platform.udpClose(game.answerSocket);
    game.answerSocket = -1;
}

// ---- The guest's side ------------------------------------------------------

void startLooking() {
    game.foundHostCount = 0;
    game.lookAsked = 0;
    if (game.lookSocket >= 0) return;
    game.lookSocket = platform.udpOpen(0);
    if (game.lookSocket < 0) {
        fprintf(stderr, "Network: cannot look for hosts on the local network: %s\n", strerror(errno));
        return;
    }
    // Read once here: the interfaces' list is no business of a frame.
    game.lookBroadcastCount = platform.broadcastAddresses(game.lookBroadcast, LOOK_ADDRESSES_MAX);
    game.lookOwnCount = platform.localAddresses(game.lookOwn, LOOK_ADDRESSES_MAX);
}

static void ask() {
    uint8_t question[DISCOVERY_QUESTION_SIZE];
    const size_t length = writeQuestion(question);
    for (int i = 0; i < game.lookBroadcastCount; i++)
        platform.udpSend(game.lookSocket, game.lookBroadcast[i], NET_DISCOVERY_PORT, question, length);
    platform.udpSend(game.lookSocket, LOOPBACK, NET_DISCOVERY_PORT, question, length);
}

// Rows are kept in order of address text, then port.
static int rowOrder(const char* address, uint16_t port, const FoundHost& row) {
    int order = strcmp(address, row.address);
    if (order != 0) return order;
    return (int)port - (int)row.port;
}

static void heard(const char* address, const DiscoveryAnswer& answer, uint32_t now) {
    // A host on this machine answers from one of its addresses when the
    // question went by broadcast, and from 127.0.0.1 when it went there: one row.
    for (int i = 0; i < game.lookOwnCount; i++)
        if (strcmp(address, game.lookOwn[i]) == 0) address = LOOPBACK;
    int at = 0;
    while (at < game.foundHostCount && rowOrder(address, answer.port, game.foundHosts[at]) > 0) at++;
    FoundHost* row = &game.foundHosts[at];
    if (at == game.foundHostCount || rowOrder(address, answer.port, *row) != 0) {
        if (game.foundHostCount == FOUND_HOSTS_MAX) return;  // full: a newcomer waits for a row to free
        memmove(row + 1, row, (size_t)(game.foundHostCount - at) * sizeof *row);
        game.foundHostCount++;
        snprintf(row->address, sizeof row->address, "%s", address);
        row->port = answer.port;
    }
    memcpy(row->name, answer.name, sizeof row->name);
    row->free = answer.free;
    row->heardTick = now;
}

static void forgetSilentHosts(uint32_t now) {
    int kept = 0;
    for (int i = 0; i < game.foundHostCount; i++)
        if (now - game.foundHosts[i].heardTick < FORGET_AFTER_MS) game.foundHosts[kept++] = game.foundHosts[i];
    game.foundHostCount = kept;
}

void lookForHosts() {
    if (game.lookSocket < 0) return;
    const uint32_t now = platform.getTicks();
    if (!game.lookAsked || now - game.lookAskTick >= ASK_INTERVAL_MS) {
        ask();
        game.lookAsked = 1;
        game.lookAskTick = now;
    }
    uint8_t in[DATAGRAM_ROOM];
    char from[ADDRESS_TEXT_SIZE];
    uint16_t fromPort;
    DiscoveryAnswer answer;
    for (int read = 0; read < READS_PER_FRAME; read++) {
        int length = platform.udpReceive(game.lookSocket, in, sizeof in, from, &fromPort);
        if (length == 0) break;
        if (length > 0 && readAnswer(in, (size_t)length, &answer)) heard(from, answer, now);
    }
    forgetSilentHosts(now);
}

void stopLooking() {
    if (game.lookSocket >= 0) platform.udpClose(game.lookSocket);
    game.lookSocket = -1;
}
