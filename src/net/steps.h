// A network match in fixed steps: both games run it; each answers its own player at once and rolls back for late keys.
#pragma once

#include "net/protocol.h"

// The match as it stood before step `step`: the live one for the step about to
// run, a kept copy for the NET_RING steps before it.
const MatchState& matchBefore(uint32_t step);
// Both sides set up the same match from its start, the host's seed among it.
void beginStepping(const NetMatchStart& start);
// One frame of a network match: the steps game time calls for, after going back
// for any late keys; the sounds, this side's camera, and the end once both
// sides know the match is over.
void networkFrame();
// This side's holds the other side does not have yet, at most once a step.
void sendHolds();
// The other side's holds arrived; a step run with another prediction is run again.
void holdsArrive(const NetHolds& in);
// The guest takes the host's match as it stood after `step` steps.
void takeHostMatch(uint32_t step, const MatchState& match);
// Leaves the network match: told to the other side when this side ends it
// (`tell`). A guest then waits for the host's next match, unless it is leaving.
void endNetworkMatch(bool tell, bool guestWaits = true);
// The host's Escape in a network match: the guest is told, and both leave it.
void leaveNetworkMatch();
