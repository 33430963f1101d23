// The real platform behind the seam: SDL ticks and delay, SDL_mixer, GLUT cursor and redisplay.
#include "app/platform.h"

#include <GL/freeglut.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdlib>

static uint32_t realGetTicks() { return SDL_GetTicks(); }
static void realDelay(uint32_t ms) { SDL_Delay(ms); }
static int realInitAudio() { return SDL_Init(SDL_INIT_AUDIO); }
static int realOpenAudio(int frequency, uint16_t format, int channels, int chunkSize) {
    return Mix_OpenAudio(frequency, format, channels, chunkSize);
}
static void realCloseAudio() { Mix_CloseAudio(); }
static Mix_Chunk* realLoadWav(const char* path) {
    // The loader closes the stream itself (freesrc 1), also when it fails.
    return Mix_LoadWAV_RW(SDL_RWFromFile(path, "rb"), 1);
}
static int realVolumeChunk(Mix_Chunk* chunk, int volume) { return Mix_VolumeChunk(chunk, volume); }
static void realFreeChunk(Mix_Chunk* chunk) { Mix_FreeChunk(chunk); }
static int realPlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks) {
    return Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}
static int realFadeInChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ms, int ticks) {
    return Mix_FadeInChannelTimed(channel, chunk, loops, ms, ticks);
}
static int realFadeOutChannel(int channel, int ms) { return Mix_FadeOutChannel(channel, ms); }
static int realPlaying(int channel) { return Mix_Playing(channel); }
static void realSetCursor(int cursor) { glutSetCursor(cursor); }
static void realPostRedisplay() { glutPostRedisplay(); }
static void realExitProgram(int status) { exit(status); }

constexpr Platform realPlatform = {
    realGetTicks,       realDelay,          realInitAudio,        realOpenAudio,
    realCloseAudio,     realLoadWav,        realVolumeChunk,      realFreeChunk,
    realPlayChannelTimed, realFadeInChannelTimed, realFadeOutChannel, realPlaying,
    realSetCursor,      realPostRedisplay,  realExitProgram,
};

Platform platform = realPlatform;
