// Test stand-ins for the platform seam: a clock set by hand, a mixer that records every call, pads moved by
// hand, and a network and datagrams in one process.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

struct Mix_Chunk;
struct _ENetHost;
struct _ENetPeer;
#include "core/platform.h"

// One call the game made through the seam.
struct PlatformCall {
    std::string function;  // "play", "fadeIn", "fadeOut", "volume", "free", "load", "open", "close", "initAudio", "cursor", "delay"
    int channel = -1;
    Mix_Chunk* chunk = nullptr;
    int loops = 0;
    int ms = 0;      // fade time, delay, or cursor id
    int ticks = 0;
    std::string path;  // for "load"
};

// A stand-in gamepad: what its stick, hat and buttons report, and whether its
// device has gone (unplugged).
struct FakePad {
    int stick = 0;  // the vertical axis of the left stick, -32768..32767, negative up
    int hat = 0;    // hat bits: 1 up, 4 down
    bool buttons[8] = {};
    bool gone = false;
};

// The stand-in network: each end (a host listening on a port, or a guest's own
// end) queues the events its service call hands out; each connection is a pair
// of peers, one at either end, that carry what is sent to the other's queue.
struct FakeNetEnd {
    uint16_t port = 0;
    bool listening = false;
    int socket = -1;  // the stand-in datagram socket under it, made when the game asks for it
    std::deque<NetEvent> events;
    std::deque<uint32_t> due;  // when each event reaches the end, on the stand-in clock
};
struct FakeNetPeer {
    FakeNetEnd* end = nullptr;
    FakeNetPeer* other = nullptr;  // null: not connected (refused, cut, or never reached)
    uint32_t silentSince = 0;      // when the other side fell silent (0: it keeps talking)
};

// The stand-in datagrams: each socket sits on a machine (its address) and a
// port. A datagram to a broadcast address reaches every socket bound to its
// port, one to 127.0.0.1 every such socket on the sender's machine (and is
// heard as from 127.0.0.1), one to any other address the sockets on that machine.
struct FakeDatagram {
    std::string from;  // the sender's address as the receiver hears it
    uint16_t fromPort = 0;
    std::string to;
    uint16_t toPort = 0;
    int socket = -1;   // the sending socket
    std::vector<uint8_t> bytes;
};
struct FakeUdpSocket {
    std::string machine;
    uint16_t port = 0;
    bool open = true;
    std::deque<FakeDatagram> waiting;
};

// The stand-in broker: each client the game opened (known by its id, as the
// game holds it in lobbyId), what it subscribed to and what waits for it; the
// retained messages by topic.
struct FakeBrokerClient {
    std::string id, will;
    std::vector<std::string> topics;
    std::deque<LobbyMessage> inbox;
};

// Thrown by the stand-in for exit(), so a test can see the program end.
struct ProgramExit {
    int status;
};

namespace fake {
extern uint32_t ticks;                 // what the clock reads
extern std::vector<PlatformCall> calls;  // every recorded call, in order
extern bool channelPlaying[8];         // what Mix_Playing reports per channel
extern int redisplays;
extern std::vector<std::string> missingSounds;  // paths whose load fails
extern bool openAudioFails;
extern Mix_Chunk chunks[];             // the stand-in chunks handed out by load
extern FakePad pads[4];                // the pads handed out by openPad, by index
extern int padCount;                   // how many pads the stand-in reports present
extern bool padsUnavailable;           // the joystick subsystem fails to start
extern int padUpdates;                 // calls of updatePads
extern std::vector<std::unique_ptr<FakeNetEnd>> netEnds;
extern std::vector<std::unique_ptr<FakeNetPeer>> netPeers;
extern int netSent[2];                 // packets sent on the reliable and the holds channel
// The link: every packet takes netDelayMs to arrive; those sent unreliably are
// delayed by up to netJitterMs more or less, and netLossPercent of them are lost.
extern uint32_t netDelayMs, netJitterMs;
extern int netLossPercent;
extern FakeNetEnd* netUnreliableLostFrom;      // every unreliable packet this end sends is lost
extern std::vector<FakeUdpSocket> udpSockets;  // by handle
extern std::vector<FakeDatagram> udpSent;      // every datagram sent, in order
extern std::string machine;                    // the machine the next socket opens on ("10.0.0.1")
// The home router: the port it was asked to forward (0: not asked), the answer
// it gives once `routerAnswers` is set, and how often its mapping was removed.
extern uint16_t routerAskedPort;
extern RouterAnswer routerAnswer;
extern bool routerAnswers;
extern int routerForgets;
extern std::vector<std::string> broadcasts;    // the broadcast addresses reported ("10.0.0.255")
// Signals: whether the game asked to catch them, and the one noted (0: none).
// Ending by a signal is a ProgramExit of 128 and the signal's number.
extern bool signalsCaught;
extern int signalNoted;
extern std::vector<FakeBrokerClient> brokerClients;
extern std::vector<std::pair<std::string, std::string>> retained;  // topic, message
extern bool brokerDown;                        // clients opened now are never connected
}

// The broker's side of things: a message published as client `id` would
// publish it (false when refused), and a client vanishing as a lost game does
// (its will goes out).
bool brokerPublish(const std::string& id, const std::string& topic, const std::string& message, bool retain);
void brokerVanish(const std::string& id);

// The network's ends and peers as the game holds them.
FakeNetEnd* fakeEnd(_ENetHost* host);
FakeNetPeer* fakePeer(_ENetPeer* peer);
// The connection lost as a timeout loses it: both ends hear of it, with no word.
void cutConnection(_ENetPeer* peer);
// Bytes arriving at the end of `peer` as if its other side had sent them.
void injectPacket(_ENetPeer* peer, const uint8_t* bytes, size_t length);

// Puts the stand-ins in place and clears their records.
void installFakePlatform();
// Puts the game state back to its load values and installs the stand-ins.
void freshGame();
// The recorded calls of one kind.
std::vector<PlatformCall> callsOf(const std::string& function);
// The stand-in chunk the fake loader gave out for sound index i.
Mix_Chunk* fakeChunk(int index);
