// Watching a kept match: --replay FILE, and the main menu's "watch last match".
#pragma once

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
// as they were played; camera mode holds it still. At its end the menu comes back.
void replayIdle();
// The replay ends (Escape, or its last step): the watcher's own settings come back.
void stopReplay();
// Escape while watching: the match, the replay and the watcher's settings left, the menu back.
void leaveWatchedMatch();
// A loaded replay played to its end at once, with no window, drawing or waiting;
// the match is left as the last step leaves it. Gives the steps played.
unsigned playReplayThrough();
