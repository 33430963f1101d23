// Network play with a host and its guest in one process, on the stand-in clock and network: joining,
// the guest as player 2, what reaches the guest, packets that are dropped, leaving, losses and refusals
// (an unreachable host and a port already taken are played end to end, in e2e.network).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "app/game_state.h"
#include "assets/sound.h"
#include "input/keyboard.h"
#include "match/clock.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "net/protocol.h"
#include "net/session.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"

namespace {

// The one game record holds one side at a time: each side's record is put in
// place while that side runs, and kept again afterwards.
struct Side {
    GameState state;
    std::string errors;  // what the side wrote on standard error
    int exitStatus = -1;
};

void as(Side& side, const std::function<void()>& run) {
    game = side.state;
    testing::internal::CaptureStderr();
    try {
        run();
    } catch (const ProgramExit& exit) {
        side.exitStatus = exit.status;
    }
    side.errors += testing::internal::GetCapturedStderr();
    side.state = game;
}

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
            if (host.exitStatus < 0) as(host, onIdle);
            fake::ticks += 5;
            if (guest.exitStatus < 0) as(guest, onIdle);
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

    // Either of the guest's key sets moves bat 2 on both sides; player 1's bat is
    // the host's alone, and the host's own keys for player 2 move nothing.
    guest.state.keyHeld[guest.state.p2Up] = 1;
    host.state.keyHeld[host.state.p2Down] = 1;
    step(20);
    EXPECT_GT(host.state.p2BatY, 0.1f);
    EXPECT_EQ(host.state.p1BatY, 0.0f);
    guest.state.keyHeld[guest.state.p2Up] = 0;
    guest.state.keyHeld[guest.state.p1Down] = 1;
    step(5);
    const float before = host.state.p2BatY;
    step(5);
    EXPECT_LT(host.state.p2BatY, before);
    EXPECT_EQ(guest.state.p2BatY, host.state.p2BatY);  // the host's step, drawn by the guest
    guest.state.keyHeld[guest.state.p1Down] = 0;

    // At most one state a host step, and no more than a hundred a second.
    const int sent = fake::netSent[1];
    for (int i = 0; i < 500; i++) {
        fake::ticks += 2;
        as(host, onIdle);
    }
    EXPECT_LE(fake::netSent[1] - sent, 100);
    EXPECT_GE(fake::netSent[1] - sent, 95);
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
// or older than what is shown, are dropped and change nothing.
TEST_F(NetPlay, PacketsThatAreNotSoundAreDropped) {
    joinedMatch();
    const uint8_t toHost[][10] = {
        {NET_HOLDS, 8},                   // an unknown hold bit
        {NET_HELLO, 'e', 'v', '\n', 'l'},  // a control code in the name
        {99, 1},                          // no such kind
        {NET_HOLDS, 1, 0},                // one byte too many
    };
    const size_t toHostSizes[] = {2, 9, 2, 3};
    for (int i = 0; i < 4; i++) as(host, [&] { injectPacket(game.netPeer, toHost[i], toHostSizes[i]); });
    step(3);
    EXPECT_EQ(host.state.netHolds, 0);
    EXPECT_STREQ(host.state.netRemoteName, "bob");
    EXPECT_EQ(host.state.p2BatY, 0.0f);

    const float shownX = guest.state.ballX;
    auto badState = [&](std::function<void(NetState&)> spoil) {
        NetState state{};
        state.sequence = 1000000;
        spoil(state);
        uint8_t bytes[NET_PACKET_MAX];
        size_t length = writeState(bytes, state);
        as(guest, [&] { injectPacket(game.netPeer, bytes, length); });
        as(guest, onIdle);
    };
    badState([](NetState& s) { s.ballX = NAN; });
    badState([](NetState& s) { s.ballX = 5.0f; });
    badState([](NetState& s) { s.p2BatY = -0.5f; });
    badState([](NetState& s) { s.animFrame = 6; });
    badState([](NetState& s) { s.p1Games = 4; });
    badState([](NetState& s) { s.flags = 8; });
    badState([](NetState& s) { s.sequence = 1, s.ballX = 1.0f; });  // older than what is shown
    EXPECT_EQ(guest.state.ballX, shownX);
    EXPECT_LT(guest.state.netSequence, 1000000u);
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
        as(second, onIdle);
    }
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.errors, "Network: localhost:47312 already has a guest\n");
    EXPECT_EQ(host.state.netConnected, 1);

    host.errors.clear();
    as(host, [] {
        _ENetHost* other = platform.netClient();
        platform.netConnect(other, "localhost", NET_DEFAULT_PORT, NET_PROTOCOL_VERSION + 1);
    });
    step(2);
    EXPECT_EQ(host.errors, "Network: refused a guest of protocol version 2; this game speaks version 1\n");
    as(guest, [] {
        const NetEvent refusal = {NET_EVENT_DISCONNECT, game.netPeer,
                                  NET_REFUSED_VERSION | 7u << NET_REFUSAL_BITS, 0, 0, {}};
        fakeEnd(game.netHost)->events.push_back(refusal);
    });
    step();
    EXPECT_EQ(guest.exitStatus, 1);
    EXPECT_NE(guest.errors.find("Network: localhost:47312 speaks protocol version 7; this game speaks version 1\n"),
              std::string::npos);
}
