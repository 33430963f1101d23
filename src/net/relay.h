// The relay: for a guest (or a watcher) that no punch gets through, an allocation on the meeting
// place's TURN server. The host is let in (CreatePermission), its probe through the relay shows where
// it sends from, a channel is bound to it, and from then on a socket of the relay's own carries the
// game's ENet datagrams both ways: ENet connects to that socket on this machine, and each datagram goes
// on to the host as ChannelData, and back. Refreshed before anything runs out, released at the end.
#pragma once

// A relay can be asked for: the lobby gave the server and its credentials.
bool relayPossible();
// Allocates a relay for the meeting in game.meetings[0].
void startRelay();
// Once a frame while the meeting goes through the relay: going on, ready to
// knock again (the relay's address is a candidate now), met (game.netHostName
// and game.netPort name the relay's socket here), or failed (game.meetWhy's reason in `why`).
enum { RELAY_GOING = 0, RELAY_KNOCK = 1, RELAY_MET = 2, RELAY_FAILED = 3 };
int relayOnward(const char** why);
// Every frame of a session through the relay: ENet's datagrams carried both
// ways, the allocation, permission and channel refreshed.
void pumpRelay();
// The allocation released and the relay's socket closed.
void releaseRelay();
