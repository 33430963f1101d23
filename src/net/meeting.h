// The meeting on the game's own port: where this side may be reached (its own networks, the router's
// forwarded port, the outside address STUN sees), and the punch through both routers that finds the
// way the ENet connection then takes.
#pragma once

#include <cstdint>

#include "core/game_state.h"

// The game's port begins to set aside the meeting's datagrams; this side's own
// networks are noted, the outside address is to be asked for.
void startMeetingPort();
// This side's candidates as they stand now, best first.
void gatherCandidates();
// The host meets a guest or a watcher: a place among its meetings with a new
// token, its probes going to the other side's candidates; null when all are taken.
Meeting* beginMeeting(const char* id, uint8_t want, const Candidate* candidates, int count);
void forgetMeetings();
// Once a frame: the STUN question asked (again), what came to the game's port
// read, the host's probes sent.
void meetOnGamePort();
// The guest's punch toward its host (meetings[0]): going on, met (game.netHostName
// and game.netPort then name the way, game.meetPath how it goes), or failed.
enum { PUNCH_GOING = 0, PUNCH_MET = 1, PUNCH_FAILED = 2 };
int punchOnward();
// The kind of candidate of a side being met that `address`:`port` is, or 0xFF for none.
int metBy(const char* address, uint16_t port);
// How a path goes, in the words the pages and the lines use.
const char* pathWords(int kind);
