// Test stand-ins for the platform seam: a clock set by hand, a mixer that records every call, pads moved by
// hand, and a network and datagrams in one process.
#include <cstdlib>
#include "support/fake_platform.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"

namespace fake {
uint32_t ticks = 0;
std::vector<PlatformCall> calls;
bool channelPlaying[8] = {};
int redisplays = 0;
std::vector<std::string> missingSounds;
bool openAudioFails = false;
Mix_Chunk chunks[SOUND_CHUNKS];
static int chunksHanded = 0;
FakePad pads[4];
int padCount = 0;
bool padsUnavailable = false;
int padUpdates = 0;
std::vector<std::unique_ptr<FakeNetEnd>> netEnds;
std::vector<std::unique_ptr<FakeNetPeer>> netPeers;
int netSent[2] = {};
uint32_t netDelayMs = 0, netJitterMs = 0;
int netLossPercent = 0;
FakeNetEnd* netUnreliableLostFrom = nullptr;
uint16_t routerAskedPort = 0;
RouterAnswer routerAnswer = {};
bool routerAnswers = false;
int routerForgets = 0;
std::vector<FakeUdpSocket> udpSockets;
std::vector<FakeDatagram> udpSent;
std::string machine;
std::vector<FakeBrokerClient> brokerClients;
std::vector<std::pair<std::string, std::string>> retained;
bool brokerDown = false;
std::vector<std::string> broadcasts;
bool signalsCaught = false;
int signalNoted = 0;
}  // namespace fake

// The link's own dice: the same losses and delays in every run.
static uint32_t linkDice() {
    static uint32_t state = 12345;
    state = state * 1103515245u + 12345u;
    return state >> 16;
}

static void record(const char* function, int channel, Mix_Chunk* chunk, int loops, int ms, int ticks) {
    PlatformCall call;
    call.function = function;
    call.channel = channel;
    call.chunk = chunk;
    call.loops = loops;
    call.ms = ms;
    call.ticks = ticks;
    fake::calls.push_back(call);
}

static uint32_t fakeGetTicks() { return fake::ticks; }
static void fakeDelay(uint32_t ms) {
    record("delay", -1, nullptr, 0, (int)ms, 0);
    fake::ticks += ms;  // the stand-still passes on the clock, not in real time
}
static int fakeInitAudio() {
    record("initAudio", -1, nullptr, 0, 0, 0);
    return 0;
}
static int fakeOpenAudio(int frequency, uint16_t format, int channels, int chunkSize) {
    PlatformCall call;
    call.function = "open";
    call.channel = channels;
    call.loops = frequency;
    call.ms = chunkSize;
    call.ticks = format;
    fake::calls.push_back(call);
    return fake::openAudioFails ? -1 : 0;
}
static void fakeCloseAudio() { record("close", -1, nullptr, 0, 0, 0); }
static Mix_Chunk* fakeLoadWav(const char* path) {
    PlatformCall call;
    call.function = "load";
    call.path = path;
    fake::calls.push_back(call);
    // The n-th load gets stand-in chunk n, so a test knows which chunk is which sound.
    Mix_Chunk* chunk = &fake::chunks[fake::chunksHanded % SOUND_CHUNKS];
    fake::chunksHanded++;
    if (std::find(fake::missingSounds.begin(), fake::missingSounds.end(), path) != fake::missingSounds.end())
        return nullptr;
    return chunk;
}
static int fakeVolumeChunk(Mix_Chunk* chunk, int volume) {
    record("volume", -1, chunk, 0, volume, 0);
    return 128;
}
static void fakeFreeChunk(Mix_Chunk* chunk) { record("free", -1, chunk, 0, 0, 0); }
static int fakePlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks) {
    record("play", channel, chunk, loops, 0, ticks);
    return channel;
}
static int fakeFadeInChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ms, int ticks) {
    record("fadeIn", channel, chunk, loops, ms, ticks);
    return channel;
}
static int fakeFadeOutChannel(int channel, int ms) {
    record("fadeOut", channel, nullptr, 0, ms, 0);
    return 1;
}
static int fakePlaying(int channel) {
    return channel >= 0 && channel < 8 && fake::channelPlaying[channel] ? 1 : 0;
}
static FakePad* padOf(_SDL_Joystick* pad) { return reinterpret_cast<FakePad*>(pad); }
static int fakeInitPads() { return fake::padsUnavailable ? -1 : 0; }
static int fakePadCount() { return fake::padCount; }
static _SDL_Joystick* fakeOpenPad(int index) {
    if (index < 0 || index >= fake::padCount) return nullptr;
    return reinterpret_cast<_SDL_Joystick*>(&fake::pads[index]);
}
static const char* fakePadName(int index) { return index == 0 ? "Stand-in Pad" : "Second Stand-in Pad"; }
static void fakeUpdatePads() { fake::padUpdates++; }
static int fakePadAxis(_SDL_Joystick* pad, int axis) { return axis == 1 ? padOf(pad)->stick : 0; }
static int fakePadHat(_SDL_Joystick* pad, int hat) { return hat == 0 ? padOf(pad)->hat : 0; }
static int fakePadButton(_SDL_Joystick* pad, int button) {
    return button >= 0 && button < 8 && padOf(pad)->buttons[button] ? 1 : 0;
}
static int fakePadGone(_SDL_Joystick* pad) { return padOf(pad)->gone ? 1 : 0; }
FakeNetEnd* fakeEnd(_ENetHost* host) { return reinterpret_cast<FakeNetEnd*>(host); }
FakeNetPeer* fakePeer(_ENetPeer* peer) { return reinterpret_cast<FakeNetPeer*>(peer); }
static _ENetHost* asHost(FakeNetEnd* end) { return reinterpret_cast<_ENetHost*>(end); }
static _ENetPeer* asPeer(FakeNetPeer* peer) { return reinterpret_cast<_ENetPeer*>(peer); }

// An event is handed out once the clock reaches its time; events keep their
// order unless the link's jitter reorders them.
static void queueEvent(FakeNetPeer* at, int type, uint32_t data, const uint8_t* bytes = nullptr, size_t length = 0,
                       uint32_t delay = 0, int channel = 0) {
    NetEvent event{};
    event.channel = channel;
    event.type = type;
    event.peer = asPeer(at);
    event.data = data;
    event.length = length;
    if (bytes) memcpy(event.bytes, bytes, std::min(length, (size_t)NET_EVENT_BYTES));
    const uint32_t due = fake::ticks + delay;
    auto& events = at->end->events;
    auto& dues = at->end->due;
    size_t place = events.size();
    while (place > 0 && dues[place - 1] > due) place--;
    events.insert(events.begin() + (long)place, event);
    dues.insert(dues.begin() + (long)place, due);
}

static FakeNetPeer* newPeer(FakeNetEnd* end) {
    fake::netPeers.push_back(std::make_unique<FakeNetPeer>());
    fake::netPeers.back()->end = end;
    return fake::netPeers.back().get();
}

static int fakeNetStart() { return 0; }
static _ENetHost* fakeNetListen(uint16_t port) {
    for (auto& end : fake::netEnds) {
        if (end->listening && end->port == port) {
            errno = EADDRINUSE;
            return nullptr;
        }
    }
    fake::netEnds.push_back(std::make_unique<FakeNetEnd>());
    fake::netEnds.back()->port = port;
    fake::netEnds.back()->listening = true;
    return asHost(fake::netEnds.back().get());
}
static _ENetHost* fakeNetClient() {
    fake::netEnds.push_back(std::make_unique<FakeNetEnd>());
    return asHost(fake::netEnds.back().get());
}
static _ENetPeer* fakeNetConnect(_ENetHost* host, const char* name, uint16_t port, uint32_t data) {
    if (std::strcmp(name, "no.such.host") == 0) return nullptr;
    FakeNetPeer* mine = newPeer(fakeEnd(host));
    for (auto& end : fake::netEnds) {
        if (!end->listening || end->port != port) continue;
        FakeNetPeer* theirs = newPeer(end.get());
        mine->other = theirs;
        theirs->other = mine;
        queueEvent(theirs, NET_EVENT_CONNECT, data);
        queueEvent(mine, NET_EVENT_CONNECT, 0);
        break;
    }
    return asPeer(mine);
}
static int fakeNetService(_ENetHost* host, NetEvent* event) {
    FakeNetEnd* end = fakeEnd(host);
    if (end->events.empty() || end->due.front() > fake::ticks) return 0;
    *event = end->events.front();
    end->events.pop_front();
    end->due.pop_front();
    return 1;
}
static int fakeNetSend(_ENetPeer* peer, int channel, const uint8_t* data, size_t length, int reliable) {
    FakeNetPeer* from = fakePeer(peer);
    if (!from->other) return -1;
    fake::netSent[channel == 0 ? 0 : 1]++;
    // What may be lost is lost now and then, and the link's jitter may reorder it.
    uint32_t delay = fake::netDelayMs;
    if (!reliable) {
        if (from->end == fake::netUnreliableLostFrom) return 0;
        if (fake::netLossPercent && (int)(linkDice() % 100) < fake::netLossPercent) return 0;
        if (fake::netJitterMs) delay += linkDice() % (2 * fake::netJitterMs + 1) - fake::netJitterMs;
    }
    queueEvent(from->other, NET_EVENT_RECEIVE, 0, data, length, delay, channel);
    return 0;
}
static void fakeNetFlush(_ENetHost*) {}
static void fakeNetDisconnect(_ENetPeer* peer, uint32_t data) {
    FakeNetPeer* mine = fakePeer(peer);
    if (!mine->other) return;
    queueEvent(mine->other, NET_EVENT_DISCONNECT, data);
    mine->other->other = nullptr;
    mine->other = nullptr;
    queueEvent(mine, NET_EVENT_DISCONNECT, 0);
}
static uint32_t fakeNetQuietFor(_ENetPeer* peer) {
    FakeNetPeer* mine = fakePeer(peer);
    return mine->silentSince ? fake::ticks - mine->silentSince : 0;
}
static void fakeNetReset(_ENetPeer* peer) {
    FakeNetPeer* mine = fakePeer(peer);
    if (mine->other) mine->other->other = nullptr;
    mine->other = nullptr;
}

// The end is gone: its port free, its connections dropped without a word, as the library's own does.
static void fakeNetClose(_ENetHost* host) {
    FakeNetEnd* end = fakeEnd(host);
    end->listening = false;
    end->events.clear();
    end->due.clear();
    for (auto& peer : fake::netPeers) {
        if (peer->end != end || !peer->other) continue;
        peer->other->other = nullptr;
        peer->other = nullptr;
    }
}

void cutConnection(_ENetPeer* peer) {
    FakeNetPeer* mine = fakePeer(peer);
    if (!mine || !mine->other) return;
    queueEvent(mine->other, NET_EVENT_DISCONNECT, 0);
    queueEvent(mine, NET_EVENT_DISCONNECT, 0);
    mine->other->other = nullptr;
    mine->other = nullptr;
}

void injectPacket(_ENetPeer* peer, const uint8_t* bytes, size_t length) {
    queueEvent(fakePeer(peer), NET_EVENT_RECEIVE, 0, bytes, length);
}

static FakeUdpSocket* udpSocket(int handle) {
    if (handle < 0 || handle >= (int)fake::udpSockets.size() || !fake::udpSockets[handle].open) return nullptr;
    return &fake::udpSockets[handle];
}
static int fakeUdpOpen(uint16_t port) {
    FakeUdpSocket socket;
    socket.machine = fake::machine;
    socket.port = port ? port : (uint16_t)(50000 + fake::udpSockets.size());
    fake::udpSockets.push_back(socket);
    return (int)fake::udpSockets.size() - 1;
}
static int fakeUdpSend(int handle, const char* address, uint16_t port, const uint8_t* data, size_t length) {
    FakeUdpSocket* from = udpSocket(handle);
    if (!from) return -1;
    FakeDatagram datagram;
    datagram.to = address;
    datagram.toPort = port;
    datagram.socket = handle;
    datagram.fromPort = from->port;
    datagram.bytes.assign(data, data + length);
    const bool broadcast =
        std::find(fake::broadcasts.begin(), fake::broadcasts.end(), datagram.to) != fake::broadcasts.end();
    const bool loopback = datagram.to == "127.0.0.1";
    datagram.from = loopback ? "127.0.0.1" : from->machine;
    fake::udpSent.push_back(datagram);
    for (FakeUdpSocket& to : fake::udpSockets) {
        if (!to.open || to.port != port) continue;
        if (broadcast || (loopback && to.machine == from->machine) || to.machine == datagram.to) to.waiting.push_back(datagram);
    }
    return 0;
}
static int fakeUdpReceive(int handle, uint8_t* data, size_t room, char* address, uint16_t* port) {
    FakeUdpSocket* socket = udpSocket(handle);
    if (!socket) return -1;
    if (socket->waiting.empty()) return 0;
    FakeDatagram datagram = socket->waiting.front();
    socket->waiting.pop_front();
    if (datagram.bytes.size() > room) return -1;  // cut short, as the real socket reports it
    memcpy(data, datagram.bytes.data(), datagram.bytes.size());
    snprintf(address, ADDRESS_TEXT_SIZE, "%s", datagram.from.c_str());
    *port = datagram.fromPort;
    return (int)datagram.bytes.size();
}
static uint16_t fakeUdpLocalPort(int handle) { return udpSocket(handle) ? udpSocket(handle)->port : 0; }
static int fakeNetPeerAddress(_ENetPeer*, char* address, uint16_t* port) {
    snprintf(address, ADDRESS_TEXT_SIZE, "127.0.0.1");
    *port = 1;
    return 1;
}
static void fakeUdpClose(int handle) {
    if (FakeUdpSocket* socket = udpSocket(handle)) socket->open = false;
}
static int copyAddresses(const std::vector<std::string>& from, char (*addresses)[ADDRESS_TEXT_SIZE], int room) {
    int count = 0;
    for (const std::string& address : from)
        if (count < room) snprintf(addresses[count++], ADDRESS_TEXT_SIZE, "%s", address.c_str());
    return count;
}
static int fakeBroadcastAddresses(char (*addresses)[ADDRESS_TEXT_SIZE], int room) {
    return copyAddresses(fake::broadcasts, addresses, room);
}
static int fakeLocalAddresses(char (*addresses)[ADDRESS_TEXT_SIZE], int room) {
    return copyAddresses({fake::machine}, addresses, room);
}

// The game's own port as a stand-in datagram socket on the end's machine and port.
static int endSocket(_ENetHost* host) {
    FakeNetEnd* end = fakeEnd(host);
    if (end->socket < 0) end->socket = fakeUdpOpen(end->port);
    return end->socket;
}
static void fakeNetSetAside(_ENetHost* host, int (*)(const uint8_t*, size_t)) { endSocket(host); }
static int fakeNetAside(_ENetHost* host, uint8_t* data, size_t room, char* address, uint16_t* port) {
    return fakeUdpReceive(endSocket(host), data, room, address, port);
}
static uint16_t fakeNetLocalPort(_ENetHost* host) { return fake::udpSockets[endSocket(host)].port; }
static void fakeRandomBytes(uint8_t* bytes, size_t count) {
    static uint32_t dice = 12345;
    for (size_t i = 0; i < count; i++) bytes[i] = (uint8_t)((dice = dice * 1103515245u + 12345u) >> 16);
}

// ---- The stand-in broker ----------------------------------------------------------

static bool topicMatches(const std::string& filter, const std::string& topic) {
    size_t f = 0, t = 0;
    while (f < filter.size()) {
        if (filter[f] == '#') return true;
        const size_t fEnd = filter.find('/', f), tEnd = topic.find('/', t);
        const std::string level = filter.substr(f, fEnd - f);
        if (t > topic.size()) return false;
        if (level != "+" && level != topic.substr(t, tEnd - t)) return false;
        if ((fEnd == std::string::npos) != (tEnd == std::string::npos)) return false;
        if (fEnd == std::string::npos) return true;
        f = fEnd + 1;
        t = tEnd + 1;
    }
    return false;
}
static FakeBrokerClient* brokerClient(const std::string& id) {
    for (FakeBrokerClient& client : fake::brokerClients)
        if (client.id == id) return &client;
    return nullptr;
}
static void deliver(FakeBrokerClient& client, const std::string& topic, const std::string& message) {
    LobbyMessage got = {};
    snprintf(got.topic, sizeof got.topic, "%s", topic.c_str());
    got.length = message.size();
    memcpy(got.bytes, message.data(), message.size());
    client.inbox.push_back(got);
}
bool brokerPublish(const std::string& id, const std::string& topic, const std::string& message, bool retain) {
    if (fake::brokerDown || message.size() > LOBBY_MESSAGE_BYTES) return false;
    // What the shipped configuration allows: a client writes only where its own id ends the topic.
    const bool own = topic.size() > id.size() && topic.compare(topic.size() - id.size(), id.size(), id) == 0 &&
                     topic[topic.size() - id.size() - 1] == '/';
    if (!own && id != "lobby") return false;
    if (retain) {
        auto& kept = fake::retained;
        kept.erase(std::remove_if(kept.begin(), kept.end(), [&](const auto& m) { return m.first == topic; }), kept.end());
        if (!message.empty()) kept.push_back({topic, message});
    }
    for (FakeBrokerClient& client : fake::brokerClients)
        for (const std::string& filter : client.topics)
            if (topicMatches(filter, topic)) {
                deliver(client, topic, message);
                break;
            }
    return true;
}
void brokerVanish(const std::string& id) {
    FakeBrokerClient* client = brokerClient(id);
    if (!client) return;
    const std::string will = client->will;
    fake::brokerClients.erase(fake::brokerClients.begin() + (client - fake::brokerClients.data()));
    if (!will.empty()) brokerPublish(id, will, "", true);
}
static int fakeLobbyOpen(const char*, uint16_t, const char* id, const char* will) {
    FakeBrokerClient client;
    client.id = id;
    client.will = will ? will : "";
    fake::brokerClients.push_back(client);
    return 0;
}
static int fakeLobbyState(char* why, size_t room) {
    snprintf(why, room, "%s", fake::brokerDown ? "Connection refused" : "");
    return fake::brokerDown ? LOBBY_DOWN : brokerClient(game.lobbyId) ? LOBBY_UP : LOBBY_CONNECTING;
}
static int fakeLobbyPeer(char* address) {
    snprintf(address, ADDRESS_TEXT_SIZE, "192.0.2.1");
    return 1;
}
static int fakeLobbySubscribe(const char* topic) {
    FakeBrokerClient* client = brokerClient(game.lobbyId);
    if (!client) return -1;
    client->topics.push_back(topic);
    for (const auto& kept : fake::retained)
        if (topicMatches(topic, kept.first)) deliver(*client, kept.first, kept.second);
    return 0;
}
static int fakeLobbyPublish(const char* topic, const uint8_t* data, size_t length, int retain) {
    if (!brokerClient(game.lobbyId)) return -1;
    return brokerPublish(game.lobbyId, topic, std::string((const char*)data, length), retain != 0) ? 0 : -1;
}
static int fakeLobbyReceive(LobbyMessage* message) {
    FakeBrokerClient* client = brokerClient(game.lobbyId);
    if (!client || client->inbox.empty()) return 0;
    *message = client->inbox.front();
    client->inbox.pop_front();
    return 1;
}
static void fakeLobbyClose() {
    FakeBrokerClient* client = brokerClient(game.lobbyId);
    if (client) fake::brokerClients.erase(fake::brokerClients.begin() + (client - fake::brokerClients.data()));
}

static void fakeRouterAsk(uint16_t port) { fake::routerAskedPort = port; }
static int fakeRouterAnswer(RouterAnswer* answer) {
    *answer = fake::routerAnswer;
    const bool fresh = fake::routerAnswers;
    fake::routerAnswers = false;
    return fresh ? 1 : 0;
}
static void fakeRouterForget() { fake::routerForgets++; }
static void fakeSetCursor(int cursor) { record("cursor", -1, nullptr, 0, cursor, 0); }
static void fakePostRedisplay() { fake::redisplays++; }
static void fakeExitProgram(int status) { throw ProgramExit{status}; }
static void fakeCatchSignals() { fake::signalsCaught = true; }
static int fakeSignalCaught() { return fake::signalNoted; }
static void fakeEndBySignal(int signal) { throw ProgramExit{128 + signal}; }

void installFakePlatform() {
    platform = Platform{
        fakeGetTicks,         fakeDelay,              fakeInitAudio,      fakeOpenAudio,
        fakeCloseAudio,       fakeLoadWav,            fakeVolumeChunk,    fakeFreeChunk,
        fakePlayChannelTimed, fakeFadeInChannelTimed, fakeFadeOutChannel, fakePlaying,
        fakeInitPads,         fakePadCount,           fakeOpenPad,        fakePadName,
        fakeUpdatePads,       fakePadAxis,            fakePadHat,         fakePadButton,
        fakePadGone,          fakeNetStart,           fakeNetListen,      fakeNetClient,
        fakeNetConnect,       fakeNetService,         fakeNetSend,        fakeNetFlush,
        fakeNetDisconnect,    fakeNetReset,           fakeNetQuietFor,    fakeNetClose,
        fakeUdpOpen,
        fakeUdpSend,          fakeUdpReceive,         fakeUdpClose,       fakeUdpLocalPort,
        fakeBroadcastAddresses,
        fakeLocalAddresses,   fakeRouterAsk,          fakeRouterAnswer,   fakeRouterForget,
        fakeNetSetAside,      fakeNetAside,           endSocket,          fakeNetPeerAddress, fakeNetLocalPort,
        fakeRandomBytes,      fakeLobbyOpen,          fakeLobbyState,     fakeLobbyPeer,
        fakeLobbySubscribe,   fakeLobbyPublish,       fakeLobbyReceive,   fakeLobbyClose,
        fakeSetCursor,        fakePostRedisplay,      fakeExitProgram,
        fakeCatchSignals,     fakeSignalCaught,       fakeEndBySignal,
    };
    fake::signalsCaught = false;
    fake::signalNoted = 0;
    fake::ticks = 0;
    fake::calls.clear();
    std::fill(std::begin(fake::channelPlaying), std::end(fake::channelPlaying), false);
    fake::redisplays = 0;
    fake::missingSounds.clear();
    fake::openAudioFails = false;
    fake::chunksHanded = 0;
    for (FakePad& pad : fake::pads) pad = FakePad{};
    fake::padCount = 0;
    fake::padsUnavailable = false;
    fake::padUpdates = 0;
    fake::netEnds.clear();
    fake::netPeers.clear();
    fake::netSent[0] = fake::netSent[1] = 0;
    fake::netDelayMs = fake::netJitterMs = 0;
    fake::netLossPercent = 0;
    fake::netUnreliableLostFrom = nullptr;
    fake::routerAskedPort = 0;
    fake::routerAnswer = RouterAnswer{};
    fake::routerAnswers = false;
    fake::routerForgets = 0;
    fake::udpSockets.clear();
    fake::udpSent.clear();
    fake::machine = "10.0.0.1";
    fake::broadcasts = {"10.0.0.255"};
    fake::brokerClients.clear();
    fake::retained.clear();
    fake::brokerDown = false;
}

void freshGame() {
    free(game.replayData);  // a replay a test loaded is the record's to give back
    game = GameState{};
    installFakePlatform();
}

std::vector<PlatformCall> callsOf(const std::string& function) {
    std::vector<PlatformCall> found;
    for (const PlatformCall& call : fake::calls)
        if (call.function == function) found.push_back(call);
    return found;
}

Mix_Chunk* fakeChunk(int index) { return &fake::chunks[index]; }

// The sanitizer build's leak checker, told what is no leak of the game's: SDL2 (beneath
// sdl12-compat, where that build's tests run) opens the session bus through libdbus, which keeps
// what it allocates until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
