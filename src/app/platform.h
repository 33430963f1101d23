// The thin seam between the game and its platform: clock, delay, mixer, gamepads, cursor, redisplay, exit.
//
// Every call the game makes to these goes through the `platform` table, which
// holds the real SDL, SDL_mixer and GLUT functions. Tests swap in stand-ins (a
// clock they set by hand, a mixer that records each call, pads they move by
// hand) without touching any game code. OpenGL is not behind the seam: drawing is tested on a real context.
#pragma once

#include <cstdint>

struct Mix_Chunk;
struct _SDL_Joystick;

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
    int (*initPads)();                             // SDL_InitSubSystem(SDL_INIT_JOYSTICK), no events queued
    int (*padCount)();                             // SDL_NumJoysticks
    _SDL_Joystick* (*openPad)(int index);          // SDL_JoystickOpen
    const char* (*padName)(int index);             // SDL_JoystickName
    void (*updatePads)();                          // SDL_JoystickUpdate
    int (*padAxis)(_SDL_Joystick* pad, int axis);  // 0 for an axis the pad lacks
    int (*padHat)(_SDL_Joystick* pad, int hat);    // 0 (centred) for a hat the pad lacks
    int (*padButton)(_SDL_Joystick* pad, int button);
    int (*padGone)(_SDL_Joystick* pad);            // its device stopped reporting: unplugged
    void (*setCursor)(int cursor);
    void (*postRedisplay)();
    void (*exitProgram)(int status);  // never returns
};

// The table in force; starts out holding the real platform.
extern Platform platform;

// The real platform, for tests that want to put it back.
extern const Platform realPlatform;
