// One frame of a match: backdrop, playground through the camera, lights, bats, ball, HUD.
#pragma once

void drawMatch();
// The frame-rate read-out in fpsText: the count in whole digits, then " fps".
void writeFpsText();
