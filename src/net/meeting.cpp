// The meeting on the game's own port: its candidates, the STUN question for the outside one, and the punch.
//
// Both sides send probes from the port ENet uses, to each of the other's
// candidates at once: an outgoing probe opens this side's router to the other,
// so the other's probes get in, and each probe is answered from where it
// arrived. The guest takes the best candidate that answered (its own network
// over the router's forwarded port over the outside address) and connects
// there, on the same socket: the routers already let that pair through.
#include "net/meeting.h"

#include <cstdio>
#include <cstring>

#include "core/platform.h"
#include "net/lobby_messages.h"

static const uint32_t STUN_EVERY_MS = 400;
static const int STUN_ASKS = 4;
static const uint32_t PROBE_EVERY_MS = 100;
// The punch gives up after this long without an answer (and the relay is asked for, when there is one).
static const uint32_t PUNCH_MS = 3000;
// After the first answer, a better way may still answer within this long.
static const uint32_t BETTER_WAIT_MS = 300;

static uint16_t ownPort() { return game.netRole == NET_ROLE_HOST ? game.netPort : platform.netLocalPort(game.netHost); }

void startMeetingPort() {
    if (!game.netHost) return;
    platform.netSetAside(game.netHost, meetingDatagram);
    game.stunAsks = game.stunAnswered = 0;
    game.outsideSeen = Candidate{};
    char addresses[2][ADDRESS_TEXT_SIZE];
    game.ownLanCount = platform.localAddresses(addresses, 2);
    for (int i = 0; i < game.ownLanCount; i++) {
        Candidate& own = game.ownCandidates[i];
        std::memcpy(own.address, addresses[i], sizeof own.address);
        own.port = ownPort();
        own.kind = CANDIDATE_LAN;
    }
    game.ownCandidateCount = game.ownLanCount;
}

static bool sameWay(const Candidate& a, const char* address, uint16_t port) {
    return a.port == port && std::strcmp(a.address, address) == 0;
}

static void offer(const char* address, uint16_t port, uint8_t kind) {
    if (!address[0] || game.ownCandidateCount == CANDIDATES_MAX) return;
    for (int i = 0; i < game.ownCandidateCount; i++)
        if (sameWay(game.ownCandidates[i], address, port)) return;
    Candidate& own = game.ownCandidates[game.ownCandidateCount++];
    snprintf(own.address, sizeof own.address, "%s", address);
    own.port = port;
    own.kind = kind;
}

void gatherCandidates() {
    game.ownCandidateCount = game.ownLanCount;
    if (game.netRole == NET_ROLE_HOST && game.routerState == ROUTER_MAPPED)
        offer(game.routerExternal, game.routerExternalPort, CANDIDATE_MAPPED);
    if (game.stunAnswered) offer(game.outsideSeen.address, game.outsideSeen.port, CANDIDATE_OUTSIDE);
    if (game.relay.relayed[0]) offer(game.relay.relayed, game.relay.relayedPort, CANDIDATE_RELAY);
}

Meeting* beginMeeting(const char* id, uint8_t want, const Candidate* candidates, int count) {
    Meeting* place = nullptr;
    for (Meeting& meeting : game.meetings) {
        if (std::strcmp(meeting.id, id) == 0) place = &meeting;  // knocked again: met afresh
        if (!place && (!meeting.id[0] || platform.getTicks() - meeting.startTick > PUNCH_MS)) place = &meeting;
    }
    if (!place) return nullptr;
    *place = Meeting{};
    std::strcpy(place->id, id);
    place->want = want;
    platform.randomBytes(place->token, MEET_TOKEN_SIZE);
    for (int i = 0; i < count && i < CANDIDATES_MAX; i++) place->candidates[place->candidateCount++] = candidates[i];
    place->startTick = platform.getTicks();
    return place;
}

void forgetMeetings() {
    for (Meeting& meeting : game.meetings) meeting = Meeting{};
    game.meetAnswered = -1;
}

static void sendPunch(const char* address, uint16_t port, int kind, const uint8_t* token) {
    uint8_t bytes[PUNCH_SIZE];
    const char* code = game.netRole == NET_ROLE_HOST ? game.roomCode : game.meetCode;
    writePunch(bytes, kind, code, token);
    platform.udpSend(platform.netSocket(game.netHost), address, port, bytes, sizeof bytes);
}

static void probe(Meeting& meeting) {
    const uint32_t now = platform.getTicks();
    if (meeting.probeTick && now - meeting.probeTick < PROBE_EVERY_MS) return;
    meeting.probeTick = now;
    for (int i = 0; i < meeting.candidateCount; i++)
        sendPunch(meeting.candidates[i].address, meeting.candidates[i].port, PUNCH_PROBE, meeting.token);
}

// The guest's probe answered from `address`: the way through, noted when it is better than the one before.
static void answered(const char* address, uint16_t port) {
    Meeting& meeting = game.meetings[0];
    int at = 0;
    while (at < meeting.candidateCount && !sameWay(meeting.candidates[at], address, port)) at++;
    if (at == meeting.candidateCount) {  // an address the host did not know of: the way its router chose
        if (at == CANDIDATES_MAX) return;
        Candidate& seen = meeting.candidates[meeting.candidateCount++];
        snprintf(seen.address, sizeof seen.address, "%s", address);
        seen.port = port;
        seen.kind = CANDIDATE_OUTSIDE;
    }
    if (game.meetAnswered < 0) game.meetAnsweredTick = platform.getTicks();
    if (game.meetAnswered < 0 || meeting.candidates[at].kind < meeting.candidates[game.meetAnswered].kind) game.meetAnswered = at;
}

static void datagramArrived(const uint8_t* bytes, size_t length, const char* address, uint16_t port) {
    char seen[ADDRESS_TEXT_SIZE];
    uint16_t seenPort;
    if (game.stunAsks && readStunAnswer(bytes, length, game.stunTransaction, seen, &seenPort)) {
        std::memcpy(game.outsideSeen.address, seen, sizeof seen);
        game.outsideSeen.port = seenPort;
        game.outsideSeen.kind = CANDIDATE_OUTSIDE;
        game.stunAnswered = 1;
        return;
    }
    int kind;
    char code[ROOM_CODE_SIZE];
    uint8_t token[MEET_TOKEN_SIZE];
    if (!readPunch(bytes, length, &kind, code, token)) return;
    const bool host = game.netRole == NET_ROLE_HOST;
    if (std::strcmp(code, host ? game.roomCode : game.meetCode) != 0) return;
    const Meeting* met = nullptr;
    for (const Meeting& meeting : game.meetings)
        if (meeting.id[0] && std::memcmp(meeting.token, token, MEET_TOKEN_SIZE) == 0) met = &meeting;
    if (!met || (!host && met != &game.meetings[0])) return;  // a stranger's, or a meeting over
    if (kind == PUNCH_PROBE) sendPunch(address, port, PUNCH_ANSWER, token);
    // The host's own probe shows a way too: its router lets the answer to it through, whatever port it chose.
    if (!host) answered(address, port);
}

void meetOnGamePort() {
    if (!game.netHost) return;
    const uint32_t now = platform.getTicks();
    if (game.stunHost[0] && game.stunPort && !game.stunAnswered && game.stunAsks < STUN_ASKS &&
        (game.stunAsks == 0 || now - game.stunAskTick >= STUN_EVERY_MS)) {
        if (game.stunAsks == 0) platform.randomBytes(game.stunTransaction, sizeof game.stunTransaction);
        uint8_t request[STUN_REQUEST_SIZE];
        writeStunRequest(request, game.stunTransaction);
        platform.udpSend(platform.netSocket(game.netHost), game.stunHost, game.stunPort, request, sizeof request);
        game.stunAsks++;
        game.stunAskTick = now;
    }
    uint8_t bytes[LOBBY_MESSAGE_BYTES];
    char address[ADDRESS_TEXT_SIZE];
    uint16_t port;
    for (int i = 0; i < 32; i++) {
        const int length = platform.netAside(game.netHost, bytes, sizeof bytes, address, &port);
        if (length == 0) break;
        if (length > 0) datagramArrived(bytes, (size_t)length, address, port);
    }
    if (game.netRole != NET_ROLE_HOST) return;
    for (Meeting& meeting : game.meetings) {
        if (!meeting.id[0]) continue;
        if (now - meeting.startTick > PUNCH_MS) meeting.probeTick = now;  // over: kept for its token's answers
        else probe(meeting);
    }
}

int punchOnward() {
    Meeting& meeting = game.meetings[0];
    const uint32_t now = platform.getTicks();
    probe(meeting);
    if (game.meetAnswered >= 0) {
        const Candidate& way = meeting.candidates[game.meetAnswered];
        if (way.kind == CANDIDATE_LAN || now - game.meetAnsweredTick >= BETTER_WAIT_MS) {
            snprintf(game.netHostName, sizeof game.netHostName, "%s", way.address);
            game.netPort = way.port;
            game.meetPath = way.kind;
            return PUNCH_MET;
        }
    }
    return now - meeting.startTick > PUNCH_MS ? PUNCH_FAILED : PUNCH_GOING;
}

int metBy(const char* address, uint16_t port) {
    for (const Meeting& meeting : game.meetings)
        for (int i = 0; meeting.id[0] && i < meeting.candidateCount; i++)
            if (sameWay(meeting.candidates[i], address, port)) return meeting.candidates[i].kind;
    return 0xFF;
}

const char* pathWords(int kind) {
    switch (kind) {
    case CANDIDATE_LAN: return "on this network";
    case CANDIDATE_MAPPED: return "through the router's open port";
    case CANDIDATE_OUTSIDE: return "through the routers";
    case CANDIDATE_RELAY: return "through the relay";
    default: return "";
    }
}
