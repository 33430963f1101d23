// The flow of a match: its start, serve, rally, points, games and its end.
#pragma once

#include "core/game_state.h"

// The entry points of a match, for the menu, a replay and a network session alike:
// start one on the chosen playground (its pictures, lights and music), run its
// steps, end it. Its driver hides what showed before the match, and shows what
// follows once it has ended it or found it ended.
void startMatch();
void stepMatch();
void resetMatch();
// One step of a match whose input is given in stepInput, with frameDelta set by
// its driver: a network match (fixed steps) or a replay. The bats move in it as
// the idle step moves them in a live match.
void runGivenStep();
// Five points make a game: settled in every step, and by the score display.
void settleGames();
// The match over or left: its replay kept, the playground's pictures freed, its
// music ended for the tune between matches. A local match ends itself after its
// third game; its driver ends it otherwise (Escape, a network or replay end).
void endMatch();
// The playground's out sound, when effects are on.
void playOutSound();
// A match in fixed steps plays no sound itself: each sound whose count grew
// since `played` (the counts already heard) plays once; a count a correction
// took back is only noted, so the next true sound is heard.
void playCountedSounds(u8* played);
