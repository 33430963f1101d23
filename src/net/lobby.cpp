// The lobby: the broker's talk, a host's room and the knocks on it, the rooms listed, and a guest's way to a room.
#include "net/lobby.h"

#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"
#include "net/lobby_messages.h"
#include "net/meeting.h"
#include "net/protocol.h"
#include "net/relay.h"

// A guest waits this long for the host's answer to its knock, and for the
// lobby itself to answer at all.
static const uint32_t KNOCK_WAIT_MS = 5000;
static const uint32_t LOBBY_WAIT_MS = 8000;
// The STUN server's answer is waited for this long before a guest knocks without it.
static const uint32_t OUTSIDE_WAIT_MS = 1500;
// A guest told to come keeps the seat this long while it makes its way.
static const uint32_t SEAT_HELD_MS = 15000;

// Where this game's room is (or would be) listed.
static const char* roomTopic() {
    static char topic[LOBBY_TOPIC_SIZE];
    snprintf(topic, sizeof topic, "tarvo/room/%s", game.lobbyId);
    return topic;
}

bool lobbySet() { return game.lobbyHost[0] != 0; }

bool setLobby(const char* text) {
    char host[NET_HOST_NAME_SIZE];
    long port = -1;
    if (splitHostPort(text, host, sizeof host, &port) != HOST_OK) return false;
    std::strcpy(game.lobbyHost, host);
    game.lobbyPort = (u16)(port > 0 ? port : (long)LOBBY_DEFAULT_PORT);
    return true;
}

void readLobbyFile() {
    // The file "lobby" in the settings' folder: "tarvo.ini" in a build, the player's configuration folder installed.
    if (!game.settingsPath[0]) return;
    char path[sizeof game.settingsPath + 8];
    snprintf(path, sizeof path, "%s", game.settingsPath);
    char* slash = std::strrchr(path, '/');
    std::strcpy(slash ? slash + 1 : path, "lobby");
    FILE* file = fopen(path, "r");
    if (!file) return;
    char line[NET_HOST_NAME_SIZE + 8];
    while (fgets(line, sizeof line, file)) {
        line[std::strcspn(line, "\r\n")] = 0;
        const char* text = line + std::strspn(line, " \t");
        if (!*text || *text == '#') continue;
        if (!setLobby(text)) fprintf(stderr, "Lobby: %s holds no HOST[:PORT]; no lobby is set\n", path);
        break;
    }
    fclose(file);
}

// A client id nobody else guesses: sixteen letters and digits from the strong random source.
static void makeId(char* id, size_t length) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    uint8_t bytes[LOBBY_ID_SIZE];
    platform.randomBytes(bytes, length);
    for (size_t i = 0; i < length; i++) id[i] = letters[bytes[i] % 36];
    id[length] = 0;
}

// The last level of a topic: whose it is. Ids are what makeId makes.
static bool topicOwner(const char* topic, const char* prefix, char* owner) {
    const size_t head = std::strlen(prefix);
    if (std::strncmp(topic, prefix, head) != 0) return false;
    const char* id = topic + head;
    const size_t length = std::strlen(id);
    if (length == 0 || length >= LOBBY_ID_SIZE) return false;
    for (const char* c = id; *c; c++)
        if (!((*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9'))) return false;
    std::strcpy(owner, id);
    return true;
}

// The broker's talk begun, with a will that clears this game's room when it vanishes.
static bool openLobby(bool withWill) {
    if (game.lobbyOpened) return true;
    makeId(game.lobbyId, LOBBY_ID_SIZE - 1);
    if (platform.lobbyOpen(game.lobbyHost, game.lobbyPort, game.lobbyId, withWill ? roomTopic() : nullptr) != 0) {
        snprintf(game.lobbyWhy, sizeof game.lobbyWhy, "the lobby cannot be started");
        return false;
    }
    game.lobbyOpened = 1;
    game.lobbyUp = game.lobbyDownSaid = 0;
    game.lobbyWhy[0] = 0;
    game.stunHost[0] = 0;
    game.lobbyRoomCount = 0;
    platform.lobbySubscribe("tarvo/server");
    return true;
}

void closeLobby() {
    if (!game.lobbyOpened) return;
    // The room goes with the host; a will would clear it too, but later.
    if (game.roomShown && game.lobbyUp) platform.lobbyPublish(roomTopic(), nullptr, 0, 1);
    platform.lobbyClose();
    game.lobbyOpened = game.lobbyUp = 0;
    game.roomCode[0] = 0;
    game.roomShown = game.roomSaid = 0;
    game.seatGivenTo[0] = 0;
    game.lobbyRoomCount = 0;
    game.meetStage = MEET_NONE;
    forgetMeetings();
}

// ---- The host's room ------------------------------------------------------------

void openRoom() {
    if (!lobbySet() || game.netRole != NET_ROLE_HOST) return;
    // Six characters, each drawn evenly: bytes above the alphabet's last whole multiple are drawn again.
    const int letters = (int)std::strlen(ROOM_CODE_ALPHABET);
    for (int i = 0; i < ROOM_CODE_LENGTH;) {
        uint8_t byte;
        platform.randomBytes(&byte, 1);
        if (byte < 256 / letters * letters) game.roomCode[i++] = ROOM_CODE_ALPHABET[byte % letters];
    }
    game.roomCode[ROOM_CODE_LENGTH] = 0;
    if (!openLobby(!game.roomPrivate)) {
        game.roomCode[0] = 0;
        return;
    }
    char topic[LOBBY_TOPIC_SIZE];
    snprintf(topic, sizeof topic, "tarvo/knock/%s/+", game.roomCode);
    platform.lobbySubscribe(topic);
    startMeetingPort();
}

static bool seatTaken() {
    if (game.netConnected) return true;
    if (game.seatGivenTo[0] && platform.getTicks() - game.seatGivenTick > SEAT_HELD_MS) game.seatGivenTo[0] = 0;
    return game.seatGivenTo[0] != 0;
}

// The room as it stands, published when its seat or its candidates changed.
static void keepRoom() {
    if (!game.roomCode[0] || !game.lobbyUp) return;
    if (game.netConnected) game.seatGivenTo[0] = 0;  // the guest is here: the seat is its connection's now
    gatherCandidates();
    if (!game.netFromMenu && !game.roomSaid) {
        printf("room %s\n", game.roomCode);
        fflush(stdout);
        game.roomSaid = 1;
    }
    if (game.roomPrivate) return;
    const u8 seat = game.netConnected ? 2 : 1;
    if (game.roomShown == seat && game.roomCandidatesShown == game.ownCandidateCount) return;
    LobbyNote room = {};
    room.version = NET_PROTOCOL_VERSION;
    snprintf(room.name, sizeof room.name, "%.8s", game.p1name);
    std::strcpy(room.code, game.roomCode);
    room.seat = seat;
    room.candidateCount = game.ownCandidateCount;
    for (int i = 0; i < game.ownCandidateCount; i++) room.candidates[i] = game.ownCandidates[i];
    uint8_t bytes[LOBBY_MESSAGE_BYTES];
    const size_t length = writeLobbyNote(room, bytes, sizeof bytes);
    if (length && platform.lobbyPublish(roomTopic(), bytes, length, 1) == 0) {
        game.roomShown = seat;
        game.roomCandidatesShown = (u8)game.ownCandidateCount;
    }
}

static void answerKnock(const char* guest, const LobbyNote& knock) {
    LobbyNote answer = {};
    answer.version = NET_PROTOCOL_VERSION;
    if (knock.version != NET_PROTOCOL_VERSION) {
        answer.answer = LOBBY_OTHER_VERSION;
    } else if (knock.want == LOBBY_WANT_PLAY && seatTaken() && std::strcmp(game.seatGivenTo, guest) != 0) {
        answer.answer = LOBBY_TAKEN;  // one guest: the seat is given once
    } else if (knock.want == LOBBY_WANT_PLAY || knock.want == LOBBY_WANT_WATCH) {
        Meeting* meeting = beginMeeting(guest, knock.want, knock.candidates, knock.candidateCount);
        if (!meeting) {
            answer.answer = LOBBY_TAKEN;
        } else {
            answer.answer = LOBBY_COME;
            std::memcpy(answer.token, meeting->token, MEET_TOKEN_SIZE);
            answer.hasToken = 1;
            gatherCandidates();
            answer.candidateCount = game.ownCandidateCount;
            for (int i = 0; i < game.ownCandidateCount; i++) answer.candidates[i] = game.ownCandidates[i];
            if (knock.want == LOBBY_WANT_PLAY) {
                std::strcpy(game.seatGivenTo, guest);
                game.seatGivenTick = platform.getTicks();
            }
        }
    } else {
        return;  // a knock that wants nothing is no knock
    }
    char topic[LOBBY_TOPIC_SIZE];
    snprintf(topic, sizeof topic, "tarvo/answer/%s/%s", guest, game.lobbyId);
    uint8_t bytes[LOBBY_MESSAGE_BYTES];
    const size_t length = writeLobbyNote(answer, bytes, sizeof bytes);
    if (length) platform.lobbyPublish(topic, bytes, length, 0);
}

// ---- The rooms listed -----------------------------------------------------------

void listRooms() {
    if (!lobbySet() || game.lobbyOpened) return;
    if (openLobby(false)) platform.lobbySubscribe("tarvo/room/+");
}

// A room heard: listed in order of code, replaced, or gone (an empty message).
static void roomHeard(const char* host, const uint8_t* bytes, size_t length) {
    int at = 0;
    while (at < game.lobbyRoomCount && std::strcmp(game.lobbyRooms[at].id, host) != 0) at++;
    if (at < game.lobbyRoomCount) {  // out of the list, to go back in where it now belongs
        std::memmove(&game.lobbyRooms[at], &game.lobbyRooms[at + 1], sizeof(LobbyRoom) * (size_t)(game.lobbyRoomCount - at - 1));
        game.lobbyRoomCount--;
    }
    LobbyNote room;
    if (length == 0 || !readLobbyNote(bytes, length, &room) || room.version != NET_PROTOCOL_VERSION || !room.code[0] ||
        !room.name[0] || !room.seat || game.lobbyRoomCount == LOBBY_ROOMS_MAX)
        return;
    int place = 0;
    while (place < game.lobbyRoomCount && std::strcmp(game.lobbyRooms[place].code, room.code) < 0) place++;
    std::memmove(&game.lobbyRooms[place + 1], &game.lobbyRooms[place], sizeof(LobbyRoom) * (size_t)(game.lobbyRoomCount - place));
    LobbyRoom& listed = game.lobbyRooms[place];
    std::strcpy(listed.id, host);
    std::strcpy(listed.name, room.name);
    std::strcpy(listed.code, room.code);
    listed.free = room.seat == 1;
    game.lobbyRoomCount++;
}

const char* lobbyLine() {
    if (!lobbySet()) return "internet: no lobby set";
    if (game.lobbyOpened && !game.lobbyUp && game.lobbyDownSaid) return "internet: the lobby cannot be reached";
    if (!game.lobbyUp) return "internet: asking the lobby";
    if (game.lobbyRoomCount == 0) return "internet: no open rooms";
    return "";
}

// ---- A guest's way to a room ------------------------------------------------------

// The meeting gives up: the session's side says so (net/receive.cpp).
static void cannotMeet(const char* why) {
    closeLobby();
    snprintf(game.meetWhy, sizeof game.meetWhy, "cannot reach %s: %s", game.meetCode, why);
    game.meetStage = MEET_FAILED;
}

void meetRoom() {
    game.meetStage = MEET_KNOCKING;
    game.meetStageTick = platform.getTicks();
    game.meetKnocked = 0;
    game.stunAsks = game.stunAnswered = 0;
    if (!lobbySet()) {
        cannotMeet("no lobby set");
        return;
    }
    if (!openLobby(false)) {
        cannotMeet("no lobby");
        return;
    }
    char topic[LOBBY_TOPIC_SIZE];
    snprintf(topic, sizeof topic, "tarvo/answer/%s/+", game.lobbyId);
    platform.lobbySubscribe(topic);
    startMeetingPort();
    game.meetings[0] = Meeting{};
    game.meetAnswered = -1;
}

bool meetingUnderWay() {
    return game.meetStage == MEET_KNOCKING || game.meetStage == MEET_PUNCHING || game.meetStage == MEET_RELAYING;
}

static void knock() {
    LobbyNote note = {};
    note.version = NET_PROTOCOL_VERSION;
    snprintf(note.name, sizeof note.name, "%.8s", game.p1name);
    note.want = game.netRole == NET_ROLE_WATCHER ? LOBBY_WANT_WATCH : LOBBY_WANT_PLAY;
    gatherCandidates();
    note.candidateCount = game.ownCandidateCount;
    for (int i = 0; i < game.ownCandidateCount; i++) note.candidates[i] = game.ownCandidates[i];
    char topic[LOBBY_TOPIC_SIZE];
    snprintf(topic, sizeof topic, "tarvo/knock/%s/%s", game.meetCode, game.lobbyId);
    uint8_t bytes[LOBBY_MESSAGE_BYTES];
    const size_t length = writeLobbyNote(note, bytes, sizeof bytes);
    if (length && platform.lobbyPublish(topic, bytes, length, 0) == 0) {
        game.meetKnocked = 1;
        game.meetKnockTick = platform.getTicks();
    }
}

static void answerHeard(const char* host, const LobbyNote& answer) {
    // Knocked again with the relay's address: the host's new token, its probes on their way.
    if (game.meetStage == MEET_RELAYING && answer.answer == LOBBY_COME && answer.hasToken &&
        std::strcmp(game.meetings[0].id, host) == 0) {
        std::memcpy(game.meetings[0].token, answer.token, MEET_TOKEN_SIZE);
        return;
    }
    if (game.meetStage != MEET_KNOCKING || !game.meetKnocked) return;
    if (answer.answer == LOBBY_TAKEN) {
        cannotMeet("its seat is taken");
    } else if (answer.answer == LOBBY_OTHER_VERSION) {
        cannotMeet("another version");
    } else if (answer.answer == LOBBY_COME && answer.hasToken) {
        Meeting& meeting = game.meetings[0];
        std::strcpy(meeting.id, host);
        std::memcpy(meeting.token, answer.token, MEET_TOKEN_SIZE);
        meeting.candidateCount = answer.candidateCount;
        for (int i = 0; i < answer.candidateCount; i++) meeting.candidates[i] = answer.candidates[i];
        meeting.startTick = platform.getTicks();
        meeting.probeTick = 0;
        game.meetStage = MEET_PUNCHING;
        game.meetStageTick = meeting.startTick;
    }
}

// The knock goes once the lobby answers and the outside address is known (or
// has not come in time); the answer is waited for; then the punch.
static void goOnMeeting() {
    const u32 now = platform.getTicks();
    if (game.meetStage == MEET_KNOCKING) {
        if (!game.lobbyUp) {
            if (game.lobbyDownSaid || now - game.meetStageTick > LOBBY_WAIT_MS) cannotMeet("the lobby is not reached");
            return;
        }
        // The knock carries the outside address when the meeting place's STUN server gives it in time.
        if (!game.meetKnocked && (game.stunAnswered || now - game.meetStageTick > OUTSIDE_WAIT_MS)) {
            knock();
            return;  // its tick is later than `now`: the answer is waited for from the next frame on
        }
        if (game.meetKnocked && now - game.meetKnockTick > KNOCK_WAIT_MS) cannotMeet("no answer");
        return;
    }
    if (game.meetStage == MEET_PUNCHING) {
        const int way = punchOnward();
        if (way == PUNCH_FAILED && relayPossible()) {
            // No pair answered: the last way is the meeting place's relay.
            game.meetStage = MEET_RELAYING;
            startRelay();
            return;
        }
        if (way == PUNCH_FAILED) cannotMeet("no way through the routers");
        if (way != PUNCH_MET) return;
        if (!game.netFromMenu) {
            printf("met room %s %s at %s:%u\n", game.meetCode, pathWords(game.meetPath), game.netHostName,
                   (unsigned)game.netPort);
            fflush(stdout);
        }
        closeLobby();
        game.meetStage = MEET_MET;  // the session's side connects there (net/receive.cpp)
    }
    if (game.meetStage == MEET_RELAYING) {
        const char* why = nullptr;
        const int way = relayOnward(&why);
        if (way == RELAY_KNOCK) knock();  // the relay's address is a candidate now
        if (way == RELAY_FAILED) cannotMeet(why);
        if (way != RELAY_MET) return;
        if (!game.netFromMenu) {
            printf("met room %s through the relay at %s:%u\n", game.meetCode, game.relay.relayed,
                   (unsigned)game.relay.relayedPort);
            fflush(stdout);
        }
        closeLobby();
        game.meetStage = MEET_MET;
    }
}

// ---- Once a frame -----------------------------------------------------------------

static void brokerSaid(const LobbyMessage& message) {
    char owner[LOBBY_ID_SIZE];
    char prefix[LOBBY_TOPIC_SIZE];
    LobbyNote note;
    if (std::strcmp(message.topic, "tarvo/server") == 0) {
        if (!readLobbyNote(message.bytes, message.length, &note) || !note.stunHost[0]) return;
        snprintf(game.stunHost, sizeof game.stunHost, "%s", std::strcmp(note.stunHost, "*") == 0 ? "" : note.stunHost);
        if (!game.stunHost[0]) platform.lobbyPeer(game.stunHost);  // the broker's own address
        game.stunPort = note.stunPort;
        std::strcpy(game.relayUser, note.relayUser);
        std::strcpy(game.relayPassword, note.relayPassword);
        return;
    }
    if (topicOwner(message.topic, "tarvo/room/", owner)) {
        roomHeard(owner, message.bytes, message.length);
        return;
    }
    snprintf(prefix, sizeof prefix, "tarvo/knock/%s/", game.roomCode);
    if (game.roomCode[0] && topicOwner(message.topic, prefix, owner)) {
        if (std::strcmp(owner, game.lobbyId) != 0 && readLobbyNote(message.bytes, message.length, &note))
            answerKnock(owner, note);
        return;
    }
    snprintf(prefix, sizeof prefix, "tarvo/answer/%s/", game.lobbyId);
    if (topicOwner(message.topic, prefix, owner) && readLobbyNote(message.bytes, message.length, &note))
        answerHeard(owner, note);
}

void runLobby() {
    if (!game.lobbyOpened) return;
    char why[LOBBY_WHY_SIZE];
    const int state = platform.lobbyState(why, sizeof why);
    const bool wasUp = game.lobbyUp;
    game.lobbyUp = state == LOBBY_UP;
    if (game.lobbyUp && !wasUp) game.roomShown = 0;  // back again: the room is published again
    if (state == LOBBY_DOWN && !game.lobbyDownSaid) {
        fprintf(stderr, "Lobby: cannot reach %s:%u: %s\n", game.lobbyHost, (unsigned)game.lobbyPort, why[0] ? why : "no answer");
        snprintf(game.lobbyWhy, sizeof game.lobbyWhy, "%s", why);
        game.lobbyDownSaid = 1;
    }
    LobbyMessage message;
    for (int i = 0; i < 64 && game.lobbyOpened && platform.lobbyReceive(&message); i++) brokerSaid(message);
    if (!game.lobbyOpened) return;
    meetOnGamePort();
    if (game.roomCode[0]) keepRoom();
    if (meetingUnderWay()) goOnMeeting();
}
