// A host's watchers: up to four games that are sent the match as both players settle it, and never change it.
#pragma once

#include "core/platform.h"

// A watcher's connection: a place taken, or refused for want of one.
void watcherArrives(const NetEvent& event);
// True when the peer is one of the host's watchers.
bool isWatcher(_ENetPeer* peer);
// A watcher's word (how far it has the holds) or its leaving.
void watcherReceives(const NetEvent& event);
// Each frame of a host: each watcher sent what it lacks, the start of a match, its holds, its end.
void serveWatchers();
