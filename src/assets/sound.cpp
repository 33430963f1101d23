// The sound bank of twelve chunks and the fixed plan of mixer channels.
// Not built yet: these procedures do nothing until their own work lands.
#include "assets/sound.h"

void initSound() {}
void freeSounds() {}
void fadeInMenuMusic() {}
