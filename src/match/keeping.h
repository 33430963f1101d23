// Every match kept as it is played (only when game.keepReplays is set, never while one is watched).
#pragma once

#include <cstddef>

struct MatchState;

// The newest kept match's second name in the replay folder.
const char LAST_REPLAY_NAME[] = "last.replay";

// Before a match's first step: the file is begun with the match as it stands
// and the names its players are shown by.
void keepReplayStart(const char* name1, const char* name2);
// After a live local step: what it read. After a network step both sides know:
// the host's and the guest's holds.
void keepLiveStep();
void keepFixedStep(unsigned char hostHolds, unsigned char guestHolds);
// The match is over or left: the file is ended with `last` and put in place
// among the ten newest, as last.replay too. One line when it could not be kept.
void finishKeptReplay(const MatchState& last);
// The match being kept is given up, its file gone (it would have a gap in it).
void dropKeptReplay();
// A path in the replay folder, name and suffix after it; false where it would
// not fit (the folder is checked against PATH_MAX first).
bool keptPath(char* out, size_t size, const char* name, const char* suffix);
