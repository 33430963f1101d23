// The sound bank of twelve chunks and the fixed plan of mixer channels.
// Loading and freeing the bank are not built yet; the menu music already plays through the seam.
#include "assets/sound.h"

#include "app/game_state.h"
#include "app/platform.h"

void initSound() {}
void freeSounds() {}

void fadeInMenuMusic() {
    if (!game.music) return;
    // Loops for ever, fades in over a second, no time limit.
    platform.fadeInChannelTimed(CHANNEL_MENU_MUSIC, game.soundChunks[SOUND_MENU_MUSIC], -1, 1000, -1);
}
