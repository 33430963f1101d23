// A game watching a host's match: sent the match and both players' settled holds, it shows them and changes nothing.
#pragma once

#include "core/platform.h"

// What the network brought a watcher: connected, refused or lost, the host's match and its holds.
void watcherHears(const NetEvent& event);
// The host lost: said once, the watched match ended, and a new connection begun.
void watcherLosesHost();
// One frame of a watched match: the steps whose holds are known, run at their pace a
// little behind; the sounds, this side's camera, the host told how far it has them.
void watchFrame();
