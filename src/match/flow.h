// The intro animation and the flow of a match: serve, rally, points, games and the end.
#pragma once

#include "core/game_state.h"

void stepIntro();
// The entry points of a match, for the menu, a replay and a network session alike:
// start one on the chosen playground (its pictures, lights and music), run its steps, leave it.
void startMatch();
void stepMatch();
void resetMatch();
// One step of a match whose input is given in stepInput, with frameDelta set by
// its driver: a network match (fixed steps) or a replay. The bats move in it as
// the idle step moves them in a live match.
void runGivenStep();
// Five points make a game: settled in every step, and by the score display.
void settleGames();
// Leave a match for the main menu: free the playground's pictures, switch the
// screens and the music. Shared by the end of a match and Escape.
void returnToMenu();
// The playground's out sound, when effects are on.
void playOutSound();
// A match in fixed steps plays no sound itself: each sound whose count grew
// since `played` (the counts already heard) plays once; a count a correction
// took back is only noted, so the next true sound is heard.
void playCountedSounds(u8* played);
