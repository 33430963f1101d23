// Fuzz target for the network packet readers: any bytes must read without a fault, and a packet a reader takes must hold usable values and write back to the very same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    uint8_t holds;
    int playground;
    NetState state;
    if (readHello(data, length, name)) {
        checkName(name);
        sameBytes(data, length, written, writeHello(written, name));
    }
    if (readHolds(data, length, &holds)) {
        check((holds & ~NET_HOLD_ALL) == 0, "unknown hold bits taken");
        sameBytes(data, length, written, writeHolds(written, holds));
    }
    if (readMatchStart(data, length, &playground, name)) {
        check(playground == 1 || playground == 2, "no such playground taken");
        checkName(name);
        sameBytes(data, length, written, writeMatchStart(written, playground, name));
    }
    if (readState(data, length, &state)) {
        check(std::isfinite(state.ballX) && state.ballX >= NET_BALL_X_MIN && state.ballX <= NET_BALL_X_MAX, "ball x");
        check(std::isfinite(state.ballY) && std::fabs(state.ballY) <= NET_BALL_Y_LIMIT, "ball y");
        check(std::isfinite(state.p1BatY) && std::fabs(state.p1BatY) <= NET_BAT_LIMIT, "bat 1");
        check(std::isfinite(state.p2BatY) && std::fabs(state.p2BatY) <= NET_BAT_LIMIT, "bat 2");
        check(state.animFrame < NET_FRAMES && state.p1Games <= NET_GAMES_MAX && state.p2Games <= NET_GAMES_MAX,
              "an index out of range");
        sameBytes(data, length, written, writeState(written, state));
    }
    if (readMatchEnd(data, length)) sameBytes(data, length, written, writeMatchEnd(written));
    return 0;
}
