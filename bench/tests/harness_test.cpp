// Checks of the benchmarks' stage on a real window: the floors decode what the game loads, and the scenes are what they claim.
#include <GL/gl.h>
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "harness.h"
#include "render/text.h"

// Every picture the game opens passes through here on its way to the image library.
// With this definition in the program the linker may drop the library from the
// program's needs, so it is opened by name when it is not already loaded.
static std::vector<std::string> opened;
extern "C" SDL_Surface* IMG_Load(const char* file) {
    using Loader = SDL_Surface* (*)(const char*);
    static Loader real = [] {
        void* found = dlsym(RTLD_NEXT, "IMG_Load");
        if (!found) found = dlsym(dlopen("libSDL_image-1.2.so.0", RTLD_NOW | RTLD_GLOBAL), "IMG_Load");
        return (Loader)found;
    }();
    opened.push_back(file);
    return real(file);
}

namespace {

class Stage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (started) return;
        int argc = 1;
        char name[] = "tarvo-bench-stage-test";
        char* argv[] = {name, nullptr};
        bench::startGame(argc, argv);
        started = true;
    }
};

std::set<std::string> floorFiles(bench::PictureSet set) {
    std::set<std::string> files;
    for (int i = 0; i < bench::pictureCount(set); i++) files.insert(bench::picturePath(set, i));
    return files;
}

}  // namespace

TEST_F(Stage, EachFloorDecodesExactlyThePicturesTheGamesLoaderOpens) {
    for (bench::PictureSet set : {bench::BASE_SET, bench::TENNIS_SET, bench::FUTURISTIC_SET}) {
        bench::unloadSet(set);
        opened.clear();
        bench::loadSet(set);
        std::vector<std::string> loaded = opened;
        if (set != bench::BASE_SET) bench::unloadSet(set);

        EXPECT_EQ(std::set<std::string>(loaded.begin(), loaded.end()), floorFiles(set)) << bench::pictureSetName(set);
        EXPECT_EQ((int)loaded.size(), bench::pictureCount(set)) << bench::pictureSetName(set) << ": a picture twice?";
        opened.clear();
        EXPECT_TRUE(bench::decodeSet(set));
        EXPECT_EQ((int)opened.size(), bench::pictureCount(set));
    }
}

TEST_F(Stage, GivingASetBackClearsItsSlotsAndLoadingItAgainFillsThem) {
    bench::unloadSet(bench::FUTURISTIC_SET);
    // The menu's pictures: as many slots as the base set has pictures.
    const int base = bench::pictureCount(bench::BASE_SET);
    EXPECT_EQ(bench::filledSlots(), base);
    bench::loadSet(bench::FUTURISTIC_SET);
    EXPECT_EQ(bench::filledSlots(), base + 15);
    bench::unloadSet(bench::FUTURISTIC_SET);
    EXPECT_EQ(bench::filledSlots(), base);
    bench::loadSet(bench::TENNIS_SET);
    EXPECT_EQ(bench::filledSlots(), base + 15);  // ten pictures and five copies of slot 0's name
    EXPECT_EQ(game.textures[5], game.textures[0]);
    bench::unloadSet(bench::TENNIS_SET);
    EXPECT_EQ(bench::filledSlots(), base);
}

TEST_F(Stage, TheWindowTakesEachSizeAndTheGamesReshapeSeesIt) {
    for (int resolution = 0; resolution < bench::RESOLUTION_COUNT; resolution++) {
        ASSERT_TRUE(bench::useResolution(resolution)) << bench::resolutionName(resolution);
        int width, height;
        bench::windowSizeOf(resolution, &width, &height);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], width);
        EXPECT_EQ(viewport[3], height);
        EXPECT_EQ(game.windowWidth, width);
    }
    ASSERT_TRUE(bench::useResolution(bench::RESOLUTION_800));
}

TEST_F(Stage, TheMenuSceneShowsPageZeroWithTheGlow) {
    bench::enterMenu();
    EXPECT_TRUE(game.menuActive);
    EXPECT_FALSE(game.matchActive);
    EXPECT_EQ(game.menuPage, 0);
    EXPECT_TRUE(game.glowVisible);
    bench::gameFrame();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Steps a match with the games settled after each, as the score display does in
// every frame: the step at which the match ended, or the limit of ten minutes of game time.
static int stepsUntilTheMatchEnds(bool steered, int* inFlight) {
    const int LIMIT = 60000;
    for (int step = 0; step < LIMIT; step++) {
        if (steered) bench::steerRally();
        bench::idleStep();
        settleGames();
        if (!game.matchActive) return step;
        if (bench::ballInFlight()) (*inFlight)++;
    }
    return LIMIT;
}

TEST_F(Stage, ASteeredMatchStaysInFlightLongAfterAnUnsteeredOneHasEnded) {
    int inFlight = 0;
    bench::enterMatch(2);
    int unsteered = stepsUntilTheMatchEnds(false, &inFlight);
    EXPECT_LT(unsteered, 60000) << "player 1 serving and never moving should lose the match";
    EXPECT_FALSE(game.matchActive);

    for (int playground : {1, 2}) {
        bench::enterMatch(playground);
        EXPECT_TRUE(game.matchActive);
        EXPECT_EQ(game.playground, playground);
        EXPECT_TRUE(game.vsComputer);
        inFlight = 0;
        EXPECT_EQ(stepsUntilTheMatchEnds(true, &inFlight), 60000) << "the match ended on playground " << playground;
        EXPECT_GT(inFlight, 60000 / 2) << "the ball was mostly not in play";
        bench::gameFrame();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        bench::leaveMatch();
        EXPECT_FALSE(game.matchActive);
        // The slots keep their old names; the textures behind them must be gone.
        for (int slot : {0, 6, 11, 12, 13, 28}) EXPECT_FALSE(glIsTexture(game.textures[slot])) << "slot " << slot;
        EXPECT_TRUE(glIsTexture(game.textures[14]));
    }
}
