// Finding hosts on the local network: the question and the answer, their writers and checked readers.
//
// Only the C library is used here, so the readers can be built and fuzzed on their own.
#include "net/discovery.h"

#include <cstring>

#include "net/protocol.h"  // the game's protocol version

static const uint8_t QUESTION_MAGIC[4] = {'T', 'R', 'L', '?'};
static const uint8_t ANSWER_MAGIC[4] = {'T', 'R', 'L', '!'};

size_t writeQuestion(uint8_t* out) {
    memcpy(out, QUESTION_MAGIC, 4);
    out[4] = NET_PROTOCOL_VERSION;
    out[5] = out[6] = out[7] = 0;
    return DISCOVERY_QUESTION_SIZE;
}

size_t writeAnswer(uint8_t* out, const DiscoveryAnswer& answer) {
    memcpy(out, ANSWER_MAGIC, 4);
    out[4] = NET_PROTOCOL_VERSION;
    out[5] = answer.free;
    out[6] = (uint8_t)(answer.port >> 8);
    out[7] = (uint8_t)answer.port;
    writeName(out + 8, answer.name);
    return DISCOVERY_ANSWER_SIZE;
}

bool readQuestion(const uint8_t* data, size_t length) {
    return length == DISCOVERY_QUESTION_SIZE && memcmp(data, QUESTION_MAGIC, 4) == 0 &&
           data[4] == NET_PROTOCOL_VERSION && data[5] == 0 && data[6] == 0 && data[7] == 0;
}

bool readAnswer(const uint8_t* data, size_t length, DiscoveryAnswer* answer) {
    if (length != DISCOVERY_ANSWER_SIZE || memcmp(data, ANSWER_MAGIC, 4) != 0 || data[4] != NET_PROTOCOL_VERSION)
        return false;
    DiscoveryAnswer read;
    read.free = data[5];
    read.port = (uint16_t)(data[6] << 8 | data[7]);
    if (read.free > 1 || read.port == 0 || !readName(data + 8, read.name)) return false;
    *answer = read;
    return true;
}
