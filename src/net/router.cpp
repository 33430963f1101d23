// The host's home router asked to forward the game's port, and what its answer means for friends on the internet.
//
// The asking runs off the frame loop (the platform's router); each frame the
// host reads whether an answer came, checks what the router gave before it
// believes it, and says so once: on its hosting page, and for --host in one
// line on standard output. The mapping is removed when hosting ends.
#include "net/router.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>

#include "core/game_state.h"
#include "core/platform.h"

// What no one outside a home network can reach: the private, shared, link-local,
// loopback and "this network" ranges.
static bool privateAddress(in_addr address) {
    const uint32_t a = ntohl(address.s_addr);
    return (a >> 24) == 10 || (a >> 20) == (172u << 4 | 1) || (a >> 16) == (192u << 8 | 168) ||
           (a >> 22) == (100u << 2 | 1) || (a >> 16) == (169u << 8 | 254) || (a >> 24) == 127 || (a >> 24) == 0;
}

static void show(const char* first, const char* second) {
    snprintf(game.routerLines[0], sizeof game.routerLines[0], "%s", first);
    snprintf(game.routerLines[1], sizeof game.routerLines[1], "%s", second);
}

void askRouter() {
    if (!game.portMapping || game.routerAsked) return;
    game.routerAsked = 1;
    game.routerState = ROUTER_ASKING;
    show("asking the router...", "");
    platform.routerAsk(game.netPort);
}

void readRouter() {
    if (!game.routerAsked || game.routerState != ROUTER_ASKING) return;  // renewals change nothing shown
    RouterAnswer answer;
    if (!platform.routerAnswer(&answer) || answer.state == ROUTER_ASKING) return;
    // The router's words, ended however they came, and as printable text cut
    // short for a line that names them.
    char external[sizeof answer.external + 1];
    memcpy(external, answer.external, sizeof answer.external);
    external[sizeof answer.external] = 0;
    char given[24];
    size_t length = 0;
    for (const char* c = external; *c && length + 1 < sizeof given; c++) given[length++] = *c >= 32 && *c < 127 ? *c : '?';
    given[length] = 0;
    in_addr address;
    const bool mapped = answer.state == ROUTER_MAPPED;
    const bool usable = mapped && inet_pton(AF_INET, external, &address) == 1 && address.s_addr != 0 &&
                        answer.externalPort >= 1 && answer.externalPort <= 65535;
    char where[40], said[160];
    snprintf(where, sizeof where, "%s:%u", given, (unsigned)answer.externalPort);
    if (usable && privateAddress(address)) {
        game.routerState = ROUTER_MAPPED;
        char second[ROUTER_LINE_SIZE];
        snprintf(second, sizeof second, "%.21s (a private address)", where);
        show("friends on the internet may not reach", second);
        snprintf(said, sizeof said, "friends on the internet may not reach %s: the router's own address is private", where);
    } else if (usable) {
        game.routerState = ROUTER_MAPPED;
        // Only an address the internet reaches is offered to those met through the lobby.
        snprintf(game.routerExternal, sizeof game.routerExternal, "%s", external);
        game.routerExternalPort = (u16)answer.externalPort;
        char taken[32] = "";
        if (answer.externalPort != game.netPort) snprintf(taken, sizeof taken, " (port %u was taken)", (unsigned)game.netPort);
        char second[ROUTER_LINE_SIZE];
        if (answer.externalPort != game.netPort)
            snprintf(second, sizeof second, "%.21s (%u was taken)", where, (unsigned)game.netPort);
        else
            snprintf(second, sizeof second, "%.21s", where);
        show("friends on the internet join", second);
        snprintf(said, sizeof said, "friends on the internet join %s%s", where, taken);
    } else {
        game.routerState = ROUTER_NONE;
        show("the router opened no port:", "only this network can join");
        if (mapped)
            snprintf(said, sizeof said, "the router's answer could not be used (%s): only this network can join", where);
        else
            snprintf(said, sizeof said, "the router opened no port: only this network can join");
    }
    if (!game.netFromMenu) {
        printf("Router: %s\n", said);
        fflush(stdout);
    }
}

void forgetRouter() {
    if (!game.routerAsked) return;
    platform.routerForget();
    game.routerAsked = 0;
    game.routerState = ROUTER_ASKING;
    game.routerExternal[0] = 0;
    show("", "");
}
