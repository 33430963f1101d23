// Every match kept as it is played, and a kept match watched again.
#pragma once

struct MatchState;

// ---- Keeping (only when game.keepReplays is set, never while watching) ----------
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

// ---- Watching -------------------------------------------------------------------
// Whether a last match is kept to be watched (the main menu's item), at start-up.
void findLastReplay();
// The menu's "watch last match": last.replay read and started; false, the item
// dimmed, when it is gone or no sound replay.
bool watchLastMatch();
// Reads and checks game.replayPath whole: false, after one line "Replay: ...",
// when it is no sound replay.
bool loadReplay();
// Starts the loaded replay's match, as the menu starts one (the watcher's own
// difficulty and camera are kept aside for when it ends).
void startReplay();
// The idle step while a replay is shown: its steps as their time comes, as fast
// as they were played; camera mode holds it still.
void replayIdle();
// The replay ends (Escape, or its last step): the watcher's own settings come back.
void stopReplay();
// A loaded replay played to its end at once, with no window, drawing or waiting;
// the match is left as the last step leaves it. Gives the steps played.
unsigned playReplayThrough();
