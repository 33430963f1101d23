// The thin seam between the game and its platform: clock, delay, mixer, cursor, redisplay, exit.
//
// Every call the game makes to these goes through the `platform` table, which
// holds the real SDL, SDL_mixer and GLUT functions. Tests swap in stand-ins (a
// clock they set by hand, a mixer that records each call) without touching any
// game code. OpenGL is not behind the seam: drawing is tested on a real context.
#pragma once

#include <cstdint>

struct Mix_Chunk;

struct Platform {
    uint32_t (*getTicks)();
    void (*delay)(uint32_t ms);
    int (*initAudio)();  // SDL_Init(SDL_INIT_AUDIO)
    int (*openAudio)(int frequency, uint16_t format, int channels, int chunkSize);
    void (*closeAudio)();
    Mix_Chunk* (*loadWav)(const char* path);  // SDL_RWFromFile + Mix_LoadWAV_RW
    int (*volumeChunk)(Mix_Chunk* chunk, int volume);
    void (*freeChunk)(Mix_Chunk* chunk);
    int (*playChannelTimed)(int channel, Mix_Chunk* chunk, int loops, int ticks);
    int (*fadeInChannelTimed)(int channel, Mix_Chunk* chunk, int loops, int ms, int ticks);
    int (*fadeOutChannel)(int channel, int ms);
    int (*playing)(int channel);
    void (*setCursor)(int cursor);
    void (*postRedisplay)();
    void (*exitProgram)(int status);  // never returns
};

// The table in force; starts out holding the real platform.
extern Platform platform;

// The real platform, for tests that want to put it back.
extern const Platform realPlatform;
