// The guest's side of a network session.
#pragma once

#include "core/platform.h"

// What the network brought the guest: connected, refused or lost, the host's packets.
void guestReceives(const NetEvent& event);
// The host lost: said once, the match ended, and a new connection begun.
void hostGone(const char* why);
