// The connection to the other side of a network match, as both roles share it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/game_state.h"

inline bool isHost() { return game.netRole == NET_ROLE_HOST; }
inline bool isGuest() { return game.netRole == NET_ROLE_GUEST; }

// Sends a packet to the other side, when it is there, at once; counted for the stats.
void send(int channel, const uint8_t* data, size_t length, bool reliable);
// The same to one peer of this side's (a host's watcher).
void sendTo(_ENetPeer* peer, int channel, const uint8_t* data, size_t length, bool reliable);
// The host's exit, or the end of its hosting: its guest is told at once, and the router's mapping removed.
void closeNetwork();
// The guest between the host's matches: its waiting screen, no pointer.
void showWaitingScreen();
// The names shown for player 1 and player 2 in a match (a watched one's, a network one's, or this computer's).
const char* matchName(int player);
