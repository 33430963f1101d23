// The real platform's game port beyond ENet: the meeting's datagrams set aside from what ENet reads, the socket and port under it, and the strong random source.
#include "core/game_port.h"

#include "core/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/random.h>

// The meeting's datagrams on the game's own port: ENet's intercept sees every
// datagram the host receives, before ENet reads it; those the game claims wait
// here (a host at a time), the oldest giving way to the newest.
enum { ASIDE_KEPT = 16, ASIDE_BYTES = 548 };
static struct {
    ENetHost* host;
    int (*takes)(const uint8_t* data, size_t length);
    uint8_t bytes[ASIDE_KEPT][ASIDE_BYTES];
    size_t lengths[ASIDE_KEPT];
    ENetAddress from[ASIDE_KEPT];
    int start, count;
} aside;

static int ENET_CALLBACK setAside(ENetHost* host, ENetEvent*) {
    if (host != aside.host || !aside.takes || !aside.takes(host->receivedData, host->receivedDataLength)) return 0;
    if (host->receivedDataLength > ASIDE_BYTES) return 1;  // claimed, and too long to be the game's: gone
    if (aside.count == ASIDE_KEPT) {
        aside.start = (aside.start + 1) % ASIDE_KEPT;
        aside.count--;
    }
    const int slot = (aside.start + aside.count++) % ASIDE_KEPT;
    memcpy(aside.bytes[slot], host->receivedData, host->receivedDataLength);
    aside.lengths[slot] = host->receivedDataLength;
    aside.from[slot] = host->receivedAddress;
    return 1;
}
void realNetSetAside(ENetHost* host, int (*takes)(const uint8_t* data, size_t length)) {
    aside.host = host;
    aside.takes = takes;
    aside.start = aside.count = 0;
    host->intercept = setAside;
}
int realNetAside(ENetHost* host, uint8_t* data, size_t room, char* address, uint16_t* port) {
    if (host != aside.host || aside.count == 0) return 0;  // set aside as the host is serviced
    const int slot = aside.start;
    aside.start = (aside.start + 1) % ASIDE_KEPT;
    aside.count--;
    if (aside.lengths[slot] > room) return -1;
    if (enet_address_get_host_ip(&aside.from[slot], address, ADDRESS_TEXT_SIZE) != 0) return -1;
    *port = aside.from[slot].port;
    memcpy(data, aside.bytes[slot], aside.lengths[slot]);
    return (int)aside.lengths[slot];
}
void realNetAsideForget(ENetHost* host) {
    if (host == aside.host) aside.host = nullptr;
}

int realNetSocket(ENetHost* host) { return host->socket; }
uint16_t realNetLocalPort(ENetHost* host) {
    ENetAddress bound;
    return enet_socket_get_address(host->socket, &bound) == 0 ? bound.port : 0;
}
void realRandomBytes(uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t got = getrandom(bytes, count, 0);
        if (got <= 0) {
            if (errno == EINTR) continue;
            abort();  // no strong random source: nothing secret can be made
        }
        bytes += got;
        count -= (size_t)got;
    }
}
