// The sound bank: opening the mixer, the twelve loads in table order, failure lines, music volumes, freeing, and the real files in the real mixer.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/game_state.h"
#include "core/platform.h"
#include "assets/sound.h"
#include "support/fake_platform.h"

namespace {

const char* const BANK[SOUND_CHUNKS] = {
    "data/sound/other/explode.wav",    "data/sound/menu/music.wav",       "data/sound/menu/menu.wav",
    "data/sound/menu/over.wav",        "data/sound/ground1/mantinel.wav", "data/sound/ground1/player.wav",
    "data/sound/ground1/out.wav",      "data/sound/ground2/mantinel.wav", "data/sound/ground2/player.wav",
    "data/sound/ground2/out.wav",      "data/sound/ground1/music.wav",    "data/sound/ground2/music.wav",
};

std::vector<std::string> callNames() {
    std::vector<std::string> names;
    for (const PlatformCall& call : fake::calls) names.push_back(call.function);
    return names;
}

std::vector<Mix_Chunk*> volumeChunks(int volume) {
    std::vector<Mix_Chunk*> chunks;
    for (const PlatformCall& call : callsOf("volume")) {
        EXPECT_EQ(call.ms, volume);
        chunks.push_back(call.chunk);
    }
    return chunks;
}

// Runs initSound and returns what it printed on the standard error stream.
std::string initSoundPrinting() {
    testing::internal::CaptureStderr();
    initSound();
    return testing::internal::GetCapturedStderr();
}

TEST(SoundBank, OpensTheMixerLoadsTheTwelveFilesInTableOrderAndHalvesTheMusic) {
    freshGame();
    EXPECT_EQ(initSoundPrinting(), "");

    std::vector<std::string> expected = {"initAudio", "open"};
    for (int i = 0; i < SOUND_CHUNKS; i++) expected.push_back("load");
    expected.insert(expected.end(), {"volume", "volume", "volume"});
    EXPECT_EQ(callNames(), expected);

    PlatformCall open = callsOf("open").at(0);
    EXPECT_EQ(open.loops, 22050);  // frequency
    EXPECT_EQ(open.ticks, AUDIO_S16LSB);
    EXPECT_EQ(open.channel, 2);
    EXPECT_EQ(open.ms, 1024);  // buffer size

    std::vector<PlatformCall> loads = callsOf("load");
    for (int i = 0; i < SOUND_CHUNKS; i++) {
        EXPECT_EQ(loads[i].path, BANK[i]) << "chunk " << i;
        EXPECT_EQ(game.soundChunks[i], fakeChunk(i)) << "chunk " << i;
    }
    EXPECT_EQ(volumeChunks(64), (std::vector<Mix_Chunk*>{fakeChunk(1), fakeChunk(10), fakeChunk(11)}));
}

TEST(SoundBank, StartUpFailuresArePrintedAndTheBankLoadsAllTheSame) {
    freshGame();
    platform.initAudio = []() {
        SDL_SetError("no audio here");
        return -1;
    };
    fake::openAudioFails = true;
    EXPECT_EQ(initSoundPrinting(), "SDL initialization failed: no audio here\n"
                                   "Audio initialization failed: no audio here\n");
    EXPECT_EQ(callsOf("load").size(), (size_t)SOUND_CHUNKS);
}

// The stand-in loader, wrapped so that each load leaves an error text of its own behind.
Mix_Chunk* (*fakeLoadWav)(const char*) = nullptr;
int loadsSoFar = 0;
Mix_Chunk* loadLeavingErrorText(const char* path) {
    Mix_Chunk* chunk = fakeLoadWav(path);
    SDL_SetError("error text after load %d", ++loadsSoFar);
    return chunk;
}

TEST(SoundBank, MissingFilesArePrintedAfterAllLoadsWithTheLatestLibraryText) {
    freshGame();
    fake::missingSounds = {"data/sound/menu/over.wav", "data/sound/ground1/out.wav"};
    fakeLoadWav = platform.loadWav;
    loadsSoFar = 0;
    platform.loadWav = loadLeavingErrorText;
    EXPECT_EQ(initSoundPrinting(), "Sound file loading failed: error text after load 12\n"
                                   "Sound file loading failed: error text after load 12\n");
    for (int i = 0; i < SOUND_CHUNKS; i++)
        EXPECT_EQ(game.soundChunks[i], i == 3 || i == 6 ? nullptr : fakeChunk(i)) << "chunk " << i;
    EXPECT_EQ(volumeChunks(64).size(), 3u);
}

TEST(SoundBank, ATuneThatDidNotLoadIsGivenNoVolume) {
    // The mixer would read through a null chunk and bring the game down.
    freshGame();
    fake::missingSounds = {"data/sound/menu/music.wav", "data/sound/ground2/music.wav"};
    initSoundPrinting();
    EXPECT_EQ(volumeChunks(64), (std::vector<Mix_Chunk*>{fakeChunk(10)}));

    // Without an audio device the mixer loads nothing at all.
    freshGame();
    fake::openAudioFails = true;
    fake::missingSounds.assign(BANK, BANK + SOUND_CHUNKS);
    std::string printed = initSoundPrinting();
    EXPECT_TRUE(volumeChunks(64).empty());
    size_t lines = 0;
    for (size_t at = printed.find("Sound file loading failed: "); at != std::string::npos;
         at = printed.find("Sound file loading failed: ", at + 1))
        lines++;
    EXPECT_EQ(lines, (size_t)SOUND_CHUNKS);
}

TEST(SoundBank, FreeingHandsEveryChunkBackInIndexOrderAndForgetsThem) {
    freshGame();
    fake::missingSounds = {"data/sound/ground2/player.wav"};
    initSoundPrinting();
    fake::calls.clear();
    freeSounds();
    std::vector<PlatformCall> frees = callsOf("free");
    ASSERT_EQ(frees.size(), (size_t)SOUND_CHUNKS);
    for (int i = 0; i < SOUND_CHUNKS; i++) {
        EXPECT_EQ(frees[i].chunk, i == 8 ? nullptr : fakeChunk(i)) << "chunk " << i;
        EXPECT_EQ(game.soundChunks[i], nullptr) << "chunk " << i;
    }
}

TEST(SoundBank, TheMixerTakesANullChunkWhenFreeing) {
    // freeSounds hands over the slot of a sound that never loaded as it is.
    realPlatform.freeChunk(nullptr);
}

// The real bank on the real mixer (the dummy audio driver), from the files the build
// made: all twelve load, in the mixer's own format so nothing is converted, and the
// tunes play at half volume.
TEST(SoundBank, TheGameFilesLoadIntoTheRealMixerUnconverted) {
    freshGame();
    platform = realPlatform;
    EXPECT_EQ(initSoundPrinting(), "");
    for (int i = 0; i < SOUND_CHUNKS; i++) {
        ASSERT_NE(game.soundChunks[i], nullptr) << BANK[i];
        struct stat file;
        ASSERT_EQ(stat(BANK[i], &file), 0) << BANK[i];
        // A canonical WAV: a 44-byte header, then the samples the mixer keeps as they are.
        EXPECT_EQ((off_t)game.soundChunks[i]->alen, file.st_size - 44) << BANK[i];
        int expectedVolume = (i == 1 || i == 10 || i == 11) ? 64 : MIX_MAX_VOLUME;
        EXPECT_EQ(Mix_VolumeChunk(game.soundChunks[i], -1), expectedVolume) << BANK[i];
    }
    realPlatform.closeAudio();
    freeSounds();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace
