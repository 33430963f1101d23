// One frame of a match: backdrop, playground through the camera, lights, bats, ball, HUD.
// Not built yet: these procedures do nothing until their own work lands.
#include "render/scene.h"

void drawMatch() {}
