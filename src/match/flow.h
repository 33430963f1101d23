// The intro animation and the flow of a match: serve, rally, points, games and the end.
#pragma once

void stepIntro();
void stepMatch();
void resetMatch();
// Leave a match for the main menu: free the playground's pictures, switch the
// screens and the music. Shared by the end of a match and Escape.
void returnToMenu();
// The playground's out sound, when effects are on.
void playOutSound();
