// A stand-in network peer for the end-to-end tests: a host or a guest of any protocol version, and a measure of a match's traffic.
//
//   tarvo-net-peer host PORT VERSION SECONDS    listens; refuses each guest as a host of VERSION would
//   tarvo-net-peer join HOST PORT VERSION        connects as a guest of VERSION; prints how the host answered
//   tarvo-net-peer watch HOST PORT SECONDS       joins as a guest of this game's version, holds nothing, and
//                                                prints the host's holds traffic of the match it plays meanwhile
//   tarvo-net-peer watcher HOST PORT SECONDS     watches the host's match as a watcher does, saying how far it
//                                                has the holds; prints whether it was let in, and its traffic
//                                                when the time is up or it is interrupted
#include <enet/enet.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/game_state.h"
#include "net/protocol.h"

static int usage() {
    fprintf(stderr, "usage: tarvo-net-peer host PORT VERSION SECONDS | join HOST PORT VERSION | watch HOST PORT SECONDS"
                    " | watcher HOST PORT SECONDS\n");
    return 2;
}

static ENetPeer* connectTo(ENetHost* self, const char* name, int port, unsigned version) {
    ENetAddress address;
    if (enet_address_set_host(&address, name) != 0) return nullptr;
    address.port = (enet_uint16)port;
    return enet_host_connect(self, &address, 2, version);
}

static int host(int port, unsigned version, unsigned seconds) {
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = (enet_uint16)port;
    ENetHost* self = enet_host_create(&address, 4, 2, 0, 0);
    if (!self) return 1;
    enet_uint32 end = enet_time_get() + seconds * 1000;
    ENetEvent event;
    while (enet_time_get() < end) {
        if (enet_host_service(self, &event, 50) <= 0) continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT) {
            printf("guest of version %u refused\n", event.data);
            fflush(stdout);
            enet_peer_disconnect(event.peer, NET_REFUSED_VERSION | version << NET_REFUSAL_BITS);
        }
        if (event.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(event.packet);
    }
    enet_host_destroy(self);
    return 0;
}

static int join(const char* name, int port, unsigned version) {
    ENetHost* self = enet_host_create(nullptr, 1, 2, 0, 0);
    if (!self || !connectTo(self, name, port, version)) return 1;
    enet_uint32 end = enet_time_get() + 5000;
    ENetEvent event;
    while (enet_time_get() < end) {
        if (enet_host_service(self, &event, 50) <= 0) continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT) printf("connected\n");
        if (event.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(event.packet);
        if (event.type == ENET_EVENT_TYPE_DISCONNECT) {
            printf("disconnected, reason %u, version %u\n", event.data & 0xFF, event.data >> NET_REFUSAL_BITS);
            return 0;
        }
    }
    printf("no answer\n");
    return 0;
}

static int watch(const char* name, int port, unsigned seconds) {
    ENetHost* self = enet_host_create(nullptr, 1, 2, 0, 0);
    ENetPeer* peer = self ? connectTo(self, name, port, NET_PROTOCOL_VERSION) : nullptr;
    if (!peer) return 1;
    enet_uint32 end = enet_time_get() + seconds * 1000;
    unsigned packets = 0, largest = 0;
    enet_uint32 firstState = 0, lastState = 0;
    ENetEvent event;
    while (enet_time_get() < end) {
        if (enet_host_service(self, &event, 5) <= 0) continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT) {
            uint8_t hello[NET_PACKET_MAX];
            size_t length = writeHello(hello, "watcher");
            enet_peer_send(peer, NET_RELIABLE, enet_packet_create(hello, length, ENET_PACKET_FLAG_RELIABLE));
        }
        if (event.type == ENET_EVENT_TYPE_RECEIVE) {
            if (event.packet->dataLength && event.packet->data[0] == NET_HOLDS) {
                if (!packets) firstState = enet_time_get();
                lastState = enet_time_get();
                packets++;
                if (event.packet->dataLength > largest) largest = (unsigned)event.packet->dataLength;
            }
            enet_packet_destroy(event.packet);
        }
    }
    double span = (lastState - firstState) / 1000.0;
    printf("holds packets %u in %.2f s (%.1f a second), largest %u bytes; round trip %u ms; "
           "bytes on the wire %u received, %u sent in %u s\n",
           packets, span, span > 0 ? (packets - 1) / span : 0.0, largest, peer->roundTripTime,
           self->totalReceivedData, self->totalSentData, seconds);
    enet_peer_disconnect_now(peer, 0);
    enet_host_destroy(self);
    return 0;
}

// An interrupt ends the watching early, its figures still printed.
static volatile sig_atomic_t stopped = 0;
static void stopWatching(int) { stopped = 1; }

static int watcher(const char* name, int port, unsigned seconds) {
    ENetHost* self = enet_host_create(nullptr, 1, 2, 0, 0);
    ENetPeer* peer = self ? connectTo(self, name, port, NET_PROTOCOL_VERSION | NET_WATCHER) : nullptr;
    if (!peer) return 1;
    const enet_uint32 start = enet_time_get(), end = start + seconds * 1000;
    enet_uint32 told = start;
    unsigned holdsPackets = 0, bytes = 0;
    uint8_t match = 0;
    uint32_t known = 0;
    ENetEvent event;
    signal(SIGINT, stopWatching);
    while (enet_time_get() < end && !stopped) {
        if (enet_time_get() - told >= 100 && match) {
            told = enet_time_get();
            uint8_t packet[NET_PACKET_MAX];
            enet_peer_send(peer, NET_HOLDS_CHANNEL, enet_packet_create(packet, writeWatchKnown(packet, match, known), 0));
        }
        if (enet_host_service(self, &event, 5) <= 0) continue;
        if (event.type == ENET_EVENT_TYPE_CONNECT) printf("connected\n");
        if (event.type == ENET_EVENT_TYPE_DISCONNECT) {
            printf("refused, reason %u\n", event.data & 0xFF);
            return 0;
        }
        if (event.type != ENET_EVENT_TYPE_RECEIVE) continue;
        const uint8_t* data = event.packet->data;
        const size_t length = event.packet->dataLength;
        bytes += (unsigned)length;
        NetWatchStart begun;
        NetWatchHolds holds;
        MatchState state;
        uint32_t step;
        if (readWatchStart(data, length, &begun)) match = begun.number;
        if (readMatchState(data, length, &step, &state)) known = step;
        if (readWatchHolds(data, length, &holds) && holds.match == match) {
            holdsPackets++;
            uint32_t carried = 0;
            for (int i = 0; i < holds.runs; i++) carried += holds.runLength[i];
            if (holds.from <= known && known < holds.from + carried) known = holds.from + carried;
        }
        enet_packet_destroy(event.packet);
    }
    const double span = (enet_time_get() - start) / 1000.0;
    printf("watched: holds_packets=%u bytes=%u seconds=%.1f bytes_per_s=%.0f known=%u\n", holdsPackets, bytes, span,
           bytes / span, (unsigned)known);
    enet_peer_disconnect_now(peer, 0);
    enet_host_destroy(self);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2 || enet_initialize() != 0) return usage();
    if (strcmp(argv[1], "host") == 0 && argc == 5) return host(atoi(argv[2]), (unsigned)atoi(argv[3]), (unsigned)atoi(argv[4]));
    if (strcmp(argv[1], "join") == 0 && argc == 5) return join(argv[2], atoi(argv[3]), (unsigned)atoi(argv[4]));
    if (strcmp(argv[1], "watch") == 0 && argc == 5) return watch(argv[2], atoi(argv[3]), (unsigned)atoi(argv[4]));
    if (strcmp(argv[1], "watcher") == 0 && argc == 5) return watcher(argv[2], atoi(argv[3]), (unsigned)atoi(argv[4]));
    return usage();
}
