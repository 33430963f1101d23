// The lobby's text messages, STUN's binding request and answer, and the punch's probes: written, and read back by bounded readers.
#include "net/lobby_messages.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char ROOM_CODE_ALPHABET[] = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";

bool readRoomCode(const char* text, char* code) {
    if (std::strlen(text) != ROOM_CODE_LENGTH) return false;
    for (int i = 0; i < ROOM_CODE_LENGTH; i++) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        if (!std::strchr(ROOM_CODE_ALPHABET, c) || c == 0) return false;
        code[i] = c;
    }
    code[ROOM_CODE_LENGTH] = 0;
    return true;
}

// ---- The lobby's messages ---------------------------------------------------------

static const char* const KIND_WORDS[] = {"lan", "mapped", "outside", "relayed"};

size_t writeLobbyNote(const LobbyNote& note, uint8_t* out, size_t room) {
    char text[LOBBY_MESSAGE_BYTES + 1];
    size_t used = 0;
    bool fits = true;
    auto line = [&](const char* format, auto... values) {
        if (!fits) return;
        const int wrote = snprintf(text + used, sizeof text - used, format, values...);
        if (wrote < 0 || (size_t)wrote >= sizeof text - used) fits = false;
        else used += (size_t)wrote;
    };
    if (note.version) line("tarvo %u\n", (unsigned)note.version);
    if (note.name[0]) {
        char name[LOBBY_NAME_SIZE];
        size_t i = 0;
        for (; note.name[i] && i + 1 < sizeof name; i++) name[i] = note.name[i] >= 32 && note.name[i] < 127 ? note.name[i] : '?';
        name[i] = 0;
        line("name %s\n", name);
    }
    if (note.code[0]) line("code %s\n", note.code);
    if (note.seat) line("seat %s\n", note.seat == 1 ? "free" : "busy");
    if (note.want) line("want %s\n", note.want == LOBBY_WANT_PLAY ? "play" : "watch");
    if (note.answer) line("answer %s\n", note.answer == LOBBY_COME ? "come" : note.answer == LOBBY_TAKEN ? "taken" : "version");
    for (int i = 0; i < note.candidateCount && i < CANDIDATES_MAX; i++) {
        const Candidate& candidate = note.candidates[i];
        if (candidate.kind <= CANDIDATE_RELAY) line("%s %s:%u\n", KIND_WORDS[candidate.kind], candidate.address, (unsigned)candidate.port);
    }
    if (note.stunHost[0]) line("stun %s:%u\n", note.stunHost, (unsigned)note.stunPort);
    if (note.relayUser[0]) line("relay %s %s\n", note.relayUser, note.relayPassword);
    if (note.hasToken) {
        char hex[2 * MEET_TOKEN_SIZE + 1];
        for (int i = 0; i < MEET_TOKEN_SIZE; i++) snprintf(hex + 2 * i, 3, "%02x", note.token[i]);
        line("token %s\n", hex);
    }
    if (!fits || used > room) return 0;
    std::memcpy(out, text, used);
    return used;
}

// A whole decimal number from `low` to `high`, nothing else.
static bool readNumber(const char* text, unsigned long low, unsigned long high, unsigned long* value) {
    if (!*text || std::strlen(text) > 5) return false;
    for (const char* c = text; *c; c++)
        if (*c < '0' || *c > '9') return false;
    *value = std::strtoul(text, nullptr, 10);
    return *value >= low && *value <= high;
}

// "NAME:PORT", the name as `accepts` allows it.
static bool readHostPort(char* text, char* host, size_t room, uint16_t* port, bool (*accepts)(const char*)) {
    char* colon = std::strrchr(text, ':');
    unsigned long number;
    if (!colon || !readNumber(colon + 1, 1, 65535, &number)) return false;
    *colon = 0;
    if (!*text || std::strlen(text) >= room || !accepts(text)) return false;
    std::strcpy(host, text);
    *port = (uint16_t)number;
    return true;
}

static bool anIPv4Address(const char* text) {
    in_addr address;
    return inet_pton(AF_INET, text, &address) == 1;
}

static bool aHostName(const char* text) {
    if (std::strcmp(text, "*") == 0) return true;
    for (const char* c = text; *c; c++)
        if (!((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '.' || *c == '-'))
            return false;
    return true;
}

// A credential: letters, digits, '-' and '_', 1 to 32 of them.
static bool readCredential(const char* text, char* out) {
    const size_t length = std::strlen(text);
    if (length == 0 || length >= LOBBY_CREDENTIAL_SIZE) return false;
    for (const char* c = text; *c; c++)
        if (!((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '-' || *c == '_'))
            return false;
    std::strcpy(out, text);
    return true;
}

static bool readLine(char* key, char* value, LobbyNote* note) {
    unsigned long number;
    if (std::strcmp(key, "tarvo") == 0) {
        if (!readNumber(value, 1, 999, &number)) return false;
        note->version = (uint32_t)number;
    } else if (std::strcmp(key, "name") == 0) {
        const size_t length = std::strlen(value);
        if (length == 0 || length >= LOBBY_NAME_SIZE) return false;
        std::strcpy(note->name, value);
    } else if (std::strcmp(key, "code") == 0) {
        if (!readRoomCode(value, note->code)) return false;
    } else if (std::strcmp(key, "seat") == 0) {
        if (std::strcmp(value, "free") != 0 && std::strcmp(value, "busy") != 0) return false;
        note->seat = value[0] == 'f' ? 1 : 2;
    } else if (std::strcmp(key, "want") == 0) {
        if (std::strcmp(value, "play") != 0 && std::strcmp(value, "watch") != 0) return false;
        note->want = value[0] == 'p' ? LOBBY_WANT_PLAY : LOBBY_WANT_WATCH;
    } else if (std::strcmp(key, "answer") == 0) {
        if (std::strcmp(value, "come") == 0) note->answer = LOBBY_COME;
        else if (std::strcmp(value, "taken") == 0) note->answer = LOBBY_TAKEN;
        else if (std::strcmp(value, "version") == 0) note->answer = LOBBY_OTHER_VERSION;
        else return false;
    } else if (std::strcmp(key, "token") == 0) {
        if (std::strlen(value) != 2 * MEET_TOKEN_SIZE) return false;
        for (int i = 0; i < 2 * MEET_TOKEN_SIZE; i++) {
            const char c = value[i];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0) return false;
            note->token[i / 2] = (uint8_t)(note->token[i / 2] << 4 | digit);
        }
        note->hasToken = 1;
    } else if (std::strcmp(key, "stun") == 0) {
        if (!readHostPort(value, note->stunHost, sizeof note->stunHost, &note->stunPort, aHostName)) return false;
    } else if (std::strcmp(key, "relay") == 0) {
        char* space = std::strchr(value, ' ');
        if (!space) return false;
        *space = 0;
        if (!readCredential(value, note->relayUser) || !readCredential(space + 1, note->relayPassword)) return false;
    } else {
        for (uint8_t kind = CANDIDATE_LAN; kind <= CANDIDATE_RELAY; kind++) {
            if (std::strcmp(key, KIND_WORDS[kind]) != 0) continue;
            if (note->candidateCount == CANDIDATES_MAX) return true;  // more than any side sends: passed over
            Candidate& candidate = note->candidates[note->candidateCount];
            if (!readHostPort(value, candidate.address, sizeof candidate.address, &candidate.port, anIPv4Address))
                return false;
            candidate.kind = kind;
            note->candidateCount++;
        }
    }
    return true;  // a key this game does not know: passed over
}

bool readLobbyNote(const uint8_t* bytes, size_t length, LobbyNote* note) {
    if (length == 0 || length > LOBBY_MESSAGE_BYTES) return false;
    char text[LOBBY_MESSAGE_BYTES + 1];
    for (size_t i = 0; i < length; i++) {
        if (bytes[i] != '\n' && (bytes[i] < 32 || bytes[i] > 126)) return false;
        text[i] = (char)bytes[i];
    }
    text[length] = 0;
    LobbyNote read = {};
    for (char* line = text; line && *line;) {
        char* end = std::strchr(line, '\n');
        if (end) *end = 0;
        char* space = std::strchr(line, ' ');
        if (*line && (!space || !readLine((*space = 0, line), space + 1, &read))) return false;
        line = end ? end + 1 : nullptr;
    }
    *note = read;
    return true;
}

// ---- STUN -------------------------------------------------------------------------

static const uint32_t STUN_COOKIE = 0x2112A442;
enum { STUN_BINDING = 0x0001, STUN_BINDING_ANSWER = 0x0101, STUN_MAPPED = 0x0001, STUN_XOR_MAPPED = 0x0020 };

static uint16_t getU16be(const uint8_t* in) { return (uint16_t)(in[0] << 8 | in[1]); }
static uint32_t getU32be(const uint8_t* in) { return (uint32_t)in[0] << 24 | (uint32_t)in[1] << 16 | (uint32_t)in[2] << 8 | in[3]; }

size_t writeStunRequest(uint8_t* out, const uint8_t* transaction) {
    const uint8_t head[8] = {0, STUN_BINDING, 0, 0, 0x21, 0x12, 0xA4, 0x42};
    std::memcpy(out, head, sizeof head);
    std::memcpy(out + 8, transaction, STUN_TRANSACTION_SIZE);
    return STUN_REQUEST_SIZE;
}

// A STUN message's frame: its head, its cookie, and a length that is the datagram's.
static bool stunFrame(const uint8_t* bytes, size_t length) {
    return length >= 20 && (bytes[0] & 0xC0) == 0 && getU32be(bytes + 4) == STUN_COOKIE &&
           (size_t)getU16be(bytes + 2) + 20 == length && length % 4 == 0;
}

bool readStunAnswer(const uint8_t* bytes, size_t length, const uint8_t* transaction, char* address, uint16_t* port) {
    if (!stunFrame(bytes, length) || getU16be(bytes) != STUN_BINDING_ANSWER ||
        std::memcmp(bytes + 8, transaction, STUN_TRANSACTION_SIZE) != 0)
        return false;
    bool found = false;
    for (size_t at = 20; at + 4 <= length;) {
        const uint16_t type = getU16be(bytes + at), size = getU16be(bytes + at + 2);
        if (at + 4 + size > length) return false;
        const uint8_t* value = bytes + at + 4;
        if ((type == STUN_XOR_MAPPED || (type == STUN_MAPPED && !found)) && size == 8 && value[1] == 0x01) {
            uint16_t mappedPort = getU16be(value + 2);
            uint32_t mapped = getU32be(value + 4);
            if (type == STUN_XOR_MAPPED) {
                mappedPort ^= (uint16_t)(STUN_COOKIE >> 16);
                mapped ^= STUN_COOKIE;
            }
            in_addr in;
            in.s_addr = htonl(mapped);
            if (mappedPort != 0 && inet_ntop(AF_INET, &in, address, ADDRESS_TEXT_SIZE)) {
                *port = mappedPort;
                found = true;
                if (type == STUN_XOR_MAPPED) return true;  // the one to believe over a plain one
            }
        }
        at += 4 + ((size + 3u) & ~3u);
    }
    return found;
}

// ---- The punch --------------------------------------------------------------------

static const uint8_t PUNCH_MAGIC[4] = {'T', 'R', 'P', 'U'};

size_t writePunch(uint8_t* out, int kind, const char* code, const uint8_t* token) {
    std::memcpy(out, PUNCH_MAGIC, 4);
    out[4] = (uint8_t)kind;
    std::memcpy(out + 5, code, ROOM_CODE_LENGTH);
    std::memcpy(out + 5 + ROOM_CODE_LENGTH, token, PUNCH_TOKEN_SIZE);
    return PUNCH_SIZE;
}

bool readPunch(const uint8_t* bytes, size_t length, int* kind, char* code, uint8_t* token) {
    if (length != PUNCH_SIZE || std::memcmp(bytes, PUNCH_MAGIC, 4) != 0) return false;
    if (bytes[4] != PUNCH_PROBE && bytes[4] != PUNCH_ANSWER) return false;
    char given[ROOM_CODE_SIZE];
    std::memcpy(given, bytes + 5, ROOM_CODE_LENGTH);
    given[ROOM_CODE_LENGTH] = 0;
    if (!readRoomCode(given, code) || std::strcmp(given, code) != 0) return false;
    *kind = bytes[4];
    std::memcpy(token, bytes + 5 + ROOM_CODE_LENGTH, PUNCH_TOKEN_SIZE);
    return true;
}

int meetingDatagram(const uint8_t* bytes, size_t length) {
    return stunFrame(bytes, length) || (length == PUNCH_SIZE && std::memcmp(bytes, PUNCH_MAGIC, 4) == 0);
}
