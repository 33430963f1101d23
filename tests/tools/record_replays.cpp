// Records the suite's witness matches again: each played whole by scripted players on the stand-in
// clock (and, for the network match, the stand-in network), kept by the game's own replay keeping, and
// copied into the folder given (`make replays` gives tests/replays). Run it after a change that plays
// a match differently on purpose; the replays test then checks the new ends.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/events.h"
#include "core/game_state.h"
#include "assets/sound.h"
#include "match/clock.h"
#include "match/flow.h"
#include "menu/clicks.h"
#include "menu/hover.h"
#include "net/protocol.h"
#include "net/session.h"
#include "support/fake_platform.h"
#include "support/gl_context.h"
#include "support/sides.h"

namespace {

std::string out, scratch;

// A fresh game that keeps its replays in a scratch folder of its own.
void freshKeepingGame(const char* folder) {
    freshGame();
    for (int i = 0; i < SOUND_CHUNKS; i++) game.soundChunks[i] = fakeChunk(i);
    game.introActive = 0;
    game.menuActive = 1;
    game.windowWidth = 640;
    game.windowHeight = 480;
    game.keepReplays = 1;
    std::snprintf(game.replayFolder, sizeof game.replayFolder, "%s/%s", scratch.c_str(), folder);
    game.replayFolderBase = 0;
}

bool keep(const char* folder, const char* name) {
    const std::string from = scratch + "/" + folder + "/last.replay", to = out + "/" + name + ".replay";
    FILE* in = std::fopen(from.c_str(), "rb");
    FILE* file = in ? std::fopen(to.c_str(), "wb") : nullptr;
    char buffer[4096];
    size_t got;
    bool ok = file != nullptr;
    while (ok && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0) ok = std::fwrite(buffer, 1, got, file) == got;
    if (file && std::fclose(file) != 0) ok = false;
    if (in) std::fclose(in);
    std::printf("%s %s\n", ok ? "recorded" : "FAILED", to.c_str());
    return ok;
}

// Player 1 of the matches that pin a serve. Steered: to the top, a serve held
// down (bent toward the far corner), then standing still. Straight: a serve
// from where the rally set the bat, then away to the bottom, out of the way.
void steeredServer(GameState& g) {
    const bool serving = !g.ballInPlay && g.ballX <= 0.01f;
    g.keyHeld[g.p1Up] = serving && g.p1BatY < 0.4f;
    g.keyHeld[g.p1Down] = g.keyHeld[g.p1Pass] = serving && g.p1BatY >= 0.4f;
}
void straightServer(GameState& g) {
    const bool serving = !g.ballInPlay && g.ballX <= 0.01f;
    g.keyHeld[g.p1Up] = 0;
    g.keyHeld[g.p1Pass] = serving;
    g.keyHeld[g.p1Down] = !serving;
}

// A local match from its start to its end through the idle step, on uneven
// frames; player 1 the follower of the ball, or the given player.
bool local(const char* name, int playground, bool twoPlayers, float difficulty, uint32_t dice,
           void (*player1)(GameState&) = nullptr) {
    freshKeepingGame(name);
    game.difficulty = difficulty;
    game.playground = playground;
    game.vsComputer = !twoPlayers;
    game.p2Human = twoPlayers;
    std::strcpy(game.p1name, "ann");
    std::strcpy(game.p2name, "bob");
    game.menuPage = 1;
    resetMatch();
    game.matchActive = 1;
    game.menuActive = 0;
    fake::ticks = 40000 + dice;
    Follower one{dice}, two{dice * 7 + 1};
    for (int n = 0; game.matchActive && n < 2000000; n++) {
        if (player1)
            player1(game);
        else
            one.play(game, 1, false);
        if (twoPlayers) two.play(game, 2, false);
        fake::ticks += 7 + (n * 5 + dice) % 10;  // frames of 7 to 16 ms
        onAppIdle();
    }
    return keep(name, name);
}

// A network match: a host and its guest in one process, over a link of 30 ms
// each way with jitter and a little loss; the host's replay is the witness.
bool network(const char* name) {
    freshKeepingGame("network-host");
    Side host, guest;
    host.state = game;
    host.state.netRole = NET_ROLE_HOST;
    host.state.netPort = NET_DEFAULT_PORT;
    host.state.difficulty = 9;
    std::strcpy(host.state.p1name, "ann");
    as(host, startNetwork);
    guest.state = game;
    std::snprintf(guest.state.replayFolder, sizeof guest.state.replayFolder, "%s/network-guest", scratch.c_str());
    guest.state.netRole = NET_ROLE_GUEST;
    guest.state.netPort = NET_DEFAULT_PORT;
    std::strcpy(guest.state.netHostName, "localhost");
    std::strcpy(guest.state.p1name, "bob");
    as(guest, startNetwork);
    fake::netDelayMs = 30;
    fake::netJitterMs = 10;
    fake::netLossPercent = 2;
    auto idle = [&](int frames) {
        for (int i = 0; i < frames; i++) {
            fake::ticks += 5;
            as(host, onAppIdle);
            fake::ticks += 5;
            as(guest, onAppIdle);
        }
    };
    idle(10);
    as(host, [] {  // two players, tennis
        game.menuPage = 0;
        onPassiveMotion(320, 234);
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        onPassiveMotion(250, 200);
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    });
    idle(10);
    Follower hostPlayer{11}, guestPlayer{12};
    for (int i = 0; i < 200000 && (host.state.matchActive || guest.state.matchActive); i++) {
        hostPlayer.play(host, 1);
        guestPlayer.play(guest, 2);
        idle(1);
    }
    fake::netDelayMs = fake::netJitterMs = 0;
    fake::netLossPercent = 0;
    if (!host.errors.empty() || !guest.errors.empty()) std::fprintf(stderr, "%s%s", host.errors.c_str(), guest.errors.c_str());
    return keep("network-host", name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER (the recorded matches are written there)\n", argv[0]);
        return 2;
    }
    out = argv[1];
    char folder[] = "/tmp/tarvo-record.XXXXXX";
    if (!mkdtemp(folder)) return 1;
    scratch = folder;
    openTestWindow(640, 480);  // a network match starts as the menu starts it, textures and all
    bool ok = local("tennis-computer-easy", 1, false, 13, 1);
    ok &= local("futuristic-computer-normal", 2, false, 11, 2);
    ok &= local("tennis-computer-hard", 1, false, 9, 3);
    ok &= local("futuristic-two-players", 2, true, 11, 4);
    // Serves bent from the top at the easy pace, some too steep for the computer;
    // serves straight at it at a pace far beyond the menu's, every one returned.
    ok &= local("tennis-computer-steered-serves", 1, false, 13, 5, steeredServer);
    ok &= local("tennis-computer-pace-2", 1, false, 2, 6, straightServer);
    ok &= network("tennis-network");
    std::string clean = "rm -rf '" + scratch + "'";
    if (std::system(clean.c_str()) != 0) ok = false;
    return ok ? 0 : 1;
}
