// A host's watchers: up to four games that are sent the match as both players settle it, and never change it.
//
// A watcher is sent the match's start and the match as both players had settled
// it at a step (when the match begins, or when it joins mid-match), then both
// players' settled holds from there, a packet a step at most, each repeating
// what the watcher has not yet said it has. One that falls more than two seconds
// behind is sent the newest settled match instead, so a slow or bad link to a
// watcher costs the players nothing. At the match's end a watcher is sent the
// rest of its holds on the channel that loses nothing, then the end.
#include "net/watchers.h"

#include <cstdio>

#include "core/game_state.h"
#include "core/platform.h"
#include "net/link.h"
#include "net/protocol.h"
#include "net/steps.h"

static_assert((int)WATCHERS_MAX == (int)NET_WATCHERS_MAX, "the record keeps a place for each watcher the protocol allows");

// Holds go to a watcher at most this often.
static const uint32_t WATCH_SEND_MS = 10;
// A watcher this many steps behind the settled edge is brought forward, at most every so often.
static const uint32_t WATCH_LAG_STEPS = 200;
static const uint32_t WATCH_FORWARD_MS = 2000;
// The settled holds the host still keeps behind its settled edge.
static const uint32_t HOLDS_KEPT = NET_HOLDS_RING - NET_RING;

static Watcher* watcherOf(_ENetPeer* peer) {
    for (Watcher& watcher : game.watchers)
        if (peer && watcher.peer == peer) return &watcher;
    return nullptr;
}

bool isWatcher(_ENetPeer* peer) { return watcherOf(peer) != nullptr; }

void watcherArrives(const NetEvent& event) {
    for (Watcher& watcher : game.watchers) {
        if (watcher.peer) continue;
        watcher = Watcher{};
        watcher.peer = event.peer;
        return;
    }
    platform.netDisconnect(event.peer, NET_REFUSED_FULL);  // no room for more
}

void watcherReceives(const NetEvent& event) {
    Watcher* watcher = watcherOf(event.peer);
    if (!watcher) return;
    if (event.type == NET_EVENT_DISCONNECT) {
        *watcher = Watcher{};
        return;
    }
    uint8_t match;
    uint32_t known;
    if (event.type != NET_EVENT_RECEIVE || !readWatchKnown(event.bytes, event.length, &match, &known)) return;
    game.netBytesIn += (u32)event.length;
    // Only forward, and never past what has been settled.
    if (match == watcher->match && known > watcher->known && known <= game.netConfirmed) watcher->known = known;
}

// The match as both players settled it, for a watcher to start from.
static void sendSettledMatch(Watcher& watcher) {
    uint8_t packet[NET_PACKET_MAX];
    sendTo(watcher.peer, NET_RELIABLE, packet, writeMatchState(packet, game.netConfirmed, matchBefore(game.netConfirmed)),
           true);
    watcher.known = game.netConfirmed;
    watcher.forwardTick = platform.getTicks();
}

static void sendStart(Watcher& watcher) {
    NetWatchStart start;
    start.playground = game.playground;
    snprintf(start.names[0], sizeof start.names[0], "%.8s", game.p1name);
    snprintf(start.names[1], sizeof start.names[1], "%.8s", game.netRemoteName);
    start.difficulty = game.difficulty;
    start.number = game.netMatchNumber;
    uint8_t packet[NET_PACKET_MAX];
    sendTo(watcher.peer, NET_RELIABLE, packet, writeWatchStart(packet, start), true);
    watcher.match = game.netMatchNumber;
    sendSettledMatch(watcher);
}

// Settled holds from the watcher's known step on, as many runs as a packet carries.
static uint32_t sendHoldsFrom(Watcher& watcher, uint32_t from, int channel, bool reliable) {
    NetWatchHolds out = {};
    out.match = watcher.match;
    out.from = from;
    out.settled = game.netConfirmed;
    uint32_t step = from;
    for (; step < game.netConfirmed; step++) {
        const u8 held = (u8)((game.netOwnHolds[step % NET_HOLDS_RING] & HOLD_BITS) |
                             (game.netOtherHolds[step % NET_HOLDS_RING] & 7) << 4);
        if (!addHoldToRuns(out.runs, out.runLength, out.runHolds, held)) break;
    }
    uint8_t packet[NET_PACKET_MAX];
    sendTo(watcher.peer, channel, packet, writeWatchHolds(packet, out), reliable);
    return step;
}

void serveWatchers() {
    const uint32_t now = platform.getTicks();
    for (Watcher& watcher : game.watchers) {
        if (!watcher.peer) continue;
        if (game.netMatch && watcher.match != game.netMatchNumber) {
            sendStart(watcher);  // a match begun, or one it joins as it runs
        } else if (game.netMatch) {
            // Too far behind: brought forward (and at once where the holds it lacks are no longer kept).
            const uint32_t behind = game.netConfirmed - watcher.known;
            if ((behind > WATCH_LAG_STEPS && now - watcher.forwardTick > WATCH_FORWARD_MS) || behind > HOLDS_KEPT)
                sendSettledMatch(watcher);
            if (now - watcher.sentTick >= WATCH_SEND_MS && watcher.known < game.netConfirmed) {
                watcher.sentTick = now;
                sendHoldsFrom(watcher, watcher.known, NET_HOLDS_CHANNEL, false);
            }
        } else if (watcher.match != 0 && watcher.match == game.netMatchNumber) {
            // The match is over: the rest of its holds (where they are still kept), then its end.
            if (game.netConfirmed - watcher.known > HOLDS_KEPT) watcher.known = game.netConfirmed;
            for (uint32_t from = watcher.known; from < game.netConfirmed;)
                from = sendHoldsFrom(watcher, from, NET_RELIABLE, true);
            uint8_t packet[NET_PACKET_MAX];
            sendTo(watcher.peer, NET_RELIABLE, packet, writeMatchEnd(packet), true);
            watcher.match = 0;
        }
    }
}
