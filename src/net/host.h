// The host's side of a network session.
#pragma once

#include "core/platform.h"

// True on a host whose two-player game has no guest to play: a playground click starts nothing.
bool waitingForGuest();
// The host starting a match from its menu: against the guest when two players
// were chosen and the guest is here (true), else nothing (false).
bool beginNetworkMatch();
// What the network brought the host: a guest arriving or leaving, its packets.
void hostReceives(const NetEvent& event);
// The guest gone: said once, and its match ended.
void guestLeaves();
