// The sound bank of twelve chunks and the fixed plan of mixer channels.
#include "assets/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdio>
#include <cstdlib>

#include "core/game_state.h"
#include "core/paths.h"
#include "core/platform.h"

namespace {

// The bank's files, by chunk index, named below data/ (paths.cpp finds the folder).
const char* const SOUND_FILES[SOUND_CHUNKS] = {
    "data/sound/other/explode.wav",    // SOUND_EXPLODE
    "data/sound/menu/music.wav",       // SOUND_MENU_MUSIC
    "data/sound/menu/menu.wav",        // SOUND_MENU_PAGE
    "data/sound/menu/over.wav",        // SOUND_MENU_OVER
    "data/sound/ground1/mantinel.wav", // SOUND_GROUND1_BOARD
    "data/sound/ground1/player.wav",   // SOUND_GROUND1_BAT
    "data/sound/ground1/out.wav",      // SOUND_GROUND1_OUT
    "data/sound/ground2/mantinel.wav", // SOUND_GROUND2_BOARD
    "data/sound/ground2/player.wav",   // SOUND_GROUND2_BAT
    "data/sound/ground2/out.wav",      // SOUND_GROUND2_OUT
    "data/sound/ground1/music.wav",    // SOUND_GROUND1_MUSIC
    "data/sound/ground2/music.wav",    // SOUND_GROUND2_MUSIC
};

// The three tunes play at half the mixer's full volume, under the effects.
const int MUSIC_VOLUME = 64;

void setMusicVolume(int chunk) {
    // The mixer reads the chunk it is given without checking it: a tune that failed to
    // load (missing file, or no audio device) is left alone.
    if (game.soundChunks[chunk]) platform.volumeChunk(game.soundChunks[chunk], MUSIC_VOLUME);
}

}  // namespace

void initSound() {
    if (platform.initAudio() != 0) fprintf(stderr, "SDL initialization failed: %s\n", SDL_GetError());
    atexit(SDL_Quit);
    if (platform.openAudio(22050, AUDIO_S16LSB, 2, 1024) == -1)
        fprintf(stderr, "Audio initialization failed: %s\n", SDL_GetError());
    for (int chunk = 0; chunk < SOUND_CHUNKS; chunk++) game.soundChunks[chunk] = platform.loadWav(dataFile(SOUND_FILES[chunk]));
    // Reported after all loads, with the library's latest error text.
    for (int chunk = 0; chunk < SOUND_CHUNKS; chunk++)
        if (!game.soundChunks[chunk]) fprintf(stderr, "Sound file loading failed: %s\n", SDL_GetError());
    setMusicVolume(SOUND_MENU_MUSIC);
    setMusicVolume(SOUND_GROUND1_MUSIC);
    setMusicVolume(SOUND_GROUND2_MUSIC);
}

void freeSounds() {
    // The mixer ignores a null chunk here, so a sound that never loaded needs no care.
    // The slots are cleared so that no freed chunk can be played or freed again.
    for (int chunk = 0; chunk < SOUND_CHUNKS; chunk++) {
        platform.freeChunk(game.soundChunks[chunk]);
        game.soundChunks[chunk] = nullptr;
    }
}

void fadeInMenuMusic() {
    if (!game.music) return;
    // Loops for ever, fades in over a second, no time limit.
    platform.fadeInChannelTimed(CHANNEL_MENU_MUSIC, game.soundChunks[SOUND_MENU_MUSIC], -1, 1000, -1);
}
