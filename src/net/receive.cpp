// What the network brought since the last frame, handed to the host's side or the guest's; a silent peer given up.
#include "net/receive.h"

#include "core/game_state.h"
#include "core/platform.h"
#include "net/guest.h"
#include "net/host.h"
#include "net/link.h"
#include "net/lobby.h"
#include "net/relay.h"
#include "net/session.h"
#include "net/watcher.h"

// A connection not made within this long is given up: at start the guest ends,
// later it tries again.
static const uint32_t CONNECT_WAIT_MS = 8000;

// The other side sends something (at the least the library's keep-alive ping)
// twice a second; silent for this long, it is gone. The library's own timeout
// backs off as it retries and may take twice as long to say so.
static const uint32_t SILENCE_LIMIT_MS = 4000;

void receiveNetwork() {
    if (game.netRole == NET_ROLE_NONE || !game.netHost) return;
    pumpRelay();  // what came through the relay reaches ENet now
    // What a meeting through the lobby came to: the way to the host, or why there is none.
    if (game.meetStage == MEET_MET) {
        game.meetStage = MEET_NONE;
        connectToHost();
    } else if (game.meetStage == MEET_FAILED) {
        game.meetStage = MEET_NONE;
        networkFails(game.meetWhy);
        return;
    }
    NetEvent event;
    // A session begun from the menu may end within the loop: its end is gone then.
    while (game.netHost && platform.netService(game.netHost, &event) > 0) {
        if (isHost())
            hostReceives(event);
        else if (isGuest())
            guestReceives(event);
        else
            watcherHears(event);
    }
    if (!game.netHost) return;
    // A watcher gone silent gives up its place.
    for (Watcher& watcher : game.watchers) {
        if (!watcher.peer || platform.netQuietFor(watcher.peer) <= SILENCE_LIMIT_MS) continue;
        platform.netReset(watcher.peer);
        watcher = Watcher{};
    }
    if (game.netConnected && game.netPeer && platform.netQuietFor(game.netPeer) > SILENCE_LIMIT_MS) {
        platform.netReset(game.netPeer);
        if (isHost())
            guestLeaves();
        else if (isGuest())
            hostGone("host lost");
        else
            watcherLosesHost();
        return;
    }
    if (!isHost() && !game.netConnected && !meetingUnderWay() && platform.getTicks() - game.netAttemptTick > CONNECT_WAIT_MS) {
        if (!game.netEverConnected) {
            cannotReachHost();
            return;
        }
        if (game.netPeer) platform.netReset(game.netPeer);
        connectToHost();
    }
}
