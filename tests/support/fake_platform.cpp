// Test stand-ins for the platform seam: a clock set by hand, a mixer that records every call, pads moved by hand.
#include "support/fake_platform.h"

#include <SDL_mixer.h>

#include <algorithm>

#include "app/game_state.h"
#include "app/platform.h"

namespace fake {
uint32_t ticks = 0;
std::vector<PlatformCall> calls;
bool channelPlaying[8] = {};
int redisplays = 0;
std::vector<std::string> missingSounds;
bool openAudioFails = false;
Mix_Chunk chunks[SOUND_CHUNKS];
static int chunksHanded = 0;
FakePad pads[4];
int padCount = 0;
bool padsUnavailable = false;
int padUpdates = 0;
}  // namespace fake

static void record(const char* function, int channel, Mix_Chunk* chunk, int loops, int ms, int ticks) {
    PlatformCall call;
    call.function = function;
    call.channel = channel;
    call.chunk = chunk;
    call.loops = loops;
    call.ms = ms;
    call.ticks = ticks;
    fake::calls.push_back(call);
}

static uint32_t fakeGetTicks() { return fake::ticks; }
static void fakeDelay(uint32_t ms) {
    record("delay", -1, nullptr, 0, (int)ms, 0);
    fake::ticks += ms;  // the stand-still passes on the clock, not in real time
}
static int fakeInitAudio() {
    record("initAudio", -1, nullptr, 0, 0, 0);
    return 0;
}
static int fakeOpenAudio(int frequency, uint16_t format, int channels, int chunkSize) {
    PlatformCall call;
    call.function = "open";
    call.channel = channels;
    call.loops = frequency;
    call.ms = chunkSize;
    call.ticks = format;
    fake::calls.push_back(call);
    return fake::openAudioFails ? -1 : 0;
}
static void fakeCloseAudio() { record("close", -1, nullptr, 0, 0, 0); }
static Mix_Chunk* fakeLoadWav(const char* path) {
    PlatformCall call;
    call.function = "load";
    call.path = path;
    fake::calls.push_back(call);
    // The n-th load gets stand-in chunk n, so a test knows which chunk is which sound.
    Mix_Chunk* chunk = &fake::chunks[fake::chunksHanded % SOUND_CHUNKS];
    fake::chunksHanded++;
    if (std::find(fake::missingSounds.begin(), fake::missingSounds.end(), path) != fake::missingSounds.end())
        return nullptr;
    return chunk;
}
static int fakeVolumeChunk(Mix_Chunk* chunk, int volume) {
    record("volume", -1, chunk, 0, volume, 0);
    return 128;
}
static void fakeFreeChunk(Mix_Chunk* chunk) { record("free", -1, chunk, 0, 0, 0); }
static int fakePlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks) {
    record("play", channel, chunk, loops, 0, ticks);
    return channel;
}
static int fakeFadeInChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ms, int ticks) {
    record("fadeIn", channel, chunk, loops, ms, ticks);
    return channel;
}
static int fakeFadeOutChannel(int channel, int ms) {
    record("fadeOut", channel, nullptr, 0, ms, 0);
    return 1;
}
static int fakePlaying(int channel) {
    return channel >= 0 && channel < 8 && fake::channelPlaying[channel] ? 1 : 0;
}
static FakePad* padOf(_SDL_Joystick* pad) { return reinterpret_cast<FakePad*>(pad); }
static int fakeInitPads() { return fake::padsUnavailable ? -1 : 0; }
static int fakePadCount() { return fake::padCount; }
static _SDL_Joystick* fakeOpenPad(int index) {
    if (index < 0 || index >= fake::padCount) return nullptr;
    return reinterpret_cast<_SDL_Joystick*>(&fake::pads[index]);
}
static const char* fakePadName(int index) { return index == 0 ? "Stand-in Pad" : "Second Stand-in Pad"; }
static void fakeUpdatePads() { fake::padUpdates++; }
static int fakePadAxis(_SDL_Joystick* pad, int axis) { return axis == 1 ? padOf(pad)->stick : 0; }
static int fakePadHat(_SDL_Joystick* pad, int hat) { return hat == 0 ? padOf(pad)->hat : 0; }
static int fakePadButton(_SDL_Joystick* pad, int button) {
    return button >= 0 && button < 8 && padOf(pad)->buttons[button] ? 1 : 0;
}
static int fakePadGone(_SDL_Joystick* pad) { return padOf(pad)->gone ? 1 : 0; }
static void fakeSetCursor(int cursor) { record("cursor", -1, nullptr, 0, cursor, 0); }
static void fakePostRedisplay() { fake::redisplays++; }
static void fakeExitProgram(int status) { throw ProgramExit{status}; }

void installFakePlatform() {
    platform = Platform{
        fakeGetTicks,         fakeDelay,              fakeInitAudio,      fakeOpenAudio,
        fakeCloseAudio,       fakeLoadWav,            fakeVolumeChunk,    fakeFreeChunk,
        fakePlayChannelTimed, fakeFadeInChannelTimed, fakeFadeOutChannel, fakePlaying,
        fakeInitPads,         fakePadCount,           fakeOpenPad,        fakePadName,
        fakeUpdatePads,       fakePadAxis,            fakePadHat,         fakePadButton,
        fakePadGone,          fakeSetCursor,          fakePostRedisplay,  fakeExitProgram,
    };
    fake::ticks = 0;
    fake::calls.clear();
    std::fill(std::begin(fake::channelPlaying), std::end(fake::channelPlaying), false);
    fake::redisplays = 0;
    fake::missingSounds.clear();
    fake::openAudioFails = false;
    fake::chunksHanded = 0;
    for (FakePad& pad : fake::pads) pad = FakePad{};
    fake::padCount = 0;
    fake::padsUnavailable = false;
    fake::padUpdates = 0;
}

void freshGame() {
    game = GameState{};
    installFakePlatform();
}

std::vector<PlatformCall> callsOf(const std::string& function) {
    std::vector<PlatformCall> found;
    for (const PlatformCall& call : fake::calls)
        if (call.function == function) found.push_back(call);
    return found;
}

Mix_Chunk* fakeChunk(int index) { return &fake::chunks[index]; }
