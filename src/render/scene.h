// One frame of a match: backdrop, playground through the camera, lights, bats, ball, HUD.
#pragma once

void drawMatch();
