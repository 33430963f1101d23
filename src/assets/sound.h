// The sound bank of twelve chunks and the fixed plan of mixer channels.
#pragma once

// Chunk indexes in the bank.
enum {
    SOUND_EXPLODE = 0,
    SOUND_MENU_MUSIC = 1,
    SOUND_MENU_PAGE = 2,
    SOUND_MENU_OVER = 3,
    SOUND_GROUND1_BOARD = 4,
    SOUND_GROUND1_BAT = 5,
    SOUND_GROUND1_OUT = 6,
    SOUND_GROUND2_BOARD = 7,
    SOUND_GROUND2_BAT = 8,
    SOUND_GROUND2_OUT = 9,
    SOUND_GROUND1_MUSIC = 10,
    SOUND_GROUND2_MUSIC = 11,
};

// Mixer channels, one per kind of sound.
enum {
    CHANNEL_MENU_MUSIC = 0,  // also the intro's explosion
    CHANNEL_HOVER = 1,
    CHANNEL_PAGE = 2,
    CHANNEL_BAT = 3,
    CHANNEL_BOARD = 4,
    CHANNEL_OUT = 5,
    CHANNEL_GROUND_MUSIC = 6,
};

void initSound();
void freeSounds();
// Fade the menu music in on its channel, when music is on.
void fadeInMenuMusic();
