// The thin seam between the game and its platform: clock, delay, mixer, gamepads, network, the home router, the lobby, cursor, redisplay, exit, signals.
//
// Every call the game makes to these goes through the `platform` table, which
// holds the real SDL, SDL_mixer, ENet and GLUT functions. Tests swap in stand-ins (a
// clock they set by hand, a mixer that records each call, pads they move by
// hand, a network that joins a host and a guest in one process, datagrams
// routed between sockets in the same process) without
// touching any game code. OpenGL is not behind the seam: drawing is tested on a real context.
#pragma once

#include <cstddef>
#include <cstdint>

struct Mix_Chunk;
struct _SDL_Joystick;
struct _ENetHost;
struct _ENetPeer;

// What the network brought in one service call: a connection made or lost, or
// a packet (its bytes copied here, at most NET_EVENT_BYTES of them; length is
// the packet's own, so a longer one is seen as too long).
enum { NET_EVENT_NONE = 0, NET_EVENT_CONNECT = 1, NET_EVENT_DISCONNECT = 2, NET_EVENT_RECEIVE = 3 };
enum { NET_EVENT_BYTES = 512 };
// A host's room: its guest, up to four watchers, and three more to refuse.
enum { NET_HOST_PEERS = 8 };
struct NetEvent {
    int type;
    _ENetPeer* peer;
    uint32_t data;  // what the other end attached to its connect or disconnect
    int channel;
    size_t length;
    uint8_t bytes[NET_EVENT_BYTES];
};

// IPv4 addresses travel through the seam as text, "a.b.c.d".
enum { ADDRESS_TEXT_SIZE = 16 };

// What the home router said to a host's asking it to forward the game's UDP
// port: still asking, a port forwarded (NAT-PMP or UPnP-IGD), or none (no router
// answered, or each refused). Its address and port are as the router gave
// them; the game checks them before it believes them.
enum { ROUTER_ASKING = 0, ROUTER_MAPPED = 1, ROUTER_NONE = 2 };
enum { ROUTER_TEXT_SIZE = 64 };
struct RouterAnswer {
    int state;
    char external[ROUTER_TEXT_SIZE];  // the router's address on the internet side
    uint32_t externalPort;            // the port it forwards to the game's
    char why[ROUTER_TEXT_SIZE];       // none: what the last try came to
};

// A message from the lobby's broker: its topic and its bytes, copied here; one
// longer than either room never arrives (the lobby's thread drops it).
enum { LOBBY_TOPIC_SIZE = 96, LOBBY_MESSAGE_BYTES = 512 };
struct LobbyMessage {
    char topic[LOBBY_TOPIC_SIZE];
    size_t length;
    uint8_t bytes[LOBBY_MESSAGE_BYTES];
};
// Where the talk with the broker stands: connecting (again), connected, or
// down (not reached; the thread keeps trying, and `why` says what the last try came to).
enum { LOBBY_CONNECTING = 0, LOBBY_UP = 1, LOBBY_DOWN = 2 };
enum { LOBBY_WHY_SIZE = 64 };

struct Platform {
    uint32_t (*getTicks)();
    void (*delay)(uint32_t ms);
    int (*initAudio)();  // SDL_Init(SDL_INIT_AUDIO)
    int (*openAudio)(int frequency, uint16_t format, int channels, int chunkSize);
    void (*closeAudio)();
    Mix_Chunk* (*loadWav)(const char* path);  // SDL_RWFromFile + Mix_LoadWAV_RW
    int (*volumeChunk)(Mix_Chunk* chunk, int volume);
    void (*freeChunk)(Mix_Chunk* chunk);
    int (*playChannelTimed)(int channel, Mix_Chunk* chunk, int loops, int ticks);
    int (*fadeInChannelTimed)(int channel, Mix_Chunk* chunk, int loops, int ms, int ticks);
    int (*fadeOutChannel)(int channel, int ms);
    int (*playing)(int channel);
    int (*initPads)();                             // SDL_InitSubSystem(SDL_INIT_JOYSTICK), no events queued
    int (*padCount)();                             // SDL_NumJoysticks
    _SDL_Joystick* (*openPad)(int index);          // SDL_JoystickOpen
    const char* (*padName)(int index);             // SDL_JoystickName
    void (*updatePads)();                          // SDL_JoystickUpdate
    int (*padAxis)(_SDL_Joystick* pad, int axis);  // 0 for an axis the pad lacks
    int (*padHat)(_SDL_Joystick* pad, int hat);    // 0 (centred) for a hat the pad lacks
    int (*padButton)(_SDL_Joystick* pad, int button);
    int (*padGone)(_SDL_Joystick* pad);            // its device stopped reporting: unplugged
    int (*netStart)();                             // enet_initialize
    _ENetHost* (*netListen)(uint16_t port);        // a host on every address at the port, room for NET_HOST_PEERS
    _ENetHost* (*netClient)();                     // a guest's own end, on a free port
    // Starts connecting to the named host; null when the name cannot be resolved.
    _ENetPeer* (*netConnect)(_ENetHost* host, const char* name, uint16_t port, uint32_t data);
    int (*netService)(_ENetHost* host, NetEvent* event);  // 1 and the event, or 0: nothing waits
    int (*netSend)(_ENetPeer* peer, int channel, const uint8_t* data, size_t length, int reliable);
    void (*netFlush)(_ENetHost* host);             // sends what is queued now
    void (*netDisconnect)(_ENetPeer* peer, uint32_t data);
    void (*netReset)(_ENetPeer* peer);             // forgets the peer at once, telling it nothing
    uint32_t (*netQuietFor)(_ENetPeer* peer);      // milliseconds since the peer last sent anything
    void (*netClose)(_ENetHost* host);             // enet_host_destroy: its port is free again, its peers forgotten
    // Plain datagrams, for finding hosts: a socket bound to the port on every
    // address (0: any free port), non-blocking, allowed to broadcast, sharing
    // its port with others that allow it; -1 when it cannot be had (errno says why).
    int (*udpOpen)(uint16_t port);
    // 0 once sent (or dropped by a full queue), -1 when the address is no IPv4 address or sending fails.
    int (*udpSend)(int socket, const char* address, uint16_t port, const uint8_t* data, size_t length);
    // The next datagram's length, its sender's address and port; 0 when none
    // waits; -1 for an error or a datagram longer than the room (it is gone).
    int (*udpReceive)(int socket, uint8_t* data, size_t room, char* address, uint16_t* port);
    void (*udpClose)(int socket);
    uint16_t (*udpLocalPort)(int socket);  // the port it is bound to
    // The machine's IPv4 broadcast addresses, and its own addresses less the
    // loopback one: how many were written, at most `room`.
    int (*broadcastAddresses)(char (*addresses)[ADDRESS_TEXT_SIZE], int room);
    int (*localAddresses)(char (*addresses)[ADDRESS_TEXT_SIZE], int room);
    // The home router, asked off the frame loop (the real platform: a thread of
    // its own; NAT-PMP first, then UPnP-IGD with a 2 s discovery), for a lease of
    // an hour renewed at half time; a port taken on the router gives the next
    // free one. Forgetting removes the mapping (and waits for the thread).
    void (*routerAsk)(uint16_t port);
    int (*routerAnswer)(RouterAnswer* answer);     // 1 when it changed since the last call
    void (*routerForget)();
    // The game's own UDP port carries the meeting's datagrams too (the STUN
    // server's answers, the punch through the routers): from now on every
    // datagram reaching the host that `takes` claims is set aside before ENet
    // reads it, for netAside to hand out (the newest 16 kept). Sent from the
    // same port with udpSend on netSocket.
    void (*netSetAside)(_ENetHost* host, int (*takes)(const uint8_t* data, size_t length));
    int (*netAside)(_ENetHost* host, uint8_t* data, size_t room, char* address, uint16_t* port);  // as udpReceive
    int (*netSocket)(_ENetHost* host);
    // The address and port a peer's datagrams come from, as text; 0 when unknown.
    int (*netPeerAddress)(_ENetPeer* peer, char* address, uint16_t* port);
    uint16_t (*netLocalPort)(_ENetHost* host);  // the port the host's socket is bound to
    void (*randomBytes)(uint8_t* bytes, size_t count);  // the system's strong random source
    // The lobby: an MQTT broker, talked to on a thread of its own, so nothing
    // here waits for it. Opening starts connecting (again and again while it is
    // not reached), with a will that clears the retained message at `willTopic`
    // (null: none) when the game vanishes; the subscriptions are made again on
    // every reconnection. Publishing while not connected is refused (-1);
    // messages received wait for lobbyReceive (the oldest 64 kept). Closing
    // publishes nothing, waits for what was published to go (at most a second),
    // and leaves cleanly.
    int (*lobbyOpen)(const char* host, uint16_t port, const char* clientId, const char* willTopic);
    int (*lobbyState)(char* why, size_t room);
    int (*lobbyPeer)(char* address);  // 1 and the broker's IPv4 address as connected, or 0
    int (*lobbySubscribe)(const char* topic);
    int (*lobbyPublish)(const char* topic, const uint8_t* data, size_t length, int retain);
    int (*lobbyReceive)(LobbyMessage* message);  // 1 and the oldest message, or 0
    void (*lobbyClose)();
    void (*setCursor)(int cursor);
    void (*postRedisplay)();
    void (*exitProgram)(int status);  // never returns
    // The signals that end the game (SIGINT, SIGTERM, SIGHUP), caught from now on:
    // each is only noted, for the frame loop to see; a second one while the game
    // ends ends it at once. Installed after SDL's own, so that these are the ones that run.
    void (*catchSignals)();
    int (*signalCaught)();            // the signal noted, 0 for none
    // Ends the program by `signal` itself, as the shell then sees: the router's
    // mapping removed, full screen left and SDL shut down first. Never returns.
    void (*endBySignal)(int signal);
};

// The table in force; starts out holding the real platform.
extern Platform platform;

// The real platform, for tests that want to put it back.
extern const Platform realPlatform;
