// Network play with a host and its guest in one process, on the stand-in clock and network: joining,
// the guest as player 2, both sides running the same match over a slow and lossy link, packets that are
// dropped, a match out of step, leaving, losses and refusals, hosting and joining from the menu (an unreachable host and a port already
// taken are played end to end, in e2e.network).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>

#include "core/game_state.h"
#include "core/platform.h"
#include "app/startup.h"
#include "app/watch.h"
#include "assets/sound.h"
#include "app/events.h"
#include "match/clock.h"
#include "match/replay_file.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "net/protocol.h"
#include "net/host.h"
#include "net/link.h"
#include "net/lobby.h"
#include "net/session.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"
#include "support/sides.h"

namespace {

class NetPlay : public ::testing::Test {
protected:
    Side host, guest;

    void SetUp() override {
        freshGame();
        openTestWindow(640, 480);
        for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
        game.introActive = 0;
        game.windowWidth = 640;
        game.windowHeight = 480;
        GameState common = game;
        host.state = common;
        host.state.netRole = NET_ROLE_HOST;
        host.state.netPort = NET_DEFAULT_PORT;
        host.state.menuActive = 1;
        std::strcpy(host.state.p1name, "ann");
        as(host, startNetwork);
        guest.state = common;
        guest.state.netRole = NET_ROLE_GUEST;
        guest.state.netPort = NET_DEFAULT_PORT;
        std::strcpy(guest.state.netHostName, "localhost");
        std::strcpy(guest.state.p1name, "bob");
        as(guest, startNetwork);
    }
    // One idle step on each side still running, 10 ms of the clock apart.
    void step(int steps = 1) {
        for (int i = 0; i < steps; i++) {
            fake::ticks += 5;
            if (host.exitStatus < 0) as(host, onAppIdle);
            fake::ticks += 5;
            if (guest.exitStatus < 0) as(guest, onAppIdle);
        }
    }
    static void click() { onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); }
    // The host chooses two players and tennis, as from its main menu.
    void hostStartsTwoPlayerMatch() {
        as(host, [] {
            game.menuPage = 0;
            onPassiveMotion(320, 234);
            click();
            onPassiveMotion(250, 200);
            click();
        });
    }
    void joinedMatch() {
        step(3);
        hostStartsTwoPlayerMatch();
        step(3);
    }
};

}  // namespace

TEST_F(NetPlay, TheGuestJoinsAndPlaysPlayer2InTheHostsMatch) {
    EXPECT_EQ(guest.state.guestWaiting, 1);
    EXPECT_EQ(guest.state.introActive, 0);
    // Before the guest has joined, a playground starts nothing.
    hostStartsTwoPlayerMatch();
    EXPECT_EQ(host.state.matchActive, 0);
    EXPECT_EQ(host.state.menuPage, 1);
    as(host, [] { EXPECT_TRUE(waitingForGuest()); });

    joinedMatch();
    EXPECT_EQ(host.state.netConnected, 1);
    EXPECT_STREQ(host.state.netRemoteName, "bob");
    ASSERT_EQ(host.state.matchActive, 1);
    ASSERT_EQ(guest.state.matchActive, 1);
    EXPECT_EQ(guest.state.guestWaiting, 0);
    EXPECT_EQ(guest.state.playground, 1);
    as(guest, [] {
        EXPECT_STREQ(matchName(1), "ann");
        EXPECT_STREQ(matchName(2), "bob");
    });
    as(host, [] {
        EXPECT_STREQ(matchName(1), "ann");
        EXPECT_STREQ(matchName(2), "bob");
    });

    // Either of the guest's key sets moves bat 2 on both sides, the guest's own
    // at once, in its very next step; player 1's bat is the host's alone, and the
    // host's own keys for player 2 move nothing.
    guest.state.keyHeld[guest.state.p2Up] = 1;
    host.state.keyHeld[host.state.p2Down] = 1;
    fake::ticks += 10;
    as(guest, onAppIdle);
    EXPECT_GT(guest.state.p2BatY, 0.0f);
    step(20);
    EXPECT_GT(host.state.p2BatY, 0.1f);
    EXPECT_EQ(host.state.p1BatY, 0.0f);
    guest.state.keyHeld[guest.state.p2Up] = 0;
    guest.state.keyHeld[guest.state.p1Down] = 1;
    step(5);
    const float before = host.state.p2BatY;
    step(5);
    EXPECT_LT(host.state.p2BatY, before);
    guest.state.keyHeld[guest.state.p1Down] = 0;
    step(5);
    EXPECT_EQ(guest.state.p2BatY, host.state.p2BatY);  // both ran the same steps
    EXPECT_EQ(guest.state.p1BatY, host.state.p1BatY);

    // Holds go out at most once a step, no more than a hundred a second.
    const int sent = fake::netSent[1];
    for (int i = 0; i < 500; i++) {
        fake::ticks += 2;
        as(host, onAppIdle);
    }
    EXPECT_LE(fake::netSent[1] - sent, 100);
    EXPECT_GE(fake::netSent[1] - sent, 95);
}

// A host asks its router to forward its port as hosting begins, and says once
// what the answer means: on its hosting page, and on standard output when
// hosting from the command line. An answer it cannot use, or a private address,
// is said so; the mapping goes with the host. Without port mapping, no router is asked.
TEST_F(NetPlay, TheHostAsksItsRouterAndSaysWhatFriendsOnTheInternetJoin) {
    EXPECT_EQ(fake::routerAskedPort, NET_DEFAULT_PORT);
    EXPECT_STREQ(host.state.routerLines[0], "asking the router...");
    struct Case {
        int state;
        const char* external;
        uint32_t port;
        const char* lines[2];
        const char* said;
    };
    const Case cases[] = {
        {ROUTER_MAPPED, "203.0.113.1", 47312, {"friends on the internet join", "203.0.113.1:47312"},
         "Router: friends on the internet join 203.0.113.1:47312\n"},
        {ROUTER_MAPPED, "203.0.113.1", 47313, {"friends on the internet join", "203.0.113.1:47313 (47312 was taken)"},
         "Router: friends on the internet join 203.0.113.1:47313 (port 47312 was taken)\n"},
        {ROUTER_MAPPED, "10.9.0.1", 47312, {"friends on the internet may not reach", "10.9.0.1:47312 (a private address)"},
         "Router: friends on the internet may not reach 10.9.0.1:47312: the router's own address is private\n"},
        {ROUTER_MAPPED, "203.0.113\n1", 0, {"the router opened no port:", "only this network can join"},
         "Router: the router's answer could not be used (203.0.113?1:0): only this network can join\n"},
        {ROUTER_NONE, "", 0, {"the router opened no port:", "only this network can join"},
         "Router: the router opened no port: only this network can join\n"},
    };
    for (const Case& c : cases) {
        fake::routerAnswer = RouterAnswer{};
        fake::routerAnswer.state = c.state;
        std::snprintf(fake::routerAnswer.external, sizeof fake::routerAnswer.external, "%s", c.external);
        fake::routerAnswer.externalPort = c.port;
        fake::routerAnswers = true;
        host.state.routerState = ROUTER_ASKING;
        testing::internal::CaptureStdout();
        step(2);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.said);
        EXPECT_STREQ(host.state.routerLines[0], c.lines[0]);
        EXPECT_STREQ(host.state.routerLines[1], c.lines[1]);
        // Only a port the internet reaches is a candidate for friends met through the lobby.
        const bool reached = std::strcmp(c.lines[0], "friends on the internet join") == 0;
        EXPECT_STREQ(host.state.routerExternal, reached ? c.external : "");
        host.state.routerExternal[0] = 0;
    }
    as(host, closeNetwork);
    EXPECT_EQ(fake::routerForgets, 1);
    EXPECT_EQ(host.state.routerAsked, 0);

    fake::routerAskedPort = 0;
    Side other;
    other.state = host.state;
    other.state.netHost = nullptr;
    other.state.netPort = NET_DEFAULT_PORT + 1;
    other.state.portMapping = 0;
    as(other, startNetwork);
    EXPECT_EQ(fake::routerAskedPort, 0);
}

// Watchers joining mid-match see the host's match with both names and change
// nothing, whatever they hold; a fifth finds no room. A watcher that stalls more
// than two seconds is brought forward to the newest settled match.
TEST_F(NetPlay, WatchersSeeTheMatchChangeNothingAndAFifthFindsNoRoom) {
    joinedMatch();
    Side watchers[5];
    auto all = [&](int steps) {
        for (int i = 0; i < steps; i++) {
            step();
            for (Side& w : watchers)
                if (w.exitStatus < 0 && w.state.netRole == NET_ROLE_WATCHER) as(w, onAppIdle);
        }
    };
    all(50);
    for (int i = 0; i < 5; i++) {
        watchers[i].state = guest.state;
        GameState& w = watchers[i].state;
        w.netRole = NET_ROLE_WATCHER;
        w.netHost = nullptr;
        w.netPeer = nullptr;
        w.netConnected = w.netEverConnected = w.netMatch = w.matchActive = 0;
        as(watchers[i], startNetwork);
        all(5);
    }
    all(20);
    EXPECT_EQ(watchers[4].exitStatus, 1);
    EXPECT_EQ(watchers[4].errors, "Network: the host has no room for more watchers\n");
    for (int i = 0; i < 4; i++) {
        ASSERT_EQ(watchers[i].state.watchingMatch, 1) << i;
        EXPECT_STREQ(watchers[i].state.watchNames[0], "ann");
        EXPECT_STREQ(watchers[i].state.watchNames[1], "bob");
        const uint32_t step = watchers[i].state.matchStep;
        ASSERT_LE(step, host.state.netConfirmed);
        EXPECT_EQ(matchChecksum(watchers[i].state), host.state.netSums[step % NET_HOLDS_RING]);
    }
    // What a watcher holds moves nothing; its F1 turns its own camera while the match plays on.
    watchers[0].state.keyHeld[watchers[0].state.p1Up] = watchers[0].state.keyHeld[watchers[0].state.p2Down] = 1;
    as(watchers[2], [] { onSpecial(GLUT_KEY_F1, 0, 0); });
    const uint32_t before = watchers[2].state.matchStep;
    all(50);
    EXPECT_EQ(host.state.p1BatY, 0.0f);
    EXPECT_EQ(host.state.p2BatY, 0.0f);
    EXPECT_EQ(watchers[2].state.cameraMode, 1);
    EXPECT_EQ(host.state.cameraMode, 0);
    EXPECT_GT(watchers[2].state.matchStep, before + 40);
    // Stalled for three seconds, then on again: near the settled edge within a frame or two.
    for (int i = 0; i < 300; i++) step();
    all(3);
    EXPECT_LE(host.state.netConfirmed - watchers[1].state.matchStep, 30u);
    EXPECT_EQ(host.errors + guest.errors, "");
}

// The guest hears the host's match: the serve's bat sound and the point's out
// sound; both panels agree on the points; the host's Escape sends the guest
// back to its waiting screen, and a second match starts on the other playground.
TEST_F(NetPlay, SoundsPointsAndTheEndOfAMatchReachTheGuest) {
    joinedMatch();
    fake::calls.clear();
    host.state.keyHeld[host.state.p1Pass] = 1;
    step(2);
    host.state.keyHeld[host.state.p1Pass] = 0;
    for (int i = 0; i < 400 && host.state.p1Points + host.state.p2Points == 0; i++) step();
    step(2);
    int bat = 0, out = 0;  // the host's own sounds and the guest's
    for (const PlatformCall& call : callsOf("play")) {
        bat += call.channel == CHANNEL_BAT && call.chunk == fakeChunk(SOUND_GROUND1_BAT);
        out += call.channel == CHANNEL_OUT && call.chunk == fakeChunk(SOUND_GROUND1_OUT);
    }
    EXPECT_GE(bat, 2);
    EXPECT_EQ(out, 2);
    EXPECT_EQ(host.state.p1Points + host.state.p2Points, 1);
    EXPECT_EQ(guest.state.p1Points, host.state.p1Points);
    EXPECT_EQ(guest.state.p2Points, host.state.p2Points);

    as(host, [] { onKeyboard(27, 0, 0); });
    step(2);
    EXPECT_EQ(host.state.menuActive, 1);
    EXPECT_EQ(guest.state.matchActive, 0);
    EXPECT_EQ(guest.state.guestWaiting, 1);
    EXPECT_EQ(guest.state.menuActive, 0);

    as(host, [] {
        onPassiveMotion(390, 200);  // the main menu is back: two players, then futuristic
        game.menuPage = 0;
        onPassiveMotion(320, 234);
        click();
        onPassiveMotion(390, 200);
        click();
    });
    step(2);
    EXPECT_EQ(guest.state.matchActive, 1);
    EXPECT_EQ(guest.state.playground, 2);
}

// Packets of a wrong size, an unknown kind, values out of range or not finite,
// holds of steps not yet run, or a match that is not sound, are dropped and change nothing.
TEST_F(NetPlay, PacketsThatAreNotSoundAreDropped) {
    joinedMatch();
    auto holdsPacket = [](std::function<void(NetHolds&)> spoil, uint8_t* bytes) {
        NetHolds holds{};
        holds.match = 1;
        holds.step = holds.known = 1000;
        holds.from = 0;
        holds.runs = 1;
        holds.runLength[0] = 200;
        holds.runHolds[0] = HOLD_UP;
        spoil(holds);
        return writeHolds(bytes, holds);
    };
    uint8_t bytes[NET_PACKET_MAX];
    const std::function<void(NetHolds&)> spoilers[] = {
        [](NetHolds& h) { h.runHolds[0] = 16; },  // an unknown hold bit
        [](NetHolds& h) { h.runLength[0] = 0; },  // a run of no steps
        [](NetHolds& h) { h.step = 100; },        // holds of steps the sender has not run
        [](NetHolds& h) { h.match = 9; },          // holds of another match
    };
    for (const auto& spoil : spoilers) {
        size_t length = holdsPacket(spoil, bytes);
        as(host, [&] { injectPacket(game.netPeer, bytes, length); });
    }
    const uint8_t others[][10] = {
        {NET_HELLO, 'e', 'v', '\n', 'l'},  // a control code in the name
        {99, 1},                          // no such kind
        {NET_MATCH_END, 0},               // one byte too many
    };
    const size_t otherSizes[] = {9, 2, 2};
    for (int i = 0; i < 3; i++) as(host, [&] { injectPacket(game.netPeer, others[i], otherSizes[i]); });
    size_t length = holdsPacket([](NetHolds&) {}, bytes);
    as(host, [&] { injectPacket(game.netPeer, bytes, length - 1); });  // cut short
    step(3);
    EXPECT_STREQ(host.state.netRemoteName, "bob");
    EXPECT_EQ(host.state.p2BatY, 0.0f);
    EXPECT_EQ(host.state.matchActive, 1);

    auto badMatch = [&](std::function<void(MatchState&)> spoil) {
        MatchState match = guest.state;
        spoil(match);
        uint8_t packet[NET_PACKET_MAX];
        size_t size = writeMatchState(packet, match.matchStep, match);
        as(guest, [&] { injectPacket(game.netPeer, packet, size); });
        as(guest, onAppIdle);
    };
    badMatch([](MatchState& m) { m.ballX = NAN; });
    badMatch([](MatchState& m) { m.p2BatY = -0.5f; });
    badMatch([](MatchState& m) { m.animFrame = 6; });
    badMatch([](MatchState& m) { m.p1Games = 4; });
    badMatch([](MatchState& m) { m.spreadRear = 5; });  // the generator's places no longer three apart
    badMatch([](MatchState& m) { m.ballInPlay = 2; });
    EXPECT_EQ(guest.state.netResyncs, 0u);
    EXPECT_EQ(guest.errors, "");
    EXPECT_EQ(guest.state.matchActive, 1);
}

// The guest's Escape ends its program with status 0 and ends the host's match
// ("player 2 left"); a lost connection does the same for the host and sends the
// guest back to connecting; a second guest, and one of another protocol
// version, are refused with their lines and status 1.
TEST_F(NetPlay, LeavingLosingAndRefusals) {
    joinedMatch();
    as(guest, [] { onKeyboard(27, 0, 0); });
    EXPECT_EQ(guest.exitStatus, 0);
    step(2);
    EXPECT_EQ(host.state.matchActive, 0);
    EXPECT_EQ(host.state.menuActive, 1);
    EXPECT_EQ(host.state.netGuestLeft, 1);
    EXPECT_EQ(host.errors, "Network: player 2 left\n");

    // A new guest joins; the connection is lost mid-match.
    guest.state.netHost = nullptr;
    guest.state.netPeer = nullptr;
    guest.state.netConnected = guest.state.netEverConnected = guest.state.matchActive = 0;
    guest.exitStatus = -1;
    as(guest, startNetwork);
    joinedMatch();
    ASSERT_EQ(guest.state.matchActive, 1);
    EXPECT_EQ(host.state.netGuestLeft, 0);
    // The network gone silent both ways: each side gives the other up once 4 s
    // pass without a word, and the guest connects again.
    fakePeer(host.state.netPeer)->silentSince = fakePeer(guest.state.netPeer)->silentSince = fake::ticks;
    step(390);
    EXPECT_EQ(host.state.matchActive, 1);
    step(20);
    EXPECT_EQ(host.state.matchActive, 0);
    EXPECT_EQ(host.errors, "Network: player 2 left\nNetwork: player 2 left\n");
    EXPECT_EQ(guest.errors, "Network: host lost\n");
    // Joined again; this time the connection is cut.
    step(3);
    hostStartsTwoPlayerMatch();
    step(3);
    ASSERT_EQ(guest.state.matchActive, 1);
    as(host, [] { cutConnection(game.netPeer); });
    step(2);
    EXPECT_EQ(host.state.matchActive, 0);
    EXPECT_EQ(guest.state.matchActive, 0);
    EXPECT_EQ(guest.state.guestWaiting, 1);
    EXPECT_EQ(guest.errors, "Network: host lost\nNetwork: host lost\n");
    EXPECT_EQ(guest.state.netConnected, 1);  // the stand-in host was still there: connected again
    EXPECT_EQ(guest.exitStatus, -1);

    // A second guest is told the host has one; a guest of another version is refused.
    Side second;
    second.state = guest.state;
    second.state.netHost = nullptr;
    second.state.netConnected = second.state.netEverConnected = 0;
    as(second, startNetwork);
    for (int i = 0; i < 3; i++) {
        step();
        as(second, onAppIdle);
    }
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.errors, "Network: localhost:47312 already has a guest\n");
    EXPECT_EQ(host.state.netConnected, 1);

    host.errors.clear();
    as(host, [] {
        _ENetHost* other = platform.netClient();
        platform.netConnect(other, "localhost", NET_DEFAULT_PORT, 2);  // a game of the version before
    });
    step(2);
    EXPECT_EQ(host.errors, "Network: refused a guest of protocol version 2; this game speaks version 3\n");
    as(guest, [] {
        const NetEvent refusal = {NET_EVENT_DISCONNECT, game.netPeer,
                                  NET_REFUSED_VERSION | 7u << NET_REFUSAL_BITS, 0, 0, {}};
        fakeEnd(game.netHost)->events.push_back(refusal);
        fakeEnd(game.netHost)->due.push_back(fake::ticks);
    });
    step();
    EXPECT_EQ(guest.exitStatus, 1);
    EXPECT_NE(guest.errors.find("Network: localhost:47312 speaks protocol version 7; this game speaks version 3\n"),
              std::string::npos);
}

namespace {

// Each side's checksum of its settled match after each step, as it settles them.
void noteSums(const GameState& side, std::map<uint32_t, uint32_t>& sums, uint32_t& noted) {
    for (; noted < side.netConfirmed; noted++) sums[noted + 1] = side.netSums[(noted + 1) % NET_HOLDS_RING];
}

int outSoundsOf(const std::vector<PlatformCall>& calls) {
    int n = 0;
    for (const PlatformCall& call : calls) n += call.function == "play" && call.channel == CHANNEL_OUT;
    return n;
}

// The end record of the replay a side kept last.
std::string lastReplayEnd(const GameState& side) {
    std::string bytes;
    if (FILE* file = std::fopen((std::string(side.replayFolder) + "/last.replay").c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
        std::fclose(file);
    }
    return bytes.size() < REPLAY_END_BYTES ? "" : bytes.substr(bytes.size() - REPLAY_END_BYTES);
}

}  // namespace

// A signal to end, noted mid-match, ends the host as a closed window would: the
// match kept as both sides know it, the guest told at once, the router's mapping
// removed, the settings not written; then the program ends by that signal.
TEST_F(NetPlay, ASignalEndsTheHostAsAClosedWindowWouldMidMatch) {
    char scratch[] = "/tmp/tarvo-net-signal.XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    host.state.keepReplays = 1;
    std::snprintf(host.state.replayFolder, sizeof host.state.replayFolder, "%s/replays", scratch);
    std::snprintf(host.state.settingsPath, sizeof host.state.settingsPath, "%s/tarvo.ini", scratch);
    joinedMatch();
    step(50);
    ASSERT_EQ(guest.state.matchActive, 1);
    fake::signalNoted = SIGTERM;
    as(host, onAppIdle);
    fake::signalNoted = 0;
    EXPECT_EQ(host.exitStatus, 128 + SIGTERM);
    EXPECT_EQ(fake::routerForgets, 1);
    EXPECT_NE(access(host.state.settingsPath, F_OK), 0);
    step(2);
    EXPECT_EQ(guest.state.matchActive, 0);
    EXPECT_EQ(guest.errors, "Network: host lost\n");
    EXPECT_NE(lastReplayEnd(host.state), "");
}

// Over a link of 40 ms each way, 15 ms of jitter and 3% lost holds, both sides
// play a whole match to its end, each answering its own player at once and
// going back for the other's late keys. Every step both sides settled has the
// same checksum on both; the score, the end and every point's sound are alike.
// The host's holds of its last ten steps are lost: the guest still
// settles every step the host did, and both keep the match with the same end.
TEST_F(NetPlay, BothSidesPlayTheSameMatchToTheEndOverASlowLossyLink) {
    host.state.difficulty = 7;  // a quicker match; the guest plays at the host's pace
    fake::netDelayMs = 40;
    fake::netJitterMs = 15;
    fake::netLossPercent = 3;
    char scratch[] = "/tmp/tarvo-net-replays.XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    Side watcher;  // joins mid-match, directly, with no loss of its own
    for (Side* side : {&host, &guest, &watcher}) {
        side->state.keepReplays = 1;
        std::snprintf(side->state.replayFolder, sizeof side->state.replayFolder, "%s/%s", scratch,
                      side == &host ? "host" : side == &guest ? "guest" : "watcher");
    }
    step(10);
    hostStartsTwoPlayerMatch();
    step(10);
    ASSERT_EQ(guest.state.matchActive, 1);
    EXPECT_EQ(guest.state.difficulty, 7.0f);
    Follower hostPlayer{1}, guestPlayer{2};
    std::map<uint32_t, uint32_t> hostSums, guestSums;
    uint32_t hostNoted = 0, guestNoted = 0;
    std::vector<PlatformCall> hostCalls, guestCalls;
    int hostGames = 0, guestGames = 0, points = 0;
    i32 lastPending = 1;
    for (int i = 0; i < 60000 && (host.state.matchActive || guest.state.matchActive); i++) {
        hostPlayer.play(host, 1);
        guestPlayer.play(guest, 2);
        fake::calls.clear();
        fake::ticks += 5;
        as(host, onAppIdle);
        hostCalls.insert(hostCalls.end(), fake::calls.begin(), fake::calls.end());
        fake::calls.clear();
        fake::ticks += 5;
        as(guest, onAppIdle);
        guestCalls.insert(guestCalls.end(), fake::calls.begin(), fake::calls.end());
        noteSums(host.state, hostSums, hostNoted);
        noteSums(guest.state, guestSums, guestNoted);
        if (host.state.matchActive) {
            hostGames = host.state.p1Games + host.state.p2Games;
            if (lastPending && !host.state.pointPending) points++;
            lastPending = host.state.pointPending;
        }
        if (guest.state.matchActive) guestGames = guest.state.p1Games + guest.state.p2Games;
        if (host.state.gameOverSteps > 0 && host.state.gameOverSteps < 10)
            fake::netUnreliableLostFrom = fakeEnd(host.state.netHost);
        if (host.state.matchStep == 1500) {
            const std::string folder = watcher.state.replayFolder;
            watcher.state = guest.state;
            std::snprintf(watcher.state.replayFolder, sizeof watcher.state.replayFolder, "%s", folder.c_str());
            watcher.state.netRole = NET_ROLE_WATCHER;
            watcher.state.netHost = nullptr;
            watcher.state.netPeer = nullptr;
            watcher.state.netConnected = watcher.state.netEverConnected = watcher.state.netMatch = 0;
            watcher.state.matchActive = 0;
            watcher.state.replayOut = nullptr;  // the guest's own file, not the watcher's
            as(watcher, startNetwork);
        }
        if (watcher.state.netRole == NET_ROLE_WATCHER) as(watcher, onAppIdle);
    }
    for (int i = 0; i < 3000 && watcher.state.watchingMatch; i++) {
        fake::ticks += 10;
        as(watcher, onAppIdle);
    }
    EXPECT_EQ(host.state.matchActive, 0);
    EXPECT_EQ(host.state.menuActive, 1);
    EXPECT_EQ(guest.state.matchActive, 0);
    EXPECT_EQ(guest.state.guestWaiting, 1);
    EXPECT_EQ(guest.state.difficulty, 11.0f);  // its own again
    EXPECT_GE(hostGames, 3);
    EXPECT_EQ(guestGames, hostGames);
    EXPECT_GE(points, 15);
    EXPECT_EQ(outSoundsOf(hostCalls), points);
    EXPECT_EQ(outSoundsOf(guestCalls), points);

    int compared = 0;
    for (const auto& [step, sum] : hostSums) {
        auto other = guestSums.find(step);
        if (other == guestSums.end()) continue;
        ASSERT_EQ(other->second, sum) << "step " << step;
        compared++;
    }
    EXPECT_GT(compared, 3000);
    EXPECT_GT(host.state.netRollbacks, 0u);
    EXPECT_GT(guest.state.netRollbacks, 0u);
    EXPECT_LE(host.state.netDeepestRoll, (u32)NET_WINDOW);
    EXPECT_EQ(guest.state.netResyncs, 0u);
    EXPECT_EQ(host.errors + guest.errors, "");
    EXPECT_EQ(guest.state.netConfirmed, host.state.netConfirmed);
    EXPECT_NE(lastReplayEnd(host.state), "");
    EXPECT_EQ(lastReplayEnd(guest.state), lastReplayEnd(host.state));
    // The watcher kept the match from where it joined: its replay plays to the same points, games and end.
    EXPECT_EQ(watcher.state.guestWaiting, 1);
    EXPECT_EQ(lastReplayEnd(watcher.state).substr(8), lastReplayEnd(host.state).substr(8));
    as(watcher, [&] {
        const std::string path = std::string(game.replayFolder) + "/last.replay";
        std::snprintf(game.replayPath, sizeof game.replayPath, "%s", path.c_str());
        ASSERT_TRUE(loadReplay());
        EXPECT_EQ(playReplayThrough(), game.replayHeader.steps);
        EXPECT_EQ(game.p1Games, host.state.p1Games);
        EXPECT_EQ(game.p2Games, host.state.p2Games);
        free(game.replayData);
        game.replayData = nullptr;
    });
    EXPECT_EQ(std::system((std::string("rm -rf ") + scratch).c_str()), 0);
}

// A guest whose match went out of step (here: spoiled by hand) takes the
// host's settled match, says so in one line, and plays on in step.
TEST_F(NetPlay, AMatchOutOfStepTakesTheHostsAndSaysSoOnce) {
    fake::netDelayMs = 20;
    step(10);
    hostStartsTwoPlayerMatch();
    step(10);
    host.state.keyHeld[host.state.p1Pass] = 1;
    step(30);
    host.state.keyHeld[host.state.p1Pass] = 0;
    guest.state.ballAngle += 1.0f;  // no key could do this: the two matches now differ
    step(200);
    EXPECT_EQ(guest.state.netResyncs, 1u);
    EXPECT_EQ(guest.errors.rfind("Network: the match went out of step with the host's at step ", 0), 0u) << guest.errors;
    EXPECT_EQ(std::count(guest.errors.begin(), guest.errors.end(), '\n'), 1);
    const uint32_t settled = std::min(host.state.netConfirmed, guest.state.netConfirmed);
    EXPECT_EQ(host.state.netSums[settled % NET_HOLDS_RING], guest.state.netSums[settled % NET_HOLDS_RING]);
}

// Two games with no network at start: the host's player hosts from the menu by
// the pointer, the guest's finds it on the join page and joins with the keys
// alone; the guest's Escape brings its join page back, the host's back stops
// hosting and frees the port, and a host that cannot be reached is named there.
TEST(MenuNetPlay, HostedByPointerFoundAndJoinedByKeysAndLeftFromTheMenu) {
    freshGame();
    openTestWindow(640, 480);
    game.introActive = 0;
    game.menuActive = 1;
    game.windowWidth = 640;
    game.windowHeight = 480;
    Side host, guest, third;
    host.state = guest.state = third.state = game;
    std::strcpy(host.state.p1name, "ann");
    const auto idle = [&](int steps) {
        for (int i = 0; i < steps; i++) {
            fake::ticks += 5;
            as(host, onAppIdle);
            fake::ticks += 5;
            as(guest, onAppIdle);
        }
    };
    const auto keys = [](std::initializer_list<int> specials, bool enter) {
        for (int key : specials) onSpecial(key, 0, 0);
        if (enter) onKeyboard(13, 0, 0);
    };
    fake::machine = "10.0.0.1";
    as(host, [] {
        for (int y : {234, 234}) {  // two players, then host a game
            onPassiveMotion(320, y);
            onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        }
    });
    EXPECT_EQ(host.state.menuPage, PAGE_HOSTING);
    EXPECT_EQ(host.state.netRole, NET_ROLE_HOST);
    fake::machine = "10.0.0.2";
    as(guest, [&] {
        keys({GLUT_KEY_DOWN, GLUT_KEY_DOWN}, true);                 // two players
        keys({GLUT_KEY_DOWN, GLUT_KEY_DOWN, GLUT_KEY_DOWN}, true);  // join a game
    });
    EXPECT_EQ(guest.state.menuPage, PAGE_JOIN);
    idle(20);
    ASSERT_EQ(guest.state.foundHostCount, 1);
    EXPECT_STREQ(guest.state.foundHosts[0].name, "ann");
    EXPECT_STREQ(guest.state.foundHosts[0].address, "10.0.0.1");
    EXPECT_EQ(guest.state.foundHosts[0].free, 1);

    as(guest, [&] { keys({GLUT_KEY_DOWN}, true); });  // the first row
    EXPECT_EQ(guest.state.guestWaiting, 1);
    idle(5);
    EXPECT_EQ(host.state.menuPage, PAGE_PLAYGROUND);  // the guest is here
    as(host, [&] { keys({GLUT_KEY_RIGHT}, true); });  // tennis, by the keys too
    idle(5);
    ASSERT_EQ(host.state.matchActive, 1);
    ASSERT_EQ(guest.state.netMatch, 1);

    // A third game joining the busy host hears why, on its join page.
    as(third, [] { joinFromMenu("localhost", NET_DEFAULT_PORT, NET_ROLE_GUEST); });
    for (int i = 0; i < 5; i++) {
        idle(1);
        as(third, onAppIdle);
    }
    EXPECT_EQ(third.exitStatus, -1);
    EXPECT_EQ(third.state.menuPage, PAGE_JOIN);
    EXPECT_STREQ(third.state.menuNote, "localhost:47312 already has a guest");

    as(guest, [] { onKeyboard(27, 0, 0); });
    EXPECT_EQ(guest.exitStatus, -1);
    EXPECT_EQ(guest.state.netRole, NET_ROLE_NONE);
    EXPECT_EQ(guest.state.menuActive, 1);
    EXPECT_EQ(guest.state.menuPage, PAGE_JOIN);
    idle(5);
    EXPECT_EQ(host.state.matchActive, 0);
    EXPECT_EQ(host.state.netConnected, 0);
    EXPECT_EQ(guest.state.foundHostCount, 1);  // still hosting, and found again

    as(host, [] {
        game.menuPage = PAGE_TWO_PLAYERS;
        onPassiveMotion(320, 234);
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        onKeyboard(27, 0, 0);
    });
    EXPECT_EQ(host.state.menuPage, PAGE_TWO_PLAYERS);
    EXPECT_EQ(host.state.netRole, NET_ROLE_NONE);
    EXPECT_EQ(host.state.answerSocket, -1);
    _ENetHost* again = platform.netListen(NET_DEFAULT_PORT);
    EXPECT_NE(again, nullptr);  // the port is free again
    platform.netClose(again);

    as(guest, [&] {
        onPassiveMotion(240, 392);  // type a host
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        for (char c : std::string("no.such.host")) onKeyboard((unsigned char)c, 0, 0);
        onKeyboard(13, 0, 0);
    });
    EXPECT_EQ(guest.exitStatus, -1);
    EXPECT_EQ(guest.state.menuPage, PAGE_JOIN);
    EXPECT_EQ(guest.state.menuActive, 1);
    EXPECT_STREQ(guest.state.menuNote, "cannot reach no.such.host:47312");
}

// Friends met through the lobby (the stand-in broker): the host's room is listed with its code and
// candidates, the guest knocks by the code and the punch finds the host on the guest's network; the
// seat is given once; the room goes with its host, by its will too; a broker not reached is said in
// one line, a meeting then says why it fails, and hosting goes on without it.
TEST(Lobby, ARoomIsMetByItsCodeItsSeatGivenOnceAndNoBrokerStopsAGame) {
    freshGame();
    openTestWindow(640, 480);
    game.introActive = 0;
    std::strcpy(game.lobbyHost, "192.0.2.1");
    const GameState common = game;
    auto roomMessage = [] { return fake::retained.empty() ? std::string() : fake::retained.back().second; };
    auto steps = [](std::initializer_list<Side*> sides, int count) {
        for (int i = 0; i < count; i++) {
            fake::ticks += 10;
            for (Side* side : sides)
                if (side->exitStatus < 0) as(*side, onAppIdle);
        }
    };
    Side host, guest, second;
    host.state = common;
    host.state.netRole = NET_ROLE_HOST;
    host.state.netPort = NET_DEFAULT_PORT;
    host.state.portMapping = 0;
    host.state.menuActive = 1;
    std::strcpy(host.state.p1name, "ann");
    as(host, startNetwork);
    testing::internal::CaptureStdout();
    steps({&host}, 2);
    const std::string code = host.state.roomCode;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "room " + code + "\n");
    ASSERT_EQ(code.size(), 6u);
    EXPECT_EQ(code.find_first_of("01ILO"), std::string::npos);
    EXPECT_EQ(roomMessage(), "tarvo 3\nname ann\ncode " + code + "\nseat free\nlan 10.0.0.1:47312\n");

    fake::machine = "10.0.0.2";
    for (Side* side : {&guest, &second}) {
        side->state = common;
        side->state.netRole = NET_ROLE_GUEST;
        std::strcpy(side->state.meetCode, code.c_str());
        std::strcpy(side->state.p1name, "bob");
    }
    as(guest, startNetwork);
    steps({&host, &guest}, 1);
    EXPECT_EQ(guest.state.meetStage, MEET_KNOCKING);  // no STUN server said: the knock waits a moment for none
    testing::internal::CaptureStdout();
    steps({&host, &guest}, 250);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "met room " + code + " on this network at 10.0.0.1:47312\n");
    EXPECT_EQ(guest.state.netConnected, 1);
    EXPECT_EQ(host.state.netConnected, 1);
    EXPECT_EQ(guest.state.lobbyOpened, 0);  // met: the guest is done with the lobby
    EXPECT_NE(roomMessage().find("seat busy"), std::string::npos);

    as(second, startNetwork);
    steps({&host, &second}, 400);
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.errors, "Network: cannot reach " + code + ": its seat is taken\n");
    EXPECT_EQ(guest.state.netConnected, 1);

    // A stranger cannot write the host's room; the host's will clears it when it vanishes, its quitting at once.
    EXPECT_FALSE(brokerPublish("intruder", "tarvo/room/" + std::string(host.state.lobbyId), "tarvo 3\n", true));
    EXPECT_FALSE(brokerPublish("victim/x", "tarvo/room/victim", "tarvo 3\n", true));
    as(host, closeNetwork);
    EXPECT_EQ(roomMessage(), "");
    Side vanishing = host;
    vanishing.state = common;
    vanishing.state.netRole = NET_ROLE_HOST;
    vanishing.state.netPort = NET_DEFAULT_PORT + 2;
    as(vanishing, startNetwork);
    steps({&vanishing}, 2);
    EXPECT_NE(roomMessage(), "");
    brokerVanish(vanishing.state.lobbyId);
    EXPECT_EQ(roomMessage(), "");

    // The broker not reached: one line, the meeting's reason, and hosting without it.
    fake::brokerDown = true;
    Side lost;
    lost.state = common;
    lost.state.netRole = NET_ROLE_GUEST;
    std::strcpy(lost.state.meetCode, "K7M2QX");
    as(lost, startNetwork);
    steps({&lost}, 20);
    EXPECT_EQ(lost.errors, "Lobby: cannot reach 192.0.2.1:1883: Connection refused\n"
                           "Network: cannot reach K7M2QX: the lobby is not reached\n");
    Side alone = host;
    alone.state = common;
    alone.state.netRole = NET_ROLE_HOST;
    alone.state.netPort = NET_DEFAULT_PORT + 1;
    alone.state.portMapping = 0;
    as(alone, startNetwork);
    steps({&alone}, 20);
    EXPECT_EQ(alone.errors, "Lobby: cannot reach 192.0.2.1:1883: Connection refused\n");
    EXPECT_EQ(alone.state.netRole, NET_ROLE_HOST);
    EXPECT_NE(alone.state.netHost, nullptr);
    EXPECT_EQ(fake::brokerClients.size(), 1u);  // the one that keeps trying, for when the broker comes back
}
