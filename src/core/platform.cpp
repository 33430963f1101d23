// The real platform behind the seam: SDL ticks, delay and joysticks, SDL_mixer, ENet and its sockets, the home router, the lobby, GLUT cursor and redisplay, signals.
#include "core/platform.h"

#include <GL/freeglut.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <enet/enet.h>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <csignal>
#include <unistd.h>
#include <cstring>

#include "core/broker.h"
#include "core/game_port.h"
#include "core/home_router.h"

static uint32_t realGetTicks() { return SDL_GetTicks(); }
static void realDelay(uint32_t ms) { SDL_Delay(ms); }
static int realInitAudio() { return SDL_Init(SDL_INIT_AUDIO); }
static int realOpenAudio(int frequency, uint16_t format, int channels, int chunkSize) {
    return Mix_OpenAudio(frequency, format, channels, chunkSize);
}
static void realCloseAudio() { Mix_CloseAudio(); }
static Mix_Chunk* realLoadWav(const char* path) {
    // The loader closes the stream itself (freesrc 1), also when it fails.
    return Mix_LoadWAV_RW(SDL_RWFromFile(path, "rb"), 1);
}
static int realVolumeChunk(Mix_Chunk* chunk, int volume) { return Mix_VolumeChunk(chunk, volume); }
static void realFreeChunk(Mix_Chunk* chunk) { Mix_FreeChunk(chunk); }
static int realPlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks) {
    return Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}
static int realFadeInChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ms, int ticks) {
    return Mix_FadeInChannelTimed(channel, chunk, loops, ms, ticks);
}
static int realFadeOutChannel(int channel, int ms) { return Mix_FadeOutChannel(channel, ms); }
static int realPlaying(int channel) { return Mix_Playing(channel); }

static int realInitPads() {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return -1;
    // No SDL event loop runs (GLUT's does): the game reads the pads' state instead.
    SDL_JoystickEventState(SDL_IGNORE);
    return 0;
}
static int realPadCount() { return SDL_NumJoysticks(); }
static const char* realPadName(int index) { return SDL_JoystickName(index); }
static void realUpdatePads() { SDL_JoystickUpdate(); }
static int realPadAxis(SDL_Joystick* pad, int axis) { return SDL_JoystickGetAxis(pad, axis); }
static int realPadHat(SDL_Joystick* pad, int hat) { return SDL_JoystickGetHat(pad, hat); }
static int realPadButton(SDL_Joystick* pad, int button) { return SDL_JoystickGetButton(pad, button); }

// SDL never says when a pad is unplugged: it keeps the last state it read, so
// a stick held at that moment would stay held. The pad's device descriptor does
// say so: once the device is gone (or a pipe standing in for one has lost its
// writer) poll reports a hang-up on it. The descriptor is the one that opening
// the pad adds to the process's open descriptors.
enum { PAD_SLOTS = 8, DESCRIPTORS = 1024 };
static int padDescriptors[PAD_SLOTS] = {-1, -1, -1, -1, -1, -1, -1, -1};

static void markOpenDescriptors(bool* open) {
    DIR* listing = opendir("/proc/self/fd");
    if (!listing) return;
    int own = dirfd(listing);
    while (dirent* entry = readdir(listing)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        int fd = atoi(entry->d_name);
        if (fd != own && fd < DESCRIPTORS) open[fd] = true;
    }
    closedir(listing);
}

static SDL_Joystick* realOpenPad(int index) {
    static bool before[DESCRIPTORS], after[DESCRIPTORS];
    for (int fd = 0; fd < DESCRIPTORS; fd++) before[fd] = after[fd] = false;
    markOpenDescriptors(before);
    SDL_Joystick* pad = SDL_JoystickOpen(index);
    markOpenDescriptors(after);
    if (pad && index >= 0 && index < PAD_SLOTS) {
        for (int fd = 0; fd < DESCRIPTORS; fd++) {
            if (after[fd] && !before[fd]) {
                padDescriptors[index] = fd;
                break;
            }
        }
    }
    return pad;
}

static int realPadGone(SDL_Joystick* pad) {
    int index = SDL_JoystickIndex(pad);
    if (index < 0 || index >= PAD_SLOTS || padDescriptors[index] < 0) return 0;  // cannot tell: still there
    pollfd device = {padDescriptors[index], POLLIN, 0};
    if (poll(&device, 1, 0) < 0) return 0;
    return (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// The network: ENet's connections, its reliable channel 0 and unreliable channel 1.
enum { NET_CHANNELS = 2 };
static int realNetStart() { return enet_initialize(); }
static ENetHost* realNetListen(uint16_t port) {
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = port;
    // The guest, its watchers, and room to refuse those that find none.
    return enet_host_create(&address, NET_HOST_PEERS, NET_CHANNELS, 0, 0);
}
// Bound at once, so that the port is known before anything is sent: a guest met through the lobby names it.
static ENetHost* realNetClient() {
    ENetAddress any;
    any.host = ENET_HOST_ANY;
    any.port = 0;
    return enet_host_create(&any, 1, NET_CHANNELS, 0, 0);
}
static ENetPeer* realNetConnect(ENetHost* host, const char* name, uint16_t port, uint32_t data) {
    ENetAddress address;
    if (enet_address_set_host(&address, name) != 0) return nullptr;
    address.port = port;
    return enet_host_connect(host, &address, NET_CHANNELS, data);
}
static int realNetService(ENetHost* host, NetEvent* event) {
    ENetEvent got;
    if (enet_host_service(host, &got, 0) <= 0) return 0;
    event->type = got.type;
    event->peer = got.peer;
    event->data = got.data;
    event->channel = got.channelID;
    event->length = 0;
    if (got.type == ENET_EVENT_TYPE_CONNECT) {
        // A lost connection is noticed within a few seconds: pinged twice a
        // second, given up after four without an answer (the game also watches for silence).
        enet_peer_ping_interval(got.peer, 500);
        enet_peer_timeout(got.peer, 0, 2000, 4000);
    }
    if (got.type == ENET_EVENT_TYPE_RECEIVE) {
        event->length = got.packet->dataLength;
        memcpy(event->bytes, got.packet->data, event->length < (size_t)NET_EVENT_BYTES ? event->length : (size_t)NET_EVENT_BYTES);
        enet_packet_destroy(got.packet);
    }
    return 1;
}
static int realNetSend(ENetPeer* peer, int channel, const uint8_t* data, size_t length, int reliable) {
    ENetPacket* packet = enet_packet_create(data, length, reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (!packet) return -1;
    if (enet_peer_send(peer, (enet_uint8)channel, packet) != 0) {
        enet_packet_destroy(packet);
        return -1;
    }
    return 0;
}
static void realNetFlush(ENetHost* host) { enet_host_flush(host); }
static void realNetDisconnect(ENetPeer* peer, uint32_t data) { enet_peer_disconnect(peer, data); }
static void realNetReset(ENetPeer* peer) { enet_peer_reset(peer); }
static void realNetClose(ENetHost* host) {
    realNetAsideForget(host);
    enet_host_destroy(host);
}
// Anything counts: packets, acknowledgements and the library's own keep-alive pings.
static uint32_t realNetQuietFor(ENetPeer* peer) {
    // The handshake leaves the time unset until the next packet: no silence yet.
    if (peer->lastReceiveTime == 0) return 0;
    uint32_t quiet = enet_time_get() - peer->lastReceiveTime;
    return quiet < 0x80000000u ? quiet : 0;  // a time stamped after the clock was read is no silence
}

// Plain datagrams through ENet's own sockets: the same library on every system the game builds for.
static int realUdpOpen(uint16_t port) {
    ENetSocket socket = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    if (socket == ENET_SOCKET_NULL) return -1;
    enet_socket_set_option(socket, ENET_SOCKOPT_NONBLOCK, 1);
    enet_socket_set_option(socket, ENET_SOCKOPT_BROADCAST, 1);
    enet_socket_set_option(socket, ENET_SOCKOPT_REUSEADDR, 1);
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = port;
    if (enet_socket_bind(socket, &address) != 0) {
        int why = errno;
        enet_socket_destroy(socket);
        errno = why;
        return -1;
    }
    return socket;
}
static int realUdpSend(int socket, const char* address, uint16_t port, const uint8_t* data, size_t length) {
    ENetAddress to;
    if (enet_address_set_host_ip(&to, address) != 0) return -1;
    to.port = port;
    ENetBuffer buffer;
    buffer.data = const_cast<uint8_t*>(data);
    buffer.dataLength = length;
    return enet_socket_send(socket, &to, &buffer, 1) < 0 ? -1 : 0;
}
static int realUdpReceive(int socket, uint8_t* data, size_t room, char* address, uint16_t* port) {
    ENetAddress from;
    ENetBuffer buffer;
    buffer.data = data;
    buffer.dataLength = room;
    int length = enet_socket_receive(socket, &from, &buffer, 1);  // -1 also for one cut short
    if (length <= 0) return length;
    if (enet_address_get_host_ip(&from, address, ADDRESS_TEXT_SIZE) != 0) return -1;
    *port = from.port;
    return length;
}
static void realUdpClose(int socket) { enet_socket_destroy(socket); }
static uint16_t realUdpLocalPort(int socket) {
    ENetAddress bound;
    return enet_socket_get_address(socket, &bound) == 0 ? bound.port : 0;
}
static int realNetPeerAddress(ENetPeer* peer, char* address, uint16_t* port) {
    if (enet_address_get_host_ip(&peer->address, address, ADDRESS_TEXT_SIZE) != 0) return 0;
    *port = peer->address.port;
    return 1;
}

// The interfaces that are up, IPv4 only: their broadcast addresses, or their own
// addresses less the loopback's; each address once.
static int listAddresses(char (*addresses)[ADDRESS_TEXT_SIZE], int room, bool broadcast) {
    ifaddrs* list;
    if (getifaddrs(&list) != 0) return 0;
    int count = 0;
    for (ifaddrs* at = list; at && count < room; at = at->ifa_next) {
        if (!(at->ifa_flags & IFF_UP)) continue;
        if (broadcast && !(at->ifa_flags & IFF_BROADCAST)) continue;
        if (!broadcast && (at->ifa_flags & IFF_LOOPBACK)) continue;
        sockaddr* address = broadcast ? at->ifa_broadaddr : at->ifa_addr;
        if (!address || address->sa_family != AF_INET) continue;
        char text[ADDRESS_TEXT_SIZE];
        if (!inet_ntop(AF_INET, &((sockaddr_in*)address)->sin_addr, text, sizeof text)) continue;
        bool known = false;
        for (int i = 0; i < count; i++) known = known || strcmp(addresses[i], text) == 0;
        if (!known) memcpy(addresses[count++], text, sizeof text);
    }
    freeifaddrs(list);
    return count;
}
static int realBroadcastAddresses(char (*addresses)[ADDRESS_TEXT_SIZE], int room) { return listAddresses(addresses, room, true); }
static int realLocalAddresses(char (*addresses)[ADDRESS_TEXT_SIZE], int room) { return listAddresses(addresses, room, false); }

static void realSetCursor(int cursor) { glutSetCursor(cursor); }
static void realPostRedisplay() { glutPostRedisplay(); }
// Every way out removes the router's mapping first.
static void realExitProgram(int status) {
    realRouterForget();
    realLobbyClose();
    exit(status);
}

// Signals: the handler only notes which came (async-signal-safe); the frame
// loop ends the game. One that comes while a first is noted (the game is
// ending, or stuck) takes its default course at once: the program ends.
static volatile sig_atomic_t signalNoted = 0;
static void noteSignal(int signal) {
    if (signalNoted) {
        ::signal(signal, SIG_DFL);
        raise(signal);
        return;
    }
    signalNoted = signal;
}
static void realCatchSignals() {
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESTART;  // the libraries' calls under way go on as if nothing came
    sigemptyset(&action.sa_mask);
    const int ending[] = {SIGINT, SIGTERM, SIGHUP};
    for (int signal : ending) sigaction(signal, &action, nullptr);
}
static int realSignalCaught() { return signalNoted; }
static void realEndBySignal(int signal) {
    realRouterForget();
    realLobbyClose();
    // A game in full screen gives the display its own mode back, as an exit does.
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) glutLeaveGameMode();
    SDL_Quit();
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);  // a signal whose default is not to end the program
}

constexpr Platform realPlatform = {
    realGetTicks,       realDelay,          realInitAudio,        realOpenAudio,
    realCloseAudio,     realLoadWav,        realVolumeChunk,      realFreeChunk,
    realPlayChannelTimed, realFadeInChannelTimed, realFadeOutChannel, realPlaying,
    realInitPads,       realPadCount,       realOpenPad,          realPadName,
    realUpdatePads,     realPadAxis,        realPadHat,           realPadButton,
    realPadGone,        realNetStart,       realNetListen,        realNetClient,
    realNetConnect,     realNetService,     realNetSend,          realNetFlush,
    realNetDisconnect,  realNetReset,       realNetQuietFor,      realNetClose,
    realUdpOpen,
    realUdpSend,        realUdpReceive,     realUdpClose,         realUdpLocalPort,     realBroadcastAddresses,
    realLocalAddresses, realRouterAsk,      realRouterAnswer,     realRouterForget,
    realNetSetAside,    realNetAside,       realNetSocket,        realNetPeerAddress,   realNetLocalPort,     realRandomBytes,
    realLobbyOpen,      realLobbyState,     realLobbyPeer,        realLobbySubscribe,   realLobbyPublish,
    realLobbyReceive,   realLobbyClose,
    realSetCursor,      realPostRedisplay,  realExitProgram,
    realCatchSignals,   realSignalCaught,   realEndBySignal,
};

Platform platform = realPlatform;
