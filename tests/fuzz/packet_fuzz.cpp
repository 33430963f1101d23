// Fuzz target for the network packet readers, the game's (a watcher's too), those of finding hosts and those of the lobby and the meeting: any bytes must read without a fault, and a packet a reader takes must hold usable values and write back to the very same bytes (a lobby message, to one that reads back the same).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/game_state.h"
#include "net/discovery.h"
#include "net/lobby_messages.h"
#include "net/turn_messages.h"
#include "net/protocol.h"

static void check(bool ok, const char* what) {
    if (ok) return;
    fprintf(stderr, "packet fuzz: %s\n", what);
    abort();
}

static void sameBytes(const uint8_t* data, size_t length, const uint8_t* written, size_t writtenLength) {
    check(writtenLength == length && memcmp(data, written, length) == 0, "a packet taken does not write back the same");
}

static void checkName(const char* name) {
    size_t length = strlen(name);
    check(length >= 1 && length <= NET_NAME_BYTES, "a name of no or too many letters");
    for (size_t i = 0; i < length; i++) check((uint8_t)name[i] >= 32 && (uint8_t)name[i] != 127, "a control code in a name");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t length) {
    uint8_t written[NET_PACKET_MAX];
    char name[NET_NAME_BYTES + 1];
    NetHolds holds;
    NetMatchStart start;
    uint32_t step;
    MatchState match;
    DiscoveryAnswer answer;
    if (readHello(data, length, name)) {
        checkName(name);
        sameBytes(data, length, written, writeHello(written, name));
    }
    if (readHolds(data, length, &holds)) {
        uint32_t carried = 0;
        for (int i = 0; i < holds.runs; i++) {
            check(holds.runLength[i] > 0 && (holds.runHolds[i] & ~HOLD_BITS) == 0, "a run of no steps or unknown bits");
            carried += holds.runLength[i];
        }
        check(holds.from <= holds.step && holds.step - holds.from >= carried, "holds of steps not run");
        sameBytes(data, length, written, writeHolds(written, holds));
    }
    if (readMatchStart(data, length, &start)) {
        check(start.playground == 1 || start.playground == 2, "no such playground taken");
        check(std::isfinite(start.difficulty) && start.difficulty > 0, "a difficulty no match can use");
        checkName(start.name);
        sameBytes(data, length, written, writeMatchStart(written, start));
    }
    if (readMatchState(data, length, &step, &match)) {
        check(std::isfinite(match.ballX) && std::fabs(match.ballY) <= MATCH_BALL_Y_LIMIT, "ball");
        check(std::fabs(match.p1BatY) <= MATCH_BAT_LIMIT && std::fabs(match.p2BatY) <= MATCH_BAT_LIMIT, "bats");
        check(match.animFrame >= 0 && match.animFrame < MATCH_FRAMES && match.p1Games <= MATCH_GAMES_MAX &&
                  match.p2Games <= MATCH_GAMES_MAX && match.spreadFront < SPREAD_WORDS && match.spreadRear < SPREAD_WORDS,
              "an index out of range");
        sameBytes(data, length, written, writeMatchState(written, step, match));
    }
    if (readMatchEnd(data, length)) sameBytes(data, length, written, writeMatchEnd(written));
    NetWatchStart watch;
    if (readWatchStart(data, length, &watch)) {
        check(watch.playground == 1 || watch.playground == 2, "no such playground to watch");
        check(std::isfinite(watch.difficulty) && watch.difficulty > 0, "a watched difficulty no match can use");
        checkName(watch.names[0]);
        checkName(watch.names[1]);
        sameBytes(data, length, written, writeWatchStart(written, watch));
    }
    NetWatchHolds watched;
    if (readWatchHolds(data, length, &watched)) {
        uint32_t carried = 0;
        for (int i = 0; i < watched.runs; i++) {
            check(watched.runLength[i] > 0 && watched.runHolds[i] < 0x80, "a watched run of no steps or unknown bits");
            carried += watched.runLength[i];
        }
        check(watched.from <= watched.settled && watched.settled - watched.from >= carried, "holds of unsettled steps");
        sameBytes(data, length, written, writeWatchHolds(written, watched));
    }
    uint8_t number;
    if (readWatchKnown(data, length, &number, &step)) sameBytes(data, length, written, writeWatchKnown(written, number, step));
    if (readQuestion(data, length)) sameBytes(data, length, written, writeQuestion(written));
    if (readAnswer(data, length, &answer)) {
        check(answer.free <= 1 && answer.port != 0, "an answer's free or port out of range");
        checkName(answer.name);
        sameBytes(data, length, written, writeAnswer(written, answer));
    }
    // The lobby's messages: what is taken is printable, bounded, and reads back as it was read.
    LobbyNote note, again;
    if (readLobbyNote(data, length, &note)) {
        check(note.candidateCount >= 0 && note.candidateCount <= CANDIDATES_MAX, "a note's counts");
        for (int i = 0; i < note.candidateCount; i++)
            check(note.candidates[i].port != 0 && note.candidates[i].kind <= CANDIDATE_RELAY, "a candidate's port or kind");
        uint8_t text[LOBBY_MESSAGE_BYTES], textAgain[LOBBY_MESSAGE_BYTES];
        const size_t size = writeLobbyNote(note, text, sizeof text);
        if (size > 0) {  // none for a note of keys this game does not know
            check(readLobbyNote(text, size, &again), "a note taken does not write to one that reads");
            sameBytes(text, size, textAgain, writeLobbyNote(again, textAgain, sizeof textAgain));
        }
    }
    char address[ADDRESS_TEXT_SIZE], code[ROOM_CODE_SIZE];
    uint16_t port;
    if (length >= STUN_REQUEST_SIZE && readStunAnswer(data, length, data + 8, address, &port)) {
        check(port != 0 && strlen(address) >= 7, "a STUN answer without an address");
        check(meetingDatagram(data, length), "a STUN answer the game's port would not set aside");
    }
    // The relay's: what is taken lies within the bytes read.
    TurnMessage turn;
    if (readTurnMessage(data, length, &turn)) {
        check(!turn.data || (turn.data >= data && turn.data + turn.dataLength <= data + length), "DATA beyond the message");
        check(turn.error == 0 || (turn.error >= 300 && turn.error < 700), "an error code out of range");
        check(turn.kind <= TURN_ERROR && (turn.kind & ~0x0110) == 0, "a class out of range");
    }
    uint16_t channel;
    const uint8_t* carried;
    size_t carriedLength;
    if (readChannelData(data, length, &channel, &carried, &carriedLength)) {
        check(channel >= TURN_FIRST_CHANNEL && carried + carriedLength <= data + length, "ChannelData beyond the datagram");
        uint8_t framed[NET_PACKET_MAX + CHANNEL_DATA_HEAD + 4];
        if (carriedLength <= NET_PACKET_MAX)
            check(writeChannelData(framed, sizeof framed, channel, carried, carriedLength) >= CHANNEL_DATA_HEAD + carriedLength,
                  "ChannelData taken does not write back");
    }
    int kind;
    uint8_t token[MEET_TOKEN_SIZE];
    if (readPunch(data, length, &kind, code, token)) {
        check(meetingDatagram(data, length), "a probe the game's port would not set aside");
        sameBytes(data, length, written, writePunch(written, kind, code, token));
    }
    return 0;
}
